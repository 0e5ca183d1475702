#include "TPdfSink.h"

#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include "ReportPainter.h"
#include "TPreparedReport.h"

namespace {
// Fine enough for text and thin lines; the PDF keeps the texts as text anyway.
constexpr int kPdfDpi = 1200;
}  // namespace

bool TPdfSink::printJob(const TPreparedReport& report, int) {
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly)) {
        m_error = file.errorString();
        return false;
    }
    {
        QPdfWriter writer(&file);
        writer.setTitle(report.title);
        writer.setCreator(QStringLiteral("Lamelin"));
        writer.setResolution(kPdfDpi);
        writer.setPageLayout(QPageLayout(report.pageSize, report.orientation, QMarginsF(0, 0, 0, 0)));
        QPainter painter;
        if (!painter.begin(&writer)) {
            m_error = QStringLiteral("PDF nelze vytvořit.");
            file.cancelWriting();
            return false;
        }
        const qreal scale = kPdfDpi / report::kLayoutDpi;
        for (int i = 0; i < report.pageCount(); ++i) {
            if (i > 0) writer.newPage();
            painter.save();
            painter.scale(scale, scale);
            report::paintPage(painter, report.pages.at(i));
            painter.restore();
        }
        painter.end();
    }
    if (file.error() != QFileDevice::NoError || !file.commit()) {
        m_error = file.errorString();
        return false;
    }
    return true;
}
