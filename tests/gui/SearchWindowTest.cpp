// The search and correction window and the extended search on a real firm: orders and find
// boxes, the marking statement, selections and their marks on disk, correction, the print
// hand-over, and a program killed while holding a selection.
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>

#include "CardsFixture.h"
#include "DBEditz.h"
#include "Ekdh1.h"
#include "Ekdl1.h"
#include "Ekov.h"
#include "Emtfh.h"
#include "Ekvh.h"
#include "FormSupport.h"
#include "TDBGrid.h"
#include "TQuery.h"
#include "TextFit.h"

class SearchWindowTest : public CardsFixture {
protected:
    // Cards 1..4: two Amanitas, a Boletus, a Russula; two of them at Písek.
    void addCards() {
        addCard(1, "Amanita muscaria", "Písek", QDate(2013, 5, 10));
        addCard(2, "Boletus edulis", "Písek", QDate(2013, 6, 1));
        addCard(3, "Amanita rubescens", "Tábor", QDate(2013, 7, 20));
        addCard(4, "Russula_x 50%", "Tábor", QDate(2013, 8, 2));
    }
    // The search window as its command opens it, without its own event loop.
    TEkovForm* showBrowser() {
        DM1->Hdok3.Open();
        DM1->Hdok3.First();
        return showWindow(new TEkovForm(MainForm));
    }
    void closeBrowser(TEkovForm* w) {
        click(w->CloseButton);
        DM1->Hdok3.Close();
    }
    // The marks of the cards as stored, in number order ("NNAN").
    QString marksOnDisk() {
        OtherSession other(dataDir + "D1");
        TTable t;
        t.setDatabase(&other.db);
        t.TableName = "Hdok.DB";
        t.setIndexFieldNames("Evc");
        t.Open();
        QString marks;
        for (t.First(); !t.Eof(); t.Next()) marks += t.FieldByName("Neh")->AsString();
        return marks;
    }
    // The numbers of the cards the search cursor shows, in its order.
    static QString shownCards() {
        QStringList evc;
        TTable& t = DM1->Hdok3;
        for (t.First(); !t.Eof(); t.Next()) evc << t.FieldByName("Evc")->AsString();
        return evc.join(',');
    }
    // The offscreen platform does not always activate a dialog or the window below it again.
    static void activate(QWidget* w) {
        QApplication::setActiveWindow(w);
        EXPECT_TRUE(QTest::qWaitForWindowActive(w));
    }
    static void setCriteria(std::initializer_list<std::pair<const char*, QVariant>> values) {
        TTable& h = DM1->Hspl;
        h.Edit();
        for (const char* f : {"Kdh1", "Nla1", "Nce1", "Kdl1", "Lk1", "Evc1o", "Evc1d", "D1o", "D1d"}) h.FieldByName(f)->Clear();
        for (const char* f : {"Nlt", "Nct", "Lkt"}) h.FieldByName(f)->setAsBoolean(false);
        for (const auto& [field, value] : values) h.FieldByName(field)->setValue(value);
        h.Post();
    }
};

TEST_F(SearchWindowTest, OrderChoiceFindBoxesAndTheThreeSearches) {
    addCards();
    const QDate today = QDate::currentDate();
    addCard(5, "Cantharellus cibarius", "Brno", QDate(today.year(), today.month(), 15));
    forms::writeFirmInteger("VyhledavaniPodle1", 3);
    TEkovForm* w = showBrowser();

    EXPECT_EQ(clippedTexts(w).join("; ").toStdString(), "");
    // The stored choice: by locality, with the name box only.
    EXPECT_TRUE(w->RadioButtonLk1->isChecked());
    EXPECT_EQ(DM1->Hdok3.IndexFieldNames(), "Lk");
    EXPECT_TRUE(w->FindEdit->isVisible());
    EXPECT_FALSE(w->FindEditEvc->isVisible() || w->FindEditD->isVisible() || w->ButtonD->isVisible());

    // Each choice shows its own boxes and sorts by its field; the current card stays.
    struct Choice {
        QRadioButton* radio;
        const char* order;
        QWidget* box;
    };
    DM1->Hdok3.Locate("Evc", 3);
    for (const Choice& c : {Choice{w->RadioButtonEvc1, "Evc", w->FindEditEvc}, Choice{w->RadioButtonNla1, "Nla", w->FindEdit},
                            Choice{w->RadioButtonNce1, "Nce", w->FindEdit}, Choice{w->RadioButtonD1, "D", w->FindEditD}}) {
        SCOPED_TRACE(c.order);
        c.radio->click();
        EXPECT_EQ(DM1->Hdok3.IndexFieldNames(), c.order);
        EXPECT_EQ(DM1->Hdok3.FieldByName("Evc")->AsInteger(), 3);
        for (QWidget* b : {(QWidget*)w->FindEditEvc, (QWidget*)w->FindEdit, (QWidget*)w->FindEditD})
            EXPECT_EQ(b->isVisible(), b == c.box);
    }

    // The date: a bare day is that day of this month, shown in full; a missing one stops at the
    // next date with a message.
    typeInto(w->FindEditD, "15");
    click(w->ButtonD);
    EXPECT_EQ(w->FindEditD->text(), QDate(today.year(), today.month(), 15).toString("dd.MM.yyyy"));
    EXPECT_EQ(DM1->Hdok3.FieldByName("Evc")->AsInteger(), 5);
    EXPECT_EQ(QApplication::focusWidget(), w->OprBitBtn);
    w->FindEditD->clear();
    typeInto(w->FindEditD, "1.7.2013");
    click(w->ButtonD);
    EXPECT_EQ(messages.last(), "Datum 01.07.2013 není zapsán v kartotéce.");
    EXPECT_EQ(DM1->Hdok3.FieldByName("Evc")->AsInteger(), 3);
    EXPECT_EQ(QApplication::focusWidget(), w->FindEditD);

    // The number: found, or a message and the cursor stays.
    w->RadioButtonEvc1->click();
    typeInto(w->FindEditEvc, "2");
    press(Qt::Key_Return);
    EXPECT_EQ(DM1->Hdok3.FieldByName("Evc")->AsInteger(), 2);
    w->FindEditEvc->clear();
    typeInto(w->FindEditEvc, "77");
    click(w->ButtonEvc);
    EXPECT_EQ(messages.last(), "Zápis číslo 77 není zapsán v kartotéce.");
    EXPECT_EQ(DM1->Hdok3.FieldByName("Evc")->AsInteger(), 2);

    // The name: the grid follows every keystroke, in any letter case.
    w->RadioButtonNla1->click();
    const QStringList expected = {"1", "3", "3", "2"};  // "a", "am", "amanita r", then "b"
    typeInto(w->FindEdit, "a");
    EXPECT_EQ(DM1->Hdok3.FieldByName("Evc")->AsString(), expected[0]);
    typeText(w->FindEdit, "manita r");
    EXPECT_EQ(DM1->Hdok3.FieldByName("Evc")->AsString(), expected[2]);
    w->FindEdit->clear();
    typeText(w->FindEdit, "B");
    EXPECT_EQ(DM1->Hdok3.FieldByName("Evc")->AsString(), expected[3]);

    closeBrowser(w);
    EXPECT_EQ(forms::readFirmInteger("VyhledavaniPodle1", -1), 1);
}

TEST_F(SearchWindowTest, MarkingStatementFollowsTheCriteriaLineByLine) {
    struct Case {
        const char* name;
        std::initializer_list<std::pair<const char*, QVariant>> criteria;
        QStringList lines;
    };
    const QString mark = "Update Hdok set Neh = \"A\"";
    const Case cases[] = {
        {"Latin name in lower case", {{"Nla1", "amanita"}}, {mark, " where", " Upper(Nla) like \"AMANITA%\""}},
        {"Latin name and locality",
         {{"Nla1", "Amanita"}, {"Lk1", "Písek"}},
         {mark, " where", " Upper(Nla) like \"AMANITA%\"", " and Upper(Lk) like \"PÍSEK%\""}},
        {"one number", {{"Evc1o", 15}, {"Evc1d", 15}}, {mark, " where", " Evc >= \"15\" and Evc <= \"15\""}},
        {"nothing", {}, {mark}},
        {"Czech name in the text, dates",
         {{"Nce1", "muchom"}, {"Nct", true}, {"D1o", QDate(2013, 5, 1)}, {"D1d", QDate(2013, 6, 30)}},
         {mark, " where", " Upper(Nce) like \"%MUCHOM%\"", " and D >= \"01.05.2013\" and D <= \"30.06.2013\""}},
        {"typed quote and wildcards",
         {{"Nla1", "a\"b_50%"}},
         {mark, " where", " Upper(Nla) like \"A\"\"B\\_50\\%%\" escape \"\\\""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setCriteria(c.criteria);
        EXPECT_EQ(TEkvhForm::selectionStatement(DM1->Hspl), c.lines);
    }
}

TEST_F(SearchWindowTest, SelectionsMarkOnDiskNeverAddUpCountSpeciesAndAreClearedOnClosing) {
    addCards();
    addCard(5, "Amanita muscaria", "Písek", QDate(2013, 9, 1));  // the same species again
    bool shown = false;
    whenShown<TEkovForm>([&](TEkovForm* w) {
        shown = true;
        auto search = [&](std::function<void(TEkvhForm*)> inside) {
            whenShown<TEkvhForm>([&, inside](TEkvhForm* d) {
                activate(d);
                inside(d);
                click(d->CloseButton);
            });
            click(w->RozButton);
        };
        // A Latin name typed in lower case, the second time with a locality in place of it.
        search([&](TEkvhForm* d) {
            EXPECT_EQ(clippedTexts(d).join("; ").toStdString(), "");
            typeInto(d->DBEditNla1, "amanita");
            click(d->VyberButton);
            EXPECT_EQ(marksOnDisk(), "ANANA");
            EXPECT_EQ(MainForm->statusText(1), "Výběr 3");
            focus(d->DBEditNla1);
            press(Qt::Key_Backspace);  // the whole name is selected on entry
            typeInto(d->DBEditLk1, "Tábor");
            click(d->VyberButton);
        });
        EXPECT_EQ(marksOnDisk(), "NNAAN");
        EXPECT_EQ(shownCards(), "3,4");
        EXPECT_FALSE(w->FindEditEvc->isVisible() || w->FindEdit->isVisible() || w->FindEditD->isVisible());
        EXPECT_EQ(w->LabelPocet->text(), "Počet druhů: 2");
        EXPECT_EQ(clippedTexts(w).join("; ").toStdString(), "");
        w->RadioButtonD1->click();  // the selection is sorted, no find box comes
        EXPECT_FALSE(w->FindEditD->isVisible());

        // Písek holds two species in three cards; a period added empties the count; a
        // reversed period is refused and selects nothing new.
        search([&](TEkvhForm* d) {
            d->DBEditLk1->selectAll();
            typeInto(d->DBEditLk1, "Písek");
            click(d->VyberButton);
            EXPECT_EQ(w->LabelPocet->text(), "Počet druhů: 2");
            typeInto(d->DBEditD1o, "1.6.2013");
            typeInto(d->DBEditD1d, "30.9.2013");
            click(d->VyberButton);
            EXPECT_EQ(shownCards(), "2,5");
            EXPECT_TRUE(w->LabelPocet->text().isEmpty());
            d->DBEditD1o->selectAll();
            typeInto(d->DBEditD1o, "1.1.2014");
            click(d->VyberButton);
            EXPECT_EQ(messages.last(), "Datum konec období nemůže být menší než datum začátek období.");
            EXPECT_EQ(marksOnDisk(), "NANNA");
            DM1->Hspl.Cancel();
        });
        click(w->CloseButton);
    });
    MainForm->OpravyN2(false);
    ASSERT_TRUE(shown);
    EXPECT_EQ(marksOnDisk(), "NNNNN");
    EXPECT_FALSE(DM1->Hdok3.Active());
    EXPECT_TRUE(DM1->Hdok.Active());

    // "Zrušit výběr" unmarks at once and shows every card again.
    setCriteria({{"Nla1", "amanita"}});
    whenShown<TEkovForm>([&](TEkovForm* w) {
        whenShown<TEkvhForm>([&](TEkvhForm* d) {
            click(d->VyberButton);
            EXPECT_EQ(MainForm->statusText(1), "Výběr 3");
            click(d->ZrusitButton);
            EXPECT_EQ(marksOnDisk(), "NNNNN");
            EXPECT_FALSE(DM1->selectionResetPending);
            click(d->CloseButton);
        });
        click(w->RozButton);
        EXPECT_EQ(shownCards(), "1,2,3,4,5");
        EXPECT_TRUE(w->FindEditEvc->isVisible() || w->FindEdit->isVisible() || w->FindEditD->isVisible());
        click(w->CloseButton);
    });
    MainForm->OpravyN2(false);
    EXPECT_EQ(marksOnDisk(), "NNNNN");
}

TEST_F(SearchWindowTest, CorrectionInsideASelectionReturnsToTheSameCardAndPrintTakesTheCurrentOne) {
    for (int evc : {100, 110, 120, 130}) addCard(evc, evc % 20 ? "Boletus" : "Amanita", "Brno");
    TEkovForm* w = showBrowser();
    whenShown<TEkvhForm>([&](TEkvhForm* d) {
        typeInto(d->DBEditNla1, "Amanita");
        click(d->VyberButton);
        click(d->CloseButton);
    });
    press(Qt::Key_F3);
    activate(w);
    ASSERT_EQ(shownCards(), "100,120");
    DM1->Hdok3.Locate("Evc", 120);

    // The card window shows the same selection on the same card; what it moves to comes back.
    whenShown<TEkzpForm>([&](TEkzpForm* card) {
        EXPECT_TRUE(card->openedFromCorrection());
        EXPECT_EQ(card->windowTitle(), "Kartotéka");
        EXPECT_EQ(DM1->Hdok.FieldByName("Evc")->AsInteger(), 120);
        EXPECT_EQ(DM1->Hdok.RecordCount(), 2);
        DM1->Hdok.First();
        click(card->CloseButton);
    });
    press(Qt::Key_F4);
    activate(w);
    EXPECT_EQ(DM1->Hdok3.FieldByName("Evc")->AsInteger(), 100);
    EXPECT_FALSE(DM1->Hdok.Filtered());
    EXPECT_EQ(MainForm->statusText(1), "Výběr 2");

    // F6 on card 120: both ends of the label range take it, and the print window comes next.
    DM1->Hdok3.Locate("Evc", 120);
    press(Qt::Key_F6);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(common("C1") + "-" + common("C2"), "120-120");
    DM1->Hdok3.Close();

    bool printShown = false;
    whenShown<TEkovForm>([&](TEkovForm* again) {
        activate(again);
        EXPECT_EQ(DM1->Hdok3.FieldByName("Evc")->AsInteger(), 120);  // opened from print
        // The print selection comes next, closed here at once.
        whenShown<TEmtfhForm>([&](TEmtfhForm* print) {
            printShown = true;
            print->reject();
        });
        press(Qt::Key_F6);
        EXPECT_FALSE(again->isVisible());
    });
    MainForm->setStatusText(0, "hint");
    MainForm->OpravyN2(true);
    EXPECT_TRUE(printShown);
    EXPECT_TRUE(MainForm->statusText(0).isEmpty());  // the print hand-over re-read the tables
    EXPECT_EQ(marksOnDisk(), "NNNN");
}

// Codes fill the criteria from the catalogues; an empty code names no catalogue row, even when
// a row without a code exists.
TEST_F(SearchWindowTest, CatalogueCodesFillTheCriteriaAndAnEmptyCodeNamesNoRow) {
    addSpecies("", "Zzz bez kódu", "", "bezkódová");
    addSpecies("A1", "Amanita muscaria", "", "muchomůrka červená");
    addLocality("", "Zlín");
    addLocality("L1", "Brno");
    setCriteria({});
    auto* d = showWindow(new TEkvhForm(MainForm));
    QString offered;
    whenShown<TEkdh1Form>([&](TEkdh1Form* c) {
        offered = DM1->Hdath.FieldByName("Nlad")->AsString();
        c->reject();
    });
    d->PrenosSporin1();
    EXPECT_EQ(offered.toStdString(), "Amanita muscaria");
    whenShown<TEkdl1Form>([&](TEkdl1Form* c) {
        offered = DM1->Hdatl.FieldByName("Lkd")->AsString();
        c->reject();
    });
    d->PrenosLok1();
    EXPECT_EQ(offered.toStdString(), "Brno");
    activate(d);

    struct Code {
        TDBEditz* edit;
        TDBEditz* next;
        const char* code;
        const char* filled;
    };
    for (const Code& c : {Code{d->DBEditKdh1, d->DBEditNla1, "A1", "Nce1"}, Code{d->DBEditKdl1, d->DBEditLk1, "L1", "Lk1"}}) {
        SCOPED_TRACE(c.code);
        typeInto(c.edit, c.code);
        focus(c.next);
        EXPECT_FALSE(common(c.filled).isEmpty());
        focus(c.edit);
        c.edit->selectAll();
        press(Qt::Key_Backspace);
        focus(c.next);
        EXPECT_EQ(common(c.filled).toStdString(), "");
    }
    EXPECT_EQ(common("Nla1").toStdString(), "");
    d->CloseButton->click();
}

// Run by the next test as a separate program that marks cards and waits to be killed.
TEST(SearchMarksChild, MarkCardsAndWaitToBeKilled) {
    const QString dir = qEnvironmentVariable("LAMELIN_MARK_FIRM");
    if (dir.isEmpty()) GTEST_SKIP() << "runs only as the child of the kill test";
    TSession session("ChildSession");
    session.AddPassword(storage::tablePassword());
    TDatabase db(&session, "ChildDb");
    db.Params = {"PATH=" + dir, "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"};
    // What "Vybrat" does: the note that marks are on disk, then the marks.
    IniFile(qEnvironmentVariable("LAMELIN_MARK_SETTINGS")).writeInteger("D1", TEkovForm::kMarksKey, 1);
    TQuery q;
    q.setDatabase(&db);
    q.SQL = {"Update Hdok set Neh = \"A\"", " where", " Upper(Nla) like \"AMANITA%\""};
    q.ExecSQL();
    fputs("MARKED\n", stdout);
    fflush(stdout);
    QThread::sleep(60);
}

TEST_F(SearchWindowTest, AProgramKilledWithASelectionLeavesNoStaleMarksInTheNextSearch) {
    addCards();
    // A search opened and closed before: the firm is known to hold no marks.
    whenShown<TEkovForm>([](TEkovForm* w) { click(w->CloseButton); });
    MainForm->OpravyN2(false);
    ASSERT_EQ(forms::readFirmInteger(TEkovForm::kMarksKey, -1), 0);
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LAMELIN_MARK_FIRM", dataDir + "D1");
    env.insert("LAMELIN_MARK_SETTINGS", MainForm->firmSettingsPath());
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=SearchMarksChild.MarkCardsAndWaitToBeKilled"});
    QByteArray out;
    const QDeadlineTimer deadline(60000);
    while (!out.contains("MARKED") && !deadline.hasExpired() && child.state() != QProcess::NotRunning) {
        child.waitForReadyRead(200);
        out += child.readAllStandardOutput();
    }
    child.kill();
    child.waitForFinished();
    ASSERT_TRUE(out.contains("MARKED")) << out.constData();
    ASSERT_EQ(marksOnDisk(), "ANAN");

    // The next opening shows every card unmarked and as no selection, and leaves none on disk.
    QString shownMarks;
    whenShown<TEkovForm>([&](TEkovForm* w) {
        TTable& t = DM1->Hdok3;
        for (t.First(); !t.Eof(); t.Next()) shownMarks += t.FieldByName("Neh")->AsString();
        EXPECT_EQ(MainForm->statusText(1), "4/4");
        click(w->CloseButton);
    });
    MainForm->OpravyN2(false);
    EXPECT_EQ(shownMarks, "NNNN");
    EXPECT_EQ(marksOnDisk(), "NNNN");
    EXPECT_EQ(forms::readFirmInteger(TEkovForm::kMarksKey, -1), 0);
}
