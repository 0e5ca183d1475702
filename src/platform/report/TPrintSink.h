#pragma once

#include <QString>

struct TPreparedReport;

// Where prepared pages are printed: a printer, a PDF file, or in tests a recorder. One call of
// printJob() is one print job.
class TPrintSink {
public:
    virtual ~TPrintSink() = default;

    // Sends every page of `report` as one job, the device making `copies` copies of it.
    // Returns false when the job could not be completed; errorString() then says why.
    virtual bool printJob(const TPreparedReport& report, int copies) = 0;
    // True for a file: copies and repeated runs mean nothing there, the pages are written once.
    virtual bool isFile() const { return false; }
    QString errorString() const { return m_error; }

protected:
    QString m_error;
};
