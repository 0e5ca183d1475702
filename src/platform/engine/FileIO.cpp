#include "FileIO.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace engine {
namespace {

QString systemError() { return QString::fromLocal8Bit(std::strerror(errno)); }

class PosixFile : public FileHandle {
public:
    explicit PosixFile(int fd) : m_fd(fd) {}
    ~PosixFile() override { ::close(m_fd); }
    int fd() const override { return m_fd; }

    qint64 readAt(qint64 offset, char* data, qint64 size) override {
        qint64 done = 0;
        while (done < size) {
            const ssize_t n = ::pread(m_fd, data + done, size_t(size - done), off_t(offset + done));
            if (n < 0) {
                if (errno == EINTR) continue;
                m_error = systemError();
                return -1;
            }
            if (n == 0) break;
            done += n;
        }
        return done;
    }

    bool writeAt(qint64 offset, const char* data, qint64 size) override {
        qint64 done = 0;
        while (done < size) {
            const ssize_t n = ::pwrite(m_fd, data + done, size_t(size - done), off_t(offset + done));
            if (n < 0) {
                if (errno == EINTR) continue;
                m_error = systemError();
                return false;
            }
            done += n;
        }
        return true;
    }

    bool sync() override {
        if (::fdatasync(m_fd) == 0) return true;
        m_error = systemError();
        return false;
    }

    bool truncate(qint64 size) override {
        if (::ftruncate(m_fd, off_t(size)) == 0) return true;
        m_error = systemError();
        return false;
    }

    qint64 size() override {
        struct stat st;
        if (::fstat(m_fd, &st) == 0) return st.st_size;
        m_error = systemError();
        return -1;
    }

    QString errorString() const override { return m_error; }

private:
    int m_fd;
    QString m_error;
};

FileSystem* g_current = nullptr;

}  // namespace

std::unique_ptr<FileHandle> PosixFileSystem::open(const QString& path, OpenMode mode, QString* error) {
    int flags = O_CLOEXEC;
    switch (mode) {
        case OpenMode::ReadOnly: flags |= O_RDONLY; break;
        case OpenMode::ReadWrite: flags |= O_RDWR; break;
        case OpenMode::CreateNew: flags |= O_RDWR | O_CREAT | O_EXCL; break;
        case OpenMode::CreateTruncate: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    }
    int fd;
    do {
        fd = ::open(QFile::encodeName(path).constData(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (error) *error = systemError();
        return nullptr;
    }
    return std::make_unique<PosixFile>(fd);
}

bool PosixFileSystem::rename(const QString& from, const QString& to, QString* error) {
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0) return true;
    if (error) *error = systemError();
    return false;
}

bool PosixFileSystem::remove(const QString& path) { return ::unlink(QFile::encodeName(path).constData()) == 0; }

bool PosixFileSystem::syncDirectory(const QString& dir) {
    const int fd = ::open(QFile::encodeName(dir.isEmpty() ? QStringLiteral(".") : dir).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

FileSystem& FileSystem::current() {
    static PosixFileSystem real;
    return g_current ? *g_current : real;
}

void FileSystem::setCurrent(FileSystem* fs) { g_current = fs; }

}  // namespace engine
