// The find dialogs: nearest match while typing in the chosen order, the order stored per firm
// with the owning window's caption, and the card dialog's searches by number and date.
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>

#include "CardsFixture.h"
#include "Editz.h"
#include "Find20.h"
#include "Find21.h"
#include "Find22.h"
#include "FormSupport.h"

class FindDialogTest : public CardsFixture {};

TEST_F(FindDialogTest, CatalogueDialogFindsTheNearestRowWhileTypingAndStoresItsOrder) {
    for (const char* name :
         {"Amanita muscaria", "Boletus edulis", "Boletus reticulatus", "Cantharellus cibarius", "Čechravka"}) {
        addSpecies(QString::fromUtf8(name).left(4).toUpper(), QString::fromUtf8(name));
    }
    TEkdh1Form* owner = showWindow(new TEkdh1Form(MainForm));
    auto* f = showWindow(new TFind20Form(&DM1->Hdath, owner));
    EXPECT_TRUE(f->FindEdit->hasFocus());
    EXPECT_TRUE(f->item(0)->isChecked());
    EXPECT_EQ(f->FindEdit->toolTip(), "Zapište název nebo kód, zápis se vyhledá");
    auto nla = [] { return DM1->Hdath.FieldByName("Nlad")->AsString(); };

    // Each letter moves to the first name at or after the text in Czech order ("č" after "c").
    struct Step {
        const char* typed;
        const char* found;
    };
    for (const Step& s :
         {Step{"B", "Boletus edulis"}, Step{"Bol", "Boletus edulis"}, Step{"Bolr", "Cantharellus cibarius"},
          Step{"Ci", "Čechravka"}, Step{"Zz", "Čechravka"}, Step{"", "Amanita muscaria"}}) {
        f->FindEdit->clear();
        typeText(f->FindEdit, QString::fromUtf8(s.typed));
        EXPECT_EQ(nla(), QString::fromUtf8(s.found)) << s.typed;
    }

    // Choosing the code order renames the window and goes to the first row; the text stays.
    typeText(f->FindEdit, "Bo");
    f->item(2)->click();
    EXPECT_EQ(DM1->Hdath.IndexFieldNames(), "Kodh");
    EXPECT_EQ(owner->windowTitle(), "Databáze hub - podle kódu");
    EXPECT_EQ(nla(), "Amanita muscaria");
    EXPECT_EQ(f->FindEdit->text(), "Bo");
    // The order already chosen does not move the cursor.
    DM1->Hdath.Last();
    f->item(2)->click();
    EXPECT_EQ(nla(), QString::fromUtf8("Čechravka"));
    // Enter in the search box closes; the choice is stored and applied by the window.
    QTest::keyClick(f->FindEdit, Qt::Key_Return);
    const IniFile ini(MainForm->firmSettingsPath());
    EXPECT_EQ(ini.readInteger("D1", "Vyhledavani20Podle", -1), 2);
    EXPECT_TRUE(ini.hasKey("D1", "Vyhledavani20Top"));
    owner->Podle1();
    EXPECT_EQ(owner->windowTitle(), "Databáze hub - podle kódu");

    // The stored choice is applied when the dialog opens; a value out of range chooses nothing.
    f = showWindow(new TFind20Form(&DM1->Hdath, owner));
    EXPECT_TRUE(f->item(2)->isChecked());
    f->reject();
    forms::writeFirmInteger("Vyhledavani21Podle", 7);
    auto* l = showWindow(new TFind21Form(&DM1->Hdatl, owner));
    EXPECT_EQ(l->itemIndex(), -1);
    l->reject();
    EXPECT_EQ(IniFile(MainForm->firmSettingsPath()).readInteger("D1", "Vyhledavani21Podle", -1), 7);
    owner->reject();
}

TEST_F(FindDialogTest, CardDialogFindsByNumberNameAndDateAndTheCardWindowKeepsTheOrder) {
    const QDate today = QDate::currentDate();
    addCard(10, "Boletus edulis", "Písek", QDate(today.year(), today.month(), 3));
    addCard(20, "Amanita muscaria", "Chlum", QDate(today.year(), today.month(), 5));
    addCard(30, "Cantharellus cibarius", "Adamov", QDate(today.year(), today.month(), 9));
    TEkzpForm* w = showCardWindow();
    const QString month = today.toString(".MM.yyyy");
    bool driven = false;
    whenShown<TFind22Form>([&](TFind22Form* f) {
        driven = true;
        QApplication::setActiveWindow(f);
        EXPECT_TRUE(QTest::qWaitForWindowActive(f));
        EXPECT_TRUE(f->item(0)->isChecked());
        EXPECT_EQ(f->focusWidget(), f->FindEditEvc);
        EXPECT_FALSE(f->FindEdit->isVisibleTo(f));
        EXPECT_EQ(f->FindEditEvc->maxLength(), 6);
        EXPECT_EQ(f->FindEditD->maxLength(), 10);

        // A number: Enter goes on to "Najdi", which finds the card or says it is not there.
        for (const char* number : {"20", "99"}) {
            f->FindEditEvc->setFocus();
            f->FindEditEvc->clear();
            typeText(f->FindEditEvc, number);
            QTest::keyClick(f->FindEditEvc, Qt::Key_Return);
            EXPECT_TRUE(f->ButtonEvc->hasFocus());
            QTest::keyClick(f->ButtonEvc, Qt::Key_Return);
        }
        EXPECT_EQ(card("Evc"), "20");
        EXPECT_EQ(messages.last(), QString::fromUtf8("Zápis číslo 99 není zapsán v kartotéce."));

        // The locality order: caption, first card, emptied boxes, the name box alone.
        f->item(3)->click();
        EXPECT_EQ(w->windowTitle(), QString::fromUtf8("Kartotéka - podle lokality"));
        EXPECT_EQ(card("Evc"), "30");
        EXPECT_TRUE(f->FindEditEvc->text().isEmpty());
        EXPECT_TRUE(f->FindEdit->isVisibleTo(f));
        EXPECT_FALSE(f->ButtonEvc->isVisibleTo(f));
        typeText(f->FindEdit, "Ch");
        EXPECT_EQ(card("Evc"), "20");

        // A date: completed and shown in full; a missing one goes to the next later card.
        f->item(4)->click();
        struct Day {
            const char* typed;
            const char* evc;
            QString message;
        };
        for (const Day& d : {Day{"5", "20", ""}, Day{"4", "20", "Datum 04" + month + " není zapsán v kartotéce."},
                             Day{"xx", "20", "''" + TDM1::DatumAll("xx") + "'' není platný datum"}}) {
            SCOPED_TRACE(d.typed);
            const int boxes = messages.boxes.size();
            f->FindEditD->clear();
            typeText(f->FindEditD, d.typed);
            click(f->ButtonD);
            EXPECT_EQ(card("Evc"), d.evc);
            EXPECT_EQ(messages.boxes.size() > boxes ? messages.last() : QString(), d.message);
        }
        EXPECT_EQ(f->FindEditD->text(), "xx");
        f->FindEditD->clear();
        typeText(f->FindEditD, "5");
        click(f->ButtonD);
        EXPECT_EQ(f->FindEditD->text(), "05" + month);
        f->item(3)->click();
        click(f->CloseButton);
    });
    press(Qt::Key_F3);
    ASSERT_TRUE(driven);
    EXPECT_EQ(w->windowTitle(), QString::fromUtf8("Kartotéka - podle lokality"));
    w->reject();
    EXPECT_EQ(DM1->Hdok.IndexFieldNames(), "Evc");
    // The next opening is in locality order again.
    w = showCardWindow();
    EXPECT_EQ(DM1->Hdok.IndexFieldNames(), "Lk");
    EXPECT_EQ(w->windowTitle(), QString::fromUtf8("Kartotéka - podle lokality"));
    w->reject();
}
