#pragma once

#include <QPointer>
#include <QString>
#include <QTableView>
#include <QVector>

class QScrollBar;
class TDataSet;
class TDataSource;
class TDBGridModel;
class TField;

// A read-only grid over the records of a data source's dataset, in the dataset's order with
// its filter applied. The current row follows the dataset's cursor, and selecting a row moves
// the cursor. Columns are given by field name, title (the field's display label when empty),
// width in pixels and boldness.
//
// The grid holds only the rows it shows: it asks the dataset for the records at the positions
// of its window (TDataSet::BookmarkAt, ReadRecord), never walks the table and never moves the
// cursor to read, so a grid over a million cards costs what a grid over ten does. Its vertical
// scroll bar is its own, ranging over record positions. While the dataset inserts, the new
// record is shown at the place of the record that was current before.
//
// Keys: Up and Down move to the prior and next record, PgUp and PgDn by a page, Home and End
// (also with Ctrl) to the first and last record, Left and Right between columns; with tab
// key navigation Tab and Shift+Tab step through the columns of the current record and then
// leave the grid, or with TabWrapsRows go on to the next or previous record. Ctrl+Del deletes the current record (after "Smazat záznam?" when ConfirmDelete is on).
// Leaving the grid drops an unchanged new record. A failure of a move is shown in an error box.
class TDBGrid : public QTableView {
    Q_OBJECT
public:
    struct Column {
        QString field;
        QString title;
        int width = 64;
        bool bold = false;
    };

    explicit TDBGrid(QWidget* parent = nullptr);
    ~TDBGrid() override;

    void setDataSource(TDataSource* source);
    TDataSource* DataSource() const;
    void setColumns(const QVector<Column>& columns);
    const QVector<Column>& columns() const;
    // The row indicator at the left: the current row marked for browsing, editing or a new record.
    void setIndicator(bool on);
    // Ctrl+Del asks "Smazat záznam?" (OK, Storno) before deleting. Off unless set.
    bool ConfirmDelete = false;
    // With tab key navigation: Tab past the last column goes on to the first column of the next
    // record, Shift+Tab before the first column to the last column of the previous record. Only
    // past the last record (before the first) does the key leave the grid, so the keyboard is
    // never trapped in it. Off unless set: then Tab leaves after the current record's columns.
    bool TabWrapsRows = false;

    // Reads the shown rows again from the dataset (done by itself on the source's signals) and
    // scrolls so that the current record is shown. A closed dataset, or one that fails to read,
    // shows an empty grid.
    void refresh();
    // The position of the record in the first shown row, and the number of rows that fit.
    int topPosition() const { return m_top; }
    int visibleRowCount() const;
    QScrollBar* positionScrollBar() const { return m_scrollBar; }

protected:
    // Wide enough for every column (each at least as wide as its title), the row headers and
    // the vertical scroll bar.
    QSize sizeHint() const override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    // Record keys (arrows, pages, Ctrl+Home/End, Ctrl+Del). With Tab navigation on, Tab moves
    // between the columns of the current row; after the last column (Shift+Tab before the
    // first) it leaves the grid, or moves to the next (previous) record when TabWrapsRows is set.
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void updateGeometries() override;

private:
    TDataSet* dataSet() const;
    void onDataChanged(TField* field);
    // Reads the rows from position m_top on; with `followCursor` first scrolls to the current record.
    void reload(bool followCursor);
    void showCurrentRow();
    void scrollToPosition(int top);
    void applyWidths();
    void placeScrollBar();
    // Runs a move of the dataset's cursor, showing its failure in an error box.
    template <typename F>
    void move(F action);
    bool stepColumn(int direction);
    // Moves to the next (previous) record, landing in its first (last) column. False when there
    // is no such record; a move that failed with an error counts as done (the grid keeps the focus).
    bool stepRecord(bool forward);

    TDBGridModel* m_model;
    QScrollBar* m_scrollBar;
    QPointer<TDataSource> m_source;
    int m_top = 0;           // position of the record in the first shown row
    bool m_syncing = false;  // the grid is moving its current row to the dataset's cursor
    bool m_moving = false;   // the grid is moving the dataset's cursor
    bool m_stale = false;    // a change arrived while moving the cursor
    bool m_reloadQueued = false;
};
