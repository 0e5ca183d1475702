// The crash test's child: makes the changes [from, to) of the crash plan to the card table in
// a directory, one after another, and after each change has returned writes its number on a
// line of standard output ("C" before it regenerates the table, "E" when it is done, after
// which it waits with the table open to be killed). The test kills it with SIGKILL at random moments
// and checks that every change reported is in the table and nothing is damaged.
//
// Usage: engine_child <dir> <seed> <from> <to>
//
// With "mixed" in place of the seed it is program number <from> of several working on the
// register "Reg" and the card table "Cards" at once, making <to> mixed changes (see runMixed),
// and exits when done.
//
// With "statements" in place of the seed it makes statements over the whole table instead:
// statement s (from <from> on) empties the table when s % 4 == 1, appends <to> cards whose
// Nla is "V<s>" in one call when s % 4 == 2, and otherwise sets every card's Nla to "V<s>"
// with an UPDATE. It reports each statement's number as above and never ends by itself.

#include <unistd.h>

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "CrashPlan.h"
#include "EngineError.h"
#include "TDatabase.h"
#include "TQuery.h"
#include "TSession.h"
#include "TTable.h"

namespace {

void report(int k) {
    char line[32];
    const int n = std::snprintf(line, sizeof line, "%d\n", k);
    // One small write to a pipe is atomic: the test never sees half a number.
    if (::write(STDOUT_FILENO, line, size_t(n)) != n) std::_Exit(3);
}

void setValues(TTable& t, const crashplan::Op& op) {
    t.FieldByName("Evc")->setAsInteger(op.newEvc);
    t.FieldByName("Nla")->setAsString(op.nla);
    t.FieldByName("Lk")->setAsString(op.lk);
    if (op.d.isValid()) {
        t.FieldByName("D")->setAsDate(op.d);
    } else {
        t.FieldByName("D")->Clear();
    }
    t.FieldByName("Neh")->setAsString("N");
}

}  // namespace

int runStatements(TTable& t, TDatabase& db, int from, int cards) {
    TQuery q;
    q.setDatabase(&db);
    t.Open();
    for (int s = from;; ++s) {
        const QString value = QStringLiteral("V%1").arg(s);
        if (s % 4 == 1) {
            t.EmptyTable();
        } else if (s % 4 == 2) {
            QVector<QVector<QVariant>> rows;
            for (int i = 1; i <= cards; ++i) rows.push_back({QVariant(), i, value, QStringLiteral("Chlum")});
            t.AppendRecords(rows);
        } else {
            q.SQL = QStringList{QStringLiteral("UPDATE Cards SET Nla = '%1'").arg(value)};
            q.ExecSQL();
        }
        report(s);
    }
}

// Appends with keys drawn from a range all programs share (so that they collide), edits and
// deletions of its own cards, and refreshes. Prints every change that was acknowledged:
// "a Cards <evc>", "a Reg <cislo>", "e <evc> <nla>", "d <evc>".
int runMixed(TDatabase& db, int worker, int ops) {
    quint64 state = quint64(worker) * 0x9E3779B97F4A7C15ull + 12345;
    auto next = [&state](int bound) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return int(state % quint64(bound));
    };
    TTable cards, reg;
    cards.setDatabase(&db);
    cards.TableName = "Cards.DB";
    cards.setIndexFieldNames("Evc");
    reg.setDatabase(&db);
    reg.TableName = "Reg.DB";
    cards.Open();
    reg.Open();
    std::vector<int> own;
    auto say = [](const QString& line) {
        const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
        if (::write(STDOUT_FILENO, bytes.constData(), size_t(bytes.size())) != bytes.size()) std::_Exit(3);
    };
    for (int k = 0; k < ops; ++k) {
        const int r = next(100);
        try {
            if (r < 40 || (r < 85 && own.empty())) {
                const int evc = 1 + next(8000);
                cards.Append();
                cards.FieldByName("Evc")->setAsInteger(evc);
                cards.FieldByName("Nla")->setAsString(QStringLiteral("W%1").arg(worker));
                cards.Post();
                own.push_back(evc);
                say(QStringLiteral("a Cards %1").arg(evc));
            } else if (r < 55) {
                const int cislo = 1 + next(2000);
                reg.Append();
                reg.FieldByName("Cislo")->setAsInteger(cislo);
                reg.FieldByName("Nazev")->setAsString(QStringLiteral("Firma %1").arg(cislo));
                reg.Post();
                say(QStringLiteral("a Reg %1").arg(cislo));
            } else if (r < 75) {
                const int evc = own[size_t(next(int(own.size())))];
                if (!cards.FindKey({evc})) return 4;
                cards.Edit();
                const QString nla = QStringLiteral("W%1 %2").arg(worker).arg(k);
                cards.FieldByName("Nla")->setAsString(nla);
                cards.Post();
                say(QStringLiteral("e %1 %2").arg(evc).arg(nla));
            } else if (r < 85) {
                const size_t i = size_t(next(int(own.size())));
                if (!cards.FindKey({own[i]})) return 4;
                cards.Delete();
                say(QStringLiteral("d %1").arg(own[i]));
                own.erase(own.begin() + std::ptrdiff_t(i));
            } else {
                cards.Refresh();
                reg.Refresh();
            }
        } catch (const EDBEngineError& e) {
            // A key another program took first; anything else is a failure.
            if (e.errorCode() != EngineErrorCode::KeyViolation) throw;
            if (cards.State() != TDataSetState::Browse) cards.Cancel();
            if (reg.State() != TDataSetState::Browse) reg.Cancel();
        }
    }
    cards.Close();
    reg.Close();
    return 0;
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 5) {
        std::fprintf(stderr, "usage: engine_child <dir> <seed> <from> <to>\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const bool statements = std::strcmp(argv[2], "statements") == 0;
    const quint32 seed = quint32(std::strtoul(argv[2], nullptr, 10));
    const int from = std::atoi(argv[3]);
    const int to = std::atoi(argv[4]);
    const std::vector<crashplan::Op> plan = crashplan::makePlan(seed, to);

    TSession session("Child");
    session.setNetFileDir(dir);
    session.AddPassword("314159");
    session.Open();
    TDatabase db(&session, "ChildDb");
    db.Params = {"PATH=" + dir, "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"};
    TTable t;
    t.setDatabase(&db);
    t.TableName = "Cards.DB";
    t.setIndexFieldNames("Evc");
    try {
        if (statements) return runStatements(t, db, from, to);
        if (std::strcmp(argv[2], "mixed") == 0) return runMixed(db, from, to);
        t.Open();
        for (int k = from; k < to; ++k) {
            // Closing now and then writes the index files, or compacts a table that is more
            // than half dead space, so that kills land in those too.
            if (k > from && k % 50 == 0) {
                t.Close();
                t.Open();
            }
            // And now and then compacts the record file, announcing it with a line "C".
            if (k > from && k % 100 == 75) {
                t.Close();
                t.Exclusive = true;
                t.Open();
                if (::write(STDOUT_FILENO, "C\n", 2) != 2) return 3;
                t.RegenerateIndexes();
                t.Close();
                t.Exclusive = false;
                t.Open();
            }
            const crashplan::Op& op = plan[size_t(k)];
            if (op.kind == crashplan::Kind::Append) {
                t.Append();
                setValues(t, op);
                t.Post();
            } else {
                if (!t.FindKey({op.evc})) {
                    std::fprintf(stderr, "change %d: card %d not found\n", k, op.evc);
                    return 1;
                }
                if (op.kind == crashplan::Kind::Edit) {
                    t.Edit();
                    setValues(t, op);
                    t.Post();
                } else {
                    t.Delete();
                }
            }
            report(k);
        }
    } catch (const EDatabaseError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    // Done: say so and wait, the table still open, for the SIGKILL that ends every run.
    if (::write(STDOUT_FILENO, "E\n", 2) != 2) return 3;
    for (;;) ::pause();
}
