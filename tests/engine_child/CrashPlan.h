#pragma once

// The sequence of changes the crash test's child program makes to the card table, generated
// from a seed, so that the child and the test that kills it agree on what each numbered
// change is without talking about it.

#include <QDate>
#include <QString>
#include <QStringList>
#include <vector>

namespace crashplan {

enum class Kind { Append, Edit, Delete };

struct Op {
    Kind kind = Kind::Append;
    int evc = 0;     // the card's registration number: new for Append, the card's for Edit/Delete
    int newEvc = 0;  // Append and Edit: the number the card has afterwards
    QString nla;     // Append and Edit: new values; empty text is stored as NULL
    QString lk;
    QDate d;  // invalid: NULL
};

inline std::vector<Op> makePlan(quint32 seed, int count) {
    // xorshift64: the same sequence in every process and on every library.
    quint64 state = quint64(seed) * 0x9E3779B97F4A7C15ull + 1;
    auto next = [&state](quint64 bound) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return int(state % bound);
    };
    static const QStringList names = {
        "Hřib smrkový",     "hřib smrkový", "Čirůvka fialová", "Chroš",          "Holubinka",
        "Amanita muscaria", "Šťavnatka",    "Cirůvka",         "Hlíva ústřičná", "Ryzec"};
    static const QStringList places = {"", "Chlum", "Černá hora", "Hradiště", "Cholupice", "Žďár", "Ústí"};
    std::vector<Op> plan;
    std::vector<int> live;  // registration numbers of the cards that exist at this point
    int nextEvc = 1;
    auto fill = [&](Op& op, int k) {
        op.nla = names[next(names.size())];
        if (next(3) == 0) op.nla += QStringLiteral(" %1").arg(k);
        if (next(10) == 0) op.nla.clear();
        op.lk = places[next(places.size())];
        op.d = next(6) == 0 ? QDate() : QDate(1990, 1, 1).addDays(next(12000));
    };
    for (int k = 0; k < count; ++k) {
        Op op;
        const int r = next(100);
        if (live.size() < 4 || r < 60) {
            op.kind = Kind::Append;
            op.evc = op.newEvc = nextEvc;
            nextEvc += 1 + next(3);
            live.push_back(op.evc);
        } else if (r < 90) {
            op.kind = Kind::Edit;
            const int i = next(live.size());
            op.evc = live[i];
            // Now and then the card gets a new registration number (a change of the unique key).
            op.newEvc = next(5) == 0 ? nextEvc++ : op.evc;
            live[i] = op.newEvc;
        } else {
            op.kind = Kind::Delete;
            const int i = next(live.size());
            op.evc = live[i];
            live.erase(live.begin() + i);
        }
        if (op.kind != Kind::Delete) fill(op, k);
        plan.push_back(op);
    }
    return plan;
}

}  // namespace crashplan
