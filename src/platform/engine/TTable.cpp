#include "TTable.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <functional>
#include <map>

#include "FieldConvert.h"
#include "TDataSource.h"
#include "TDatabase.h"
#include "TableStore.h"

using engine::TableStore;

namespace {

// Which cursor holds the edit lock of a record, per shared store. The store's record lock
// belongs to its connection, which every cursor of the database on that file shares; without
// this a second cursor could edit or delete a record the first one is editing, and its Cancel
// would even release the first cursor's lock towards other programs.
using EditLocks = std::map<const TableStore*, std::map<quint32, const TTable*>>;
EditLocks& editLocks() {
    static EditLocks locks;
    return locks;
}

const TTable* editLockHolder(const TableStore* store, quint32 id) {
    const auto outer = editLocks().find(store);
    if (outer == editLocks().end()) return nullptr;
    const auto it = outer->second.find(id);
    return it == outer->second.end() ? nullptr : it->second;
}

void forgetEditLock(const TableStore* store, quint32 id) {
    const auto outer = editLocks().find(store);
    if (outer == editLocks().end()) return;
    outer->second.erase(id);
    if (outer->second.empty()) editLocks().erase(outer);
}

}  // namespace

TTable::TTable() = default;

TTable::~TTable() {
    try {
        Close();
    } catch (...) {
    }
    QObject::disconnect(m_masterConnection);
    QObject::disconnect(m_masterGone);
    if (m_database) m_database->unregisterDataSet(this);
}

void TTable::setDatabase(TDatabase* database) {
    if (m_database == database) return;
    Close();
    if (m_database) m_database->unregisterDataSet(this);
    m_database = database;
    if (m_database) m_database->registerDataSet(this);
}

void TTable::detachDatabase() {
    Close();
    m_database = nullptr;
}

QString TTable::tablePath() const {
    if (!m_database) return TableName;
    QString name = TableName;
    if (!name.contains(QLatin1Char('.'))) name += QLatin1String(".DB");
    return QDir(m_database->directory()).filePath(name);
}

TableStore& TTable::store() const { return *m_store; }

// ---- opening -------------------------------------------------------------------------------

void TTable::openCursor() {
    if (!m_database) throw EDatabaseError(QStringLiteral("Tabulka %1 nemá databázi.").arg(TableName));
    m_database->Open();
    TSession* session = m_database->Session();
    const QString path = tablePath();
    if (!QFileInfo::exists(path)) {
        throw EDBEngineError(EngineErrorCode::FileNotFound,
                             QStringLiteral("Tabulka %1 neexistuje.").arg(QDir::toNativeSeparators(path)));
    }
    TSession::LockTicket ticket;
    if (session) ticket = session->acquireTableLocks(QFileInfo(path).absolutePath());
    try {
        TableStore::OpenParams params;
        params.path = path;
        params.passwords = session ? session->passwords() : QStringList();
        params.exclusive = Exclusive;
        params.owner = m_database;
        m_store = TableStore::open(params);
        m_orderGeneration = ~quint64(0);
        if (!orderFor(m_indexFieldNames)) {
            throw EDatabaseError(QStringLiteral("Pro pole '%1' neexistuje index.").arg(m_indexFieldNames));
        }
    } catch (...) {
        m_store.reset();
        if (session) session->releaseTableLocks(ticket);
        throw;
    }
    m_locks = ticket;
}

void TTable::closeCursor() {
    if (m_store) {
        // Close() gives back the lock of an edit; this only guards against a lock left over.
        const auto outer = editLocks().find(m_store.get());
        if (outer != editLocks().end()) {
            std::vector<quint32> mine;
            for (const auto& [id, holder] : outer->second) {
                if (holder == this) mine.push_back(id);
            }
            for (quint32 id : mine) unlockAfterEdit(id);
        }
    }
    m_store.reset();
    m_order = nullptr;
    if (m_database && m_database->Session()) m_database->Session()->releaseTableLocks(m_locks);
    m_locks = {};
}

engine::TableLayout TTable::cursorLayout() const { return store().layout(); }

// ---- order ---------------------------------------------------------------------------------

const engine::Order* TTable::orderFor(const QString& names) const {
    const QString name = names.trimmed();
    if (name.isEmpty()) return &store().primaryOrder();
    const int field = store().layout().indexOf(name);
    return field < 0 ? nullptr : store().orderForField(field);
}

const engine::Order& TTable::order() const {
    if (m_orderGeneration != store().ordersGeneration() || !m_order) {
        m_order = orderFor(m_indexFieldNames);
        if (!m_order) m_order = &store().primaryOrder();
        m_orderGeneration = store().ordersGeneration();
    }
    return *m_order;
}

void TTable::setIndexFieldNames(const QString& names) {
    if (!Active()) {
        m_indexFieldNames = names;
        return;
    }
    CheckBrowseMode();
    if (!orderFor(names)) throw EDatabaseError(QStringLiteral("Pro pole '%1' neexistuje index.").arg(names));
    const quint32 current = currentId();
    m_indexFieldNames = names;
    m_orderGeneration = ~quint64(0);
    orderChanged();
    if (m_masterSource) {
        First();
    } else {
        moveToId(current);
    }
}

qsizetype TTable::orderSize() const { return qsizetype(order().rids.size()); }
quint32 TTable::idAt(qsizetype pos) const { return order().rids[size_t(pos)]; }
qsizetype TTable::positionOfId(quint32 id) const { return store().positionOf(order(), id); }
bool TTable::idLive(quint32 id) const { return store().isLive(id); }
QVariant TTable::storedValue(quint32 id, int fieldNo) const { return store().value(id, fieldNo); }
QVector<QVariant> TTable::storedValues(quint32 id) const { return store().values(id); }
bool TTable::storedTextBytes(quint32 id, int fieldNo, QByteArrayView& out) const {
    out = store().stringBytes(id, fieldNo);
    return true;
}
quint64 TTable::dataVersion() const {
    // A detail dataset's range follows its master's record as well as its own table.
    return (m_store ? store().version() : 0) + (m_masterTick << 40);
}

QVector<engine::IndexDef> TTable::IndexDefs() const { return m_store ? store().secondaryIndexes() : QVector<engine::IndexDef>(); }

// ---- writing -------------------------------------------------------------------------------

quint32 TTable::storeInsert(QVector<QVariant>& values) { return store().insert(values); }
void TTable::storeUpdate(quint32 id, const QVector<QVariant>& values) { store().update(id, values); }
void TTable::storeDelete(quint32 id) {
    const TTable* holder = editLockHolder(m_store.get(), id);
    if (holder && holder != this) {
        throw EDBEngineError(EngineErrorCode::RecordLocked, QStringLiteral("Záznam je uzamčen jiným uživatelem."));
    }
    store().remove(id);
}

bool TTable::lockForEdit(quint32 id) {
    if (const TTable* holder = editLockHolder(m_store.get(), id)) return holder == this;
    if (!store().tryLockRecord(id)) return false;
    editLocks()[m_store.get()][id] = this;
    return true;
}

void TTable::unlockAfterEdit(quint32 id) {
    if (!m_store || editLockHolder(m_store.get(), id) != this) return;
    forgetEditLock(m_store.get(), id);
    store().unlockRecord(id);
}
void TTable::refreshStore() { store().refresh(); }

// ---- master-detail -------------------------------------------------------------------------

void TTable::setMasterSource(TDataSource* source) {
    QObject::disconnect(m_masterConnection);
    QObject::disconnect(m_masterGone);
    m_masterSource = source;
    if (source) {
        m_masterConnection = QObject::connect(source, &TDataSource::dataChanged, source, [this](TField* field) {
            if (!field || field->FieldName().compare(m_masterFields, Qt::CaseInsensitive) == 0) masterChanged();
        });
        m_masterGone = QObject::connect(source, &QObject::destroyed, [this] { m_masterSource = nullptr; });
    }
    if (Active()) masterChanged();
}

bool TTable::masterValue(QVariant& value) const {
    if (!m_masterSource || !m_masterSource->DataSet()) return false;
    TDataSet* master = m_masterSource->DataSet();
    if (!master->Active() || master->IsEmpty()) {
        value = QVariant();
        return true;
    }
    TField* f = master->FindField(m_masterFields);
    value = f ? f->Value() : QVariant();
    return true;
}

void TTable::masterChanged() {
    ++m_masterTick;
    if (!Active()) return;
    CheckBrowseMode();
    First();
}

void TTable::range(qsizetype& lo, qsizetype& hi) const {
    lo = 0;
    hi = orderSize();
    QVariant mv;
    if (!masterValue(mv)) return;
    const engine::Order& o = order();
    if (!mv.isValid() || o.def.field < 0) {
        lo = hi = 0;
        return;
    }
    const QVariant key = valueFromKey(o.def.field, mv);
    lo = store().lowerBound(o, key);
    // The records equal to the key follow one another; the end of that run by binary search,
    // since every step of the cursor asks for the range again.
    const auto first = o.rids.begin() + lo;
    hi = std::partition_point(first, o.rids.end(), [&](quint32 id) { return store().compareToKey(o, id, key) == 0; }) -
         o.rids.begin();
}

void TTable::initNewRecord(QVector<QVariant>& values) {
    QVariant mv;
    if (!masterValue(mv) || !mv.isValid()) return;
    const int field = store().layout().indexOf(m_indexFieldNames.isEmpty() ? m_masterFields : m_indexFieldNames);
    if (field >= 0) values[field] = valueFromKey(field, mv);
}

// ---- searching -----------------------------------------------------------------------------

bool TTable::indexedLookup(int fieldNo, const QVariant& value, quint32& found, qsizetype& position) const {
    const engine::Order* o = store().orderForField(fieldNo);
    if (!o) return false;
    found = 0;
    qsizetype lo, hi;
    range(lo, hi);
    const bool sameOrder = o == &order();
    qsizetype best = hi;
    for (qsizetype p = store().lowerBound(*o, value); p < qsizetype(o->rids.size()); ++p) {
        const quint32 id = o->rids[size_t(p)];
        if (store().compareToKey(*o, id, value) != 0) break;
        // Equal under the collation is not enough: locate is exact.
        if (store().value(id, fieldNo) != value || !passes(id)) continue;
        // Of several equal values the one first in the current order wins, which need not be
        // the first in the index's own order.
        const qsizetype pos = sameOrder ? p : positionOfId(id);
        if (pos >= lo && pos < best) {
            best = pos;
            found = id;
            position = pos;
            if (sameOrder) break;
        }
    }
    return true;
}

bool TTable::FindKey(const QVariantList& keys) {
    checkActive();
    CheckBrowseMode();
    if (keys.isEmpty()) return false;
    const engine::Order& o = order();
    if (o.def.field < 0) throw EDatabaseError(QStringLiteral("Tabulka nemá index pro hledání klíče."));
    const QVariant key = valueFromKey(o.def.field, keys.first());
    qsizetype lo, hi;
    range(lo, hi);
    for (qsizetype p = std::max(lo, store().lowerBound(o, key)); p < hi; ++p) {
        const quint32 id = idAt(p);
        if (store().compareToKey(o, id, key) != 0) break;
        if (passes(id)) {
            moveToId(id);
            return true;
        }
    }
    return false;
}

void TTable::FindNearest(const QVariantList& keys) {
    checkActive();
    CheckBrowseMode();
    const engine::Order& o = order();
    if (o.def.field < 0 || keys.isEmpty()) {
        First();
        return;
    }
    const QVariant key = valueFromKey(o.def.field, keys.first());
    qsizetype lo, hi;
    range(lo, hi);
    moveToPositionOrAfter(std::clamp(store().lowerBound(o, key), lo, hi));
}

// ---- maintenance ---------------------------------------------------------------------------

namespace {

// Runs `body` with `t` open: opened for it (and closed again) when it is closed.
void whileOpen(TTable& t, const std::function<void()>& body) {
    const bool opened = !t.Active();
    if (opened) t.Open();
    try {
        body();
    } catch (...) {
        if (opened) t.Close();
        throw;
    }
    if (opened) t.Close();
}

}  // namespace

void TTable::AddIndex(const QString& name, const QString& fields) {
    whileOpen(*this, [&] {
        const int field = store().layout().indexOf(fields.trimmed());
        if (field < 0) throw EDatabaseError(QStringLiteral("Pole '%1' nebylo nalezeno.").arg(fields));
        engine::IndexDef def;
        def.field = field;
        def.name = name;
        def.suffix = engine::indexSuffixForField(field);
        store().addIndex(def);
    });
}

void TTable::AppendRecords(QVector<QVector<QVariant>>& rows) {
    whileOpen(*this, [&] {
        CheckBrowseMode();
        const engine::TableLayout& layout = store().layout();
        std::vector<QVector<QVariant>> converted;
        converted.reserve(size_t(rows.size()));
        for (const QVector<QVariant>& row : rows) {
            QVector<QVariant> values(layout.fields.size());
            for (int i = 0; i < layout.fields.size() && i < row.size(); ++i) {
                if (layout.fields[i].type == engine::FieldType::AutoInc || !row[i].isValid()) continue;
                values[i] = engine::convertValue(layout.fields[i], row[i], layout.fields[i].name);
            }
            converted.push_back(std::move(values));
        }
        store().insertMany(converted);
        for (qsizetype i = 0; i < rows.size(); ++i) rows[i] = std::move(converted[size_t(i)]);
    });
}

void TTable::EmptyTable() {
    const bool wasActive = Active();
    whileOpen(*this, [&] {
        CheckBrowseMode();
        // Like Delete: a record another cursor is editing is not deleted under its feet (our own
        // edit was posted just now, so every lock left belongs to another cursor).
        const auto held = editLocks().find(m_store.get());
        if (held != editLocks().end() && !held->second.empty()) {
            throw EDBEngineError(EngineErrorCode::RecordLocked, QStringLiteral("Záznam je uzamčen jiným uživatelem."));
        }
        store().emptyTable();
    });
    if (wasActive) First();
}

void TTable::RegenerateIndexes() {
    checkActive();
    CheckBrowseMode();
    store().regenerateIndexes();
    m_orderGeneration = ~quint64(0);
    orderChanged();
    First();
}

void TTable::CreateTable(const QString& dir, const QString& tableName, const engine::TableLayout& layout,
                         const QVector<engine::IndexDef>& indexes, const QString& password) {
    QString name = tableName;
    if (!name.contains(QLatin1Char('.'))) name += QLatin1String(".DB");
    TableStore::create(QDir(dir).filePath(name), layout, indexes, password);
}
