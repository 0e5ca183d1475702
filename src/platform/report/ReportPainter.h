#pragma once

#include <QFont>

class QPainter;
struct TPreparedPage;

namespace report {

// Layout units per inch: positions, sizes and font heights of reports are pixels of a 96-dpi
// screen, whatever device a page is painted on.
constexpr qreal kLayoutDpi = 96.0;

// Millimetres to layout units (1 mm = 3.78 units).
constexpr qreal mmToLayout(qreal mm) {
    return mm * kLayoutDpi / 25.4;
}

// Paints `page` in layout units. The caller scales the painter to its device first (the
// preview by its zoom, a printer by its resolution / 96), so the screen, the printer and a PDF
// get the same drawing. Nothing is painted outside the items: the paper stays as it is.
void paintPage(QPainter& painter, const TPreparedPage& page);

// The font an element is measured and drawn with on this platform: unhinted, so that text is
// as wide at 96 dpi as on a 1200-dpi printer, and a central-European variant ("Arial CE") that
// is not installed is drawn with its base family. Those variants were separate fonts for the
// central-European code page; the fonts here are Unicode and carry those letters themselves.
QFont renderFont(const QFont& font);

}  // namespace report
