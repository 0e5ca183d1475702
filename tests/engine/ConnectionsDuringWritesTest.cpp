// Other connections while one writes: a reader that refreshes while a writer's sync fails
// never takes in the bytes the writer then takes back, and a connection opening the table
// while the last one closes it and compacts the file waits for the compaction instead of
// being told the table is in use.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "CrashTestSupport.h"
#include "EngineFixture.h"
#include "SyncHookFileSystem.h"

namespace {

using ConnectionsDuringWrites = EngineFixture;

TEST_F(ConnectionsDuringWrites, ARefreshNeverTakesInAWriteWhoseSyncFails) {
    createCards();
    TDatabase otherDb(&session, "OtherDb");
    otherDb.Params = db.Params;
    auto reader = table("Cards", &otherDb);
    reader->Open();
    SyncHookFileSystem fs;
    engine::FileSystem::setCurrent(&fs);
    auto writer = table();
    writer->Open();
    addCard(*writer, 1, "Hřib");
    reader->Refresh();
    ASSERT_EQ(reader->RecordCount(), 1);

    // While the writer waits for its failing sync, the reader refreshes from another thread
    // (another program, as far as the file locks are concerned).
    std::thread refresher;
    bool failed = false;
    fs.beforeSync = [&](const QString&) {
        if (failed) return true;
        failed = true;
        refresher = std::thread([&] { reader->Refresh(); });
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        return false;
    };
    EXPECT_THROW(addCard(*writer, 2, "Bedla"), EDBEngineError);
    writer->Cancel();
    refresher.join();
    engine::FileSystem::setCurrent(nullptr);

    EXPECT_NO_THROW(reader->Refresh());
    EXPECT_EQ(reader->RecordCount(), 1);
    addCard(*writer, 3, "Ryzec");
    reader->Refresh();
    EXPECT_EQ(column(*reader, "Evc"), QStringList({"1", "3"}));
}

TEST_F(ConnectionsDuringWrites, OpeningWhileTheLastConnectionCompactsWaitsForIt) {
    createCards();
    SyncHookFileSystem fs;
    engine::FileSystem::setCurrent(&fs);
    auto closing = table();
    closing->Open();
    for (int i = 1; i <= 200; ++i) addCard(*closing, i, "Hřib smrkový");
    TQuery q;
    q.setDatabase(&db);
    q.SQL = QStringList{"UPDATE Cards SET Nla = 'Bedla'"};
    q.ExecSQL();  // more than half of the file is now dead: closing compacts it
    q.Close();
    engine::FileSystem::setCurrent(nullptr);

    // The other program: a session and database of its own, in another thread.
    TSession otherSession("OtherSession");
    otherSession.setNetFileDir(dir.path());
    otherSession.AddPassword(kPassword);
    otherSession.Open();
    TDatabase otherDb(&otherSession, "OtherDb");
    otherDb.Params = db.Params;
    auto opener = table("Cards", &otherDb);
    std::thread other;
    QString refusal;
    int count = -1;
    bool compacted = false;
    engine::FileSystem::setCurrent(&fs);
    fs.beforeSync = [&](const QString&) {
        // The first sync while closing is the new file's.
        if (compacted) return true;
        compacted = true;
        other = std::thread([&] {
            try {
                opener->Open();
                count = opener->RecordCount();
            } catch (const EDatabaseError& e) {
                refusal = e.message();
            }
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        return true;
    };
    closing.reset();
    engine::FileSystem::setCurrent(nullptr);
    ASSERT_TRUE(compacted);
    other.join();
    EXPECT_TRUE(refusal.isEmpty()) << refusal.toStdString();
    EXPECT_EQ(count, 200);
    opener.reset();
}

}  // namespace
