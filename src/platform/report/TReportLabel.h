#pragma once

#include "TReportText.h"

// A fixed text. Auto-size unless created with a width.
class TReportLabel : public TReportText {
    Q_OBJECT
public:
    TReportLabel(TReportBand* band, const QString& name, const QRect& geometry, const QString& caption);

    QString caption() const { return m_caption; }
    void setCaption(const QString& caption) { m_caption = caption; }
    QString text(const TReportContext&) const override { return m_caption; }

private:
    QString m_caption;
};
