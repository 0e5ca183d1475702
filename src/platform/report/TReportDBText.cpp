#include "TReportDBText.h"

#include "TDataSet.h"

TReportDBText::TReportDBText(TReportBand* band, const QString& name, const QRect& geometry, TDataSet* dataSet,
                             const QString& fieldName)
    : TReportText(band, name, geometry), m_dataSet(dataSet), m_fieldName(fieldName) {
    setAutoSize(geometry.width() <= 0);
}

QString TReportDBText::text(const TReportContext&) const {
    // A closed or empty dataset prints nothing rather than failing the whole report.
    if (!m_dataSet || !m_dataSet->Active() || m_dataSet->IsEmpty()) return QString();
    return m_dataSet->FieldByName(m_fieldName)->AsString();
}
