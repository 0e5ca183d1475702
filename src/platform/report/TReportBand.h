#pragma once

#include <QObject>
#include <QPointF>

class TReport;
struct TPreparedPage;
struct TReportContext;

// A horizontal strip of a report holding elements, printed as a whole:
// - Title: once, at the top of the first page, before the page header;
// - PageHeader: at the top of every page;
// - Detail: once per row of the report's dataset;
// - Summary: once, after the last row;
// - PageFooter: at the bottom of every page.
// Bands are children of their report; elements are children of their band. Bands are white and
// have no frame: only their elements print.
class TReportBand : public QObject {
    Q_OBJECT
public:
    enum class Kind { Title, PageHeader, Detail, Summary, PageFooter };

    TReportBand(TReport* report, const QString& name, Kind kind, int height);

    Kind kind() const { return m_kind; }
    int height() const { return m_height; }
    void setHeight(int height) { m_height = height < 0 ? 0 : height; }
    TReport* report() const;

    // Adds the items of every element, the band's top left corner being at `origin`.
    void place(const TReportContext& context, QPointF origin, TPreparedPage& page) const;

private:
    Kind m_kind;
    int m_height;
};
