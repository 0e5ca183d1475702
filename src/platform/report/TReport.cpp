#include "TReport.h"

#include "ReportPainter.h"
#include "TDataSet.h"
#include "TReportElement.h"

namespace {

TReport::PreviewHook& previewHook() {
    static TReport::PreviewHook hook;
    return hook;
}

// Lays bands out page after page.
class PageBuilder {
public:
    PageBuilder(const TReport& report, TPreparedReport& out) : m_out(out) {
        const QMarginsF m = report.margins();
        m_left = report::mmToLayout(m.left());
        m_top = report::mmToLayout(m.top());
        m_title = report.band(TReportBand::Kind::Title);
        m_header = report.band(TReportBand::Kind::PageHeader);
        m_footer = report.band(TReportBand::Kind::PageFooter);
        // Bands end above the bottom margin and, when there is one, the page footer.
        m_bottom = report.paperSize().height() - report::mmToLayout(m.bottom()) - (m_footer ? m_footer->height() : 0);
    }

    TReportContext context;

    void startPage() {
        m_out.pages.push_back(TPreparedPage());
        ++context.pageNumber;
        m_y = m_top;
        m_fresh = true;
        if (context.pageNumber == 1 && m_title) put(*m_title);
        if (m_header) put(*m_header);
        m_fresh = true;  // a page holding only its title and header takes any band
    }

    void finishPage() {
        if (m_footer) m_footer->place(context, QPointF(m_left, m_bottom), m_out.pages.last());
    }

    // Prints `band` on the current page, or on a new page when it does not fit any more.
    void print(const TReportBand& band) {
        if (!m_fresh && m_y + band.height() > m_bottom) {
            finishPage();
            startPage();
        }
        put(band);
    }

private:
    void put(const TReportBand& band) {
        band.place(context, QPointF(m_left, m_y), m_out.pages.last());
        m_y += band.height();
        m_fresh = false;
    }

    TPreparedReport& m_out;
    const TReportBand* m_title = nullptr;
    const TReportBand* m_header = nullptr;
    const TReportBand* m_footer = nullptr;
    qreal m_left = 0;
    qreal m_top = 0;
    qreal m_bottom = 0;
    qreal m_y = 0;
    bool m_fresh = true;
};

}  // namespace

TReport::TReport(const QString& title, QObject* parent) : QObject(parent), m_title(title) {
    setObjectName(title);
    m_font.setFamily(QStringLiteral("Arial"));
    m_font.setPixelSize(13);
}

TReport::~TReport() = default;

void TReport::setFontPx(const QString& family, int pixels) {
    QFont f(family);
    f.setPixelSize(pixels);
    m_font = f;
}

QSizeF TReport::paperSize() const {
    const QSizeF mm = m_pageSize.size(QPageSize::Millimeter);
    const QSizeF size(report::mmToLayout(mm.width()), report::mmToLayout(mm.height()));
    return m_orientation == QPageLayout::Landscape ? size.transposed() : size;
}

TReportBand* TReport::band(TReportBand::Kind kind) const {
    for (QObject* child : children()) {
        auto* b = qobject_cast<TReportBand*>(child);
        if (b && b->kind() == kind) return b;
    }
    return nullptr;
}

const TPreparedReport& TReport::Prepare() {
    TPreparedReport out;
    out.title = m_title;
    out.pageSize = m_pageSize;
    out.orientation = m_orientation;
    out.paperSize = paperSize();

    PageBuilder builder(*this, out);
    builder.startPage();
    const TReportBand* detail = band(TReportBand::Kind::Detail);
    if (m_dataSet && detail) {
        // Every run starts from the first row, whatever row the dataset was left on.
        for (m_dataSet->First(); !m_dataSet->Eof(); m_dataSet->Next()) {
            ++builder.context.rowCount;
            builder.print(*detail);
        }
    }
    if (const TReportBand* summary = band(TReportBand::Kind::Summary)) builder.print(*summary);
    builder.finishPage();

    m_prepared = std::move(out);
    return m_prepared;
}

void TReport::Preview() {
    Prepare();
    if (previewHook()) previewHook()(*this);
}

void TReport::setPreviewHook(PreviewHook hook) {
    previewHook() = std::move(hook);
}
