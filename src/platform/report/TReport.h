#pragma once

#include <QFont>
#include <QMarginsF>
#include <QObject>
#include <QPageLayout>
#include <QPageSize>
#include <functional>

#include "TPreparedReport.h"
#include "TReportBand.h"

class TDataSet;

// A banded report form: page set-up (paper, orientation, margins in millimetres), a default
// font, bands with their elements, and the dataset whose rows the detail band prints.
//
// Prepare() lays the report out into pages: it restarts the dataset from its first row, prints
// the title on page 1, the page header on every page, one detail band per row, a new page when
// the next band does not fit above the bottom margin (and the page footer), and the summary
// after the last row. The pages are kept (prepared()) until the next Prepare(), so the preview
// and printing use them without running the queries again. A failure of the dataset
// propagates (EDatabaseError); the pages of the last good run stay.
//
// The report has no page frame and one column; it prints black on white.
class TReport : public QObject {
    Q_OBJECT
    Q_PROPERTY(QFont font READ font WRITE setFont)
public:
    // Called by Preview() with the prepared report; the program shows its preview window.
    using PreviewHook = std::function<void(TReport&)>;

    explicit TReport(const QString& title, QObject* parent = nullptr);
    ~TReport() override;

    QString title() const { return m_title; }

    // The form's default font; elements created afterwards start with it.
    QFont font() const { return m_font; }
    void setFont(const QFont& font) { m_font = font; }
    void setFontPx(const QString& family, int pixels);

    QPageSize pageSize() const { return m_pageSize; }
    void setPageSize(const QPageSize& size) { m_pageSize = size; }
    QPageLayout::Orientation orientation() const { return m_orientation; }
    void setOrientation(QPageLayout::Orientation orientation) { m_orientation = orientation; }
    // Margins in millimetres.
    QMarginsF margins() const { return m_margins; }
    void setMargins(const QMarginsF& millimetres) { m_margins = millimetres; }
    void setLeftMarginMm(qreal millimetres) { m_margins.setLeft(millimetres); }
    // The paper in layout units, orientation applied.
    QSizeF paperSize() const;

    // The rows of the detail band; not owned. Without one the detail band prints no row.
    TDataSet* dataSet() const { return m_dataSet; }
    void setDataSet(TDataSet* dataSet) { m_dataSet = dataSet; }

    // The number of copies the printer itself is asked to make (set before each run).
    int printerCopies() const { return m_printerCopies; }
    void setPrinterCopies(int copies) { m_printerCopies = copies < 1 ? 1 : copies; }

    // The band of `kind` (the first when there are several), or nullptr.
    TReportBand* band(TReportBand::Kind kind) const;

    // Lays the report out; see above.
    const TPreparedReport& Prepare();
    const TPreparedReport& prepared() const { return m_prepared; }
    // Prepares the pages and hands the report to the preview hook.
    void Preview();

    static void setPreviewHook(PreviewHook hook);

private:
    QString m_title;
    QFont m_font;
    QPageSize m_pageSize{QPageSize::A4};
    QPageLayout::Orientation m_orientation = QPageLayout::Portrait;
    QMarginsF m_margins;
    TDataSet* m_dataSet = nullptr;
    int m_printerCopies = 1;
    TPreparedReport m_prepared;
};
