#include "Rplk1.h"

#include "DataM1.h"
#include "SqlQuote.h"
#include "TReportBand.h"
#include "TReportDBText.h"
#include "TReportLabel.h"
#include "TReportShape.h"
#include "TReportSysData.h"

TRplk1Report::TRplk1Report(TDM1& dm, QObject* parent) : TReport(QStringLiteral("Tisk lokality"), parent), m_dm(dm) {
    setObjectName(QStringLiteral("Rplk1Report"));
    setOrientation(QPageLayout::Portrait);
    // A list runs over many pages: keep it clear of the sheet's top and bottom edges.
    setMargins(QMarginsF(0, 10, 0, 10));
    setFontPx(QStringLiteral("Arial"), 13);
    setDataSet(&dm.HdokQr1);
    using Kind = TReportBand::Kind;
    using Shape = TReportShape::Kind;

    QRBandTitle = new TReportBand(this, QStringLiteral("QRBandTitle"), Kind::Title, 62);
    new TReportShape(QRBandTitle, QStringLiteral("QRShape2"), QRect(1, 21, 665, 36), Shape::Rectangle);
    new TReportShape(QRBandTitle, QStringLiteral("QRShape4"), QRect(4, 24, 659, 30), Shape::Rectangle);
    new TReportLabel(QRBandTitle, QStringLiteral("QRLabel1"), QRect(287, 31, 0, 0), QStringLiteral("TISK LOKALITY"));

    TReportBand* h = QRBandPageHeader = new TReportBand(this, QStringLiteral("QRBandPageHeader"), Kind::PageHeader, 82);
    new TReportLabel(h, QStringLiteral("QRLabel9"), QRect(1, 16, 0, 0), QStringLiteral("Lokalita:"));
    auto* lks =
        new TReportDBText(h, QStringLiteral("QRDBTextLks"), QRect(54, 16, 0, 0), &dm.Hspl, QStringLiteral("Lks"));
    QFont bold = lks->font();
    bold.setBold(true);
    lks->setFont(bold);
    auto* page =
        new TReportSysData(h, QStringLiteral("QRSysDataPage"), QRect(612, 16, 54, 16), QStringLiteral("stránka "));
    page->setAlignment(TReportText::Align::Right);
    page->setAutoSize(true);
    new TReportShape(h, QStringLiteral("QRShape22"), QRect(1, 37, 665, 3), Shape::TopAndBottom);
    new TReportLabel(h, QStringLiteral("QRLabel10"), QRect(1, 48, 0, 0), QStringLiteral("Název latinsky"));
    new TReportLabel(h, QStringLiteral("QRLabel26"), QRect(435, 48, 0, 0), QStringLiteral("Název česky"));
    new TReportShape(h, QStringLiteral("QRShape1"), QRect(1, 72, 665, 3), Shape::TopAndBottom);

    QRBandDetail1 = new TReportBand(this, QStringLiteral("QRBandDetail1"), Kind::Detail, 19);
    new TReportDBText(QRBandDetail1, QStringLiteral("QRDBTextNla"), QRect(1, 0, 0, 0), &dm.HdokQr1,
                      QStringLiteral("Nla"));
    new TReportDBText(QRBandDetail1, QStringLiteral("QRDBTextNce"), QRect(435, 0, 0, 0), &dm.HdokQr1,
                      QStringLiteral("Nce"));

    QRBandSummary = new TReportBand(this, QStringLiteral("QRBandSummary"), Kind::Summary, 32);
    new TReportShape(QRBandSummary, QStringLiteral("QRShape3"), QRect(1, 6, 665, 4), Shape::HorizontalLine);
    QRLabelPocet = new TReportLabel(QRBandSummary, QStringLiteral("QRLabelPocet"), QRect(1, 16, 0, 0),
                                    QStringLiteral("Počet druhů: 0"));
}

QStringList TRplk1Report::speciesStatement(const QString& locality, bool byLatinName) {
    // The name goes in as a quoted literal, so a name with a double quote selects its own
    // cards instead of breaking the statement.
    return {QStringLiteral("Select distinct Lk, Nla, Nce from Hdok where Lk = ") + engine::sql::quoteLiteral(locality),
            byLatinName ? QStringLiteral("order by Nla") : QStringLiteral("order by Nce")};
}

void TRplk1Report::selectSpecies(const QString& locality, bool byLatinName) {
    m_dm.HdokQr1.Close();
    m_dm.HdokQr1.SQL = speciesStatement(locality, byLatinName);
    m_dm.HdokQr1.Open();
    QRLabelPocet->setCaption(QStringLiteral("Počet druhů: ") + QString::number(m_dm.HdokQr1.RecordCount()));
}
