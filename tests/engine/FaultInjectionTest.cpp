// Writes that fail: every change reports the failure as an IoError, never as success, and
// leaves the table as it was, both in the process that saw the failure and on disk; the next
// change works once the disk does.

#include <gtest/gtest.h>

#include "CrashTestSupport.h"
#include "EngineFixture.h"
#include "FaultyFileSystem.h"

using namespace crashtest;
using Fault = FaultyFileSystem::Fault;

namespace {

struct FaultCase {
    Fault fault;
    bool sticky;
    const char* name;
};

const FaultCase kFaults[] = {
    {Fault::FailWrite, false, "failed write"},
    {Fault::TornWrite, false, "torn write"},
    {Fault::FailSync, false, "failed sync"},
    {Fault::FailWrite, true, "disk full"},
    {Fault::TornWrite, true, "torn write, then every write fails"},
    {Fault::FailSync, true, "every sync fails"},
};

// The tables live in a scratch directory on tmpfs when there is one: the faults are simulated,
// and each test opens, fails and reopens a table a few hundred times.
class FaultInjection : public EngineFixture {
protected:
    FaultInjection() { sdb.Params = {"PATH=" + scratch.path(), "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"}; }
    void SetUp() override { engine::FileSystem::setCurrent(&fs); }
    void TearDown() override { engine::FileSystem::setCurrent(nullptr); }

    std::unique_ptr<TTable> table() { return EngineFixture::table("Cards", &sdb); }
    void createCards() { TTable::CreateTable(scratch.path(), "Cards", cards(), cardIndexes(), kPassword); }

    void makeTable() {
        createCards();
        auto t = table();
        t->Open();
        addCard(*t, 3, "Hřib smrkový", "Chlum", QDate(2020, 5, 1));
        addCard(*t, 1, "Chroš", "", QDate());
        addCard(*t, 2, "Čirůvka", "Žďár", QDate(2019, 9, 9));
        addCard(*t, 5, "Amanita", "Hradiště", QDate(2021, 1, 2));
        pristine = tableFiles(scratch.path(), "Cards");
    }

    Rows reopened() {
        auto t = table();
        t->Open();
        Rows rows = readRows(*t);
        expectOrdersCorrect(*t, rows, "after reopening");
        return rows;
    }

    bool tempFilesLeft() const { return !QDir(scratch.path()).entryList({"*.tmp"}, QDir::Files).isEmpty(); }

    // Runs `change` on an open table once without faults to learn its result, then with each
    // fault at every write or sync it makes. A change that fails must throw IoError and leave
    // the table as it was, in the same process and on disk, and a later post must work. A
    // change that succeeds although a write failed (an index snapshot, which is only a cache)
    // must have its full effect.
    void sweep(const std::function<void(TTable&)>& change) {
        auto openTable = [&] {
            auto t = table();
            t->Open();
            return t;
        };
        putTableFiles(scratch.path(), "Cards", pristine);
        const Rows before = reopened();
        Rows after;
        {
            auto t = openTable();
            change(*t);
            t->CheckBrowseMode();
            after = readRows(*t);
        }
        ASSERT_NE(after, before) << "the change changes nothing";

        for (const FaultCase& fc : kFaults) {
            int failures = 0;
            for (int n = 1; n < 50; ++n) {
                const std::string at = std::string(fc.name) + " at " + std::to_string(n);
                putTableFiles(scratch.path(), "Cards", pristine);
                auto t = openTable();
                auto other = openTable();
                fs.arm(fc.fault, n, fc.sticky);
                bool failed = false;
                try {
                    change(*t);
                } catch (const EDBEngineError& e) {
                    failed = true;
                    EXPECT_EQ(e.errorCode(), EngineErrorCode::IoError) << at << ": " << e.what();
                }
                const bool fired = fs.fired();
                fs.disarm();
                if (!fired) {
                    EXPECT_FALSE(failed) << at;
                    break;  // the change makes fewer writes than n
                }
                if (failed) {
                    ++failures;
                    // Another cursor of the same database shares the records: unchanged.
                    EXPECT_EQ(readRows(*other), before) << at;
                    // The failing cursor, once its pending edit is dropped.
                    t->Cancel();
                    EXPECT_EQ(readRows(*t), before) << at;
                    expectOrdersCorrect(*t, before, at);
                    EXPECT_FALSE(tempFilesLeft()) << at;
                    // The same cursor takes the next post, and after a reopen the table holds
                    // exactly the records from before and that post.
                    addCard(*t, 77, "Pozdní hřib", "Ústí", QDate(2024, 1, 1));
                    const Rows withPost = readRows(*t);
                    Rows withoutPost = withPost;
                    std::erase_if(withoutPost, [](const auto& row) { return row.second[1].toInt() == 77; });
                    EXPECT_EQ(withPost.size(), before.size() + 1) << at;
                    EXPECT_EQ(withoutPost, before) << at;
                    other.reset();
                    t.reset();
                    EXPECT_EQ(reopened(), withPost) << at;
                } else {
                    // Only a write the change does not depend on may fail unnoticed.
                    EXPECT_EQ(readRows(*t), after) << at;
                    other.reset();
                    t.reset();
                    EXPECT_EQ(reopened(), after) << at;
                }
            }
            EXPECT_GT(failures, 0) << fc.name << ": no fault made the change fail";
        }
    }

    ScratchDir scratch;
    TDatabase sdb{&session, "ScratchDb"};
    FaultyFileSystem fs;
    std::map<QString, QByteArray> pristine;
};

TEST_F(FaultInjection, FailedInsertIsNotStored) {
    makeTable();
    sweep([](TTable& t) { addCard(t, 9, "Bedla", "Cheb", QDate(2022, 2, 2)); });
}

TEST_F(FaultInjection, FailedEditIsNotStored) {
    makeTable();
    sweep([](TTable& t) {
        ASSERT_TRUE(t.Locate("Evc", 2));
        t.Edit();
        t.FieldByName("Evc")->setAsInteger(8);
        t.FieldByName("Nla")->setAsString("Amanita");
        t.FieldByName("D")->Clear();
        t.Post();
    });
}

TEST_F(FaultInjection, FailedDeleteKeepsTheRecord) {
    makeTable();
    sweep([](TTable& t) {
        ASSERT_TRUE(t.Locate("Evc", 3));
        t.Delete();
    });
}

TEST_F(FaultInjection, FailedUpdateStatementChangesNothing) {
    makeTable();
    sweep([this](TTable&) {
        TQuery q;
        q.setDatabase(&sdb);
        q.SQL = QStringList{"UPDATE Cards SET Nla = 'Muchomůrka' WHERE Evc >= 2"};
        q.ExecSQL();
        EXPECT_EQ(q.RowsAffected(), 3);
    });
}

TEST_F(FaultInjection, FailedEmptyTableKeepsEveryRecord) {
    makeTable();
    sweep([](TTable& t) { t.EmptyTable(); });

    // On a closed table EmptyTable opens it for itself, and must not leave it open on failure.
    putTableFiles(scratch.path(), "Cards", pristine);
    const Rows before = reopened();
    auto t = table();
    fs.arm(Fault::FailSync, 1);
    EXPECT_THROW(t->EmptyTable(), EDBEngineError);
    fs.disarm();
    EXPECT_FALSE(t->Active());
    EXPECT_EQ(reopened(), before);
}

TEST_F(FaultInjection, FailedRegenerationKeepsTheTable) {
    makeTable();
    // Dead space for the compaction to drop.
    {
        auto t = table();
        t->Open();
        ASSERT_TRUE(t->Locate("Evc", 1));
        t->Edit();
        t->FieldByName("Lk")->setAsString("Žďár");
        t->Post();
        pristine = tableFiles(scratch.path(), "Cards");
    }
    // Regeneration keeps the records; what it changes is the file: compare that instead.
    const qint64 sizeBefore = pristine.at("Cards.DB").size();
    Rows before;
    for (const FaultCase& fc : kFaults) {
        int failures = 0;
        for (int n = 1; n < 50; ++n) {
            const std::string at = std::string(fc.name) + " at " + std::to_string(n);
            putTableFiles(scratch.path(), "Cards", pristine);
            auto t = table();
            t->Exclusive = true;
            t->Open();
            before = readRows(*t);
            fs.arm(fc.fault, n, fc.sticky);
            bool failed = false;
            try {
                t->RegenerateIndexes();
            } catch (const EDBEngineError& e) {
                failed = true;
                EXPECT_EQ(e.errorCode(), EngineErrorCode::IoError) << at << ": " << e.what();
            }
            const bool fired = fs.fired();
            fs.disarm();
            if (!fired) break;
            EXPECT_EQ(readRows(*t), before) << at;
            expectOrdersCorrect(*t, before, at);
            EXPECT_FALSE(tempFilesLeft()) << at;
            const qint64 size = QFileInfo(scratch.file("Cards.DB")).size();
            if (failed) {
                ++failures;
                EXPECT_EQ(readFile(scratch.file("Cards.DB")), pristine.at("Cards.DB")) << at;
            } else {
                EXPECT_LT(size, sizeBefore) << at << ": reported success but did not compact";
            }
            addCard(*t, 77, "Pozdní hřib", "Ústí", QDate(2024, 1, 1));
            Rows withPost = readRows(*t);
            t.reset();
            EXPECT_EQ(reopened(), withPost) << at;
        }
        EXPECT_GT(failures, 0) << fc.name;
    }
}

TEST_F(FaultInjection, FailedCreationLeavesNoTable) {
    for (const FaultCase& fc : kFaults) {
        int failures = 0;
        for (int n = 1; n < 50; ++n) {
            const std::string at = std::string(fc.name) + " at " + std::to_string(n);
            fs.arm(fc.fault, n, fc.sticky);
            bool failed = false;
            try {
                createCards();
            } catch (const EDBEngineError& e) {
                failed = true;
                EXPECT_EQ(e.errorCode(), EngineErrorCode::IoError) << at << ": " << e.what();
            }
            const bool fired = fs.fired();
            fs.disarm();
            if (failed) {
                ++failures;
                // Nothing of the table is left: not a record file, not an index file.
                EXPECT_TRUE(tableFiles(scratch.path(), "Cards").empty()) << at;
                EXPECT_FALSE(tempFilesLeft()) << at;
                auto t = table();
                try {
                    t->Open();
                    ADD_FAILURE() << at << ": a table whose creation failed opens";
                } catch (const EDBEngineError& e) {
                    EXPECT_EQ(e.errorCode(), EngineErrorCode::FileNotFound) << at;
                }
                // Creating it again works.
                createCards();
            } else {
                EXPECT_FALSE(fired) << at << ": a failed write went unreported";
            }
            {
                auto t = table();
                t->Open();
                addCard(*t, 1, "Hřib");
            }
            EXPECT_EQ(reopened().size(), 1u) << at;
            for (const auto& [name, bytes] : tableFiles(scratch.path(), "Cards")) QFile::remove(scratch.file(name));
            if (!fired) break;
        }
        EXPECT_GT(failures, 0) << fc.name;
    }
}

TEST_F(FaultInjection, AnIndexKnownFromOneFileSurvivesRegeneration) {
    // Y04 is lost and the open cannot write the index files back (every write fails): the
    // index is known from X04 alone. Regenerating must not lose it.
    makeTable();
    QFile::remove(scratch.file("Cards.Y04"));
    auto t = table();
    t->Exclusive = true;
    fs.arm(Fault::FailWrite, 1, true);
    t->Open();
    fs.disarm();
    ASSERT_FALSE(QFile::exists(scratch.file("Cards.Y04")));
    t->RegenerateIndexes();
    EXPECT_NO_THROW(t->setIndexFieldNames("Lk"));
    const Rows rows = readRows(*t);
    t.reset();
    auto again = table();
    again->Open();
    EXPECT_NO_THROW(again->setIndexFieldNames("Lk"));
    expectOrdersCorrect(*again, rows);
}

}  // namespace
