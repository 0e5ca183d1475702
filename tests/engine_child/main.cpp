// The crash test's child: makes the changes [from, to) of the crash plan to the card table in
// a directory, one after another, and after each change has returned writes its number on a
// line of standard output ("C" before it regenerates the table, "E" when it is done, after
// which it waits with the table open to be killed). The test kills it with SIGKILL at random moments
// and checks that every change reported is in the table and nothing is damaged.
//
// Usage: engine_child <dir> <seed> <from> <to>

#include <unistd.h>

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

#include "CrashPlan.h"
#include "EngineError.h"
#include "TDatabase.h"
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

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 5) {
        std::fprintf(stderr, "usage: engine_child <dir> <seed> <from> <to>\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
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
