#pragma once

#include "TReport.h"

class TDM1;
class TReportBand;
class TReportLabel;

// The locality print-out "Tisk lokality": the distinct species recorded at one locality (query
// HdokQr1), Latin and Czech name per line, ordered by either, on portrait pages. A double frame
// with "TISK LOKALITY" opens page 1; every page has the locality name, the page number and the
// column heads; "Počet druhů: N" closes the list.
class TRplk1Report : public TReport {
    Q_OBJECT
public:
    // The data module's HdokQr1 and Hspl must outlive the report.
    explicit TRplk1Report(TDM1& dm, QObject* parent = nullptr);

    // Opens HdokQr1 on the species recorded at `locality` (matched exactly), ordered by Latin
    // name when `byLatinName`, else by Czech name, and sets the count line. Throws EDatabaseError.
    void selectSpecies(const QString& locality, bool byLatinName);
    static QStringList speciesStatement(const QString& locality, bool byLatinName);

    TReportBand* QRBandTitle;
    TReportBand* QRBandPageHeader;
    TReportBand* QRBandDetail1;
    TReportBand* QRBandSummary;
    TReportLabel* QRLabelPocet;

private:
    TDM1& m_dm;
};
