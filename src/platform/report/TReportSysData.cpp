#include "TReportSysData.h"

TReportSysData::TReportSysData(TReportBand* band, const QString& name, const QRect& geometry, const QString& prefix)
    : TReportText(band, name, geometry), m_prefix(prefix) {}

QString TReportSysData::text(const TReportContext& context) const {
    return m_prefix + QString::number(context.pageNumber);
}
