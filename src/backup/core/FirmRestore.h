#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
#include <memory>

namespace engine {
class LockFileHandle;
}

namespace backup {

// Replaces a firm's tables with those of a zip archive, so that no crash, power cut or bad
// archive can leave the firm mixed or lost:
//
//  1. The archive is checked first: it must open, hold every record file (".DB") and at least
//     26 of the 27 names of the data-file list, and fit on the disk. Nothing is written before.
//  2. The firm's current table files are packed into the safety archive "Zaloha/Zaloha.zip".
//  3. The marker "Zaloha/Obnoveni.run" is written: the names the safety archive holds and an
//     end line. From here on a restore that does not finish is rolled back from the safety
//     archive; the restoring program holds a lock on the marker while it runs.
//  4. The archive's tables are extracted into the staging folder "Zaloha/Obnova" (names of the
//     list only, bare names only), a missing index file is taken from the firm, and the four
//     tables must open there.
//  5. The staged files are renamed over the firm's files one by one, then the marker is removed
//     and "Zaloha" cleaned up.
//
// A restore found unfinished when the firm is opened next (a marker without its restorer) is
// rolled back by recoverUnfinished(). The firm's tables must be closed throughout.
class FirmRestore {
public:
    enum class Outcome {
        Restored,             // the firm holds the archive's tables
        ArchiveUnreadable,    // the archive or one of its entries cannot be read; firm unchanged
        Incomplete,           // a record file or more than one index file is missing; firm unchanged
        NoSpace,              // the archive's tables do not fit on the disk; firm unchanged
        SafetyArchiveFailed,  // the safety archive cannot be written; firm unchanged
        TablesUnreadable,     // the archive's tables do not open (or are of an earlier edition
                              // no importer took); firm unchanged
        RolledBack,           // putting the tables in place failed; the firm was rolled back
        RollBackFailed,       // ... and the roll-back failed too; retried when the firm opens next
    };
    struct Result {
        Outcome outcome = Outcome::Restored;
        int count = 0;   // names of the data-file list found in the archive
        QString detail;  // the underlying reason, for a failure
    };

    // Points along the way at which tests stop the process as a crash would.
    enum class Stage { Extracted, Moved };

    // `firmDir` ends with '/'; `passwords` open the tables (the session's table passwords).
    FirmRestore(const QString& firmDir, const QStringList& passwords);
    ~FirmRestore();

    // Share of the work done (0 to 1), while it goes on.
    std::function<void(double done)> progress;
    // Called after each file extracted into the staging folder and each file put in place.
    std::function<void(Stage stage, int files)> checkpoint;
    // Free bytes on the volume of a directory, -1 when the volume does not tell; the file
    // system's own figure unless a test replaces it.
    std::function<qint64(const QString& dir)> freeSpace;

    // Restores the firm from the archive `archivePath`.
    Result run(const QString& archivePath);

    // An archive of the earlier edition holds Paradox tables under the same names. This is
    // where they are handed over: it converts the tables of `earlierDir` into tables of ours in
    // the empty directory `targetDir`, leaves the source alone, and returns false with the
    // reason in `error` when it cannot. It is the Paradox importer unless a test replaces it;
    // unset, such an archive is refused as unreadable.
    static std::function<bool(const QString& earlierDir, const QString& targetDir, QString* error)>
        importEarlierEdition;

    // ---- the firm's "Zaloha" folder ------------------------------------------------------------
    static QString safetyArchivePath(const QString& firmDir);
    // True while a restore has begun changing the firm's files and not finished (its complete
    // marker is there), whether it still runs or was interrupted.
    static bool unfinished(const QString& firmDir);
    // True while another program runs a restore of the firm (it holds the marker's lock).
    static bool runningElsewhere(const QString& firmDir);
    // Removes what restores leave in "Zaloha" (safety archive, marker, staging folders), then
    // the folder itself when nothing else is in it.
    static void removeLeftovers(const QString& firmDir);

    enum class Recovery {
        Nothing,             // no unfinished restore
        RolledBack,          // an unfinished restore was rolled back
        RollBackFailed,      // it could not be; the marker stays for the next attempt
        InProgressElsewhere  // another program is restoring the firm right now
    };
    // Rolls back a restore that was interrupted after it began changing the firm's files, and
    // removes the leftovers of one interrupted before. `detail` gets the reason of a failure.
    static Recovery recoverUnfinished(const QString& firmDir, QString* detail = nullptr);

private:
    struct Found {
        QString name;
        qint64 index;
    };
    bool writeMarker(const QStringList& names, QString* error);
    void dropMarker();
    bool extractAll(const QString& archivePath, const QVector<Found>& found, const QString& staging, QString* error);
    bool completeFromFirm(const QString& staging, QString* error);
    QString tablesOurs(const QString& staging, QString* error);
    bool tablesOpen(const QString& dir, QString* error) const;
    bool putInPlace(const QString& staging, QString* error);
    Result rollBackAfter(const QString& reason);
    void report(double done);

    QString m_firmDir;
    QStringList m_passwords;
    QStringList m_safetyNames;
    std::unique_ptr<engine::LockFileHandle> m_markerLock;
};

}  // namespace backup
