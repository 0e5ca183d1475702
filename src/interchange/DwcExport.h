#pragma once

#include <QString>
#include <QVector>
#include <functional>

#include "DwcOccurrence.h"

class TSession;

namespace interchange {

// The export of a firm's cards as a Darwin Core Archive (see DwcArchive) for national and
// international occurrence portals. The export window gathers the options and calls run();
// it shows summary() afterwards and offers to save problemList().
class DwcExport {
public:
    enum class Selection {
        All,     // every card
        Marked,  // the cards the extended search marked (Neh = "A")
        Range,   // the cards with evcFrom <= Evc <= evcTo
    };

    struct Options {
        Selection selection = Selection::All;
        int evcFrom = 0;
        int evcTo = 0;
        DwcOccurrence::Basis basis = DwcOccurrence::Basis::PreservedSpecimen;
        bool country = true;  // country "Czech Republic", countryCode "CZ"
        QString outputPath;   // the zip file to write
        // Called now and then with the number of cards read so far (may stay empty).
        std::function<void(int cards)> progress;
    };

    // A card whose coordinates (non-empty GPS text that could not be read) or date (none)
    // could not be exported; it is exported all the same, without them.
    struct Problem {
        int evc = 0;
        bool coordinates = false;
        bool date = false;
    };

    struct Result {
        int written = 0;
        QVector<Problem> problems;  // in Evc order
    };

    // Exports the cards of the firm in `firmDir` (ending with "/") through a cursor of its own
    // on the tables, in the session `session` (which holds the table password; the firm may be
    // open in the program at the same time). `firmName` titles the dataset; the firm's
    // identifier is kept in its settings file `firmSettingsPath`. Throws EDatabaseError when
    // a table cannot be read or the archive cannot be written; an archive already at the path
    // is then left as it was.
    static Result run(const QString& firmDir, const QString& firmSettingsPath, const QString& firmName,
                      TSession& session, const Options& options);

    // The firm's identifier for occurrenceID: kept in the firm settings file ([DarwinCore] Id)
    // and made (a new UUID) on the first export, so that every export names a card alike.
    static QString firmIdentifier(const QString& firmSettingsPath);
    // A file name for the archive: the firm's name without the characters file names cannot
    // hold, and ".zip" ("Nálezy 2012.zip"); "nalezy.zip" when nothing is left.
    static QString defaultFileName(const QString& firmName);

    // The text of the information box after the export: how many cards were written and the
    // registration numbers of the cards with problems (the first 20, then "…").
    static QString summary(const Result& result);
    // The full list of cards with problems, one line each ("12\tsouřadnice, datum").
    static QString problemList(const Result& result);
};

}  // namespace interchange
