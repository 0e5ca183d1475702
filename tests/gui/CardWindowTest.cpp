// The card window driven by the keyboard on a real firm: code lookups, picking from the
// catalogues, numbering, catalogue transfers, the key table, closing, the picture and the date.
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>

#include "CardsFixture.h"
#include "Emtfh.h"
#include "EvzhDt.h"
#include "Find22.h"
#include "FormSupport.h"
#include "TDBNavigator.h"

class CardWindowTest : public CardsFixture {
protected:
    void TearDown() override {
        TEkzpForm::executeFile = m_executeFile;
        TEkzpForm::choosePictureFile = m_chooseFile;
        CardsFixture::TearDown();
    }
    decltype(TEkzpForm::executeFile) m_executeFile = TEkzpForm::executeFile;
    decltype(TEkzpForm::choosePictureFile) m_chooseFile = TEkzpForm::choosePictureFile;
};

TEST_F(CardWindowTest, CodeLookupsCopyTheCatalogueOrEmptyTheNamesAndOfferTheCatalogue) {
    addSpecies("BOED", "Boletus edulis", "Bull.", "hřib smrkový");
    addSpecies("", "Agaricus campestris", "L.", "pečárka polní");
    addLocality("PIS", "Písek");
    addLocality("", "Bez kódu");
    TEkzpForm* w = showCardWindow();

    // A new card; leaving the code box fills the names.
    press(Qt::Key_Insert);
    typeInto(w->DBEditKdh, "BOED");
    focus(w->DBEditNla);
    EXPECT_EQ(DM1->Hdok.State(), TDataSetState::Insert);
    EXPECT_EQ(card("Nla") + "|" + card("Ato") + "|" + card("Nce"), "Boletus edulis|Bull.|hřib smrkový");

    // Names typed by hand survive leaving the unchanged code again.
    w->DBEditNla->selectAll();
    typeText(w->DBEditNla, "Boletus reticulatus");
    focus(w->DBEditKdh);
    focus(w->DBEditAto);
    EXPECT_EQ(card("Nla"), "Boletus reticulatus");

    // Letter case counts: no match empties the names and keeps the code; back to the code copies
    // again. An emptied code empties the names, whatever catalogue row has no code.
    struct Step {
        const char* code;
        const char* names;
    };
    for (const Step& s : {Step{"", "||"}, Step{"boed", "||"}, Step{"BOED", "Boletus edulis|Bull.|hřib smrkový"}}) {
        SCOPED_TRACE(s.code);
        focus(w->DBEditKdh);
        w->DBEditKdh->selectAll();
        QTest::keyClick(w->DBEditKdh, Qt::Key_Backspace);
        typeText(w->DBEditKdh, s.code);
        focus(w->DBEditNla);
        EXPECT_EQ(card("Kdh"), s.code);
        EXPECT_EQ(card("Nla") + "|" + card("Ato") + "|" + card("Nce"), s.names);
    }

    // The locality code fills or empties the locality name only.
    for (const Step& s : {Step{"PIS", "Písek"}, Step{"", ""}, Step{"XYZ", ""}}) {
        SCOPED_TRACE(s.code);
        focus(w->DBEditKdl);
        w->DBEditKdl->selectAll();
        QTest::keyClick(w->DBEditKdl, Qt::Key_Backspace);
        typeText(w->DBEditKdl, s.code);
        focus(w->DBEditLk);
        EXPECT_EQ(card("Lk"), s.names);
        EXPECT_EQ(card("Nla"), "Boletus edulis");
    }

    // With "Sdt" an empty code opens the catalogue on leaving (every time); without, never.
    for (bool offer : {true, false}) {
        SCOPED_TRACE(offer);
        setCommon("Sdt", offer);
        int opened = 0;
        if (offer) {
            whenShown<TEkdh1Form>([&](TEkdh1Form* f) {
                ++opened;
                EXPECT_TRUE(f->CopyButton->isVisible());
                click(f->CloseButton);
            });
        }
        focus(w->DBEditKdh);
        w->DBEditKdh->clear();
        w->DBEditKdh->selectAll();
        QTest::keyClick(w->DBEditKdh, Qt::Key_Backspace);
        typeText(w->DBEditKdh, "X");
        QTest::keyClick(w->DBEditKdh, Qt::Key_Backspace);
        focus(w->DBEditNla);
        QTest::qWait(20);
        EXPECT_EQ(opened, offer ? 1 : 0);
        EXPECT_EQ(Ekdh1Form, nullptr);
    }
}

TEST_F(CardWindowTest, PickingFromEitherCatalogueWithPrenestEnterOrDoubleClickAndZavritChangesNothing) {
    addSpecies("AMMU", "Amanita muscaria", "(L.) Lam.", "muchomůrka červená");
    addSpecies("BOED", "Boletus edulis", "Bull.", "hřib smrkový");
    // A second species of the same code, found first by a lookup of that code.
    addSpecies("BOED", "Boletus aereus", "Bull.", "hřib bronzový");
    addLocality("CHL", "Chlum");
    addLocality("PIS", "Písek");
    addCard(1, "Původní", "Původní");
    TEkzpForm* w = showCardWindow();

    struct Road {
        const char* name;
        std::function<void(TCatalogueForm*)> act;
        bool picks;
    };
    const Road roads[] = {
        {"Přenést", [](TCatalogueForm* f) { click(f->CopyButton); }, true},
        {"Enter", [](TCatalogueForm* f) { QTest::keyClick(f->grid(), Qt::Key_Return, Qt::ShiftModifier); }, true},
        {"double click",
         [](TCatalogueForm* f) {
             // A double click is a click followed by the double-click event.
             const QPoint at = f->grid()->visualRect(f->grid()->currentIndex()).center();
             QTest::mouseClick(f->grid()->viewport(), Qt::LeftButton, {}, at);
             QTest::mouseDClick(f->grid()->viewport(), Qt::LeftButton, {}, at);
         },
         true},
        {"Zavřít", [](TCatalogueForm* f) { click(f->CloseButton); }, false},
    };
    for (const Road& road : roads) {
        for (bool species : {true, false}) {
            SCOPED_TRACE(std::string(road.name) + (species ? " species" : " locality"));
            DM1->Hdok.Cancel();
            QApplication::setActiveWindow(w);
            ASSERT_TRUE(QTest::qWaitForWindowActive(w));
            TTable& catalogue = species ? DM1->Hdath : DM1->Hdatl;
            catalogue.Last();  // the catalogue opens on its current row: the second one
            bool shown = false;
            auto act = [&](TCatalogueForm* f) {
                shown = true;
                EXPECT_TRUE(f->pickMode());
                EXPECT_EQ(f->focusWidget(), f->grid());
                road.act(f);
            };
            if (species) {
                whenShown<TEkdh1Form>(act);
            } else {
                whenShown<TEkdl1Form>(act);
            }
            focus(species ? w->DBEditKdh : w->DBEditKdl);
            press(Qt::Key_F7, Qt::ShiftModifier);
            ASSERT_TRUE(shown);
            const QString got = species ? card("Kdh") + "|" + card("Nla") + "|" + card("Ato") + "|" + card("Nce")
                                        : card("Kdl") + "|" + card("Lk");
            const QString picked = species ? "BOED|Boletus edulis|Bull.|hřib smrkový" : "PIS|Písek";
            const QString before = species ? "|Původní||" : "|Původní";
            EXPECT_EQ(got, road.picks ? picked : before);
            EXPECT_EQ(DM1->Hdok.State(), road.picks ? TDataSetState::Edit : TDataSetState::Browse);
            // Leaving the code box after a pick does not look the picked code up again (the
            // first species of that code is another one).
            QApplication::setActiveWindow(w);
            ASSERT_TRUE(QTest::qWaitForWindowActive(w));
            ASSERT_EQ(QApplication::focusWidget(), species ? w->DBEditKdh : w->DBEditKdl);
            focus(w->DBEditAto);
            EXPECT_EQ(species ? card("Nla") : card("Lk"),
                      road.picks ? (species ? "Boletus edulis" : "Písek") : "Původní");
        }
    }
    // The link labels pick as well.
    whenShown<TEkdl1Form>([](TEkdl1Form* f) {
        DM1->Hdatl.First();
        click(f->CopyButton);
    });
    QTest::mouseClick(w->LabelLk, Qt::LeftButton);
    EXPECT_EQ(card("Lk"), "Chlum");
}

TEST_F(CardWindowTest, NumberingContinuesAfterTheSavedNumberEmptyIsZeroAndDuplicatesAreRefused) {
    addCard(100);
    TEkzpForm* w = showCardWindow();
    auto newCard = [&](const QString& number) {
        press(Qt::Key_Insert);
        EXPECT_TRUE(w->DBEditEvc->hasFocus());
        const QString proposed = w->DBEditEvc->text();
        // The proposed number is selected: typing replaces it.
        if (number.isEmpty()) {
            QTest::keyClick(w->DBEditEvc, Qt::Key_Backspace);
        } else {
            typeText(w->DBEditEvc, number);
        }
        press(Qt::Key_F9);
        return proposed;
    };
    EXPECT_EQ(newCard("57"), "101");
    EXPECT_EQ(card("Evc"), "57");
    EXPECT_EQ(newCard(""), "58");  // 58 although 100 exists
    EXPECT_EQ(card("Evc"), "0");
    EXPECT_EQ(common("Cislo"), "1");

    EXPECT_EQ(newCard("100"), "1");
    EXPECT_EQ(messages.last(), "Duplicitní klíč - evidenční číslo");
    EXPECT_EQ(messages.boxes.last().kind, MsgKind::Error);
    EXPECT_EQ(DM1->Hdok.State(), TDataSetState::Insert);
    w->DBEditEvc->selectAll();
    typeText(w->DBEditEvc, "101");
    press(Qt::Key_F9);
    EXPECT_EQ(DM1->Hdok.State(), TDataSetState::Browse);
    EXPECT_EQ(DM1->Hdok.RecordCount(), 4);

    // Only digits and signs go into the number.
    press(Qt::Key_F4);
    focus(w->DBEditEvc);
    w->DBEditEvc->selectAll();
    typeText(w->DBEditEvc, "a-1+2b");
    EXPECT_EQ(w->DBEditEvc->text(), "-1+2");
    messages.answer(MsgResult::No);
    press(Qt::Key_Escape);
}

TEST_F(CardWindowTest, TransferFlagsAddOnlySpeciesAndLocalitiesNotInTheCatalogue) {
    addSpecies("BOED", "Boletus edulis", "Bull.", "hřib smrkový");
    addLocality("PIS", "Písek");
    TEkzpForm* w = showCardWindow();
    struct Case {
        const char* nce;
        const char* lk;
        int species;
        int localities;
    };
    // Identical values add nothing; a difference of letter case adds a row.
    for (const Case& c : {Case{"hřib smrkový", "Písek", 1, 1}, Case{"Hřib smrkový", "písek", 2, 2}}) {
        SCOPED_TRACE(c.nce);
        press(Qt::Key_Insert);
        typeInto(w->DBEditKdh, "BOED");
        focus(w->DBEditNce);
        w->DBEditNce->selectAll();
        typeText(w->DBEditNce, c.nce);
        typeInto(w->DBEditKdl, "PIS");
        focus(w->DBEditLk);
        w->DBEditLk->selectAll();
        typeText(w->DBEditLk, c.lk);
        for (TDBCheckBoxz* box : {w->DBCheckBoxPdh, w->DBCheckBoxPdl}) {
            focus(box);
            QTest::keyClick(box, Qt::Key_Space);
            EXPECT_TRUE(box->isChecked());
        }
        press(Qt::Key_F9);
        EXPECT_EQ(DM1->Hdath.RecordCount(), c.species);
        EXPECT_EQ(DM1->Hdatl.RecordCount(), c.localities);
        EXPECT_FALSE(DM1->Hdok.FieldByName("Pdh")->AsBoolean());
        EXPECT_FALSE(w->DBCheckBoxPdl->isChecked());
    }
}

TEST_F(CardWindowTest, KeyTableMovesDeletesEditsAndMatchesModifiersExactly) {
    for (int i = 1; i <= 5; ++i) addCard(i, QStringLiteral("Druh %1").arg(i));
    DM1->Hdok.Last();
    cards::cardGoToFirst = true;
    TEkzpForm* w = showCardWindow();
    EXPECT_EQ(card("Evc"), "1");  // the go-to-first request
    EXPECT_FALSE(cards::cardGoToFirst);
    focus(w->DBEditNla);
    w->DBEditNla->end(false);

    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        const char* evc;
    };
    const Step steps[] = {
        {Qt::Key_End, Qt::ControlModifier, "5"},      {Qt::Key_End, Qt::ControlModifier, "5"},
        {Qt::Key_PageUp, Qt::NoModifier, "4"},        {Qt::Key_PageUp, Qt::ShiftModifier, "4"},
        {Qt::Key_PageDown, Qt::NoModifier, "5"},      {Qt::Key_PageDown, Qt::NoModifier, "5"},
        {Qt::Key_Home, Qt::ControlModifier, "1"},     {Qt::Key_PageUp, Qt::NoModifier, "1"},
        {Qt::Key_PageDown, Qt::ControlModifier, "1"},
    };
    for (const Step& s : steps) {
        press(s.key, s.mods);
        EXPECT_EQ(card("Evc"), s.evc) << "after key " << s.key << " with " << int(s.mods);
        if (&s == &steps[0]) {
            EXPECT_EQ(w->DBEditNla->cursorPosition(), 0);  // the box received Home
        }
    }
    EXPECT_EQ(w->rememberedSpeciesCode(), card("Kdh"));

    // Ctrl+Y and Ctrl+Del ask (Ano, Ne) and delete on Ano only; the box keeps its text.
    messages.answer(MsgResult::No);
    press(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(DM1->Hdok.RecordCount(), 5);
    EXPECT_EQ(messages.last(), "Smazat záznam?");
    EXPECT_EQ(messages.boxes.last().buttons, MsgButtons::YesNo);
    press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(DM1->Hdok.RecordCount(), 4);
    EXPECT_EQ(card("Evc"), "2");
    EXPECT_EQ(w->DBEditNla->text(), "Druh 2");

    // F4 edits, Esc asks: Ne drops the change; F9 saves; Insert starts a new card in the number.
    press(Qt::Key_F4);
    EXPECT_EQ(DM1->Hdok.State(), TDataSetState::Edit);
    typeText(w->DBEditNla, " x");
    messages.answer(MsgResult::No);
    press(Qt::Key_Escape);
    EXPECT_EQ(messages.last(), "Uložit provedené změny?");
    EXPECT_EQ(card("Nla"), "Druh 2");
    focus(w->DBEditNla);
    typeText(w->DBEditNla, " y");
    press(Qt::Key_F9);
    EXPECT_EQ(card("Nla"), "Druh 2 y");
    press(Qt::Key_F2);
    EXPECT_EQ(DM1->Hdok.State(), TDataSetState::Insert);
    EXPECT_TRUE(w->DBEditEvc->hasFocus());
    press(Qt::Key_Y, Qt::ControlModifier);  // a new card is just dropped
    EXPECT_EQ(DM1->Hdok.State(), TDataSetState::Browse);
    EXPECT_EQ(DM1->Hdok.RecordCount(), 4);

    // Esc in browse state closes the window.
    QPointer<TEkzpForm> guard(w);
    press(Qt::Key_Escape);
    EXPECT_TRUE(!guard || !guard->isVisible());
}

TEST_F(CardWindowTest, ClosingAsksSavesPrintsAndRestoresTheOrder) {
    addCard(110, "Amanita", "Zahrada");
    addCard(120, "Boletus", "Alej");
    forms::writeFirmInteger("Vyhledavani22Podle", 3);  // by locality
    TEkzpForm* w = showCardWindow();
    EXPECT_EQ(w->windowTitle(), "Kartotéka - podle lokality");
    EXPECT_EQ(DM1->Hdok.IndexFieldNames(), "Lk");
    DM1->Hdok.First();
    EXPECT_EQ(card("Evc"), "120");
    focus(w->DBEditDt);
    typeText(w->DBEditDt, "Novák");

    // Storno keeps the window, Ano saves; the question names the caption.
    messages.answer(MsgResult::Cancel);
    click(w->CloseButton);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(messages.last(), "V tabulce Kartotéka - podle lokality byly provedeny změny.\nUložit záznam?");
    EXPECT_EQ(messages.boxes.last().buttons, MsgButtons::YesNoCancel);
    QSignalSpy finished(w, &QDialog::finished);
    messages.answer(MsgResult::Yes);
    click(w->PrnBitBtn);
    ASSERT_EQ(finished.size(), 1);
    EXPECT_EQ(finished[0][0].toInt(), TEkzpForm::PrintResult);
    EXPECT_EQ(common("C1") + "-" + common("C2"), "120-120");
    EXPECT_EQ(DM1->Hdok.IndexFieldNames(), "Evc");
    EXPECT_EQ(card("Evc"), "120");  // reopened on the remembered card
    EXPECT_EQ(card("Dt"), "Novák");
    EXPECT_TRUE(IniFile(MainForm->firmSettingsPath()).hasKey("D1", "Kartoteka1Top"));
    EXPECT_TRUE(MainForm->statusText(1).isEmpty());

    // Opened from correction: no "Tisk", F3 does nothing, the caller's order stays.
    DM1->Hdok.setIndexFieldNames("Nla");
    w = showCardWindow(true);
    EXPECT_FALSE(w->PrnBitBtn->isVisible());
    EXPECT_EQ(DM1->Hdok.IndexFieldNames(), "Nla");
    press(Qt::Key_F3);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    messages.answer(MsgResult::No);
    focus(w->DBEditDt);
    typeText(w->DBEditDt, "x");
    click(w->CloseButton);  // Ne drops the change and closes
    EXPECT_EQ(card("Dt"), "Novák");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(EkzpForm);
}

TEST_F(CardWindowTest, PictureIsChosenAndShownOrItsProblemIsReported) {
    TempDir pictures;
    const QString photo = pictures.path() + "hrib.jpg";
    QFile(photo).open(QIODevice::WriteOnly);
    QStringList calls;
    bool succeeds = true;
    TEkzpForm::executeFile = [&](const QString& file, const QString& parameters) {
        calls << file + " " + parameters;
        return succeeds;
    };
    QString startedIn;
    QString chosen = photo;
    TEkzpForm::choosePictureFile = [&](QWidget*, const QString& folder) {
        startedIn = folder;
        return chosen;
    };
    addCard(1);
    TEkzpForm* w = showCardWindow();

    click(w->ButtonOb);
    EXPECT_EQ(messages.last(), "Není vybraný soubor.");
    // The chooser starts at the folder typed, else at the root of the data directory's file system.
    click(w->BitBtnAdr1);
    EXPECT_EQ(startedIn, "/");
    EXPECT_EQ(card("Obr"), photo);
    EXPECT_EQ(DM1->Hdok.State(), TDataSetState::Edit);
    EXPECT_TRUE(w->DBEditObr->hasFocus());
    chosen.clear();  // cancelled: nothing changes
    click(w->BitBtnAdr1);
    EXPECT_EQ(startedIn, pictures.path());
    EXPECT_EQ(card("Obr"), photo);

    struct Case {
        bool viewer;
        bool succeeds;
        QString call;
        QString message;
    };
    const Case cases[] = {
        {false, true, photo + " ", ""},
        {true, true, "prohlizec \"" + photo + "\"", ""},
        {false, false, photo + " ", "Soubor " + photo + " se nepodařilo otevřít."},
        {true, false, "prohlizec \"" + photo + "\"",
         "Prohlížeč obrázků prohlizec se nepodařilo spustit, soubor " + photo + " nelze otevřít."},
    };
    press(Qt::Key_F9);
    setCommon("Pobr", "prohlizec");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.call.toStdString());
        setCommon("Spr", c.viewer);
        succeeds = c.succeeds;
        calls.clear();
        const int boxes = messages.boxes.size();
        click(w->ButtonOb);
        EXPECT_EQ(calls, QStringList{c.call});
        EXPECT_EQ(messages.boxes.size() > boxes ? messages.last() : QString(), c.message);
    }
    // A path typed but not written yet is written first, then found missing.
    focus(w->DBEditObr);
    w->DBEditObr->selectAll();
    typeText(w->DBEditObr, pictures.path() + "chybi.jpg");
    click(w->ButtonOb);
    EXPECT_EQ(messages.last(), "Soubor neexistuje.");
    EXPECT_EQ(card("Obr"), pictures.path() + "chybi.jpg");
}

TEST_F(CardWindowTest, DatesAreCompletedWhenTypedAndPickedFromTheCalendar) {
    addCard(1);
    TEkzpForm* w = showCardWindow();
    focus(w->DBEditD);
    typeText(w->DBEditD, "3/4");
    focus(w->DBEditDt);
    EXPECT_EQ(DM1->Hdok.FieldByName("D")->AsDate(), QDate(QDate::currentDate().year(), 4, 3));

    whenShown<TEvzhDtForm>([](TEvzhDtForm* calendar) {
        EXPECT_EQ(calendar->date(), QDate(QDate::currentDate().year(), 4, 3));
        calendar->setDate(QDate(2013, 9, 21));
        click(calendar->OKButton);
    });
    focus(w->DBEditD);
    press(Qt::Key_F7, Qt::ShiftModifier);
    EXPECT_EQ(card("D"), "21.09.2013");
}

TEST_F(CardWindowTest, MainWindowOpensCardEntryOnTheFirstCardOrOnThePrintedOneAndHandsThePrintOn) {
    for (int evc : {5, 7, 9}) addCard(evc);
    DM1->Hdok.Last();
    MainForm->setStatusText(0, "hint");
    bool shown = false;
    bool printShown = false;
    whenShown<TEkzpForm>([&](TEkzpForm* w) {
        shown = true;
        EXPECT_EQ(card("Evc"), "5");
        EXPECT_EQ(MainForm->statusText(1), "1/3");
        DM1->Hdok.Next();
        // The print request opens the print selection, closed here at once.
        whenShown<TEmtfhForm>([&](TEmtfhForm* print) {
            printShown = true;
            print->reject();
        });
        click(w->PrnBitBtn);
    });
    MainForm->action("Zpisdokartotky1")->trigger();
    ASSERT_TRUE(shown);
    EXPECT_TRUE(printShown);
    EXPECT_EQ(common("C1") + "-" + common("C2"), "7-7");
    EXPECT_TRUE(MainForm->statusText(0).isEmpty());  // the print hand-over re-read the tables

    shown = false;
    whenShown<TEkzpForm>([&](TEkzpForm* w) {
        shown = true;
        EXPECT_EQ(card("Evc"), "7");  // the card of the label, not the first one
        click(w->CloseButton);
    });
    MainForm->ZapisN2(true);
    EXPECT_TRUE(shown);
}
