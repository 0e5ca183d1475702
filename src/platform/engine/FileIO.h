#pragma once

#include <QString>
#include <QtGlobal>
#include <memory>

namespace engine {

// An open file. Every write of the engine goes through this interface so that tests can
// inject failing and torn writes (see FaultyFileSystem in the tests). Methods return false on
// failure and set errorString(); they never throw.
class FileHandle {
public:
    virtual ~FileHandle() = default;
    // The descriptor, for byte-range locks (OsFileLock).
    virtual int fd() const = 0;
    // Reads up to `size` bytes at `offset`; returns the count read, -1 on error.
    virtual qint64 readAt(qint64 offset, char* data, qint64 size) = 0;
    // Writes all `size` bytes at `offset`.
    virtual bool writeAt(qint64 offset, const char* data, qint64 size) = 0;
    // Makes written data durable (fdatasync).
    virtual bool sync() = 0;
    virtual bool truncate(qint64 size) = 0;
    // Current size, -1 on error.
    virtual qint64 size() = 0;
    virtual QString errorString() const = 0;
};

// The file operations the engine uses. FileSystem::current() is the real one unless a test
// installed another with setCurrent().
class FileSystem {
public:
    enum class OpenMode { ReadOnly, ReadWrite, CreateNew /* read-write, fails when it exists */, CreateTruncate };
    virtual ~FileSystem() = default;
    // Returns nullptr on failure, with the reason in `error`.
    virtual std::unique_ptr<FileHandle> open(const QString& path, OpenMode mode, QString* error) = 0;
    // Atomically replaces `to` with `from`.
    virtual bool rename(const QString& from, const QString& to, QString* error) = 0;
    virtual bool remove(const QString& path) = 0;
    // Makes a rename or creation inside `dir` durable.
    virtual bool syncDirectory(const QString& dir) = 0;

    static FileSystem& current();
    // Installs `fs` (not owned; nullptr restores the real file system). For tests.
    static void setCurrent(FileSystem* fs);
};

// The operating system's files (POSIX).
class PosixFileSystem : public FileSystem {
public:
    std::unique_ptr<FileHandle> open(const QString& path, OpenMode mode, QString* error) override;
    bool rename(const QString& from, const QString& to, QString* error) override;
    bool remove(const QString& path) override;
    bool syncDirectory(const QString& dir) override;
};

}  // namespace engine
