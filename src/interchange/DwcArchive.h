#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

namespace interchange {

// A Darwin Core Archive of occurrences: one zip file holding occurrence.txt (UTF-8, one header
// line of term names, tab-separated, no quoting), meta.xml (each column's term URI) and eml.xml
// (the minimum metadata a portal asks for).
class DwcArchive {
public:
    struct Metadata {
        QString id;       // the firm's identifier, also the start of every occurrenceID
        QString title;    // the firm's name
        QString creator;  // the usual collector
        QDate published;  // the day of the export
    };

    // Writes the archive `path` with occurrence.txt taken from the file `occurrenceFile` and the
    // columns `terms`. libzip writes into a temporary file beside `path` and renames it over
    // `path` only when the archive is complete, so an existing archive survives a failure.
    // Throws EDatabaseError "Soubor <path> nelze vytvořit." (with libzip's reason).
    static void write(const QString& path, const QString& occurrenceFile, const QStringList& terms,
                      const Metadata& meta);

    static QByteArray metaXml(const QStringList& terms);
    static QByteArray emlXml(const Metadata& meta);
};

}  // namespace interchange
