#include "TReportShape.h"

#include "TPreparedReport.h"

TReportShape::TReportShape(TReportBand* band, const QString& name, const QRect& geometry, Kind kind)
    : TReportElement(band, name, geometry), m_kind(kind) {}

void TReportShape::place(const TReportContext&, QPointF origin, TPreparedPage& page) const {
    const QRect g = geometry();
    const QRectF box(origin.x() + g.left(), origin.y() + g.top(), g.width(), g.height());
    auto line = [&](qreal y) {
        TPreparedItem item;
        item.kind = TPreparedItem::Kind::Line;
        item.name = objectName();
        item.rect = QRectF(box.left(), y, box.width(), 0);
        page.items.push_back(item);
    };
    switch (m_kind) {
        case Kind::HorizontalLine:
            line(box.top() + g.height() / 2);
            break;
        case Kind::TopAndBottom:
            // The pen lies inside the box, as a frame does.
            line(box.top() + 0.5);
            line(box.bottom() - 0.5);
            break;
        case Kind::Rectangle: {
            TPreparedItem item;
            item.kind = TPreparedItem::Kind::Rectangle;
            item.name = objectName();
            item.rect = box.adjusted(0.5, 0.5, -0.5, -0.5);
            page.items.push_back(item);
            break;
        }
    }
}
