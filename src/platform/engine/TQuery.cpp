#include "TQuery.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <algorithm>

#include "Collation.h"
#include "RowAccessor.h"
#include "SqlStatement.h"
#include "TDatabase.h"
#include "TSession.h"
#include "TableStore.h"
#include "Win1250.h"

using engine::FieldType;
using engine::TableStore;

namespace {

class StoreRow : public engine::RowAccessor {
public:
    StoreRow(const TableStore& store, quint32 rid) : m_store(store), m_rid(rid) {}
    QVariant value(int field) const override { return m_store.value(m_rid, field); }
    bool textBytes(int field, QByteArrayView& out) const override {
        out = m_store.stringBytes(m_rid, field);
        return true;
    }
    void setRid(quint32 rid) { m_rid = rid; }

private:
    const TableStore& m_store;
    quint32 m_rid;
};

int compareForOrder(FieldType type, const QVariant& a, const QVariant& b) {
    const bool an = !a.isValid(), bn = !b.isValid();
    if (an || bn) return an == bn ? 0 : (an ? -1 : 1);
    switch (type) {
        case FieldType::String: return engine::Collation::compare(a.toString(), b.toString());
        case FieldType::Date: return a.toDate() < b.toDate() ? -1 : (b.toDate() < a.toDate() ? 1 : 0);
        case FieldType::Boolean: return int(a.toBool()) - int(b.toBool());
        default: return a.toInt() < b.toInt() ? -1 : (a.toInt() > b.toInt() ? 1 : 0);
    }
}

// The selected values of one record read in a single pass over its payload, and a key that
// tells rows apart for DISTINCT made from the stored bytes, so that a repeated row costs no
// decoding. Text is keyed by its Windows-1250 bytes, which are the text itself unless they hold
// undefined codes (all shown as U+FFFD); such text is keyed by its decoded form.
class SelectedRow {
public:
    SelectedRow(const TableStore& store, const QVector<int>& selected)
        : m_store(store), m_selected(selected), m_offsets(size_t(store.layout().fields.size())) {}

    // Reads the record's field offsets; false for a payload that does not parse, which is then
    // read field by field.
    bool load(quint32 rid) {
        m_rid = rid;
        m_payload = m_store.payload(rid);
        m_parsed = m_store.codec().offsets(m_payload.data(), int(m_payload.size()), m_offsets.data());
        return m_parsed;
    }

    const QByteArray& distinctKey() {
        m_key.clear();
        const engine::TableLayout& layout = m_store.layout();
        for (int f : m_selected) {
            const int at = m_parsed ? m_offsets[size_t(f)] : -1;
            if (m_parsed && at < 0) {
                m_key += '-';
            } else if (m_parsed && layout.fields[f].type == FieldType::String &&
                       engine::Win1250::decodesDistinctly(textAt(at))) {
                appendPart('b', textAt(at));
            } else {
                const QVariant v = value(f);
                const QString text = v.isValid() ? QString::number(v.typeId()) + QLatin1Char(':') + v.toString() : QString();
                if (!v.isValid()) m_key += '-';
                else appendPart('v', QByteArrayView(reinterpret_cast<const char*>(text.utf16()), text.size() * 2));
            }
        }
        return m_key;
    }

    QVariant value(int field) const {
        if (!m_parsed) return m_store.value(m_rid, field);
        return m_store.codec().decodeAt(m_payload.data(), int(m_payload.size()), field, m_offsets[size_t(field)]);
    }

private:
    QByteArrayView textAt(int at) const {
        const char* p = m_payload.data() + at;
        const quint8 b0 = quint8(p[0]);
        if (b0 < 128) return QByteArrayView(p + 1, b0);
        return QByteArrayView(p + 2, ((b0 & 0x7F) << 8) | quint8(p[1]));
    }
    void appendPart(char tag, QByteArrayView bytes) {
        const qsizetype n = bytes.size();
        m_key += tag;
        m_key += char(n & 0xFF);
        m_key += char((n >> 8) & 0xFF);
        m_key += char((n >> 16) & 0xFF);
        m_key += bytes;
    }

    const TableStore& m_store;
    const QVector<int>& m_selected;
    std::vector<int> m_offsets;
    QByteArrayView m_payload;
    quint32 m_rid = 0;
    bool m_parsed = false;
    QByteArray m_key;
};

// The part of the records a statement must look at: the positions [lo, hi) of `order`. A key
// range of the WHERE clause on an indexed field narrows it to that stretch of the index; the
// narrowest one wins. Without one it is the whole `fallback` order.
struct Candidates {
    const engine::Order* order = nullptr;
    qsizetype lo = 0;
    qsizetype hi = 0;
};

Candidates candidatesFor(const TableStore& store, const engine::sql::Statement& stmt, const engine::Order* fallback) {
    Candidates best{fallback, 0, qsizetype(fallback->rids.size())};
    for (const engine::sql::KeyRange& r : stmt.keyRanges()) {
        const engine::Order* o = store.orderForField(r.field);
        if (!o) continue;
        auto below = [&](const QVariant& key, bool orEqual) {
            return std::partition_point(o->rids.begin(), o->rids.end(), [&](quint32 rid) {
                       const int c = store.compareToKey(*o, rid, key);
                       return orEqual ? c <= 0 : c < 0;
                   }) - o->rids.begin();
        };
        const qsizetype lo = r.low.isValid() ? below(r.low, !r.lowInclusive) : 0;
        const qsizetype hi = r.high.isValid() ? below(r.high, r.highInclusive) : qsizetype(o->rids.size());
        if (std::max<qsizetype>(0, hi - lo) < best.hi - best.lo) best = Candidates{o, lo, std::max(lo, hi)};
    }
    return best;
}

}  // namespace

// Holds the session's lock files while a statement reads or writes the table.
class QueryTableAccess {
public:
    QueryTableAccess(TDatabase* db, const QString& tableName) : m_session(db->Session()) {
        db->Open();
        QString name = tableName;
        if (!name.contains(QLatin1Char('.'))) name += QLatin1String(".DB");
        const QString path = QDir(db->directory()).filePath(name);
        if (!QFileInfo::exists(path)) {
            throw EDBEngineError(EngineErrorCode::FileNotFound,
                                 QStringLiteral("Tabulka %1 neexistuje.").arg(QDir::toNativeSeparators(path)));
        }
        if (m_session) m_ticket = m_session->acquireTableLocks(QFileInfo(path).absolutePath());
        try {
            TableStore::OpenParams params;
            params.path = path;
            params.passwords = m_session ? m_session->passwords() : QStringList();
            params.owner = db;
            store = TableStore::open(params);
        } catch (...) {
            if (m_session) m_session->releaseTableLocks(m_ticket);
            throw;
        }
    }
    ~QueryTableAccess() {
        store.reset();
        if (m_session) m_session->releaseTableLocks(m_ticket);
    }
    std::shared_ptr<TableStore> store;

private:
    TSession* m_session;
    TSession::LockTicket m_ticket;
};

TQuery::TQuery() { setReadOnly(true); }

TQuery::~TQuery() {
    try {
        Close();
    } catch (...) {
    }
    if (m_database) m_database->unregisterDataSet(this);
}

void TQuery::setDatabase(TDatabase* database) {
    if (m_database == database) return;
    Close();
    if (m_database) m_database->unregisterDataSet(this);
    m_database = database;
    if (m_database) m_database->registerDataSet(this);
}

void TQuery::detachDatabase() {
    Close();
    m_database = nullptr;
}

void TQuery::openCursor() {
    if (!m_database) throw EDatabaseError(QStringLiteral("Dotaz nemá databázi."));
    runSelect();
}

void TQuery::closeCursor() {
    m_rows.clear();
    m_rows.shrink_to_fit();
}

void TQuery::refreshStore() {
    runSelect();
    ++m_version;
}

void TQuery::runSelect() {
    engine::sql::Statement stmt = engine::sql::Statement::parse(SQL.join(QLatin1Char('\n')));
    if (stmt.kind() != engine::sql::StatementKind::Select) {
        throw EDBEngineError(EngineErrorCode::SqlError, QStringLiteral("Příkaz nevrací žádná data; použijte ExecSQL."));
    }
    QueryTableAccess access(m_database, stmt.tableName());
    const TableStore& store = *access.store;
    stmt.bind(store.layout());

    const QVector<int> selected = stmt.selectedFields();
    const QVector<engine::sql::OrderTerm> orderBy = stmt.orderBy();
    // Walk an index when it gives the wanted order already.
    const engine::Order* walk = &store.primaryOrder();
    if (orderBy.size() == 1) {
        if (const engine::Order* o = store.orderForField(orderBy[0].field)) walk = o;
    }
    const Candidates scan = candidatesFor(store, stmt, walk);
    const bool ordered = orderBy.isEmpty() || (orderBy.size() == 1 && scan.order->def.field == orderBy[0].field);
    const bool descending = ordered && orderBy.size() == 1 && orderBy[0].descending;

    struct Row {
        QVector<QVariant> out;
        QVector<QVariant> keys;
    };
    std::vector<Row> rows;
    QSet<QByteArray> seen;
    StoreRow accessor(store, 0);
    SelectedRow current(store, selected);
    for (qsizetype i = scan.lo; i < scan.hi; ++i) {
        const quint32 rid = scan.order->rids[size_t(descending ? scan.hi - 1 - (i - scan.lo) : i)];
        accessor.setRid(rid);
        if (!stmt.matches(accessor)) continue;
        current.load(rid);
        if (stmt.distinct()) {
            const QByteArray& key = current.distinctKey();
            if (seen.contains(key)) continue;
            seen.insert(key);
        }
        Row row;
        row.out.reserve(selected.size());
        for (int f : selected) row.out << current.value(f);
        if (!ordered) {
            for (const auto& term : orderBy) row.keys << current.value(term.field);
        }
        rows.push_back(std::move(row));
    }
    if (!ordered) {
        const engine::TableLayout& layout = store.layout();
        std::stable_sort(rows.begin(), rows.end(), [&](const Row& a, const Row& b) {
            for (int i = 0; i < orderBy.size(); ++i) {
                int c = compareForOrder(layout.fields[orderBy[i].field].type, a.keys[i], b.keys[i]);
                if (orderBy[i].descending) c = -c;
                if (c != 0) return c < 0;
            }
            return false;
        });
    }

    m_resultLayout = engine::TableLayout();
    for (int f : selected) {
        engine::FieldDef def = store.layout().fields[f];
        if (def.type == FieldType::AutoInc) def.type = FieldType::Integer;  // a result column is a plain value
        m_resultLayout.fields << def;
    }
    m_rows.clear();
    m_rows.reserve(rows.size());
    for (Row& r : rows) m_rows.push_back(std::move(r.out));
    ++m_version;
}

void TQuery::ExecSQL() {
    if (!m_database) throw EDatabaseError(QStringLiteral("Dotaz nemá databázi."));
    Close();
    engine::sql::Statement stmt = engine::sql::Statement::parse(SQL.join(QLatin1Char('\n')));
    if (stmt.kind() == engine::sql::StatementKind::Select) {
        runSelect();
        m_rows.clear();
        m_rowsAffected = 0;
        return;
    }
    QueryTableAccess access(m_database, stmt.tableName());
    TableStore& store = *access.store;
    stmt.bind(store.layout());
    std::vector<quint32> matching;
    StoreRow accessor(store, 0);
    const Candidates scan = candidatesFor(store, stmt, &store.primaryOrder());
    for (qsizetype i = scan.lo; i < scan.hi; ++i) {
        const quint32 rid = scan.order->rids[size_t(i)];
        accessor.setRid(rid);
        if (stmt.matches(accessor)) matching.push_back(rid);
    }
    m_rowsAffected = store.updateField(matching, stmt.updateField(), stmt.updateValue());
}
