#include "Rvoz1a.h"

#include "TReportBand.h"
#include "TReportCalc.h"
#include "TReportDBText.h"
#include "TReportLabel.h"
#include "TReportShape.h"

namespace {
// A full-width rule of hyphens between the rows.
const QString kRule(173, QLatin1Char('-'));
}  // namespace

TRvoz1aReport::TRvoz1aReport(TDataSet& firms, QObject* parent) : TReport(QStringLiteral("Seznam firem"), parent) {
    setObjectName(QStringLiteral("Rvoz1aReport"));
    setOrientation(QPageLayout::Portrait);
    setMargins(QMarginsF(0, 10, 0, 10));
    setFontPx(QStringLiteral("Arial"), 13);
    setDataSet(&firms);
    using Kind = TReportBand::Kind;
    using Shape = TReportShape::Kind;

    QRBandTitle = new TReportBand(this, QStringLiteral("QRBandTitle"), Kind::Title, 67);
    new TReportShape(QRBandTitle, QStringLiteral("QRShape2"), QRect(3, 21, 687, 36), Shape::Rectangle);
    new TReportShape(QRBandTitle, QStringLiteral("QRShape3"), QRect(6, 24, 681, 30), Shape::Rectangle);
    new TReportLabel(QRBandTitle, QStringLiteral("QRLabel"), QRect(276, 32, 0, 0),
                     QStringLiteral("S E Z N A M   F I R E M"));

    QRBandHeader = new TReportBand(this, QStringLiteral("QRBandHeader"), Kind::PageHeader, 48);
    new TReportLabel(QRBandHeader, QStringLiteral("QRLabel1"), QRect(0, 16, 0, 0), QStringLiteral("Číslo"));
    new TReportLabel(QRBandHeader, QStringLiteral("QRLabel2"), QRect(60, 16, 0, 0), QStringLiteral("Název firmy"));
    new TReportLabel(QRBandHeader, QStringLiteral("QRLabel3"), QRect(647, 16, 0, 0), QStringLiteral("Adresář"));
    new TReportLabel(QRBandHeader, QStringLiteral("QRLabel22"), QRect(0, 32, 692, 16), kRule);

    QRBandDetail = new TReportBand(this, QStringLiteral("QRBandDetail"), Kind::Detail, 32);
    // Right-justified: the box ends at 29, where the numbers' last digits line up.
    auto* number = new TReportDBText(QRBandDetail, QStringLiteral("QRDBTextCislo"), QRect(0, 0, 29, 16), &firms,
                                     QStringLiteral("Cislo"));
    number->setAlignment(TReportText::Align::Right);
    number->setAutoSize(true);
    new TReportDBText(QRBandDetail, QStringLiteral("QRDBTextNazev"), QRect(60, 0, 0, 0), &firms,
                      QStringLiteral("Nazev"));
    new TReportDBText(QRBandDetail, QStringLiteral("QRDBTextAdresar"), QRect(647, 0, 0, 0), &firms,
                      QStringLiteral("Adresar"));
    new TReportLabel(QRBandDetail, QStringLiteral("QRLabel5"), QRect(0, 16, 692, 16), kRule);

    QRBandSummary = new TReportBand(this, QStringLiteral("QRBandSummary"), Kind::Summary, 64);
    new TReportShape(QRBandSummary, QStringLiteral("QRShape4"), QRect(0, 22, 692, 4), Shape::TopAndBottom);
    new TReportLabel(QRBandSummary, QStringLiteral("QRLabel4"), QRect(0, 32, 0, 0),
                     QStringLiteral("Celkový počet firem"));
    auto* total = new TReportCalc(QRBandSummary, QStringLiteral("QRDBCalc"), QRect(629, 32, 63, 16));
    total->setAlignment(TReportText::Align::Right);
    total->setAutoSize(true);
    new TReportShape(QRBandSummary, QStringLiteral("QRShape5"), QRect(0, 54, 692, 4), Shape::TopAndBottom);
}
