// lamelin-bench-backup: backup and restore of a firm with many cards.
//
//   lamelin-bench-backup --data <dir> [--cards 100000,1000000] [--rounds 3]
//
// builds (once, cached under <dir>/<cards>/D1) a firm whose card table holds the benchmark's
// generated cards, then times the backup of the firm into a zip archive and the restore of the
// firm from it, each `rounds` times. Output, the best round of each:
//
//   bench backup cards=<n> ms=<t>
//   bench restore cards=<n> ms=<t>
//
// and "info" lines with every round, the sizes of the firm and the archive, and the data build.

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>

#include "BenchSupport.h"
#include "CardGenerator.h"
#include "DataFiles.h"
#include "FirmBackup.h"
#include "FirmRestore.h"
#include "Sides.h"
#include "TablePassword.h"
#include "TemplateSet.h"

namespace bench {

// What the table benchmark's builder reports along the way.
void emitMemory() {}
void operationStarts(const char*) {}
void operationMark(const char*) {}
void progress(const QString& text) {
    std::fprintf(stderr, "%s\n", text.toUtf8().constData());
}

namespace {

qint64 firmBytes(const QString& firm) {
    qint64 total = 0;
    for (const QString& name : storage::dataFileList()) total += QFileInfo(firm + name).size();
    return total;
}

// The firm D1 with `cards` cards: the template tables with the card table built anew.
void buildFirm(const QString& firm, int cards) {
    QDir(firm).removeRecursively();
    storage::TemplateSet::createFirmTables(firm);
    for (const QString& name : QDir(firm).entryList({QStringLiteral("Hdok.*")}, QDir::Files))
        QFile::remove(firm + name);
    Stopwatch sw;
    buildOurs(firm, CardGenerator(cards), false);
    emitInfo(QStringLiteral("build_firm"), QStringLiteral("cards=%1 s=%2").arg(cards).arg(sw.ms() / 1000, 0, 'f', 1));
}

void measure(const QString& dataDir, int cards, int rounds) {
    const QString firm = dataDir + QStringLiteral("/%1/D1/").arg(cards);
    if (!QFileInfo::exists(firm + QStringLiteral("Hdok.DB")) || !QFileInfo::exists(firm + QStringLiteral("Hspl.DB"))) {
        buildFirm(firm, cards);
    }
    const QString archive = dataDir + QStringLiteral("/%1/D1.zip").arg(cards);
    std::vector<double> backups, restores;
    for (int round = 0; round < rounds; ++round) {
        Stopwatch sw;
        const backup::FirmBackup::Result b = backup::FirmBackup::run(firm, archive, nullptr);
        backups.push_back(sw.ms());
        if (!b.written) throw std::runtime_error("backup failed: " + b.error.toStdString());
        emitInfo(
            QStringLiteral("backup_round"),
            QStringLiteral("cards=%1 ms=%2 cpu_ms=%3").arg(cards).arg(sw.ms(), 0, 'f', 1).arg(sw.cpuMs(), 0, 'f', 1));
        sw.restart();
        backup::FirmRestore restore(firm, {storage::tablePassword()});
        const backup::FirmRestore::Result r = restore.run(archive);
        restores.push_back(sw.ms());
        if (r.outcome != backup::FirmRestore::Outcome::Restored) {
            throw std::runtime_error("restore failed: " + r.detail.toStdString());
        }
        emitInfo(
            QStringLiteral("restore_round"),
            QStringLiteral("cards=%1 ms=%2 cpu_ms=%3").arg(cards).arg(sw.ms(), 0, 'f', 1).arg(sw.cpuMs(), 0, 'f', 1));
    }
    emitInfo(QStringLiteral("sizes"), QStringLiteral("cards=%1 firm_mib=%2 archive_mib=%3")
                                          .arg(cards)
                                          .arg(firmBytes(firm) / 1048576.0, 0, 'f', 1)
                                          .arg(QFileInfo(archive).size() / 1048576.0, 0, 'f', 1));
    std::printf("bench backup cards=%d ms=%.0f\n", cards, *std::min_element(backups.begin(), backups.end()));
    std::printf("bench restore cards=%d ms=%.0f\n", cards, *std::min_element(restores.begin(), restores.end()));
    std::fflush(stdout);
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString data = QStringLiteral("bench-backup-data");
    QList<int> sizes = {100000};
    int rounds = 3;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--data")) {
            data = args[i + 1];
        } else if (args[i] == QLatin1String("--cards")) {
            sizes.clear();
            for (const QString& s : args[i + 1].split(QLatin1Char(','))) sizes << s.toInt();
        } else if (args[i] == QLatin1String("--rounds")) {
            rounds = std::max(1, args[i + 1].toInt());
        }
    }
    try {
        for (int cards : sizes) bench::measure(QDir(data).absolutePath(), cards, rounds);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
