// The fungi and locality catalogue windows: opening from the main window, the keys, the stored
// order, the close query and the closing sequence.
#include <QSignalSpy>

#include "CardsFixture.h"
#include "FormSupport.h"

class CatalogueWindowTest : public CardsFixture {
protected:
    void SetUp() override {
        CardsFixture::SetUp();
        addSpecies("BOED", "Boletus edulis", "Bull.", "hřib smrkový");
        addSpecies("AMMU", "Amanita muscaria", "(L.) Lam.", "muchomůrka červená");
        addSpecies("CACI", "Cantharellus cibarius", "Fr.", "liška obecná");
    }
    static QString species() { return DM1->Hdath.FieldByName("Nlad")->AsString(); }
};

TEST_F(CatalogueWindowTest, MainWindowCommandOpensOnTheFirstRowWithoutPicking) {
    DM1->Hdath.Last();
    bool seen = false;
    whenShown<TEkdh1Form>([&](TEkdh1Form* f) {
        seen = true;
        EXPECT_EQ(species(), "Amanita muscaria");
        EXPECT_FALSE(f->CopyButton->isVisible());
        EXPECT_EQ(f->focusWidget(), f->DBEditKodh);
        EXPECT_EQ(MainForm->statusText(1), "1/3");
        // Outside pick mode Enter and a double click in the grid do nothing.
        f->DBGridHdath->setFocus();
        QTest::keyClick(f->DBGridHdath, Qt::Key_Return);
        EXPECT_TRUE(f->isVisible());
        QTest::keyClick(f->DBGridHdath, Qt::Key_Escape);
    });
    MainForm->action("Databazehub1")->trigger();
    EXPECT_TRUE(seen);
    EXPECT_FALSE(cards::cataloguesGoToFirst);
    EXPECT_FALSE(Ekdh1Form);
}

TEST_F(CatalogueWindowTest, KeysMoveEditDeleteWithoutAskingAndEnterCyclesTheEditFrame) {
    cards::pickMode = false;
    TEkdh1Form* f = showWindow(new TEkdh1Form(MainForm));
    DM1->Hdath.First();

    // Enter moves through the frame; in the last box it goes back to the code, Shift+Enter to the author.
    focus(f->DBEditNced);
    press(Qt::Key_Return);
    EXPECT_TRUE(f->DBEditKodh->hasFocus());
    focus(f->DBEditNced);
    press(Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_TRUE(f->DBEditAtod->hasFocus());

    // Tab in the grid walks the columns and on to the next row, Shift+Tab back to the previous
    // row's last column; past the last row Tab leaves the grid.
    focus(f->DBGridHdath);
    f->DBGridHdath->setCurrentIndex(f->DBGridHdath->model()->index(0, 0));
    for (int i = 0; i < 4; ++i) press(Qt::Key_Tab);
    EXPECT_EQ(species(), "Boletus edulis");
    EXPECT_EQ(f->DBGridHdath->currentIndex().column(), 0);
    press(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(species(), "Amanita muscaria");
    EXPECT_EQ(f->DBGridHdath->currentIndex().column(), 3);
    press(Qt::Key_End, Qt::ControlModifier);
    press(Qt::Key_Tab);
    EXPECT_EQ(species(), "Cantharellus cibarius");
    EXPECT_FALSE(f->DBGridHdath->hasFocus());
    DM1->Hdath.First();
    focus(f->DBEditAtod);

    // PgDn, Ctrl+End with the caret sent home, and the exact modifiers.
    press(Qt::Key_PageDown);
    EXPECT_EQ(species(), "Boletus edulis");
    press(Qt::Key_PageDown, Qt::ShiftModifier);
    EXPECT_EQ(species(), "Boletus edulis");
    f->DBEditAtod->end(false);
    press(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(species(), "Cantharellus cibarius");
    EXPECT_EQ(f->DBEditAtod->cursorPosition(), 0);

    // F4 in the grid edits in the code box; Esc asks and Ne drops the change.
    focus(f->DBGridHdath);
    press(Qt::Key_F4);
    EXPECT_EQ(DM1->Hdath.State(), TDataSetState::Edit);
    EXPECT_TRUE(f->DBEditKodh->hasFocus());
    typeText(f->DBEditKodh, "X");
    messages.answer(MsgResult::No);
    press(Qt::Key_Escape);
    EXPECT_EQ(messages.last(), "Uložit provedené změny?");
    EXPECT_EQ(DM1->Hdath.FieldByName("Kodh")->AsString(), "CACI");

    // Insert starts a row in the code box; F9 saves any values, duplicates included.
    focus(f->DBGridHdath);
    press(Qt::Key_Insert);
    EXPECT_TRUE(f->DBEditKodh->hasFocus());
    typeText(f->DBEditKodh, "BOED");
    press(Qt::Key_F9);
    EXPECT_EQ(DM1->Hdath.RecordCount(), 4);

    // Ctrl+Y anywhere and Ctrl+Del in the grid delete at once, without a question.
    const int boxes = messages.boxes.size();
    focus(f->DBEditNlad);
    press(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(DM1->Hdath.RecordCount(), 3);
    focus(f->DBGridHdath);
    press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(DM1->Hdath.RecordCount(), 2);
    EXPECT_EQ(messages.boxes.size(), boxes);

    // Ctrl+Y in the grid leaves it on the row after the deleted one, not on the first row.
    addSpecies("HYFA", "Hypholoma fasciculare");
    addSpecies("LADE", "Lactarius deliciosus");
    DM1->Hdath.Locate("Kodh", "HYFA");
    focus(f->DBGridHdath);
    press(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(species(), "Lactarius deliciosus");
    f->reject();
}

TEST_F(CatalogueWindowTest, StoredOrderCaptionCloseQueryAndClosingBackInTheDefaultOrder) {
    struct Case {
        int stored;
        const char* order;
        const char* caption;
    };
    // A value outside the orders keeps the order and caption the window had.
    for (const Case& c : {Case{1, "Nced", "Databáze hub - podle názvu česky"},
                          Case{2, "Kodh", "Databáze hub - podle kódu"}, Case{5, "Nlad", "Databáze hub"}}) {
        SCOPED_TRACE(c.stored);
        forms::writeFirmInteger("Vyhledavani20Podle", c.stored);
        TEkdh1Form* f = showWindow(new TEkdh1Form(MainForm));
        EXPECT_EQ(DM1->Hdath.IndexFieldNames(), c.order);
        EXPECT_EQ(f->windowTitle(), c.caption);
        DM1->Hdath.Locate("Kodh", "CACI");
        f->reject();
        EXPECT_EQ(DM1->Hdath.IndexFieldNames(), "Nlad");  // closing resets the order
        EXPECT_EQ(species(), "Cantharellus cibarius");    // on the row that was current
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_TRUE(IniFile(MainForm->firmSettingsPath()).hasKey("D1", "DatabazeH1Left"));

    // The close query of an edited row: Storno stays, Ano saves and closes.
    TEkdl1Form* l = showWindow(new TEkdl1Form(MainForm));
    focus(l->DBGridHdatl);
    press(Qt::Key_Tab);  // an empty grid lets Tab go on
    EXPECT_FALSE(l->DBGridHdatl->hasFocus());
    focus(l->DBEditKodl);
    typeText(l->DBEditKodl, "CHL");
    press(Qt::Key_Return);
    EXPECT_TRUE(l->DBEditLkd->hasFocus());
    typeText(l->DBEditLkd, "Chlum");
    press(Qt::Key_Return, Qt::ShiftModifier);  // back to the code, not out of the frame
    EXPECT_TRUE(l->DBEditKodl->hasFocus());
    messages.answer(MsgResult::Cancel);
    click(l->CloseButton);
    EXPECT_TRUE(l->isVisible());
    EXPECT_EQ(messages.last(), "V tabulce Databáze lokalit - podle názvu byly provedeny změny.\nUložit záznam?");
    messages.answer(MsgResult::Yes);
    click(l->CloseButton);
    EXPECT_EQ(DM1->Hdatl.RecordCount(), 1);
    EXPECT_EQ(DM1->Hdatl.FieldByName("Lkd")->AsString(), "Chlum");
    EXPECT_TRUE(MainForm->statusText(1).isEmpty());
}
