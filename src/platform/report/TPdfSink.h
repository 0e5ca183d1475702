#pragma once

#include "TPrintSink.h"

// Writes prepared pages into a PDF file, painted by report::paintPage like on paper. The file
// is written beside its target and renamed over it only when complete, so a failed write
// leaves an existing file as it was.
class TPdfSink : public TPrintSink {
public:
    explicit TPdfSink(const QString& path) : m_path(path) {}

    // `copies` is not used: a file holds the pages once.
    bool printJob(const TPreparedReport& report, int copies) override;
    bool isFile() const override { return true; }
    QString path() const { return m_path; }

private:
    QString m_path;
};
