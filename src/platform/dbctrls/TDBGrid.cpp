#include "TDBGrid.h"

#include <QAbstractTableModel>
#include <QFocusEvent>
#include <QFont>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QSet>
#include <QStyle>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>

#include "DbCtrlsError.h"
#include "MessageBox.h"
#include "TDataSet.h"
#include "TDataSource.h"
#include "TField.h"

// The shown rows: one per record of the grid's window onto the dataset.
class TDBGridModel : public QAbstractTableModel {
public:
    struct Row {
        quint32 id = 0;      // the record's bookmark; 0 for the new record being inserted
        bool isNew = false;  // the new record, not yet posted
        QStringList values;
        bool operator==(const Row&) const = default;
    };

    using QAbstractTableModel::QAbstractTableModel;

    QVector<TDBGrid::Column> columns;
    QStringList titles;
    bool indicator = false;

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(m_rows.size()); }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(columns.size());
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= m_rows.size() || index.column() >= columns.size()) return {};
        if (role == Qt::DisplayRole) return m_rows[index.row()].values.value(index.column());
        if (role == Qt::FontRole && columns[index.column()].bold) {
            QFont f;
            f.setBold(true);
            return f;
        }
        return {};
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
        if (orientation == Qt::Horizontal) return titles.value(section);
        // The indicator: the current record, marked by what is being done with it.
        return section == m_currentRow ? m_mark : QString();
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
    }

    void setColumns(const QVector<TDBGrid::Column>& cols) {
        beginResetModel();
        columns = cols;
        titles.clear();
        for (const auto& c : columns) titles << (c.title.isEmpty() ? c.field : c.title);
        m_rows.clear();
        m_currentRow = -1;
        endResetModel();
    }

    void setTitlesFrom(const TDataSet* ds) {
        QStringList t;
        for (const auto& c : columns) {
            const TField* f = ds ? ds->FindField(c.field) : nullptr;
            t << (!c.title.isEmpty() ? c.title : f ? f->DisplayLabel() : c.field);
        }
        if (t != titles) {
            titles = t;
            if (!columns.isEmpty()) emit headerDataChanged(Qt::Horizontal, 0, int(columns.size()) - 1);
        }
    }

    // Replaces the rows. The same number of rows only repaints what changed, so that the view
    // keeps its current cell and scrolling; another number resets the model.
    void setRows(QVector<Row> rows, int currentRow, const QString& mark) {
        const bool markChanged = currentRow != m_currentRow || mark != m_mark;
        const int oldCurrent = m_currentRow;
        m_currentRow = currentRow;
        m_mark = mark;
        if (rows.size() != m_rows.size()) {
            beginResetModel();
            m_rows = std::move(rows);
            endResetModel();
            return;
        }
        for (int r = 0; r < m_rows.size(); ++r) {
            if (m_rows[r] == rows[r]) continue;
            m_rows[r] = std::move(rows[r]);
            emit dataChanged(index(r, 0), index(r, std::max(0, int(columns.size()) - 1)));
        }
        if (markChanged && !m_rows.isEmpty()) {
            const int first =
                std::clamp(std::min(oldCurrent < 0 ? currentRow : oldCurrent, currentRow), 0, int(m_rows.size()) - 1);
            const int last = std::clamp(std::max(oldCurrent, currentRow), 0, int(m_rows.size()) - 1);
            emit headerDataChanged(Qt::Vertical, first, last);
        }
    }

    // Shows new texts for one row (the record being edited).
    void setRowValues(int row, const QStringList& values) {
        if (row < 0 || row >= m_rows.size() || m_rows[row].values == values) return;
        m_rows[row].values = values;
        emit dataChanged(index(row, 0), index(row, int(columns.size()) - 1));
    }

    QStringList readValues(const TDataSet* ds) const {
        QStringList values;
        for (const auto& c : columns) {
            const TField* f = ds->FindField(c.field);
            values << (f ? f->AsString() : QString());
        }
        return values;
    }

    int currentRow() const { return m_currentRow; }
    const Row* rowAt(int row) const { return row >= 0 && row < m_rows.size() ? &m_rows[row] : nullptr; }

private:
    QVector<Row> m_rows;
    int m_currentRow = -1;
    QString m_mark;
};

namespace {

QString indicatorMark(const TDataSet* ds) {
    switch (ds->State()) {
        case TDataSetState::Insert:
            return QStringLiteral("*");
        case TDataSetState::Edit:
            return QStringLiteral("I");
        default:
            return QStringLiteral("▶");
    }
}

}  // namespace

TDBGrid::TDBGrid(QWidget* parent)
    : QTableView(parent), m_model(new TDBGridModel(this)), m_scrollBar(new QScrollBar(Qt::Vertical, this)) {
    m_scrollBar->setObjectName(QStringLiteral("PositionScrollBar"));
    m_scrollBar->setFocusPolicy(Qt::NoFocus);
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setTabKeyNavigation(false);  // Tab leaves the grid for the next control
    setWordWrap(false);
    // The rows shown always fit; the scroll bar of record positions stands in for Qt's own.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsMovable(false);
    // Titles taken from the fields' labels may be longer than the ones given.
    connect(m_model, &QAbstractItemModel::headerDataChanged, this, &TDBGrid::applyWidths);
    connect(m_scrollBar, &QScrollBar::valueChanged, this, [this](int value) {
        if (!m_syncing) scrollToPosition(value);
    });
}

TDBGrid::~TDBGrid() = default;

void TDBGrid::setDataSource(TDataSource* source) {
    if (m_source == source) return;
    if (m_source) disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    if (m_source) {
        connect(m_source, &TDataSource::dataChanged, this, &TDBGrid::onDataChanged);
        connect(m_source, &TDataSource::stateChanged, this, [this] { onDataChanged(nullptr); });
    }
    m_top = 0;
    refresh();
}

TDataSource* TDBGrid::DataSource() const {
    return m_source;
}

TDataSet* TDBGrid::dataSet() const {
    return m_source ? m_source->DataSet() : nullptr;
}

void TDBGrid::setColumns(const QVector<Column>& columns) {
    m_model->setColumns(columns);
    applyWidths();
    refresh();
}

const QVector<TDBGrid::Column>& TDBGrid::columns() const {
    return m_model->columns;
}

void TDBGrid::setIndicator(bool on) {
    m_model->indicator = on;
    verticalHeader()->setVisible(on);
    if (on) verticalHeader()->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("▶")) + 10);
}

void TDBGrid::applyWidths() {
    // A title is never cut: the column grows to it where the given width is too small.
    for (int i = 0; i < m_model->columns.size(); ++i) {
        setColumnWidth(i, std::max(m_model->columns[i].width, horizontalHeader()->sectionSizeHint(i)));
    }
    updateGeometry();
}

QSize TDBGrid::sizeHint() const {
    int width = 2 * frameWidth() + verticalScrollBar()->sizeHint().width();
    if (verticalHeader()->isVisible()) width += verticalHeader()->sizeHint().width();
    for (int i = 0; i < m_model->columnCount(); ++i) width += columnWidth(i);
    return QSize(width, QTableView::sizeHint().height());
}

// ---- the window onto the dataset -----------------------------------------------------------

int TDBGrid::visibleRowCount() const {
    // Computed from the frame rather than from the viewport, so that a grid not yet shown (whose
    // viewport has not been laid out) shows as many rows as it will when shown.
    int height = contentsRect().height();
    if (!horizontalHeader()->isHidden()) height -= horizontalHeader()->sizeHint().height();
    if (horizontalScrollBar()->isVisible()) height -= horizontalScrollBar()->height();
    return std::max(1, height / std::max(1, verticalHeader()->defaultSectionSize()));
}

void TDBGrid::refresh() {
    reload(true);
}

void TDBGrid::reload(bool followCursor) {
    m_reloadQueued = false;
    TDataSet* ds = dataSet();
    QVector<TDBGridModel::Row> rows;
    int currentRow = -1;
    int total = 0;
    QString mark;
    if (ds && ds->Active()) {
        m_model->setTitlesFrom(ds);
        mark = indicatorMark(ds);
        try {
            const bool inserting = ds->State() == TDataSetState::Insert;
            total = ds->RecordCount() + (inserting ? 1 : 0);
            const int current = ds->CurrentPosition();
            const int visible = visibleRowCount();
            if (followCursor && current >= 0) {
                if (current < m_top) m_top = current;
                if (current >= m_top + visible) m_top = current - visible + 1;
            }
            m_top = std::clamp(m_top, 0, std::max(0, total - visible));
            const quint32 currentId = inserting ? 0 : ds->GetBookmark().id;
            for (int i = m_top; i < std::min(total, m_top + visible); ++i) {
                TDBGridModel::Row row;
                if (inserting && i == current) {
                    row.isNew = true;
                    row.values = m_model->readValues(ds);
                    currentRow = int(rows.size());
                } else {
                    const TBookmark b = ds->BookmarkAt(inserting && i > current ? i - 1 : i);
                    row.id = b.id;
                    if (!inserting && b.id == currentId) {
                        row.values = m_model->readValues(ds);  // the edit buffer while editing
                        currentRow = int(rows.size());
                    } else {
                        ds->ReadRecord(b, [&] { row.values = m_model->readValues(ds); });
                    }
                }
                rows.append(std::move(row));
            }
        } catch (const std::exception&) {
            // A grid that cannot read its records shows none.
            rows.clear();
            currentRow = -1;
            total = 0;
            m_top = 0;
        }
    } else {
        m_model->setTitlesFrom(nullptr);
        m_top = 0;
    }
    m_model->setRows(std::move(rows), currentRow, mark);
    m_syncing = true;
    const int visible = visibleRowCount();
    m_scrollBar->setRange(0, std::max(0, total - visible));
    m_scrollBar->setPageStep(visible);
    m_scrollBar->setValue(m_top);
    m_syncing = false;
    showCurrentRow();
}

void TDBGrid::showCurrentRow() {
    const int row = m_model->currentRow();
    m_syncing = true;
    if (row < 0) {
        selectionModel()->clear();
    } else {
        const int column = std::clamp(currentIndex().column(), 0, std::max(0, m_model->columnCount() - 1));
        const QModelIndex target = m_model->index(row, column);
        if (currentIndex() != target || !selectionModel()->isRowSelected(row, {})) {
            selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        }
        scrollTo(target);
    }
    m_syncing = false;
}

void TDBGrid::scrollToPosition(int top) {
    if (top == m_top) return;
    m_top = std::max(0, top);
    reload(false);
}

void TDBGrid::onDataChanged(TField* field) {
    if (m_moving) {
        m_stale = true;
        return;
    }
    TDataSet* ds = dataSet();
    if (field && ds && ds->Active()) {
        // One field of the record being edited: only its row changes.
        try {
            m_model->setRowValues(m_model->currentRow(), m_model->readValues(ds));
        } catch (const std::exception&) {
        }
        return;
    }
    reload(true);
}

// ---- moving the cursor ---------------------------------------------------------------------

template <typename F>
void TDBGrid::move(F action) {
    TDataSet* ds = dataSet();
    if (!ds || !ds->Active()) return;
    m_moving = true;
    m_stale = false;
    try {
        action(*ds);
    } catch (const std::exception& e) {
        m_moving = false;
        dbctrls::reportError(e, this);
    }
    m_moving = false;
    reload(true);
}

void TDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (m_syncing || m_moving || !current.isValid()) return;
    TDataSet* ds = dataSet();
    const TDBGridModel::Row* row = m_model->rowAt(current.row());
    if (!ds || !ds->Active() || !row || row->isNew || row->id == 0) return;
    if (ds->State() != TDataSetState::Insert && ds->GetBookmark().id == row->id) return;  // another column only
    const quint32 id = row->id;
    m_moving = true;
    try {
        ds->GotoBookmark(TBookmark{id});  // posts a pending edit first
    } catch (const std::exception& e) {
        dbctrls::reportError(e, this);
    }
    m_moving = false;
    // The view is in the middle of its own handling of the click: the rows are read again once
    // it has finished (a failed move shows the cursor's row again).
    if (!m_reloadQueued) {
        m_reloadQueued = true;
        QTimer::singleShot(0, this, [this] {
            if (m_reloadQueued) reload(true);
        });
    }
}

bool TDBGrid::stepColumn(int direction) {
    const int columns = m_model->columnCount();
    const int column = currentIndex().column() + direction;
    // An empty grid has no cell to step to: Tab leaves it instead of staying for ever.
    if (m_model->rowCount() == 0 || column < 0 || column >= columns) return false;
    m_syncing = true;
    setCurrentIndex(m_model->index(std::max(0, m_model->currentRow()), column));
    m_syncing = false;
    return true;
}

bool TDBGrid::stepRecord(bool forward) {
    bool moved = true;  // stays true when the move fails: its error box has been shown
    move([&](TDataSet& d) {
        if (forward) {
            d.Next();
            moved = !d.Eof();
        } else {
            d.Prior();
            moved = !d.Bof();
        }
    });
    if (!moved) return false;
    m_syncing = true;
    setCurrentIndex(m_model->index(std::max(0, m_model->currentRow()), forward ? 0 : m_model->columnCount() - 1));
    m_syncing = false;
    return true;
}

void TDBGrid::keyPressEvent(QKeyEvent* event) {
    TDataSet* ds = dataSet();
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (!ds || !ds->Active()) {
        QTableView::keyPressEvent(event);
        return;
    }
    const bool plain = mods == Qt::NoModifier;
    const int page = visibleRowCount();
    switch (event->key()) {
        case Qt::Key_Up:
            if (plain) return move([](TDataSet& d) { d.Prior(); });
            break;
        case Qt::Key_Down:
            if (plain) return move([](TDataSet& d) { d.Next(); });
            break;
        case Qt::Key_PageUp:
            if (plain) return move([page](TDataSet& d) { d.MoveBy(-page); });
            break;
        case Qt::Key_PageDown:
            if (plain) return move([page](TDataSet& d) { d.MoveBy(page); });
            break;
        case Qt::Key_Home:
            if (plain || mods == Qt::ControlModifier) return move([](TDataSet& d) { d.First(); });
            break;
        case Qt::Key_End:
            if (plain || mods == Qt::ControlModifier) return move([](TDataSet& d) { d.Last(); });
            break;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            if (tabKeyNavigation() && (plain || mods == Qt::ShiftModifier)) {
                const bool forward = event->key() == Qt::Key_Tab && plain;
                // Past the last cell of the row (or before its first) the key goes on to the
                // next (previous) record when the grid wraps, else the focus leaves the grid as
                // Tab does elsewhere; past the last record it always leaves, so the keyboard is
                // never trapped in a long table.
                if (stepColumn(forward ? 1 : -1)) return;
                if (TabWrapsRows && stepRecord(forward)) return;
                // The widget's own focus move: the view's would send Tab to itself again.
                QWidget::focusNextPrevChild(forward);
                return;
            }
            break;
        case Qt::Key_Delete:
            if (mods == Qt::ControlModifier) {
                if (ConfirmDelete && MessageBox::show(MsgKind::Confirmation, QStringLiteral("Smazat záznam?"),
                                                      MsgButtons::OkCancel, this) != MsgResult::Ok) {
                    return;
                }
                return move([](TDataSet& d) { d.Delete(); });
            }
            break;
        default:
            break;
    }
    QTableView::keyPressEvent(event);
}

void TDBGrid::wheelEvent(QWheelEvent* event) {
    // The wheel scrolls the view, three rows a notch; the cursor stays on its record.
    const int notches = event->angleDelta().y() / 120;
    if (notches != 0) scrollToPosition(std::max(0, m_top - 3 * notches));
    event->accept();
}

void TDBGrid::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason) return;
    // Leaving the grid drops a new record nobody has typed into.
    TDataSet* ds = dataSet();
    if (ds && ds->Active() && ds->State() == TDataSetState::Insert && !ds->Modified()) {
        try {
            ds->Cancel();
        } catch (const std::exception& e) {
            dbctrls::reportError(e, this);
        }
    }
}

// ---- geometry ------------------------------------------------------------------------------

void TDBGrid::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    placeScrollBar();
    // The number of rows that fit may have changed; read them once the layout has settled.
    if (!m_reloadQueued) {
        m_reloadQueued = true;
        QTimer::singleShot(0, this, [this] {
            if (m_reloadQueued) reload(true);
        });
    }
}

void TDBGrid::updateGeometries() {
    QTableView::updateGeometries();
    const QMargins m = viewportMargins();
    const int width = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    if (m.right() != width) setViewportMargins(m.left(), m.top(), width, m.bottom());
    placeScrollBar();
}

void TDBGrid::placeScrollBar() {
    const QRect area = contentsRect();
    const QRect view = viewport()->geometry();
    const int width = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    m_scrollBar->setGeometry(area.right() - width + 1, area.top(), width, std::max(0, view.bottom() - area.top() + 1));
    m_scrollBar->raise();
}
