// Damaged record and index files: the engine either reports the damage, naming the file, or
// works around it without ever showing wrong data. Index files are only snapshots of the
// orders; whatever is wrong with them, the table opens with correct orders and afterwards has
// valid index files again.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "CrashTestSupport.h"
#include "EngineFixture.h"
#include "ByteIO.h"
#include "StorageFormat.h"

using namespace crashtest;

namespace {

const QStringList kIndexFiles = {"Cards.PX",  "Cards.X03", "Cards.Y03", "Cards.X04", "Cards.Y04",
                                 "Cards.X05", "Cards.Y05", "Cards.XG0", "Cards.YG0"};

class Corruption : public EngineFixture {
protected:
    // Forty cards with repeated names, Czech letters, empty places and dates, then a few
    // changed and deleted, so that every order has ties, NULLs and records that moved.
    Rows fillCards(TTable& t, int count = 40) {
        static const QStringList names = {"Hřib smrkový", "Chroš",     "Čirůvka", "Cirůvka", "hřib smrkový",
                                          "Holubinka",    "Šťavnatka", "Amanita", "Ryzec"};
        static const QStringList places = {"Chlum", "", "Černá hora", "Hradiště", "Cholupice", "Žďár"};
        for (int i = 0; i < count; ++i) {
            addCard(t, 1000 - 7 * i, names[i % names.size()], places[i % places.size()],
                    i % 5 == 0 ? QDate() : QDate(2000, 1, 1).addDays((i * 37) % 400));
        }
        t.setIndexFieldNames("Evc");
        for (int evc : {1000, 965, 930}) {
            EXPECT_TRUE(t.FindKey({evc}));
            t.Edit();
            t.FieldByName("Nla")->setAsString(QStringLiteral("Čirůvka %1").arg(evc));
            t.FieldByName("Lk")->setAsString("Chlum");
            t.Post();
        }
        EXPECT_TRUE(t.FindKey({993}));
        t.Delete();
        t.setIndexFieldNames("");
        return readRows(t);
    }

    Rows makeTable() {
        createCards();
        auto t = table();
        t->Open();
        return fillCards(*t);
    }

    // Every index file is valid and stamped with the record file's present state.
    void expectIndexFilesCurrent(const Rows& rows, const std::string& context) {
        const engine::IndexStamp stamp = stampOf(dir.file("Cards.DB"));
        auto px = engine::IndexFile::readSnapshot(dir.file("Cards.PX"));
        ASSERT_TRUE(px.has_value()) << context;
        EXPECT_TRUE(px->stamp == stamp) << context;
        EXPECT_EQ(px->rids.size(), rows.size()) << context;
        for (const engine::IndexDef& def : cardIndexes()) {
            auto x = engine::IndexFile::readSnapshot(dir.file("Cards.X" + def.suffix));
            auto y = engine::IndexFile::readDefinition(dir.file("Cards.Y" + def.suffix));
            ASSERT_TRUE(x.has_value()) << def.suffix.toStdString() << " " << context;
            ASSERT_TRUE(y.has_value()) << def.suffix.toStdString() << " " << context;
            EXPECT_TRUE(x->def == def) << def.suffix.toStdString() << " " << context;
            EXPECT_TRUE(x->stamp == stamp) << def.suffix.toStdString() << " " << context;
            EXPECT_EQ(x->rids.size(), rows.size()) << def.suffix.toStdString() << " " << context;
            EXPECT_TRUE(y->first == def) << def.suffix.toStdString() << " " << context;
            EXPECT_TRUE(y->second == stamp) << def.suffix.toStdString() << " " << context;
        }
    }

    std::map<QString, quint64> indexInodes() {
        std::map<QString, quint64> out;
        for (const QString& f : kIndexFiles) out[f] = inodeOf(dir.file(f));
        return out;
    }

    // Opens the table in the files now in place: the orders must be right, the index files
    // rewritten valid, and a second open must use them as they are (no file rewritten).
    void expectRecoveredFrom(const Rows& rows, const std::string& context) {
        {
            auto t = table();
            t->Open();
            EXPECT_EQ(readRows(*t), rows) << context;
            expectOrdersCorrect(*t, rows, context);
        }
        expectIndexFilesCurrent(rows, context);
        const auto inodes = indexInodes();
        {
            auto t = table();
            t->Open();
            expectOrdersCorrect(*t, rows, context);
        }
        EXPECT_EQ(indexInodes(), inodes) << "valid index files were rewritten: " << context;
    }
};

// ---- record file -------------------------------------------------------------------------

TEST_F(Corruption, EveryByteFlipOfTheRecordFileIsReportedOrCostsOnlyTheLastSlot) {
    createCards();
    qint64 lastSlot = 0;
    {
        auto t = table();
        t->Open();
        addCard(*t, 4, "Hřib smrkový", "Chlum", QDate(2020, 5, 1));
        addCard(*t, 2, "Chroš", "", QDate());
        addCard(*t, 9, "Čirůvka", "Žďár", QDate(2019, 9, 9));
        addCard(*t, 1, "Amanita", "Hradiště", QDate(2021, 1, 2));
        lastSlot = QFileInfo(dir.file("Cards.DB")).size();
        addCard(*t, 7, "Ryzec", "Cholupice", QDate(2018, 3, 4));
    }
    Rows rows;
    {
        auto t = table();
        t->Open();
        rows = readRows(*t);
    }
    ASSERT_EQ(rows.size(), 5u);
    Rows withoutLast = rows;
    withoutLast.erase(5);

    const auto pristine = tableFiles(dir.path(), "Cards");
    const QByteArray original = pristine.at("Cards.DB");
    const ScratchDir scratch;
    const QString sub = scratch.path();
    const QString dbPath = QDir::toNativeSeparators(sub + "Cards.DB");

    int reported = 0, lastLost = 0;
    for (const quint8 pattern : {quint8(0xFF), quint8(0x01)}) {
        for (qint64 i = 0; i < original.size(); ++i) {
            auto files = pristine;
            QByteArray& bytes = files["Cards.DB"];
            bytes[i] = char(quint8(bytes[i]) ^ pattern);
            putTableFiles(sub, "Cards", files);
            const std::string at = "byte " + std::to_string(i) + " ^ " + std::to_string(pattern);
            try {
                DirTable c(&session, sub);
                c.t.Open();
                const Rows got = readRows(c.t);
                if (i < lastSlot) {
                    ADD_FAILURE() << "damage before the last slot was not reported: " << at;
                } else if (got != rows) {
                    // The last slot is unreadable: indistinguishable from an interrupted append.
                    EXPECT_EQ(got, withoutLast) << at << "\n" << describe(got);
                    ++lastLost;
                }
                expectOrdersCorrect(c.t, got, at);
            } catch (const EDBEngineError& e) {
                EXPECT_EQ(e.errorCode(), EngineErrorCode::FileCorrupt) << at << " " << e.what();
                EXPECT_TRUE(e.message().contains(dbPath)) << at << " " << e.what();
                ++reported;
            }
            // Opening never repairs or cuts the record file by itself.
            EXPECT_EQ(readFile(sub + "Cards.DB"), bytes) << at;
        }
    }
    // Every flip before the last slot was reported (checked above); the last slot's flips all
    // cost exactly that slot, since the CRC covers every byte of a slot.
    EXPECT_EQ(reported, 2 * lastSlot);
    EXPECT_EQ(lastLost, 2 * (original.size() - lastSlot));

    // The next writer cuts the damaged last slot off, but keeps its bytes beside the table
    // for recovery by hand; a later cut replaces them.
    auto files = pristine;
    files["Cards.DB"][original.size() - 3] ^= 0x10;
    putTableFiles(sub, "Cards", files);
    const QByteArray damaged = readFile(sub + "Cards.DB");
    {
        DirTable c(&session, sub);
        c.t.Open();
        addCard(c.t, 100, "Bedla");
    }
    EXPECT_EQ(readFile(sub + "Cards.DB.cut"), damaged.mid(lastSlot));
    writeFile(sub + "Cards.DB", readFile(sub + "Cards.DB") + QByteArray("torn tail"));
    {
        DirTable c(&session, sub);
        c.t.Open();
        addCard(c.t, 101, "Bedla");
        EXPECT_EQ(c.t.RecordCount(), 6);
    }
    EXPECT_EQ(readFile(sub + "Cards.DB.cut"), QByteArray("torn tail"));
}

TEST_F(Corruption, CraftedRecordIdentitiesAreRefusedWithoutExhaustingMemory) {
    // A firm may come from someone else's archive: identities far beyond what the file could
    // hold must fail the open with the engine's error, in little memory, never crash it.
    createCards();
    const QByteArray empty = readFile(dir.file("Cards.DB"));
    const engine::RecordCodec codec(cards());
    const QByteArray payload = codec.encode({1, 7, QStringLiteral("Hřib"), QVariant(), QVariant(), QVariant()});
    const struct {
        const char* what;
        std::vector<std::pair<quint32, quint8>> written;  // identity, kind
    } crafted[] = {
        {"identity 0xFFFFFFFF", {{0xFFFFFFFFu, engine::format::kSlotRecord}}},
        {"identity 0xFFFFFFFE", {{0xFFFFFFFEu, engine::format::kSlotRecord}}},
        {"identity 0x10000000", {{0x10000000u, engine::format::kSlotRecord}}},
        {"sparse deletions", [] {
             std::vector<std::pair<quint32, quint8>> v;
             for (quint32 i = 1; i <= 1000; ++i) v.emplace_back(i * 4000000u, engine::format::kSlotTombstone);
             return v;
         }()},
    };
    for (const auto& c : crafted) {
        QByteArray file = empty;
        quint64 seq = 0;
        for (const auto& [rid, kind] : c.written) {
            file += engine::RecordFile::encodeSlot(rid, ++seq, kind, kind == engine::format::kSlotRecord ? payload : QByteArray());
        }
        writeFile(dir.file("Cards.DB"), file);
        // In a child process under an address-space limit: a gigabyte allocation fails there
        // instead of succeeding lazily, and a crash shows as a signal.
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            // What the process maps now, and half a gigabyte more.
            const QList<QByteArray> statm = readFile("/proc/self/statm").split(' ');
            rlimit limit{};
            ::getrlimit(RLIMIT_AS, &limit);
            limit.rlim_cur = rlim_t(statm.value(0).toULongLong()) * rlim_t(::sysconf(_SC_PAGESIZE)) + (512ull << 20);
            ::setrlimit(RLIMIT_AS, &limit);
            int code = 1;
            try {
                auto t = table();
                t->Open();
            } catch (const EDBEngineError& e) {
                code = e.errorCode() == EngineErrorCode::FileCorrupt ? 0 : 2;
            } catch (...) {
                code = 3;
            }
            ::_exit(code);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status)) << c.what << ": ended by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 0) << c.what << " (1: opened, 2: another error, 3: not an engine error)";
    }
}

TEST_F(Corruption, DamageFollowedByAMassOfSlotLookalikesIsReportedAtOnce) {
    // After damage the scanner looks for an intact later batch. A crafted file with a slot
    // header every few bytes, each claiming a megabyte, would have it checksum terabytes; it is
    // reported as damaged instead (a stalled open shows here as the test's timeout).
    createCards();
    QByteArray file = readFile(dir.file("Cards.DB"));
    const engine::RecordCodec codec(cards());
    QByteArray damaged = engine::RecordFile::encodeSlot(1, 1, engine::format::kSlotRecord,
                                                        codec.encode({1, 7, QStringLiteral("Hřib"), QVariant(), QVariant(), QVariant()}));
    damaged[engine::format::kSlotHeaderSize] = char(damaged[engine::format::kSlotHeaderSize] ^ 0x40);
    file += damaged;
    QByteArray lookalike;
    engine::putU32(lookalike, engine::format::kSlotMarker);
    engine::putU32(lookalike, engine::format::kMaxPayload);
    engine::putU32(lookalike, 2);  // identity
    engine::putU64(lookalike, 2);  // sequence
    engine::putU8(lookalike, engine::format::kSlotRecord);
    engine::putU8(lookalike, 0);  // flags: a batch of its own
    while (file.size() < (4 << 20)) file += lookalike;
    writeFile(dir.file("Cards.DB"), file);
    auto t = table();
    try {
        t->Open();
        ADD_FAILURE() << "a damaged table opened";
    } catch (const EDBEngineError& e) {
        EXPECT_EQ(e.errorCode(), EngineErrorCode::FileCorrupt);
    }
}

TEST_F(Corruption, ARecordFileCutInsideItsHeaderIsReported) {
    createCards();
    {
        auto t = table();
        t->Open();
        addCard(*t, 1, "Hřib");
    }
    const auto pristine = tableFiles(dir.path(), "Cards");
    auto file =
        engine::FileSystem::current().open(dir.file("Cards.DB"), engine::FileSystem::OpenMode::ReadOnly, nullptr);
    const qint64 headerSize = engine::RecordFile::readHeader(*file, dir.file("Cards.DB")).size;
    file.reset();
    const ScratchDir scratch;
    for (qint64 cut = 0; cut < headerSize; ++cut) {
        auto files = pristine;
        files["Cards.DB"].truncate(cut);
        putTableFiles(scratch.path(), "Cards", files);
        DirTable c(&session, scratch.path());
        try {
            c.t.Open();
            ADD_FAILURE() << "a record file cut at " << cut << " opened";
        } catch (const EDBEngineError& e) {
            EXPECT_EQ(e.errorCode(), EngineErrorCode::FileCorrupt) << cut;
            EXPECT_TRUE(e.message().contains(QDir::toNativeSeparators(scratch.file("Cards.DB")))) << e.what();
        }
    }
}

TEST_F(Corruption, DamageFollowedByLaterWritesIsReportedNotCutOff) {
    // A slot damaged in the middle, with records appended after it later, must keep failing
    // the open; in particular a writer must not take it for a torn tail and cut the records.
    createCards();
    qint64 secondSlot = 0;
    {
        auto t = table();
        t->Open();
        addCard(*t, 1, "Hřib");
        secondSlot = QFileInfo(dir.file("Cards.DB")).size();
        addCard(*t, 2, "Chroš");
        addCard(*t, 3, "Ryzec");
    }
    QByteArray bytes = readFile(dir.file("Cards.DB"));
    bytes[secondSlot + engine::format::kSlotHeaderSize + 2] ^= 0x40;
    writeFile(dir.file("Cards.DB"), bytes);
    for (int attempt = 0; attempt < 2; ++attempt) {
        auto t = table();
        try {
            t->Open();
            addCard(*t, 4, "Holubinka");
            FAIL() << "a damaged table opened and took a post";
        } catch (const EDBEngineError& e) {
            EXPECT_EQ(e.errorCode(), EngineErrorCode::FileCorrupt);
            EXPECT_TRUE(e.message().contains("Cards.DB")) << e.what();
        }
        EXPECT_EQ(readFile(dir.file("Cards.DB")), bytes);
    }
}

// ---- index files -------------------------------------------------------------------------

TEST_F(Corruption, DamagedIndexFilesAreRebuiltAndThenUsed) {
    const Rows rows = makeTable();
    const auto pristine = tableFiles(dir.path(), "Cards");
    struct Damage {
        const char* name;
        std::function<QByteArray(const QString& file, const QByteArray&)> apply;
    };
    auto flip = [](const QByteArray& b, qsizetype at) {
        QByteArray d = b;
        d[at] = char(quint8(d[at]) ^ 0xFF);
        return d;
    };
    const Damage damages[] = {
        {"flip in the header", [&](const QString&, const QByteArray& b) { return flip(b, 9); }},
        {"flip in the stamp", [&](const QString&, const QByteArray& b) { return flip(b, b.size() / 3); }},
        {"flip in the middle", [&](const QString&, const QByteArray& b) { return flip(b, b.size() / 2); }},
        {"flip in the CRC", [&](const QString&, const QByteArray& b) { return flip(b, b.size() - 1); }},
        {"cut in half", [](const QString&, const QByteArray& b) { return b.left(b.size() / 2); }},
        {"last byte missing", [](const QString&, const QByteArray& b) { return b.left(b.size() - 1); }},
        {"empty", [](const QString&, const QByteArray&) { return QByteArray(); }},
        {"garbage",
         [](const QString&, const QByteArray& b) {
             QByteArray g(b.size(), Qt::Uninitialized);
             quint32 x = 12345;
             for (char& c : g) c = char((x = x * 1103515245u + 12345u) >> 24);
             return g;
         }},
        // A valid file, but of another index of the same table.
        {"another index's file",
         [&](const QString& file, const QByteArray&) {
             if (file == "Cards.PX") return pristine.at("Cards.X04");
             if (file.contains(".X")) return pristine.at(file == "Cards.X04" ? "Cards.X03" : "Cards.X04");
             return pristine.at(file == "Cards.Y04" ? "Cards.Y03" : "Cards.Y04");
         }},
    };
    for (const QString& file : kIndexFiles) {
        for (const Damage& damage : damages) {
            auto files = pristine;
            files[file] = damage.apply(file, files[file]);
            putTableFiles(dir.path(), "Cards", files);
            expectRecoveredFrom(rows, file.toStdString() + ": " + damage.name);
        }
    }
}

// A snapshot whose checksum and stamp are right but whose records stand in a wrong order is
// rebuilt: used as it is, key searches would miss records and a duplicate Evc would get in.
TEST_F(Corruption, AnIndexSnapshotInAWrongOrderIsRebuilt) {
    const Rows rows = makeTable();
    const auto pristine = tableFiles(dir.path(), "Cards");
    const struct {
        const char* name;
        std::function<void(std::vector<quint32>&)> apply;
    } mangles[] = {
        {"reversed", [](std::vector<quint32>& r) { std::reverse(r.begin(), r.end()); }},
        {"two neighbours swapped", [](std::vector<quint32>& r) { std::swap(r[r.size() / 2], r[r.size() / 2 + 1]); }},
        {"last moved first", [](std::vector<quint32>& r) { std::rotate(r.begin(), r.end() - 1, r.end()); }},
    };
    auto mangle = [&](const QString& file, const std::function<void(std::vector<quint32>&)>& apply) {
        putTableFiles(dir.path(), "Cards", pristine);
        auto snap = engine::IndexFile::readSnapshot(dir.file(file));
        ASSERT_TRUE(snap.has_value()) << file.toStdString();
        apply(snap->rids);
        ASSERT_TRUE(engine::IndexFile::writeSnapshot(dir.file(file), *snap));
    };
    for (const QString file : {"Cards.PX", "Cards.X03", "Cards.X04", "Cards.X05", "Cards.XG0"}) {
        for (const auto& m : mangles) {
            mangle(file, m.apply);
            expectRecoveredFrom(rows, file.toStdString() + ": " + m.name);
        }
    }

    mangle("Cards.XG0", mangles[0].apply);
    auto t = table();
    t->Open();
    t->setIndexFieldNames("Evc");
    EXPECT_TRUE(t->FindKey({972}));
    try {
        addCard(*t, 972, "Chroš");
        ADD_FAILURE() << "a duplicate Evc was accepted";
    } catch (const EDBEngineError& e) {
        EXPECT_EQ(e.errorCode(), EngineErrorCode::KeyViolation);
    }
}

TEST_F(Corruption, StaleIndexFilesAreBroughtUpToDate) {
    createCards();
    auto indexFilesOnly = [&] {
        auto files = tableFiles(dir.path(), "Cards");
        files.erase("Cards.DB");
        return files;
    };
    auto restore = [&](const std::map<QString, QByteArray>& indexFiles) {
        for (const auto& [name, bytes] : indexFiles) writeFile(dir.file(name), bytes);
    };
    QByteArray dbBefore;
    Rows rowsBefore;
    {
        auto t = table();
        t->Open();
        rowsBefore = fillCards(*t);
    }
    const auto before = indexFilesOnly();
    dbBefore = readFile(dir.file("Cards.DB"));

    // A few changes since the snapshots: they are patched into the snapshot orders.
    Rows rows;
    {
        auto t = table();
        t->Open();
        t->setIndexFieldNames("Evc");
        ASSERT_TRUE(t->FindKey({986}));
        t->Edit();
        t->FieldByName("Nla")->setAsString("Amanita");
        t->FieldByName("D")->Clear();
        t->Post();
        ASSERT_TRUE(t->FindKey({979}));
        t->Delete();
        addCard(*t, 5, "Žampión", "Chlum", QDate(2001, 1, 1));
        addCard(*t, 6, "Bedla", "", QDate(1999, 1, 1));
        rows = readRows(*t);
    }
    const auto afterFew = indexFilesOnly();
    restore(before);
    expectRecoveredFrom(rows, "a few changes after the snapshot");

    // Most records changed since the snapshots.
    {
        auto t = table();
        t->Open();
        int i = 0;
        for (t->First(); !t->Eof() && i < 30; t->Next(), ++i) {
            t->Edit();
            t->FieldByName("Lk")->setAsString(i % 3 ? QStringLiteral("Ústí %1").arg(50 - i) : QString());
            t->FieldByName("Nla")->setAsString(QStringLiteral("Hřib %1").arg(i % 7));
            t->Post();
        }
        rows = readRows(*t);
    }
    // Still the same record file (not compacted on close), so the snapshots are merely stale.
    ASSERT_EQ(readFile(dir.file("Cards.DB")).left(24), dbBefore.left(24));
    restore(before);
    expectRecoveredFrom(rows, "most records changed after the snapshot");

    // Snapshots of a later state than the record file (an older record file put back).
    writeFile(dir.file("Cards.DB"), dbBefore);
    restore(afterFew);
    expectRecoveredFrom(rowsBefore, "record file older than the snapshots");
}

TEST_F(Corruption, AMissingIndexFileIsRecreatedFromItsPartner) {
    const Rows rows = makeTable();
    const auto pristine = tableFiles(dir.path(), "Cards");
    for (const QString& file : kIndexFiles) {
        auto files = pristine;
        files.erase(file);
        putTableFiles(dir.path(), "Cards", files);
        expectRecoveredFrom(rows, file.toStdString() + " missing");
    }
}

TEST_F(Corruption, AnIndexWhoseFilesAreLostOrDamagedIsRebuiltFromItsDefinition) {
    // The record file declares the indexes; losing both files of one (what an unsynced
    // snapshot may come back as after a power cut) costs only the time to sort it again, and
    // the unique index keeps refusing duplicate numbers.
    const Rows rows = makeTable();
    const auto pristine = tableFiles(dir.path(), "Cards");
    const struct {
        const char* what;
        QByteArray x;  // "-" for a missing file
        QByteArray y;
    } damage[] = {{"both deleted", "-", "-"}, {"both emptied", "", ""}, {"X damaged, Y deleted", "not an index file", "-"}};
    for (const auto& d : damage) {
        for (const QString suffix : {"04", "G0"}) {
            const std::string context = std::string(d.what) + " " + suffix.toStdString();
            putTableFiles(dir.path(), "Cards", pristine);
            for (const auto& [file, bytes] : {std::pair{"Cards.X" + suffix, d.x}, std::pair{"Cards.Y" + suffix, d.y}}) {
                QFile::remove(dir.file(file));
                if (bytes != "-") writeFile(dir.file(file), bytes);
            }
            expectRecoveredFrom(rows, context);
        }
    }
    auto t = table();
    t->Open();
    t->Append();
    t->FieldByName("Evc")->setAsInteger(1000);
    EXPECT_THROW(t->Post(), EDBEngineError);
    t->Cancel();
}

TEST_F(Corruption, ARecordFileOfTheEarlierVersionOpensAndIsBroughtToTheCurrentOne) {
    // A file of the earlier version: no batch flags in its slots, no index definitions in its
    // header (its index files say which indexes it has). Made from a current one by rewriting
    // the header the way the earlier version wrote it.
    const Rows rows = makeTable();
    {
        auto file = engine::FileSystem::current().open(dir.file("Cards.DB"), engine::FileSystem::OpenMode::ReadOnly, nullptr);
        engine::RecordHeader header = engine::RecordFile::readHeader(*file, dir.file("Cards.DB"));
        const QByteArray body = readFile(dir.file("Cards.DB")).mid(header.size);
        file.reset();
        header.version = 1;
        header.indexes.clear();
        QFile::remove(dir.file("Cards.DB"));
        engine::RecordFile::writeNewFile(dir.file("Cards.DB"), header, body);
        ASSERT_EQ(readFile(dir.file("Cards.DB")).at(8), 1);
    }
    expectRecoveredFrom(rows, "earlier version");
    // The first open had it alone and rewrote it in the current version, which keeps the
    // index definitions itself.
    EXPECT_EQ(readFile(dir.file("Cards.DB")).at(8), 2);
    QFile::remove(dir.file("Cards.XG0"));
    QFile::remove(dir.file("Cards.YG0"));
    auto t = table();
    t->Open();
    t->setIndexFieldNames("Evc");
    EXPECT_EQ(actualOrder(*t, "Evc"), expectedOrder(rows, 1, engine::FieldType::Integer));
}

TEST_F(Corruption, IndexFilesOfAnotherTableAreRebuilt) {
    const Rows rows = makeTable();
    const auto own = tableFiles(dir.path(), "Cards");

    // Another table of the same layout, made on its own (another record file altogether).
    const QString other = dir.file("other");
    ASSERT_TRUE(QDir().mkpath(other));
    TTable::CreateTable(other, "Cards", cards(), cardIndexes(), kPassword);
    {
        DirTable c(&session, other);
        c.t.Open();
        addCard(c.t, 3, "Bedla", "Ústí", QDate(2010, 1, 1));
        addCard(c.t, 1, "Žampión", "Chlum", QDate(2011, 1, 1));
    }
    auto files = tableFiles(other, "Cards");
    files["Cards.DB"] = own.at("Cards.DB");
    putTableFiles(dir.path(), "Cards", files);
    expectRecoveredFrom(rows, "index files of another table");
}

TEST_F(Corruption, IndexFilesOfAnotherFirmCopiedFromTheSameTemplateAreRebuilt) {
    // Firms are byte copies of one template, so their record files share the epoch. Two firms
    // whose histories differ but whose last slots happen to be identical must still not take
    // each other's index files.
    createCards();
    const auto templ = tableFiles(dir.path(), "Cards");
    const QString a = dir.file("FirmA"), b = dir.file("FirmB");
    for (const QString& firm : {a, b}) {
        ASSERT_TRUE(QDir().mkpath(firm));
        putTableFiles(firm, "Cards", templ);
    }
    {
        DirTable c(&session, a);
        c.t.Open();
        addCard(c.t, 1, "Amanita", "Chlum", QDate(2010, 1, 1));
        addCard(c.t, 2, "Hřib", "Žďár", QDate(2012, 1, 1));
    }
    {
        // Same lengths as in firm A, other values and order; the last card is the same.
        DirTable c(&session, b);
        c.t.Open();
        addCard(c.t, 5, "Russula", "Zbraň", QDate(2014, 1, 1));
        addCard(c.t, 2, "Hřib", "Žďár", QDate(2012, 1, 1));
    }
    Rows rowsA;
    {
        DirTable c(&session, a);
        c.t.Open();
        rowsA = readRows(c.t);
    }
    auto files = tableFiles(b, "Cards");
    files["Cards.DB"] = readFile(a + "/Cards.DB");
    ASSERT_EQ(files["Cards.DB"].size(), readFile(b + "/Cards.DB").size());
    putTableFiles(dir.path(), "Cards", files);
    expectRecoveredFrom(rowsA, "index files of another firm");
}

TEST_F(Corruption, IndexFilesLeftByAnEarlierTableOfTheSameNameAreNotAdopted) {
    // An earlier table "Cards" with another layout: a named index on its seventh field and a
    // single-field index on field 6, which the new layout also has.
    engine::TableLayout earlier = cards();
    earlier.fields << engine::FieldDef{"Pozn", engine::FieldType::String, 20};
    TTable::CreateTable(dir.path(), "Cards", earlier, {{"G1", "Pozn", 6, false}, {"06", "Neh", 5, false}}, kPassword);
    QFile::remove(dir.file("Cards.DB"));
    ASSERT_TRUE(QFile::exists(dir.file("Cards.XG1")));

    createCards();
    auto t = table();
    t->Open();
    QStringList suffixes;
    for (const engine::IndexDef& def : t->IndexDefs()) suffixes << def.suffix;
    EXPECT_EQ(suffixes, QStringList({"03", "04", "05", "G0"}));
    EXPECT_THROW(t->setIndexFieldNames("Neh"), EDatabaseError);
    addCard(*t, 1, "Hřib");
    EXPECT_EQ(t->RecordCount(), 1);
}

}  // namespace
