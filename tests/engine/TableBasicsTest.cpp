#include <gtest/gtest.h>

#include <QFileInfo>
#include <algorithm>

#include "Collation.h"
#include "EngineFixture.h"
#include "FaultyFileSystem.h"
#include "RecordFile.h"

using TableBasics = EngineFixture;

TEST_F(TableBasics, PostedRecordsSurviveReopenInEveryOrder) {
    createCards();
    {
        auto t = table();
        t->Open();
        addCard(*t, 3, "Boletus edulis", "Hradiště", QDate(2020, 5, 1));
        addCard(*t, 1, "Amanita muscaria", "Chlum", QDate(2019, 6, 2));
        addCard(*t, 2, "Cantharellus cibarius", "Černá hora", QDate(2021, 7, 3));
        EXPECT_EQ(t->RecordCount(), 3);
    }
    auto t = table();
    t->setIndexFieldNames("Evc");
    t->Open();
    EXPECT_EQ(column(*t, "Evc"), QStringList({"1", "2", "3"}));
    t->setIndexFieldNames("Lk");
    // Czech order: "ch" after "h", "č" after "c".
    EXPECT_EQ(column(*t, "Lk"), QStringList({"Černá hora", "Hradiště", "Chlum"}));
    t->setIndexFieldNames("D");
    EXPECT_EQ(column(*t, "D"), QStringList({"02.06.2019", "01.05.2020", "03.07.2021"}));
    t->setIndexFieldNames("");
    EXPECT_EQ(column(*t, "ID"), QStringList({"1", "2", "3"}));
}

TEST_F(TableBasics, RebuiltNameOrderRanksRepeatedNamesAndKeepsThemInKeyOrder) {
    // A name order is rebuilt from the records (here by the regeneration): many cards share a
    // name, names differ only in case or diacritics, and empty names sort first. Cards with the
    // same name follow their key (ID), whatever order they were written in.
    createCards();
    const QStringList names = {"Hřib", "hřib", "Chroš", "Čirůvka", "", "Hřib", "Cirůvka", "Hrib",
                               "Chroš", "Hřib", "", "Čirůvka", "ch", "Hřiby", "Bedla"};
    auto t = table();
    t->Exclusive = true;
    t->setIndexFieldNames("Nla");
    t->Open();
    for (int i = 0; i < 60; ++i) addCard(*t, 1000 - i, names[(i * 7) % names.size()]);
    t->RegenerateIndexes();

    std::vector<std::pair<QString, int>> expected;  // name, ID
    for (int i = 0; i < 60; ++i) expected.emplace_back(names[(i * 7) % names.size()], i + 1);
    std::stable_sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) {
        if (a.first.isEmpty() || b.first.isEmpty()) return a.first.isEmpty() && !b.first.isEmpty();
        return engine::Collation::compare(a.first, b.first) < 0;
    });
    QStringList want;
    for (const auto& e : expected) want << QStringLiteral("%1|%2").arg(e.first).arg(e.second);
    QStringList got;
    for (t->First(); !t->Eof(); t->Next()) {
        got << QStringLiteral("%1|%2").arg(t->FieldByName("Nla")->AsString()).arg(t->FieldByName("ID")->AsInteger());
    }
    EXPECT_EQ(got, want);
}

TEST_F(TableBasics, ATableThatOnceHeldOverAMillionRecordsStillOpensWithFew) {
    // Record identities only grow. After a million records were written and all but three
    // removed, neither the regeneration nor the compaction at close may leave a file whose
    // identities its size cannot account for: such a file is refused as damaged.
    engine::TableLayout layout;
    layout.fields = {{"ID", engine::FieldType::AutoInc, 0}, {"N", engine::FieldType::Integer, 0}};
    layout.primaryKey = 0;
    TTable::CreateTable(dir.path(), "Many", layout, {}, kPassword);
    auto expectThree = [&](TTable& t) { EXPECT_EQ(column(t, "N"), QStringList({"30", "10", "20"})); };
    {
        auto t = table("Many");
        t->Exclusive = true;
        t->Open();
        for (int chunk = 0; chunk < 5; ++chunk) {
            QVector<QVector<QVariant>> rows(1 << 18, QVector<QVariant>{QVariant(), 0});
            t->AppendRecords(rows);
        }
        t->EmptyTable();
        t->Refresh();
        for (int n : {30, 10, 20}) {
            t->Append();
            t->FieldByName("N")->setAsInteger(n);
            t->Post();
        }
        ASSERT_TRUE(t->Locate("N", 10));
        const TBookmark ten = t->GetBookmark();
        t->RegenerateIndexes();
        expectThree(*t);
        ASSERT_TRUE(t->BookmarkValid(ten));
        t->GotoBookmark(ten);
        EXPECT_EQ(t->FieldByName("N")->AsInteger(), 10);
    }
    auto t = table("Many");
    t->Open();
    expectThree(*t);
    t->Append();
    t->FieldByName("N")->setAsInteger(40);
    t->Post();
    EXPECT_EQ(t->FieldByName("ID")->AsInteger(), 5 * (1 << 18) + 4);  // the key numbers go on
    t->Close();
    EXPECT_LT(QFileInfo(dir.file("Many.DB")).size(), 4096);  // the dead records are gone
}

TEST_F(TableBasics, ABookmarkOutlivesTheCompactionOfAClose) {
    // Windows keep their place by a bookmark across closing and opening a table (the firm
    // list does); the compaction of the close must not give the records other identities.
    createCards();
    auto t = table();
    t->Open();
    for (int i = 1; i <= 100; ++i) addCard(*t, i, "Hřib");
    t->setIndexFieldNames("Evc");
    for (int i = 1; i <= 80; ++i) {
        ASSERT_TRUE(t->FindKey({i}));
        t->Delete();
    }
    ASSERT_TRUE(t->FindKey({90}));
    const TBookmark mark = t->GetBookmark();
    const qint64 before = QFileInfo(dir.file("Cards.DB")).size();
    t->Close();
    ASSERT_LT(QFileInfo(dir.file("Cards.DB")).size(), before / 2);  // the close compacted the file
    t->Open();
    ASSERT_TRUE(t->BookmarkValid(mark));
    t->GotoBookmark(mark);
    EXPECT_EQ(t->FieldByName("Evc")->AsInteger(), 90);
}

TEST_F(TableBasics, AppendRecordsStoresAllInOneSyncOrNothing) {
    createCards();
    FaultyFileSystem fs;  // counts the syncs, fails nothing
    engine::FileSystem::setCurrent(&fs);
    auto t = table();
    t->setIndexFieldNames("Nla");
    t->Open();
    addCard(*t, 5, "Hřib");
    auto row = [](QVariant evc, QVariant nla) { return QVector<QVariant>{QVariant(), evc, nla, "Chlum", QVariant(), "N"}; };

    // Refused whole: a number the table has, a number twice among the new ones, a value its
    // field cannot hold.
    const struct {
        const char* what;
        QVector<QVector<QVariant>> rows;
    } refused[] = {{"number in the table", {row(1, "Bedla"), row(5, "Ryzec")}},
                   {"number twice", {row(7, "Bedla"), row(8, "Ryzec"), row(7, "Liška")}},
                   {"text too long", {row(9, "Bedla"), row(10, QString(41, 'x'))}}};
    for (auto r : refused) {
        EXPECT_THROW(t->AppendRecords(r.rows), EDatabaseError) << r.what;
        EXPECT_EQ(t->RecordCount(), 1) << r.what;
    }

    fs.disarm();
    QVector<QVector<QVariant>> rows;
    for (int i = 0; i < 300; ++i) rows.push_back(row(100 + i, QStringLiteral("Čirůvka %1").arg(299 - i)));
    t->AppendRecords(rows);
    EXPECT_EQ(fs.syncs(), 1);
    engine::FileSystem::setCurrent(nullptr);
    // The keys were assigned in order and handed back; the open cursor sees the new records
    // in its order.
    EXPECT_EQ(rows.front()[0].toInt(), 2);
    EXPECT_EQ(rows.back()[0].toInt(), 301);
    EXPECT_EQ(t->RecordCount(), 301);
    t->First();
    EXPECT_EQ(t->FieldByName("Nla")->AsString(), "Čirůvka 0");
    t->Close();
    t->Open();
    t->setIndexFieldNames("Evc");
    EXPECT_TRUE(t->FindKey({250}));
    EXPECT_EQ(t->FieldByName("Nla")->AsString(), "Čirůvka 149");
}

// The autoincrement key ends at the largest 32-bit number: the insert after it is refused with
// the engine's error and the table stays as it was, instead of wrapping to a negative key.
TEST_F(TableBasics, AutoincrementAtItsLimitRefusesTheInsert) {
    createCards();
    const QString path = dir.file("Cards.DB");
    QFile::remove(path);
    engine::RecordFile::writeNewFile(path, engine::RecordFile::makeHeader(cards(), kPassword, 2147483646), QByteArray());
    auto t = table();
    t->Open();
    addCard(*t, 1, "Hřib");
    EXPECT_EQ(t->FieldByName("ID")->AsInteger(), 2147483647);
    try {
        addCard(*t, 2, "Chroš");
        ADD_FAILURE() << "the insert past the limit was accepted";
    } catch (const EDBEngineError& e) {
        EXPECT_EQ(e.errorCode(), EngineErrorCode::InvalidValue);
        EXPECT_EQ(e.message(), QString("Tabulka %1 vyčerpala automatická čísla (nejvyšší je 2147483647), další "
                                       "záznam nelze přidat.").arg(QDir::toNativeSeparators(path)));
    }
    t->Cancel();
    t->Close();
    t->Open();
    EXPECT_EQ(t->RecordCount(), 1);
}
