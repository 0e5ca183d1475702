// Times the printed reports on realistic cards: preparing and painting 1 000 registration
// labels, the species list of a locality with 500 species, the first preview page and a page
// change. Prints one line per operation: "bench <op> rows=<n> ms=<t>".
//
// Then the species text file of all locality/species pairs of a card index of --txt-cards cards
// (default 1 000 000; 0 leaves it out).
//
// Usage: lamelin-report-bench [--labels N] [--species N] [--txt-cards N]
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSet>
#include <QTemporaryDir>
#include <cstdio>

#include "BenchSupport.h"
#include "CardGenerator.h"
#include "DataFiles.h"
#include "DataM1.h"
#include "Prev.h"
#include "ReportPainter.h"
#include "Rpd.h"
#include "Rplk1.h"
#include "SpeciesTextFile.h"
#include "TPdfSink.h"
#include "TReportPreview.h"
#include "TemplateSet.h"

namespace {

const QString kLocality = QStringLiteral("Chlum u Třeboně");

void line(const char* op, int rows, double ms) {
    std::printf("bench %s rows=%d ms=%.2f\n", op, rows, ms);
    std::fflush(stdout);
}

void post(TDM1& dm, const bench::Card& c, int evc, const QString& locality) {
    dm.Hdok.Insert();
    auto set = [&](const char* f, const QVariant& v) { dm.Hdok.FieldByName(QLatin1String(f))->setValue(v); };
    set("Evc", evc);
    set("Nla", c.nla);
    set("Ato", c.ato);
    set("Nce", c.nce);
    set("Lk", locality);
    set("Sd", c.sd);
    set("Plo1", c.plo1);
    set("Plo2", c.plo2);
    set("Le", c.le);
    set("D", c.d);
    set("Dt", c.dt);
    dm.Hdok.Post();
}

// Cards 1..labels with the generator's values, then `species` cards at one locality, each with
// a species not used there before.
void fillCards(TDM1& dm, int labels, int species) {
    const bench::CardGenerator gen(labels);
    for (int i = 0; i < labels; ++i) post(dm, gen.card(i), i + 1, gen.card(i).lk);
    QSet<QString> seen;
    for (int i = labels; int(seen.size()) < species; ++i) {
        const bench::Card c = gen.card(i);
        if (seen.contains(c.nla)) continue;
        seen.insert(c.nla);
        post(dm, c, labels + int(seen.size()), kLocality);
    }
}

double paintAll(const TPreparedReport& r) {
    bench::Stopwatch sw;
    QImage image(r.paperSize.toSize(), QImage::Format_ARGB32_Premultiplied);
    for (const TPreparedPage& page : r.pages) {
        image.fill(Qt::white);
        QPainter painter(&image);
        report::paintPage(painter, page);
    }
    return sw.ms();
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int labels = 1000;
    int species = 500;
    int txtCards = 1000000;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--labels")) labels = args[i + 1].toInt();
        if (args[i] == QLatin1String("--species")) species = args[i + 1].toInt();
        if (args[i] == QLatin1String("--txt-cards")) txtCards = args[i + 1].toInt();
    }

    QTemporaryDir tmp;
    const QString dir = tmp.path() + QStringLiteral("/");
    storage::TemplateSet::prepareDataDirectory(dir);
    QDir().mkpath(dir + QStringLiteral("D1"));
    for (const QString& f : storage::dataFileList())
        QFile::copy(dir + QStringLiteral("Data/") + f, dir + QStringLiteral("D1/") + f);
    TDM1 dm;
    dm.createStep(dir);
    dm.setFirmDirectory(dir + QStringLiteral("D1"));
    dm.OtevritTabulky();
    dm.Hspl.Edit();
    dm.Hspl.FieldByName(QStringLiteral("Sna"))->setAsString(QStringLiteral("Mykologický klub Třeboň"));
    dm.Hspl.Post();
    bench::Stopwatch build;
    fillCards(dm, labels, species);
    std::printf("info cards written=%d ms=%.0f\n", labels + species, build.ms());

    // Labels: the query and the layout, then every page painted at 96 dpi and written as PDF.
    TRpdReport rpd(dm);
    bench::Stopwatch sw;
    rpd.selectCards(1, labels);
    rpd.setTopOffsetMm(10);
    rpd.setLeftMarginMm(10);
    const TPreparedReport& pages = rpd.Prepare();
    line("labels_prepare", labels, sw.ms());
    line("labels_paint", labels, paintAll(pages));
    sw.restart();
    TPdfSink pdf(dir + QStringLiteral("labels.pdf"));
    if (!pdf.printJob(pages, 1)) std::printf("info pdf failed: %s\n", qPrintable(pdf.errorString()));
    line("labels_pdf", labels, sw.ms());
    std::printf("info label_pages=%d pdf_kib=%lld\n", pages.pageCount(), QFileInfo(pdf.path()).size() / 1024);

    // The species list of one locality.
    TRplk1Report list(dm);
    sw.restart();
    list.selectSpecies(kLocality, true);
    const TPreparedReport& listPages = list.Prepare();
    line("locality_list_prepare", dm.HdokQr1.RecordCount(), sw.ms());
    line("locality_list_paint", dm.HdokQr1.RecordCount(), paintAll(listPages));

    // The preview: from the prepared labels to the first page on the screen, then page changes.
    TPrevForm preview;
    sw.restart();
    preview.QRPreview->setReport(pages);
    preview.show();
    QApplication::processEvents();
    preview.QRPreview->viewport()->repaint();
    line("preview_first_page", labels, sw.ms());
    const int changes = qMin(100, pages.pageCount() - 1);
    sw.restart();
    for (int i = 0; i < changes; ++i) {
        preview.NextPage();
        preview.QRPreview->viewport()->repaint();
    }
    line("preview_page_change", labels, changes > 0 ? sw.ms() / changes : 0);
    preview.hide();

    // The text file of every locality/species pair: a second firm with the generator's cards
    // (appended in durable batches of 50 000), then the query and
    // the file as "Uložit data" runs them.
    if (txtCards > 0) {
        const QString d2 = dir + QStringLiteral("D2/");
        QDir().mkpath(d2);
        for (const QString& f : storage::dataFileList()) QFile::copy(dir + QStringLiteral("Data/") + f, d2 + f);
        dm.Database.Close();
        dm.setFirmDirectory(dir + QStringLiteral("D2"));
        dm.OtevritTabulky();
        {
            bench::Stopwatch built;
            const bench::CardGenerator gen(txtCards);
            TTable cards;
            cards.setDatabase(&dm.Database);
            cards.TableName = QStringLiteral("Hdok.DB");
            cards.Open();
            const int evc = cards.FieldByName(QStringLiteral("Evc"))->Index();
            const int nla = cards.FieldByName(QStringLiteral("Nla"))->Index();
            const int nce = cards.FieldByName(QStringLiteral("Nce"))->Index();
            const int lk = cards.FieldByName(QStringLiteral("Lk"))->Index();
            QVector<QVector<QVariant>> rows;
            for (int i = 0; i < txtCards; ++i) {
                const bench::Card c = gen.card(i);
                QVector<QVariant> row(cards.Fields().size());
                row[evc] = i + 1;
                row[nla] = c.nla;
                row[nce] = c.nce;
                row[lk] = c.lk;
                rows.push_back(std::move(row));
                // One durable batch per 50 000 cards keeps the memory of the batch bounded.
                if (rows.size() == 50000 || i + 1 == txtCards) {
                    cards.AppendRecords(rows);
                    rows.clear();
                }
            }
            cards.Close();
            std::printf("info txt cards written=%d ms=%.0f\n", txtCards, built.ms());
        }
        dm.Hdok.Refresh();
        sw.restart();
        dm.HdokQr1.Close();
        dm.HdokQr1.SQL = SpeciesTextFile::statement(QString(), true);
        dm.HdokQr1.Open();
        const double queryMs = sw.ms();
        const int rows = SpeciesTextFile::write(dir + QStringLiteral("all.txt"), dm.HdokQr1, QString(),
                                                SpeciesTextFile::Windows1250);
        line("text_file_all_pairs", txtCards, sw.ms());
        std::printf("info txt rows=%d query_ms=%.0f file_kib=%lld\n", rows, queryMs,
                    QFileInfo(dir + QStringLiteral("all.txt")).size() / 1024);
        dm.HdokQr1.Close();
    }
    return 0;
}
