#include "TReportPreview.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

#include "ReportPainter.h"

namespace {
// The desk around the page, in screen pixels.
constexpr int kDesk = 10;
}  // namespace

TReportPreview::TReportPreview(QWidget* parent) : QAbstractScrollArea(parent) {
    setObjectName(QStringLiteral("QRPreview"));
    viewport()->setBackgroundRole(QPalette::Dark);
    viewport()->setAutoFillBackground(true);
    // The bars follow the thumb while it is dragged.
    horizontalScrollBar()->setTracking(true);
    verticalScrollBar()->setTracking(true);
    horizontalScrollBar()->setSingleStep(16);
    verticalScrollBar()->setSingleStep(16);
}

void TReportPreview::setReport(const TPreparedReport& report) {
    m_report = report;
    m_page = 1;
    updateScrollBars();
    scrollHome();
    viewport()->update();
    emit pageChanged(m_page);
}

void TReportPreview::setPageNumber(int page) {
    if (page < 1 || page > pageCount() || page == m_page) return;
    m_page = page;
    viewport()->update();
    emit pageChanged(m_page);
}

void TReportPreview::setZoom(int percent) {
    percent = std::clamp(percent, 1, kMaxZoom);
    if (percent == m_zoom) return;
    m_zoom = percent;
    updateScrollBars();
    viewport()->update();
    emit zoomChanged(m_zoom);
}

void TReportPreview::zoomToFit() {
    const QSizeF paper = m_report.paperSize;
    if (paper.isEmpty()) return;
    const QSize room = maximumViewportSize() - QSize(2 * kDesk, 2 * kDesk);
    const qreal scale = std::min(room.width() / paper.width(), room.height() / paper.height());
    setZoom(int(std::floor(scale * 100)));
}

void TReportPreview::zoomToWidth() {
    const QSizeF paper = m_report.paperSize;
    if (paper.isEmpty()) return;
    // The page will usually be taller than the window, so room is left for the vertical bar.
    const int room = maximumViewportSize().width() - 2 * kDesk - verticalScrollBar()->sizeHint().width();
    setZoom(int(std::floor(room / paper.width() * 100)));
}

void TReportPreview::scrollBy(int dx, int dy) {
    // QScrollBar keeps its value within its range: moving beyond an end does nothing.
    horizontalScrollBar()->setValue(horizontalScrollBar()->value() + dx);
    verticalScrollBar()->setValue(verticalScrollBar()->value() + dy);
}

void TReportPreview::scrollHome() {
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

QSizeF TReportPreview::scaledPaper() const {
    return m_report.paperSize * (m_zoom / 100.0);
}

void TReportPreview::updateScrollBars() {
    const QSizeF paper = scaledPaper();
    const QSize view = viewport()->size();
    const int width = int(std::ceil(paper.width())) + 2 * kDesk;
    const int height = int(std::ceil(paper.height())) + 2 * kDesk;
    horizontalScrollBar()->setRange(0, std::max(0, width - view.width()));
    verticalScrollBar()->setRange(0, std::max(0, height - view.height()));
    horizontalScrollBar()->setPageStep(view.width());
    verticalScrollBar()->setPageStep(view.height());
}

void TReportPreview::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void TReportPreview::scrollContentsBy(int, int) {
    viewport()->update();
}

void TReportPreview::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QSizeF paper = scaledPaper();
    const QSize view = viewport()->size();
    // A page narrower than the window is centred; a wider one scrolls.
    const qreal x = paper.width() + 2 * kDesk < view.width() ? (view.width() - paper.width()) / 2
                                                             : kDesk - horizontalScrollBar()->value();
    const qreal y = kDesk - verticalScrollBar()->value();
    const QRectF sheet(x, y, paper.width(), paper.height());
    painter.fillRect(sheet.translated(3, 3), palette().color(QPalette::Shadow));
    painter.fillRect(sheet, Qt::white);
    if (m_page < 1 || m_page > pageCount()) return;
    painter.setClipRect(sheet.intersected(QRectF(event->rect())));
    painter.translate(x, y);
    painter.scale(m_zoom / 100.0, m_zoom / 100.0);
    report::paintPage(painter, m_report.pages.at(m_page - 1));
}
