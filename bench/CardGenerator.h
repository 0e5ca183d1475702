#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <vector>

namespace bench {

// A small, fast random source with a fixed algorithm (splitmix64), so that the same seed gives the
// same cards on every machine and library version; std:: distributions do not promise that.
class Rng {
public:
    explicit Rng(quint64 seed) : m_state(seed) {}
    quint64 next() {
        quint64 z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, n).
    quint32 below(quint32 n) { return quint32((quint64(quint32(next() >> 32)) * n) >> 32); }
    // Uniform in [0, 1).
    double unit() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }
    bool chance(double p) { return unit() < p; }

private:
    quint64 m_state;
};

// One card with the values of every field of the card table except the autoincrement ID.
// Empty strings are stored as NULL by both engines.
struct Card {
    int evc = 0;
    QString kdh, nla, ato, nce, kdl, lk, cmp, nmv, sd, plo1, plo2, le;
    QDate d;
    QString dt;
    bool pdh = false;
    bool pdl = false;
    QString neh;
    QString obr;
};

// Deterministic cards for a table of `count` cards: a species catalogue of a few thousand
// names (Latin genus + epithet, author, Czech name) and a few thousand localities, both drawn
// with a skewed frequency as in a real collection (a handful of common species and favourite
// localities), dates over 30 years weighted towards the season, registration numbers 1..count
// in shuffled order. card(i) for i >= count gives further cards numbered count+1, count+2...
// (the cards appended during the run).
class CardGenerator {
public:
    explicit CardGenerator(int count, quint64 seed = 20240611);

    int count() const { return m_count; }
    Card card(int index) const;

    // The most frequent locality (the one the DISTINCT query asks for).
    const QString& frequentLocality() const { return m_localities.front(); }
    // Typed prefixes for nearest-key searches in Latin-name order: deterministic, mostly the
    // beginnings of names present in the table, some of names that are not.
    QStringList nearestPrefixes(int n) const;
    // Registration numbers to look up, all present.
    std::vector<int> locateNumbers(int n) const;

private:
    struct Species {
        QString nla, ato, nce, kdh;
    };
    static int pick(const std::vector<double>& cumulative, double u);

    int m_count;
    quint64 m_seed;
    std::vector<Species> m_species;
    std::vector<double> m_speciesCum;
    QStringList m_localities;
    std::vector<double> m_localityCum;
    QStringList m_collectors;
    std::vector<double> m_collectorCum;
    // Registration number of card i: 1..count in shuffled order, made on first use (the
    // measuring runs only need the numbers of the cards they append).
    const std::vector<int>& numbers() const;
    mutable std::vector<int> m_evc;
};

}  // namespace bench
