// Orders, key searches, Locate, filters and bookmarks of a table cursor; master-detail links;
// several cursors on one file; index maintenance.

#include <gtest/gtest.h>

#include <QFileInfo>

#include "DataSetFixture.h"
#include "TDataSource.h"

namespace {

class DataSetSearchTest : public DataSetFixture {
protected:
    std::unique_ptr<TTable> openFilled(const QString& order = "Evc") { return openCards(8, order); }
};

template <typename F>
int engineCodeOf(F&& f) {
    try {
        f();
    } catch (const EDBEngineError& e) {
        return e.errorCode();
    } catch (const EDatabaseError&) {
        return -1;
    }
    return 0;
}

}  // namespace

// ---- orders and key searches -----------------------------------------------------------------

using DataSetOrder = DataSetSearchTest;

TEST_F(DataSetOrder, ChangingTheOrderKeepsTheCurrentRecord) {
    auto t = openFilled();
    ASSERT_TRUE(t->Locate("Evc", 3));
    t->setIndexFieldNames("Lk");
    EXPECT_EQ(evc(*t), 3);
    EXPECT_EQ(t->RecNo(), 3);  // Cejl, Cejl, Černá hora
    t->setIndexFieldNames("Nla");
    EXPECT_EQ(evc(*t), 3);
    EXPECT_EQ(column(*t, "Nla"),
              QStringList({"Amanita muscaria", "Boletus edulis", "Cantharellus cibarius", "Čirůvka fialová",
                           "Hygrocybe conica", "Chroogomphus rutilus", "Lactarius deliciosus", "Russula emetica"}));
    t->setIndexFieldNames("Lk");
    // Equal keys follow the primary key.
    EXPECT_EQ(column(*t, "Evc"), QStringList({"4", "8", "3", "1", "6", "2", "7", "5"}));
    t->setIndexFieldNames("D");
    EXPECT_EQ(column(*t, "Evc"), QStringList({"8", "7", "4", "2", "1", "6", "3", "5"}));
    t->setIndexFieldNames("");
    EXPECT_EQ(column(*t, "ID"), QStringList({"1", "2", "3", "4", "5", "6", "7", "8"}));

    // A field without an index is refused and the order stays.
    t->setIndexFieldNames("Lk");
    ASSERT_TRUE(t->Locate("Evc", 5));
    EXPECT_THROW(t->setIndexFieldNames("Neh"), EDatabaseError);
    EXPECT_EQ(t->IndexFieldNames(), "Lk");
    EXPECT_EQ(evc(*t), 5);
    EXPECT_EQ(t->RecNo(), 8);

    // An order set before opening that has no index makes the open fail.
    auto u = table();
    u->setIndexFieldNames("Neh");
    EXPECT_THROW(u->Open(), EDatabaseError);
    EXPECT_FALSE(u->Active());
}

TEST_F(DataSetOrder, FindKeyIsExactInTheCurrentOrder) {
    auto t = openFilled("Nla");
    t->Last();
    EXPECT_TRUE(t->FindKey({"Boletus edulis"}));
    EXPECT_EQ(evc(*t), 1);
    // A prefix, another case, or a missing key: false and the cursor stays.
    EXPECT_FALSE(t->FindKey({"Boletus"}));
    EXPECT_FALSE(t->FindKey({"boletus edulis"}));
    EXPECT_FALSE(t->FindKey({"Xerocomus"}));
    EXPECT_EQ(evc(*t), 1);

    t->setIndexFieldNames("Evc");
    EXPECT_TRUE(t->FindKey({7}));
    EXPECT_EQ(nla(*t), "Chroogomphus rutilus");
    EXPECT_TRUE(t->FindKey({"4"}));  // typed text
    EXPECT_EQ(nla(*t), "Russula emetica");
    EXPECT_FALSE(t->FindKey({40}));
    EXPECT_THROW(t->FindKey({"čtyři"}), EDatabaseError);

    t->setIndexFieldNames("D");
    EXPECT_TRUE(t->FindKey({QDate(2020, 5, 1)}));
    EXPECT_EQ(evc(*t), 1);  // of equal dates the one with the lower key
    EXPECT_TRUE(t->FindKey({"03.07.2021"}));
    EXPECT_EQ(evc(*t), 3);

    // The primary order searches by the key.
    t->setIndexFieldNames("");
    EXPECT_TRUE(t->FindKey({5}));
    EXPECT_EQ(evc(*t), 5);

    // A filter hides records from the search.
    t->setIndexFieldNames("Lk");
    t->setFilter("Neh = 'A'");
    t->setFiltered(true);
    EXPECT_FALSE(t->FindKey({"Cejl"}));
    EXPECT_TRUE(t->FindKey({"Chlum"}));
    EXPECT_EQ(evc(*t), 7);
}

TEST_F(DataSetOrder, FindNearestWithTheCzechCollation) {
    auto t = openFilled("Nla");
    struct Case {
        QVariant key;
        const char* expected;
    };
    const Case cases[] = {
        {"bol", "Boletus edulis"},  // a typed prefix, in lower case
        {"Boletus edulis", "Boletus edulis"},
        {"Boletus f", "Cantharellus cibarius"},
        {"C", "Cantharellus cibarius"},
        {"Č", "Čirůvka fialová"},  // "č" after "c"
        {"D", "Hygrocybe conica"},
        {"H", "Hygrocybe conica"},
        {"Ch", "Chroogomphus rutilus"},  // "ch" after "h"
        {"I", "Lactarius deliciosus"},
        {"Zzz", "Russula emetica"},  // after every value: the last record
        {"", "Amanita muscaria"},    // empty: the first
        {QVariant(), "Amanita muscaria"},
    };
    for (const Case& c : cases) {
        t->Last();
        t->FindNearest({c.key});
        EXPECT_EQ(nla(*t), QString::fromUtf8(c.expected)) << c.key.toString().toStdString();
    }

    t->setIndexFieldNames("Lk");
    t->FindNearest({"ch"});
    EXPECT_EQ(t->FieldByName("Lk")->AsString(), "Chlum");
    t->FindNearest({"Č"});
    EXPECT_EQ(t->FieldByName("Lk")->AsString(), "Černá hora");
    t->FindNearest({"Hz"});
    EXPECT_EQ(t->FieldByName("Lk")->AsString(), "Chlum");

    t->setIndexFieldNames("Evc");
    t->FindNearest({"5"});
    EXPECT_EQ(evc(*t), 5);
    t->FindNearest({100});
    EXPECT_EQ(evc(*t), 8);
    t->FindNearest({-3});
    EXPECT_EQ(evc(*t), 1);

    // With a filter the nearest visible record.
    t->setFilter("Neh = 'N'");
    t->setFiltered(true);
    t->FindNearest({5});
    EXPECT_EQ(evc(*t), 6);
}

// ---- Locate ----------------------------------------------------------------------------------

using DataSetLocate = DataSetSearchTest;

TEST_F(DataSetLocate, ExactAndCaseSensitiveOnOneOrSeveralFields) {
    auto t = openFilled();
    EXPECT_TRUE(t->Locate("Nla", "Lactarius deliciosus"));
    EXPECT_EQ(evc(*t), 5);
    // Not found: false, and the cursor does not move.
    EXPECT_FALSE(t->Locate("Nla", "boletus edulis"));
    EXPECT_FALSE(t->Locate("Nla", "Boletus"));
    EXPECT_FALSE(t->Locate("Lk", "Hradiste"));
    EXPECT_FALSE(t->Locate("Neh", "a"));
    EXPECT_EQ(evc(*t), 5);

    EXPECT_TRUE(t->Locate("Lk;Neh", {"Chlum", "A"}));
    EXPECT_EQ(evc(*t), 7);
    EXPECT_TRUE(t->Locate("Lk; Neh", {"Chlum", "N"}));
    EXPECT_EQ(evc(*t), 2);
    EXPECT_FALSE(t->Locate("Lk;Neh", {"Ivanovice", "N"}));
    EXPECT_EQ(evc(*t), 2);
    EXPECT_TRUE(t->Locate("Nla;D", {"Hygrocybe conica", "01.05.2020"}));
    EXPECT_EQ(evc(*t), 6);
    EXPECT_TRUE(t->Locate("evc", "8"));
    EXPECT_EQ(nla(*t), "Čirůvka fialová");

    EXPECT_THROW(t->Locate("Nic", "x"), EDatabaseError);
    EXPECT_THROW(t->Locate("Lk;Neh", QVariantList{"Chlum"}), EDatabaseError);
}

TEST_F(DataSetLocate, FindsTheFirstMatchInTheCurrentOrder) {
    auto t = openFilled();
    // Indexed field with several matches, in orders other than that index's own.
    t->setIndexFieldNames("D");
    EXPECT_TRUE(t->Locate("Lk", "Cejl"));
    EXPECT_EQ(evc(*t), 8);  // 8 (2016) comes before 4 (2018)
    t->setIndexFieldNames("Evc");
    EXPECT_TRUE(t->Locate("Lk", "Cejl"));
    EXPECT_EQ(evc(*t), 4);
    t->Last();
    EXPECT_TRUE(t->Locate("D", QDate(2020, 5, 1)));
    EXPECT_EQ(evc(*t), 1);
    // A field without an index.
    t->setIndexFieldNames("Nla");
    EXPECT_TRUE(t->Locate("Neh", "A"));
    EXPECT_EQ(evc(*t), 1);
    t->setIndexFieldNames("Lk");
    EXPECT_TRUE(t->Locate("Neh", "A"));
    EXPECT_EQ(evc(*t), 3);
}

TEST_F(DataSetLocate, SeesOnlyRecordsThatPassTheFilter) {
    auto t = openFilled();
    t->setFilter("Neh = 'N'");
    t->setFiltered(true);
    EXPECT_FALSE(t->Locate("Nla", "Boletus edulis"));
    EXPECT_FALSE(t->Locate("Evc", 7));
    EXPECT_TRUE(t->Locate("Lk", "Hradiště"));
    EXPECT_EQ(evc(*t), 6);
    EXPECT_TRUE(t->Locate("Lk;Neh", {"Cejl", "N"}));
    EXPECT_EQ(evc(*t), 4);

    // An empty value looks for an empty field.
    t->setFiltered(false);
    t->Append();
    t->FieldByName("Evc")->setAsInteger(9);
    t->Post();
    t->First();
    EXPECT_TRUE(t->Locate("Lk", ""));
    EXPECT_EQ(evc(*t), 9);
    t->First();
    EXPECT_TRUE(t->Locate("Neh", QVariant()));
    EXPECT_EQ(evc(*t), 9);
}

// ---- filters ---------------------------------------------------------------------------------

using DataSetFilter = DataSetSearchTest;

TEST_F(DataSetFilter, ExpressionsAndSwitching) {
    auto t = openFilled();
    t->setFilter("Neh = 'A'");
    EXPECT_EQ(t->RecordCount(), 8);  // not in force until switched on
    t->MoveBy(3);
    t->setFiltered(true);
    EXPECT_EQ(evc(*t), 1);  // switching moves to the first record
    EXPECT_TRUE(t->Bof());
    EXPECT_EQ(evcs(*t), (QList<int>{1, 3, 5, 7}));

    struct Case {
        const char* filter;
        QList<int> expected;
    };
    const Case cases[] = {
        {"Neh = 'N'", {2, 4, 6, 8}},
        {"Neh = \"A\" and Evc > 3", {5, 7}},
        {"Evc >= 2 and Evc <= 4 and Neh = 'A'", {3}},
        {"Evc < 2 or Lk = 'Cejl'", {1, 4, 8}},
        {"Lk >= 'Ch'", {2, 5, 7}},  // "Hradiště" sorts before "Chlum"
        {"Lk < 'D'", {3, 4, 8}},    // "Černá hora" before "D"
        {"D >= '01.01.2020'", {1, 3, 5, 6}},
        {"Neh <> 'A' and (Lk = 'Cejl' or Lk = 'Chlum')", {2, 4, 8}},
        {"Nla like 'C%'", {3, 7}},
        {"", {1, 2, 3, 4, 5, 6, 7, 8}},
    };
    for (const Case& c : cases) {
        t->Last();
        t->setFilter(c.filter);
        EXPECT_TRUE(t->Bof()) << c.filter;  // a new filter moves to the first record
        EXPECT_EQ(evcs(*t), c.expected) << c.filter;
        EXPECT_EQ(t->RecordCount(), c.expected.size()) << c.filter;
    }

    // A faulty filter is refused and the one in force stays.
    t->setFilter("Neh = 'A'");
    EXPECT_EQ(engineCodeOf([&] { t->setFilter("Neh = = 'A'"); }), EngineErrorCode::SqlError);
    EXPECT_EQ(engineCodeOf([&] { t->setFilter("Nic = 1"); }), EngineErrorCode::SqlError);
    EXPECT_EQ(t->Filter(), "Neh = 'A'");
    EXPECT_EQ(t->RecordCount(), 4);

    t->Last();
    t->setFiltered(false);
    EXPECT_EQ(evc(*t), 1);
    EXPECT_EQ(t->RecordCount(), 8);

    // A filter set while closed applies on opening.
    t->Close();
    t->setFiltered(true);
    t->setFilter("Lk = 'Chlum'");
    t->Open();
    EXPECT_EQ(evcs(*t), (QList<int>{2, 7}));
}

TEST_F(DataSetFilter, RecordsLeavingOrEnteringTheFilterOnPost) {
    auto t = openFilled();
    t->setFilter("Neh = 'A'");
    t->setFiltered(true);
    ASSERT_TRUE(t->Locate("Evc", 3));
    t->Edit();
    t->FieldByName("Neh")->setAsString("N");
    t->Post();
    // The record left the view; the one at its place is current.
    EXPECT_EQ(evc(*t), 5);
    EXPECT_EQ(t->RecordCount(), 3);

    // A new record the filter hides: the record current before it stays current.
    t->Append();
    t->FieldByName("Evc")->setAsInteger(20);
    t->FieldByName("Neh")->setAsString("N");
    t->Post();
    EXPECT_EQ(evc(*t), 5);
    EXPECT_EQ(t->RecordCount(), 3);

    // The last visible record leaves: the view is empty and says so.
    t->setFilter("Evc = 7");
    ASSERT_EQ(t->RecordCount(), 1);
    t->Edit();
    t->FieldByName("Evc")->setAsInteger(70);
    t->Post();
    EXPECT_TRUE(t->IsEmpty());
    EXPECT_TRUE(t->Eof());
    EXPECT_TRUE(t->Bof());
}

// ---- bookmarks -------------------------------------------------------------------------------

using DataSetBookmark = DataSetSearchTest;

TEST_F(DataSetBookmark, LeadBackWhileTheRecordExists) {
    auto t = openFilled();
    ASSERT_TRUE(t->Locate("Evc", 3));
    const TBookmark b = t->GetBookmark();
    EXPECT_TRUE(b.isValid());
    t->setIndexFieldNames("Nla");
    t->Last();
    EXPECT_TRUE(t->BookmarkValid(b));
    t->GotoBookmark(b);
    EXPECT_EQ(evc(*t), 3);
    EXPECT_EQ(t->GetBookmark(), b);

    EXPECT_FALSE(t->BookmarkValid(TBookmark{}));
    t->Append();
    EXPECT_FALSE(t->GetBookmark().isValid());
    t->Cancel();

    // Hidden by the filter: not valid for this view.
    t->setFilter("Neh = 'N'");
    t->setFiltered(true);
    EXPECT_FALSE(t->BookmarkValid(b));
    EXPECT_THROW(t->GotoBookmark(b), EDatabaseError);
    t->setFiltered(false);

    // Deleted through another cursor: no longer valid; going there fails and stays put.
    auto other = table();
    other->Open();
    ASSERT_TRUE(other->Locate("Evc", 3));
    other->Delete();
    ASSERT_TRUE(t->Locate("Evc", 6));
    EXPECT_FALSE(t->BookmarkValid(b));
    EXPECT_THROW(t->GotoBookmark(b), EDatabaseError);
    EXPECT_EQ(evc(*t), 6);

    t->Close();
    EXPECT_FALSE(t->BookmarkValid(b));
    EXPECT_FALSE(t->GetBookmark().isValid());
}

// ---- master-detail ---------------------------------------------------------------------------

namespace {

class DataSetMasterDetail : public EngineFixture {
protected:
    void SetUp() override {
        using engine::FieldType;
        engine::TableLayout firms;
        firms.fields = {{"Cislo", FieldType::Integer, 0}, {"Nazev", FieldType::String, 20}};
        firms.primaryKey = 0;
        TTable::CreateTable(dir.path(), "Firms", firms, {}, kPassword);
        engine::TableLayout items;
        items.fields = {
            {"ID", FieldType::AutoInc, 0}, {"Cislo", FieldType::Integer, 0}, {"Text", FieldType::String, 40}};
        items.primaryKey = 0;
        TTable::CreateTable(dir.path(), "Items", items, {{"02", "Cislo", 1, false}}, kPassword);

        master = table("Firms");
        master->Open();
        for (int i = 1; i <= 3; ++i) {
            master->Append();
            master->FieldByName("Cislo")->setAsInteger(i);
            master->FieldByName("Nazev")->setAsString(QStringLiteral("Firma %1").arg(i));
            master->Post();
        }
        auto fill = table("Items");
        fill->Open();
        for (const auto& [cislo, text] : {std::pair{1, "a1"}, {2, "b1"}, {1, "a2"}, {1, "a3"}}) {
            fill->Append();
            fill->FieldByName("Cislo")->setAsInteger(cislo);
            fill->FieldByName("Text")->setAsString(text);
            fill->Post();
        }
        source.setDataSet(master.get());
        detail = table("Items");
        detail->setIndexFieldNames("Cislo");
        detail->setMasterSource(&source);
        detail->setMasterFields("Cislo");
        detail->Open();
    }

    static QStringList texts(TDataSet& t) {
        QStringList out;
        for (t.First(); !t.Eof(); t.Next()) out << t.FieldByName("Text")->AsString();
        return out;
    }

    std::unique_ptr<TTable> master;
    TDataSource source;
    std::unique_ptr<TTable> detail;
};

}  // namespace

TEST_F(DataSetMasterDetail, DetailShowsTheMastersRecordsAndFillsTheLink) {
    master->First();
    EXPECT_EQ(texts(*detail), QStringList({"a1", "a2", "a3"}));
    EXPECT_EQ(detail->RecordCount(), 3);
    master->Next();
    EXPECT_EQ(texts(*detail), QStringList({"b1"}));
    detail->Last();
    detail->Next();
    EXPECT_TRUE(detail->Eof());
    EXPECT_EQ(detail->FieldByName("Text")->AsString(), "b1");

    // A master record without details: an empty detail.
    master->Next();
    EXPECT_TRUE(detail->IsEmpty());
    EXPECT_TRUE(detail->Bof());
    EXPECT_TRUE(detail->Eof());
    EXPECT_EQ(detail->RecordCount(), 0);
    EXPECT_FALSE(detail->Locate("Text", "a1"));

    // A new detail record gets the master's value and stays in view.
    detail->Append();
    EXPECT_EQ(detail->FieldByName("Cislo")->AsInteger(), 3);
    EXPECT_FALSE(detail->Modified());
    detail->FieldByName("Text")->setAsString("c1");
    detail->Post();
    EXPECT_EQ(detail->FieldByName("Text")->AsString(), "c1");
    EXPECT_EQ(texts(*detail), QStringList({"c1"}));

    // The detail follows searches and deletions in the master.
    ASSERT_TRUE(master->Locate("Cislo", 1));
    EXPECT_EQ(texts(*detail), QStringList({"a1", "a2", "a3"}));
    EXPECT_TRUE(detail->Locate("Text", "a2"));
    EXPECT_FALSE(detail->Locate("Text", "b1"));
    detail->FindNearest({1});
    EXPECT_EQ(detail->FieldByName("Text")->AsString(), "a1");
    master->Last();
    master->Delete();
    EXPECT_EQ(master->FieldByName("Cislo")->AsInteger(), 2);
    EXPECT_EQ(texts(*detail), QStringList({"b1"}));

    // A pending detail change is posted before the detail follows the master.
    detail->Edit();
    detail->FieldByName("Text")->setAsString("b1 změněno");
    master->First();
    EXPECT_EQ(detail->State(), TDataSetState::Browse);
    EXPECT_EQ(texts(*detail), QStringList({"a1", "a2", "a3"}));
    master->Next();
    EXPECT_EQ(texts(*detail), QStringList({"b1 změněno"}));

    // While the master inserts, and when it closes, the detail is empty.
    master->Append();
    EXPECT_TRUE(detail->IsEmpty());
    master->Cancel();
    EXPECT_EQ(texts(*detail), QStringList({"b1 změněno"}));
    master->Close();
    EXPECT_TRUE(detail->IsEmpty());
    master->Open();
    EXPECT_EQ(texts(*detail), QStringList({"a1", "a2", "a3"}));

    // Unlinked, the detail shows every record.
    detail->setMasterSource(nullptr);
    EXPECT_EQ(detail->RecordCount(), 5);
}

// ---- several cursors on one file -------------------------------------------------------------

using DataSetSharing = DataSetSearchTest;

TEST_F(DataSetSharing, CursorsShareRecordsButKeepTheirOwnView) {
    auto a = openFilled();
    auto b = table();
    b->setIndexFieldNames("Nla");
    b->setFilter("Neh = 'A'");
    b->setFiltered(true);
    b->Open();
    EXPECT_EQ(column(*b, "Evc"), QStringList({"1", "3", "7", "5"}));
    b->Last();
    ASSERT_EQ(evc(*b), 5);

    ASSERT_TRUE(a->Locate("Evc", 2));
    EXPECT_EQ(evc(*b), 5);

    // A post through one cursor is seen by the other at once; each stays where it was.
    a->Append();
    a->FieldByName("Evc")->setAsInteger(10);
    a->FieldByName("Nla")->setAsString("Agaricus campestris");
    a->FieldByName("Neh")->setAsString("A");
    a->Post();
    EXPECT_EQ(b->RecordCount(), 5);
    EXPECT_EQ(evc(*b), 5);
    EXPECT_EQ(b->RecNo(), 5);
    EXPECT_EQ(evc(*a), 10);
    a->Edit();
    a->FieldByName("Lk")->setAsString("Žďár");
    a->Post();
    b->First();
    EXPECT_EQ(b->FieldByName("Lk")->AsString(), "Žďár");
    EXPECT_EQ(a->RecNo(), 9);

    // Deleting the record another cursor stands on moves that cursor to a neighbour.
    ASSERT_TRUE(b->Locate("Evc", 3));  // Agaricus, Boletus, [Cantharellus], Chroogomphus, Lactarius
    ASSERT_TRUE(a->Locate("Evc", 3));
    a->Delete();
    EXPECT_EQ(evc(*b), 7);
    EXPECT_EQ(b->RecNo(), 3);
    b->Prior();
    EXPECT_EQ(evc(*b), 1);
    b->Last();
    ASSERT_EQ(evc(*b), 5);
    ASSERT_TRUE(a->Locate("Evc", 5));
    a->Delete();
    EXPECT_EQ(evc(*b), 7);  // at the end: the previous one
    b->Next();
    EXPECT_TRUE(b->Eof());
    EXPECT_EQ(evc(*b), 7);

    // Everything deleted elsewhere: an empty view, no crash.
    a->EmptyTable();
    EXPECT_TRUE(b->IsEmpty());
    EXPECT_TRUE(b->FieldByName("Nla")->IsNull());
    b->Next();
    b->Prior();
    EXPECT_TRUE(b->Eof());
    EXPECT_TRUE(b->Bof());
    EXPECT_EQ(b->RecordCount(), 0);
    EXPECT_EQ(b->RecNo(), 0);
}

TEST_F(DataSetSharing, AnEditLocksTheRecordAgainstEveryOtherCursor) {
    auto a = openFilled();
    auto b = table();
    b->Open();
    ASSERT_TRUE(a->Locate("Evc", 2));
    ASSERT_TRUE(b->Locate("Evc", 2));
    a->Edit();
    a->FieldByName("Nla")->setAsString("Amanita phalloides");

    // Another cursor of the same database can neither edit nor delete it...
    EXPECT_EQ(engineCodeOf([&] { b->Edit(); }), EngineErrorCode::RecordLocked);
    EXPECT_EQ(b->State(), TDataSetState::Browse);
    EXPECT_EQ(engineCodeOf([&] { b->Delete(); }), EngineErrorCode::RecordLocked);
    EXPECT_EQ(b->RecordCount(), 8);
    // ...and its attempts leave the lock in place for other connections.
    auto otherDb = otherDatabase();
    auto c = table("Cards", otherDb.get());
    c->Open();
    ASSERT_TRUE(c->Locate("Evc", 2));
    EXPECT_EQ(engineCodeOf([&] { c->Edit(); }), EngineErrorCode::RecordLocked);
    EXPECT_EQ(engineCodeOf([&] { c->Delete(); }), EngineErrorCode::RecordLocked);

    // Other records stay free.
    b->Next();
    b->Edit();
    b->FieldByName("Lk")->setAsString("Jinde");
    b->Post();

    a->Post();
    EXPECT_EQ(nla(*a), "Amanita phalloides");
    ASSERT_TRUE(b->Locate("Evc", 2));
    b->Edit();
    EXPECT_EQ(nla(*b), "Amanita phalloides");
    EXPECT_EQ(engineCodeOf([&] { a->Edit(); }), EngineErrorCode::RecordLocked);
    b->Cancel();
    c->Refresh();
    c->Edit();  // free again after the cancel
    c->Cancel();
    // Closing a cursor in the middle of an edit gives the lock back.
    a->Edit();
    a->Close();
    b->Edit();
    b->Delete();
    EXPECT_EQ(b->RecordCount(), 7);
}

// ---- index maintenance -----------------------------------------------------------------------

using DataSetMaintenance = DataSetSearchTest;

TEST_F(DataSetMaintenance, AddIndexCreatesAnOrder) {
    auto t = openFilled();
    auto other = table();
    other->Open();
    t->AddIndex("Neh", "Neh");
    EXPECT_TRUE(QFileInfo::exists(dir.file("Cards.X06")));
    EXPECT_TRUE(QFileInfo::exists(dir.file("Cards.Y06")));
    ASSERT_TRUE(t->Locate("Evc", 4));
    t->setIndexFieldNames("Neh");
    EXPECT_EQ(evc(*t), 4);
    EXPECT_EQ(column(*t, "Evc"), QStringList({"1", "3", "5", "7", "2", "4", "6", "8"}));
    EXPECT_TRUE(t->FindKey({"N"}));
    EXPECT_EQ(evc(*t), 2);
    other->setIndexFieldNames("Neh");  // the other cursor can use it at once
    other->Last();
    EXPECT_EQ(evc(*other), 8);

    EXPECT_THROW(t->AddIndex("Neh", "Neh"), EDatabaseError);
    EXPECT_THROW(t->AddIndex("Nic", "Nic"), EDatabaseError);

    // The index is part of the table from now on.
    t->Close();
    other->Close();
    t->Open();
    EXPECT_EQ(t->IndexFieldNames(), "Neh");
    bool found = false;
    for (const engine::IndexDef& d : t->IndexDefs()) found = found || (d.suffix == "06" && d.field == 5);
    EXPECT_TRUE(found);
    EXPECT_EQ(column(*t, "Neh"), QStringList({"A", "A", "A", "A", "N", "N", "N", "N"}));
}

TEST_F(DataSetMaintenance, EmptyTableOpenOrClosed) {
    auto t = openFilled();
    auto other = table();
    other->Open();
    other->Last();
    // Not while another cursor edits a record; nothing is deleted then.
    other->Edit();
    EXPECT_EQ(engineCodeOf([&] { t->EmptyTable(); }), EngineErrorCode::RecordLocked);
    EXPECT_EQ(t->RecordCount(), 8);
    other->Cancel();
    t->Edit();
    t->FieldByName("Nla")->setAsString("x");
    t->EmptyTable();
    EXPECT_EQ(t->State(), TDataSetState::Browse);
    EXPECT_TRUE(t->IsEmpty());
    EXPECT_TRUE(t->Bof() && t->Eof());
    EXPECT_TRUE(other->IsEmpty());
    addCard(*t, 1, "Boletus edulis");
    EXPECT_EQ(other->RecordCount(), 1);

    t->Close();
    other->Close();
    t->EmptyTable();
    EXPECT_FALSE(t->Active());
    t->Open();
    EXPECT_TRUE(t->IsEmpty());
}

TEST_F(DataSetMaintenance, RegenerateIndexesNeedsAnExclusiveTableAndKeepsBookmarks) {
    auto t = openFilled();
    try {
        t->RegenerateIndexes();
        ADD_FAILURE() << "regenerated a shared table";
    } catch (const EDBEngineError& e) {
        EXPECT_EQ(e.errorCode(), EngineErrorCode::TableInUse);
        EXPECT_TRUE(e.message().contains("není otevřena výhradně")) << e.message().toStdString();
    }
    t->Close();
    EXPECT_THROW(t->RegenerateIndexes(), EDatabaseError);  // closed

    t->Exclusive = true;
    t->Open();
    auto other = table();
    EXPECT_EQ(engineCodeOf([&] { other->Open(); }), EngineErrorCode::TableInUse);

    // Deleted records leave gaps that the regeneration compacts away.
    ASSERT_TRUE(t->Locate("Evc", 2));
    t->Delete();
    ASSERT_TRUE(t->Locate("Evc", 6));
    t->Delete();
    ASSERT_TRUE(t->Locate("Evc", 7));
    const TBookmark seven = t->GetBookmark();
    t->setIndexFieldNames("Lk");
    t->RegenerateIndexes();
    EXPECT_TRUE(t->Bof());
    EXPECT_EQ(t->RecordCount(), 6);
    EXPECT_EQ(column(*t, "Evc"), QStringList({"4", "8", "3", "1", "7", "5"}));
    // A record keeps its identity through the regeneration, so its bookmark stays good.
    EXPECT_TRUE(t->BookmarkValid(seven));
    t->GotoBookmark(seven);
    EXPECT_EQ(evc(*t), 7);

    t->Close();
    t->Exclusive = false;
    t->setIndexFieldNames("Nla");
    t->Open();
    EXPECT_EQ(column(*t, "Evc"), QStringList({"1", "3", "8", "7", "5", "4"}));
    addCard(*t, 9, "Xerocomus badius");
    EXPECT_EQ(t->FieldByName("ID")->AsInteger(), 9);  // keys are not reused
}
