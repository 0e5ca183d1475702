#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>

struct zip;

namespace backup {

// Reads entries of a zip archive into files. Only entries stored under a bare name (no folder)
// are found; names match without regard to letter case. Extraction writes no more than the
// size the archive declares and checks the entry's checksum, so a damaged or lying archive
// fails instead of leaving a wrong file.
class ZipReader {
public:
    ZipReader() = default;
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    // Opens the archive for reading. Returns false with the reason in `error`.
    bool open(const QString& path, QString* error);
    void close();
    bool isOpen() const { return m_archive != nullptr; }

    // The index of the first entry whose whole name is `name` (any letter case); -1 when none.
    qint64 locate(const QString& name) const;
    // Uncompressed size of an entry as the archive declares it.
    quint64 size(qint64 index) const;

    // Called with the number of bytes written so far for the entry being extracted.
    using Progress = std::function<void(quint64 written)>;
    // Writes entry `index` into the new file `target` (replacing a file there) and flushes it
    // to disk. Returns false with the reason in `error`; a partly written target is removed.
    bool extract(qint64 index, const QString& target, const Progress& progress, QString* error);

private:
    zip* m_archive = nullptr;
};

}  // namespace backup
