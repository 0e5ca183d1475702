// The calendar dialog: month and year moves by key and button, the date label, accepting by
// double click or Enter, and the remembered position.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCalendarWidget>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTextCharFormat>

#include "EvzhDt.h"
#include "IniFile.h"
#include "TempDir.h"
#include "WindowPlacement.h"

namespace {

class CalendarTest : public ::testing::Test {
protected:
    void SetUp() override {
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }
    void TearDown() override { WindowPlacement::setFirmSettings(QString(), QString()); }

    // The day cells live in the calendar's own table view.
    QTableView* grid() const { return form.Calendar->findChild<QTableView*>(); }

    // Sends a key where the user types it: to the widget with the focus.
    void key(Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QWidget* target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr);
        QTest::keyClick(target, k, mods);
    }

    QModelIndex cellOfDay(int day) const {
        const QAbstractItemModel* m = grid()->model();
        for (int r = 0; r < m->rowCount(); ++r) {
            for (int c = 0; c < m->columnCount(); ++c) {
                // Day 15 appears once in a six-week grid: neighbours show only their far ends.
                if (m->index(r, c).data().toString() == QString::number(day)) return m->index(r, c);
            }
        }
        return {};
    }

    TEvzhDtForm form;
};

}  // namespace

TEST_F(CalendarTest, OpensAtLeastItsSizeWithTheFocusOnTheGridAndTheDateShown) {
    EXPECT_GE(form.width(), 335);
    EXPECT_GE(form.height(), 197);
    EXPECT_TRUE(form.Calendar->isAncestorOf(QApplication::focusWidget()) || form.Calendar->hasFocus());
    EXPECT_EQ(form.LabelDate->text(), QDate::currentDate().toString("dd.MM.yyyy"));
    EXPECT_TRUE(form.LabelDate->font().bold());
}

TEST_F(CalendarTest, PageKeysMoveByMonthAndYearKeepingTheDayInTheMonth) {
    form.setDate(QDate(2026, 3, 31));
    key(Qt::Key_PageUp);
    EXPECT_EQ(form.date(), QDate(2026, 2, 28));
    EXPECT_EQ(form.LabelDate->text(), "28.02.2026");
    EXPECT_EQ(form.Calendar->selectedDate(), QDate(2026, 2, 28));
    EXPECT_EQ(form.Calendar->monthShown(), 2);

    form.setDate(QDate(2028, 2, 29));
    key(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(form.date(), QDate(2029, 2, 28));

    form.setDate(QDate(2027, 1, 31));
    key(Qt::Key_PageDown);
    EXPECT_EQ(form.date(), QDate(2027, 2, 28));
    key(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(form.date(), QDate(2026, 2, 28));
    EXPECT_EQ(form.LabelDate->text(), "28.02.2026");

    // The keys work wherever the focus is in the window.
    form.OKButton->setFocus();
    key(Qt::Key_PageDown);
    EXPECT_EQ(form.date(), QDate(2026, 3, 28));
}

TEST_F(CalendarTest, ButtonsAndArrowKeysChangeTheDateAndTheLabel) {
    form.setDate(QDate(2024, 2, 29));
    QTest::mouseClick(form.NextYear, Qt::LeftButton);
    EXPECT_EQ(form.date(), QDate(2025, 2, 28));
    QTest::mouseClick(form.PrevMonth, Qt::LeftButton);
    EXPECT_EQ(form.date(), QDate(2025, 1, 28));
    QTest::mouseClick(form.NextMonth, Qt::LeftButton);
    QTest::mouseClick(form.PrevYear, Qt::LeftButton);
    EXPECT_EQ(form.date(), QDate(2024, 2, 28));

    grid()->setFocus();
    key(Qt::Key_Right);
    EXPECT_EQ(form.date(), QDate(2024, 2, 29));
    EXPECT_EQ(form.LabelDate->text(), "29.02.2024");
    key(Qt::Key_Right);
    EXPECT_EQ(form.date(), QDate(2024, 3, 1));
    EXPECT_EQ(form.Calendar->monthShown(), 3);
}

TEST_F(CalendarTest, DoubleClickOrEnterAcceptsAndEscCancels) {
    form.setDate(QDate(2026, 5, 3));
    const QModelIndex cell = cellOfDay(15);
    ASSERT_TRUE(cell.isValid());
    const QPoint at = grid()->visualRect(cell).center();
    // A real double click: press and release, then the double-click press.
    QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, at);
    EXPECT_TRUE(form.isVisible());  // a single click only selects
    QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.date(), QDate(2026, 5, 15));

    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    key(Qt::Key_PageUp);
    key(Qt::Key_Escape);
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_EQ(form.date(), QDate(2026, 4, 15));  // the dialog keeps its last date

    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    key(Qt::Key_Return);
    EXPECT_EQ(form.result(), QDialog::Accepted);
}

TEST_F(CalendarTest, OnlyTheDaysOfTheShownMonthShowAndTakeClicks) {
    form.setDate(QDate(2026, 5, 3));  // 1 May 2026 is a Friday: 27 to 30 April stand before it
    EXPECT_EQ(grid()->model()->index(0, 0).data().toString(), QString("po"));  // Czech day names
    for (QDate neighbour : {QDate(2026, 4, 30), QDate(2026, 6, 1)}) {
        EXPECT_EQ(form.Calendar->dateTextFormat(neighbour).foreground().color().alpha(), 0);
    }
    EXPECT_NE(form.Calendar->dateTextFormat(QDate(2026, 5, 31)).foreground().color().alpha(), 0);
    const QModelIndex first = cellOfDay(1);
    ASSERT_TRUE(first.isValid());
    const QModelIndex april30 = grid()->model()->index(first.row(), first.column() - 1);
    QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, grid()->visualRect(april30).center());
    QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {}, grid()->visualRect(april30).center());
    EXPECT_EQ(form.date(), QDate(2026, 5, 3));
    EXPECT_TRUE(form.isVisible());
    // The next page hides its own neighbours.
    key(Qt::Key_PageDown);
    EXPECT_EQ(form.Calendar->dateTextFormat(QDate(2026, 5, 31)).foreground().color().alpha(), 0);
}

TEST_F(CalendarTest, PositionIsRememberedPerFirm) {
    form.hide();
    TempDir dir;
    const QString ini = dir.file("Firma.ini");
    WindowPlacement::setFirmSettings(ini, "D1");
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    const QPoint byDefault = WindowPlacement::narrowScreen() ? QPoint(148, 128) : QPoint(228, 188);
    EXPECT_EQ(form.pos(), byDefault);

    form.move(300, 210);
    form.reject();
    EXPECT_EQ(IniFile(ini).readInteger("D1", "KalendarTop", 0), 210);
    EXPECT_EQ(IniFile(ini).readInteger("D1", "KalendarLeft", 0), 300);

    form.move(0, 0);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    EXPECT_EQ(form.pos(), QPoint(300, 210));
}
