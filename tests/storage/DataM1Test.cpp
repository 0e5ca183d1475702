#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <map>
#include <vector>

#include "DataFiles.h"
#include "DataM1.h"
#include "EngineError.h"
#include "TablePassword.h"
#include "TempDir.h"
#include "TemplateSet.h"

namespace {

const QDate kToday(2013, 2, 15);

// A firm made from the template set, the data module pointed at it, and recorders for the
// module's messages, status texts and caption.
class DataM1Test : public ::testing::Test {
protected:
    DataM1Test() {
        storage::TemplateSet::prepareDataDirectory(tmp.path());
        QDir().mkpath(firmDir());
        for (const QString& f : storage::dataFileList()) QFile::copy(tmp.path() + "Data/" + f, firmDir() + f);
        dm.showMessage = [this](DmMessage kind, const QString& text) { messages.push_back({kind, text}); };
        QObject::connect(&dm, &TDM1::statusText, [this](int panel, const QString& text) { panels[panel] = text; });
        QObject::connect(&dm, &TDM1::captionChanged, [this](const QString& text) { caption = text; });
        dm.createStep(tmp.path());
        dm.setFirmDirectory(firmDir());
    }

    QString firmDir() const { return tmp.path() + "F1/"; }

    void open() { dm.OtevritTabulky(); }

    TField* card(const char* name) { return dm.Hdok.FieldByName(name); }
    TField* common(const char* name) { return dm.Hspl.FieldByName(name); }
    int cislo() { return common("Cislo")->AsInteger(); }

    void setCommon(const char* name, const QVariant& value) {
        dm.Hspl.Edit();
        common(name)->setValue(value);
        dm.Hspl.Post();
    }

    // Writes a new card with the proposed number (or `evc` when given).
    void addCard(const QString& nla, int evc = -1, const QString& ato = QString()) {
        dm.Hdok.Insert();
        if (evc >= 0) card("Evc")->setAsInteger(evc);
        card("Nla")->setAsString(nla);
        card("Ato")->setAsString(ato);
        dm.Hdok.Post();
    }

    struct Message {
        DmMessage kind;
        QString text;
    };

    TempDir tmp;
    TDM1 dm;
    std::vector<Message> messages;
    std::map<int, QString> panels;
    QString caption;
};

}  // namespace

// ---- date completion -----------------------------------------------------------------------

TEST(DataM1DatumAll, DayOffsetsCountFromToday) {
    EXPECT_EQ(TDM1::DatumAll("+1", kToday), "16.2.2013");
    EXPECT_EQ(TDM1::DatumAll("-7", kToday), "8.2.2013");
    EXPECT_EQ(TDM1::DatumAll("+14", kToday), "1.3.2013");
    EXPECT_EQ(TDM1::DatumAll("-46", kToday), "31.12.2012");
    // Not a number: an offset of nothing.
    EXPECT_EQ(TDM1::DatumAll("+x", kToday), "15.2.2013");
    EXPECT_EQ(TDM1::DatumAll("-", kToday), "15.2.2013");
}

TEST(DataM1DatumAll, SeparatorsAndDigitRunsBecomeDottedDates) {
    EXPECT_EQ(TDM1::DatumAll("3/4", kToday), "3.4.2013");
    EXPECT_EQ(TDM1::DatumAll("3,4,2012", kToday), "3.4.2012");
    EXPECT_EQ(TDM1::DatumAll("0304", kToday), "03.04.2013");
    EXPECT_EQ(TDM1::DatumAll("01022013", kToday), "01.02.2013");
    EXPECT_EQ(TDM1::DatumAll("010213", kToday), "01.02.13");
}

TEST(DataM1DatumAll, MissingYearOrMonthComesFromToday) {
    EXPECT_EQ(TDM1::DatumAll("1.2.", kToday), "1.2.2013");
    EXPECT_EQ(TDM1::DatumAll("01.12.", kToday), "01.12.2013");
    EXPECT_EQ(TDM1::DatumAll("15.", kToday), "15.2.2013");
    EXPECT_EQ(TDM1::DatumAll("15", kToday), "15.2.2013");
    EXPECT_EQ(TDM1::DatumAll("7", kToday), "7.2.2013");
}

TEST(DataM1DatumAll, CompleteEmptyAndInvalidTextsPassUnchanged) {
    EXPECT_EQ(TDM1::DatumAll("24.12.2012", kToday), "24.12.2012");
    EXPECT_EQ(TDM1::DatumAll("", kToday), "");
    EXPECT_EQ(TDM1::DatumAll("abc", kToday), "abc");
    EXPECT_EQ(TDM1::DatumAll("1.2.3.4", kToday), "1.2.3.4");
}

TEST_F(DataM1Test, TheDateFieldsCompleteTypedText) {
    // The fields themselves complete what is typed (as every data-aware control writes it).
    open();
    dm.Hdok.Insert();
    card("D")->setText("+1");
    EXPECT_EQ(card("D")->AsDate(), QDate::currentDate().addDays(1));
    card("D")->setText("");
    EXPECT_TRUE(card("D")->IsNull());
    try {
        card("D")->setText("31.2.2013");
        FAIL() << "an impossible date was stored";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.message(), "''31.2.2013'' není platný datum");
    }
    dm.Hdok.Cancel();

    dm.Hspl.Edit();
    common("D1o")->setText("0304");
    EXPECT_EQ(common("D1o")->AsDate(), QDate(QDate::currentDate().year(), 4, 3));
    dm.Hspl.Cancel();
}

// ---- session and opening -------------------------------------------------------------------

TEST_F(DataM1Test, CreationStepPreparesTheSessionOnlyForAFoundDirectory) {
    EXPECT_EQ(dm.Session.NetFileDir(), tmp.path());  // as spelt, never upper-cased
    EXPECT_TRUE(dm.Session.Active());
    EXPECT_TRUE(dm.Session.passwords().contains(storage::tablePassword()));

    TDM1 none;
    none.createStep(QString());
    EXPECT_TRUE(none.Session.NetFileDir().isEmpty());
    EXPECT_TRUE(none.Session.passwords().isEmpty());
}

TEST_F(DataM1Test, OpeningTheTablesOfAFirm) {
    panels = {{0, "x"}, {1, "x"}, {2, "x"}};
    open();
    for (TTable* t : {&dm.Hspl, &dm.Hdath, &dm.Hdatl, &dm.Hdok}) EXPECT_TRUE(t->Active()) << t->Name.toStdString();
    EXPECT_FALSE(dm.Hdok3.Active());
    EXPECT_EQ(dm.Hspl.RecordCount(), 1);
    EXPECT_TRUE(dm.statusUpdate);
    EXPECT_EQ(caption, "Lamelin 1.10");
    EXPECT_EQ(panels, (std::map<int, QString>{{0, ""}, {1, ""}, {2, ""}}));
    EXPECT_EQ(dm.Database.directory(), QDir::cleanPath(firmDir()));

    // Another firm: the database is disconnected and the tables closed.
    dm.setFirmDirectory(tmp.path() + "F2/");
    EXPECT_FALSE(dm.Hdok.Active());
    EXPECT_FALSE(dm.Database.Connected());
}

TEST_F(DataM1Test, OpeningFailsWhenATableFileIsMissing) {
    ASSERT_TRUE(QFile::remove(firmDir() + "Hdatl.DB"));
    EXPECT_THROW(open(), EDatabaseError);
    EXPECT_FALSE(dm.statusUpdate);
    EXPECT_FALSE(dm.Hdatl.Active());
}

TEST_F(DataM1Test, CaptionCarriesTheTrimmedHeading) {
    open();
    setCommon("Sna", "  Houbaři z Písku  ");
    dm.NazevDp1();
    EXPECT_EQ(caption, "Lamelin 1.10 - Houbaři z Písku");
    setCommon("Sna", "   ");
    dm.NazevDp1();
    EXPECT_EQ(caption, "Lamelin 1.10");
}

TEST_F(DataM1Test, FieldsCarryLabelsAndRangesAcrossReopening) {
    open();
    dm.setFirmDirectory(firmDir());
    open();
    EXPECT_EQ(card("Evc")->DisplayLabel(), "Číslo");
    EXPECT_EQ(dm.Hdath.FieldByName("Nlad")->DisplayLabel(), "Název latinsky");
    dm.Hdok.Insert();
    try {
        card("Evc")->setAsInteger(1000000);
        FAIL() << "Evc took a seven-digit number";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.message(), "1000000 není platná hodnota pro pole 'Číslo'. Povolený rozsah je od -999999 do 999999");
    }
    dm.Hdok.Cancel();

    // The search cursor has no range on the number.
    dm.Hdok3.Open();
    dm.Hdok3.Insert();
    EXPECT_NO_THROW(dm.Hdok3.FieldByName("Evc")->setAsInteger(1000000));
    dm.Hdok3.Cancel();

    dm.Hspl.Edit();
    EXPECT_THROW(common("Ho")->setAsInteger(1000), EDatabaseError);
    EXPECT_THROW(common("Ko")->setAsInteger(0), EDatabaseError);
    EXPECT_THROW(common("Cislo")->setAsInteger(-1000000), EDatabaseError);
    EXPECT_NO_THROW(common("Lo1")->setAsInteger(0));
    dm.Hspl.Cancel();
}

// ---- new cards and their numbers -----------------------------------------------------------

TEST_F(DataM1Test, NewCardTakesItsDefaultsFromCommonData) {
    open();
    setCommon("Sle", "J. Novák");
    bool lookupDuringDefaults = true;
    int focusRequests = 0;
    QObject::connect(&dm, &TDM1::newCardStarted, [&] {
        lookupDuringDefaults = dm.codeLookup;
        ++focusRequests;
    });
    dm.cardWindowOpen = true;
    dm.Hdok.Insert();
    EXPECT_EQ(card("Evc")->AsInteger(), 1);
    EXPECT_EQ(card("Le")->AsString(), "J. Novák");
    EXPECT_EQ(card("Neh")->AsString(), "N");
    EXPECT_FALSE(card("Pdh")->AsBoolean());
    EXPECT_FALSE(card("Pdl")->AsBoolean());
    EXPECT_EQ(focusRequests, 1);
    EXPECT_FALSE(lookupDuringDefaults);
    EXPECT_TRUE(dm.codeLookup);
    EXPECT_FALSE(dm.selectionResetPending);
    dm.Hdok.Cancel();

    dm.cardWindowOpen = false;
    dm.Hdok.Insert();
    EXPECT_EQ(focusRequests, 1);
    dm.Hdok.Cancel();
}

TEST_F(DataM1Test, CardsOfANewFirmAreNumberedFromCislo) {
    open();
    addCard("Boletus edulis");
    EXPECT_EQ(cislo(), 2);
    dm.Hdok.Insert();
    EXPECT_EQ(card("Evc")->AsInteger(), 2);
    card("Nla")->setAsString("Boletus reticulatus");
    dm.Hdok.Post();
    EXPECT_EQ(cislo(), 3);

    // A number the user chose moves the proposal past it.
    addCard("Amanita muscaria", 500);
    EXPECT_EQ(cislo(), 501);

    // Editing an existing card leaves the proposal alone, whatever its number.
    ASSERT_TRUE(dm.Hdok.Locate("Evc", 1));
    dm.Hdok.Edit();
    card("Evc")->setAsInteger(900);
    dm.Hdok.Post();
    EXPECT_EQ(cislo(), 501);
    EXPECT_EQ(dm.Hdok.RecordCount(), 3);
}

TEST_F(DataM1Test, EmptyNumberIsStoredAsZero) {
    open();
    dm.Hdok.Insert();
    card("Evc")->Clear();
    dm.Hdok.Post();
    EXPECT_FALSE(card("Evc")->IsNull());
    EXPECT_EQ(card("Evc")->AsInteger(), 0);
    EXPECT_EQ(cislo(), 1);
}

TEST_F(DataM1Test, DuplicateNumberIsRefusedAndTheCardStaysOpen) {
    open();
    addCard("Boletus edulis", 7);
    setCommon("Cislo", 7);
    dm.Hdok.Insert();
    card("Nla")->setAsString("Suillus luteus");
    EXPECT_THROW(dm.Hdok.Post(), EAbort);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].kind, DmMessage::Error);
    EXPECT_EQ(messages[0].text, "Duplicitní klíč - evidenční číslo");
    EXPECT_EQ(dm.Hdok.State(), TDataSetState::Insert);
    EXPECT_EQ(card("Nla")->AsString(), "Suillus luteus");
    EXPECT_EQ(cislo(), 8);  // common data were posted before the card

    card("Evc")->setAsInteger(8);
    dm.Hdok.Post();
    EXPECT_EQ(dm.Hdok.RecordCount(), 2);
    EXPECT_EQ(cislo(), 9);

    // The same in edit state.
    dm.Hdok.Edit();
    card("Evc")->setAsInteger(7);
    EXPECT_THROW(dm.Hdok.Post(), EAbort);
    EXPECT_EQ(dm.Hdok.State(), TDataSetState::Edit);
    dm.Hdok.Cancel();
}

TEST_F(DataM1Test, OtherPostErrorsKeepTheEnginesMessage) {
    open();
    EDBEngineError locked(EngineErrorCode::RecordLocked, "Záznam je uzamčen jiným uživatelem.");
    TDataAction action = TDataAction::Fail;
    dm.Hdok.OnPostError(dm.Hdok, locked, action);
    EXPECT_EQ(action, TDataAction::Fail);
    EXPECT_TRUE(messages.empty());
}

TEST_F(DataM1Test, LargestNumberDoesNotBlockSavingTheCard) {
    open();
    setCommon("Cislo", 999999);
    addCard("Russula emetica");
    EXPECT_EQ(dm.Hdok.State(), TDataSetState::Browse);
    EXPECT_EQ(card("Evc")->AsInteger(), 999999);
    EXPECT_EQ(cislo(), 999999);
    // The next proposal is taken; the user is told so and may type another number.
    dm.Hdok.Insert();
    EXPECT_THROW(dm.Hdok.Post(), EAbort);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Duplicitní klíč - evidenční číslo");
    card("Evc")->setAsInteger(12);
    dm.Hdok.Post();
    EXPECT_EQ(cislo(), 13);
}

TEST_F(DataM1Test, NewCardInASelectionJoinsIt) {
    open();
    addCard("Boletus edulis");
    dm.Hdok.setFilter("Neh = 'A'");
    dm.Hdok.setFiltered(true);
    dm.Hdok.Insert();
    EXPECT_EQ(card("Neh")->AsString(), "A");
    EXPECT_TRUE(dm.selectionResetPending);
    dm.Hdok.Post();
    EXPECT_EQ(dm.Hdok.RecordCount(), 1);  // visible in the selection
}

// ---- catalogue transfers -------------------------------------------------------------------

TEST_F(DataM1Test, SpeciesTransferAddsEachExactCombinationOnce) {
    open();
    auto write = [&](const QString& kdh, const QString& nla, const QString& ato, const QString& nce) {
        dm.Hdok.Insert();
        card("Kdh")->setAsString(kdh);
        card("Nla")->setAsString(nla);
        card("Ato")->setAsString(ato);
        card("Nce")->setAsString(nce);
        card("Pdh")->setAsBoolean(true);
        dm.Hdok.Post();
        EXPECT_FALSE(card("Pdh")->AsBoolean());
    };
    write("AM", "Amanita muscaria", "(L.) Lam.", "muchomůrka červená");
    write("AM", "Amanita muscaria", "(L.) Lam.", "muchomůrka červená");
    EXPECT_EQ(dm.Hdath.RecordCount(), 1);
    write("AM", "amanita muscaria", "(L.) Lam.", "muchomůrka červená");
    write("AM", "Amanita muscaria", "", "muchomůrka červená");
    EXPECT_EQ(dm.Hdath.RecordCount(), 3);
    ASSERT_TRUE(dm.Hdath.Locate("Nlad;Atod", QVariantList{"Amanita muscaria", "(L.) Lam."}));
    EXPECT_EQ(dm.Hdath.FieldByName("Kodh")->AsString(), "AM");
    EXPECT_EQ(dm.Hdath.FieldByName("Nced")->AsString(), "muchomůrka červená");

    // Without the flag nothing is added.
    addCard("Boletus edulis");
    EXPECT_EQ(dm.Hdath.RecordCount(), 3);
}

TEST_F(DataM1Test, LocalityTransferAddsEachExactPairOnce) {
    open();
    auto write = [&](const QString& kdl, const QString& lk) {
        dm.Hdok.Insert();
        card("Kdl")->setAsString(kdl);
        card("Lk")->setAsString(lk);
        card("Pdl")->setAsBoolean(true);
        dm.Hdok.Post();
    };
    write("PI", "Písek, Jarník");
    write("PI", "Písek, Jarník");
    write("PI", "PÍSEK, JARNÍK");
    EXPECT_EQ(dm.Hdatl.RecordCount(), 2);
    dm.Hdok.First();
    EXPECT_FALSE(card("Pdl")->AsBoolean());
}

TEST_F(DataM1Test, FailedTransferKeepsTheRequestForTheNextSave) {
    open();
    dm.Hdath.Close();
    dm.Hdok.Insert();
    card("Nla")->setAsString("Cantharellus cibarius");
    card("Pdh")->setAsBoolean(true);
    EXPECT_THROW(dm.Hdok.Post(), EDatabaseError);
    EXPECT_EQ(dm.Hdok.State(), TDataSetState::Insert);
    EXPECT_TRUE(card("Pdh")->AsBoolean());

    dm.Hdath.Open();
    dm.Hdok.Post();
    EXPECT_EQ(dm.Hdath.RecordCount(), 1);
    EXPECT_EQ(dm.Hdok.RecordCount(), 1);
}

TEST_F(DataM1Test, NewCatalogueRowsStartEmpty) {
    open();
    int focusRequests = 0;
    QObject::connect(&dm, &TDM1::newSpeciesStarted, [&] {
        EXPECT_FALSE(dm.codeLookup);
        ++focusRequests;
    });
    QObject::connect(&dm, &TDM1::newLocalityStarted, [&] { ++focusRequests; });
    dm.speciesWindowOpen = dm.localityWindowOpen = true;
    dm.Hdath.Insert();
    EXPECT_TRUE(dm.Hdath.FieldByName("Kodh")->IsNull());
    EXPECT_TRUE(dm.Hdath.FieldByName("Nlad")->IsNull());
    dm.Hdath.Cancel();
    dm.Hdatl.Insert();
    dm.Hdatl.Cancel();
    EXPECT_EQ(focusRequests, 2);
    EXPECT_TRUE(dm.codeLookup);
}

// ---- common data ---------------------------------------------------------------------------

TEST_F(DataM1Test, CommonDataNumbersAreNormalised) {
    open();
    dm.Hspl.Edit();
    common("C1")->Clear();
    common("Ho")->Clear();
    dm.Hspl.Post();
    EXPECT_EQ(common("C1")->AsInteger(), 0);
    EXPECT_FALSE(common("C1")->IsNull());
    EXPECT_FALSE(common("Ho")->IsNull());

    dm.Hspl.Edit();
    common("Ko")->Clear();
    try {
        dm.Hspl.Post();
        FAIL() << "an empty number of copies was stored";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.message(), "0 není platná hodnota pro pole 'Ko'. Povolený rozsah je od 1 do 999");
    }
    EXPECT_EQ(dm.Hspl.State(), TDataSetState::Edit);
    dm.Hspl.Cancel();
}

TEST_F(DataM1Test, PeriodIsCheckedOnlyWhileTheExtendedSearchIsOpen) {
    open();
    dm.Hspl.Edit();
    common("Evc1o")->setAsInteger(10);
    common("D1o")->setAsDate(QDate(2013, 5, 1));
    common("D1d")->setAsDate(QDate(2013, 4, 1));
    dm.Hspl.Post();
    EXPECT_TRUE(common("Evc1d")->IsNull());
    EXPECT_TRUE(messages.empty());

    dm.extendedSearchOpen = true;
    dm.Hspl.Edit();
    common("D1o")->Clear();
    dm.Hspl.Post();
    EXPECT_EQ(common("Evc1d")->AsInteger(), 10);
    EXPECT_EQ(common("D1o")->AsDate(), QDate(2013, 4, 1));

    dm.Hspl.Edit();
    common("Evc1o")->Clear();
    common("Evc1d")->setAsInteger(25);
    common("D1o")->setAsDate(QDate(2013, 4, 2));
    EXPECT_THROW(dm.Hspl.Post(), EAbort);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].kind, DmMessage::Information);
    EXPECT_EQ(messages[0].text, "Datum konec období nemůže být menší než datum začátek období.");
    EXPECT_EQ(dm.Hspl.State(), TDataSetState::Edit);

    common("D1d")->setAsDate(QDate(2013, 4, 2));
    dm.Hspl.Post();
    EXPECT_EQ(common("Evc1o")->AsInteger(), 25);
}

// ---- calculated name -----------------------------------------------------------------------

TEST_F(DataM1Test, NameWithAuthor) {
    open();
    addCard("Amanita muscaria", 1, "(L.) Lam.");
    EXPECT_EQ(card("Nlak")->AsString(), "Amanita muscaria ((L.) Lam.)");
    addCard("Amanita muscaria", 2);
    EXPECT_EQ(card("Nlak")->AsString(), "Amanita muscaria");

    dm.HdokQr.Open();
    QStringList names;
    for (dm.HdokQr.First(); !dm.HdokQr.Eof(); dm.HdokQr.Next()) names << dm.HdokQr.FieldByName("Nlak")->AsString();
    names.sort();
    EXPECT_EQ(names, (QStringList{"Amanita muscaria", "Amanita muscaria ((L.) Lam.)"}));
}

// ---- status texts --------------------------------------------------------------------------

TEST_F(DataM1Test, PositionAndEditTexts) {
    open();
    dm.HdokR1();
    EXPECT_EQ(panels[1], "0/0");
    EXPECT_EQ(panels[2], "");
    for (int i = 1; i <= 10; ++i) addCard("Species", i);
    EXPECT_EQ(dm.cardCount, 10);
    EXPECT_EQ(panels[1], "10/10");  // after each post

    dm.Hdok.First();
    dm.Hdok.MoveBy(2);
    EXPECT_EQ(panels[1], "3/10");  // moving updates the position
    dm.Hdok.Edit();
    EXPECT_EQ(panels[2], "EDIT");
    dm.Hdok.Cancel();
    EXPECT_EQ(panels[2], "");
    dm.Hdok.Insert();
    EXPECT_EQ(panels[1], "Nový záznam");
    dm.Hdok.Cancel();

    dm.Hdok.Delete();
    EXPECT_EQ(dm.cardCount, 9);
    EXPECT_EQ(panels[1], "3/9");

    // A selection shows its size instead of a position.
    for (int evc : {1, 2, 4, 5, 6}) {
        ASSERT_TRUE(dm.Hdok.Locate("Evc", evc));
        dm.Hdok.Edit();
        card("Neh")->setAsString("A");
        dm.Hdok.Post();
    }
    dm.Hdok.setFilter("Neh = 'A'");
    dm.Hdok.setFiltered(true);
    dm.HdokR1();
    EXPECT_EQ(panels[1], "Výběr 5");
    dm.Hdok.Insert();
    EXPECT_EQ(panels[1], "Nový záznam");
    dm.Hdok.Cancel();
}

TEST_F(DataM1Test, CatalogueAndSearchCursorTexts) {
    open();
    addCard("Boletus edulis", 1);
    dm.Hdath.Append();
    dm.Hdath.FieldByName("Nlad")->setAsString("Boletus edulis");
    dm.Hdath.Post();
    EXPECT_EQ(dm.speciesCount, 1);
    EXPECT_EQ(panels[1], "1/1");

    panels.clear();
    dm.Hdok1Ref1();
    EXPECT_EQ(panels, (std::map<int, QString>{{1, ""}, {2, ""}}));
    dm.cardWindowOpen = true;
    dm.Hdok1Ref1();
    EXPECT_EQ(panels[1], "1/1");

    dm.Hdok3.Open();
    dm.Hdok3R1();
    EXPECT_EQ(dm.searchCount, 1);
    EXPECT_EQ(panels[1], "1/1");
    dm.Hdok3.Edit();
    EXPECT_EQ(panels[2], "EDIT");
    dm.Hdok3.Cancel();

    // While the tables are being opened nothing is written.
    dm.statusUpdate = false;
    panels.clear();
    dm.Hdok.Insert();
    dm.Hdok.Cancel();
    EXPECT_TRUE(panels.empty());
}

// ---- picking a date ------------------------------------------------------------------------

TEST_F(DataM1Test, PickingADate) {
    open();
    addCard("Boletus edulis");
    QDate offered;
    bool accept = false;
    dm.pickDate = [&](QDate& date) {
        offered = date;
        date = QDate(2012, 9, 30);
        return accept;
    };
    dm.KDatum(dm.Hdok, "D");
    EXPECT_EQ(offered, QDate::currentDate());
    EXPECT_EQ(dm.Hdok.State(), TDataSetState::Browse);
    EXPECT_TRUE(card("D")->IsNull());

    accept = true;
    dm.KDatum(dm.Hdok, "D");
    EXPECT_EQ(dm.Hdok.State(), TDataSetState::Edit);
    EXPECT_EQ(card("D")->AsDate(), QDate(2012, 9, 30));
    dm.Hdok.Post();

    accept = false;
    dm.KDatum(dm.Hdok, "D");
    EXPECT_EQ(offered, QDate(2012, 9, 30));
}
