// Data-aware controls and the entry controls whose Enter acts as Tab, driven by the keyboard
// on real windows over a table in a temporary directory.
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <memory>

#include "DBCheckBoxz.h"
#include "DBEditz.h"
#include "Editz.h"
#include "EngineFixture.h"
#include "MessageRecorder.h"
#include "TDBGrid.h"
#include "TDBNavigator.h"
#include <QToolButton>
#include "TDataSource.h"

namespace {

void typeText(QWidget* w, const QString& text) {
    for (const QChar ch : text) QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

void showActive(QWidget* w) {
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
}

// A dialog with three controls of one kind in tab order and a default button.
template <class Control>
struct EntryDialog {
    QDialog dialog;
    Control* first = new Control(&dialog);
    Control* middle = new Control(&dialog);
    Control* last = new Control(&dialog);
    QPushButton* ok = new QPushButton("OK", &dialog);

    EntryDialog() {
        auto* l = new QVBoxLayout(&dialog);
        for (QWidget* w : {static_cast<QWidget*>(first), static_cast<QWidget*>(middle), static_cast<QWidget*>(last),
                           static_cast<QWidget*>(ok)}) {
            w->setFocusPolicy(Qt::StrongFocus);
            l->addWidget(w);
        }
        ok->setDefault(true);
        QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    }
};

template <class Control>
void checkEnterTab() {
    SCOPED_TRACE(Control::staticMetaObject.className());
    {
        EntryDialog<Control> d;
        EXPECT_TRUE(d.middle->EnterTab());
        showActive(&d.dialog);
        d.middle->setFocus();
        QTest::keyClick(d.middle, Qt::Key_Return);
        EXPECT_TRUE(d.last->hasFocus());
        QTest::keyClick(d.last, Qt::Key_Return, Qt::ShiftModifier);
        EXPECT_TRUE(d.middle->hasFocus());
        QTest::keyClick(d.middle, Qt::Key_Enter, Qt::KeypadModifier);
        EXPECT_TRUE(d.last->hasFocus());
        EXPECT_TRUE(d.dialog.isVisible());  // moving on never reached the default button
    }
    {
        EntryDialog<Control> d;
        d.middle->setEnterTab(false);
        showActive(&d.dialog);
        d.middle->setFocus();
        QTest::keyClick(d.middle, Qt::Key_Return);
        EXPECT_FALSE(d.last->hasFocus());
        EXPECT_EQ(d.dialog.result(), QDialog::Accepted);  // the default button took the Enter
        EXPECT_FALSE(d.dialog.isVisible());
    }
}

}  // namespace

TEST(EnterTabControls, EnterMovesOnShiftEnterBackAndWithoutEnterTabReachesTheDefaultButton) {
    checkEnterTab<TEditz>();
    checkEnterTab<TDBEditz>();
    checkEnterTab<TDBCheckBoxz>();
}

// A card window in small: edits for Evc, Nla and a masked Lk, a check box and a grid.
class DbControlsTest : public EngineFixture {
protected:
    void SetUp() override {
        createCards();
        cardsTable = table();
        cardsTable->Open();
        cardsTable->FieldByName("Evc")->setDisplayLabel("Číslo");
        source.setDataSet(cardsTable.get());

        auto* l = new QVBoxLayout(&window);
        evc = new TDBEditz(&window);
        nla = new TDBEditz(&window);
        lk = new TDBEditz(&window);
        for (auto [e, f] : {std::pair{evc, "Evc"}, std::pair{nla, "Nla"}, std::pair{lk, "Lk"}}) {
            e->setDataSource(&source);
            e->setDataField(f);
            l->addWidget(e);
        }
        ok = new QPushButton("OK", &window);
        ok->setDefault(true);
        l->addWidget(ok);
    }

    TTable& t() { return *cardsTable; }

    std::unique_ptr<TTable> cardsTable;
    TDataSource source;
    QDialog window;
    TDBEditz* evc = nullptr;
    TDBEditz* nla = nullptr;
    TDBEditz* lk = nullptr;
    QPushButton* ok = nullptr;
    MessageRecorder boxes;
};

TEST_F(DbControlsTest, ShowsTheCurrentRecordAndFollowsTheCursor) {
    addCard(t(), 1, "Amanita");
    addCard(t(), 2, "Boletus");
    t().First();
    EXPECT_EQ(evc->text(), "1");
    EXPECT_EQ(nla->text(), "Amanita");
    t().Next();
    EXPECT_EQ(nla->text(), "Boletus");
    EXPECT_EQ(nla->maxLength(), 40);
    t().Close();
    EXPECT_EQ(nla->Field(), nullptr);
    EXPECT_EQ(nla->text(), "");
    t().Open();
    EXPECT_EQ(nla->text(), "Amanita");
}

TEST_F(DbControlsTest, TypingStartsAnEditAndLeavingWritesTheField) {
    addCard(t(), 1, "Amanita");
    showActive(&window);
    nla->setFocus();
    nla->selectAll();
    typeText(nla, "Hřib");
    EXPECT_EQ(t().State(), TDataSetState::Edit);
    EXPECT_EQ(nla->text(), "Hřib");
    EXPECT_EQ(t().FieldByName("Nla")->AsString(), "Amanita");  // not before the focus leaves
    QTest::keyClick(nla, Qt::Key_Return);
    EXPECT_TRUE(lk->hasFocus());
    EXPECT_EQ(t().FieldByName("Nla")->AsString(), "Hřib");
    t().Post();
    EXPECT_EQ(column(t(), "Nla"), QStringList{"Hřib"});
    EXPECT_TRUE(boxes.boxes.isEmpty());
}

TEST_F(DbControlsTest, TypingIntoAnEmptyTableStartsAnInsert) {
    showActive(&window);
    evc->setFocus();
    QTest::keyClicks(evc, "42");
    EXPECT_EQ(t().State(), TDataSetState::Insert);
    QTest::keyClick(evc, Qt::Key_Tab);
    EXPECT_EQ(t().FieldByName("Evc")->AsInteger(), 42);
    t().Post();
    EXPECT_EQ(t().RecordCount(), 1);
    EXPECT_EQ(column(t(), "Evc"), QStringList{"42"});
}

TEST_F(DbControlsTest, TextLongerThanTheFieldIsCut) {
    showActive(&window);
    nla->setFocus();
    QTest::keyClicks(nla, QString(45, 'x'));
    EXPECT_EQ(nla->text(), QString(40, 'x'));
    QTest::keyClick(nla, Qt::Key_Tab);
    EXPECT_EQ(t().FieldByName("Nla")->AsString(), QString(40, 'x'));
}

TEST_F(DbControlsTest, RefusedValueIsShownAndKeepsTheFocus) {
    addCard(t(), 7, "Amanita");
    showActive(&window);
    evc->setFocus();
    evc->selectAll();
    QTest::keyClicks(evc, "12a");
    QTest::keyClick(evc, Qt::Key_Return);
    ASSERT_EQ(boxes.boxes.size(), 1);
    EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Error);
    EXPECT_EQ(boxes.last(), "'12a' není platné celé číslo pro pole 'Číslo'");
    EXPECT_TRUE(evc->hasFocus());
    EXPECT_EQ(evc->text(), "12a");
    EXPECT_EQ(t().State(), TDataSetState::Edit);
    EXPECT_EQ(t().FieldByName("Evc")->AsInteger(), 7);

    // Leaving by mouse or Tab is refused the same way; a corrected value lets the focus go.
    QTest::keyClick(evc, Qt::Key_Tab);
    EXPECT_EQ(boxes.boxes.size(), 2);
    EXPECT_TRUE(evc->hasFocus());
    evc->selectAll();
    QTest::keyClicks(evc, "12");
    QTest::keyClick(evc, Qt::Key_Tab);
    EXPECT_TRUE(nla->hasFocus());
    EXPECT_EQ(t().FieldByName("Evc")->AsInteger(), 12);
    EXPECT_EQ(boxes.boxes.size(), 2);
}

TEST_F(DbControlsTest, RealErrorBoxDuringFocusChangeGivesTheFocusBack) {
    MessageBox::setResponder(nullptr);  // the real modal box, answered from a timer
    addCard(t(), 7, "Amanita");
    showActive(&window);
    evc->setFocus();
    evc->selectAll();
    QTest::keyClicks(evc, "x1");
    QString shownText;
    QTimer::singleShot(50, [&] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        for (const QLabel* label : box->findChildren<QLabel*>()) shownText += label->text();
        box->close();
    });
    QTest::keyClick(evc, Qt::Key_Return);
    EXPECT_TRUE(shownText.contains("'x1' není platné celé číslo pro pole 'Číslo'")) << shownText.toStdString();
    // The offscreen platform activates no window after a box closes; a window manager gives
    // the activation back to the window, whose focus is to be on the refused edit.
    EXPECT_EQ(window.focusWidget(), evc);
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_TRUE(evc->hasFocus());
    EXPECT_EQ(evc->text(), "x1");
    EXPECT_EQ(t().State(), TDataSetState::Edit);
}

TEST_F(DbControlsTest, PostWritesPendingTextAndStopsOnARefusedValue) {
    addCard(t(), 7, "Amanita");
    showActive(&window);
    nla->setFocus();
    nla->selectAll();
    QTest::keyClicks(nla, "Boletus");
    t().Post();  // the focus never left the edit: the post itself asks for the text
    EXPECT_EQ(column(t(), "Nla"), QStringList{"Boletus"});

    evc->setFocus();
    evc->selectAll();
    QTest::keyClicks(evc, "12a");
    nla->setFocus(Qt::ActiveWindowFocusReason);  // as when a menu or another window takes it
    try {
        t().Post();
        FAIL() << "the post stored a record without the typed value";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.message(), "'12a' není platné celé číslo pro pole 'Číslo'");
    }
    EXPECT_EQ(t().State(), TDataSetState::Edit);
    EXPECT_TRUE(evc->hasFocus());
    EXPECT_EQ(evc->text(), "12a");
    t().Cancel();
    EXPECT_EQ(evc->text(), "7");
    EXPECT_EQ(column(t(), "Evc"), QStringList{"7"});
}

TEST_F(DbControlsTest, EnterInAPlainDbEditWritesAndReachesTheDefaultButton) {
    addCard(t(), 7, "Amanita");
    nla->setEnterTab(false);
    QSignalSpy clicked(ok, &QPushButton::clicked);
    showActive(&window);
    nla->setFocus();
    nla->selectAll();
    QTest::keyClicks(nla, "Morchella");
    QTest::keyClick(nla, Qt::Key_Return);
    EXPECT_EQ(t().FieldByName("Nla")->AsString(), "Morchella");
    EXPECT_EQ(clicked.count(), 1);

    // A refused value stops the Enter before the default button.
    showActive(&window);
    evc->setEnterTab(false);
    evc->setFocus();
    evc->selectAll();
    QTest::keyClicks(evc, "x");
    QTest::keyClick(evc, Qt::Key_Return);
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_EQ(boxes.boxes.size(), 1);
}

TEST_F(DbControlsTest, NoTypingWithoutAutoEditOrIntoReadOnlyMaskedEdit) {
    addCard(t(), 7, "Amanita", "heslo1");
    source.AutoEdit = false;
    showActive(&window);
    nla->setFocus();
    QTest::keyClicks(nla, "zz");
    QTest::keyClick(nla, Qt::Key_Backspace);
    EXPECT_EQ(nla->text(), "Amanita");
    EXPECT_EQ(t().State(), TDataSetState::Browse);

    source.AutoEdit = true;
    lk->setReadOnly(true);
    lk->setEchoMode(QLineEdit::Password);
    EXPECT_EQ(lk->text(), "heslo1");
    EXPECT_NE(lk->displayText(), "heslo1");
    EXPECT_EQ(lk->displayText().size(), 6);
    lk->setFocus();
    QTest::keyClicks(lk, "abc");
    EXPECT_EQ(lk->text(), "heslo1");
    EXPECT_EQ(t().State(), TDataSetState::Browse);
}

TEST_F(DbControlsTest, CancelDropsTypedText) {
    addCard(t(), 7, "Amanita");
    showActive(&window);
    nla->setFocus();
    QTest::keyClicks(nla, "xyz");
    EXPECT_TRUE(nla->isPending());
    t().Cancel();
    EXPECT_EQ(nla->text(), "Amanita");
    EXPECT_FALSE(nla->isPending());
    QTest::keyClick(nla, Qt::Key_Tab);
    EXPECT_EQ(t().State(), TDataSetState::Browse);
    EXPECT_EQ(column(t(), "Nla"), QStringList{"Amanita"});
}

TEST_F(DbControlsTest, TextHandlerReplacesTheConversion) {
    addCard(t(), 7, "Amanita");
    auto* d = new TDBEdit(&window);
    d->setDataSource(&source);
    d->setDataField("D");
    window.layout()->addWidget(d);
    d->setTextHandler([](TField* f, const QString& text) { f->setAsDate(QDate(2026, 3, text.toInt())); });
    showActive(&window);
    d->setFocus();
    QTest::keyClicks(d, "5");
    QTest::keyClick(d, Qt::Key_Tab);
    EXPECT_EQ(t().FieldByName("D")->AsDate(), QDate(2026, 3, 5));
    EXPECT_EQ(d->text(), "05.03.2026");  // the stored form is shown after writing
}

// ---- check box ------------------------------------------------------------------------------

class DbCheckBoxTest : public EngineFixture {
protected:
    void SetUp() override {
        engine::TableLayout l;
        l.fields = {{"ID", engine::FieldType::AutoInc, 0}, {"Pdh", engine::FieldType::Boolean, 0}};
        l.primaryKey = 0;
        TTable::CreateTable(dir.path(), "Flags", l, {}, kPassword);
        flags = table("Flags");
        flags->Open();
        source.setDataSet(flags.get());
        box = new TDBCheckBoxz(&window);
        box->setDataSource(&source);
        box->setDataField("Pdh");
        new QVBoxLayout(&window);
        window.layout()->addWidget(box);
    }
    std::unique_ptr<TTable> flags;
    TDataSource source;
    QDialog window;
    TDBCheckBoxz* box = nullptr;
    MessageRecorder boxes;
};

TEST_F(DbCheckBoxTest, TickingStartsAnInsertOrAnEditAndWritesTheField) {
    showActive(&window);
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Space);
    EXPECT_EQ(flags->State(), TDataSetState::Insert);
    EXPECT_TRUE(box->isChecked());
    flags->Post();
    EXPECT_TRUE(flags->FieldByName("Pdh")->AsBoolean());

    QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_EQ(flags->State(), TDataSetState::Edit);
    EXPECT_FALSE(box->isChecked());
    flags->Cancel();
    EXPECT_TRUE(box->isChecked());

    source.AutoEdit = false;
    QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(flags->State(), TDataSetState::Browse);
}

// ---- grid -----------------------------------------------------------------------------------

class DbGridTest : public EngineFixture {
protected:
    void SetUp() override {
        createCards();
        cards = table();
        cards->Open();
        cards->FieldByName("Nla")->setDisplayLabel("Název");
        addCard(*cards, 3, "Cc", "", QDate(), "A");
        addCard(*cards, 1, "Aa", "", QDate(), "N");
        addCard(*cards, 2, "Bb", "", QDate(), "A");
        cards->First();
        source.setDataSet(cards.get());
        grid.setColumns({{"Evc", "Číslo", 50, true}, {"Nla", "", 120, false}});
        grid.setDataSource(&source);
    }

    QStringList shown(int column) const {
        QStringList out;
        for (int r = 0; r < grid.model()->rowCount(); ++r) out << grid.model()->index(r, column).data().toString();
        return out;
    }

    std::unique_ptr<TTable> cards;
    TDataSource source;
    TDBGrid grid;
    MessageRecorder boxes;
};

TEST_F(DbGridTest, ShowsRecordsInTheDatasetOrderWithTitlesWidthsAndFonts) {
    EXPECT_EQ(shown(0), (QStringList{"3", "1", "2"}));
    EXPECT_EQ(shown(1), (QStringList{"Cc", "Aa", "Bb"}));
    EXPECT_EQ(grid.model()->headerData(0, Qt::Horizontal).toString(), "Číslo");
    EXPECT_EQ(grid.model()->headerData(1, Qt::Horizontal).toString(), "Název");
    EXPECT_EQ(grid.columnWidth(0), 50);
    EXPECT_EQ(grid.columnWidth(1), 120);
    EXPECT_TRUE(grid.model()->index(0, 0).data(Qt::FontRole).value<QFont>().bold());
    EXPECT_FALSE(grid.model()->index(0, 1).data(Qt::FontRole).value<QFont>().bold());
    EXPECT_FALSE(grid.model()->flags(grid.model()->index(0, 0)) & Qt::ItemIsEditable);

    cards->setIndexFieldNames("Nla");
    EXPECT_EQ(shown(1), (QStringList{"Aa", "Bb", "Cc"}));
    cards->setFilter("Neh = 'A'");
    cards->setFiltered(true);
    EXPECT_EQ(shown(1), (QStringList{"Bb", "Cc"}));
}

TEST_F(DbGridTest, CurrentRowFollowsTheCursorBothWays) {
    EXPECT_EQ(grid.currentIndex().row(), 0);
    cards->Next();
    EXPECT_EQ(grid.currentIndex().row(), 1);
    EXPECT_TRUE(grid.selectionModel()->isRowSelected(1, {}));
    cards->Last();
    EXPECT_EQ(grid.currentIndex().row(), 2);

    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&grid));
    grid.setFocus();
    QTest::keyClick(&grid, Qt::Key_Up);
    EXPECT_EQ(cards->FieldByName("Evc")->AsInteger(), 1);
    QTest::keyClick(&grid, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(cards->FieldByName("Evc")->AsInteger(), 3);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.visualRect(grid.model()->index(2, 1)).center());
    EXPECT_EQ(cards->FieldByName("Evc")->AsInteger(), 2);
    EXPECT_EQ(grid.currentIndex().row(), 2);
}

TEST_F(DbGridTest, WalkingLeavesEditsAndScrollHandlersAlone) {
    int scrolls = 0;
    cards->AfterScroll = [&](TDataSet&) { ++scrolls; };
    grid.refresh();
    EXPECT_EQ(scrolls, 0);
    cards->Next();
    EXPECT_EQ(scrolls, 1);  // the user's move, not the grid's reading

    cards->Edit();
    cards->FieldByName("Nla")->setAsString("Zz");
    EXPECT_EQ(cards->State(), TDataSetState::Edit);
    EXPECT_EQ(shown(1), (QStringList{"Cc", "Zz", "Bb"}));
    cards->Cancel();
    EXPECT_EQ(shown(1), (QStringList{"Cc", "Aa", "Bb"}));
    EXPECT_EQ(grid.currentIndex().row(), 1);

    // A second grid over the same dataset: neither keeps waking the other.
    TDBGrid other;
    other.setColumns({{"Nla", "", 64, false}});
    other.setDataSource(&source);
    cards->Next();
    EXPECT_EQ(other.currentIndex().row(), 2);
    EXPECT_EQ(grid.currentIndex().row(), 2);
}

TEST_F(DbGridTest, MovingOffAnEditPostsItAndAFailedPostIsReported) {
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&grid));
    cards->Edit();
    cards->FieldByName("Nla")->setAsString("Zz");
    grid.setFocus();
    QTest::keyClick(&grid, Qt::Key_Down);
    EXPECT_EQ(cards->State(), TDataSetState::Browse);
    EXPECT_EQ(cards->FieldByName("Evc")->AsInteger(), 1);
    QTest::qWait(0);
    EXPECT_EQ(shown(1), (QStringList{"Zz", "Aa", "Bb"}));

    cards->Edit();
    cards->FieldByName("Evc")->setAsInteger(2);  // the unique index refuses it on post
    QTest::keyClick(&grid, Qt::Key_Down);
    ASSERT_EQ(boxes.boxes.size(), 1);
    EXPECT_EQ(boxes.boxes[0].kind, MsgKind::Error);
    EXPECT_EQ(cards->State(), TDataSetState::Edit);
    QTest::qWait(0);
    EXPECT_EQ(grid.currentIndex().row(), 1);  // back on the record still being edited
}

TEST_F(DbGridTest, ClosedOrFailingDatasetShowsAnEmptyGrid) {
    cards->Close();
    EXPECT_EQ(grid.model()->rowCount(), 0);
    cards->Open();
    EXPECT_EQ(grid.model()->rowCount(), 3);

    cards->Close();
    cards->AddCalcField("Bad", engine::FieldType::String, 10);
    cards->OnCalcFields = [](TDataSet&) { throw EDatabaseError("nelze spočítat"); };
    grid.setColumns({{"Nla", "", 64, false}, {"Bad", "", 64, false}});
    EXPECT_NO_THROW(cards->Open());
    EXPECT_EQ(grid.model()->rowCount(), 0);
    EXPECT_TRUE(boxes.boxes.isEmpty());

    source.setDataSet(nullptr);
    EXPECT_EQ(grid.model()->rowCount(), 0);
}

// ---- navigator ------------------------------------------------------------------------------

TEST_F(DbGridTest, NavigatorActsEnablesItsButtonsAndConfirmsDeletesWhenAsked) {
    TDBNavigator nav;
    nav.setDataSource(&source);
    QVector<TDBNavigator::Button> clicks;
    QObject::connect(&nav, &TDBNavigator::clicked, [&](TDBNavigator::Button b) { clicks << b; });
    auto enabled = [&](TDBNavigator::Button b) { return nav.button(b)->isEnabled(); };

    EXPECT_FALSE(enabled(TDBNavigator::First));  // at the first record
    EXPECT_TRUE(enabled(TDBNavigator::Next));
    EXPECT_FALSE(enabled(TDBNavigator::Post));
    nav.button(TDBNavigator::Last)->click();
    EXPECT_EQ(cards->FieldByName("Evc")->AsInteger(), 2);
    EXPECT_FALSE(enabled(TDBNavigator::Next));
    EXPECT_TRUE(enabled(TDBNavigator::Prior));
    nav.button(TDBNavigator::Edit)->click();
    EXPECT_EQ(cards->State(), TDataSetState::Edit);
    EXPECT_TRUE(enabled(TDBNavigator::Post));
    EXPECT_FALSE(enabled(TDBNavigator::Edit));
    nav.button(TDBNavigator::Cancel)->click();
    EXPECT_EQ(clicks, (QVector<TDBNavigator::Button>{TDBNavigator::Last, TDBNavigator::Edit, TDBNavigator::Cancel}));

    // Delete asks (OK, Storno); Storno keeps the record and is no click.
    boxes.answer(MsgResult::Cancel);
    nav.button(TDBNavigator::Delete)->click();
    ASSERT_EQ(boxes.boxes.size(), 1);
    EXPECT_EQ(boxes.boxes[0].text, "Smazat záznam?");
    EXPECT_EQ(boxes.boxes[0].buttons, MsgButtons::OkCancel);
    EXPECT_EQ(cards->RecordCount(), 3);
    nav.button(TDBNavigator::Delete)->click();
    EXPECT_EQ(cards->RecordCount(), 2);
    nav.ConfirmDelete = false;
    nav.button(TDBNavigator::Delete)->click();
    EXPECT_EQ(cards->RecordCount(), 1);
    EXPECT_EQ(boxes.boxes.size(), 2);
    EXPECT_EQ(clicks.size(), 5);

    // A failing action is reported and is no click.
    cards->Edit();
    cards->FieldByName("Evc")->setAsInteger(3);
    cards->Post();
    cards->Insert();
    cards->FieldByName("Evc")->setAsInteger(3);
    nav.button(TDBNavigator::Post)->click();
    EXPECT_EQ(boxes.boxes.last().kind, MsgKind::Error);
    EXPECT_EQ(cards->State(), TDataSetState::Insert);
    EXPECT_EQ(clicks.size(), 5);
}
