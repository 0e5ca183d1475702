#pragma once

#include <QString>
#include <QStringView>
#include <QTextStream>
#include <chrono>
#include <cstdio>
#include <ctime>

namespace bench {

// The measured operations, in the order they run and are reported.
inline constexpr const char* kOperations[] = {"open",       "traverse",        "switch_order",      "nearest",
                                              "locate_evc", "extended_update", "distinct_locality", "post",
                                              "regenerate",  "bulk_insert"};

// Repetitions of the short operations.
inline constexpr int kSwitches = 100;
inline constexpr int kNearestSearches = 1000;
inline constexpr int kLocates = 1000;
inline constexpr int kPosts = 100;

// Wall-clock time and the CPU time of this process since the last restart. The CPU time tells
// how much of a slow figure was the machine's other load (it does not count waiting for the
// disk, which the durable post does).
class Stopwatch {
public:
    Stopwatch() { restart(); }
    void restart() {
        m_start = std::chrono::steady_clock::now();
        m_cpuStart = cpuNow();
    }
    double ms() const {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - m_start).count();
    }
    double cpuMs() const { return cpuNow() - m_cpuStart; }

private:
    static double cpuNow() {
        timespec ts{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
        return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
    }
    std::chrono::steady_clock::time_point m_start;
    double m_cpuStart = 0;
};

// Sum of several timed laps.
struct Laps {
    void add(const Stopwatch& sw) {
        wall += sw.ms();
        cpu += sw.cpuMs();
    }
    double wall = 0;
    double cpu = 0;
};

// FNV-1a over what an operation saw, so that the two engines' results can be compared
// without printing them.
class Hash {
public:
    void add(quint64 v) {
        for (int i = 0; i < 8; ++i) byte(quint8(v >> (8 * i)));
    }
    void add(QStringView s) {
        for (QChar c : s) {
            byte(quint8(c.unicode()));
            byte(quint8(c.unicode() >> 8));
        }
        byte(0xFF);  // separator, so that "ab","c" and "a","bc" differ
    }
    QString hex() const { return QString::number(m_h, 16); }

private:
    void byte(quint8 b) {
        m_h ^= b;
        m_h *= 1099511628211ull;
    }
    quint64 m_h = 1469598103934665603ull;
};

// The lines a measuring child process writes for the parent:
//   result <operation> <wall milliseconds> <CPU milliseconds>
//   check <operation> <what it saw>      (must be the same for both engines)
//   info <key> <text>                    (passed through to the report)
//   memory <ru_maxrss KiB> <VmHWM KiB>
inline void emitLine(const QString& kind, const QString& key, const QString& value) {
    const QByteArray line = (kind + u' ' + key + u' ' + value + u'\n').toUtf8();
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fflush(stdout);
}
inline void emitResult(const char* op, double wallMs, double cpuMs) {
    emitLine(QStringLiteral("result"), QString::fromLatin1(op),
             QString::number(wallMs, 'f', 4) + u' ' + QString::number(cpuMs, 'f', 4));
}
// The time since `sw` was restarted, divided among `per` repetitions.
inline void emitResult(const char* op, const Stopwatch& sw, int per = 1) {
    emitResult(op, sw.ms() / per, sw.cpuMs() / per);
}
inline void emitCheck(const char* op, const QString& what) {
    emitLine(QStringLiteral("check"), QString::fromLatin1(op), what);
}
inline void emitInfo(const QString& key, const QString& text) {
    emitLine(QStringLiteral("info"), key, text);
}
// Peak resident memory of this process so far.
void emitMemory();
// The process's resident memory now and its peak so far, in KiB (-1 when unknown).
qint64 rssKib();
qint64 peakKib();

// Called before each measured operation (outside the timing): reports the memory so far and
// calls operationMark, which does nothing but gives a profiler a place to cut its profile
// (valgrind --tool=callgrind --dump-before='bench::operationMark*').
void operationStarts(const char* op);
void operationMark(const char* op);

// Progress of long data builds, on standard error.
void progress(const QString& text);

}  // namespace bench
