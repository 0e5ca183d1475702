// The cursor of a table as windows and record rules use it: navigation, the edit states,
// events and the signals data-aware controls hear.

#include <gtest/gtest.h>

#include <functional>

#include "DataSetFixture.h"
#include "TDataSource.h"

namespace {

class DataSetTest : public DataSetFixture {
protected:
    std::unique_ptr<TTable> openFilled(const QString& order = "Evc") { return openCards(5, order); }
};

template <typename F>
QString errorOf(F&& f) {
    try {
        f();
    } catch (const EDatabaseError& e) {
        return e.message();
    }
    return QStringLiteral("<no error>");
}

}  // namespace

// ---- navigation ------------------------------------------------------------------------------

using DataSetNavigation = DataSetTest;

TEST_F(DataSetNavigation, EmptyTableIsAtBothEnds) {
    createCards();
    auto t = table();
    t->Open();
    EXPECT_EQ(t->State(), TDataSetState::Browse);
    EXPECT_TRUE(t->Bof());
    EXPECT_TRUE(t->Eof());
    EXPECT_TRUE(t->IsEmpty());
    EXPECT_EQ(t->RecordCount(), 0);
    EXPECT_EQ(t->RecNo(), 0);
    for (void (TDataSet::*move)() : {&TDataSet::First, &TDataSet::Last, &TDataSet::Next, &TDataSet::Prior}) {
        (t.get()->*move)();
        EXPECT_TRUE(t->Bof());
        EXPECT_TRUE(t->Eof());
    }
    EXPECT_EQ(t->MoveBy(3), 0);
    EXPECT_TRUE(t->FieldByName("Nla")->IsNull());
    EXPECT_EQ(t->FieldByName("Evc")->AsInteger(), 0);
}

TEST_F(DataSetNavigation, NextAndPriorStopAtTheEnds) {
    auto t = openFilled();
    EXPECT_TRUE(t->Bof());
    EXPECT_FALSE(t->Eof());
    EXPECT_EQ(evc(*t), 1);
    EXPECT_EQ(t->RecNo(), 1);
    EXPECT_EQ(t->RecordCount(), 5);

    EXPECT_EQ(evcs(*t), (QList<int>{1, 2, 3, 4, 5}));
    // Next at the last record sets Eof and stays on it.
    EXPECT_TRUE(t->Eof());
    EXPECT_EQ(evc(*t), 5);
    EXPECT_EQ(t->RecNo(), 5);
    t->Next();
    EXPECT_TRUE(t->Eof());
    EXPECT_EQ(evc(*t), 5);
    t->Prior();
    EXPECT_FALSE(t->Eof());
    EXPECT_FALSE(t->Bof());
    EXPECT_EQ(evc(*t), 4);

    QList<int> back;
    for (t->Last(); !t->Bof(); t->Prior()) back << evc(*t);
    EXPECT_EQ(back, (QList<int>{5, 4, 3, 2, 1}));
    EXPECT_EQ(evc(*t), 1);
    t->Prior();
    EXPECT_TRUE(t->Bof());
    EXPECT_EQ(evc(*t), 1);

    EXPECT_EQ(t->MoveBy(2), 2);
    EXPECT_EQ(evc(*t), 3);
    EXPECT_EQ(t->RecNo(), 3);
    EXPECT_EQ(t->MoveBy(10), 2);
    EXPECT_TRUE(t->Eof());
    EXPECT_EQ(t->MoveBy(-10), -4);
    EXPECT_TRUE(t->Bof());
    EXPECT_EQ(evc(*t), 1);
}

TEST_F(DataSetNavigation, SingleRecord) {
    createCards();
    auto t = table();
    t->Open();
    addCard(*t, 7, "Morchella esculenta");
    t->First();
    EXPECT_TRUE(t->Bof());
    EXPECT_FALSE(t->Eof());
    t->Next();
    EXPECT_TRUE(t->Eof());
    EXPECT_EQ(evc(*t), 7);
    t->Last();
    EXPECT_TRUE(t->Eof());
    EXPECT_FALSE(t->Bof());
    t->Prior();
    EXPECT_TRUE(t->Bof());
    EXPECT_EQ(t->RecNo(), 1);
}

TEST_F(DataSetNavigation, RecordCountAndRecNoCountOnlyFilteredRecords) {
    auto t = openFilled();
    t->setFilter("Neh = 'A'");
    t->setFiltered(true);
    EXPECT_EQ(t->RecordCount(), 3);
    QList<int> recNos;
    QList<int> seen;
    for (t->First(); !t->Eof(); t->Next()) {
        seen << evc(*t);
        recNos << t->RecNo();
    }
    EXPECT_EQ(seen, (QList<int>{1, 3, 5}));
    EXPECT_EQ(recNos, (QList<int>{1, 2, 3}));
    t->Prior();
    EXPECT_EQ(evc(*t), 3);
    t->setFiltered(false);
    EXPECT_EQ(t->RecordCount(), 5);
    EXPECT_EQ(evc(*t), 1);
}

TEST_F(DataSetNavigation, PositionsBookmarksReadRecordAndMoveByInOrderAndFilter) {
    auto t = openCards(8, "Nla");  // Amanita 2, Boletus 1, Cantharellus 3, Čirůvka 8, Chroogomphus 7, ...
    t->AddCalcField("Upper", engine::FieldType::String, 40);
    t->Close();
    t->OnCalcFields = [](TDataSet& ds) { ds.FieldByName("Upper")->setAsString(ds.FieldByName("Nla")->AsString().toUpper()); };
    t->Open();
    t->setFilter("Neh = 'A'");
    t->setFiltered(true);  // 1 Boletus, 3 Cantharellus, 7 Chroogomphus, 5 Lactarius
    ASSERT_EQ(t->RecordCount(), 4);
    EXPECT_EQ(t->CurrentPosition(), 0);
    QList<int> atPositions;
    for (int p = 0; p < 4; ++p) atPositions << int(t->BookmarkAt(p).id);
    EXPECT_FALSE(t->BookmarkAt(4).isValid());
    EXPECT_FALSE(t->BookmarkAt(-1).isValid());

    // ReadRecord shows another record, calculated fields included, and leaves the cursor alone.
    int scrolls = 0;
    t->AfterScroll = [&](TDataSet&) { ++scrolls; };
    QString read;
    t->ReadRecord(t->BookmarkAt(2), [&] { read = nla(*t) + "|" + t->FieldByName("Upper")->AsString(); });
    EXPECT_EQ(read, "Chroogomphus rutilus|CHROOGOMPHUS RUTILUS");
    EXPECT_EQ(nla(*t), "Boletus edulis");
    EXPECT_EQ(t->FieldByName("Upper")->AsString(), "BOLETUS EDULIS");
    EXPECT_EQ(scrolls, 0);

    // MoveBy jumps; running past an end stops there with Bof or Eof set, as Next and Prior would.
    EXPECT_EQ(t->MoveBy(2), 2);
    EXPECT_EQ(evc(*t), 7);
    EXPECT_FALSE(t->Eof());
    EXPECT_EQ(t->RecNo(), 3);
    EXPECT_EQ(t->GetBookmark().id, quint32(atPositions[2]));
    EXPECT_EQ(t->MoveBy(5), 1);
    EXPECT_EQ(evc(*t), 5);
    EXPECT_TRUE(t->Eof());
    EXPECT_EQ(t->MoveBy(-10), -3);
    EXPECT_EQ(evc(*t), 1);
    EXPECT_TRUE(t->Bof());
    EXPECT_EQ(scrolls, 3);  // one per MoveBy, however far

    // While inserting, the new record is shown where the record current before it stands.
    t->MoveBy(1);
    t->Insert();
    EXPECT_EQ(t->CurrentPosition(), 1);
    EXPECT_EQ(t->RecNo(), 0);
    t->Cancel();
    t->setFiltered(false);
    ASSERT_TRUE(t->Locate("Evc", 3));
    EXPECT_EQ(t->CurrentPosition(), 2);  // Cantharellus in the whole Nla order
    EXPECT_EQ(t->RecordCount(), 8);
}

TEST_F(DataSetNavigation, CloseOpenAndRefresh) {
    auto t = openFilled();
    t->MoveBy(2);
    t->Close();
    EXPECT_FALSE(t->Active());
    EXPECT_EQ(t->State(), TDataSetState::Inactive);
    EXPECT_TRUE(t->FieldByName("Nla")->IsNull());
    EXPECT_THROW(t->Next(), EDatabaseError);
    EXPECT_THROW(t->RecordCount(), EDatabaseError);
    EXPECT_THROW(t->Edit(), EDatabaseError);

    TField* const nlaField = t->FieldByName("Nla");
    t->Open();
    EXPECT_EQ(t->FieldByName("Nla"), nlaField);  // the same field objects after reopening
    EXPECT_TRUE(t->Bof());
    EXPECT_EQ(evc(*t), 1);
    t->MoveBy(2);
    ASSERT_EQ(evc(*t), 3);

    // Another connection adds a card before the current one in the order.
    auto otherDb = otherDatabase();
    {
        auto other = table("Cards", otherDb.get());
        other->Open();
        addCard(*other, 0, "Morchella esculenta", "Ivanovice");
    }
    t->Refresh();
    EXPECT_EQ(t->RecordCount(), 6);
    EXPECT_EQ(evc(*t), 3);  // the current record is kept
    EXPECT_EQ(t->RecNo(), 4);
    t->First();
    EXPECT_EQ(nla(*t), "Morchella esculenta");
}

// ---- editing ---------------------------------------------------------------------------------

using DataSetEditing = DataSetTest;

TEST_F(DataSetEditing, AppendAndInsertPostAtTheSortedPlace) {
    auto t = openFilled();
    t->Next();
    t->Append();
    EXPECT_EQ(t->State(), TDataSetState::Insert);
    EXPECT_EQ(t->RecNo(), 0);
    EXPECT_FALSE(t->Modified());
    EXPECT_FALSE(t->IsEmpty());
    EXPECT_TRUE(t->FieldByName("Nla")->IsNull());
    EXPECT_TRUE(t->FieldByName("ID")->IsNull());
    t->FieldByName("Evc")->setAsInteger(0);
    t->FieldByName("Nla")->setAsString("Morchella esculenta");
    EXPECT_TRUE(t->Modified());
    EXPECT_EQ(t->RecordCount(), 5);  // not stored yet
    t->Post();
    EXPECT_EQ(t->State(), TDataSetState::Browse);
    EXPECT_FALSE(t->Modified());
    EXPECT_EQ(t->RecordCount(), 6);
    // The new record is current, at its place in the order, with its key assigned.
    EXPECT_EQ(nla(*t), "Morchella esculenta");
    EXPECT_EQ(t->RecNo(), 1);
    EXPECT_EQ(t->FieldByName("ID")->AsInteger(), 6);
    EXPECT_FALSE(t->Eof());

    // A cancelled insert leaves the record that was current before it.
    t->Last();
    t->Insert();
    t->FieldByName("Evc")->setAsInteger(99);
    t->Cancel();
    EXPECT_EQ(t->State(), TDataSetState::Browse);
    EXPECT_EQ(evc(*t), 5);
    EXPECT_EQ(t->RecordCount(), 6);
}

TEST_F(DataSetEditing, EditPostAndCancel) {
    auto t = openFilled();
    t->MoveBy(2);
    t->Edit();
    EXPECT_EQ(t->State(), TDataSetState::Edit);
    EXPECT_FALSE(t->Modified());
    t->FieldByName("Nla")->setAsString("Cantharellus amethysteus");
    EXPECT_TRUE(t->Modified());
    EXPECT_EQ(nla(*t), "Cantharellus amethysteus");
    t->Cancel();
    EXPECT_EQ(t->State(), TDataSetState::Browse);
    EXPECT_EQ(nla(*t), "Cantharellus cibarius");

    // Changing the key of the order moves the record; it stays current.
    t->Edit();
    t->FieldByName("Evc")->setAsInteger(9);
    t->Post();
    EXPECT_EQ(nla(*t), "Cantharellus cibarius");
    EXPECT_EQ(t->RecNo(), 5);
    t->Next();
    EXPECT_TRUE(t->Eof());
    EXPECT_EQ(evcs(*t), (QList<int>{1, 2, 4, 5, 9}));

    t->Close();
    t->Open();
    ASSERT_TRUE(t->Locate("Nla", "Cantharellus cibarius"));
    EXPECT_EQ(evc(*t), 9);
}

TEST_F(DataSetEditing, DeleteMakesTheNextRecordCurrentOrThePreviousAtTheEnd) {
    auto t = openFilled();
    int afterDelete = 0;
    t->AfterDelete = [&](TDataSet&) { ++afterDelete; };
    t->Next();
    t->Delete();
    EXPECT_EQ(afterDelete, 1);
    EXPECT_EQ(evc(*t), 3);
    EXPECT_EQ(t->RecordCount(), 4);
    t->Last();
    t->Delete();
    EXPECT_EQ(evc(*t), 4);
    EXPECT_EQ(evcs(*t), (QList<int>{1, 3, 4}));

    // Deleting while editing deletes the record being edited.
    t->First();
    t->Edit();
    t->FieldByName("Nla")->setAsString("x");
    t->Delete();
    EXPECT_EQ(t->State(), TDataSetState::Browse);
    EXPECT_EQ(evcs(*t), (QList<int>{3, 4}));
    // Deleting during an insert only drops the new record.
    t->Append();
    t->Delete();
    EXPECT_EQ(t->State(), TDataSetState::Browse);
    EXPECT_EQ(t->RecordCount(), 2);

    t->First();
    t->Delete();
    t->Delete();
    EXPECT_TRUE(t->IsEmpty());
    EXPECT_TRUE(t->Bof());
    EXPECT_TRUE(t->Eof());
    EXPECT_EQ(afterDelete, 5);
    EXPECT_THROW(t->Delete(), EDatabaseError);
}

TEST_F(DataSetEditing, DeleteLoopOverAllRecords) {
    // The usual loop: delete what matches, step over the rest.
    auto t = openFilled();
    for (t->First(); !t->Eof();) {
        if (t->FieldByName("Neh")->AsString() == "A") {
            t->Delete();
        } else {
            t->Next();
        }
    }
    EXPECT_EQ(evcs(*t), (QList<int>{2, 4}));
}

TEST_F(DataSetEditing, EditOnAnEmptyTableStartsAnInsert) {
    createCards();
    auto t = table();
    t->Open();
    t->Edit();
    EXPECT_EQ(t->State(), TDataSetState::Insert);
    t->FieldByName("Evc")->setAsInteger(1);
    t->Post();
    EXPECT_EQ(t->RecordCount(), 1);
    // The same when a filter hides every record.
    t->setFilter("Neh = 'A'");
    t->setFiltered(true);
    t->Edit();
    EXPECT_EQ(t->State(), TDataSetState::Insert);
    t->Cancel();
}

TEST_F(DataSetEditing, PendingChangesArePostedOrDroppedBeforeTheCursorMoves) {
    auto t = openFilled();
    TBookmark second;
    struct Step {
        const char* name;
        std::function<void(TTable&)> run;
    };
    const std::vector<Step> steps = {
        {"Next", [](TTable& x) { x.Next(); }},
        {"Prior", [](TTable& x) { x.Prior(); }},
        {"First", [](TTable& x) { x.First(); }},
        {"Last", [](TTable& x) { x.Last(); }},
        {"MoveBy", [](TTable& x) { x.MoveBy(2); }},
        {"Locate", [](TTable& x) { x.Locate("Evc", 4); }},
        {"FindKey", [](TTable& x) { x.FindKey({4}); }},
        {"FindNearest", [](TTable& x) { x.FindNearest({"3"}); }},
        {"GotoBookmark", [&](TTable& x) { x.GotoBookmark(second); }},
        {"setIndexFieldNames", [](TTable& x) { x.setIndexFieldNames("Nla"); }},
        {"setFilter", [](TTable& x) { x.setFilter("Evc > 0"); }},
        {"setFiltered", [](TTable& x) { x.setFiltered(true); }},
        {"Refresh", [](TTable& x) { x.Refresh(); }},
        {"Append", [](TTable& x) { x.Append(); }},
    };
    auto checker = table();
    checker->Open();
    int nextEvc = 100;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        auto reset = [&] {
            t->Cancel();
            t->setFiltered(false);
            t->setFilter("");
            t->setIndexFieldNames("Evc");
            t->First();
            t->Next();
            second = t->GetBookmark();
            t->First();
        };

        // A modified record is posted.
        reset();
        t->Edit();
        const QString changed = QStringLiteral("Změna %1").arg(step.name);
        t->FieldByName("Lk")->setAsString(changed);
        step.run(*t);
        EXPECT_NE(t->State(), TDataSetState::Edit);
        EXPECT_TRUE(checker->Locate("Lk", changed));
        EXPECT_EQ(evc(*checker), 1);

        // A modified new record is posted.
        reset();
        const int count = checker->RecordCount();
        t->Append();
        t->FieldByName("Evc")->setAsInteger(nextEvc);
        step.run(*t);
        EXPECT_EQ(checker->RecordCount(), count + 1);
        EXPECT_TRUE(checker->Locate("Evc", nextEvc));
        ++nextEvc;

        // An unmodified new record is dropped, an unmodified edit simply ends.
        reset();
        t->Append();
        step.run(*t);
        EXPECT_EQ(checker->RecordCount(), count + 1);
        reset();
        t->Edit();
        step.run(*t);
        EXPECT_NE(t->State(), TDataSetState::Edit);
        EXPECT_EQ(checker->RecordCount(), count + 1);
    }
}

TEST_F(DataSetEditing, ValuesSetByOnNewRecordAreNotChanges) {
    auto t = openFilled();
    t->OnNewRecord = [](TDataSet& ds) {
        ds.FieldByName("Neh")->setAsString("N");
        ds.FieldByName("D")->setAsDate(QDate(2024, 1, 1));
    };
    t->Append();
    EXPECT_FALSE(t->Modified());
    EXPECT_EQ(t->FieldByName("Neh")->AsString(), "N");
    t->Next();
    EXPECT_EQ(t->RecordCount(), 5);

    t->Append();
    t->FieldByName("Evc")->setAsInteger(50);
    EXPECT_TRUE(t->Modified());
    t->First();
    EXPECT_EQ(t->RecordCount(), 6);
    ASSERT_TRUE(t->Locate("Evc", 50));
    EXPECT_EQ(t->FieldByName("Neh")->AsString(), "N");
    EXPECT_EQ(t->FieldByName("D")->AsString(), "01.01.2024");
}

TEST_F(DataSetEditing, FieldsChangeOnlyWhileEditing) {
    auto t = openFilled();
    EXPECT_EQ(errorOf([&] { t->FieldByName("Nla")->setAsString("x"); }),
              "Datová sada není v režimu úprav ani vkládání.");
    EXPECT_EQ(nla(*t), "Boletus edulis");
    t->Edit();
    EXPECT_EQ(errorOf([&] { t->FieldByName("ID")->setAsInteger(77); }), "Pole 'ID' nelze měnit.");
    EXPECT_EQ(t->FieldByName("ID")->AsInteger(), 1);
    t->Cancel();
    EXPECT_EQ(errorOf([&] { t->FieldByName("Nic"); }), "Pole 'Nic' nebylo nalezeno.");
    EXPECT_EQ(t->FindField("Nic"), nullptr);
    EXPECT_EQ(t->FindField("nla"), t->FieldByName("Nla"));
}

TEST_F(DataSetEditing, TheEditedRecordStaysTheOneBeingEdited) {
    // While a card is edited, an update through another statement takes it out of the filter.
    // The post must still write the edited card, not the neighbour the view now shows.
    auto t = openFilled();
    t->setFilter("Neh = 'A'");
    t->setFiltered(true);
    ASSERT_EQ(evc(*t), 1);
    t->Edit();
    t->FieldByName("Nla")->setAsString("Boletus reticulatus");

    TQuery q;
    q.setDatabase(&db);
    q.SQL << "Update Cards set Neh = \"N\" where Evc = \"1\"";
    q.ExecSQL();
    ASSERT_EQ(q.RowsAffected(), 1);
    EXPECT_EQ(t->RecordCount(), 2);  // the view changed around the edit
    EXPECT_EQ(t->State(), TDataSetState::Edit);
    EXPECT_EQ(evc(*t), 1);
    t->Post();

    auto check = table();
    check->Open();
    ASSERT_TRUE(check->Locate("Evc", 1));
    EXPECT_EQ(nla(*check), "Boletus reticulatus");
    ASSERT_TRUE(check->Locate("Evc", 3));
    EXPECT_EQ(nla(*check), "Cantharellus cibarius");
    EXPECT_EQ(check->RecordCount(), 5);
}

TEST_F(DataSetEditing, EditOfARecordDeletedElsewhereFails) {
    auto t = openFilled();
    t->Next();
    ASSERT_EQ(evc(*t), 2);
    auto otherDb = otherDatabase();
    {
        auto other = table("Cards", otherDb.get());
        other->Open();
        ASSERT_TRUE(other->Locate("Evc", 2));
        other->Delete();
    }
    EXPECT_EQ(errorOf([&] { t->Edit(); }), "Záznam byl smazán jiným uživatelem.");
    EXPECT_EQ(t->State(), TDataSetState::Browse);
    EXPECT_EQ(evc(*t), 3);  // the neighbour is shown, but not edited
    EXPECT_EQ(t->RecordCount(), 4);
    t->Edit();  // the record now shown can be edited
    EXPECT_EQ(t->State(), TDataSetState::Edit);
    t->Cancel();
}

// ---- events ----------------------------------------------------------------------------------

using DataSetEvents = DataSetTest;

TEST_F(DataSetEvents, BeforePostCanStopThePost) {
    auto t = openFilled();
    int afterPost = 0;
    t->BeforePost = [](TDataSet& ds) {
        if (ds.FieldByName("Nla")->IsNull()) throw EAbort();
    };
    t->AfterPost = [&](TDataSet& ds) {
        ++afterPost;
        EXPECT_EQ(ds.State(), TDataSetState::Browse);
    };
    t->Append();
    t->FieldByName("Evc")->setAsInteger(10);
    EXPECT_THROW(t->Post(), EAbort);
    EXPECT_EQ(t->State(), TDataSetState::Insert);
    EXPECT_EQ(evc(*t), 10);
    EXPECT_EQ(afterPost, 0);
    EXPECT_EQ(t->RecordCount(), 5);
    // Moving away posts as well, so it is stopped the same way and the cursor stays.
    EXPECT_THROW(t->Next(), EAbort);
    EXPECT_EQ(t->State(), TDataSetState::Insert);

    t->FieldByName("Nla")->setAsString("Morchella esculenta");
    t->Post();
    EXPECT_EQ(afterPost, 1);
    EXPECT_EQ(t->RecordCount(), 6);
}

TEST_F(DataSetEvents, DuplicateKeyGoesThroughOnPostError) {
    auto t = openFilled();
    TDataAction choice = TDataAction::Abort;
    QList<int> codes;
    t->OnPostError = [&](TDataSet& ds, EDatabaseError& e, TDataAction& action) {
        const auto* engineError = dynamic_cast<const EDBEngineError*>(&e);
        codes << (engineError ? engineError->errorCode() : -1);
        EXPECT_NE(ds.State(), TDataSetState::Browse);
        action = choice;
    };

    t->Append();
    t->FieldByName("Evc")->setAsInteger(3);
    t->FieldByName("Nla")->setAsString("Duplicitní");
    // Abort: Post ends silently, the new record stays with what was typed.
    EXPECT_THROW(t->Post(), EAbort);
    EXPECT_EQ(codes, (QList<int>{EngineErrorCode::KeyViolation}));
    EXPECT_EQ(t->State(), TDataSetState::Insert);
    EXPECT_EQ(evc(*t), 3);
    EXPECT_EQ(nla(*t), "Duplicitní");

    // Fail: the engine error itself comes out, with its code.
    choice = TDataAction::Fail;
    try {
        t->Post();
        ADD_FAILURE() << "duplicate key posted";
    } catch (const EAbort&) {
        ADD_FAILURE() << "EAbort instead of the key violation";
    } catch (const EDBEngineError& e) {
        EXPECT_EQ(e.errorCode(), EngineErrorCode::KeyViolation);
    }
    EXPECT_EQ(t->State(), TDataSetState::Insert);
    EXPECT_EQ(nla(*t), "Duplicitní");
    EXPECT_EQ(t->RecordCount(), 5);

    t->FieldByName("Evc")->setAsInteger(30);
    t->Post();
    EXPECT_EQ(t->RecordCount(), 6);
    EXPECT_EQ(codes.size(), 2);

    // The same for a changed record; without a handler the error propagates.
    t->OnPostError = nullptr;
    t->Edit();
    t->FieldByName("Evc")->setAsInteger(1);
    try {
        t->Post();
        ADD_FAILURE() << "duplicate key posted";
    } catch (const EDBEngineError& e) {
        EXPECT_EQ(e.errorCode(), EngineErrorCode::KeyViolation);
    }
    EXPECT_EQ(t->State(), TDataSetState::Edit);
    EXPECT_EQ(evc(*t), 1);
    t->Cancel();
    EXPECT_EQ(evc(*t), 30);
    EXPECT_EQ(evcs(*t), (QList<int>{1, 2, 3, 4, 5, 30}));
}

TEST_F(DataSetEvents, CalculatedFieldFollowsTheRecordAndTheEdit) {
    createCards();
    auto t = table();
    TField* name = t->AddCalcField("Nazev", engine::FieldType::String, 100);
    t->OnCalcFields = [](TDataSet& ds) {
        const QString n = ds.FieldByName("Nla")->AsString();
        const QString lk = ds.FieldByName("Lk")->AsString();
        ds.FieldByName("Nazev")->setAsString(lk.isEmpty() ? n : n + " (" + lk + ")");
    };
    t->setIndexFieldNames("Evc");
    t->Open();
    EXPECT_TRUE(name->IsNull());
    addCard(*t, 1, "Boletus edulis", "Hradiště");
    addCard(*t, 2, "Amanita muscaria", "Chlum");
    t->First();
    EXPECT_EQ(name->AsString(), "Boletus edulis (Hradiště)");
    EXPECT_TRUE(name->Calculated());
    t->Next();
    EXPECT_EQ(name->AsString(), "Amanita muscaria (Chlum)");

    t->Edit();
    t->FieldByName("Nla")->setAsString("Amanita phalloides");
    EXPECT_EQ(name->AsString(), "Amanita phalloides (Chlum)");
    t->FieldByName("Lk")->Clear();
    EXPECT_EQ(name->AsString(), "Amanita phalloides");
    t->Cancel();
    EXPECT_EQ(name->AsString(), "Amanita muscaria (Chlum)");

    t->Append();
    EXPECT_TRUE(name->IsNull());
    t->FieldByName("Nla")->setAsString("Morchella");
    EXPECT_EQ(name->AsString(), "Morchella");
    t->Cancel();

    // Another cursor's change shows in the calculated value at once.
    auto other = table();
    other->Open();
    ASSERT_TRUE(other->Locate("Evc", 2));
    other->Edit();
    other->FieldByName("Lk")->setAsString("Ivanovice");
    other->Post();
    EXPECT_EQ(name->AsString(), "Amanita muscaria (Ivanovice)");

    EXPECT_EQ(errorOf([&] { name->setAsString("x"); }), "Pole 'Nazev' nelze měnit.");
    t->Close();
    t->Open();
    EXPECT_EQ(t->FieldByName("Nazev"), name);
    EXPECT_EQ(name->AsString(), "Boletus edulis (Hradiště)");
}

TEST_F(DataSetEvents, DataSourceHearsStatesMovesAndFieldChanges) {
    auto t = openFilled();
    TDataSource source;
    source.setDataSet(t.get());
    EXPECT_EQ(source.DataSet(), t.get());
    int states = 0;
    QList<TField*> changes;
    int updates = 0;
    QObject::connect(&source, &TDataSource::stateChanged, [&] { ++states; });
    QObject::connect(&source, &TDataSource::dataChanged, [&](TField* f) { changes << f; });
    // A control writes its pending input when asked before a post.
    QObject::connect(&source, &TDataSource::updateData, [&] {
        ++updates;
        if (t->State() == TDataSetState::Edit) t->FieldByName("Lk")->setAsString("Z ovládacího prvku");
    });
    auto reset = [&] {
        states = 0;
        changes.clear();
    };

    t->Next();
    EXPECT_EQ(states, 0);
    EXPECT_EQ(changes, QList<TField*>{nullptr});
    reset();
    t->Edit();
    EXPECT_EQ(states, 1);
    TField* nlaField = t->FieldByName("Nla");
    nlaField->setAsString("Amanita phalloides");
    EXPECT_TRUE(changes.contains(nlaField));
    reset();
    t->Post();
    EXPECT_EQ(states, 1);
    EXPECT_GE(updates, 1);
    EXPECT_EQ(t->FieldByName("Lk")->AsString(), "Z ovládacího prvku");

    // With controls disabled nothing is heard until they are enabled again, then once.
    reset();
    t->DisableControls();
    t->DisableControls();
    t->Next();
    t->Edit();
    t->FieldByName("Nla")->setAsString("x");
    t->Cancel();
    t->Last();
    t->EnableControls();
    EXPECT_TRUE(t->ControlsDisabled());
    EXPECT_EQ(states, 0);
    EXPECT_TRUE(changes.isEmpty());
    t->EnableControls();
    EXPECT_FALSE(t->ControlsDisabled());
    EXPECT_EQ(states, 1);
    EXPECT_EQ(changes, QList<TField*>{nullptr});

    // Enabling without anything having happened stays quiet; a disabled source hears nothing.
    reset();
    t->DisableControls();
    t->EnableControls();
    source.setEnabled(false);
    t->First();
    EXPECT_EQ(states, 0);
    EXPECT_TRUE(changes.isEmpty());
    source.setEnabled(true);

    // Closing is a state change; a destroyed dataset leaves the source without one.
    t->Close();
    EXPECT_EQ(states, 1);
    t.reset();
    EXPECT_EQ(source.DataSet(), nullptr);
}
