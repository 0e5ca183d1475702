#include "TReportText.h"

#include <QFontMetricsF>
#include <cmath>

#include "ReportPainter.h"
#include "TPreparedReport.h"
#include "TReport.h"

TReportText::TReportText(TReportBand* band, const QString& name, const QRect& geometry)
    : TReportElement(band, name, geometry) {
    if (TReport* r = report()) m_font = r->font();
}

void TReportText::setFontPx(const QString& family, int pixels, bool bold) {
    QFont f(family);
    f.setPixelSize(pixels);
    f.setBold(bold);
    m_font = f;
}

void TReportText::place(const TReportContext& context, QPointF origin, TPreparedPage& page) const {
    TPreparedItem item;
    item.kind = TPreparedItem::Kind::Text;
    item.name = objectName();
    item.text = text(context);
    item.font = m_font;
    const QRect g = geometry();
    QRectF box(origin.x() + g.left(), origin.y() + g.top(), g.width(), g.height());
    const QFontMetricsF metrics(report::renderFont(m_font));
    const qreal width = metrics.horizontalAdvance(item.text);
    if (g.height() <= 0) box.setHeight(std::ceil(metrics.height()));
    if (m_autoSize) {
        switch (m_align) {
            case Align::Left:
                box.setWidth(width);
                break;
            case Align::Right:
                box.setLeft(box.right() - width);
                break;
            case Align::Center:
                box = QRectF(box.center().x() - width / 2, box.top(), width, box.height());
                break;
        }
    }
    item.rect = box;
    // Only a text wider than its fixed box is cut; painting the others needs no clip.
    item.clip = !m_autoSize && width > box.width();
    const int horizontal = m_align == Align::Left    ? Qt::AlignLeft
                           : m_align == Align::Right ? Qt::AlignRight
                                                     : Qt::AlignHCenter;
    item.flags = horizontal | Qt::AlignTop;
    page.items.push_back(item);
}
