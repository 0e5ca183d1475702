// The three printed reports, checked on their prepared pages: where each element lands, what it
// says, how rows break into pages, and the data each report selects.
#include <QFontInfo>

#include "ReportFixture.h"
#include "ReportPainter.h"
#include "Rpd.h"
#include "Rplk1.h"
#include "Rvoz1a.h"
#include "TReportLabel.h"

namespace {

class ReportLayoutTest : public ReportFixture {};

constexpr qreal kMm = 96.0 / 25.4;

}  // namespace

TEST_F(ReportLayoutTest, LabelsFollowTheRangeTheOffsetsAndThePage) {
    setCommon("Sna", "Mykologický klub Písek");
    addCards({{3, "Boletus edulis", "Bull.", "hřib smrkový", "Chlum"},
              {1, "Amanita muscaria", "", "muchomůrka červená", "Hradiště u Písku"},
              {2, "Cantharellus cibarius", "Fr.", "liška obecná", "Chlum"},
              {7, "Russula emetica", "", "holubinka vrhavka", "Chlum"}});
    TRpdReport rpd(*DM1);

    struct Case {
        int ho, lo, header;
    };
    for (const Case c : {Case{10, 12, 38}, Case{0, 0, 0}}) {
        SCOPED_TRACE(c.ho);
        rpd.selectCards(1, 3);
        rpd.setTopOffsetMm(c.ho);
        rpd.setLeftMarginMm(c.lo);
        const TPreparedReport& r = rpd.Prepare();
        DM1->HdokQr.Close();
        EXPECT_EQ(r.orientation, QPageLayout::Landscape);
        EXPECT_NEAR(r.paperSize.width(), 297 * kMm, 0.5);
        // Cards 1..3 in number order, the author in brackets only when there is one.
        EXPECT_EQ(texts(r, "QRDBTextNlak"),
                  QStringList({"Amanita muscaria", "Cantharellus cibarius (Fr.)", "Boletus edulis (Bull.)"}));
        EXPECT_EQ(rpd.QRBandHeader->height(), c.header);
        // Two labels of 349 fit a landscape sheet below the header; the third starts a sheet
        // that begins with the header again.
        ASSERT_EQ(r.pageCount(), 2);
        EXPECT_EQ(countOn(r.pages[0], "QRDBTextSna"), 2);
        for (const TPreparedPage& page : r.pages) {
            const TPreparedItem* sna = page.find("QRDBTextSna");
            ASSERT_NE(sna, nullptr);
            EXPECT_EQ(sna->text, "Mykologický klub Písek");
            EXPECT_DOUBLE_EQ(sna->rect.top(), c.header + 11);
            EXPECT_DOUBLE_EQ(sna->rect.left(), c.lo * kMm + 1);
            EXPECT_EQ(sna->font.pixelSize(), 19);
            EXPECT_TRUE(sna->font.bold());
        }
        EXPECT_DOUBLE_EQ(r.pages[0].findAll("QRLabel9")[1]->rect.top(), c.header + 349 + 104);
    }

    // Values print on the dotted lines, which are cut at the end of their box.
    const TPreparedPage& page = rpd.prepared().pages[0];
    const TPreparedItem* le = page.find("QRDBTextLe");
    EXPECT_EQ(le->text, "Jan Novák");
    EXPECT_EQ(page.find("QRDBTextD")->text, "14.09.2012");
    EXPECT_DOUBLE_EQ(le->rect.left(), 45);
    EXPECT_FALSE(le->clip);
    const TPreparedItem* dots = page.find("QRLabel19");
    EXPECT_EQ(dots->text, QString(151, '.'));
    EXPECT_TRUE(dots->clip);
    EXPECT_DOUBLE_EQ(dots->rect.right(), 37 + 453);
    // An auto-size text is as wide as its text, from its left edge.
    const TPreparedItem* lk = page.find("QRDBTextLk");
    EXPECT_EQ(lk->text, "Hradiště u Písku");
    EXPECT_NEAR(lk->rect.width(), QFontMetricsF(report::renderFont(lk->font)).horizontalAdvance(lk->text), 0.01);
    EXPECT_EQ(page.find("QRDBTextDt")->text, "");

    // An empty range (C1 > C2) prints no label.
    rpd.selectCards(10, 5);
    const TPreparedReport& none = rpd.Prepare();
    DM1->HdokQr.Close();
    EXPECT_EQ(none.pageCount(), 1);
    EXPECT_TRUE(texts(none, "QRDBTextNlak").isEmpty());

    // The central-European family: names gain " CE" once; this platform draws the base family.
    TMainForm::PrevodPisma1(&rpd);
    TMainForm::PrevodPisma1(&rpd);
    rpd.selectCards(1, 1);
    const TPreparedItem* habitat = rpd.Prepare().pages[0].find("QRLabel9");
    DM1->HdokQr.Close();
    EXPECT_EQ(habitat->font.family(), "Times New Roman CE");
    EXPECT_EQ(report::renderFont(habitat->font).family(), "Times New Roman");
    EXPECT_EQ(rpd.font().family(), "Arial CE");
}

TEST_F(ReportLayoutTest, LocalityListCountsDistinctSpeciesInTheChosenOrder) {
    QVector<Card> cards;
    for (int i = 0; i < 40; ++i) {
        // Latin and Czech orders differ: the Czech names run backwards.
        cards << Card{i + 1, QString("Species %1").arg(i, 2, 10, QChar('0')), "", QString("druh %1").arg(99 - i),
                      "Chlum"};
    }
    // The same species twice, and another locality, do not add to the list.
    cards << Card{41, "Species 00", "", "druh 99", "Chlum"} << Card{42, "Boletus edulis", "", "hřib", "Chlumec"};
    addCards(cards);
    setCommon("Lks", "Chlum");
    TRplk1Report list(*DM1);

    for (const bool byLatin : {true, false}) {
        SCOPED_TRACE(byLatin);
        list.selectSpecies("Chlum", byLatin);
        const TPreparedReport& r = list.Prepare();
        DM1->HdokQr1.Close();
        ASSERT_EQ(r.pageCount(), 1);
        const QStringList latin = texts(r, "QRDBTextNla");
        ASSERT_EQ(latin.size(), 40);
        EXPECT_EQ(latin.first(), byLatin ? "Species 00" : "Species 39");
        EXPECT_EQ(texts(r, "QRLabelPocet"), QStringList{"Počet druhů: 40"});
        EXPECT_EQ(texts(r, "QRDBTextLks"), QStringList{"Chlum"});
        EXPECT_EQ(texts(r, "QRSysDataPage"), QStringList{"stránka 1"});
    }

    // Longer lists: the double frame on page 1 only; locality, page number and column heads on
    // every page; the count after the last row.
    cards.clear();
    for (int i = 40; i < 75; ++i) cards << Card{i + 100, QString("Species %1").arg(i), "", "x", "Chlum"};
    addCards(cards);
    setCommon("Lo1", 20);
    list.setLeftMarginMm(20);
    list.selectSpecies("Chlum", true);
    const TPreparedReport& r = list.Prepare();
    DM1->HdokQr1.Close();
    ASSERT_EQ(r.pageCount(), 2);
    EXPECT_EQ(countOn(r.pages[0], "QRShape2"), 1);
    EXPECT_EQ(countOn(r.pages[1], "QRShape2") + countOn(r.pages[1], "QRShape4") + countOn(r.pages[1], "QRLabel1"), 0);
    EXPECT_EQ(texts(r, "QRSysDataPage"), QStringList({"stránka 1", "stránka 2"}));
    EXPECT_EQ(texts(r, "QRLabel10").size(), 2);
    EXPECT_EQ(texts(r, "QRDBTextNla").size(), 75);
    const TPreparedItem* count = r.pages[1].find("QRLabelPocet");
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count->text, "Počet druhů: 75");
    EXPECT_GT(count->rect.top(), r.pages[1].findAll("QRDBTextNla").last()->rect.top());
    // The page number keeps its right edge at 612 + 54, after the left margin.
    EXPECT_NEAR(r.pages[1].find("QRSysDataPage")->rect.right(), 20 * kMm + 666, 0.01);
}

TEST_F(ReportLayoutTest, LocalityNamesWithQuotesSelectTheirOwnCards) {
    addCards({{1, "Morchella esculenta", "", "smrž obecný", "U \"Tří dubů\""},
              {2, "Boletus edulis", "", "hřib smrkový", "U "}});
    TRplk1Report list(*DM1);
    list.selectSpecies("U \"Tří dubů\"", true);
    EXPECT_EQ(texts(list.Prepare(), "QRDBTextNla"), QStringList{"Morchella esculenta"});
    EXPECT_EQ(list.QRLabelPocet->caption(), "Počet druhů: 1");
}

TEST_F(ReportLayoutTest, FirmListShowsTheSelectionGridsFirmsAndTotal) {
    addFirm(2, "Alfa");
    addFirm(12, "Zeta");
    Auto1Form->Auto1.Refresh();
    Auto1Form->Auto1.setIndexFieldNames("Nazev");
    Auto1Form->Auto1.setFilter("Cislo > 1");
    Auto1Form->Auto1.setFiltered(true);
    setCommon("Lo1", 10);

    MainForm->Tiskseznamufirem1Click();
    ASSERT_EQ(previewed.size(), 1);
    const TPreparedReport& r = previewed[0];
    EXPECT_EQ(r.title, "Seznam firem");
    EXPECT_EQ(texts(r, "QRDBTextNazev"), QStringList({"Alfa", "Zeta"}));
    EXPECT_EQ(texts(r, "QRDBCalc"), QStringList{"2"});
    // Right-justified numbers keep their right edges: 29 for the number, 692 for the total.
    const QVector<const TPreparedItem*> numbers = r.pages[0].findAll("QRDBTextCislo");
    EXPECT_NEAR(numbers[1]->rect.right(), 10 * kMm + 29, 0.01);
    EXPECT_EQ(numbers[1]->text, "12");
    EXPECT_NEAR(r.pages[0].find("QRDBCalc")->rect.right(), 10 * kMm + 692, 0.01);
    EXPECT_FALSE(Auto1Form->TableA.Active());
    EXPECT_EQ(MainForm->statusText(0), "");
}
