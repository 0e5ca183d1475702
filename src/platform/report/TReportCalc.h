#pragma once

#include "TReportText.h"

// A calculated total: the number of detail rows printed so far, written with the mask "0"
// (a whole number without separators). Placed on the summary band it is the report's row count.
class TReportCalc : public TReportText {
    Q_OBJECT
public:
    TReportCalc(TReportBand* band, const QString& name, const QRect& geometry);

    QString text(const TReportContext& context) const override { return QString::number(context.rowCount); }
};
