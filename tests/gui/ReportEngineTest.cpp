// The report engine on a report of its own: the order of the bands on the pages, page breaks,
// the page footer, a band taller than a page, and the painter giving the same drawing at any
// resolution.
#include <QImage>
#include <QPainter>

#include "ReportFixture.h"
#include "ReportPainter.h"
#include "TReportBand.h"
#include "TReportCalc.h"
#include "TReportLabel.h"
#include "TReportShape.h"

namespace {

class ReportEngineTest : public ReportFixture {
protected:
    ReportEngineTest() {
        addCards({{1, "A", "", "", ""}, {2, "B", "", "", ""}, {3, "C", "", "", ""}});
        report.setMargins(QMarginsF(0, 10, 0, 10));
        report.setDataSet(&DM1->Hdok);
        for (auto [kind, name, height] : {std::tuple{TReportBand::Kind::Summary, "Summary", 300},
                                          {TReportBand::Kind::PageFooter, "Footer", 30},
                                          {TReportBand::Kind::Detail, "Detail", 400},
                                          {TReportBand::Kind::PageHeader, "Header", 50},
                                          {TReportBand::Kind::Title, "Title", 100}}) {
            auto* band = new TReportBand(&report, name, kind, height);
            new TReportLabel(band, name, QRect(0, 0, 0, 0), name);
        }
        new TReportCalc(report.band(TReportBand::Kind::Summary), "Count", QRect(0, 20, 50, 16));
    }
    static QStringList namesOn(const TPreparedPage& page) {
        QStringList out;
        for (const TPreparedItem& i : page.items) out << i.name;
        return out;
    }
    TReport report{"Zkouška"};
};

// The bounding box of the dark pixels of an image.
QRect inked(const QImage& image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128) box |= QRect(x, y, 1, 1);
    return box;
}

}  // namespace

TEST_F(ReportEngineTest, BandsFillPagesInTheirOrder) {
    const qreal top = report::mmToLayout(10);
    const TPreparedReport& r = report.Prepare();
    // Page 1: title, header and two rows (950 of the 1 009 units above the footer); page 2
    // the header, the last row and the summary; a footer at the bottom of each.
    ASSERT_EQ(r.pageCount(), 2);
    EXPECT_EQ(namesOn(r.pages[0]), QStringList({"Title", "Header", "Detail", "Detail", "Footer"}));
    EXPECT_EQ(namesOn(r.pages[1]), QStringList({"Header", "Detail", "Summary", "Count", "Footer"}));
    EXPECT_DOUBLE_EQ(r.pages[0].findAll("Detail")[1]->rect.top(), top + 100 + 50 + 400);
    EXPECT_DOUBLE_EQ(r.pages[1].find("Summary")->rect.top(), top + 50 + 400);
    EXPECT_DOUBLE_EQ(r.pages[1].find("Footer")->rect.top(), r.paperSize.height() - top - 30);
    EXPECT_EQ(r.pages[1].find("Count")->text, "3");

    // A run starts again from the first row, wherever the dataset was left.
    DM1->Hdok.Last();
    EXPECT_EQ(texts(report.Prepare(), "Count"), QStringList{"3"});

    // A row taller than a page gets a page of its own instead of looping for ever.
    report.band(TReportBand::Kind::Detail)->setHeight(2000);
    EXPECT_EQ(report.Prepare().pageCount(), 4);
}

TEST(ReportPainterTest, PagesPaintTheSameAtEveryResolution) {
    TPreparedPage page;
    TPreparedItem frame;
    frame.kind = TPreparedItem::Kind::Rectangle;
    frame.rect = QRectF(20.5, 10.5, 40, 30);
    page.items << frame;
    QRect boxes[2];
    for (int i : {0, 1}) {
        const int scale = i + 1;  // 96 and 192 dpi
        QImage image(100 * scale, 60 * scale, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.scale(scale, scale);
        report::paintPage(painter, page);
        painter.end();
        boxes[i] = inked(image);
    }
    EXPECT_EQ(boxes[0], QRect(20, 10, 41, 31));
    EXPECT_NEAR(boxes[1].left(), 2 * boxes[0].left(), 1);
    EXPECT_NEAR(boxes[1].right(), 2 * boxes[0].right(), 2);
    EXPECT_NEAR(boxes[1].bottom(), 2 * boxes[0].bottom(), 2);
}
