#pragma once

#include <QFont>

#include "TReportElement.h"

// An element that prints one line of text: a label, a data text, system data or a calculated
// total. Its font is a property named "font", so the report font conversion to the
// central-European variants reaches it like any other object with a font.
//
// Sizing: an auto-size element is as wide as its text; a left-justified one keeps its left
// edge, a right-justified one its right edge (left + design width), a centred one its centre.
// A fixed-size element prints within its box, aligned there and cut at its sides. An element
// without a design height is as high as its font's line.
class TReportText : public TReportElement {
    Q_OBJECT
    Q_PROPERTY(QFont font READ font WRITE setFont)
public:
    enum class Align { Left, Center, Right };

    // The font starts as the report's font.
    TReportText(TReportBand* band, const QString& name, const QRect& geometry);

    QFont font() const { return m_font; }
    void setFont(const QFont& font) { m_font = font; }
    // Pixel height of the font and bold, keeping the family (layout units: n px = 0.75 n pt).
    void setFontPx(const QString& family, int pixels, bool bold = false);
    Align alignment() const { return m_align; }
    void setAlignment(Align align) { m_align = align; }
    bool autoSize() const { return m_autoSize; }
    void setAutoSize(bool on) { m_autoSize = on; }

    // The text printed for the current state of the run (data row, page number, count).
    virtual QString text(const TReportContext& context) const = 0;

    void place(const TReportContext& context, QPointF origin, TPreparedPage& page) const override;

private:
    QFont m_font;
    Align m_align = Align::Left;
    bool m_autoSize = false;
};
