// Several programs on one data directory: each child process below is another copy of the
// program with its own session, database and tables, driven by the test through short text
// commands. The test process itself is one more program; it never has a table open while it
// starts a child (a forked child would share its open files and so its locks).

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <functional>
#include <iostream>
#include <limits>
#include <map>
#include <set>
#include <stdexcept>

#include "ChildProcess.h"
#include "Collation.h"
#include "EngineError.h"
#include "EngineFixture.h"
#include "IndexFile.h"
#include "OsFileLock.h"

// Readable QString values in failure messages (found by argument-dependent lookup).
[[maybe_unused]] static void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace {

using testsupport::ChildProcess;
using testsupport::MessageChannel;

constexpr int TableInUse = EngineErrorCode::TableInUse;
constexpr int RecordLocked = EngineErrorCode::RecordLocked;
constexpr int KeyViolation = EngineErrorCode::KeyViolation;

// The card values every program derives from the card number (Evc), so that the test knows
// what the table must hold without asking. Names repeat and use Czech letters, so that the
// string indexes have ties and need the Czech collation; every fifth card has no date.
QString nlaFor(int evc) {
    static const QStringList names = {"Hřib smrkový",
                                      "Čirůvka zelánka",
                                      "Chřapáč kadeřavý",
                                      "Cihlář velký",
                                      "hřib koloděj",
                                      "Žampion lesní",
                                      "",
                                      "Čechratka podvinutá",
                                      "Holubinka",
                                      "ryzec peprný",
                                      "Šupinovka"};
    return names[evc % names.size()];
}
QString renamedNla(int evc) {
    return QStringLiteral("Přejmenovaný %1").arg(evc % 7);
}
QString lkFor(int evc) {
    static const QStringList places = {"Chlum", "Černá hora", "Hradiště", "cihelna", "Ždánice", ""};
    return places[(evc * 7) % places.size()];
}
QDate dateFor(int evc) {
    return evc % 5 == 0 ? QDate() : QDate(2020, 1, 1).addDays((evc * 37) % 400);
}
QDate redated(int evc) {
    return QDate(2023, 6, 1).addDays(-(evc % 9));
}

struct Card {
    QString nla, lk;
    QDate d;
    bool operator==(const Card&) const = default;
};
using Model = std::map<int, Card>;  // by Evc

void modelAppend(Model& m, int from, int to) {
    for (int evc = from; evc <= to; ++evc) m[evc] = Card{nlaFor(evc), lkFor(evc), dateFor(evc)};
}
void modelRename(Model& m, int from, int to) {
    for (int evc = from; evc <= to; ++evc) m.at(evc).nla = renamedNla(evc);
}
void modelRedate(Model& m, int from, int to) {
    for (int evc = from; evc <= to; ++evc) m.at(evc).d = redated(evc);
}
void modelDelete(Model& m, int from, int to) {
    for (int evc = from; evc <= to; ++evc) m.erase(evc);
}

void appendCard(TTable& t, int evc) {
    t.Append();
    t.FieldByName("Evc")->setAsInteger(evc);
    t.FieldByName("Nla")->setAsString(nlaFor(evc));
    t.FieldByName("Lk")->setAsString(lkFor(evc));
    if (dateFor(evc).isValid()) t.FieldByName("D")->setAsDate(dateFor(evc));
    t.FieldByName("Neh")->setAsString("N");
    t.Post();
}

// Runs `f`; the engine error code it threw, 0 when it succeeded.
template <typename F>
int errorCodeOf(F&& f) {
    try {
        f();
    } catch (const EDBEngineError& e) {
        return e.errorCode();
    }
    return 0;
}

// One program on the data directory: its own session (table password, network control
// directory) and database.
class Program {
public:
    explicit Program(const QString& dataDir, const QString& netDir = QString()) : m_db(&m_session, "Db") {
        m_session.setNetFileDir(netDir.isEmpty() ? dataDir : netDir);
        m_session.AddPassword("314159");
        m_session.Open();
        m_db.Params = {"PATH=" + dataDir, "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"};
    }
    std::unique_ptr<TTable> table(const QString& name = "Cards") {
        auto t = std::make_unique<TTable>();
        t->setDatabase(&m_db);
        t->TableName = name + ".DB";
        return t;
    }
    TSession& session() { return m_session; }

private:
    TSession m_session;
    TDatabase m_db;
};

// The body of a child program working on cards. Commands (answers "ok", "ok <data>" or
// "err <code> <message>"):
//   open [name] / openx [name]  open the table (exclusively), "Cards" by default
//   close                       close it
//   append A B                  append cards A..B in that order; answers their IDs
//   rename A B / redate A B     change the name / date of cards A..B (after a refresh)
//   delete A B                  delete cards A..B (after a refresh)
//   edit E                      start editing card E and set its name to renamedNla(E)
//   post / cancel               finish that edit
//   get E                       the name of card E after a refresh
//   exit
void runCardProgram(MessageChannel& io, const QString& dataDir) {
    Program program(dataDir);
    std::unique_ptr<TTable> t;
    auto locate = [&](int evc) {
        if (!t->Locate("Evc", evc)) throw std::runtime_error("card " + std::to_string(evc) + " not found");
    };
    for (;;) {
        const QByteArray line = io.receive(4 * testsupport::kMessageTimeoutMs);
        if (line == "<gone>" || line == "<timeout>") return;  // the test has ended or given up
        const QList<QByteArray> w = line.split(' ');
        const QByteArray cmd = w.value(0);
        const int a = w.value(1).toInt();
        const int b = w.value(2).toInt();
        QByteArray reply = "ok";
        try {
            if (cmd == "open" || cmd == "openx") {
                t = program.table(w.size() > 1 ? QString::fromUtf8(w[1]) : QStringLiteral("Cards"));
                t->Exclusive = cmd == "openx";
                t->Open();
            } else if (cmd == "close") {
                t.reset();
            } else if (cmd == "append") {
                QByteArrayList ids;
                for (int evc = a; evc <= b; ++evc) {
                    appendCard(*t, evc);
                    ids << QByteArray::number(t->FieldByName("ID")->AsInteger());
                }
                reply += " " + ids.join(',');
            } else if (cmd == "rename" || cmd == "redate" || cmd == "delete") {
                t->Refresh();
                for (int evc = a; evc <= b; ++evc) {
                    locate(evc);
                    if (cmd == "delete") {
                        t->Delete();
                        continue;
                    }
                    t->Edit();
                    if (cmd == "rename") t->FieldByName("Nla")->setAsString(renamedNla(evc));
                    if (cmd == "redate") t->FieldByName("D")->setAsDate(redated(evc));
                    t->Post();
                }
            } else if (cmd == "edit") {
                t->Refresh();
                locate(a);
                t->Edit();
                t->FieldByName("Nla")->setAsString(renamedNla(a));
            } else if (cmd == "post") {
                t->Post();
            } else if (cmd == "cancel") {
                t->Cancel();
            } else if (cmd == "get") {
                t->Refresh();
                locate(a);
                reply += " " + t->FieldByName("Nla")->AsString().toUtf8();
            } else if (cmd == "exit") {
                io.send(reply);
                return;
            } else {
                throw std::runtime_error("unknown command '" + line.toStdString() + "'");
            }
        } catch (const EDBEngineError& e) {
            reply = "err " + QByteArray::number(e.errorCode()) + " " + e.message().toUtf8();
        } catch (const EDatabaseError& e) {
            reply = "err -1 " + e.message().toUtf8();
        } catch (const std::exception& e) {
            reply = QByteArray("err -2 ") + e.what();
        }
        // A refused append leaves the new record pending; drop it so the next command starts
        // in browse mode, as a user would after the error message.
        if (t && cmd == "append" && t->Active() && t->State() == TDataSetState::Insert) t->Cancel();
        io.send(reply);
    }
}

// The test's handle on a child running runCardProgram.
class CardProgram {
public:
    explicit CardProgram(const QString& dataDir)
        : m_child([dataDir](MessageChannel& io) { runCardProgram(io, dataDir); }) {}

    // Sends a command and waits for its answer.
    QByteArray ask(const QByteArray& command) {
        m_child.send(command);
        return m_child.receive();
    }
    // Sends a command without waiting; answer() collects the answer later. Two programs given
    // a command each this way work at the same time.
    void start(const QByteArray& command) { m_child.send(command); }
    QByteArray answer() { return m_child.receive(); }
    bool answered(int ms = 0) { return m_child.hasMessage(ms); }

    // Ends the program normally; it must have been alive and well until then.
    void exit() {
        EXPECT_EQ("ok", ask("exit"));
        EXPECT_EQ(0, m_child.join());
    }
    void kill() { m_child.kill(); }

private:
    ChildProcess m_child;
};

// The IDs an "append" answer lists.
std::vector<int> idsOf(const QByteArray& answer) {
    std::vector<int> ids;
    if (!answer.startsWith("ok ")) return ids;
    for (const QByteArray& id : answer.mid(3).split(',')) ids.push_back(id.toInt());
    return ids;
}

// Engine error code of an "err <code> ..." answer, 0 for "ok".
int codeOf(const QByteArray& answer) {
    if (answer.startsWith("ok")) return 0;
    return answer.startsWith("err ") ? answer.split(' ').value(1).toInt() : -1;
}

class MultiProcess : public EngineFixture {
protected:
    MultiProcess() { createCards(); }

    QString dataDir() const { return dir.path(); }

    // Appends cards from this process (no table stays open).
    void seed(int from, int to) {
        auto t = table();
        t->Open();
        for (int evc = from; evc <= to; ++evc) appendCard(*t, evc);
    }

    // Opens `name` afresh and checks it against `model`: the same cards, and every order
    // (primary key and each index) equal to sorting the records, ties by ID.
    // The end offset of the record file that each index snapshot of `name` covers (-1 for a
    // missing or unreadable snapshot), with the file's size.
    std::vector<qint64> snapshotEnds(const QString& name) const {
        std::vector<qint64> ends;
        for (const char* ext : {".PX", ".XG0", ".X03", ".X04", ".X05"}) {
            const auto snap = engine::IndexFile::readSnapshot(dir.file(name + ext));
            ends.push_back(snap ? snap->stamp.end : -1);
        }
        return ends;
    }
    qint64 recordFileSize(const QString& name) const { return QFileInfo(dir.file(name + ".DB")).size(); }

    void expectTableMatches(const Model& model, const QString& name = "Cards") {
        struct Row {
            int id, evc;
            Card card;
        };
        auto t = table(name);
        t->Open();
        std::vector<Row> rows;
        for (t->First(); !t->Eof(); t->Next()) {
            rows.push_back(Row{t->FieldByName("ID")->AsInteger(), t->FieldByName("Evc")->AsInteger(),
                               Card{t->FieldByName("Nla")->AsString(), t->FieldByName("Lk")->AsString(),
                                    t->FieldByName("D")->AsDate()}});
        }
        Model onDisk;
        for (const Row& r : rows) EXPECT_TRUE(onDisk.emplace(r.evc, r.card).second) << "duplicate Evc " << r.evc;
        EXPECT_EQ(model.size(), onDisk.size());
        for (const auto& [evc, card] : model) {
            auto it = onDisk.find(evc);
            if (it == onDisk.end()) {
                ADD_FAILURE() << "card " << evc << " is missing";
            } else if (!(it->second == card)) {
                ADD_FAILURE() << "card " << evc << " holds " << it->second.nla.toStdString() << " / "
                              << it->second.lk.toStdString() << ", expected " << card.nla.toStdString() << " / "
                              << card.lk.toStdString();
            }
        }

        auto byString = [](const QString& x, const QString& y) {
            if (x.isEmpty() != y.isEmpty()) return x.isEmpty() ? -1 : 1;  // empty (NULL) first
            return x.isEmpty() ? 0 : engine::Collation::compare(x, y);
        };
        auto byDate = [](const QDate& x, const QDate& y) {
            const qint64 a = x.isValid() ? x.toJulianDay() : std::numeric_limits<qint64>::min();
            const qint64 b = y.isValid() ? y.toJulianDay() : std::numeric_limits<qint64>::min();
            return a < b ? -1 : (a > b ? 1 : 0);
        };
        const std::vector<std::pair<QString, std::function<int(const Row&, const Row&)>>> orders = {
            {"", [](const Row&, const Row&) { return 0; }},
            {"Evc", [](const Row& x, const Row& y) { return x.evc < y.evc ? -1 : (x.evc > y.evc ? 1 : 0); }},
            {"Nla", [&](const Row& x, const Row& y) { return byString(x.card.nla, y.card.nla); }},
            {"Lk", [&](const Row& x, const Row& y) { return byString(x.card.lk, y.card.lk); }},
            {"D", [&](const Row& x, const Row& y) { return byDate(x.card.d, y.card.d); }},
        };
        for (const auto& [field, compare] : orders) {
            std::vector<Row> sorted = rows;
            std::sort(sorted.begin(), sorted.end(), [&](const Row& x, const Row& y) {
                const int c = compare(x, y);
                return c != 0 ? c < 0 : x.id < y.id;
            });
            QStringList expected;
            for (const Row& r : sorted) expected << QString::number(r.id);
            t->setIndexFieldNames(field);
            EXPECT_EQ(expected, column(*t, "ID")) << "order of index '" << field.toStdString() << "'";
        }
    }
};

// ---- exclusive open ------------------------------------------------------------------------

TEST_F(MultiProcess, ExclusiveOpenIsRefusedWhileAnotherProcessHasTheTable) {
    CardProgram other(dataDir());
    ASSERT_EQ("ok", other.ask("open"));

    auto mine = table();
    mine->Exclusive = true;
    try {
        mine->Open();
        ADD_FAILURE() << "exclusive open succeeded while another process has the table open";
    } catch (const EDBEngineError& e) {
        EXPECT_EQ(TableInUse, e.errorCode());
        EXPECT_TRUE(e.message().contains("používána jiným uživatelem")) << e.message().toStdString();
    }
    EXPECT_FALSE(mine->Active());
    EXPECT_EQ(0, session.openTableCount());  // the refused open holds no lock files

    // Closing is what lets it through.
    ASSERT_EQ("ok", other.ask("close"));
    mine->Open();
    EXPECT_TRUE(mine->Active());
    // While we hold it exclusively, the other process can open it neither way.
    EXPECT_EQ(TableInUse, codeOf(other.ask("open")));
    EXPECT_EQ(TableInUse, codeOf(other.ask("openx")));
    mine->Close();
    EXPECT_EQ("ok", other.ask("open"));
    other.exit();
}

TEST_F(MultiProcess, ExclusiveOpenSucceedsOnceTheHolderIsKilled) {
    {
        CardProgram crashed(dataDir());
        ASSERT_EQ("ok", crashed.ask("open"));
        auto mine = table();
        mine->Exclusive = true;
        EXPECT_EQ(TableInUse, errorCodeOf([&] { mine->Open(); }));
        crashed.kill();
        mine->Open();  // the killed process's locks went with it
        EXPECT_TRUE(mine->Active());
    }
    {
        // A process holding the table exclusively keeps out every open of ours until it dies.
        CardProgram exclusiveHolder(dataDir());
        ASSERT_EQ("ok", exclusiveHolder.ask("openx"));
        auto mine = table();
        EXPECT_EQ(TableInUse, errorCodeOf([&] { mine->Open(); }));
        mine->Exclusive = true;
        EXPECT_EQ(TableInUse, errorCodeOf([&] { mine->Open(); }));
        EXPECT_EQ(0, session.openTableCount());
        exclusiveHolder.kill();
        mine->Exclusive = false;
        mine->Open();
        EXPECT_TRUE(mine->Active());
    }
}

TEST_F(MultiProcess, DatabasesInOneProcessAreSeparateUsersOfATable) {
    TDatabase second(&session, "Second");
    second.Params = db.Params;
    TSession otherSession("Other");
    otherSession.AddPassword(kPassword);
    TDatabase third(&otherSession, "Third");
    third.Params = db.Params;

    auto first = table();
    first->Open();
    auto exclusiveInSecond = table("Cards", &second);
    exclusiveInSecond->Exclusive = true;
    EXPECT_EQ(TableInUse, errorCodeOf([&] { exclusiveInSecond->Open(); }));
    auto exclusiveInThird = table("Cards", &third);
    exclusiveInThird->Exclusive = true;
    EXPECT_EQ(TableInUse, errorCodeOf([&] { exclusiveInThird->Open(); }));
    // Another cursor of the same database counts as well.
    auto exclusiveInFirst = table();
    exclusiveInFirst->Exclusive = true;
    EXPECT_EQ(TableInUse, errorCodeOf([&] { exclusiveInFirst->Open(); }));
    // Plain opens of the other databases share the table.
    auto plainInSecond = table("Cards", &second);
    plainInSecond->Open();
    plainInSecond->Close();

    first->Close();
    exclusiveInSecond->Open();
    EXPECT_TRUE(exclusiveInSecond->Active());
    EXPECT_EQ(TableInUse, errorCodeOf([&] { first->Open(); }));
    EXPECT_EQ(TableInUse, errorCodeOf([&] { table("Cards", &third)->Open(); }));
    exclusiveInSecond->Close();
    first->Open();
    EXPECT_TRUE(first->Active());
}

// ---- lock files ----------------------------------------------------------------------------

class LockFiles : public MultiProcess {
protected:
    LockFiles() {
        QDir(dir.path()).mkdir("Net");
        QDir(dir.path()).mkdir("Other");
        TTable::CreateTable(otherDir(), "Cards", cards(), cardIndexes(), kPassword);
    }
    QString netDir() const { return dir.file("Net"); }
    QString otherDir() const { return dir.file("Other"); }
    QString netLock() const { return netDir() + "/Pdoxusrs.lck"; }
    QString dataLock() const { return dir.file("Paradox.lck"); }
    QString otherLock() const { return otherDir() + "/Paradox.lck"; }
};

// A child with one session over two data directories: "open1"/"close1" the table of the data
// directory, "open2"/"close2" the one of Other.
std::unique_ptr<ChildProcess> twoDirectoryProgram(const QString& dataDir, const QString& otherDir,
                                                  const QString& netDir) {
    return std::make_unique<ChildProcess>([=](MessageChannel& io) {
        Program program(dataDir, netDir);
        TDatabase otherDb(&program.session(), "Other");
        otherDb.Params = {"PATH=" + otherDir};
        auto first = program.table();
        auto second = std::make_unique<TTable>();
        second->setDatabase(&otherDb);
        second->TableName = "Cards.DB";
        for (QByteArray cmd = io.receive(); cmd != "exit"; cmd = io.receive()) {
            if (cmd == "open1") first->Open();
            if (cmd == "close1") first->Close();
            if (cmd == "open2") second->Open();
            if (cmd == "close2") second->Close();
            if (cmd == "<gone>" || cmd == "<timeout>") return;
            io.send("ok");
        }
    });
}

TEST_F(LockFiles, HeldWhileAnotherProcessHasTablesOpen) {
    auto other = twoDirectoryProgram(dataDir(), otherDir(), netDir());
    auto ask = [&](const QByteArray& cmd) {
        other->send(cmd);
        return other->receive();
    };
    using engine::deleteStaleLockFile;

    ASSERT_EQ("ok", ask("open1"));
    EXPECT_TRUE(QFile::exists(netLock()));
    EXPECT_TRUE(QFile::exists(dataLock()));
    EXPECT_FALSE(QFile::exists(dir.file("Pdoxusrs.lck")));  // it belongs in the control directory
    EXPECT_FALSE(QFile::exists(otherLock()));
    EXPECT_FALSE(deleteStaleLockFile(netLock()));
    EXPECT_FALSE(deleteStaleLockFile(dataLock()));
    EXPECT_TRUE(QFile::exists(netLock()) && QFile::exists(dataLock()));

    ASSERT_EQ("ok", ask("open2"));
    EXPECT_FALSE(deleteStaleLockFile(otherLock()));

    // Closing the table of one directory frees that directory's lock file only, and its holder
    // deletes it; the last close deletes the control directory's too.
    ASSERT_EQ("ok", ask("close1"));
    EXPECT_FALSE(QFile::exists(dataLock()));
    EXPECT_FALSE(deleteStaleLockFile(netLock()));
    EXPECT_FALSE(deleteStaleLockFile(otherLock()));

    ASSERT_EQ("ok", ask("close2"));
    EXPECT_FALSE(QFile::exists(netLock()) || QFile::exists(otherLock()) || QFile::exists(dataLock()));

    // A lock file that another program still holds stays when one holder lets go.
    auto mine = table();
    ASSERT_EQ("ok", ask("open1"));
    mine->Open();
    mine->Close();
    EXPECT_TRUE(QFile::exists(dataLock()));
    ASSERT_EQ("ok", ask("close1"));
    EXPECT_FALSE(QFile::exists(dataLock()));

    // Opening again creates them afresh and holds them; a crash leaves them stale.
    ASSERT_EQ("ok", ask("open1"));
    ASSERT_EQ("ok", ask("open2"));
    EXPECT_FALSE(deleteStaleLockFile(netLock()));
    EXPECT_FALSE(deleteStaleLockFile(dataLock()));
    other->kill();
    EXPECT_TRUE(QFile::exists(netLock()));
    EXPECT_TRUE(deleteStaleLockFile(netLock()));
    EXPECT_TRUE(deleteStaleLockFile(dataLock()));
    EXPECT_TRUE(deleteStaleLockFile(otherLock()));
}

// The control directory is used as spelt: neither a name whose capitals differ in length ("ß"
// becomes "SS") nor a sibling differing only in letter case takes its lock file.
TEST_F(LockFiles, ControlDirectoryIsUsedExactlyAsGiven) {
    for (const QString& name : {QString("Straße"), QString("net")}) {
        const QString net = dir.file(name);
        const QString sibling = dir.file(name.toUpper());
        ASSERT_TRUE(QDir().mkpath(net));
        ASSERT_TRUE(QDir().mkpath(sibling));
        Program program(dataDir(), net);
        auto t = program.table();
        ASSERT_NO_THROW(t->Open()) << name.toStdString();
        EXPECT_TRUE(QFile::exists(net + "/Pdoxusrs.lck")) << name.toStdString();
        EXPECT_TRUE(QDir(sibling).isEmpty()) << name.toStdString();
    }
}

// ---- concurrent appends --------------------------------------------------------------------

TEST_F(MultiProcess, ConcurrentAppendsKeepKeysUniqueAndLoseNothing) {
    constexpr int kHalf = 100;
    constexpr int kDuplicate = 5000;
    CardProgram a(dataDir());
    CardProgram b(dataDir());
    ASSERT_EQ("ok", a.ask("open"));
    ASSERT_EQ("ok", b.ask("open"));
    QElapsedTimer timer;
    timer.start();

    // Both append at once: A cards 1000.., B cards 2000.., then both the same card at the same
    // moment, then more of their own.
    std::vector<int> idsA, idsB;
    auto both = [&](const QByteArray& forA, const QByteArray& forB) {
        a.start(forA);
        b.start(forB);
        return std::make_pair(a.answer(), b.answer());
    };
    auto [a1, b1] = both("append 1000 " + QByteArray::number(1000 + kHalf - 1),
                         "append 2000 " + QByteArray::number(2000 + kHalf - 1));
    ASSERT_TRUE(a1.startsWith("ok") && b1.startsWith("ok")) << a1.toStdString() << " / " << b1.toStdString();
    const QByteArray dup = "append " + QByteArray::number(kDuplicate) + " " + QByteArray::number(kDuplicate);
    auto [aDup, bDup] = both(dup, dup);
    auto [a2, b2] = both("append " + QByteArray::number(1000 + kHalf) + " " + QByteArray::number(1000 + 2 * kHalf - 1),
                         "append " + QByteArray::number(2000 + kHalf) + " " + QByteArray::number(2000 + 2 * kHalf - 1));
    ASSERT_TRUE(a2.startsWith("ok") && b2.startsWith("ok")) << a2.toStdString() << " / " << b2.toStdString();
    std::cout << "[ timing ] " << 4 * kHalf + 2 << " appends by two processes: " << timer.elapsed() << " ms\n";

    // Exactly one of the duplicate appends went in; the other was told it is a key violation.
    const int codeA = codeOf(aDup), codeB = codeOf(bDup);
    EXPECT_TRUE((codeA == 0 && codeB == KeyViolation) || (codeA == KeyViolation && codeB == 0))
        << aDup.toStdString() << " / " << bDup.toStdString();
    const std::vector<int> winnerIds = idsOf(codeA == 0 ? aDup : bDup);
    ASSERT_EQ(1u, winnerIds.size());
    const int winnerId = winnerIds.front();

    for (const auto& ans : {a1, a2})
        for (int id : idsOf(ans)) idsA.push_back(id);
    for (const auto& ans : {b1, b2})
        for (int id : idsOf(ans)) idsB.push_back(id);
    ASSERT_EQ(size_t(2 * kHalf), idsA.size());
    ASSERT_EQ(size_t(2 * kHalf), idsB.size());
    // Each process's records got increasing IDs in the order it appended them, and no ID was
    // handed out twice across the processes.
    EXPECT_TRUE(std::is_sorted(idsA.begin(), idsA.end()) && std::adjacent_find(idsA.begin(), idsA.end()) == idsA.end());
    EXPECT_TRUE(std::is_sorted(idsB.begin(), idsB.end()) && std::adjacent_find(idsB.begin(), idsB.end()) == idsB.end());
    std::set<int> allIds(idsA.begin(), idsA.end());
    allIds.insert(idsB.begin(), idsB.end());
    allIds.insert(winnerId);
    EXPECT_EQ(size_t(4 * kHalf + 1), allIds.size());
    a.exit();
    b.exit();

    // The table: every card once, under the ID its program was given.
    auto t = table();
    t->Open();
    EXPECT_EQ(4 * kHalf + 1, t->RecordCount());
    std::map<int, int> evcById;
    for (t->First(); !t->Eof(); t->Next())
        evcById[t->FieldByName("ID")->AsInteger()] = t->FieldByName("Evc")->AsInteger();
    for (int i = 0; i < 2 * kHalf; ++i) {
        EXPECT_EQ(1000 + i, evcById[idsA[size_t(i)]]);
        EXPECT_EQ(2000 + i, evcById[idsB[size_t(i)]]);
    }
    EXPECT_EQ(kDuplicate, evcById[winnerId]);
    t->Close();
    Model model;
    modelAppend(model, 1000, 1000 + 2 * kHalf - 1);
    modelAppend(model, 2000, 2000 + 2 * kHalf - 1);
    modelAppend(model, kDuplicate, kDuplicate);
    expectTableMatches(model);
}

TEST_F(MultiProcess, RefreshDuringOtherProcessesAppendsSeesOnlyWholeRecords) {
    constexpr int kEach = 150;
    CardProgram a(dataDir());
    CardProgram b(dataDir());
    ASSERT_EQ("ok", a.ask("open"));
    ASSERT_EQ("ok", b.ask("open"));
    auto t = table();
    t->Open();
    a.start("append 1 " + QByteArray::number(kEach));
    b.start("append 1001 " + QByteArray::number(1000 + kEach));

    // Refresh over and over while they append: the count never goes back, no refresh fails
    // (a half-written record is not damage), and every record seen is complete.
    int last = 0, refreshes = 0, checkedAtLeastOnce = 0;
    bool aDone = false, bDone = false;
    while (!(aDone && bDone)) {
        aDone = aDone || a.answered();
        bDone = bDone || b.answered();
        t->Refresh();
        ++refreshes;
        const int count = t->RecordCount();
        ASSERT_GE(count, last);
        if (count > last) {
            for (t->First(); !t->Eof(); t->Next()) {
                const int evc = t->FieldByName("Evc")->AsInteger();
                ASSERT_EQ(nlaFor(evc), t->FieldByName("Nla")->AsString()) << "card " << evc;
                ASSERT_EQ(lkFor(evc), t->FieldByName("Lk")->AsString()) << "card " << evc;
            }
            ++checkedAtLeastOnce;
        }
        last = count;
    }
    const QByteArray answerA = a.answer(), answerB = b.answer();
    EXPECT_TRUE(answerA.startsWith("ok")) << answerA.toStdString();
    EXPECT_TRUE(answerB.startsWith("ok")) << answerB.toStdString();
    t->Refresh();
    EXPECT_EQ(2 * kEach, t->RecordCount());
    EXPECT_GT(checkedAtLeastOnce, 1);
    std::cout << "[ info   ] " << refreshes << " refreshes during the appends\n";
}

// ---- record locks --------------------------------------------------------------------------

TEST_F(MultiProcess, EditLocksTheRecordAgainstOtherProcesses) {
    seed(1, 5);
    CardProgram a(dataDir());
    ASSERT_EQ("ok", a.ask("open"));
    ASSERT_EQ("ok", a.ask("edit 2"));  // A edits card 2 and keeps editing

    auto t = table();
    t->Open();
    ASSERT_TRUE(t->Locate("Evc", 2));
    try {
        t->Edit();
        ADD_FAILURE() << "Edit succeeded on a record another process is editing";
    } catch (const EDBEngineError& e) {
        EXPECT_EQ(RecordLocked, e.errorCode());
        EXPECT_EQ(QStringLiteral("Záznam je uzamčen jiným uživatelem."), e.message());
    }
    EXPECT_EQ(TDataSetState::Browse, t->State());
    EXPECT_EQ(nlaFor(2), t->FieldByName("Nla")->AsString());
    // Deleting it is refused too, and leaves it in place.
    EXPECT_EQ(RecordLocked, errorCodeOf([&] { t->Delete(); }));
    t->Refresh();
    EXPECT_EQ(5, t->RecordCount());
    EXPECT_TRUE(t->Locate("Evc", 2));

    // Other records are free.
    ASSERT_TRUE(t->Locate("Evc", 3));
    t->Edit();
    t->FieldByName("Lk")->setAsString("Změněno vedle");
    t->Post();

    // Once A posts, the record is ours, and Edit starts from A's version without a refresh.
    ASSERT_EQ("ok", a.ask("post"));
    ASSERT_TRUE(t->Locate("Evc", 2));
    t->Edit();
    EXPECT_EQ(renamedNla(2), t->FieldByName("Nla")->AsString());
    t->FieldByName("Lk")->setAsString("Od B");
    t->Post();

    // The other way round: our edit locks it against A's edit and delete until we cancel.
    ASSERT_TRUE(t->Locate("Evc", 4));
    t->Edit();
    EXPECT_EQ(RecordLocked, codeOf(a.ask("edit 4")));
    EXPECT_EQ(RecordLocked, codeOf(a.ask("delete 4 4")));
    t->Cancel();
    EXPECT_EQ("ok", a.ask("edit 4"));
    EXPECT_EQ("ok", a.ask("cancel"));
    EXPECT_EQ("ok", a.ask("delete 4 4"));
    a.exit();
    t->Close();

    Model model;
    modelAppend(model, 1, 5);
    model[2] = Card{renamedNla(2), "Od B", dateFor(2)};
    model[3].lk = "Změněno vedle";
    model.erase(4);
    expectTableMatches(model);
}

TEST_F(MultiProcess, CancelOrCrashOfTheEditingProcessFreesTheRecord) {
    seed(1, 3);
    CardProgram a(dataDir());
    ASSERT_EQ("ok", a.ask("open"));
    ASSERT_EQ("ok", a.ask("edit 1"));
    auto t = table();
    t->Open();
    ASSERT_TRUE(t->Locate("Evc", 1));
    EXPECT_EQ(RecordLocked, errorCodeOf([&] { t->Edit(); }));
    ASSERT_EQ("ok", a.ask("cancel"));
    t->Edit();  // free again; A's cancelled change is not there
    EXPECT_EQ(nlaFor(1), t->FieldByName("Nla")->AsString());
    t->Cancel();

    ASSERT_EQ("ok", a.ask("edit 1"));
    EXPECT_EQ(RecordLocked, errorCodeOf([&] { t->Edit(); }));
    a.kill();
    t->Edit();
    EXPECT_EQ(nlaFor(1), t->FieldByName("Nla")->AsString());
    t->Post();
}

// A table whose Edit stops between re-reading the records and taking the record lock, so that
// the test can let another process post in exactly that gap.
class TableWithLockGap : public TTable {
public:
    std::function<void()> beforeLock;

protected:
    bool lockForEdit(quint32 id) override {
        if (beforeLock) beforeLock();
        return TTable::lockForEdit(id);
    }
};

TEST_F(MultiProcess, EditStartsFromTheVersionPostedJustBeforeTheLock) {
    seed(1, 3);
    CardProgram a(dataDir());
    ASSERT_EQ("ok", a.ask("open"));
    ASSERT_EQ("ok", a.ask("edit 2"));

    TableWithLockGap t;
    t.setDatabase(&db);
    t.TableName = "Cards.DB";
    t.Open();
    ASSERT_TRUE(t.Locate("Evc", 2));
    QByteArray posted;
    t.beforeLock = [&] { posted = a.ask("post"); };
    t.Edit();
    ASSERT_EQ("ok", posted);
    // Our edit must carry A's new name, or posting our change would silently undo A's.
    EXPECT_EQ(renamedNla(2), t.FieldByName("Nla")->AsString());
    t.FieldByName("Lk")->setAsString("Od B");
    t.Post();

    // The same gap, but A deletes the record in it: our edit must not bring it back.
    ASSERT_TRUE(t.Locate("Evc", 3));
    QByteArray deleted;
    t.beforeLock = [&] { deleted = a.ask("delete 3 3"); };
    bool refused = false;
    try {
        t.Edit();
        t.beforeLock = nullptr;
        t.FieldByName("Lk")->setAsString("Vzkříšený");
        t.Post();
    } catch (const EDatabaseError&) {
        refused = true;
    }
    ASSERT_EQ("ok", deleted);
    EXPECT_TRUE(refused) << "an edit of a record deleted meanwhile was posted";
    if (t.State() == TDataSetState::Edit) t.Cancel();
    t.beforeLock = nullptr;
    t.Close();
    a.exit();

    Model model;
    modelAppend(model, 1, 3);
    model[2].nla = renamedNla(2);
    model[2].lk = "Od B";
    model.erase(3);
    expectTableMatches(model);
}

// ---- refresh -------------------------------------------------------------------------------

TEST_F(MultiProcess, RefreshShowsOtherProcessesChangesWithoutReopening) {
    seed(1, 8);
    Model model;
    modelAppend(model, 1, 8);
    CardProgram b(dataDir());
    ASSERT_EQ("ok", b.ask("open"));

    auto t = table();
    t->setIndexFieldNames("Nla");
    t->Open();
    ASSERT_TRUE(t->Locate("Evc", 4));

    ASSERT_TRUE(b.ask("append 10 12").startsWith("ok"));
    ASSERT_EQ("ok", b.ask("rename 2 2"));
    ASSERT_EQ("ok", b.ask("delete 3 3"));
    modelAppend(model, 10, 12);
    modelRename(model, 2, 2);
    modelDelete(model, 3, 3);

    auto expectedNames = [&] {
        QStringList names;
        for (const auto& [evc, card] : model) names << card.nla;
        std::stable_sort(names.begin(), names.end(), [](const QString& x, const QString& y) {
            if (x.isEmpty() || y.isEmpty()) return x.isEmpty() && !y.isEmpty();
            return engine::Collation::compare(x, y) < 0;
        });
        return names;
    };

    t->Refresh();
    EXPECT_EQ(4, t->FieldByName("Evc")->AsInteger());  // still on the same record
    EXPECT_EQ(int(model.size()), t->RecordCount());
    EXPECT_EQ(expectedNames(), column(*t, "Nla"));
    EXPECT_TRUE(t->Locate("Evc", 2));
    EXPECT_EQ(renamedNla(2), t->FieldByName("Nla")->AsString());
    EXPECT_FALSE(t->Locate("Evc", 3));
    EXPECT_TRUE(t->Locate("Evc", 11));

    // The record we are on is deleted by B: after the refresh we stand on a live record.
    ASSERT_TRUE(t->Locate("Evc", 5));
    ASSERT_EQ("ok", b.ask("delete 5 5"));
    modelDelete(model, 5, 5);
    t->Refresh();
    EXPECT_EQ(int(model.size()), t->RecordCount());
    ASSERT_FALSE(t->Eof() && t->Bof());
    EXPECT_TRUE(model.count(t->FieldByName("Evc")->AsInteger()));

    // Our own post reads what B wrote before it, without a refresh.
    ASSERT_TRUE(b.ask("append 20 20").startsWith("ok"));
    ASSERT_EQ("ok", b.ask("redate 6 6"));
    appendCard(*t, 21);
    modelAppend(model, 20, 21);
    modelRedate(model, 6, 6);
    EXPECT_EQ(21, t->FieldByName("Evc")->AsInteger());
    EXPECT_EQ(int(model.size()), t->RecordCount());
    EXPECT_EQ(expectedNames(), column(*t, "Nla"));
    ASSERT_TRUE(t->Locate("Evc", 6));
    EXPECT_EQ(redated(6), t->FieldByName("D")->AsDate());
    // And B sees ours.
    EXPECT_EQ("ok " + nlaFor(21).toUtf8(), b.ask("get 21"));

    b.exit();
    t->Close();
    expectTableMatches(model);
}

// ---- index snapshots -----------------------------------------------------------------------

// Both processes write, each also changing the other's records, then close in either order; a
// fresh open must find every order correct, whichever snapshot it uses.
TEST_F(MultiProcess, IndexSnapshotsOfBothProcessesGiveCorrectOrders) {
    for (bool aClosesFirst : {true, false}) {
        SCOPED_TRACE(aClosesFirst ? "A closes first" : "B closes first");
        const QString name = aClosesFirst ? "First" : "Second";
        TTable::CreateTable(dataDir(), name, cards(), cardIndexes(), kPassword);
        CardProgram a(dataDir());
        CardProgram b(dataDir());
        ASSERT_EQ("ok", a.ask("open " + name.toUtf8()));
        ASSERT_EQ("ok", b.ask("open " + name.toUtf8()));
        Model model;

        a.start("append 1 60");
        b.start("append 101 160");
        ASSERT_TRUE(a.answer().startsWith("ok"));
        ASSERT_TRUE(b.answer().startsWith("ok"));
        modelAppend(model, 1, 60);
        modelAppend(model, 101, 160);
        ASSERT_EQ("ok", a.ask("rename 101 110"));
        modelRename(model, 101, 110);
        ASSERT_EQ("ok", b.ask("delete 1 5"));
        modelDelete(model, 1, 5);
        ASSERT_EQ("ok", b.ask("redate 6 15"));
        modelRedate(model, 6, 15);
        ASSERT_TRUE(a.ask("append 61 70").startsWith("ok"));
        modelAppend(model, 61, 70);
        ASSERT_EQ("ok", b.ask("rename 20 25"));
        modelRename(model, 20, 25);

        CardProgram& firstToClose = aClosesFirst ? a : b;
        CardProgram& secondToClose = aClosesFirst ? b : a;
        ASSERT_EQ("ok", firstToClose.ask("close"));
        ASSERT_EQ("ok", secondToClose.ask("close"));
        a.exit();
        b.exit();
        // The last to close wrote snapshots covering everything, the other's changes included.
        EXPECT_EQ(std::vector<qint64>(5, recordFileSize(name)), snapshotEnds(name));
        expectTableMatches(model, name);
    }
}

// A writes and closes (its snapshot is current); B, open all along, changes the table further
// and is killed, so no snapshot covers its changes. A fresh open must account for them, both
// when they are few (the snapshot is brought up to date) and when they are many.
TEST_F(MultiProcess, SnapshotOlderThanAKilledProcessesChangesIsNotTrustedBlindly) {
    struct Changes {
        const char* name;
        int appendTo, renameTo, deleteFrom, deleteTo;
    };
    for (const Changes& c : {Changes{"Few", 103, 12, 20, 21}, Changes{"Many", 200, 40, 41, 55}}) {
        SCOPED_TRACE(c.name);
        TTable::CreateTable(dataDir(), c.name, cards(), cardIndexes(), kPassword);
        CardProgram a(dataDir());
        CardProgram b(dataDir());
        ASSERT_EQ("ok", a.ask(QByteArray("open ") + c.name));
        ASSERT_EQ("ok", b.ask(QByteArray("open ") + c.name));
        Model model;
        ASSERT_TRUE(a.ask("append 1 60").startsWith("ok"));
        modelAppend(model, 1, 60);
        ASSERT_EQ("ok", a.ask("close"));
        a.exit();

        ASSERT_TRUE(b.ask("append 101 " + QByteArray::number(c.appendTo)).startsWith("ok"));
        modelAppend(model, 101, c.appendTo);
        ASSERT_EQ("ok", b.ask("rename 10 " + QByteArray::number(c.renameTo)));
        modelRename(model, 10, c.renameTo);
        ASSERT_EQ("ok", b.ask("delete " + QByteArray::number(c.deleteFrom) + " " + QByteArray::number(c.deleteTo)));
        modelDelete(model, c.deleteFrom, c.deleteTo);
        b.kill();
        // A's snapshots are intact but end before B's changes.
        for (qint64 end : snapshotEnds(c.name)) {
            EXPECT_GT(end, 0);
            EXPECT_LT(end, recordFileSize(c.name));
        }
        expectTableMatches(model, c.name);
        // And again, now from the snapshot the fresh open wrote.
        expectTableMatches(model, c.name);
    }
}

}  // namespace
