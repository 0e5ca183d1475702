#include "FirmRestore.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include "DataFiles.h"
#include "EngineError.h"
#include "FileIO.h"
#include "FirmBackup.h"
#include "OsFileLock.h"
#include "StorageFormat.h"
#include "TDatabase.h"
#include "TSession.h"
#include "TTable.h"
#include "TableImport.h"
#include "TableLayouts.h"
#include "ZipReader.h"
#include "ZipWriter.h"

namespace backup {
namespace {

QString zalohaDir(const QString& firmDir) {
    return firmDir + QStringLiteral("Zaloha/");
}
QString markerPath(const QString& firmDir) {
    return zalohaDir(firmDir) + QStringLiteral("Obnoveni.run");
}
QString stagingDir(const QString& firmDir) {
    return zalohaDir(firmDir) + QStringLiteral("Obnova/");
}
QString importDir(const QString& firmDir) {
    return zalohaDir(firmDir) + QStringLiteral("Prevod/");
}

// The last line of a complete marker.
const QByteArray kMarkerEnd = QByteArrayLiteral(".");

bool isRecordFile(const QString& name) {
    return name.endsWith(QLatin1String(".DB"), Qt::CaseInsensitive);
}

QStringList recordFiles() {
    QStringList names;
    for (const QString& name : storage::dataFileList()) {
        if (isRecordFile(name)) names << name;
    }
    return names;
}

// The names a complete marker lists; false for a marker that is missing or was not finished
// (then the firm's files were not touched yet).
bool readMarker(const QString& path, QStringList* names) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    QList<QByteArray> lines = f.readAll().split('\n');
    while (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    if (lines.isEmpty() || lines.last() != kMarkerEnd) return false;
    lines.removeLast();
    names->clear();
    for (const QByteArray& line : lines) names->append(QString::fromUtf8(line));
    return true;
}

bool hasOurMagic(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    const QByteArray head = f.read(sizeof engine::format::kRecordMagic);
    return head == QByteArray(engine::format::kRecordMagic, sizeof engine::format::kRecordMagic);
}

bool renameDurably(const QString& from, const QString& to, QString* error) {
    return engine::FileSystem::current().rename(from, to, error);
}

// Puts the tables of the safety archive back: each name the marker lists is extracted beside
// the firm's file and renamed over it; a name it does not list (the firm did not have that file
// before) is removed. Repeating it after a crash gives the same result.
bool rollBack(const QString& firmDir, const QStringList& names, QString* error) {
    ZipReader safety;
    if (!names.isEmpty() && !safety.open(FirmRestore::safetyArchivePath(firmDir), error)) return false;
    engine::FileSystem& fs = engine::FileSystem::current();
    for (const QString& name : storage::dataFileList()) {
        const QString live = firmDir + name;
        if (!names.contains(name)) {
            if (QFileInfo::exists(live) && !fs.remove(live)) {
                if (error) *error = QStringLiteral("Soubor %1 nelze smazat.").arg(QDir::toNativeSeparators(live));
                return false;
            }
            continue;
        }
        const qint64 index = safety.locate(name);
        const QString temporary = live + QStringLiteral(".obnova.tmp");
        if (index < 0) {
            if (error) *error = QStringLiteral("V záložním souboru chybí %1.").arg(name);
            return false;
        }
        if (!safety.extract(index, temporary, nullptr, error) || !renameDurably(temporary, live, error)) {
            fs.remove(temporary);
            return false;
        }
    }
    fs.syncDirectory(QDir::cleanPath(firmDir));
    return true;
}

qint64 systemFreeSpace(const QString& dir) {
    return QStorageInfo(dir).bytesAvailable();
}

// The earlier edition's tables are read and written as tables of ours by the importer.
bool importParadoxTables(const QString& earlierDir, const QString& targetDir, QString* error) {
    try {
        interchange::TableImport::importFirmDirectory(earlierDir, targetDir);
        return true;
    } catch (const EDatabaseError& e) {
        if (error) *error = e.message();
        return false;
    }
}

}  // namespace

std::function<bool(const QString&, const QString&, QString*)> FirmRestore::importEarlierEdition = importParadoxTables;

FirmRestore::FirmRestore(const QString& firmDir, const QStringList& passwords)
    : freeSpace(systemFreeSpace), m_firmDir(firmDir), m_passwords(passwords) {}

FirmRestore::~FirmRestore() = default;

QString FirmRestore::safetyArchivePath(const QString& firmDir) {
    return zalohaDir(firmDir) + QStringLiteral("Zaloha.zip");
}

bool FirmRestore::unfinished(const QString& firmDir) {
    QStringList names;
    return readMarker(markerPath(firmDir), &names);
}

bool FirmRestore::runningElsewhere(const QString& firmDir) {
    const int fd = ::open(QFile::encodeName(markerPath(firmDir)).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool held = false;
    try {
        held = engine::OsFileLock::heldByOther(fd, 0, 1);
    } catch (const EDatabaseError&) {
        // Locks cannot be asked about here; a marker nobody can prove alive is treated as left over.
    }
    ::close(fd);
    return held;
}

void FirmRestore::removeLeftovers(const QString& firmDir) {
    const QString dir = zalohaDir(firmDir);
    if (!QFileInfo(dir).isDir()) return;
    QDir(stagingDir(firmDir)).removeRecursively();
    QDir(importDir(firmDir)).removeRecursively();
    QFile::remove(markerPath(firmDir));
    // The safety archive and the temporary files of an archive that was being written.
    for (const QString& name : QDir(dir).entryList({QStringLiteral("Zaloha.zip*")}, QDir::Files | QDir::Hidden)) {
        QFile::remove(dir + name);
    }
    QDir().rmdir(dir);
}

FirmRestore::Recovery FirmRestore::recoverUnfinished(const QString& firmDir, QString* detail) {
    const QString marker = markerPath(firmDir);
    if (!QFileInfo::exists(marker)) {
        removeLeftovers(firmDir);
        return Recovery::Nothing;
    }
    if (runningElsewhere(firmDir)) return Recovery::InProgressElsewhere;
    QStringList names;
    if (!readMarker(marker, &names)) {
        // Interrupted before it touched the firm's files.
        removeLeftovers(firmDir);
        return Recovery::Nothing;
    }
    if (!rollBack(firmDir, names, detail)) return Recovery::RollBackFailed;
    // The marker goes only once the firm is whole again, and before the safety archive.
    QFile::remove(marker);
    engine::FileSystem::current().syncDirectory(QDir::cleanPath(zalohaDir(firmDir)));
    removeLeftovers(firmDir);
    return Recovery::RolledBack;
}

void FirmRestore::report(double done) {
    if (progress) progress(done);
}

bool FirmRestore::writeMarker(const QStringList& names, QString* error) {
    QByteArray text;
    for (const QString& name : names) text += name.toUtf8() + '\n';
    text += kMarkerEnd + '\n';
    auto file =
        engine::FileSystem::current().open(markerPath(m_firmDir), engine::FileSystem::OpenMode::ReadWrite, error);
    if (!file) return false;
    if (!file->truncate(0) || !file->writeAt(0, text.constData(), text.size()) || !file->sync()) {
        if (error) *error = file->errorString();
        return false;
    }
    return engine::FileSystem::current().syncDirectory(QDir::cleanPath(zalohaDir(m_firmDir)));
}

void FirmRestore::dropMarker() {
    if (QFile::remove(markerPath(m_firmDir))) {
        engine::FileSystem::current().syncDirectory(QDir::cleanPath(zalohaDir(m_firmDir)));
    }
    m_markerLock.reset();
}

bool FirmRestore::extractAll(const QString& archivePath, const QVector<Found>& found, const QString& staging,
                             QString* error) {
    ZipReader archive;
    if (!archive.open(archivePath, error)) return false;
    if (!QDir().mkpath(staging)) {
        if (error) *error = QStringLiteral("Adresář %1 nelze vytvořit.").arg(QDir::toNativeSeparators(staging));
        return false;
    }
    quint64 total = 0;
    for (const Found& f : found) total += archive.size(f.index);
    quint64 before = 0;
    for (int i = 0; i < found.size(); ++i) {
        const auto onBytes = [&](quint64 written) { report(0.3 + 0.6 * double(before + written) / double(total + 1)); };
        if (!archive.extract(found[i].index, staging + found[i].name, onBytes, error)) return false;
        before += archive.size(found[i].index);
        if (checkpoint) checkpoint(Stage::Extracted, i + 1);
    }
    return true;
}

QString FirmRestore::tablesOurs(const QString& staging, QString* error) {
    bool ours = true;
    for (const QString& name : recordFiles()) ours = ours && hasOurMagic(staging + name);
    if (ours) return staging;
    if (!importEarlierEdition) {
        if (error) *error = QStringLiteral("Tabulky v archivu nejsou ve formátu tohoto programu.");
        return QString();
    }
    const QString target = importDir(m_firmDir);
    QDir(target).removeRecursively();
    if (!QDir().mkpath(target) || !importEarlierEdition(staging, target, error)) return QString();
    return target;
}

bool FirmRestore::tablesOpen(const QString& dir, QString* error) const {
    const storage::TableDefinition tables[] = {storage::hsplTable(), storage::hdathTable(), storage::hdatlTable(),
                                               storage::hdokTable()};
    try {
        TSession session(QStringLiteral("ObnovaSession"));
        for (const QString& password : m_passwords) session.AddPassword(password);
        TDatabase database(&session, QStringLiteral("Obnova"));
        database.Params = {QStringLiteral("PATH=") + dir, QStringLiteral("DEFAULT DRIVER=PARADOX"),
                           QStringLiteral("ENABLE BCD=FALSE")};
        for (const storage::TableDefinition& definition : tables) {
            TTable table;
            table.setDatabase(&database);
            table.TableName = definition.name + QStringLiteral(".DB");
            // Declared fields make a table of another layout fail to open, as the firm would.
            for (const engine::FieldDef& f : definition.layout.fields) table.AddFieldName(f.name);
            table.Open();
            table.Close();
        }
    } catch (const EDatabaseError& e) {
        if (error) *error = e.message();
        return false;
    }
    // The engine's lock files stay in the staging folder; only table files move on.
    engine::deleteStaleLockFile(dir + QStringLiteral("Pdoxusrs.lck"));
    engine::deleteStaleLockFile(dir + QStringLiteral("Paradox.lck"));
    return true;
}

bool FirmRestore::putInPlace(const QString& staging, QString* error) {
    int moved = 0;
    for (const QString& name : storage::dataFileList()) {
        const QString staged = staging + name;
        if (!QFileInfo::exists(staged)) continue;  // a missing index file: the firm keeps its own
        if (!renameDurably(staged, m_firmDir + name, error)) return false;
        if (checkpoint) checkpoint(Stage::Moved, ++moved);
    }
    return engine::FileSystem::current().syncDirectory(QDir::cleanPath(m_firmDir));
}

FirmRestore::Result FirmRestore::rollBackAfter(const QString& reason) {
    Result result;
    QString error;
    if (rollBack(m_firmDir, m_safetyNames, &error)) {
        dropMarker();
        removeLeftovers(m_firmDir);
        result.outcome = Outcome::RolledBack;
        result.detail = reason;
    } else {
        // The marker stays: the next opening of the firm tries again.
        m_markerLock.reset();
        result.outcome = Outcome::RollBackFailed;
        result.detail = error;
    }
    return result;
}

FirmRestore::Result FirmRestore::run(const QString& archivePath) {
    Result result;
    report(0);

    // 1. The archive, before anything is written. One inside "Zaloha" is this firm's own
    // safety archive or staging, which the restore replaces on its way.
    const QString ownFolder = QDir::cleanPath(QFileInfo(zalohaDir(m_firmDir)).absoluteFilePath()) + QLatin1Char('/');
    if (QFileInfo(archivePath).absoluteFilePath().startsWith(ownFolder)) {
        result.outcome = Outcome::ArchiveUnreadable;
        result.detail = QStringLiteral("Záložní soubor firmy nelze použít jako zálohu.");
        return result;
    }
    QVector<Found> found;
    quint64 needed = 0;
    {
        ZipReader archive;
        if (!archive.open(archivePath, &result.detail)) {
            result.outcome = Outcome::ArchiveUnreadable;
            return result;
        }
        bool recordsThere = true;
        for (const QString& name : storage::dataFileList()) {
            const qint64 index = archive.locate(name);
            if (index < 0) {
                recordsThere = recordsThere && !isRecordFile(name);
                continue;
            }
            found.append({name, index});
            needed += archive.size(index);
        }
        result.count = int(found.size());
        // A missing index file is rebuilt by the engine; a missing record file would leave the
        // firm with that table of before.
        if (!recordsThere || result.count < storage::dataFileList().size() - 1) {
            result.outcome = Outcome::Incomplete;
            return result;
        }
    }
    removeLeftovers(m_firmDir);
    const QVector<ZipWriter::Entry> current = FirmBackup::tableFiles(m_firmDir);
    quint64 currentSize = 0;
    for (const ZipWriter::Entry& e : current) currentSize += quint64(QFileInfo(e.filePath).size());
    // The staging folder takes the archive's tables, the safety archive at most the firm's. A
    // volume that does not tell its free space (-1) is tried: the staged restore leaves the firm
    // as it was if the room runs out.
    const qint64 free = freeSpace ? freeSpace(m_firmDir) : -1;
    if (free >= 0 && free < qint64(needed + currentSize)) {
        result.outcome = Outcome::NoSpace;
        return result;
    }

    // 2. and 3. The safety archive, with the marker locked from the start so that no other
    // program takes this restore for an abandoned one.
    const auto failEarly = [&](Outcome outcome) {
        dropMarker();
        removeLeftovers(m_firmDir);
        result.outcome = outcome;
        return result;
    };
    try {
        if (!QDir().mkpath(zalohaDir(m_firmDir))) throw EDatabaseError(QStringLiteral("Zaloha"));
        m_markerLock = engine::LockFileHandle::acquireShared(markerPath(m_firmDir));
    } catch (const EDatabaseError& e) {
        result.detail = e.message();
        return failEarly(Outcome::SafetyArchiveFailed);
    }
    m_safetyNames.clear();
    for (const ZipWriter::Entry& e : current) m_safetyNames << e.name;
    const auto onSafety = [this](double done) { report(0.3 * done); };
    // The safety archive lives only while the restore runs: stored, not compressed.
    if ((!current.isEmpty() && !ZipWriter::write(safetyArchivePath(m_firmDir), current, onSafety, &result.detail,
                                                 ZipWriter::Compression::Store)) ||
        !writeMarker(m_safetyNames, &result.detail)) {
        return failEarly(Outcome::SafetyArchiveFailed);
    }

    // 4. The archive's tables beside the firm's, and they must open there.
    const QString staging = stagingDir(m_firmDir);
    if (!extractAll(archivePath, found, staging, &result.detail)) return failEarly(Outcome::ArchiveUnreadable);
    const QString tables = tablesOurs(staging, &result.detail);
    if (tables.isEmpty() || !tablesOpen(tables, &result.detail)) return failEarly(Outcome::TablesUnreadable);

    // 5. In place, then the marker goes, then the safety archive.
    if (!putInPlace(tables, &result.detail)) {
        const int count = result.count;
        result = rollBackAfter(result.detail);
        result.count = count;
        return result;
    }
    dropMarker();
    removeLeftovers(m_firmDir);
    report(1);
    result.outcome = Outcome::Restored;
    return result;
}

}  // namespace backup
