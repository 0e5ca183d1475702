#pragma once

#include <QString>
#include <QVector>
#include <functional>

namespace backup {

// Writes a new zip archive: deflate-compressed entries, no password, each entry read from a
// file. The archive appears at its path only when it is complete: it is written into a
// temporary file beside the target, flushed to disk and then renamed over whatever was there,
// so a failure at any point leaves an older archive of that name untouched.
class ZipWriter {
public:
    struct Entry {
        QString name;      // name stored in the archive ("Hdok.DB")
        QString filePath;  // file whose content it gets
    };
    // Called while the archive is written, with the share done (0 to 1).
    using Progress = std::function<void(double done)>;
    // Deflate at its fastest level (archives that are kept), or no compression at all (a
    // short-lived archive on the same disk, where time counts and space hardly).
    enum class Compression { Deflate, Store };

    // Writes `entries` into a new archive at `archivePath`. Returns false with the reason in
    // `error` when the archive could not be written completely; nothing is left behind then.
    // An empty list writes nothing and fails: an archive with no entries is no backup.
    static bool write(const QString& archivePath, const QVector<Entry>& entries, const Progress& progress,
                      QString* error, Compression compression = Compression::Deflate);
};

}  // namespace backup
