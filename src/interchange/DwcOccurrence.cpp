#include "DwcOccurrence.h"

#include <QRegularExpression>

#include "CoordinateReader.h"

namespace interchange {
namespace {

QString number(double value) {
    return QString::number(value, 'g', 12);
}

// The Latin name with its author. An author without a name names no taxon: the name stays
// empty rather than a bare author, which a portal would take for a name.
QString scientificName(const QString& nla, const QString& ato) {
    if (nla.isEmpty() || ato.isEmpty()) return nla;
    return nla + QLatin1Char(' ') + ato;
}

}  // namespace

QStringList DwcOccurrence::terms(bool country) {
    QStringList t{QStringLiteral("occurrenceID"),
                  QStringLiteral("basisOfRecord"),
                  QStringLiteral("catalogNumber"),
                  QStringLiteral("recordedBy"),
                  QStringLiteral("eventDate"),
                  QStringLiteral("scientificName"),
                  QStringLiteral("scientificNameAuthorship"),
                  QStringLiteral("vernacularName"),
                  QStringLiteral("kingdom"),
                  QStringLiteral("identifiedBy")};
    if (country) t << QStringLiteral("country") << QStringLiteral("countryCode");
    t << QStringLiteral("locality") << QStringLiteral("locationID") << QStringLiteral("habitat")
      << QStringLiteral("minimumElevationInMeters") << QStringLiteral("maximumElevationInMeters")
      << QStringLiteral("verbatimElevation") << QStringLiteral("verbatimCoordinates")
      << QStringLiteral("decimalLatitude") << QStringLiteral("decimalLongitude") << QStringLiteral("geodeticDatum")
      << QStringLiteral("locationRemarks");
    return t;
}

QString DwcOccurrence::basisText(Basis basis) {
    return basis == Basis::HumanObservation ? QStringLiteral("HumanObservation") : QStringLiteral("PreservedSpecimen");
}

QString DwcOccurrence::clean(const QString& text) {
    QString out;
    out.reserve(text.size());
    bool space = false;
    for (const QChar c : text) {
        if (c.isSpace() || c.category() == QChar::Other_Control) {
            space = !out.isEmpty();
            continue;
        }
        if (space) out += QLatin1Char(' ');
        space = false;
        out += c;
    }
    return out;
}

DwcOccurrence::Elevation DwcOccurrence::elevation(const QString& text) {
    static const QRegularExpression single(
        QStringLiteral("^\\D*?(\\d+(?:[.,]\\d+)?)\\s*(m|m\\.?\\s*n\\.?\\s*m\\.?|metrů)?\\s*\\.?$"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression range(QStringLiteral("^\\D*?(\\d+(?:[.,]\\d+)?)\\s*(?:m\\s*)?(?:-|–|až)\\s*(\\d+(?:"
                                                         "[.,]\\d+)?)\\s*(m|m\\.?\\s*n\\.?\\s*m\\.?|metrů)?\\s*\\.?$"),
                                          QRegularExpression::CaseInsensitiveOption);
    const QString t = text.trimmed();
    auto value = [](const QString& s) { return QString(s).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(); };
    if (const auto m = range.match(t); m.hasMatch()) {
        double a = value(m.captured(1)), b = value(m.captured(2));
        if (a > b) std::swap(a, b);
        return {number(a), number(b)};
    }
    if (const auto m = single.match(t); m.hasMatch()) {
        const QString v = number(value(m.captured(1)));
        return {v, v};
    }
    return {};
}

DwcOccurrence::Row DwcOccurrence::map(const DwcCard& card, const Options& options) {
    Row row;
    const QString nla = clean(card.nla), ato = clean(card.ato);
    const QString sd = clean(card.sd);
    const auto point = sd.isEmpty() ? std::nullopt : CoordinateReader::read(sd);
    row.coordinatesUnread = !sd.isEmpty() && !point;
    row.dateMissing = !card.d.isValid();
    QString habitat = clean(clean(card.plo1) + QLatin1Char(' ') + clean(card.plo2));
    const Elevation elev = elevation(clean(card.nmv));
    const QString cmp = clean(card.cmp);

    QStringList& v = row.values;
    v << clean(options.idPrefix + QLatin1Char(':') + QString::number(card.evc)) << basisText(options.basis)
      << QString::number(card.evc) << clean(card.le) << (card.d.isValid() ? card.d.toString(Qt::ISODate) : QString())
      << scientificName(nla, ato) << ato << clean(card.nce) << QStringLiteral("Fungi")
      << clean(card.dt);
    if (options.country) v << QStringLiteral("Czech Republic") << QStringLiteral("CZ");
    v << clean(card.lk) << clean(card.kdl) << habitat << elev.minimum << elev.maximum << clean(card.nmv) << sd
      << (point ? CoordinateReader::format(point->latitude) : QString())
      << (point ? CoordinateReader::format(point->longitude) : QString())
      << (point ? QStringLiteral("WGS84") : QString()) << (cmp.isEmpty() ? QString() : QStringLiteral("KFME ") + cmp);
    return row;
}

}  // namespace interchange
