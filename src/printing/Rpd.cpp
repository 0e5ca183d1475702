#include "Rpd.h"

#include "DataM1.h"
#include "TReportBand.h"
#include "TReportDBText.h"
#include "TReportLabel.h"
#include "TReportShape.h"

namespace {

const QString kArial = QStringLiteral("Arial");
const QString kTimes = QStringLiteral("Times New Roman");

// Design height of the page header; the run sets it from the top offset.
constexpr int kHeaderDesignHeight = 20;
constexpr int kLabelHeight = 349;

}  // namespace

TRpdReport::TRpdReport(TDM1& dm, QObject* parent) : TReport(QStringLiteral("Evidenční štítek"), parent), m_dm(dm) {
    setObjectName(QStringLiteral("RpdReport"));
    setOrientation(QPageLayout::Landscape);
    // The top offset is the header band, so the sheet itself has no top margin.
    setMargins(QMarginsF(0, 0, 0, 0));
    setFontPx(kArial, 11);
    setDataSet(&dm.HdokQr);

    QRBandHeader =
        new TReportBand(this, QStringLiteral("QRBandHeader"), TReportBand::Kind::PageHeader, kHeaderDesignHeight);
    QRBandDetail1 = new TReportBand(this, QStringLiteral("QRBandDetail1"), TReportBand::Kind::Detail, kLabelHeight);
    TReportBand* d = QRBandDetail1;
    TDataSet* card = &dm.HdokQr;

    auto data = [&](const char* name, QRect box, TDataSet* ds, const char* field, const QString& family, int px,
                    bool bold) {
        auto* t = new TReportDBText(d, QLatin1String(name), box, ds, QLatin1String(field));
        t->setFontPx(family, px, bold);
        return t;
    };
    auto label = [&](const char* name, QRect box, const QString& caption, const QString& family, int px, bool bold) {
        auto* t = new TReportLabel(d, QLatin1String(name), box, caption);
        t->setFontPx(family, px, bold);
        return t;
    };
    auto line = [&](const char* name, QRect box) {
        new TReportShape(d, QLatin1String(name), box, TReportShape::Kind::HorizontalLine);
    };

    data("QRDBTextSna", QRect(1, 11, 490, 22), &dm.Hspl, "Sna", kTimes, 19, true)
        ->setAlignment(TReportText::Align::Center);
    line("QRShape36", QRect(1, 42, 490, 4));
    data("QRDBTextNlak", QRect(1, 56, 490, 16), card, "Nlak", kArial, 13, true)
        ->setAlignment(TReportText::Align::Center);
    label("QRLabel3", QRect(2, 78, 488, 16), QString(61, QLatin1Char('=')), kArial, 13, true);
    label("QRLabel9", QRect(1, 104, 53, 17), QStringLiteral("Habitat:"), kTimes, 15, true);
    data("QRDBTextLk", QRect(62, 105, 0, 0), card, "Lk", kArial, 13, false);
    data("QRDBTextPlo1", QRect(1, 129, 0, 0), card, "Plo1", kArial, 13, false);
    data("QRDBTextPlo2", QRect(1, 147, 0, 0), card, "Plo2", kArial, 13, false);
    data("QRDBTextSd", QRect(1, 171, 0, 0), card, "Sd", kArial, 13, true);
    line("QRShape2", QRect(1, 269, 490, 4));
    data("QRDBTextLe", QRect(45, 285, 0, 0), card, "Le", kArial, 13, false);
    data("QRDBTextD", QRect(394, 285, 0, 0), card, "D", kArial, 13, false);
    label("QRLabel6", QRect(1, 288, 31, 17), QStringLiteral("Leg:"), kTimes, 15, true);
    label("QRLabel13", QRect(358, 288, 28, 17), QStringLiteral("Dat:"), kTimes, 15, true);
    label("QRLabel7", QRect(37, 293, 315, 14), QString(105, QLatin1Char('.')), kArial, 11, false);
    label("QRLabel18", QRect(391, 293, 99, 14), QString(33, QLatin1Char('.')), kArial, 11, false);
    data("QRDBTextDt", QRect(45, 311, 0, 0), card, "Dt", kArial, 13, false);
    label("QRLabel12", QRect(1, 314, 29, 17), QStringLiteral("Det:"), kTimes, 15, true);
    label("QRLabel19", QRect(37, 319, 453, 14), QString(151, QLatin1Char('.')), kArial, 11, false);
}

QStringList TRpdReport::cardStatement(int c1, int c2) {
    // The numbers are quoted; the engine compares a quoted literal with a number field as a number.
    return {QStringLiteral("Select * from Hdok where Evc >= \"%1\" and Evc <= \"%2\" order by Evc").arg(c1).arg(c2)};
}

void TRpdReport::selectCards(int c1, int c2) {
    m_dm.HdokQr.Close();
    m_dm.HdokQr.SQL = cardStatement(c1, c2);
    m_dm.HdokQr.Open();
}

int TRpdReport::headerHeight(int ho) {
    // ho × 3.8 in whole numbers; 38 × ho is even, so the tenths are never exactly a half.
    return (ho * 38 + 5) / 10;
}

void TRpdReport::setTopOffsetMm(int ho) {
    QRBandHeader->setHeight(headerHeight(ho));
}
