#pragma once

#include <QFont>
#include <QPageLayout>
#include <QPageSize>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QVector>

// One drawn thing of a prepared page. Coordinates are layout units (96 per inch) from the top
// left corner of the paper, so a page paints the same on the screen, a printer and a PDF.
struct TPreparedItem {
    enum class Kind { Text, Line, Rectangle };
    Kind kind = Kind::Text;
    QString name;  // object name of the element that produced the item
    // Text: the text's box. Rectangle: the frame. Line: from rect.topLeft() to rect.topRight().
    QRectF rect;
    QString text;
    QFont font;
    int flags = 0;      // Qt alignment flags of the text within its box
    bool clip = false;  // the text is cut at the box's left and right edges
    qreal penWidth = 1;
};

// The items of one page, in the order they are painted.
struct TPreparedPage {
    QVector<TPreparedItem> items;

    // The first item made by the element `name`, or nullptr.
    const TPreparedItem* find(const QString& name) const;
    // Every item made by `name`, in page order.
    QVector<const TPreparedItem*> findAll(const QString& name) const;
};

// The pages of one run of a report: what the preview shows and what printing sends, so
// neither runs the report's queries again.
struct TPreparedReport {
    QString title;
    QPageSize pageSize{QPageSize::A4};
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QSizeF paperSize;  // layout units, orientation applied
    QVector<TPreparedPage> pages;

    int pageCount() const { return int(pages.size()); }
};
