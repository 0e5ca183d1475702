#pragma once

#include <QString>
#include <functional>
#include <memory>

class QWidget;
class TPrintSink;
class TReport;
struct TPreparedReport;

// Where the program's printed pages go, and how copies are made.
//
// With a printer, pages go through QPrinter to the firm's printer (the one the main window
// chose; the system default when that one is gone). With no printer at all, printing still
// works: the user names a PDF file (offered: the report title + ".pdf" in the documents
// folder) and the same pages are written there.
class PrintOutput {
public:
    using SinkFactory = std::function<std::unique_ptr<TPrintSink>(const QString& title, QWidget* parent)>;
    using PdfFileChooser = std::function<QString(const QString& suggestedPath, QWidget* parent)>;

    // The output for a print of `title`: a printer, or a PDF file the user chose. nullptr when
    // the user cancelled the file dialog (nothing is printed then).
    static std::unique_ptr<TPrintSink> open(const QString& title, QWidget* parent);

    // The installed printer to use: the firm's printer when the system has it, else the
    // default printer; empty when no printer is installed.
    static QString availablePrinter();

    // The file offered for a PDF of `title`: the documents folder + title + ".pdf".
    static QString suggestedPdfPath(const QString& title);

    // Prints `pages` with the copy rules of the firm: when the printer makes copies itself
    // (`printerMakesCopies`, Hspl.Kp) one job with `printerCopies` copies; otherwise `copies`
    // (Hspl.Ko) jobs in a row, each with `printerCopies` copies. A file gets the pages once.
    // Stops at the first failed job and returns false (the sink's errorString() says why).
    static bool printCopies(TPrintSink& sink, const TPreparedReport& pages, bool printerMakesCopies, int copies,
                            int printerCopies);

    // Prints the pages `report` prepared last: opens the output (open()), prints with the copy
    // rules of printCopies() and the report's printer copies, and shows a failure in an error
    // box. `sending` is called with true once the output is open, before the first page goes
    // out, and with false when the pages are out or the printing failed, before any message.
    // Returns true when every job went out; false after a failure or when the user cancelled
    // the PDF file dialog.
    static bool print(const TReport& report, bool printerMakesCopies, int copies, QWidget* parent,
                      const std::function<void(bool sending)>& sending = {});

    // For tests: replace the output (nullptr restores the printer and PDF outputs), or the
    // file dialog of the PDF output.
    static void setSinkFactory(SinkFactory factory);
    static void setPdfFileChooser(PdfFileChooser chooser);
};
