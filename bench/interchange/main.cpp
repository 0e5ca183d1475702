// Benchmark of moving data in and out: the import of an earlier edition's card table (a Paradox
// table of the generated cards) into our tables, and the Darwin Core export of those cards.
//
//   lamelin-bench-interchange --cards 100000 [--data <dir>] [--rounds 2]
//
// prints "bench paradox_import cards=<n> ms=<t>" and "bench dwc_export cards=<n> ms=<t>" (best
// round) and "info" lines with the CPU times, the size of the results and how long the Paradox
// table took to make (cached in <dir>/<n>/paradox for later runs).
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

#include "BenchSupport.h"
#include "CardGenerator.h"
#include "DwcExport.h"
#include "ParadoxTable.h"
#include "ParadoxWriter.h"
#include "TSession.h"
#include "TableImport.h"
#include "TablePassword.h"

using interchange::ParadoxTable;

namespace {

void line(const QString& text) {
    std::printf("%s\n", text.toUtf8().constData());
    std::fflush(stdout);
}

QVariant text(const QString& s) {
    return s.isEmpty() ? QVariant() : QVariant(s);
}

// The earlier edition's firm directory: the cards of the generator in a Paradox card table, the
// catalogues small, the common data one row.
void makeParadoxFirm(const QString& dir, int cards) {
    QDir().mkpath(dir);
    const bench::CardGenerator gen(cards);
    int i = 0;
    bench::Stopwatch sw;
    const bool ok =
        test::writeParadoxTable(dir + "Hdok.DB", {test::paradoxLayout("Hdok"), {}, "", 1250, true},
                                [&](QVector<QVariant>& row) {
                                    if (i >= cards) return false;
                                    const bench::Card c = gen.card(i++);
                                    row = {i,           c.evc,        text(c.kdh),  text(c.nla), text(c.ato),
                                           text(c.nce), text(c.kdl),  text(c.lk),   text(c.cmp), text(c.nmv),
                                           text(c.sd),  text(c.plo1), text(c.plo2), text(c.le),  c.d,
                                           text(c.dt),  c.pdh,        c.pdl,        text(c.neh), text(c.obr)};
                                    return true;
                                }) &&
        test::writeParadoxTable(
            dir + "Hdath.DB",
            {test::paradoxLayout("Hdath"), {{1, "BOED", "Boletus edulis", "Bull.", "hřib smrkový"}}, "551177", 1250}) &&
        test::writeParadoxTable(dir + "Hdatl.DB",
                                {test::paradoxLayout("Hdatl"), {{1, "P1", "Písek"}}, "551177", 1250}) &&
        test::writeParadoxTable(dir + "Hspl.DB",
                                {test::paradoxLayout("Hspl"), {{"Sbírka", "Jiří Řezáč"}}, "551177", 1250});
    if (!ok) {
        std::fprintf(stderr, "the Paradox tables could not be written\n");
        std::exit(1);
    }
    line(QStringLiteral("info build_paradox cards=%1 s=%2 bytes=%3")
             .arg(cards)
             .arg(sw.ms() / 1000, 0, 'f', 1)
             .arg(QFileInfo(dir + "Hdok.DB").size()));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int cards = 100000;
    int rounds = 2;
    QString data = QDir::currentPath() + "/bench-interchange-data";
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == "--cards") cards = args[i + 1].toInt();
        if (args[i] == "--data") data = args[i + 1];
        if (args[i] == "--rounds") rounds = args[i + 1].toInt();
    }
    const QString base = data + QStringLiteral("/%1/").arg(cards);
    const QString paradox = base + "paradox/";
    if (!QFileInfo::exists(paradox + "Hspl.DB")) makeParadoxFirm(paradox, cards);

    const QString firm = base + "D1/";
    bench::Laps best[2];
    for (int r = 0; r < rounds; ++r) {
        QDir(firm).removeRecursively();
        bench::Stopwatch importing;
        const auto results = interchange::TableImport::importFirmDirectory(paradox, firm);
        const double importMs = importing.ms(), importCpu = importing.cpuMs();
        if (results[2].records != cards) {
            std::fprintf(stderr, "imported %d of %d cards\n", results[2].records, cards);
            return 1;
        }

        TSession session("Bench");
        session.AddPassword(storage::tablePassword());
        interchange::DwcExport::Options options;
        options.outputPath = base + "export.zip";
        bench::Stopwatch exporting;
        const auto exported = interchange::DwcExport::run(firm, firm + "D1.ini", "Bench", session, options);
        const double exportMs = exporting.ms(), exportCpu = exporting.cpuMs();
        if (exported.written != cards) {
            std::fprintf(stderr, "exported %d of %d cards\n", exported.written, cards);
            return 1;
        }
        line(QStringLiteral("info round=%1 import_ms=%2 import_cpu_ms=%3 export_ms=%4 export_cpu_ms=%5 zip_bytes=%6 "
                            "unreadable=%7")
                 .arg(r + 1)
                 .arg(importMs, 0, 'f', 0)
                 .arg(importCpu, 0, 'f', 0)
                 .arg(exportMs, 0, 'f', 0)
                 .arg(exportCpu, 0, 'f', 0)
                 .arg(QFileInfo(options.outputPath).size())
                 .arg(exported.problems.size()));
        if (r == 0 || importMs < best[0].wall) best[0] = {importMs, importCpu};
        if (r == 0 || exportMs < best[1].wall) best[1] = {exportMs, exportCpu};
    }
    line(QStringLiteral("bench paradox_import cards=%1 ms=%2").arg(cards).arg(best[0].wall, 0, 'f', 0));
    line(QStringLiteral("bench dwc_export cards=%1 ms=%2").arg(cards).arg(best[1].wall, 0, 'f', 0));
    return 0;
}
