#include "FirmBackup.h"

#include <QDir>
#include <QFileInfo>

#include "DataFiles.h"
#include "FirmRestore.h"

namespace backup {

QVector<ZipWriter::Entry> FirmBackup::tableFiles(const QString& firmDir) {
    QVector<ZipWriter::Entry> entries;
    for (const QString& name : storage::dataFileList()) {
        const QString path = firmDir + name;
        if (QFileInfo(path).isFile()) entries.append({name, path});
    }
    return entries;
}

FirmBackup::Result FirmBackup::run(const QString& firmDir, const QString& archivePath,
                                   const ZipWriter::Progress& progress) {
    Result result;
    // An archive written over one of the firm's own files would destroy what it is to keep.
    const QFileInfo target(archivePath);
    for (const QString& name :
         storage::dataFileList() + QStringList{QDir(firmDir).dirName() + QStringLiteral(".ini")}) {
        const QFileInfo own(firmDir + name);
        if (target.absoluteFilePath() == own.absoluteFilePath() ||
            (target.exists() && target.canonicalFilePath() == own.canonicalFilePath())) {
            result.error = QStringLiteral("Záloha nesmí přepsat soubor firmy.");
            return result;
        }
    }
    const QString dir = target.absolutePath();
    if (!QFileInfo(dir).isDir() && !QDir().mkpath(dir)) {
        result.error = QStringLiteral("Adresář %1 nelze vytvořit.").arg(QDir::toNativeSeparators(dir));
        return result;
    }
    // A safety archive that a restore still needs for its roll-back is kept; it is never
    // packed anyway.
    if (!FirmRestore::unfinished(firmDir)) FirmRestore::removeLeftovers(firmDir);

    const QVector<ZipWriter::Entry> entries = tableFiles(firmDir);
    if (entries.size() < storage::dataFileList().size()) {
        result.error = QStringLiteral("Ve firmě chybí některé datové soubory.");
        return result;
    }
    result.written = ZipWriter::write(archivePath, entries, progress, &result.error);
    if (result.written) result.items = int(entries.size());
    return result;
}

}  // namespace backup
