#include "TPrinterSink.h"

#include <QPainter>
#include <QPrinter>

#include "ReportPainter.h"
#include "TPreparedReport.h"

bool TPrinterSink::printJob(const TPreparedReport& report, int copies) {
    QPrinter printer(QPrinter::HighResolution);
    if (!m_printerName.isEmpty()) printer.setPrinterName(m_printerName);
    printer.setDocName(report.title);
    printer.setCreator(QStringLiteral("Lamelin"));
    // Positions are measured from the paper's edge, not from the printable area.
    printer.setFullPage(true);
    printer.setPageLayout(QPageLayout(report.pageSize, report.orientation, QMarginsF(0, 0, 0, 0)));
    printer.setCopyCount(copies < 1 ? 1 : copies);
    QPainter painter;
    if (!painter.begin(&printer)) {
        m_error = QStringLiteral("Tiskárna %1 není dostupná.").arg(m_printerName);
        return false;
    }
    const qreal scale = printer.resolution() / report::kLayoutDpi;
    for (int i = 0; i < report.pageCount(); ++i) {
        if (i > 0 && !printer.newPage()) {
            m_error = QStringLiteral("Tiskárna %1 nepřijala další stránku.").arg(m_printerName);
            painter.end();
            return false;
        }
        painter.save();
        painter.scale(scale, scale);
        report::paintPage(painter, report.pages.at(i));
        painter.restore();
    }
    if (!painter.end()) {
        m_error = QStringLiteral("Tisk na tiskárnu %1 se nezdařil.").arg(m_printerName);
        return false;
    }
    return true;
}
