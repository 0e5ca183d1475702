#include "TReportLabel.h"

TReportLabel::TReportLabel(TReportBand* band, const QString& name, const QRect& geometry, const QString& caption)
    : TReportText(band, name, geometry), m_caption(caption) {
    setAutoSize(geometry.width() <= 0);
}
