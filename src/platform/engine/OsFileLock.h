#pragma once

#include <QString>
#include <QtGlobal>
#include <memory>

namespace engine {

// Byte-range locks held by an open file description (POSIX open-file-description locks,
// F_OFD_SETLK). Unlike classic fcntl locks they are not dropped when another descriptor of
// the same file is closed, and two descriptions conflict even inside one process. Ranges may
// lie beyond the end of the file; the engine uses such ranges as named locks.
// This is the only place with platform lock code (a Windows port replaces this file pair).
class OsFileLock {
public:
    enum class Mode { Shared, Exclusive };
    // Takes the lock without waiting. Returns false when another description holds a
    // conflicting lock; throws EDBEngineError(IoError) on any other failure.
    static bool tryLock(int fd, quint64 offset, quint64 length, Mode mode);
    // Takes the lock, waiting for conflicting holders to release it.
    static void lockWait(int fd, quint64 offset, quint64 length, Mode mode);
    static void unlock(int fd, quint64 offset, quint64 length);
    // True when another description holds a lock that conflicts with an exclusive lock on any
    // byte of the range. Locks of `fd`'s own description never count.
    static bool heldByOther(int fd, quint64 offset, quint64 length);
};

// A lock file ("Pdoxusrs.lck", "Paradox.lck") held with a shared lock while tables are open.
// The holder is alive exactly while its lock is held, so a file nobody holds is stale.
class LockFileHandle {
public:
    // Opens or creates `path` and takes a shared lock on it. If the file was unlinked between
    // the open and the lock (a stale-lock deletion by another process), it retries on the new
    // file. Throws EDBEngineError(IoError) when the file cannot be created or locked.
    static std::unique_ptr<LockFileHandle> acquireShared(const QString& path);
    ~LockFileHandle();
    LockFileHandle(const LockFileHandle&) = delete;
    LockFileHandle& operator=(const LockFileHandle&) = delete;
    const QString& path() const { return m_path; }
    // Deletes the file when no other holder has it locked, for a clean end of the last use: the
    // shared lock is turned into an exclusive one without waiting, and the file is unlinked
    // while it is held. A file that another process holds stays. Returns true when deleted.
    bool removeIfUnshared();

private:
    friend struct LockFileHandleTestAccess;
    LockFileHandle(QString path, int fd);
    // Called by acquireShared after each open of the file and before locking it, so that tests
    // can delete or replace the file inside that window. Always null outside tests.
    static inline void (*s_beforeLockHook)(const QString& path) = nullptr;
    QString m_path;
    int m_fd;
};

// Deletes the lock file `path` only when no live process holds it: takes the exclusive lock
// without waiting and unlinks the file while holding it. Returns true when the file existed
// and was deleted; false when it is held by a live process, does not exist or cannot be
// removed.
bool deleteStaleLockFile(const QString& path);

}  // namespace engine
