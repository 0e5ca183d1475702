#include "OsFileLock.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <limits>

#include "EngineError.h"

namespace engine {

namespace {

// How often acquireShared reopens a lock file that was deleted under it before giving up. A
// deleter only removes a file nobody holds, so one or two retries are normal; a hundred means
// something keeps removing the file and waiting longer would not help.
constexpr int kMaxAcquireAttempts = 100;

// strerror_r comes in a GNU flavour (returns the text) and an XSI flavour (fills the buffer).
[[maybe_unused]] QString errorText(const char* text, const char*) {
    return QString::fromLocal8Bit(text);
}
[[maybe_unused]] QString errorText(int rc, const char* buffer) {
    return rc == 0 ? QString::fromLocal8Bit(buffer) : QStringLiteral("neznámá chyba");
}

QString systemMessage(int err) {
    char buffer[256] = {};
    return errorText(strerror_r(err, buffer, sizeof buffer), buffer);
}

QString nativePath(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// The kernel describes a range as off_t start and length, and rejects ranges whose last byte
// does not fit into off_t. Length 0 would mean "up to the end of the file and beyond", which
// would collide with every named lock placed past the data, so no caller may ask for it.
bool validRange(quint64 offset, quint64 length) {
    constexpr quint64 maxOffset = static_cast<quint64>(std::numeric_limits<off_t>::max());
    return length >= 1 && offset <= maxOffset && length - 1 <= maxOffset - offset;
}

void checkRange(quint64 offset, quint64 length) {
    if (!validRange(offset, length))
        throw EDBEngineError(
            EngineErrorCode::IoError,
            QStringLiteral("Neplatný rozsah zámku souboru (posun %1, délka %2).").arg(offset).arg(length));
}

// Applies an open-file-description lock. Returns 0 or the errno of the failure; interrupted
// calls are repeated, so a signal never turns into a spurious failure.
int setOfdLock(int fd, short type, quint64 offset, quint64 length, bool wait) {
    struct flock fl = {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(offset);
    fl.l_len = static_cast<off_t>(length);
    fl.l_pid = 0;  // required by the kernel for OFD locks
    for (;;) {
        if (::fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) == 0) return 0;
        if (errno != EINTR) return errno;
    }
}

bool isConflict(int err) {
    return err == EAGAIN || err == EACCES;
}

int openRetrying(const char* path, int flags, mode_t mode = 0) {
    for (;;) {
        int fd = ::open(path, flags, mode);
        if (fd >= 0 || errno != EINTR) return fd;
    }
}

enum class FileIdentity { Same, Gone, Error };

// Tells whether the open description `fd` is still the file that `path` names. It is not when
// a deleter unlinked the file (and perhaps another holder created a new one) after `fd` was
// opened. On Error, errno is set.
FileIdentity identity(int fd, const char* path, bool followLinks) {
    struct stat opened = {};
    struct stat onDisk = {};
    if (::fstat(fd, &opened) != 0) return FileIdentity::Error;
    if ((followLinks ? ::stat(path, &onDisk) : ::lstat(path, &onDisk)) != 0)
        return (errno == ENOENT || errno == ENOTDIR) ? FileIdentity::Gone : FileIdentity::Error;
    return (opened.st_dev == onDisk.st_dev && opened.st_ino == onDisk.st_ino) ? FileIdentity::Same : FileIdentity::Gone;
}

}  // namespace

bool OsFileLock::tryLock(int fd, quint64 offset, quint64 length, Mode mode) {
    checkRange(offset, length);
    int err = setOfdLock(fd, mode == Mode::Exclusive ? F_WRLCK : F_RDLCK, offset, length, false);
    if (err == 0) return true;
    if (isConflict(err)) return false;
    throw EDBEngineError(EngineErrorCode::IoError,
                         QStringLiteral("Zámek souboru nelze získat: %1").arg(systemMessage(err)));
}

void OsFileLock::lockWait(int fd, quint64 offset, quint64 length, Mode mode) {
    checkRange(offset, length);
    int err = setOfdLock(fd, mode == Mode::Exclusive ? F_WRLCK : F_RDLCK, offset, length, true);
    if (err != 0)
        throw EDBEngineError(EngineErrorCode::IoError,
                             QStringLiteral("Zámek souboru nelze získat: %1").arg(systemMessage(err)));
}

void OsFileLock::unlock(int fd, quint64 offset, quint64 length) {
    checkRange(offset, length);
    int err = setOfdLock(fd, F_UNLCK, offset, length, false);
    if (err != 0)
        throw EDBEngineError(EngineErrorCode::IoError,
                             QStringLiteral("Zámek souboru nelze uvolnit: %1").arg(systemMessage(err)));
}

bool OsFileLock::heldByOther(int fd, quint64 offset, quint64 length) {
    checkRange(offset, length);
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = off_t(offset);
    fl.l_len = off_t(length);
    fl.l_pid = 0;
    if (::fcntl(fd, F_OFD_GETLK, &fl) != 0) {
        throw EDBEngineError(EngineErrorCode::IoError,
                             QStringLiteral("Zámek souboru nelze zjistit: %1").arg(systemMessage(errno)));
    }
    return fl.l_type != F_UNLCK;
}

LockFileHandle::LockFileHandle(QString path, int fd) : m_path(std::move(path)), m_fd(fd) {}

LockFileHandle::~LockFileHandle() {
    // The descriptor is the only reference to its description (O_CLOEXEC keeps it out of
    // started programs), so closing it releases the lock.
    if (m_fd >= 0) ::close(m_fd);
}

bool LockFileHandle::removeIfUnshared() {
    if (m_fd < 0 || setOfdLock(m_fd, F_WRLCK, 0, 1, false) != 0) return false;
    const QByteArray native = QFile::encodeName(m_path);
    // A process that opened the file but has not locked it yet finds it gone after its lock
    // (acquireShared checks the identity) and starts over with a new file.
    return identity(m_fd, native.constData(), false) == FileIdentity::Same && ::unlink(native.constData()) == 0;
}

std::unique_ptr<LockFileHandle> LockFileHandle::acquireShared(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    for (int attempt = 0; attempt < kMaxAcquireAttempts; ++attempt) {
        int fd = openRetrying(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) {
            // A lock file on a read-only medium or owned by another user may still be held
            // shared; only creating it needs write access.
            const int createError = errno;
            if (createError == EACCES || createError == EROFS || createError == EPERM)
                fd = openRetrying(native.constData(), O_RDONLY | O_CLOEXEC);
            if (fd < 0)
                throw EDBEngineError(EngineErrorCode::IoError,
                                     QStringLiteral("Soubor zámku %1 nelze vytvořit ani otevřít: %2")
                                         .arg(nativePath(path), systemMessage(createError)));
        }

        if (s_beforeLockHook) s_beforeLockHook(path);

        // A deleter holds the exclusive lock only while it unlinks, so waiting is short.
        int err = setOfdLock(fd, F_RDLCK, 0, 1, true);
        if (err != 0) {
            ::close(fd);
            throw EDBEngineError(
                EngineErrorCode::IoError,
                QStringLiteral("Soubor zámku %1 nelze uzamknout: %2").arg(nativePath(path), systemMessage(err)));
        }

        // The file may have been deleted as stale between our open and our lock; a lock on an
        // unlinked file protects nothing, so start over with whatever is on disk now.
        switch (identity(fd, native.constData(), true)) {
            case FileIdentity::Same:
                return std::unique_ptr<LockFileHandle>(new LockFileHandle(path, fd));
            case FileIdentity::Gone:
                ::close(fd);
                continue;
            case FileIdentity::Error: {
                const int statError = errno;
                ::close(fd);
                throw EDBEngineError(
                    EngineErrorCode::IoError,
                    QStringLiteral("Soubor zámku %1 nelze ověřit: %2").arg(nativePath(path), systemMessage(statError)));
            }
        }
    }
    throw EDBEngineError(
        EngineErrorCode::IoError,
        QStringLiteral("Soubor zámku %1 nelze uzamknout: jiný proces jej stále maže.").arg(nativePath(path)));
}

bool deleteStaleLockFile(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    // No O_CREAT: a missing file is simply not stale. O_NOFOLLOW: the lock is taken on the file
    // itself, never on a symlink's target, so a link is left alone.
    int fd = openRetrying(native.constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;

    if (setOfdLock(fd, F_WRLCK, 0, 1, false) != 0) {
        // Refused: a live process holds it. Any other failure: we cannot prove it is stale.
        ::close(fd);
        return false;
    }
    // Holding the exclusive lock keeps holders out; still make sure the path names the file we
    // locked, because it may have been replaced before our lock was in place.
    bool deleted = identity(fd, native.constData(), false) == FileIdentity::Same && ::unlink(native.constData()) == 0;
    ::close(fd);
    return deleted;
}

}  // namespace engine
