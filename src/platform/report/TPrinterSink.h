#pragma once

#include "TPrintSink.h"

// Prints through QPrinter on the named system printer (the default printer when the name is
// empty). Each page is painted by report::paintPage on the whole sheet, scaled from 96 dpi to
// the printer's resolution.
class TPrinterSink : public TPrintSink {
public:
    explicit TPrinterSink(const QString& printerName) : m_printerName(printerName) {}

    bool printJob(const TPreparedReport& report, int copies) override;

private:
    QString m_printerName;
};
