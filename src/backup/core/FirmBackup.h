#pragma once

#include <QString>
#include <QVector>

#include "ZipWriter.h"

namespace backup {

// Packs a firm's tables into a zip archive. The archive holds the table files of the firm
// directory under their bare names ("Hdok.DB"): the names of the data-file list that are
// present, and nothing else — not the firm settings file, the engine's lock and temporary files
// or what an interrupted restore left in "Zaloha". The firm's tables must be closed.
class FirmBackup {
public:
    struct Result {
        int items = 0;         // table files in the written archive; 0 when none was written
        bool written = false;  // the archive is complete at its path
        QString error;         // why not, when not
    };

    // The table files of `firmDir` (with '/') that belong into its archives, in list order.
    static QVector<ZipWriter::Entry> tableFiles(const QString& firmDir);

    // Writes the archive `archivePath` of the firm in `firmDir`, creating its directory. The
    // archive is written only when all the firm's table files are there (missing index files are
    // rebuilt from their record files first); an older archive at
    // that path is replaced only by a complete new one. Leftovers of a restore that ended
    // without needing a roll-back are removed first.
    static Result run(const QString& firmDir, const QString& archivePath, const ZipWriter::Progress& progress);
};

}  // namespace backup
