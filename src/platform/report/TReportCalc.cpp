#include "TReportCalc.h"

TReportCalc::TReportCalc(TReportBand* band, const QString& name, const QRect& geometry)
    : TReportText(band, name, geometry) {}
