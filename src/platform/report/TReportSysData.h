#pragma once

#include "TReportText.h"

// System data: the page number after a prefix text ("stránka 2").
class TReportSysData : public TReportText {
    Q_OBJECT
public:
    TReportSysData(TReportBand* band, const QString& name, const QRect& geometry, const QString& prefix);

    QString text(const TReportContext& context) const override;

private:
    QString m_prefix;
};
