#pragma once

#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QByteArray>
#include <cstdlib>
#include <exception>
#include <functional>
#include <stdexcept>

#include "EngineError.h"

// Other programs on the same data directory, for tests: a forked copy of the test program runs
// a body and talks to the test over a socket pair in short text messages, one per line.
//
// Rules for bodies: create every engine object (session, database, tables) inside the body, and
// have no table open in the test process when a child is started, because a forked child shares
// the parent's open file descriptions and so the byte-range locks on them. A body reports what
// it saw in messages; test assertions inside a child would never reach the test's result.
namespace testsupport {

// How long either side waits for a message before giving up. Generous, because other builds
// may be running on the machine; a test that works never gets near it.
inline constexpr int kMessageTimeoutMs = 30000;

// One end of the socket pair. Messages are text without newlines.
class MessageChannel {
public:
    explicit MessageChannel(int socket = -1) : m_socket(socket) {}

    void send(const QByteArray& message) {
        QByteArray line = message;
        line.replace('\n', ' ');
        line.append('\n');
        const char* p = line.constData();
        qsizetype left = line.size();
        while (left > 0) {
            const ssize_t n = ::send(m_socket, p, size_t(left), MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return;  // the peer has gone; it will notice by itself
            p += n;
            left -= n;
        }
    }

    // The next message; "<gone>" when the peer closed its end (exited or was killed) and
    // "<timeout>" when nothing complete arrived in time.
    QByteArray receive(int timeoutMs = kMessageTimeoutMs) {
        const qint64 deadline = nowMs() + timeoutMs;
        for (;;) {
            const qsizetype nl = m_buffer.indexOf('\n');
            if (nl >= 0) {
                const QByteArray message = m_buffer.left(nl);
                m_buffer.remove(0, nl + 1);
                return message;
            }
            const qint64 left = deadline - nowMs();
            if (left <= 0 || !readable(int(left))) return QByteArrayLiteral("<timeout>");
            char chunk[512];
            ssize_t n;
            while ((n = ::recv(m_socket, chunk, sizeof chunk, 0)) < 0 && errno == EINTR) {
            }
            if (n <= 0) return QByteArrayLiteral("<gone>");
            m_buffer.append(chunk, n);
        }
    }

    // Receives the next message and throws unless it is `expected`; used by child bodies to wait
    // for the test's go-ahead, so that a confused or vanished test ends the child.
    void waitFor(const QByteArray& expected) {
        const QByteArray got = receive();
        if (got != expected) {
            throw std::runtime_error(QByteArray("expected '" + expected + "', got '" + got + "'").toStdString());
        }
    }

    // True when a complete message is waiting or arrives within `ms` milliseconds.
    bool hasMessage(int ms = 0) {
        if (m_buffer.contains('\n')) return true;
        if (!readable(ms)) return false;
        char chunk[512];
        ssize_t n;
        while ((n = ::recv(m_socket, chunk, sizeof chunk, MSG_DONTWAIT)) < 0 && errno == EINTR) {
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return false;
        if (n <= 0) return true;  // end of stream: receive() answers "<gone>" at once
        m_buffer.append(chunk, n);
        return m_buffer.contains('\n') || hasMessage(0);
    }

    int socket() const { return m_socket; }

private:
    static qint64 nowMs() {
        timespec ts{};
        ::clock_gettime(CLOCK_MONOTONIC, &ts);
        return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
    }

    bool readable(int ms) {
        pollfd p{m_socket, POLLIN, 0};
        int rc;
        while ((rc = ::poll(&p, 1, ms)) < 0 && errno == EINTR) {
        }
        return rc > 0;
    }

    int m_socket;
    QByteArray m_buffer;
};

// A forked copy of the test program running `body`, ending with _exit so that it never returns
// into the test runner. When the body throws, the child sends "exception <message>" (with the
// engine error code for EDBEngineError) and exits with status 3.
class ChildProcess {
public:
    using Body = std::function<void(MessageChannel&)>;

    explicit ChildProcess(const Body& body) {
        int sockets[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0) std::abort();
        m_pid = ::fork();
        if (m_pid < 0) std::abort();
        if (m_pid == 0) runChild(body, sockets[1]);
        ::close(sockets[1]);
        m_channel = MessageChannel(sockets[0]);
    }

    ~ChildProcess() {
        kill();
        ::close(m_channel.socket());
    }

    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void send(const QByteArray& message) { m_channel.send(message); }
    QByteArray receive(int timeoutMs = kMessageTimeoutMs) { return m_channel.receive(timeoutMs); }
    bool hasMessage(int ms = 0) { return m_channel.hasMessage(ms); }

    // Waits for the child to leave; its exit status, -1 when a signal ended it.
    int join() {
        if (m_pid <= 0) return -1;
        const int status = reap();
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // Ends the child as a crash would: none of its clean-up runs, the kernel drops its locks.
    void kill() {
        if (m_pid <= 0) return;  // never kill(-1) or kill(0)
        ::kill(m_pid, SIGKILL);
        reap();
    }

private:
    [[noreturn]] static void runChild(const Body& body, int socket) {
        closeInheritedFiles(socket);
        MessageChannel channel(socket);
        int status = 0;
        try {
            body(channel);
        } catch (const EDBEngineError& e) {
            channel.send("exception " + QByteArray::number(e.errorCode()) + " " + e.message().toUtf8());
            status = 3;
        } catch (const EDatabaseError& e) {
            channel.send("exception " + e.message().toUtf8());
            status = 3;
        } catch (const std::exception& e) {
            channel.send(QByteArray("exception ") + e.what());
            status = 3;
        } catch (...) {
            channel.send("exception");
            status = 3;
        }
        ::_exit(status);
    }

    // Drops the child's copies of the parent's regular files (which could carry the parent's
    // locks) and sockets (the parent's ends of earlier children's channels, which would keep
    // those children from noticing that the test has gone). Event descriptors and pipes of the
    // Qt runtime stay: closing them would let a later file reuse their numbers.
    static void closeInheritedFiles(int keep) {
        const long maxFd = ::sysconf(_SC_OPEN_MAX);
        for (int fd = 3; fd < maxFd && fd < 4096; ++fd) {
            if (fd == keep) continue;
            struct stat st {};
            if (::fstat(fd, &st) != 0) continue;
            if (S_ISREG(st.st_mode) || S_ISSOCK(st.st_mode)) ::close(fd);
        }
    }

    int reap() {
        int status = 0;
        while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
        m_pid = -1;
        return status;
    }

    pid_t m_pid = -1;
    MessageChannel m_channel;
};

}  // namespace testsupport
