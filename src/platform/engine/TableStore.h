#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>
#include <memory>
#include <vector>

#include "FieldDef.h"
#include "IndexFile.h"
#include "RecordCodec.h"
#include "RecordFile.h"
#include "StorageFormat.h"

namespace engine {

class FileHandle;

// One order of the records: the primary key, a secondary index, or the physical order of a
// table without a key (def.field == -1). `rids` lists the live records in order; equal keys are
// ordered by the primary key (by record identity in a table without one).
struct Order {
    IndexDef def;
    std::vector<quint32> rids;
};

// The records of one table file as one open connection sees them: every record of the file
// held in memory, the orders kept sorted, and the writes made durable before they return.
// All cursors of one database on one file share a store, so each sees the others' changes at
// once; other connections (other processes, other databases) see them after a refresh or before
// their own next write, which re-reads what the file gained.
//
// Writes: under the file's write lock the store first reads what others appended, checks unique
// keys against that fresh state, appends the new slots, syncs, and only then updates memory.
// A failure leaves memory as it was and throws.
class TableStore {
public:
    struct OpenParams {
        QString path;          // the record file, "<dir>/<Table>.DB"
        QStringList passwords; // the session's table passwords
        bool exclusive = false;
        const void* owner = nullptr;  // connections are shared per owner (database)
    };

    // Opens (or shares) the store of `params.path`. Throws EDBEngineError: FileNotFound,
    // TableInUse (exclusive refused or held exclusively by another), InvalidPassword,
    // FileCorrupt (naming the damaged file), IoError.
    static std::shared_ptr<TableStore> open(const OpenParams& params);
    // Creates the record file and the index files of a new, empty table. Throws when the file
    // exists or cannot be written.
    static void create(const QString& path, const TableLayout& layout, const QVector<IndexDef>& indexes,
                       const QString& password);
    // Base file name without extension for a table name ("Hdok" or "Hdok.DB" -> "Hdok").
    static QString baseName(const QString& tableName);

    ~TableStore();
    TableStore(const TableStore&) = delete;
    TableStore& operator=(const TableStore&) = delete;

    const TableLayout& layout() const { return m_header.layout; }
    const QString& path() const { return m_path; }
    bool isExclusive() const { return m_exclusive; }
    // Increases with every change this connection applies, its own or read from the file.
    quint64 version() const { return m_version; }
    // Increases whenever the set of orders is rebuilt (Order pointers become invalid).
    quint64 ordersGeneration() const { return m_ordersGeneration; }

    int liveCount() const { return m_liveCount; }
    bool isLive(quint32 rid) const { return rid < m_recs.size() && m_recs[rid].payload; }
    QVariant value(quint32 rid, int field) const;
    QVector<QVariant> values(quint32 rid) const;
    // The stored Windows-1250 bytes of a text field, empty for NULL or a record that is gone.
    QByteArrayView stringBytes(quint32 rid, int field) const;
    // The codec and payload of a live record, for reading several fields in one pass.
    const RecordCodec& codec() const { return *m_codec; }
    QByteArrayView payload(quint32 rid) const {
        return isLive(rid) ? QByteArrayView(m_recs[rid].payload, qsizetype(m_recs[rid].length)) : QByteArrayView();
    }

    // Orders. primaryOrder() is the key order, or the physical order of a table without a key.
    const Order& primaryOrder() const { return *m_orders.front(); }
    // The order of the key or secondary index on `field`, nullptr when there is none.
    const Order* orderForField(int field) const;
    const Order* orderBySuffix(const QString& suffix) const;
    QVector<IndexDef> secondaryIndexes() const;
    // Compares the key of record `rid` in `order` with `key` (already of the field's type).
    int compareToKey(const Order& order, quint32 rid, const QVariant& key) const;
    // Position of the first record whose key is not below `key` (the nearest match).
    qsizetype lowerBound(const Order& order, const QVariant& key) const;
    // Position of `rid` in `order`, -1 when it is not a live record.
    qsizetype positionOf(const Order& order, quint32 rid) const;

    // Changes; durable when they return. `values` has one entry per field; the autoincrement
    // field is assigned here and written back into `values`. Throws EDBEngineError:
    // KeyViolation (9729) for a duplicate unique key, IoError, RecordLocked.
    quint32 insert(QVector<QVariant>& values);
    // Inserts `rows` as one durable batch: all of them or, on any failure (a duplicate unique
    // key among them or with the table, an I/O error), none. Autoincrement values are assigned
    // in order and written back into the rows.
    void insertMany(std::vector<QVector<QVariant>>& rows);
    void update(quint32 rid, const QVector<QVariant>& values);
    void remove(quint32 rid);
    // Sets `field` to `value` in the records `rids` as one durable write; records that no
    // longer exist or already hold the value are skipped. Returns the number changed.
    int updateField(const std::vector<quint32>& rids, int field, const QVariant& value);
    void emptyTable();
    // Reads the changes other connections made to the file.
    void refresh();

    // Record lock of an edit: refused (false) while another connection edits the record.
    bool tryLockRecord(quint32 rid);
    void unlockRecord(quint32 rid);

    // Adds a secondary index and writes its files. Throws EDatabaseError when an index with
    // that suffix exists or the field is unknown.
    void addIndex(const IndexDef& def);
    // Rebuilds every index and compacts the record file. Needs the table opened exclusively.
    void regenerateIndexes();

private:
    struct Rec {
        const char* payload = nullptr;  // nullptr: no live record with this identity
        quint32 length = 0;
    };

    TableStore(const OpenParams& params);
    void openFile();
    void loadAll();
    void discoverIndexes();
    void discoverIndexFiles();
    void buildOrder(Order& order) const;
    // Sorts the live records `rids` by the text field `field` in the collation's order, equal
    // values by `tie`.
    void sortByText(std::vector<quint32>& rids, int field, const std::function<qint64(quint32)>& tie) const;
    // Takes the order from `snap` when it belongs to this file's records; false when it does not
    // and the order must be rebuilt.
    bool applySnapshot(Order& order, const IndexSnapshot& snap) const;
    // True when no record of `order` sorts before the one before it: one pass over
    // adjacent keys. A snapshot with a valid checksum and stamp may still list its records in a
    // wrong order (written by a faulty program, or crafted); used as it is, key searches would
    // miss records and a duplicate unique key could get in.
    // `ties` holds every record's tie value (tieValues()).
    bool isInOrder(const Order& order, const std::vector<qint64>& ties) const;
    // By record identity: the primary key value, or the identity in a table without a key.
    std::vector<qint64> tieValues() const;
    void writeIndexFiles(const Order& order);
    void writeAllIndexFiles();
    IndexStamp currentStamp() const;
    QString indexPath(const QString& suffix, bool definition) const;

    // Reads what the file gained since m_fileEnd and applies it. With `truncateTorn` (only
    // under the write lock) a torn tail left by a crashed writer is cut off.
    void syncTail(bool truncateTorn);
    // Keeps the `length` torn bytes at m_fileEnd in the table's side file, then cuts them off.
    void cutTornTail(const char* bytes, qint64 length);
    void applySlot(const Slot& slot);
    // Applies the complete batches of `chunk` (file offset `at`) and keeps it as the records'
    // memory; returns the offset where they end.
    qint64 applyChunk(QByteArray& chunk, qint64 at);
    // The record table part of applying a slot, without the orders.
    void applyToRecords(const Slot& s);
    // Takes in the index definition of slot `s` (FileCorrupt when it names no field).
    void noteIndexDef(const Slot& s);
    // The first of `count` new record identities; throws when the file has no room for them.
    quint32 nextRid(quint32 count) const;
    // Whether writes frame their slots as batches (a file of the current version).
    bool framed() const { return m_header.version != format::kRecordVersionPlain; }
    void removeFromOrders(quint32 rid);
    void insertIntoOrders(quint32 rid);
    // Runs `build` under the write lock after re-reading the file, appends what it returns,
    // syncs, and applies the new slots to memory.
    void writeLocked(const std::function<QByteArray()>& build);
    void checkUnique(const QVector<QVariant>& values, quint32 selfRid) const;
    // Throws RecordLocked when another connection edits one of `rids`. Under the write lock.
    void checkNotEditedByOthers(const std::vector<quint32>& rids) const;
    // Whether the records keep their identities in a rewritten file. Identities only ever grow,
    // so a table that once held many records and now holds few could keep identities far above
    // what its file size allows (see ridLimit) and be refused as damaged. Only then are they
    // renumbered (1, 2, … in the same order), and only where no cursor holds one: when the
    // table closes or is brought to the current format while it opens. Otherwise they are kept,
    // since the program may hold a bookmark across closing and opening a table again.
    enum class Identities { Kept, Renumbered };
    // Rewrites the file with only its live records. Leaves the new file under the compaction
    // lock, which the caller releases (closing releases it with the file).
    void compact(Identities identities);
    // Whether the file rewritten by compact(Identities::Kept) would still open.
    bool fitsCompactedWithItsIdentities() const;
    // Takes the compaction lock and the exclusive open lock when no other connection has the
    // table open; false (holding neither) otherwise.
    bool tryTakeAlone();
    void upgradePlainFile();

    int compareRecords(const Order& order, quint32 a, quint32 b) const;
    int compareValues(const FieldDef& f, const QVariant& a, const QVariant& b) const;
    QVariant tieValue(quint32 rid) const;
    QString displayPath() const;

    QString m_path;
    QString m_dir;
    QString m_base;
    QStringList m_passwords;
    bool m_exclusive;
    bool m_writable = false;  // the record file could be opened for writing
    const void* m_owner;
    std::unique_ptr<FileHandle> m_file;
    RecordHeader m_header;
    std::unique_ptr<RecordCodec> m_codec;

    std::vector<Rec> m_recs;  // by record identity; [0] unused
    std::vector<QByteArray> m_chunks;  // file contents the records point into
    std::vector<std::unique_ptr<Order>> m_orders;  // [0] primary or physical
    int m_liveCount = 0;
    quint32 m_maxRid = 0;
    quint64 m_lastSeq = 0;
    qint64 m_fileEnd = 0;
    quint32 m_lastCrc = 0;  // running checksum of the slots (RecordFile::chainCrc)
    // While loading: the end offset of every slot and the running checksum up to it, to check
    // index snapshot stamps against.
    std::vector<std::pair<qint64, quint32>> m_loadChain;
    // While loading: by record identity, the sequence number of the record's last slot, to tell
    // the records changed after an index snapshot.
    std::vector<quint64> m_loadSeq;
    qint64 m_liveBytes = 0;
    qint32 m_maxAutoInc = 0;
    quint64 m_version = 0;
    quint64 m_ordersGeneration = 0;
    bool m_indexesDirty = false;
    std::vector<quint32> m_lockedRecords;
    // Positions of the records in each order, built when positions are asked for repeatedly
    // while the table does not change (a run of locates); any change makes them stale.
    struct PositionCache {
        quint64 version = ~quint64(0);
        std::vector<qint32> position;  // by record identity; -1 when not in the order
    };
    mutable std::vector<PositionCache> m_positionCache;
    mutable quint64 m_positionVersion = ~quint64(0);
    mutable int m_positionLookups = 0;
};

}  // namespace engine
