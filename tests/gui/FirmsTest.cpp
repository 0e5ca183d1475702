#include <QAction>
#include <QListWidget>
#include <QMenu>

#include "FirmFixture.h"

using Firms = FirmFixture;

TEST_F(Firms, SelectionWindowTextsAndTabOrder) {
    startApp();
    EXPECT_EQ(sel()->windowTitle(), QString("Lamelin 1.10 - výběr"));
    // In tab order after the grid: caption and hint of each control.
    QStringList controls;
    QWidget* w = sel()->DBGridAuto1;
    while ((w = w->nextInFocusChain()) != sel()->DBGridAuto1) {
        if (auto* b = qobject_cast<QAbstractButton*>(w); b && b->parentWidget() == sel()) {
            EXPECT_EQ(b->statusTip(), b->toolTip());
            controls << b->objectName() + "|" + b->text() + "|" + b->toolTip();
        }
    }
    EXPECT_EQ(controls,
              QStringList({"OKButton|&Otevřít|Otevře vybranou firmu", "Button3|Ná&zev|Název firmy",
                           "Button1|&Nová firma|Vytvoření nové firmy", "Button2|&Smazat|Smazání vybrané firmy",
                           "CheckBoxF|Zobrazovat|Zobrazovat naposledy zpracovávanou firmu",
                           "Button5|&Heslo|Možnost zadat heslo pro firmu", "Button4|&Konec|Ukončí aplikaci"}));
    EXPECT_TRUE(sel()->OKButton->isDefault());
    EXPECT_TRUE(sel()->CheckBoxF->isChecked());

    // Tab walks the columns of the current firm, then leaves the grid; Shift+Tab leaves it back.
    addFirm(1, "Les");
    sel()->Auto1.Refresh();
    sel()->DBGridAuto1->refresh();
    showSelection();
    QApplication::setActiveWindow(sel());
    TDBGrid* grid = sel()->DBGridAuto1;
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(0, 0));
    for (int i = 0; i < 2; ++i) QTest::keyClick(grid, Qt::Key_Tab);
    EXPECT_TRUE(grid->hasFocus());
    EXPECT_EQ(grid->currentIndex().column(), 2);
    QTest::keyClick(grid, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), sel()->OKButton);
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(0, 0));
    QTest::keyClick(grid, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_FALSE(grid->hasFocus());

    QStringList menu;
    for (QAction* a : sel()->PopupMenu1->actions()) menu << (a->isSeparator() ? "-" : a->text() + "|" + a->statusTip());
    EXPECT_EQ(menu, QStringList({"Řazení - &automaticky|Firmy se automaticky seřadí podle pořadového čísla",
                                 "Řazení - podle ná&zvu|Firmy se automaticky seřadí podle názvu",
                                 "Řazení - &vlastní|Vlastní seřazení firem", "-",
                                 "Změnit &pozice firem|Stiskněte, pokud chcete změnit pořadí", "-",
                                 "Vymazat vlastní &nastavení|Vymazat vlastní nastavení"}));
}

TEST_F(Firms, NewFirmTakesTheLowestFreeNumberAndOpensAtOnce) {
    struct Case {
        QList<int> existing;
        int expected;
    };
    for (const Case& c : {Case{{1, 2, 4}, 3}, Case{{1, 2, 3}, 4}, Case{{2, 3}, 1}, Case{{}, 1}}) {
        for (int n : c.existing) addFirm(n, QString("Firma %1").arg(n));
        startApp();
        showSelection();
        whenShown<TAu2Form>([](TAu2Form* d) {
            EXPECT_EQ(d->windowTitle(), QString("Nová firma"));
            typeText(d->DBEditNazev, "Les u Písku");
            click(d->OKButton);
        });
        click(sel()->Button1);
        const QString dir = QString("D%1").arg(c.expected);
        EXPECT_EQ(messages.texts(), QStringList{"Opravdu chcete vytvořit firmu Les u Písku ?"});
        EXPECT_TRUE(storedRegister().contains(QString("%1 %1 Les u Písku %2").arg(c.expected).arg(dir)))
            << dir.toStdString();
        EXPECT_EQ(tableFilesIn(dir), 27);
        // The selection closed with the OK result on the new firm.
        EXPECT_FALSE(sel()->isVisible());
        EXPECT_EQ(sel()->result(), QDialog::Accepted);
        EXPECT_EQ(current("Adresar"), dir);

        destroyStartupWindows();
        messages.boxes.clear();
        QDir(dataDir).removeRecursively();
        storage::TemplateSet::prepareDataDirectory(dataDir);
    }
}

TEST_F(Firms, NewFirmCancelledOrRefusedLeavesNothing) {
    addFirm(1, "Les");
    addFirm(2, "Bor");
    IniFile(dataDir + "Sporin.ini").writeInteger("Sporin", "Razeni", 0);
    startApp();
    showSelection();

    // "Ne" keeps the dialog open; "&Zavřít" drops the row and restores the own order.
    messages.answer(MsgResult::No);
    whenShown<TAu2Form>([](TAu2Form* d) {
        typeText(d->DBEditNazev, "Nic");
        click(d->OKButton);
        EXPECT_TRUE(d->isVisible());
        click(d->CancelButton);
    });
    click(sel()->Button1);
    EXPECT_EQ(storedRegister(), QStringList({"1 1 Les D1", "2 2 Bor D2"}));
    EXPECT_FALSE(QFileInfo::exists(dataDir + "D3"));
    EXPECT_EQ(sel()->Auto1.State(), TDataSetState::Browse);
    EXPECT_EQ(sel()->Auto1.IndexFieldNames(), QString("Pozice"));
    EXPECT_TRUE(sel()->isVisible());
}

// The directory of a firm that lost its register row keeps its tables when a new firm takes
// its number; only the files it lacks come from the templates.
TEST_F(Firms, NewFirmKeepsTablesAlreadyInItsDirectory) {
    QDir().mkpath(dataDir + "D1");
    QFile cards(dataDir + "D1/Hdok.DB");
    ASSERT_TRUE(cards.open(QIODevice::WriteOnly));
    cards.write("cards of an earlier firm");
    cards.close();
    startApp();
    showSelection();
    whenShown<TAu2Form>([](TAu2Form* d) { click(d->OKButton); });
    click(sel()->Button1);
    EXPECT_EQ(storedRegister(), QStringList{"1 1  D1"});
    EXPECT_EQ(tableFilesIn("D1"), 27);
    ASSERT_TRUE(cards.open(QIODevice::ReadOnly));
    EXPECT_EQ(cards.readAll(), QByteArray("cards of an earlier firm"));
}

TEST_F(Firms, NewFirmInOwnOrderSortsBesideTheCurrentFirm) {
    addFirm(1, "Les");
    addFirm(2, "Bor");
    IniFile(dataDir + "Sporin.ini").writeInteger("Sporin", "Razeni", 0);
    IniFile(dataDir + "Sporin.ini").writeInteger("Vyber", "Cislo", 1);
    startApp();
    showSelection();
    whenShown<TAu2Form>([](TAu2Form* d) { click(d->OKButton); });  // an empty name is allowed
    click(sel()->Button1);
    EXPECT_TRUE(storedRegister().contains("3 1  D3"));
    EXPECT_EQ(sel()->Auto1.IndexFieldNames(), QString("Pozice"));
}

// Another computer registers the same number while the dialog is open: the post is refused,
// nothing is created, and the dialog stays usable with the next free number.
TEST_F(Firms, NewFirmWhoseNumberWasTakenMeanwhile) {
    addFirm(1, "Les");
    startApp();
    showSelection();
    whenShown<TAu2Form>([this](TAu2Form* d) {
        EXPECT_EQ(current("Cislo"), QString("2"));
        storeRow("Data.DB", {2, 2, "Cizí", "D2"});
        typeText(d->DBEditNazev, "Moje");
        click(d->OKButton);
        ASSERT_EQ(messages.boxes.size(), 2);
        EXPECT_EQ(messages.boxes[1].kind, MsgKind::Error);
        EXPECT_EQ(messages.boxes[1].text, QString("Porušení klíče."));
        EXPECT_FALSE(QFileInfo::exists(dataDir + "D2"));
        EXPECT_TRUE(d->isVisible());
        EXPECT_TRUE(d->OKButton->isEnabled());
        EXPECT_TRUE(d->CancelButton->isEnabled());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(current("Cislo"), QString("3"));
        EXPECT_EQ(current("Adresar"), QString("D3"));
        click(d->OKButton);  // the second try stores the firm under the new number
    });
    click(sel()->Button1);
    EXPECT_EQ(storedRegister(), QStringList({"1 1 Les D1", "2 2 Cizí D2", "3 3 Moje D3"}));
    EXPECT_EQ(tableFilesIn("D3"), 27);
    EXPECT_EQ(sel()->result(), QDialog::Accepted);
}

TEST_F(Firms, RenamePostsOnAnyClose) {
    addFirm(1, "Les");
    addFirm(2, "Bor");
    startApp();
    showSelection();
    sel()->Auto1.Locate("Cislo", 2);
    whenShown<TAu1Form>([](TAu1Form* d) {
        EXPECT_EQ(d->windowTitle(), QString("Název firmy č. 2"));
        d->DBEditNazev->selectAll();
        typeText(d->DBEditNazev, "Doubrava");
        QTest::keyClick(d->DBEditNazev, Qt::Key_Escape);
    });
    click(sel()->Button3);
    EXPECT_EQ(storedRegister(), QStringList({"1 1 Les D1", "2 2 Doubrava D2"}));
    EXPECT_EQ(sel()->Auto1.State(), TDataSetState::Browse);
    EXPECT_TRUE(QFileInfo::exists(dataDir + "D2/Hdok.DB"));  // the directory keeps its name
}

TEST_F(Firms, OrderMenuAndPositions) {
    addFirm(1, "Cedr");
    addFirm(2, "Akát");
    addFirm(3, "Buk");
    startApp();
    showSelection();
    auto razeni = [&] { return IniFile(dataDir + "Sporin.ini").readInteger("Sporin", "Razeni", -1); };

    sel()->Razenipodlenazvu1->trigger();
    EXPECT_EQ(sel()->Auto1.IndexFieldNames(), QString("Nazev"));
    EXPECT_EQ(razeni(), 2);
    sel()->Auto1.First();
    EXPECT_EQ(current("Nazev"), QString("Akát"));

    // The positions dialog starts in own order on the current firm; lines move, never swap.
    sel()->Auto1.Locate("Cislo", 3);
    whenShown<TAu6Form>([](TAu6Form* d) {
        QStringList lines;
        for (int i = 0; i < d->ListBox1->count(); ++i) lines << d->ListBox1->item(i)->text();
        EXPECT_EQ(lines, QStringList({"1 Cedr", "2 Akát", "3 Buk"}));
        EXPECT_EQ(d->ListBox1->currentRow(), 2);
        click(d->ButtonDolu);  // already last
        click(d->ButtonPrvni);
        click(d->ButtonNahoru);  // already first
        EXPECT_EQ(d->ListBox1->currentRow(), 0);
        d->ListBox1->setCurrentRow(1);
        click(d->ButtonPosledni);
        click(d->CloseButton);
    });
    sel()->Zmenitpozicefirem1->trigger();
    EXPECT_EQ(storedRegister(), QStringList({"1 3 Cedr D1", "2 2 Akát D2", "3 1 Buk D3"}));
    EXPECT_EQ(sel()->Auto1.IndexFieldNames(), QString("Pozice"));
    EXPECT_TRUE(sel()->Razenivlastni1->isChecked());
    EXPECT_EQ(current("Cislo"), QString("3"));
    EXPECT_EQ(razeni(), 0);

    // The reset asks first; "Ne" changes nothing.
    messages.answer(MsgResult::No);
    sel()->Vymazatvlastninastaveni1->trigger();
    EXPECT_EQ(storedRegister()[0], QString("1 3 Cedr D1"));
    sel()->Vymazatvlastninastaveni1->trigger();
    EXPECT_EQ(messages.texts(), QStringList(2, "Opravdu vymazat vlastní nastavení ?"));
    EXPECT_EQ(storedRegister(), QStringList({"1 1 Cedr D1", "2 2 Akát D2", "3 3 Buk D3"}));
    EXPECT_TRUE(sel()->Razeniautomaticky1->isChecked());
    EXPECT_EQ(sel()->Auto1.IndexFieldNames(), QString("Cislo"));
    EXPECT_EQ(current("Cislo"), QString("3"));
    EXPECT_EQ(razeni(), 1);
}

TEST_F(Firms, DeleteAsksTwiceAndRemovesEverything) {
    addFirm(1, "Les");
    addFirm(2, "Bor");
    storeRow("Uziv.DB", {2, ""});
    IniFile(dataDir + "D2/D2.ini").writeString("Tisk", "Tiskarna", "X");
    startApp();
    showSelection();
    sel()->Auto1.Locate("Cislo", 2);

    const QString warning = "Vymaže vybranou firmu z disku. P O Z O R  -  máte uložena data ?";
    // One "Ne", at the first or at the second question, keeps everything.
    for (const QList<MsgResult>& answers :
         {QList<MsgResult>{MsgResult::No}, QList<MsgResult>{MsgResult::Yes, MsgResult::No}}) {
        for (MsgResult a : answers) messages.answer(a);
        click(sel()->Button2);
        EXPECT_EQ(storedRegister().size(), 2);
        EXPECT_EQ(tableFilesIn("D2"), 27);
        EXPECT_EQ(MainForm->statusText(0), warning);
    }

    messages.boxes.clear();
    click(sel()->Button2);
    EXPECT_EQ(messages.texts(), QStringList(2, "Opravdu smazat firmu Bor ?"));
    EXPECT_EQ(storedRegister(), QStringList{"1 1 Les D1"});
    EXPECT_TRUE(storedPasswords().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(dataDir + "D2"));
    EXPECT_EQ(MainForm->statusText(0), QString("Firma Bor byla vymazána."));
    EXPECT_EQ(current("Cislo"), QString("1"));
    EXPECT_TRUE(sel()->isVisible());
}

// A register row whose directory name leads out of the data directory loses only its row.
TEST_F(Firms, DeleteNeverTouchesFilesOutsideTheDataDirectory) {
    storeRow("Data.DB", {1, 1, "Cizí", ".."});
    QFile outside(tmp.path() + "Hspl.DB");
    ASSERT_TRUE(outside.open(QIODevice::WriteOnly));
    outside.close();
    startApp();
    showSelection();
    click(sel()->Button2);
    EXPECT_TRUE(storedRegister().isEmpty());
    EXPECT_TRUE(QFile::exists(tmp.path() + "Hspl.DB"));
    EXPECT_TRUE(QFileInfo(dataDir).isDir());
}

TEST_F(Firms, ClosingTheSelection) {
    addFirm(1, "Les");
    startApp();
    showSelection();
    QTest::keyClick(sel()->DBGridAuto1, Qt::Key_Escape);  // no cancel button
    EXPECT_TRUE(sel()->isVisible());
    sel()->close();  // the close box opens the firm like "&Otevřít"
    EXPECT_FALSE(sel()->isVisible());
    EXPECT_NE(sel()->result(), TAuto1Form::EndResult);

    showSelection();
    QTest::keyClick(sel()->DBGridAuto1, Qt::Key_Return);
    EXPECT_FALSE(sel()->isVisible());
    EXPECT_EQ(sel()->result(), QDialog::Accepted);

    showSelection();
    click(sel()->Button4);
    EXPECT_EQ(sel()->result(), TAuto1Form::EndResult);
}

TEST_F(Firms, ChoosingAFirmThroughTheMainWindow) {
    addFirm(1, "Les");
    addFirm(2, "Bor");
    // Stale lock files of the firm are removed before it is opened.
    for (const char* lock : {"D2/Pdoxusrs.lck", "D2/Paradox.lck"}) QFile(dataDir + lock).open(QIODevice::WriteOnly);
    startApp();
    whenShown<TAuto1Form>([this](TAuto1Form* s) {
        s->Auto1.Locate("Cislo", 2);
        const QRect row = s->DBGridAuto1->visualRect(s->DBGridAuto1->currentIndex());
        // What the window system sends for a double click: press, release, double click, release.
        QWidget* viewport = s->DBGridAuto1->viewport();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, row.center());
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, row.center());
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, row.center());
    });
    EXPECT_TRUE(MainForm->VyberDanoveho());
    EXPECT_EQ(MainForm->firmDirName, QString("D2"));
    EXPECT_TRUE(DM1->Hdok.Active());
    EXPECT_FALSE(QFileInfo::exists(dataDir + "D2/Pdoxusrs.lck"));
    const IniFile local(dataDir + "Sporin.ini");
    EXPECT_EQ(local.readInteger("Vyber", "Cislo", -1), 2);
    EXPECT_EQ(local.readString("Vyber", "Pos"), QString("1"));

    // Showing the selection again closes the open firm.
    whenShown<TAuto1Form>([](TAuto1Form* s) {
        EXPECT_FALSE(DM1->Database.Connected());
        EXPECT_EQ(MainForm->windowTitle(), QString("Lamelin 1.10"));
        EXPECT_EQ(s->Auto1.FieldByName("Cislo")->AsInteger(), 2);
        click(s->Button4);
    });
    EXPECT_FALSE(MainForm->VyberDanoveho());
}

TEST_F(Firms, ShowingFollowsTheRememberedFirmAndOrder) {
    for (int n : {1, 2, 3}) addFirm(n, QString("F%1").arg(n));
    IniFile(dataDir + "Sporin.ini").writeInteger("Vyber", "Cislo", 3);
    IniFile(dataDir + "Sporin.ini").writeInteger("Sporin", "Razeni", 2);
    startApp();
    showSelection();
    EXPECT_EQ(current("Cislo"), QString("3"));
    EXPECT_TRUE(sel()->Razenipodlenazvu1->isChecked());
    EXPECT_EQ(sel()->focusWidget(), sel()->DBGridAuto1);

    // The order in force when the window hides is what the next start shows.
    struct Order {
        void (TAuto1Form::*apply)();
        const char* indexField;
    };
    for (const Order& order : {Order{&TAuto1Form::RazeniVlastni, "Pozice"}, Order{&TAuto1Form::RazeniAuto, "Cislo"},
                               Order{&TAuto1Form::RazeniNazev, "Nazev"}}) {
        (sel()->*order.apply)();
        click(sel()->Button4);
        destroyStartupWindows();
        startApp();
        showSelection();
        EXPECT_EQ(sel()->Auto1.IndexFieldNames(), QString(order.indexField));
    }

    // "Zobrazovat" off: the remembered firm is not looked for; the program starts on the first
    // firm of the order in force (here the own order, which puts firm 2 first).
    sel()->Auto1.Locate("Cislo", 2);
    sel()->Auto1.Edit();
    sel()->Auto1.FieldByName("Pozice")->setAsInteger(0);
    sel()->Auto1.Post();
    sel()->RazeniVlastni();
    sel()->Auto1.Locate("Cislo", 3);
    sel()->CheckBoxF->setChecked(false);
    click(sel()->Button4);
    EXPECT_EQ(IniFile(dataDir + "Sporin.ini").readString("Vyber", "Pos"), QString("0"));
    destroyStartupWindows();
    startApp();
    showSelection();
    EXPECT_FALSE(sel()->CheckBoxF->isChecked());
    EXPECT_EQ(current("Cislo"), QString("2"));
    // Shown again later, it stays on the firm that was current.
    sel()->Auto1.Locate("Cislo", 3);
    click(sel()->Button4);
    showSelection();
    EXPECT_EQ(current("Cislo"), QString("3"));
}

TEST_F(Firms, DeleteWarningStaysWhileAskedAndAfterNo) {
    addFirm(1, "Les");
    startApp();
    showSelection();  // the main window stays hidden: the pointer finds no other window below
    QApplication::setActiveWindow(sel());
    const QString warning = "Vymaže vybranou firmu z disku. P O Z O R  -  máte uložena data ?";
    QTest::mouseMove(sel()->Button2);
    QApplication::processEvents();
    EXPECT_EQ(MainForm->statusText(0), QString("Smazání vybrané firmy"));

    // Real boxes: they open over the button and close again, as for a mouse user.
    MessageBox::setResponder(nullptr);
    QStringList shownDuring;
    std::function<void(Qt::Key)> answer = [&](Qt::Key key) {
        QTimer::singleShot(0, [&, key] {
            QWidget* box = QApplication::activeModalWidget();
            ASSERT_NE(box, nullptr);
            QApplication::processEvents();
            shownDuring << MainForm->statusText(0);
            if (key == Qt::Key_Return) answer(Qt::Key_N);  // the second question comes next
            QTest::keyClick(box, key);
        });
    };
    answer(Qt::Key_Return);
    QTest::mouseClick(sel()->Button2, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(shownDuring, QStringList({warning, warning}));
    EXPECT_EQ(MainForm->statusText(0), warning);
    EXPECT_EQ(storedRegister(), QStringList({"1 1 Les D1"}));
    // Pointing at another control shows its hint again.
    QTest::mouseMove(sel()->OKButton);
    QApplication::processEvents();
    EXPECT_EQ(MainForm->statusText(0), QString("Otevře vybranou firmu"));
}
