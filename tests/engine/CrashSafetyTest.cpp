// A table survives its writer dying at any moment: a record file cut at any byte opens in the
// state before or after each slot, and a process killed with SIGKILL while posting loses
// nothing it had been told was stored and leaves nothing damaged.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <optional>
#include <random>

#include "CrashPlan.h"
#include "CrashTestSupport.h"
#include "EngineFixture.h"

extern char** environ;

using namespace crashtest;

namespace {

using CrashSafety = EngineFixture;

// Which IDs differ between two states, for failure messages.
std::string difference(const Rows& got, const Rows& want) {
    std::string out;
    for (const auto& [id, v] : got) {
        auto it = want.find(id);
        if (it == want.end()) {
            out += " extra " + std::to_string(id);
        } else if (it->second != v) {
            out += " changed " + std::to_string(id);
        }
    }
    for (const auto& [id, v] : want) {
        if (!got.count(id)) out += " missing " + std::to_string(id);
    }
    return out;
}

// ---- a record file cut at every byte -----------------------------------------------------

TEST_F(CrashSafety, ARecordFileCutAtAnyByteOfItsLastSlotsOpensInTheStateBeforeOrAfterEachSlot) {
    createCards();
    std::vector<qint64> sizes;  // file size before the last three slots and after each
    std::vector<Rows> states;   // the records at those sizes
    const QString dbFile = dir.file("Cards.DB");
    {
        auto t = table();
        t->Open();
        addCard(*t, 4, "Hřib smrkový", "Chlum", QDate(2020, 5, 1));
        addCard(*t, 2, "Chroš", "", QDate());
        addCard(*t, 9, "Čirůvka", "Žďár", QDate(2019, 9, 9));
        addCard(*t, 1, "Amanita", "Hradiště", QDate(2021, 1, 2));
        addCard(*t, 7, "Ryzec", "Cholupice", QDate(2018, 3, 4));
        // Earlier updates and deletes, so that the state before the cut has every kind of slot.
        ASSERT_TRUE(t->Locate("Evc", 2));
        t->Edit();
        t->FieldByName("Lk")->setAsString("Ústí");
        t->Post();
        ASSERT_TRUE(t->Locate("Evc", 7));
        t->Delete();
        states.push_back(readRows(*t));
        sizes.push_back(QFileInfo(dbFile).size());

        addCard(*t, 3, "Bedla", "Cheb", QDate(2022, 2, 2));  // an insert
        states.push_back(readRows(*t));
        sizes.push_back(QFileInfo(dbFile).size());

        ASSERT_TRUE(t->Locate("Evc", 9));  // an update that moves the record in every order
        t->Edit();
        t->FieldByName("Evc")->setAsInteger(11);
        t->FieldByName("Nla")->setAsString("Amanita");
        t->FieldByName("Lk")->setAsString("");
        t->FieldByName("D")->setAsDate(QDate(1999, 12, 31));
        t->Post();
        states.push_back(readRows(*t));
        sizes.push_back(QFileInfo(dbFile).size());

        ASSERT_TRUE(t->Locate("Evc", 4));  // a delete
        t->Delete();
        states.push_back(readRows(*t));
        sizes.push_back(QFileInfo(dbFile).size());
    }
    // The index files are now stamped with the whole file: every cut makes them stale.
    const auto files = tableFiles(dir.path(), "Cards");
    ASSERT_EQ(files.at("Cards.DB").size(), sizes.back());
    const ScratchDir scratch;
    const QString sub = scratch.path();

    qint64 newSlot = -1;  // size of the slot the post after the open appends
    for (qint64 cut = sizes.front(); cut <= sizes.back(); ++cut) {
        const std::string at = "cut at " + std::to_string(cut);
        const int k = int(std::count_if(sizes.begin() + 1, sizes.end(), [&](qint64 s) { return s <= cut; }));
        auto copy = files;
        copy["Cards.DB"].truncate(cut);
        putTableFiles(sub, "Cards", copy);
        Rows withNew;
        {
            DirTable c(&session, sub);
            c.t.Open();
            const Rows got = readRows(c.t);
            ASSERT_EQ(got, states[k]) << at << difference(got, states[k]);
            expectOrdersCorrect(c.t, got, at);
            // Opening leaves the file alone (a torn tail may be another writer's append in
            // progress); a writer cuts it off before it appends.
            EXPECT_EQ(QFileInfo(sub + "Cards.DB").size(), cut) << at;
            addCard(c.t, 100, "Xerocomus", "Lom", QDate(2023, 9, 9));
            withNew = readRows(c.t);
        }
        const qint64 size = QFileInfo(sub + "Cards.DB").size();
        if (newSlot < 0) newSlot = size - sizes[k];
        EXPECT_EQ(size, sizes[k] + newSlot) << at;
        Rows withoutNew = withNew;
        std::erase_if(withoutNew, [](const auto& row) { return row.second[1].toInt() == 100; });
        ASSERT_EQ(withNew.size(), states[k].size() + 1) << at;
        EXPECT_EQ(withoutNew, states[k]) << at;
        DirTable c(&session, sub);
        c.t.Open();
        EXPECT_EQ(readRows(c.t), withNew) << at;
        expectOrdersCorrect(c.t, withNew, at);
    }
}

// ---- a writer killed at random moments ---------------------------------------------------

// The card table as the crash plan leaves it after a number of changes.
struct Model {
    Rows rows;
    int nextId = 1;  // autoincrement values are never reused, so the Nth insert gets N

    static QVector<QVariant> valuesOf(int id, const crashplan::Op& op) {
        auto text = [](const QString& s) { return s.isEmpty() ? QVariant() : QVariant(s); };
        return {id, op.newEvc, text(op.nla), text(op.lk), op.d.isValid() ? QVariant(op.d) : QVariant(), QString("N")};
    }
    int idOf(int evc) const {
        for (const auto& [id, v] : rows) {
            if (v[1].toInt() == evc) return id;
        }
        return 0;
    }
    void apply(const crashplan::Op& op) {
        if (op.kind == crashplan::Kind::Append) {
            rows[nextId] = valuesOf(nextId, op);
            ++nextId;
            return;
        }
        const int id = idOf(op.evc);
        ASSERT_NE(id, 0) << "plan refers to a missing card " << op.evc;
        if (op.kind == crashplan::Kind::Edit) {
            rows[id] = valuesOf(id, op);
        } else {
            rows.erase(id);
        }
    }
};

// The child program, its standard output read line by line.
class Child {
public:
    // `seed`: the crash plan's seed, or "statements" (see engine_child).
    Child(const QString& dir, const QByteArray& seed, int from, int to, const QString& errorFile) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        const QByteArray err = QFile::encodeName(errorFile);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const QByteArray program = LAMELIN_ENGINE_CHILD_PATH;
        const QByteArray args[] = {QFile::encodeName(dir), seed, QByteArray::number(from),
                                   QByteArray::number(to)};
        char* argv[] = {const_cast<char*>(program.constData()), const_cast<char*>(args[0].constData()),
                        const_cast<char*>(args[1].constData()), const_cast<char*>(args[2].constData()),
                        const_cast<char*>(args[3].constData()), nullptr};
        if (posix_spawn(&m_pid, program.constData(), &actions, nullptr, argv, environ) != 0) m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        m_out = fds[0];
    }
    ~Child() {
        if (m_pid > 0) kill();
        if (m_out >= 0) ::close(m_out);
    }
    bool started() const { return m_pid > 0 && m_out >= 0; }

    // Reads reports until `count` changes are reported in all. Returns false when the child
    // says it is done or its output ends first.
    bool waitForReports(int count) {
        while (m_reported < count && !m_done) {
            if (!readSome(20000)) return false;
        }
        return !m_done;
    }
    // Reads until the child announces a regeneration; false when it is done without one.
    bool waitForRegeneration() {
        while (!m_regenerating && !m_done) {
            if (!readSome(20000)) return false;
        }
        return m_regenerating;
    }
    // Whether the last line read announced a regeneration (no change reported since).
    bool regenerating() const { return m_regenerating; }
    // Kills the child with SIGKILL and reads what it reported before. Returns true when
    // SIGKILL ended it, false when it had exited by itself.
    bool kill() {
        ::kill(m_pid, SIGKILL);
        int status = 0;
        while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
        m_pid = -1;
        while (readSome(20000)) {
        }
        return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    }
    int lastReported() const { return m_last; }

private:
    bool readSome(int timeoutMs) {
        pollfd p{m_out, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0) return false;
        char buf[4096];
        const ssize_t n = ::read(m_out, buf, sizeof buf);
        if (n <= 0) return false;
        m_pending.append(buf, n);
        qsizetype nl;
        while ((nl = m_pending.indexOf('\n')) >= 0) {
            const QByteArray line = m_pending.left(nl);
            m_pending.remove(0, nl + 1);
            m_regenerating = line == "C";
            m_done = m_done || line == "E";
            if (m_regenerating || line == "E") continue;
            m_last = line.toInt();
            ++m_reported;
        }
        return true;
    }

    pid_t m_pid = -1;
    int m_out = -1;
    QByteArray m_pending;
    int m_reported = 0;
    int m_last = -1;
    bool m_regenerating = false;
    bool m_done = false;
};

TEST_F(CrashSafety, PostsSurviveAWriterKilledAtRandomMoments) {
    // On tmpfs when there is one: what is tested is the death of the process, which tmpfs
    // shows as well as a disk, and 2,000 fdatasyncs on a shared disk would dominate the run.
    const ScratchDir scratch;
    const QString work = scratch.path();
    TTable::CreateTable(work, "Cards", cards(), cardIndexes(), kPassword);

    constexpr quint32 kSeed = 20240611;
    constexpr int kChanges = 2000;
    constexpr int kPerRun = 30;
    const std::vector<crashplan::Op> plan = crashplan::makePlan(kSeed, kChanges);
    std::mt19937 rng(kSeed);
    Model model;
    int next = 0, kills = 0, runs = 0, unreported = 0, killedRegenerating = 0;
    while (next < kChanges && runs < 1000) {
        ++runs;
        const std::string run = "run " + std::to_string(runs) + " from change " + std::to_string(next);
        // At most kPerRun changes per run, so that there are many runs whatever the speed.
        const int to = std::min(kChanges, next + kPerRun);
        const int want = std::uniform_int_distribution<int>(0, kPerRun)(rng);
        const int delayUs = std::uniform_int_distribution<int>(0, 300)(rng);
        // A run that passes a regeneration (record file rewritten and renamed over the old one,
        // index files rebuilt) aims at it.
        bool aimAtRegeneration = false;
        for (int k = next + 1; k < to; ++k) aimAtRegeneration = aimAtRegeneration || k % 100 == 75;
        const int regenerationDelayUs = std::uniform_int_distribution<int>(0, 1500)(rng);
        Child child(work, QByteArray::number(kSeed), next, to, dir.file("child.err"));
        ASSERT_TRUE(child.started()) << run;
        if (aimAtRegeneration) {
            if (child.waitForRegeneration()) ::usleep(useconds_t(regenerationDelayUs));
        } else if (child.waitForReports(want)) {
            ::usleep(useconds_t(delayUs));
        }
        // Every run ends with SIGKILL; a child that exited by itself failed.
        ASSERT_TRUE(child.kill()) << run << ": " << readFile(dir.file("child.err")).toStdString();
        ++kills;
        if (child.regenerating()) ++killedRegenerating;
        // Every change the child reported must be there; the one it was making when it died
        // may be there or not, but entirely.
        for (int k = next; k <= child.lastReported(); ++k) model.apply(plan[size_t(k)]);
        next = std::max(next, child.lastReported() + 1);

        DirTable c(&session, work);
        c.t.Open();
        const Rows got = readRows(c.t);
        if (got != model.rows && next < kChanges) {
            Model withInFlight = model;
            withInFlight.apply(plan[size_t(next)]);
            if (got == withInFlight.rows) {
                model = withInFlight;
                ++next;
                ++unreported;
            }
        }
        ASSERT_EQ(got.size(), model.rows.size()) << run << difference(got, model.rows);
        ASSERT_TRUE(got == model.rows) << run << difference(got, model.rows);
        expectOrdersCorrect(c.t, got, run);
        // The unique index finds every card under its number.
        c.t.setIndexFieldNames("Evc");
        for (const auto& [id, v] : got) {
            ASSERT_TRUE(c.t.FindKey({v[1]})) << run << " card " << v[1].toInt();
            EXPECT_EQ(c.t.FieldByName("ID")->AsInteger(), id) << run;
        }
    }
    EXPECT_EQ(next, kChanges);
    EXPECT_GE(kills, 50);
    EXPECT_GT(killedRegenerating, 0);
    std::cout << "[          ] " << runs << " runs, " << kills << " killed (" << killedRegenerating
              << " while regenerating, " << unreported << " after a change was stored but before it was reported)\n";

    // After all that the table still refuses a duplicate number and takes new cards.
    DirTable c(&session, work);
    c.t.Open();
    c.t.Append();
    c.t.FieldByName("Evc")->setAsInteger(model.rows.begin()->second[1].toInt());
    try {
        c.t.Post();
        ADD_FAILURE() << "a duplicate registration number was stored";
    } catch (const EDBEngineError& e) {
        EXPECT_EQ(e.errorCode(), EngineErrorCode::KeyViolation);
    }
    c.t.Cancel();
    addCard(c.t, 999999, "Poslední");
    EXPECT_EQ(c.t.RecordCount(), int(model.rows.size()) + 1);
}

// ---- statements over the whole table killed at random moments ----------------------------

TEST_F(CrashSafety, StatementsOverTheWholeTableApplyEntirelyOrNotAtAllWhenTheWriterIsKilled) {
    const ScratchDir scratch;
    const QString work = scratch.path();
    TTable::CreateTable(work, "Cards", cards(), cardIndexes(), kPassword);
    constexpr int kCards = 3000;
    {
        DirTable c(&session, work);
        QVector<QVector<QVariant>> rows;
        for (int i = 1; i <= kCards; ++i) rows.push_back({QVariant(), i, QStringLiteral("V-1"), QStringLiteral("Chlum")});
        c.t.AppendRecords(rows);
    }
    // The table after statement s (see engine_child): empty, or every card with Nla "V<s>".
    auto stateAfter = [](int s) { return s % 4 == 1 ? QString() : QStringLiteral("V%1").arg(s); };
    auto stateOf = [&](TTable& t) -> std::optional<QString> {
        const Rows rows = readRows(t);
        if (rows.empty()) return QString();
        if (int(rows.size()) != kCards) return std::nullopt;
        const QString nla = rows.begin()->second[2].toString();
        for (const auto& [id, v] : rows) {
            if (v[2].toString() != nla) return std::nullopt;
        }
        return nla;
    };
    std::mt19937 rng(7);
    int next = 0, kills = 0, inFlightApplied = 0;
    for (int run = 0; run < 24; ++run) {
        Child child(work, "statements", next, kCards, dir.file("child.err"));
        ASSERT_TRUE(child.started());
        child.waitForReports(1 + run % 3);
        ::usleep(useconds_t(std::uniform_int_distribution<int>(0, 20000)(rng)));
        ASSERT_TRUE(child.kill()) << readFile(dir.file("child.err")).toStdString();
        ++kills;
        const int last = std::max(next - 1, child.lastReported());
        DirTable c(&session, work);
        c.t.Open();
        const std::optional<QString> state = stateOf(c.t);
        ASSERT_TRUE(state.has_value()) << "run " << run << ": a statement was applied in part";
        if (*state == stateAfter(last + 1)) {
            ++inFlightApplied;
            next = last + 2;
        } else {
            ASSERT_EQ(*state, last < 0 ? QStringLiteral("V-1") : stateAfter(last)) << "run " << run;
            next = last + 1;
        }
        if (!state->isEmpty()) {
            c.t.setIndexFieldNames("Evc");
            ASSERT_TRUE(c.t.FindKey({kCards / 2}));
        }
    }
    std::cout << "[          ] " << kills << " writers killed during statements over " << kCards << " cards, "
              << inFlightApplied << " with the statement in flight applied whole\n";
}

}  // namespace
