#include "PrintOutput.h"

#include <QDir>
#include <QFileDialog>
#include <QPrinterInfo>
#include <QStandardPaths>

#include "Globals.h"
#include "Main.h"
#include "MessageBox.h"
#include "TPdfSink.h"
#include "TPreparedReport.h"
#include "TPrinterSink.h"
#include "TReport.h"

namespace {

PrintOutput::SinkFactory& sinkFactory() {
    static PrintOutput::SinkFactory factory;
    return factory;
}

PrintOutput::PdfFileChooser& pdfFileChooser() {
    static PrintOutput::PdfFileChooser chooser;
    return chooser;
}

QString askPdfFile(const QString& suggested, QWidget* parent) {
    if (pdfFileChooser()) return pdfFileChooser()(suggested, parent);
    QFileDialog dialog(parent, QStringLiteral("Uložit tisk jako PDF"));
    dialog.setObjectName(QStringLiteral("PdfFileDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({QStringLiteral("Dokumenty PDF (*.pdf)"), QStringLiteral("Všechny soubory (*)")});
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    dialog.setDirectory(QFileInfo(suggested).absolutePath());
    dialog.selectFile(QFileInfo(suggested).fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().constFirst();
}

}  // namespace

QString PrintOutput::availablePrinter() {
    const QString firmPrinter = MainForm ? MainForm->currentPrinterName() : QString();
    if (!firmPrinter.isEmpty() && !QPrinterInfo::printerInfo(firmPrinter).isNull()) return firmPrinter;
    const QPrinterInfo fallback = QPrinterInfo::defaultPrinter();
    return fallback.isNull() ? QString() : fallback.printerName();
}

QString PrintOutput::suggestedPdfPath(const QString& title) {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (dir.isEmpty()) dir = QDir::homePath();
    // The documents folder is where the user looks for the file; a fresh account may lack it.
    QDir().mkpath(dir);
    return QDir(dir).filePath(title + QStringLiteral(".pdf"));
}

std::unique_ptr<TPrintSink> PrintOutput::open(const QString& title, QWidget* parent) {
    if (sinkFactory()) return sinkFactory()(title, parent);
    const QString printer = availablePrinter();
    if (!printer.isEmpty()) return std::make_unique<TPrinterSink>(printer);
    const QString path = askPdfFile(suggestedPdfPath(title), parent);
    if (path.isEmpty()) return nullptr;
    return std::make_unique<TPdfSink>(path);
}

bool PrintOutput::printCopies(TPrintSink& sink, const TPreparedReport& pages, bool printerMakesCopies, int copies,
                              int printerCopies) {
    const int jobs = sink.isFile() || printerMakesCopies ? 1 : qMax(1, copies);
    for (int i = 0; i < jobs; ++i) {
        if (!sink.printJob(pages, sink.isFile() ? 1 : printerCopies)) return false;
    }
    return true;
}

bool PrintOutput::print(const TReport& report, bool printerMakesCopies, int copies, QWidget* parent,
                        const std::function<void(bool sending)>& sending) {
    std::unique_ptr<TPrintSink> sink = open(report.title(), parent);
    if (!sink) return false;
    if (sending) sending(true);
    const bool ok = printCopies(*sink, report.prepared(), printerMakesCopies, copies, report.printerCopies());
    if (sending) sending(false);
    if (ok) return true;
    if (auto* pdf = dynamic_cast<TPdfSink*>(sink.get())) {
        MessageBox::error(QStringLiteral("Soubor %1 se nepodařilo uložit.\n%2").arg(pdf->path(), sink->errorString()),
                          parent);
    } else {
        MessageBox::error(QStringLiteral("Tisk se nepodařilo vytvořit.\n") + sink->errorString(), parent);
    }
    return false;
}

void PrintOutput::setSinkFactory(SinkFactory factory) {
    sinkFactory() = std::move(factory);
}

void PrintOutput::setPdfFileChooser(PdfFileChooser chooser) {
    pdfFileChooser() = std::move(chooser);
}
