#pragma once

#include "TReportText.h"

class TDataSet;

// The value of one field of a dataset's current record, as the field shows it (dates as
// dd.mm.yyyy). The dataset must outlive the element's runs; a field it lacks fails the run with
// the engine's "field not found" error.
class TReportDBText : public TReportText {
    Q_OBJECT
public:
    TReportDBText(TReportBand* band, const QString& name, const QRect& geometry, TDataSet* dataSet,
                  const QString& fieldName);

    TDataSet* dataSet() const { return m_dataSet; }
    QString fieldName() const { return m_fieldName; }
    QString text(const TReportContext&) const override;

private:
    TDataSet* m_dataSet;
    QString m_fieldName;
};
