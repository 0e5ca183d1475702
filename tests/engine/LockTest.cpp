#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <functional>
#include <limits>
#include <memory>

#include "EngineError.h"
#include "OsFileLock.h"
#include "TempDir.h"

namespace engine {

// Reaches the private parts of LockFileHandle: the descriptor it holds and the window between
// opening the lock file and locking it.
struct LockFileHandleTestAccess {
    static int fd(const LockFileHandle& h) { return h.m_fd; }
    static void setBeforeLockHook(void (*hook)(const QString&)) { LockFileHandle::s_beforeLockHook = hook; }
};

}  // namespace engine

namespace {

using engine::deleteStaleLockFile;
using engine::LockFileHandle;
using engine::LockFileHandleTestAccess;
using engine::OsFileLock;
using Mode = engine::OsFileLock::Mode;

constexpr int kReplyTimeoutMs = 5000;

// Sends one byte over a socket; a peer that has gone is not an error (no SIGPIPE either).
void sendByte(int socket, char c) {
    while (::send(socket, &c, 1, MSG_NOSIGNAL) < 0 && errno == EINTR) {
    }
}

// The next byte from a socket, or '\0' when the peer has gone.
char receiveByte(int socket) {
    char c;
    ssize_t n;
    while ((n = ::recv(socket, &c, 1, 0)) < 0 && errno == EINTR) {
    }
    return n == 1 ? c : '\0';
}

// The child's end of the socket pair.
class ChildChannel {
public:
    explicit ChildChannel(int socket) : m_socket(socket) {}
    void send(char c) { sendByte(m_socket, c); }
    // Waits for the parent's go-ahead; returns also when the parent has gone.
    void waitForParent() { receiveByte(m_socket); }

private:
    int m_socket;
};

// Another process: a forked copy of the test program running `body`, then leaving with _exit so
// that it never returns into the test runner. It closes every inherited descriptor except its
// socket, as a started program would (all engine descriptors are close-on-exec), so the locks it
// holds are only the ones it takes itself.
class ChildProcess {
public:
    explicit ChildProcess(const std::function<void(ChildChannel&)>& body) {
        int sockets[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0) std::abort();
        m_pid = ::fork();
        if (m_pid < 0) std::abort();
        if (m_pid == 0) {
            const int keep = sockets[1];
            const int maxFd = static_cast<int>(::sysconf(_SC_OPEN_MAX));
            for (int fd = 3; fd < maxFd && fd < 4096; ++fd)
                if (fd != keep) ::close(fd);
            ChildChannel io(keep);
            int status = 0;
            try {
                body(io);
            } catch (...) {
                io.send('E');
                status = 3;
            }
            ::_exit(status);
        }
        ::close(sockets[1]);
        m_socket = sockets[0];
    }

    ~ChildProcess() {
        kill();
        ::close(m_socket);
    }

    // The next byte the child sent, or '\0' when it exited or did not answer in time.
    char receive() { return quietFor(kReplyTimeoutMs) ? '\0' : receiveByte(m_socket); }

    // True when the child sends nothing for `ms` milliseconds (used only to check that the child
    // is blocked; never to wait for something to happen).
    bool quietFor(int ms) {
        pollfd p{m_socket, POLLIN, 0};
        int rc;
        while ((rc = ::poll(&p, 1, ms)) < 0 && errno == EINTR) {
        }
        return rc == 0;
    }

    void release() { sendByte(m_socket, 'g'); }

    // Waits for the child to leave; returns its exit status (-1 when killed by a signal).
    int join() {
        if (m_pid <= 0) return -1;
        int status = reap();
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // Ends the child as a crash would: without running any of its clean-up.
    void kill() {
        if (m_pid <= 0) return;  // never kill(-1) or kill(0)
        ::kill(m_pid, SIGKILL);
        reap();
    }

private:
    int reap() {
        int status = 0;
        while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
        m_pid = -1;
        return status;
    }

    pid_t m_pid = -1;
    int m_socket = -1;
};

// An own open file description of a file.
class Fd {
public:
    explicit Fd(const QString& path, int flags = O_RDWR | O_CREAT)
        : m_fd(::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC, 0666)) {}
    ~Fd() {
        if (m_fd >= 0) ::close(m_fd);
    }
    int get() const { return m_fd; }

private:
    int m_fd;
};

// A child that holds the lock file `path` until released.
std::unique_ptr<ChildProcess> spawnHolder(const QString& path) {
    return std::make_unique<ChildProcess>([path](ChildChannel& io) {
        auto handle = LockFileHandle::acquireShared(path);
        io.send('L');
        io.waitForParent();
    });
}

// Runs deleteStaleLockFile in another process: 'T' deleted, 'F' refused.
char deleteFromOtherProcess(const QString& path) {
    ChildProcess deleter([path](ChildChannel& io) { io.send(deleteStaleLockFile(path) ? 'T' : 'F'); });
    char answer = deleter.receive();
    deleter.join();
    return answer;
}

bool sameFileOnDisk(int fd, const QString& path) {
    struct stat opened = {};
    struct stat onDisk = {};
    return ::fstat(fd, &opened) == 0 && ::stat(QFile::encodeName(path).constData(), &onDisk) == 0 &&
           opened.st_dev == onDisk.st_dev && opened.st_ino == onDisk.st_ino;
}

template <typename F>
int engineErrorCode(F&& f) {
    try {
        f();
    } catch (const EDBEngineError& e) {
        return e.errorCode();
    }
    return 0;
}

// ---- OsFileLock -------------------------------------------------------------------------------

TEST(OsFileLockTest, DescriptionsInOneProcessConflict) {
    TempDir dir;
    const QString path = dir.file("table.db");
    Fd a(path), b(path), c(path);
    ASSERT_GE(a.get(), 0);

    // Shared locks coexist, an exclusive one is refused while any shared one remains.
    EXPECT_TRUE(OsFileLock::tryLock(a.get(), 100, 10, Mode::Shared));
    EXPECT_TRUE(OsFileLock::tryLock(b.get(), 100, 10, Mode::Shared));
    EXPECT_FALSE(OsFileLock::tryLock(c.get(), 109, 5, Mode::Exclusive));  // overlaps by one byte
    EXPECT_TRUE(OsFileLock::tryLock(c.get(), 110, 5, Mode::Exclusive));   // just past it
    OsFileLock::unlock(a.get(), 100, 10);
    EXPECT_FALSE(OsFileLock::tryLock(c.get(), 100, 10, Mode::Exclusive));
    OsFileLock::unlock(b.get(), 100, 10);
    EXPECT_TRUE(OsFileLock::tryLock(c.get(), 100, 10, Mode::Exclusive));

    // Exclusive refuses both kinds; a description does not conflict with itself.
    EXPECT_FALSE(OsFileLock::tryLock(a.get(), 105, 1, Mode::Shared));
    EXPECT_FALSE(OsFileLock::tryLock(b.get(), 105, 1, Mode::Exclusive));
    EXPECT_TRUE(OsFileLock::tryLock(c.get(), 105, 1, Mode::Exclusive));

    // Closing another descriptor of the same file (a classic-lock pitfall) keeps the lock.
    { Fd other(path); }
    EXPECT_FALSE(OsFileLock::tryLock(a.get(), 105, 1, Mode::Shared));
}

TEST(OsFileLockTest, NamedLocksFarBeyondEndOfFile) {
    TempDir dir;
    const QString path = dir.file("table.db");
    Fd a(path), b(path);
    const quint64 far = quint64(1) << 40;

    EXPECT_TRUE(OsFileLock::tryLock(a.get(), far, 1, Mode::Exclusive));
    EXPECT_FALSE(OsFileLock::tryLock(b.get(), far, 1, Mode::Shared));
    EXPECT_TRUE(OsFileLock::tryLock(b.get(), far + 1, 1, Mode::Exclusive));
    EXPECT_TRUE(OsFileLock::tryLock(b.get(), far - 1, 1, Mode::Exclusive));
    // The last representable byte is a valid name too.
    const quint64 last = quint64(std::numeric_limits<off_t>::max());
    EXPECT_TRUE(OsFileLock::tryLock(a.get(), last, 1, Mode::Exclusive));
    EXPECT_FALSE(OsFileLock::tryLock(b.get(), last, 1, Mode::Exclusive));
    EXPECT_EQ(0, QFileInfo(path).size());  // locking does not grow the file

    OsFileLock::unlock(a.get(), far, 1);
    EXPECT_TRUE(OsFileLock::tryLock(b.get(), far, 1, Mode::Exclusive));
}

TEST(OsFileLockTest, FailuresAreErrorsNotConflicts) {
    TempDir dir;
    const QString path = dir.file("table.db");
    Fd rw(path);
    Fd readOnly(path, O_RDONLY);
    constexpr int IoError = EngineErrorCode::IoError;

    EXPECT_EQ(IoError, engineErrorCode([] { OsFileLock::tryLock(-1, 0, 1, Mode::Shared); }));
    EXPECT_EQ(IoError, engineErrorCode([] { OsFileLock::lockWait(-1, 0, 1, Mode::Shared); }));
    EXPECT_EQ(IoError, engineErrorCode([] { OsFileLock::unlock(-1, 0, 1); }));
    // An exclusive lock needs a description open for writing.
    EXPECT_EQ(IoError, engineErrorCode([&] { OsFileLock::tryLock(readOnly.get(), 0, 1, Mode::Exclusive); }));

    // Length 0 would silently lock everything from the offset on; ranges past off_t are refused.
    const quint64 last = quint64(std::numeric_limits<off_t>::max());
    EXPECT_EQ(IoError, engineErrorCode([&] { OsFileLock::tryLock(rw.get(), 10, 0, Mode::Exclusive); }));
    EXPECT_EQ(IoError, engineErrorCode([&] { OsFileLock::tryLock(rw.get(), last, 2, Mode::Exclusive); }));
    EXPECT_EQ(IoError, engineErrorCode([&] { OsFileLock::tryLock(rw.get(), last + 1, 1, Mode::Exclusive); }));
    EXPECT_EQ(IoError, engineErrorCode([&] { OsFileLock::unlock(rw.get(), ~quint64(0), ~quint64(0)); }));
    // None of the refused calls left a lock behind.
    Fd other(path);
    EXPECT_TRUE(OsFileLock::tryLock(other.get(), 0, last, Mode::Exclusive));
}

TEST(OsFileLockTest, ConflictsBetweenProcesses) {
    TempDir dir;
    const QString path = dir.file("table.db");
    const quint64 name = quint64(1) << 30;

    ChildProcess writer([&](ChildChannel& io) {
        Fd fd(path);
        io.send(OsFileLock::tryLock(fd.get(), name, 4, Mode::Exclusive) ? 'L' : 'F');
        io.waitForParent();
        OsFileLock::unlock(fd.get(), name, 4);
        io.send('U');
        io.waitForParent();
    });
    ASSERT_EQ('L', writer.receive());
    Fd mine(path);
    EXPECT_FALSE(OsFileLock::tryLock(mine.get(), name + 3, 1, Mode::Shared));
    EXPECT_TRUE(OsFileLock::tryLock(mine.get(), name + 4, 1, Mode::Exclusive));
    writer.release();
    ASSERT_EQ('U', writer.receive());
    EXPECT_TRUE(OsFileLock::tryLock(mine.get(), name, 4, Mode::Shared));
    writer.release();
    EXPECT_EQ(0, writer.join());

    // A shared holder in another process admits readers and refuses writers.
    ChildProcess reader([&](ChildChannel& io) {
        Fd fd(path);
        io.send(OsFileLock::tryLock(fd.get(), 0, 1, Mode::Shared) ? 'L' : 'F');
        io.waitForParent();
    });
    ASSERT_EQ('L', reader.receive());
    Fd second(path);
    EXPECT_TRUE(OsFileLock::tryLock(mine.get(), 0, 1, Mode::Shared));
    EXPECT_FALSE(OsFileLock::tryLock(second.get(), 0, 1, Mode::Exclusive));
    reader.kill();  // a crashed holder's locks go with its descriptors
    OsFileLock::unlock(mine.get(), 0, 1);
    EXPECT_TRUE(OsFileLock::tryLock(second.get(), 0, 1, Mode::Exclusive));
}

TEST(OsFileLockTest, LockWaitBlocksUntilReleased) {
    TempDir dir;
    const QString path = dir.file("table.db");
    Fd mine(path);
    ASSERT_TRUE(OsFileLock::tryLock(mine.get(), 7, 1, Mode::Exclusive));

    ChildProcess waiter([&](ChildChannel& io) {
        Fd fd(path);
        io.send('W');
        OsFileLock::lockWait(fd.get(), 7, 1, Mode::Shared);
        io.send('L');
        io.waitForParent();
    });
    ASSERT_EQ('W', waiter.receive());
    EXPECT_TRUE(waiter.quietFor(50));  // still blocked behind our exclusive lock
    OsFileLock::unlock(mine.get(), 7, 1);
    ASSERT_EQ('L', waiter.receive());
    EXPECT_FALSE(OsFileLock::tryLock(mine.get(), 7, 1, Mode::Exclusive));
    waiter.release();
    EXPECT_EQ(0, waiter.join());
    EXPECT_TRUE(OsFileLock::tryLock(mine.get(), 7, 1, Mode::Exclusive));
}

// ---- Lock files --------------------------------------------------------------------------------

TEST(LockFileTest, HoldersShareTheFileAndKeepItFromDeletion) {
    TempDir dir;
    const QString path = dir.file("Pdoxusrs.lck");

    // Two handles inside one process.
    auto first = LockFileHandle::acquireShared(path);
    auto second = LockFileHandle::acquireShared(path);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(path, first->path());
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_FALSE(deleteStaleLockFile(path));  // our own handles count as live holders
    EXPECT_EQ('F', deleteFromOtherProcess(path));
    first.reset();
    EXPECT_EQ('F', deleteFromOtherProcess(path));  // the second handle still holds it
    second.reset();
    EXPECT_TRUE(deleteStaleLockFile(path));
    EXPECT_FALSE(QFile::exists(path));

    // Holders in two other processes and this one.
    auto childA = spawnHolder(path);
    auto childB = spawnHolder(path);
    ASSERT_EQ('L', childA->receive());
    ASSERT_EQ('L', childB->receive());
    auto mine = LockFileHandle::acquireShared(path);
    EXPECT_FALSE(deleteStaleLockFile(path));
    childA->release();
    EXPECT_EQ(0, childA->join());
    mine.reset();
    EXPECT_FALSE(deleteStaleLockFile(path));  // B is still alive
    EXPECT_TRUE(QFile::exists(path));
    childB->release();
    EXPECT_EQ(0, childB->join());
    EXPECT_TRUE(deleteStaleLockFile(path));
}

TEST(LockFileTest, CrashedHolderLeavesAStaleFile) {
    TempDir dir;
    const QString path = dir.file("Paradox.lck");
    auto holder = spawnHolder(path);
    ASSERT_EQ('L', holder->receive());

    EXPECT_FALSE(deleteStaleLockFile(path));
    EXPECT_TRUE(QFile::exists(path));
    holder->kill();
    EXPECT_TRUE(QFile::exists(path));        // nobody cleaned up...
    EXPECT_TRUE(deleteStaleLockFile(path));  // ...but the file is stale at once
    EXPECT_FALSE(QFile::exists(path));
}

TEST(LockFileTest, DeletionAndCreationEdgeCases) {
    TempDir dir;
    const QString missing = dir.file("missing.lck");
    EXPECT_FALSE(deleteStaleLockFile(missing));
    EXPECT_FALSE(QFile::exists(missing));  // looking does not create it

    // A symlink is not a lock file we locked: it and its target stay.
    const QString target = dir.file("target.lck");
    const QString link = dir.file("link.lck");
    { Fd create(target); }
    ASSERT_EQ(0, ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()));
    EXPECT_FALSE(deleteStaleLockFile(link));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_TRUE(QFile::exists(target));

    // A lock file that cannot be created is an error naming the file, not a null handle.
    const QString unreachable = dir.file("no-such-dir/Pdoxusrs.lck");
    try {
        LockFileHandle::acquireShared(unreachable);
        ADD_FAILURE() << "acquireShared succeeded without a directory";
    } catch (const EDBEngineError& e) {
        EXPECT_EQ(EngineErrorCode::IoError, e.errorCode());
        EXPECT_TRUE(e.message().contains("Pdoxusrs.lck")) << e.message().toStdString();
    }

    // A lock file without write permission can still be held (read-only media, other owners).
    const QString readOnly = dir.file("ro.lck");
    { Fd create(readOnly); }
    ASSERT_EQ(0, ::chmod(QFile::encodeName(readOnly).constData(), 0444));
    auto handle = LockFileHandle::acquireShared(readOnly);
    ASSERT_TRUE(handle);
    EXPECT_EQ('F', deleteFromOtherProcess(readOnly));
}

// State for the hooks below, which run inside acquireShared between its open and its lock.
struct RaceState {
    QString path;
    int calls = 0;
    char deletion = '\0';
    std::unique_ptr<ChildProcess> newHolder;
};
RaceState* g_race = nullptr;

class LockFileRaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_state.path = m_dir.file("Pdoxusrs.lck");
        g_race = &m_state;
    }
    void TearDown() override {
        LockFileHandleTestAccess::setBeforeLockHook(nullptr);
        g_race = nullptr;
    }
    TempDir m_dir;
    RaceState m_state;
};

TEST_F(LockFileRaceTest, FileDeletedBeforeLockIsRecreated) {
    // Another process finds the file unlocked (we opened it but have no lock yet) and deletes it
    // as stale; our lock then lands on an unlinked file, which must not be the end of it.
    LockFileHandleTestAccess::setBeforeLockHook([](const QString& path) {
        if (g_race->calls++ == 0) g_race->deletion = deleteFromOtherProcess(path);
    });
    auto handle = LockFileHandle::acquireShared(m_state.path);
    LockFileHandleTestAccess::setBeforeLockHook(nullptr);

    ASSERT_EQ('T', m_state.deletion);
    EXPECT_EQ(2, m_state.calls);
    ASSERT_TRUE(handle);
    EXPECT_TRUE(sameFileOnDisk(LockFileHandleTestAccess::fd(*handle), m_state.path));
    EXPECT_EQ('F', deleteFromOtherProcess(m_state.path));
    EXPECT_TRUE(QFile::exists(m_state.path));
}

TEST_F(LockFileRaceTest, FileReplacedBeforeLockIsFollowed) {
    // As above, but a third process creates and holds a new file before we lock: we must end up
    // sharing the new file, not holding the orphaned old one.
    LockFileHandleTestAccess::setBeforeLockHook([](const QString& path) {
        if (g_race->calls++ != 0) return;
        g_race->deletion = deleteFromOtherProcess(path);
        g_race->newHolder = spawnHolder(path);
        if (g_race->newHolder->receive() != 'L') g_race->deletion = 'X';
    });
    auto handle = LockFileHandle::acquireShared(m_state.path);
    LockFileHandleTestAccess::setBeforeLockHook(nullptr);

    ASSERT_EQ('T', m_state.deletion);
    ASSERT_TRUE(handle);
    EXPECT_TRUE(sameFileOnDisk(LockFileHandleTestAccess::fd(*handle), m_state.path));
    // Once the other holder leaves, our lock alone keeps the file.
    m_state.newHolder->release();
    EXPECT_EQ(0, m_state.newHolder->join());
    EXPECT_EQ('F', deleteFromOtherProcess(m_state.path));
    handle.reset();
    EXPECT_EQ('T', deleteFromOtherProcess(m_state.path));
}

TEST_F(LockFileRaceTest, EndlessDeletionGivesUpWithAnError) {
    LockFileHandleTestAccess::setBeforeLockHook([](const QString& path) {
        ++g_race->calls;
        deleteStaleLockFile(path);
    });
    EXPECT_EQ(EngineErrorCode::IoError, engineErrorCode([&] { LockFileHandle::acquireShared(m_state.path); }));
    EXPECT_GT(m_state.calls, 1);
    // Nothing stays locked: the next deleter and holder proceed normally.
    LockFileHandleTestAccess::setBeforeLockHook(nullptr);
    auto handle = LockFileHandle::acquireShared(m_state.path);
    ASSERT_TRUE(handle);
    EXPECT_TRUE(sameFileOnDisk(LockFileHandleTestAccess::fd(*handle), m_state.path));
}

}  // namespace
