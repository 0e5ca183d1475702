#pragma once

#include "TReport.h"

class TDataSet;
class TReportBand;

// The firm list "Seznam firem": number, name and directory of every firm of the register
// cursor it is given, in that cursor's order and filter, and the number of firms listed.
class TRvoz1aReport : public TReport {
    Q_OBJECT
public:
    // `firms` is a cursor on the firm register (Cislo, Nazev, Adresar); it must outlive the report.
    explicit TRvoz1aReport(TDataSet& firms, QObject* parent = nullptr);

    TReportBand* QRBandTitle;
    TReportBand* QRBandHeader;
    TReportBand* QRBandDetail;
    TReportBand* QRBandSummary;
};
