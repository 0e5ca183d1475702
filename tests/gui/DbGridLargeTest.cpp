// The grid over a table of 100,000 records: the rows it shows are always the records of its
// window onto the cursor's order and filter, whatever the cursor does.
#include <QScrollBar>
#include <QTest>
#include <memory>

#include "EngineFixture.h"
#include "MessageRecorder.h"
#include "TDBGrid.h"
#include "TDataSource.h"

namespace {

constexpr int kRecords = 100000;

// Latin names grow with the number, localities are scattered, every tenth card is marked.
QString nameOf(int i) {
    return QStringLiteral("Druh %1").arg(i, 6, 10, QLatin1Char('0'));
}
QString localityOf(int i) {
    return QStringLiteral("Lokalita %1").arg(qint64(i) * 7919 % kRecords, 6, 10, QLatin1Char('0'));
}

}  // namespace

class DbGridLargeTest : public EngineFixture {
protected:
    void SetUp() override {
        createCards();
        {
            QVector<QVector<QVariant>> rows;
            for (int i = 0; i < kRecords; ++i) {
                rows.push_back({QVariant(), i + 1, nameOf(i), localityOf(i), QVariant(), i % 10 == 0 ? "A" : "N"});
            }
            table()->AppendRecords(rows);
        }
        cards = table();
        cards->Open();
        check = table();
        check->Open();
        source.setDataSet(cards.get());
        grid.resize(420, 320);
        grid.setColumns({{"Evc", "", 60, false}, {"Nla", "", 140, false}, {"Lk", "", 160, false}});
        grid.setDataSource(&source);
        grid.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
        QTest::qWait(0);
    }

    QString shown(int row, int column) const { return grid.model()->index(row, column).data().toString(); }

    // The rows shown against an independent cursor walked from the first record in the same order
    // and filter, and the current row against the cursor's record.
    void expectRowsMatchTheCursor() {
        const int rows = grid.model()->rowCount();
        ASSERT_GT(rows, 0);
        EXPECT_LE(rows, grid.visibleRowCount());  // the grid holds no more than it shows
        check->setIndexFieldNames(cards->IndexFieldNames());
        check->setFilter(cards->Filter());
        check->setFiltered(cards->Filtered());
        check->First();
        for (int p = 0; p < grid.topPosition(); ++p) check->Next();
        for (int r = 0; r < rows; ++r, check->Next()) {
            if (cards->State() == TDataSetState::Insert && r == grid.currentIndex().row()) {
                EXPECT_EQ(shown(r, 0), cards->FieldByName("Evc")->AsString());
                check->Prior();  // the new record is shown in front of the stored one
                continue;
            }
            ASSERT_FALSE(check->Eof());
            EXPECT_EQ(shown(r, 0), check->FieldByName("Evc")->AsString()) << "row " << r;
            EXPECT_EQ(shown(r, 2), check->FieldByName("Lk")->AsString()) << "row " << r;
        }
        ASSERT_GE(grid.currentIndex().row(), 0);
        EXPECT_EQ(shown(grid.currentIndex().row(), 0), cards->FieldByName("Evc")->AsString());
        const int total = cards->RecordCount() + (cards->State() == TDataSetState::Insert ? 1 : 0);
        EXPECT_EQ(grid.positionScrollBar()->maximum(), std::max(0, total - grid.visibleRowCount()));
        EXPECT_EQ(grid.positionScrollBar()->value(), grid.topPosition());
    }

    std::unique_ptr<TTable> cards;
    std::unique_ptr<TTable> check;
    TDataSource source;
    TDBGrid grid;
    MessageRecorder boxes;
};

TEST_F(DbGridLargeTest, RowsShownFollowTheCursorThroughMovesEditsOrdersAndFilters) {
    {
        SCOPED_TRACE("first and a jump into the middle");
        expectRowsMatchTheCursor();
        cards->MoveBy(50000);
        expectRowsMatchTheCursor();
        EXPECT_EQ(cards->FieldByName("Evc")->AsInteger(), 50001);
    }
    {
        SCOPED_TRACE("reading rows never moves the cursor");
        int scrolls = 0;
        cards->AfterScroll = [&](TDataSet&) { ++scrolls; };
        grid.refresh();
        QWheelEvent wheel(QPointF(10, 10), grid.mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, -240), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(grid.viewport(), &wheel);
        EXPECT_EQ(scrolls, 0);
        EXPECT_EQ(cards->FieldByName("Evc")->AsInteger(), 50001);
        cards->AfterScroll = nullptr;
    }
    {
        SCOPED_TRACE("keys of the grid");
        grid.setFocus();
        const int page = grid.visibleRowCount();
        QTest::keyClick(&grid, Qt::Key_PageDown);
        EXPECT_EQ(cards->FieldByName("Evc")->AsInteger(), 50001 + page);
        QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier);
        EXPECT_EQ(cards->FieldByName("Evc")->AsInteger(), kRecords);
        expectRowsMatchTheCursor();
        EXPECT_EQ(grid.currentIndex().row(), grid.model()->rowCount() - 1);
    }
    {
        SCOPED_TRACE("insert, post and delete at the end");
        cards->Prior();
        cards->Insert();
        cards->FieldByName("Evc")->setAsInteger(kRecords + 1);
        expectRowsMatchTheCursor();
        cards->Post();
        expectRowsMatchTheCursor();
        EXPECT_EQ(cards->RecordCount(), kRecords + 1);
        cards->First();
        cards->Delete();
        expectRowsMatchTheCursor();
        EXPECT_EQ(cards->FieldByName("Evc")->AsInteger(), 2);
    }
    {
        SCOPED_TRACE("order switch keeps the record in view");
        cards->MoveBy(31337);
        const QString evc = cards->FieldByName("Evc")->AsString();
        cards->setIndexFieldNames("Lk");
        EXPECT_EQ(cards->FieldByName("Evc")->AsString(), evc);
        expectRowsMatchTheCursor();
    }
    {
        SCOPED_TRACE("filter");
        cards->setFilter("Neh = 'A'");
        cards->setFiltered(true);
        EXPECT_EQ(cards->RecordCount(), kRecords / 10 - 1);  // card 1, marked, was deleted above
        expectRowsMatchTheCursor();
        cards->MoveBy(5000);
        const int before = cards->RecNo();
        cards->Delete();
        EXPECT_EQ(cards->RecNo(), before);
        expectRowsMatchTheCursor();
        cards->Last();
        expectRowsMatchTheCursor();
        cards->setFiltered(false);
        expectRowsMatchTheCursor();
    }
    EXPECT_TRUE(boxes.boxes.isEmpty());
}
