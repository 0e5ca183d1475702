#pragma once

#include <QMetaObject>
#include <QVector>
#include <memory>

#include "IndexFile.h"
#include "TDataSet.h"
#include "TSession.h"

class TDatabase;
class TDataSource;
namespace engine {
class TableStore;
struct Order;
}

// A table cursor: the records of one table file of its database, in the order of an index,
// optionally filtered and linked to a master dataset.
class TTable : public TDataSet {
public:
    TTable();
    ~TTable() override;

    TDatabase* Database() const { return m_database; }
    void setDatabase(TDatabase* database);
    // File name of the table inside the database directory ("Hdok.DB"; "Hdok" works too).
    QString TableName;
    // Open the table so that no other session can have it open; fails while one has.
    bool Exclusive = false;

    // The order: the name of the index field ("Evc", "Nla"); empty for the primary key order
    // (physical order in a table without a key). A change keeps the current record.
    QString IndexFieldNames() const { return m_indexFieldNames; }
    void setIndexFieldNames(const QString& names);

    // Master-detail: the detail shows the records whose index field (IndexFieldNames) equals
    // the master's MasterFields value; appending fills that field.
    void setMasterSource(TDataSource* source);
    TDataSource* MasterSource() const { return m_masterSource; }
    void setMasterFields(const QString& fields) { m_masterFields = fields; }
    QString MasterFields() const { return m_masterFields; }

    // Key search in the current order, with the order's collation. FindKey moves to the first
    // record equal to the key and answers whether there was one; FindNearest moves to the first
    // record at or after the key (the last record when every key is smaller).
    bool FindKey(const QVariantList& keys);
    void FindNearest(const QVariantList& keys);

    // Appends many records as one durable write: all of them, or none when any is refused
    // (a duplicate unique key, a value its field cannot hold) or the write fails. Each row has
    // one value per field in field order (NULL for none); values are converted as a field's
    // setValue would, and autoincrement values are assigned in order and written back.
    // Opens the table for the call when it is closed.
    void AppendRecords(QVector<QVector<QVariant>>& rows);

    // Index maintenance.
    void AddIndex(const QString& name, const QString& fields);
    void EmptyTable();
    // Rebuilds every index and compacts the record file; the table must be open exclusively.
    void RegenerateIndexes();
    QVector<engine::IndexDef> IndexDefs() const;

    // Creates the files of a new, empty table `dir`/`tableName`.
    static void CreateTable(const QString& dir, const QString& tableName, const engine::TableLayout& layout,
                            const QVector<engine::IndexDef>& indexes, const QString& password);

    QString tablePath() const;
    void detachDatabase() override;

protected:
    void openCursor() override;
    void closeCursor() override;
    engine::TableLayout cursorLayout() const override;
    qsizetype orderSize() const override;
    quint32 idAt(qsizetype pos) const override;
    qsizetype positionOfId(quint32 id) const override;
    bool idLive(quint32 id) const override;
    QVariant storedValue(quint32 id, int fieldNo) const override;
    QVector<QVariant> storedValues(quint32 id) const override;
    bool storedTextBytes(quint32 id, int fieldNo, QByteArrayView& out) const override;
    quint64 dataVersion() const override;
    quint32 storeInsert(QVector<QVariant>& values) override;
    void storeUpdate(quint32 id, const QVector<QVariant>& values) override;
    void storeDelete(quint32 id) override;
    bool lockForEdit(quint32 id) override;
    void unlockAfterEdit(quint32 id) override;
    void refreshStore() override;
    void range(qsizetype& lo, qsizetype& hi) const override;
    bool indexedLookup(int fieldNo, const QVariant& value, quint32& found, qsizetype& position) const override;
    void initNewRecord(QVector<QVariant>& values) override;

private:
    const engine::Order& order() const;
    const engine::Order* orderFor(const QString& names) const;
    bool masterValue(QVariant& value) const;
    void masterChanged();
    engine::TableStore& store() const;

    TDatabase* m_database = nullptr;
    std::shared_ptr<engine::TableStore> m_store;
    TSession::LockTicket m_locks;
    QString m_indexFieldNames;
    mutable const engine::Order* m_order = nullptr;
    mutable quint64 m_orderGeneration = ~quint64(0);
    TDataSource* m_masterSource = nullptr;
    QString m_masterFields;
    QMetaObject::Connection m_masterConnection;
    quint64 m_masterTick = 0;
    QMetaObject::Connection m_masterGone;
};
