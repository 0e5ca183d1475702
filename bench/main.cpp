// lamelin-bench: our table engine against SQLite on the same cards and operations.
//
//   lamelin-bench run --data <dir> [--sizes 10000,100000,1000000] [--rounds 3] [--durable-build]
//
// builds (once, cached under <dir>/<size>/) the card table in both engines, copies it to a work
// directory and measures each engine at each size in its own child process, so that every
// measurement starts from fresh process state and the peak memory belongs to one engine.
// --durable-build makes every Post of the data build wait for the disk (slow; the data are
// the same). The children are this program again:
//
//   lamelin-bench build-ours|build-sqlite|ops-ours|ops-sqlite <cards> <dir> [--durable]

#include <sys/resource.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>

#include "BenchSupport.h"
#include "CardGenerator.h"
#include "EngineError.h"
#include "Sides.h"

namespace bench {

namespace {
// A "Vm...:" line of /proc/self/status in KiB, -1 when unknown.
qint64 statusKib(const char* key) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key)) return line.mid(qsizetype(strlen(key))).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}
}  // namespace

qint64 rssKib() { return statusKib("VmRSS:"); }
qint64 peakKib() { return statusKib("VmHWM:"); }

void emitMemory() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    emitLine(QStringLiteral("memory"), QString::number(usage.ru_maxrss), QString::number(statusKib("VmHWM:")));
}

void operationStarts(const char* op) {
    // The memory each operation left behind and the peak so far, for finding what sets the peak.
    emitInfo(QStringLiteral("memory_before_%1").arg(QString::fromLatin1(op)),
             QStringLiteral("rss_mib=%1 peak_mib=%2")
                 .arg(statusKib("VmRSS:") / 1024.0, 0, 'f', 1)
                 .arg(statusKib("VmHWM:") / 1024.0, 0, 'f', 1));
    operationMark(op);
}

__attribute__((noinline)) void operationMark(const char* op) {
    asm volatile("" : : "r"(op) : "memory");
}

void progress(const QString& text) {
    const QByteArray line = (text + u'\n').toUtf8();
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

namespace {

// Bump when the generated cards or the table set-up change: cached data of another version is
// built again.
constexpr int kDataVersion = 1;

void out(const QString& line) {
    const QByteArray bytes = (line + u'\n').toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

struct ChildResult {
    QMap<QString, double> ms;   // wall clock
    QMap<QString, double> cpu;  // CPU time of the process
    QMap<QString, QString> checks;
    QStringList infos;
    qint64 maxRssKib = -1;
    qint64 hwmKib = -1;
};

// Runs this program with `args`; its standard error (progress) goes straight through.
ChildResult runChild(const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QCoreApplication::applicationFilePath(), args);
    if (!p.waitForStarted()) throw std::runtime_error("cannot start the measuring process");
    p.waitForFinished(-1);
    const QString output = QString::fromUtf8(p.readAllStandardOutput());
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        throw std::runtime_error(
            QStringLiteral("%1 failed (exit %2)\n%3").arg(args.join(u' ')).arg(p.exitCode()).arg(output).toStdString());
    }
    ChildResult r;
    for (const QString& line : output.split(u'\n', Qt::SkipEmptyParts)) {
        const QString kind = line.section(u' ', 0, 0);
        const QString key = line.section(u' ', 1, 1);
        const QString value = line.section(u' ', 2);
        if (kind == QLatin1String("result")) {
            r.ms[key] = value.section(u' ', 0, 0).toDouble();
            r.cpu[key] = value.section(u' ', 1, 1).toDouble();
        } else if (kind == QLatin1String("check")) {
            r.checks[key] = value;
        } else if (kind == QLatin1String("info")) {
            r.infos << key + u' ' + value;
        } else if (kind == QLatin1String("memory")) {
            r.maxRssKib = key.toLongLong();
            r.hwmKib = value.toLongLong();
        }
    }
    return r;
}

QString markerPath(const QString& base, const QString& engine) {
    return QDir(base).filePath(engine + QStringLiteral(".complete"));
}

// This build of the program: the engine code may have changed since the cached data were made.
QByteArray programIdentity() {
    const QFileInfo fi(QCoreApplication::applicationFilePath());
    return QByteArray::number(fi.size()) + '-' + QByteArray::number(fi.lastModified().toMSecsSinceEpoch());
}

// The marker: the data version on its first line, the program that last opened the data on
// its second.
QList<QByteArray> readMarker(const QString& base, const QString& engine) {
    QFile f(markerPath(base, engine));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll().trimmed().split('\n');
}

void writeMarker(const QString& base, const QString& engine) {
    QFile marker(markerPath(base, engine));
    if (!marker.open(QIODevice::WriteOnly) ||
        marker.write(QByteArray::number(kDataVersion) + '\n' + programIdentity() + '\n') < 0) {
        throw std::runtime_error("cannot write the cache marker");
    }
}

// Builds the cached table of `engine` for `cards` unless it is there already. The marker is
// written last, so an interrupted build is started over.
//
// Cached data made by another build of the program get opened and closed once first: an
// engine whose index files changed meaning rebuilds them on that open and writes them back,
// and the measured opens must not pay for that (it is a one-time repair, not an open).
void ensureBuilt(const QString& base, const QString& engine, int cards, bool durable) {
    const QList<QByteArray> marker = readMarker(base, engine);
    const QString dir = QDir(base).filePath(engine);
    if (!marker.isEmpty() && marker.first() == QByteArray::number(kDataVersion)) {
        if (marker.value(1) == programIdentity() || engine != QLatin1String("ours")) return;
        try {
            out(QStringLiteral("info bringing the cached %1 cards=%2 up to date with this build")
                    .arg(engine)
                    .arg(cards));
            runChild({QStringLiteral("open-ours"), QString::number(cards), dir});
            writeMarker(base, engine);
            return;
        } catch (const std::exception& e) {
            out(QStringLiteral("info the cached data do not open (%1); building them again")
                    .arg(QString::fromUtf8(e.what()).simplified()));
        }
    }
    QFile::remove(markerPath(base, engine));
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    out(QStringLiteral("info building %1 cards=%2 (cached in %3)").arg(engine).arg(cards).arg(dir));
    QStringList args{QStringLiteral("build-") + engine, QString::number(cards), dir};
    if (durable) args << QStringLiteral("--durable");
    const ChildResult r = runChild(args);
    for (const QString& i : r.infos) out(QStringLiteral("info ") + i);
    writeMarker(base, engine);
}

// A fresh copy of the cached table to measure on (the operations change it).
QString workCopy(const QString& base, const QString& engine) {
    const QString from = QDir(base).filePath(engine);
    const QString to = QDir(base).filePath(QStringLiteral("work-") + engine);
    QDir(to).removeRecursively();
    QDir().mkpath(to);
    for (const QFileInfo& fi : QDir(from).entryInfoList(QDir::Files)) {
        if (fi.fileName().endsWith(QLatin1String(".lck"))) continue;
        if (!QFile::copy(fi.filePath(), QDir(to).filePath(fi.fileName()))) {
            throw std::runtime_error(QStringLiteral("cannot copy %1").arg(fi.filePath()).toStdString());
        }
    }
    return to;
}

QString ms(double v) {
    return QString::number(v, 'f', v < 10 ? 3 : 1);
}

int runAll(const QString& dataDir, const QList<int>& sizes, int rounds, bool durableBuild) {
    int mismatches = 0;
    for (int cards : sizes) {
        const QString base = QDir(dataDir).filePath(QString::number(cards));
        QDir().mkpath(base);
        ensureBuilt(base, QStringLiteral("ours"), cards, durableBuild);
        ensureBuilt(base, QStringLiteral("sqlite"), cards, durableBuild);

        const qint64 recordFile = QFileInfo(QDir(base).filePath(QStringLiteral("ours/Hdok.DB"))).size();
        const qint64 sqliteFile = QFileInfo(QDir(base).filePath(QStringLiteral("sqlite/hdok.sqlite"))).size();

        // Each round measures both engines, one after the other, on fresh copies; each
        // operation's best round is reported, which keeps other load on the machine out of the
        // figures as far as possible. The first round's checks must agree, and every round's
        // must equal the first.
        ChildResult ours, lite;
        for (int round = 0; round < rounds; ++round) {
            const QString cardsArg = QString::number(cards);
            ChildResult o =
                runChild({QStringLiteral("ops-ours"), cardsArg, workCopy(base, QStringLiteral("ours"))});
            ChildResult l =
                runChild({QStringLiteral("ops-sqlite"), cardsArg, workCopy(base, QStringLiteral("sqlite"))});
            // Bulk inserts run in processes of their own, so that the rows they hold in memory
            // stay out of the operations' peak memory.
            for (auto [side, into] : {std::pair{"ours", &o}, std::pair{"sqlite", &l}}) {
                const QString bulkDir = QDir(base).filePath(QStringLiteral("bulk-") + QLatin1String(side));
                const ChildResult b = runChild({QStringLiteral("bulk-") + QLatin1String(side), cardsArg, bulkDir});
                into->ms[QStringLiteral("bulk_insert")] = b.ms.value(QStringLiteral("bulk_insert"));
                into->cpu[QStringLiteral("bulk_insert")] = b.cpu.value(QStringLiteral("bulk_insert"));
                QDir(bulkDir).removeRecursively();
            }
            if (round == 0) {
                ours = o;
                lite = l;
                continue;
            }
            for (auto [best, now] : {std::pair{&ours, &o}, std::pair{&lite, &l}}) {
                for (auto it = now->ms.begin(); it != now->ms.end(); ++it)
                    best->ms[it.key()] = std::min(best->ms.value(it.key()), it.value());
                for (auto it = now->cpu.begin(); it != now->cpu.end(); ++it)
                    best->cpu[it.key()] = std::min(best->cpu.value(it.key()), it.value());
                if (now->checks != best->checks) {
                    ++mismatches;
                    out(QStringLiteral("info MISMATCH between rounds cards=%1").arg(cards));
                }
                best->maxRssKib = std::max(best->maxRssKib, now->maxRssKib);
            }
        }

        // The work copies are only needed while measuring (at a million cards they take
        // about 450 MB).
        for (const char* engine : {"ours", "sqlite"})
            QDir(QDir(base).filePath(QStringLiteral("work-") + QLatin1String(engine))).removeRecursively();

        for (const char* op : kOperations) {
            const QString name = QString::fromLatin1(op);
            const double a = ours.ms.value(name, -1), b = lite.ms.value(name, -1);
            out(QStringLiteral("bench %1 cards=%2 ours_ms=%3 sqlite_ms=%4 ratio=%5")
                    .arg(name)
                    .arg(cards)
                    .arg(ms(a), ms(b))
                    .arg(b > 0 ? QString::number(a / b, 'f', 2) : QStringLiteral("-")));
            if (ours.checks.value(name) != lite.checks.value(name)) {
                ++mismatches;
                out(QStringLiteral("info MISMATCH %1 cards=%2 ours=[%3] sqlite=[%4]")
                        .arg(name)
                        .arg(cards)
                        .arg(ours.checks.value(name), lite.checks.value(name)));
            }
        }
        for (const char* op : kOperations) {
            const QString name = QString::fromLatin1(op);
            out(QStringLiteral("info cpu %1 cards=%2 ours_cpu_ms=%3 sqlite_cpu_ms=%4")
                    .arg(name)
                    .arg(cards)
                    .arg(ms(ours.cpu.value(name)), ms(lite.cpu.value(name))));
        }
        for (const QString& i : ours.infos) out(QStringLiteral("info ") + i);
        for (const QString& i : lite.infos) out(QStringLiteral("info ") + i);
        out(QStringLiteral("info checks cards=%1 extended_update=[%2] distinct_locality=[%3]")
                .arg(cards)
                .arg(ours.checks.value(QStringLiteral("extended_update")),
                     ours.checks.value(QStringLiteral("distinct_locality"))));
        out(QStringLiteral("info sqlite_memory cards=%1 mib=%2 sqlite_file_mib=%3")
                .arg(cards)
                .arg(lite.maxRssKib / 1024.0, 0, 'f', 1)
                .arg(sqliteFile / 1048576.0, 0, 'f', 1));
        out(QStringLiteral("bench peak_memory cards=%1 mib=%2 record_files_mib=%3")
                .arg(cards)
                .arg(ours.maxRssKib / 1024.0, 0, 'f', 1)
                .arg(recordFile / 1048576.0, 0, 'f', 1));
    }
    if (mismatches)
        out(QStringLiteral("info %1 operation(s) gave different results in the two engines").arg(mismatches));
    return mismatches ? 1 : 0;
}

int usage() {
    progress(QStringLiteral(
        "usage: lamelin-bench run --data <dir> [--sizes 10000,100000,1000000] [--rounds 3] [--durable-build]"));
    return 2;
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) return bench::usage();
    const QString mode = args.first();
    try {
        if (mode == QLatin1String("run")) {
            QString data;
            QList<int> sizes{10000, 100000, 1000000};
            bool durableBuild = false;
            int rounds = 3;
            for (int i = 1; i < args.size(); ++i) {
                if (args[i] == QLatin1String("--data") && i + 1 < args.size()) {
                    data = args[++i];
                } else if (args[i] == QLatin1String("--rounds") && i + 1 < args.size()) {
                    rounds = args[++i].toInt();
                    if (rounds < 1) return bench::usage();
                } else if (args[i] == QLatin1String("--durable-build")) {
                    durableBuild = true;
                } else if (args[i] == QLatin1String("--sizes") && i + 1 < args.size()) {
                    sizes.clear();
                    for (const QString& s : args[++i].split(u',', Qt::SkipEmptyParts)) {
                        bool ok = false;
                        const int n = s.trimmed().toInt(&ok);
                        if (!ok || n < 1) return bench::usage();
                        sizes << n;
                    }
                } else {
                    return bench::usage();
                }
            }
            if (data.isEmpty() || sizes.isEmpty()) return bench::usage();
            return bench::runAll(QDir(data).absolutePath(), sizes, rounds, durableBuild);
        }
        const bool durable = args.size() == 4 && args[3] == QLatin1String("--durable");
        if (args.size() != 3 && !durable) return bench::usage();
        bool ok = false;
        const int cards = args[1].toInt(&ok);
        if (!ok || cards < 1) return bench::usage();
        const QString dir = QDir(args[2]).absolutePath();
        const bench::CardGenerator gen(cards);
        if (mode == QLatin1String("build-ours")) {
            bench::buildOurs(dir, gen);
        } else if (mode == QLatin1String("build-sqlite")) {
            bench::buildSqlite(dir, gen);
        } else if (mode == QLatin1String("ops-ours")) {
            bench::runOurs(dir, gen);
        } else if (mode == QLatin1String("open-ours")) {
            bench::openOnce(dir);
        } else if (mode == QLatin1String("ops-sqlite")) {
            bench::runSqlite(dir, gen);
        } else if (mode == QLatin1String("bulk-ours")) {
            bench::bulkOurs(dir, gen);
        } else if (mode == QLatin1String("bulk-sqlite")) {
            bench::bulkSqlite(dir, gen);
        } else {
            return bench::usage();
        }
        return 0;
    } catch (const EDatabaseError& e) {
        bench::progress(QStringLiteral("lamelin-bench %1: %2").arg(mode, e.message()));
    } catch (const std::exception& e) {
        bench::progress(QStringLiteral("lamelin-bench %1: %2").arg(mode, QString::fromUtf8(e.what())));
    }
    return 1;
}
