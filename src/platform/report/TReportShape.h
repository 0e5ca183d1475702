#pragma once

#include "TReportElement.h"

// A drawn shape, with a 1-unit black pen: a horizontal line across the middle of its box, a
// rectangle (the box's frame), or "top and bottom" (lines along the box's top and bottom edges).
class TReportShape : public TReportElement {
    Q_OBJECT
public:
    enum class Kind { HorizontalLine, Rectangle, TopAndBottom };

    TReportShape(TReportBand* band, const QString& name, const QRect& geometry, Kind kind);

    Kind kind() const { return m_kind; }
    void place(const TReportContext& context, QPointF origin, TPreparedPage& page) const override;

private:
    Kind m_kind;
};
