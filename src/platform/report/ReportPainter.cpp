#include "ReportPainter.h"

#include <QFontDatabase>
#include <QHash>
#include <QPainter>

#include "TPreparedReport.h"

namespace report {

namespace {

QString installedFamily(const QString& family) {
    // Asked once per family: the font database lookup is slow compared with drawing a text.
    static QHash<QString, QString> cache;
    auto it = cache.constFind(family);
    if (it != cache.constEnd()) return it.value();
    QString resolved = family;
    const QLatin1String ce(" CE");
    if (family.endsWith(ce) && !QFontDatabase::hasFamily(family)) resolved.chop(ce.size());
    cache.insert(family, resolved);
    return resolved;
}

void paintText(QPainter& painter, const TPreparedItem& item) {
    painter.setFont(renderFont(item.font));
    if (item.clip) {
        // Cut at the box's sides only: a line of full stops ends where the design puts its
        // end, while a descender reaching below a tight box still shows.
        painter.save();
        const QRectF& r = item.rect;
        painter.setClipRect(QRectF(r.left(), r.top() - r.height(), r.width(), 3 * r.height()), Qt::IntersectClip);
        painter.drawText(r, item.flags | Qt::TextDontClip | Qt::TextSingleLine, item.text);
        painter.restore();
    } else {
        painter.drawText(item.rect, item.flags | Qt::TextDontClip | Qt::TextSingleLine, item.text);
    }
}

}  // namespace

QFont renderFont(const QFont& font) {
    QFont f(font);
    f.setFamily(installedFamily(font.family()));
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

void paintPage(QPainter& painter, const TPreparedPage& page) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setBrush(Qt::NoBrush);
    for (const TPreparedItem& item : page.items) {
        // Reports print black: texts in the window-text colour, shapes with a black pen.
        painter.setPen(QPen(Qt::black, item.penWidth, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        switch (item.kind) {
            case TPreparedItem::Kind::Text:
                paintText(painter, item);
                break;
            case TPreparedItem::Kind::Line:
                painter.drawLine(item.rect.topLeft(), item.rect.topRight());
                break;
            case TPreparedItem::Kind::Rectangle:
                painter.drawRect(item.rect);
                break;
        }
    }
    painter.restore();
}

}  // namespace report
