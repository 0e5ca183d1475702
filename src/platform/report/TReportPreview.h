#pragma once

#include <QAbstractScrollArea>

#include "TPreparedReport.h"

// The preview control: shows one page of a prepared report on a grey desk, at a zoom in per
// cent (100 = one layout unit per screen pixel), scrolled by its scroll bars. Page numbers are
// 1-based; a page number outside 1..pageCount() is ignored.
class TReportPreview : public QAbstractScrollArea {
    Q_OBJECT
public:
    static constexpr int kMaxZoom = 500;

    explicit TReportPreview(QWidget* parent = nullptr);

    // Shows `report` from page 1 with both scroll bars at 0. The control keeps a copy.
    void setReport(const TPreparedReport& report);
    const TPreparedReport& report() const { return m_report; }
    int pageCount() const { return m_report.pageCount(); }
    int pageNumber() const { return m_page; }
    void setPageNumber(int page);

    int zoom() const { return m_zoom; }
    // Sets the zoom, kept within 1..kMaxZoom (a page must stay visible).
    void setZoom(int percent);
    // The zoom at which the whole page, or the page's width, fits the control.
    void zoomToFit();
    void zoomToWidth();

    // Moves the view by `dx`, `dy` pixels; the scroll bars stop at their ends.
    void scrollBy(int dx, int dy);
    // Both scroll bars to 0: the page's top left corner in view.
    void scrollHome();

signals:
    void pageChanged(int page);
    void zoomChanged(int percent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    QSizeF scaledPaper() const;
    void updateScrollBars();

    TPreparedReport m_report;
    int m_page = 1;
    int m_zoom = 100;
};
