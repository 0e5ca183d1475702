#pragma once

#include "TReport.h"

class TDM1;
class TReportBand;

// The registration label "Evidenční štítek": one label per card of HdokQr, in ascending
// registration number, on landscape sheets. Each sheet starts with the empty page-header band
// whose height is the top offset, so the offset applies on every sheet; the left margin is the
// label's left offset. The heading comes from Hspl.Sna, the rest from the card: the Latin name
// with its author (Nlak), the locality with its description and GPS, and the collector, date and
// determiner printed on dotted lines that stay for handwriting when a value is empty.
class TRpdReport : public TReport {
    Q_OBJECT
public:
    // The data module's HdokQr and Hspl must outlive the report.
    explicit TRpdReport(TDM1& dm, QObject* parent = nullptr);

    // Opens HdokQr on the cards numbered c1..c2 (none when c1 > c2). Throws EDatabaseError.
    void selectCards(int c1, int c2);
    // Sets the page-header band for a top offset of `ho` millimetres.
    void setTopOffsetMm(int ho);
    // The header height for `ho` mm: 3.8 units per millimetre, rounded (38 for 10 mm).
    static int headerHeight(int ho);
    // The statement of selectCards.
    static QStringList cardStatement(int c1, int c2);

    TReportBand* QRBandHeader;
    TReportBand* QRBandDetail1;

private:
    TDM1& m_dm;
};
