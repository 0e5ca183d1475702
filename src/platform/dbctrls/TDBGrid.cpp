#include "TDBGrid.h"

#include <QAbstractTableModel>
#include <QFont>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QSet>

#include "DbCtrlsError.h"
#include "TDataSet.h"
#include "TDataSource.h"
#include "TField.h"

// The texts the grid shows: one row per record, identified by the record's bookmark.
class TDBGridModel : public QAbstractTableModel {
public:
    struct Row {
        quint32 id = 0;
        QStringList values;
        bool operator==(const Row&) const = default;
    };

    using QAbstractTableModel::QAbstractTableModel;

    QVector<TDBGrid::Column> columns;
    QStringList titles;

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
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole) return titles.value(section);
        return QAbstractTableModel::headerData(section, orientation, role);
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
        m_rowOfId.clear();
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

    // Replaces the rows; an unchanged snapshot leaves the view (and its scrolling) alone.
    void setRows(QVector<Row> rows) {
        if (rows == m_rows) return;
        beginResetModel();
        m_rows = std::move(rows);
        m_rowOfId.clear();
        for (int i = 0; i < m_rows.size(); ++i) m_rowOfId.insert(m_rows[i].id, i);
        endResetModel();
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

    int rowOf(quint32 id) const { return m_rowOfId.value(id, -1); }
    quint32 idAt(int row) const { return row >= 0 && row < m_rows.size() ? m_rows[row].id : 0; }

private:
    QVector<Row> m_rows;
    QHash<quint32, int> m_rowOfId;
};

namespace {

// Datasets being walked by some grid. Walking moves the cursor with controls disabled, and
// enabling them again reports a change to every source of the dataset; grids ignore that
// report, or two grids over one dataset would keep waking each other.
QSet<const TDataSet*>& walking() {
    static QSet<const TDataSet*> set;
    return set;
}

bool editing(const TDataSet* ds) {
    return ds->State() == TDataSetState::Edit || ds->State() == TDataSetState::Insert;
}

// Reads every record of `ds` in its order and puts the cursor back. AfterScroll handlers are
// held back meanwhile: the walk is no move of the user's. A failure to read leaves `rows` empty.
void walk(TDataSet* ds, const TDBGridModel& model, QVector<TDBGridModel::Row>& rows) {
    struct Guard {
        TDataSet* ds;
        TDataSet::Event afterScroll;
        explicit Guard(TDataSet* d) : ds(d), afterScroll(std::move(d->AfterScroll)) {
            ds->AfterScroll = nullptr;
            walking().insert(ds);
            ds->DisableControls();
        }
        ~Guard() {
            ds->EnableControls();
            walking().remove(ds);
            ds->AfterScroll = std::move(afterScroll);
        }
    } guard(ds);

    TBookmark mark;
    try {
        mark = ds->GetBookmark();
        for (ds->First(); !ds->Eof(); ds->Next()) rows.append({ds->GetBookmark().id, model.readValues(ds)});
    } catch (const std::exception&) {
        rows.clear();  // a grid that cannot read its records shows none
    }
    try {
        if (mark.isValid() && ds->BookmarkValid(mark)) {
            ds->GotoBookmark(mark);
        } else if (!ds->IsEmpty()) {
            ds->First();
        }
    } catch (const std::exception&) {
        // The cursor stays where the failure left it; the next notification shows that.
    }
}

}  // namespace

TDBGrid::TDBGrid(QWidget* parent) : QTableView(parent), m_model(new TDBGridModel(this)) {
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setTabKeyNavigation(false);  // Tab leaves the grid for the next control
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsMovable(false);
    // Titles taken from the fields' labels may be longer than the ones given.
    connect(m_model, &QAbstractItemModel::headerDataChanged, this, &TDBGrid::applyWidths);
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
    refresh();
}

TDataSource* TDBGrid::DataSource() const {
    return m_source;
}

void TDBGrid::setColumns(const QVector<Column>& columns) {
    m_model->setColumns(columns);
    applyWidths();
    refresh();
}

const QVector<TDBGrid::Column>& TDBGrid::columns() const {
    return m_model->columns;
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

void TDBGrid::keyPressEvent(QKeyEvent* event) {
    const bool forward = event->key() == Qt::Key_Tab && event->modifiers() == Qt::NoModifier;
    const bool back = event->key() == Qt::Key_Backtab;
    if (tabKeyNavigation() && (forward || back)) {
        const int column = currentIndex().column();
        const bool atEdge = forward ? column >= m_model->columnCount() - 1 : column <= 0;
        if (atEdge || !currentIndex().isValid()) {
            // The widget's own focus move: the view's would send Tab to itself again.
            QWidget::focusNextPrevChild(forward);
            event->accept();
            return;
        }
    }
    QTableView::keyPressEvent(event);
}

void TDBGrid::onDataChanged(TField* field) {
    TDataSet* ds = m_source ? m_source->DataSet() : nullptr;
    if (ds && walking().contains(ds)) return;
    if (m_moving) {
        m_stale = true;
        return;
    }
    if (field) {
        // One field of the record being edited: only its row changes.
        if (ds && ds->Active()) {
            try {
                m_model->setRowValues(m_model->rowOf(ds->GetBookmark().id), m_model->readValues(ds));
            } catch (const std::exception&) {
            }
        }
        return;
    }
    refresh();
}

void TDBGrid::refresh() {
    TDataSet* ds = m_source ? m_source->DataSet() : nullptr;
    if (!ds || !ds->Active()) {
        m_model->setTitlesFrom(nullptr);
        m_model->setRows({});
        return;
    }
    if (walking().contains(ds)) return;
    m_model->setTitlesFrom(ds);
    if (editing(ds)) {
        // Walking would post the edit; the rows stay, the edited one shows its new texts.
        try {
            m_model->setRowValues(m_model->rowOf(ds->GetBookmark().id), m_model->readValues(ds));
        } catch (const std::exception&) {
        }
        followCursor();
        return;
    }
    QVector<TDBGridModel::Row> rows;
    walk(ds, *m_model, rows);
    m_model->setRows(std::move(rows));
    followCursor();
}

void TDBGrid::followCursor() {
    TDataSet* ds = m_source ? m_source->DataSet() : nullptr;
    int row = -1;
    try {
        if (ds && ds->Active()) row = m_model->rowOf(ds->GetBookmark().id);
    } catch (const std::exception&) {
        row = -1;
    }
    m_syncing = true;
    if (row < 0) {
        selectionModel()->clear();
    } else {
        const int column = std::max(0, currentIndex().column());
        const QModelIndex target = m_model->index(row, std::min(column, std::max(0, m_model->columnCount() - 1)));
        if (currentIndex() != target || !selectionModel()->isRowSelected(row, {})) {
            selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        }
        scrollTo(target);
    }
    m_syncing = false;
}

void TDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (m_syncing || m_moving || !current.isValid()) return;
    TDataSet* ds = m_source ? m_source->DataSet() : nullptr;
    if (!ds || !ds->Active()) return;
    const quint32 id = m_model->idAt(current.row());
    if (id == 0) return;
    m_moving = true;
    m_stale = false;
    bool moved = false;
    try {
        if (ds->GetBookmark().id != id) ds->GotoBookmark(TBookmark{id});  // posts a pending edit first
        moved = true;
    } catch (const std::exception& e) {
        dbctrls::reportError(e, this);
    }
    m_moving = false;
    // Changes seen during the move (a posted edit, a failed move) are shown once the view has
    // finished its own handling of the click or key.
    if (m_stale || !moved) QMetaObject::invokeMethod(this, &TDBGrid::refresh, Qt::QueuedConnection);
}
