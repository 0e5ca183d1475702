#pragma once

#include <QObject>
#include <QPointF>
#include <QRect>

class TReport;
class TReportBand;
struct TPreparedPage;

// What an element needs to know while a page is being laid out.
struct TReportContext {
    int pageNumber = 0;  // 1-based
    int rowCount = 0;    // detail rows printed so far
};

// Something printed on a band: a text or a shape. Its geometry is in layout units from the
// left edge of the band (after the report's left margin) and the top of the band. Elements are
// children of their band, which owns them.
class TReportElement : public QObject {
    Q_OBJECT
public:
    TReportElement(TReportBand* band, const QString& name, const QRect& geometry);

    QRect geometry() const { return m_geometry; }
    void setGeometry(const QRect& geometry) { m_geometry = geometry; }
    TReportBand* band() const;
    TReport* report() const;

    // Adds the element's items to `page`, the band's top left corner being at `origin`.
    virtual void place(const TReportContext& context, QPointF origin, TPreparedPage& page) const = 0;

private:
    QRect m_geometry;
};
