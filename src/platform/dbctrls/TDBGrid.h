#pragma once

#include <QPointer>
#include <QString>
#include <QTableView>
#include <QVector>

class TDataSource;
class TDBGridModel;
class TField;

// A read-only grid over the records of a data source's dataset, in the dataset's order with
// its filter applied. The current row follows the dataset's cursor, and selecting a row moves
// the cursor. Columns are given by field name, title (the field's display label when empty),
// width in pixels and boldness.
//
// The grid keeps a snapshot of the shown texts, read by walking the dataset whenever the
// source reports a change of record or state; that suits the small tables it is used for.
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

    // Reads the records again from the dataset (done by itself on the source's signals). A
    // closed dataset, or one that fails to read, shows an empty grid.
    void refresh();

protected:
    // With Tab navigation on, Tab moves between the columns of the current row and leaves the
    // grid after the last column (Shift+Tab before the first), instead of wrapping into the next
    // row and trapping the keyboard in the grid.
    void keyPressEvent(QKeyEvent* event) override;
    // Wide enough for every column (each at least as wide as its title), the row headers and
    // the vertical scroll bar.
    QSize sizeHint() const override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    void onDataChanged(TField* field);
    void followCursor();
    void applyWidths();

    TDBGridModel* m_model;
    QPointer<TDataSource> m_source;
    bool m_syncing = false;  // the grid is moving its current row to the dataset's cursor
    bool m_moving = false;   // the grid is moving the dataset's cursor to the selected row
    bool m_stale = false;    // a change arrived while moving the cursor
};
