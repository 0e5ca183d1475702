#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

namespace interchange {

// One card as the Darwin Core export reads it (the fields of Hdok it maps).
struct DwcCard {
    int evc = 0;
    QString nla, ato, nce, kdl, lk, cmp, nmv, sd, plo1, plo2, le, dt;
    QDate d;
};

// The mapping of a card to one occurrence row of a Darwin Core archive: which terms the rows
// have, in which order, and the value of each.
class DwcOccurrence {
public:
    // The basis of record: the cards carry registration labels of kept specimens, so that is
    // the usual one; a card index of sightings exports human observations.
    enum class Basis { PreservedSpecimen, HumanObservation };

    struct Options {
        QString idPrefix;  // stable per firm; occurrenceID = idPrefix + ":" + Evc
        Basis basis = Basis::PreservedSpecimen;
        bool country = true;  // add country "Czech Republic" and countryCode "CZ"
    };

    struct Row {
        QStringList values;              // one per term of terms(), cleaned
        bool coordinatesUnread = false;  // Sd has text that is not a readable point
        bool dateMissing = false;        // the card has no date
    };

    // The Darwin Core term names of the columns, in order (country and countryCode only with
    // `country`). Every one is a term of http://rs.tdwg.org/dwc/terms/.
    static QStringList terms(bool country);
    static QString termNamespace() { return QStringLiteral("http://rs.tdwg.org/dwc/terms/"); }
    static QString basisText(Basis basis);

    static Row map(const DwcCard& card, const Options& options);

    // A value fit for a tab-separated line: tabs, line breaks and other control characters
    // become spaces, runs of spaces one, the ends trimmed.
    static QString clean(const QString& text);

    // The altitude field read as metres: one number gives both bounds, a range "450-480" (also
    // with "–" or "až") gives the lower and the upper; anything else gives neither (empty).
    struct Elevation {
        QString minimum, maximum;
    };
    static Elevation elevation(const QString& text);
};

}  // namespace interchange
