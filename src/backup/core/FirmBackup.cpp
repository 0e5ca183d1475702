#include "FirmBackup.h"

#include <QDir>
#include <QFileInfo>

#include "DataFiles.h"
#include "EngineError.h"
#include "FirmRestore.h"
#include "TDatabase.h"
#include "TSession.h"
#include "TTable.h"
#include "TablePassword.h"

namespace backup {

namespace {

// The tables of `firmDir` whose record file is there but some index file is not.
QStringList tablesLackingIndexes(const QString& firmDir) {
    QStringList tables;
    for (const QString& name : storage::dataFileList()) {
        const QString table = QFileInfo(name).completeBaseName() + QStringLiteral(".DB");
        if (!QFileInfo(firmDir + name).isFile() && QFileInfo(firmDir + table).isFile() && !tables.contains(table)) {
            tables.append(table);
        }
    }
    return tables;
}

// Index files only cache what the record file holds, and the engine rebuilds the missing ones
// when it opens the table; a firm that lost one (a power cut) is still whole and is backed up.
void rebuildMissingIndexes(const QString& firmDir) {
    const QStringList tables = tablesLackingIndexes(firmDir);
    if (tables.isEmpty()) return;
    try {
        TSession session(QStringLiteral("ZalohaSession"));
        session.AddPassword(storage::tablePassword());
        TDatabase database(&session, QStringLiteral("Zaloha"));
        database.Params = {QStringLiteral("PATH=") + firmDir, QStringLiteral("DEFAULT DRIVER=PARADOX"),
                           QStringLiteral("ENABLE BCD=FALSE")};
        for (const QString& name : tables) {
            TTable table;
            table.setDatabase(&database);
            table.TableName = name;
            table.Open();
            table.Close();
        }
        database.Close();
    } catch (const EDatabaseError&) {
        // A table that cannot be opened keeps its gap, and the backup refuses the firm below.
    }
}

// True when `target` lies in the firm's "Zaloha" folder, by its spelling or through links.
bool insideRestoreRoom(const QString& firmDir, const QFileInfo& target) {
    const QString room = QDir::cleanPath(QFileInfo(firmDir + QStringLiteral("Zaloha")).absoluteFilePath());
    if (QDir::cleanPath(target.absoluteFilePath()).startsWith(room + QLatin1Char('/'))) return true;
    const QFileInfo roomInfo(room);
    const QFileInfo targetDir(target.absolutePath());
    if (!roomInfo.isDir() || !targetDir.isDir()) return false;
    return (targetDir.canonicalFilePath() + QLatin1Char('/'))
        .startsWith(roomInfo.canonicalFilePath() + QLatin1Char('/'));
}

}  // namespace

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
    // The firm's "Zaloha" folder is the working room of restores: every backup and restore
    // clears it, and a restore refuses to read from it, so an archive put there would be lost.
    if (insideRestoreRoom(firmDir, target)) {
        result.error = QStringLiteral("Záloha nesmí ležet v pracovním adresáři obnovení firmy.");
        return result;
    }
    const QString dir = target.absolutePath();
    if (!QFileInfo(dir).isDir() && !QDir().mkpath(dir)) {
        result.error = QStringLiteral("Adresář %1 nelze vytvořit.").arg(QDir::toNativeSeparators(dir));
        return result;
    }
    // A safety archive that a restore still needs for its roll-back is kept; it is never
    // packed anyway.
    if (!FirmRestore::unfinished(firmDir)) FirmRestore::removeLeftovers(firmDir);

    rebuildMissingIndexes(firmDir);
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
