#include "TableStore.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <limits>
#include <map>
#include <new>
#include <numeric>
#include <string_view>
#include <unordered_map>
#include <sys/stat.h>

#include "ByteIO.h"
#include "Collation.h"
#include "EngineError.h"
#include "FileIO.h"
#include "OsFileLock.h"
#include "StorageFormat.h"
#include "Win1250.h"

namespace engine {
namespace {

using Registry = std::map<std::pair<const void*, QString>, std::weak_ptr<TableStore>>;
Registry& registry() {
    static Registry r;
    return r;
}

QString tableInUseMessage(const QString& path) {
    return QStringLiteral("Tabulka %1 je používána jiným uživatelem.").arg(QDir::toNativeSeparators(path));
}

// The write lock, released on every way out of a write.
class WriteLockGuard {
public:
    explicit WriteLockGuard(int fd, OsFileLock::Mode mode = OsFileLock::Mode::Exclusive) : m_fd(fd) {
        OsFileLock::lockWait(fd, format::kLockWrite, 1, mode);
    }
    ~WriteLockGuard() { OsFileLock::unlock(m_fd, format::kLockWrite, 1); }

private:
    int m_fd;
};

// The highest record identity a file of `fileSize` bytes is believed to use. Identities are
// dense in practice (each new one is one above the highest); deletions and compaction leave
// gaps, so the bound is generous, but it keeps a crafted identity from asking for gigabytes
// of memory (each identity up to the highest costs one entry of the record table) and keeps
// the next identity from wrapping around.
quint32 ridLimit(qint64 fileSize) {
    const quint64 slotCount = quint64(std::max<qint64>(fileSize, 0)) / (format::kSlotHeaderSize + format::kSlotTrailerSize);
    return quint32(std::min<quint64>(std::max<quint64>(quint64(1) << 20, slotCount * 64), 0xFFFFFFF0u));
}

// Gives a container's memory back. (`c = {}` would pick the initializer-list assignment, which
// only empties it and keeps its capacity.)
template <class Container>
void release(Container& c) {
    Container().swap(c);
}

// Makes room for one more element. A vector that doubles when full would hold the old and the
// doubled array at once; the record table and the orders are built to their exact size, so
// the first record added after an open would cost three times their memory. An eighth more
// keeps that small and still amortises the copies.
template <class Vector>
void reserveOneMore(Vector& v, size_t needed) {
    if (needed > v.capacity()) v.reserve(std::max(needed, v.size() + v.size() / 8 + 64));
}

bool sameFileOnDisk(int fd, const QString& path) {
    struct stat a, b;
    if (::fstat(fd, &a) != 0 || ::stat(QFile::encodeName(path).constData(), &b) != 0) return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

QString TableStore::baseName(const QString& tableName) {
    QString base = tableName;
    if (base.endsWith(QLatin1String(".DB"), Qt::CaseInsensitive)) base.chop(3);
    return base;
}

std::shared_ptr<TableStore> TableStore::open(const OpenParams& params) {
    const QFileInfo info(params.path);
    if (!info.exists()) {
        throw EDBEngineError(EngineErrorCode::FileNotFound,
                             QStringLiteral("Tabulka %1 neexistuje.").arg(QDir::toNativeSeparators(params.path)));
    }
    const auto key = std::make_pair(params.owner, info.canonicalFilePath());
    Registry& reg = registry();
    auto it = reg.find(key);
    if (it != reg.end()) {
        if (auto existing = it->second.lock()) {
            if (params.exclusive || existing->m_exclusive) throw EDBEngineError(EngineErrorCode::TableInUse, tableInUseMessage(params.path));
            return existing;
        }
        reg.erase(it);
    }
    std::shared_ptr<TableStore> store;
    try {
        store.reset(new TableStore(params));
    } catch (const std::bad_alloc&) {
        // A file can be larger than the memory there is for it; that is the engine's error,
        // not the end of the program.
        throw EDBEngineError(EngineErrorCode::IoError,
                             QStringLiteral("Na tabulku %1 nestačí paměť.").arg(QDir::toNativeSeparators(params.path)));
    }
    reg[key] = store;
    return store;
}

TableStore::TableStore(const OpenParams& params)
    : m_path(params.path), m_passwords(params.passwords), m_exclusive(params.exclusive), m_owner(params.owner) {
    const QFileInfo info(m_path);
    m_dir = info.absolutePath();
    m_base = info.completeBaseName();
    openFile();
    loadAll();
    if (!framed() && m_writable) upgradePlainFile();
}

TableStore::~TableStore() {
    try {
        for (quint32 rid : m_lockedRecords) OsFileLock::unlock(m_file->fd(), format::kLockRecordBase + rid, 1);
        // Reclaim dead space when nobody else has the table open and it is more than half the file.
        const qint64 total = m_fileEnd - m_header.size;
        bool alone = m_exclusive;
        if (!alone && total > 4096 && m_liveBytes * 2 < total) {
            alone = tryTakeAlone();
            if (alone) m_exclusive = true;
        }
        if (alone && total > 4096 && m_liveBytes * 2 < total) {
            compact(fitsCompactedWithItsIdentities() ? Identities::Kept : Identities::Renumbered);
        } else if (m_indexesDirty) {
            WriteLockGuard guard(m_file->fd());
            syncTail(true);
            writeAllIndexFiles();
        }
    } catch (...) {
        // Closing must not fail; index files that could not be written are rebuilt on open.
    }
    auto& reg = registry();
    for (auto it = reg.begin(); it != reg.end();) {
        if (it->second.expired() || it->second.lock().get() == this) {
            it = reg.erase(it);
        } else {
            ++it;
        }
    }
}

QString TableStore::displayPath() const { return QDir::toNativeSeparators(m_path); }

void TableStore::openFile() {
    FileSystem& fs = FileSystem::current();
    for (int attempt = 0; attempt < 100; ++attempt) {
        QString error;
        m_file = fs.open(m_path, FileSystem::OpenMode::ReadWrite, &error);
        m_writable = m_file != nullptr;
        if (!m_file) m_file = fs.open(m_path, FileSystem::OpenMode::ReadOnly, &error);
        if (!m_file) {
            throw EDBEngineError(EngineErrorCode::IoError,
                                 QStringLiteral("Tabulku %1 nelze otevřít: %2").arg(displayPath(), error));
        }
        const auto mode = m_exclusive ? OsFileLock::Mode::Exclusive : OsFileLock::Mode::Shared;
        if (!OsFileLock::tryLock(m_file->fd(), format::kLockOpen, 1, mode)) {
            // A connection closing the table may be rewriting it (compaction); that is no use
            // of the table, so wait for it to end and open the file it leaves.
            if (OsFileLock::heldByOther(m_file->fd(), format::kLockCompact, 1)) {
                OsFileLock::lockWait(m_file->fd(), format::kLockCompact, 1, OsFileLock::Mode::Shared);
                OsFileLock::unlock(m_file->fd(), format::kLockCompact, 1);
                continue;
            }
            if (!sameFileOnDisk(m_file->fd(), m_path)) continue;
            // The rewrite may have ended between the refusal and the look at its lock.
            if (!OsFileLock::tryLock(m_file->fd(), format::kLockOpen, 1, mode)) {
                throw EDBEngineError(EngineErrorCode::TableInUse, tableInUseMessage(m_path));
            }
        }
        // A compaction by another connection may have replaced the file between our open and
        // our lock; the lock then guards a file nobody uses any more.
        if (sameFileOnDisk(m_file->fd(), m_path)) return;
    }
    throw EDBEngineError(EngineErrorCode::IoError, QStringLiteral("Tabulku %1 nelze otevřít.").arg(displayPath()));
}

void TableStore::loadAll() {
    m_header = RecordFile::readHeader(*m_file, m_path);
    bool passwordOk = !(m_header.flags & format::kHeaderFlagPassword);
    for (const QString& p : m_passwords) passwordOk = passwordOk || RecordFile::passwordMatches(m_header, p);
    if (!passwordOk) {
        throw EDBEngineError(EngineErrorCode::InvalidPassword,
                             QStringLiteral("Neplatné heslo tabulky %1.").arg(displayPath()));
    }
    m_codec = std::make_unique<RecordCodec>(m_header.layout);
    m_recs.assign(1, Rec{});
    m_chunks.clear();
    m_liveCount = 0;
    m_maxRid = 0;
    m_lastSeq = 0;
    m_lastCrc = 0;
    m_loadChain.clear();
    m_loadSeq.assign(1, 0);
    m_liveBytes = 0;
    // A floor beyond the 32-bit range (only in a damaged or crafted file) leaves no number free.
    m_maxAutoInc = qint32(std::min<quint32>(m_header.autoIncFloor, quint32(std::numeric_limits<qint32>::max())));
    m_fileEnd = m_header.size;
    m_orders.clear();

    const qint64 size = m_file->size();
    if (size < 0) throw EDBEngineError(EngineErrorCode::IoError, QStringLiteral("Tabulku %1 nelze číst.").arg(displayPath()));
    if (size > m_fileEnd) {
        const qint64 n = size - m_fileEnd;
        QByteArray chunk(n, Qt::Uninitialized);
        if (m_file->readAt(m_fileEnd, chunk.data(), n) != n) {
            throw EDBEngineError(EngineErrorCode::IoError, QStringLiteral("Tabulku %1 nelze číst.").arg(displayPath()));
        }
        // Orders are built once after the scan, not maintained slot by slot.
        const RecordCodec& codec = *m_codec;
        const quint32 limit = ridLimit(size);
        m_fileEnd = RecordFile::scan(
            chunk.constData(), m_fileEnd, n, m_path, [&](const char* p, quint32 len) { return codec.validate(p, int(len)); },
            [&](const Slot& s) {
                m_lastSeq = std::max(m_lastSeq, s.seq);
                m_lastCrc = RecordFile::chainCrc(m_lastCrc, s.crc);
                m_loadChain.emplace_back(s.end, m_lastCrc);
                if (s.kind == format::kSlotIndexDef) {
                    noteIndexDef(s);
                    return;
                }
                if (s.rid > limit) throw EDBEngineError(EngineErrorCode::FileCorrupt, RecordFile::corruptMessage(m_path));
                if (s.rid >= m_recs.size()) {
                    m_recs.resize(size_t(std::min<quint64>(std::max<quint64>(quint64(s.rid) + 1, m_recs.size() * 3 / 2), quint64(limit) + 1)));
                }
                applyToRecords(s);
                if (m_loadSeq.size() < m_recs.size()) m_loadSeq.resize(m_recs.size());
                m_loadSeq[s.rid] = s.seq;
            });
        m_chunks.push_back(std::move(chunk));
    }
    m_recs.resize(size_t(m_maxRid) + 1);
    m_recs.shrink_to_fit();
    m_loadSeq.resize(m_recs.size());
    discoverIndexes();
    ++m_version;
    ++m_ordersGeneration;
}

IndexStamp TableStore::currentStamp() const { return IndexStamp{m_header.epoch, m_lastSeq, m_fileEnd, m_lastCrc}; }

QString TableStore::indexPath(const QString& suffix, bool definition) const {
    if (suffix == QLatin1String("PX")) return m_dir + QLatin1Char('/') + m_base + QLatin1String(".PX");
    return m_dir + QLatin1Char('/') + m_base + (definition ? QLatin1String(".Y") : QLatin1String(".X")) + suffix;
}

void TableStore::discoverIndexes() {
    const TableLayout& layout = m_header.layout;
    auto primary = std::make_unique<Order>();
    primary->def.field = layout.primaryKey;
    primary->def.unique = layout.primaryKey >= 0;
    primary->def.suffix = layout.primaryKey >= 0 ? QStringLiteral("PX") : QString();
    if (layout.primaryKey >= 0) primary->def.name = layout.fields[layout.primaryKey].name;
    m_orders.push_back(std::move(primary));

    if (framed()) {
        // The record file says which secondary indexes the table has; their files only save
        // sorting time.
        QVector<IndexDef> defs = m_header.indexes;
        // In suffix order, as the index files of the earlier version were listed.
        std::sort(defs.begin(), defs.end(), [](const IndexDef& a, const IndexDef& b) { return a.suffix < b.suffix; });
        for (const IndexDef& def : defs) {
            auto order = std::make_unique<Order>();
            order->def = def;
            m_orders.push_back(std::move(order));
        }
    } else {
        discoverIndexFiles();
    }

    // First the orders the index files hold, then, with what only that needed given back, the
    // orders that must be sorted anew: sorting takes the most memory of an open.
    std::vector<qint64> ties;  // read once for the order checks of all snapshots
    std::vector<bool> fresh(m_orders.size(), false), filesCurrent(m_orders.size(), false);
    for (size_t i = 0; i < m_orders.size(); ++i) {
        Order& order = *m_orders[i];
        if (order.def.suffix.isEmpty()) continue;  // physical order
        std::optional<IndexSnapshot> snap = IndexFile::readSnapshot(indexPath(order.def.suffix, false));
        bool ok = snap && snap->def == order.def && applySnapshot(order, *snap);
        // A snapshot with a valid checksum can still hold a wrong order; one pass over
        // neighbouring keys finds that, and the order is then built anew.
        if (ok && ties.empty()) ties = tieValues();
        ok = ok && isInOrder(order, ties);
        bool definitionCurrent = true;
        if (order.def.suffix != QLatin1String("PX")) {
            auto definition = IndexFile::readDefinition(indexPath(order.def.suffix, true));
            definitionCurrent = definition && definition->first == order.def && definition->second == currentStamp();
        }
        fresh[i] = ok;
        filesCurrent[i] = ok && definitionCurrent && snap->stamp == currentStamp();
        if (!ok) release(order.rids);
    }
    release(ties);
    release(m_loadChain);
    release(m_loadSeq);
    for (size_t i = 0; i < m_orders.size(); ++i) {
        Order& order = *m_orders[i];
        if (!fresh[i]) buildOrder(order);
        if (!order.def.suffix.isEmpty() && !filesCurrent[i]) writeIndexFiles(order);
    }
}

void TableStore::discoverIndexFiles() {
    // A file of the earlier version keeps no index definitions: the index files present say
    // which secondary indexes the table has.
    const TableLayout& layout = m_header.layout;
    QStringList suffixes;
    const QStringList names = QDir(m_dir).entryList({m_base + QLatin1String(".X??"), m_base + QLatin1String(".Y??")}, QDir::Files);
    for (const QString& n : names) {
        const QString suffix = n.right(2).toUpper();
        if (n.size() == m_base.size() + 4 && !suffixes.contains(suffix)) suffixes << suffix;
    }
    std::sort(suffixes.begin(), suffixes.end());
    for (const QString& suffix : suffixes) {
        auto order = std::make_unique<Order>();
        std::optional<IndexSnapshot> snap = IndexFile::readSnapshot(indexPath(suffix, false));
        auto definition = IndexFile::readDefinition(indexPath(suffix, true));
        IndexDef def;
        if (snap && snap->def.suffix == suffix) {
            def = snap->def;
        } else if (definition && definition->first.suffix == suffix) {
            def = definition->first;
        }
        bool hexOk = false;
        const int hexField = suffix.toInt(&hexOk, 16) - 1;
        if (hexOk) {
            // A single-field index file names its field; that wins over a foreign file's content.
            if (hexField < 0 || hexField >= layout.fields.size()) continue;
            if (def.field != hexField) def = IndexDef{suffix, layout.fields[hexField].name, hexField, false};
        } else if (def.suffix.isEmpty() || def.field < 0 || def.field >= layout.fields.size()) {
            throw EDBEngineError(EngineErrorCode::FileCorrupt, RecordFile::corruptMessage(indexPath(suffix, false)));
        }
        order->def = def;
        m_orders.push_back(std::move(order));
    }
}

bool TableStore::applySnapshot(Order& order, const IndexSnapshot& snap) const {
    const IndexStamp& s = snap.stamp;
    if (s.epoch != m_header.epoch || s.seq > m_lastSeq || s.end > m_fileEnd || s.end < m_header.size) return false;
    // The file must hold the very slots the snapshot was taken over: a slot must end where the
    // snapshot ends, with the same running checksum of all slots up to it. Comparing only the
    // last slot would accept the snapshot of a copy of this file (firms are copies of one
    // template, so they share the epoch) whose history differs before an identical last slot.
    if (s.seq == 0) {
        if (s.end != m_header.size || s.lastCrc != 0) return false;
    } else {
        auto at = std::lower_bound(m_loadChain.begin(), m_loadChain.end(), s.end,
                                   [](const std::pair<qint64, quint32>& p, qint64 end) { return p.first < end; });
        if (at == m_loadChain.end() || at->first != s.end || at->second != s.lastCrc) return false;
    }
    // Records changed after the snapshot leave it and are put back at their current places.
    std::vector<quint32> touched;
    for (quint32 rid = 1; rid < m_recs.size(); ++rid) {
        if (m_loadSeq[rid] > s.seq) touched.push_back(rid);
    }
    if (touched.size() > size_t(m_liveCount) / 4 + 16) return false;
    std::vector<bool> seen(m_recs.size(), false);
    std::vector<quint32> rids;
    rids.reserve(size_t(m_liveCount));
    for (quint32 rid : snap.rids) {
        if (rid == 0 || rid >= m_recs.size() || seen[rid]) return false;
        seen[rid] = true;
        if (m_loadSeq[rid] > s.seq) continue;
        if (!m_recs[rid].payload) return false;
        rids.push_back(rid);
    }
    order.rids = std::move(rids);
    for (quint32 rid : touched) {
        if (!m_recs[rid].payload) continue;
        auto pos = std::lower_bound(order.rids.begin(), order.rids.end(), rid,
                                    [&](quint32 a, quint32 b) { return compareRecords(order, a, b) < 0; });
        order.rids.insert(pos, rid);
    }
    return order.rids.size() == size_t(m_liveCount);
}

std::vector<qint64> TableStore::tieValues() const {
    const int pk = m_header.layout.primaryKey;
    std::vector<qint64> ties(m_recs.size(), 0);
    for (quint32 rid = 1; rid < m_recs.size(); ++rid) {
        if (!m_recs[rid].payload) continue;
        ties[rid] = pk >= 0 ? m_codec->decodeField(m_recs[rid].payload, int(m_recs[rid].length), pk).toLongLong() : qint64(rid);
    }
    return ties;
}

bool TableStore::isInOrder(const Order& order, const std::vector<qint64>& ties) const {
    const int field = order.def.field;
    const std::vector<quint32>& rids = order.rids;
    if (field < 0 || rids.size() < 2) return true;
    const FieldDef& f = m_header.layout.fields[field];
    // Two neighbours with equal keys must stand in the order of their tie values; equal ties
    // (a key without a numeric primary key to break them) may stand either way, as searches
    // only need the keys not to descend.
    if (f.type == FieldType::String) {
        // Equal stored bytes (most neighbours in a name order) are equal keys without decoding
        // and collating them; only where the key changes does the collator run.
        auto bytes = [&](quint32 rid) { return m_codec->stringBytes(m_recs[rid].payload, int(m_recs[rid].length), field); };
        QByteArrayView previous = bytes(rids[0]);
        for (size_t i = 1; i < rids.size(); ++i) {
            const QByteArrayView current = bytes(rids[i]);
            int c = 0;
            if (previous.isEmpty() || current.isEmpty()) {  // an empty string is NULL and sorts first
                c = int(current.isEmpty()) - int(previous.isEmpty());
            } else if (previous != current) {
                c = Collation::compare(Win1250::decode(previous.data(), previous.size()),
                                       Win1250::decode(current.data(), current.size()));
            }
            if (c > 0 || (c == 0 && ties[rids[i]] < ties[rids[i - 1]])) return false;
            previous = current;
        }
        return true;
    }
    // Numeric keys are read in record order, which follows the file and so the memory they
    // lie in, and then compared in index order.
    std::vector<qint64> keys(m_recs.size(), std::numeric_limits<qint64>::min());  // NULL sorts first
    for (quint32 rid = 1; rid < m_recs.size(); ++rid) {
        if (!m_recs[rid].payload) continue;
        const QVariant v = m_codec->decodeField(m_recs[rid].payload, int(m_recs[rid].length), field);
        if (v.isValid()) keys[rid] = f.type == FieldType::Date ? v.toDate().toJulianDay() : qint64(v.toInt());
    }
    for (size_t i = 1; i < rids.size(); ++i) {
        const qint64 previous = keys[rids[i - 1]], current = keys[rids[i]];
        if (current < previous || (current == previous && ties[rids[i]] < ties[rids[i - 1]])) return false;
    }
    return true;
}

void TableStore::sortByText(std::vector<quint32>& rids, int field, const std::function<qint64(quint32)>& tie) const {
    // A card index holds many cards per species and per locality, so an order on a name has
    // far fewer distinct values than records. Each distinct stored value is collated once and
    // every record then sorts by the rank of its value: a few bytes per record instead of a
    // collator sort key each, which would double the table's memory while the order is built.
    std::unordered_map<std::string_view, quint32> distinct;
    std::vector<std::string_view> values;
    std::vector<quint32> valueOf(rids.size());
    for (size_t i = 0; i < rids.size(); ++i) {
        const Rec& r = m_recs[rids[i]];
        const QByteArrayView b = m_codec->stringBytes(r.payload, int(r.length), field);
        const auto [at, added] = distinct.try_emplace(std::string_view(b.data(), size_t(b.size())), quint32(values.size()));
        if (added) values.push_back(at->first);
        valueOf[i] = at->second;
    }
    release(distinct);
    std::vector<quint32> rank(values.size());
    {
        std::vector<QCollatorSortKey> keys;
        keys.reserve(values.size());
        for (std::string_view v : values) keys.push_back(Collation::sortKey(Win1250::decode(v.data(), qsizetype(v.size()))));
        std::vector<quint32> byKey(values.size());
        std::iota(byKey.begin(), byKey.end(), 0u);
        std::sort(byKey.begin(), byKey.end(), [&](quint32 a, quint32 b) { return keys[a].compare(keys[b]) < 0; });
        // Values the collator holds equal share a rank, so that their records sort by the tie.
        quint32 next = 0;
        for (size_t i = 0; i < byKey.size(); ++i) {
            if (i > 0 && keys[byKey[i - 1]].compare(keys[byKey[i]]) != 0) ++next;
            rank[byKey[i]] = next;
        }
    }
    struct Item {
        qint64 tie;
        quint32 rank;
        quint32 rid;
    };
    std::vector<Item> items;
    items.reserve(rids.size());
    for (size_t i = 0; i < rids.size(); ++i) items.push_back(Item{tie(rids[i]), rank[valueOf[i]], rids[i]});
    std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
        return a.rank != b.rank ? a.rank < b.rank : a.tie < b.tie;
    });
    for (size_t i = 0; i < items.size(); ++i) rids[i] = items[i].rid;
}

void TableStore::buildOrder(Order& order) const {
    std::vector<quint32> rids;
    rids.reserve(size_t(m_liveCount));
    for (quint32 rid = 1; rid < m_recs.size(); ++rid) {
        if (m_recs[rid].payload) rids.push_back(rid);
    }
    const int field = order.def.field;
    if (field < 0) {
        order.rids = std::move(rids);
        return;
    }
    const FieldDef& f = m_header.layout.fields[field];
    const int pk = m_header.layout.primaryKey;
    const bool tieByKey = pk >= 0 && pk != field;
    auto tie = [&](quint32 rid) -> qint64 {
        return tieByKey ? qint64(m_codec->decodeField(m_recs[rid].payload, int(m_recs[rid].length), pk).toInt()) : qint64(rid);
    };
    if (f.type == FieldType::String) {
        sortByText(rids, field, tie);
    } else {
        struct Item {
            qint64 key;  // NULL sorts first
            qint64 tie;
            quint32 rid;
        };
        std::vector<Item> items;
        items.reserve(rids.size());
        for (quint32 rid : rids) {
            const QVariant v = m_codec->decodeField(m_recs[rid].payload, int(m_recs[rid].length), field);
            qint64 key = std::numeric_limits<qint64>::min();
            if (v.isValid()) key = f.type == FieldType::Date ? v.toDate().toJulianDay() : qint64(v.toInt());
            items.push_back(Item{key, tie(rid), rid});
        }
        std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
            return a.key != b.key ? a.key < b.key : a.tie < b.tie;
        });
        for (size_t i = 0; i < items.size(); ++i) rids[i] = items[i].rid;
    }
    order.rids = std::move(rids);
}

void TableStore::writeIndexFiles(const Order& order) {
    if (order.def.suffix.isEmpty()) return;
    IndexSnapshot snap{order.def, currentStamp(), order.rids};
    // A read-only directory keeps its old index files; they are rebuilt on the next open.
    IndexFile::writeSnapshot(indexPath(order.def.suffix, false), snap);
    if (order.def.suffix != QLatin1String("PX")) IndexFile::writeDefinition(indexPath(order.def.suffix, true), order.def, snap.stamp);
}

void TableStore::writeAllIndexFiles() {
    for (const auto& order : m_orders) writeIndexFiles(*order);
    m_indexesDirty = false;
}

QVariant TableStore::value(quint32 rid, int field) const {
    if (!isLive(rid)) return {};
    return m_codec->decodeField(m_recs[rid].payload, int(m_recs[rid].length), field);
}

QByteArrayView TableStore::stringBytes(quint32 rid, int field) const {
    if (!isLive(rid)) return {};
    return m_codec->stringBytes(m_recs[rid].payload, int(m_recs[rid].length), field);
}

QVector<QVariant> TableStore::values(quint32 rid) const {
    if (!isLive(rid)) return QVector<QVariant>(m_header.layout.fields.size());
    return m_codec->decodeAll(m_recs[rid].payload, int(m_recs[rid].length));
}

const Order* TableStore::orderForField(int field) const {
    for (const auto& o : m_orders) {
        if (o->def.field == field && field >= 0) return o.get();
    }
    return nullptr;
}

const Order* TableStore::orderBySuffix(const QString& suffix) const {
    for (const auto& o : m_orders) {
        if (o->def.suffix.compare(suffix, Qt::CaseInsensitive) == 0) return o.get();
    }
    return nullptr;
}

QVector<IndexDef> TableStore::secondaryIndexes() const {
    QVector<IndexDef> out;
    for (size_t i = 1; i < m_orders.size(); ++i) out << m_orders[i]->def;
    return out;
}

int TableStore::compareValues(const FieldDef& f, const QVariant& a, const QVariant& b) const {
    const bool an = !a.isValid() || (f.type == FieldType::String && a.toString().isEmpty());
    const bool bn = !b.isValid() || (f.type == FieldType::String && b.toString().isEmpty());
    if (an || bn) return an == bn ? 0 : (an ? -1 : 1);
    switch (f.type) {
        case FieldType::String: return Collation::compare(a.toString(), b.toString());
        case FieldType::Date: {
            const qint64 x = a.toDate().toJulianDay(), y = b.toDate().toJulianDay();
            return x < y ? -1 : (x > y ? 1 : 0);
        }
        case FieldType::Boolean: return int(a.toBool()) - int(b.toBool());
        default: {
            const int x = a.toInt(), y = b.toInt();
            return x < y ? -1 : (x > y ? 1 : 0);
        }
    }
}

QVariant TableStore::tieValue(quint32 rid) const {
    const int pk = m_header.layout.primaryKey;
    return pk >= 0 ? value(rid, pk) : QVariant(qint64(rid));
}

int TableStore::compareRecords(const Order& order, quint32 a, quint32 b) const {
    if (a == b) return 0;
    const int field = order.def.field;
    if (field >= 0) {
        const FieldDef& f = m_header.layout.fields[field];
        const int c = f.type == FieldType::String
                          ? compareValues(f, m_codec->decodeString(m_recs[a].payload, int(m_recs[a].length), field),
                                          m_codec->decodeString(m_recs[b].payload, int(m_recs[b].length), field))
                          : compareValues(f, value(a, field), value(b, field));
        if (c != 0) return c;
        if (field == m_header.layout.primaryKey) return 0;
    }
    const int pk = m_header.layout.primaryKey;
    const qint64 x = pk >= 0 ? value(a, pk).toLongLong() : qint64(a);
    const qint64 y = pk >= 0 ? value(b, pk).toLongLong() : qint64(b);
    if (x != y) return x < y ? -1 : 1;
    return a < b ? -1 : 1;
}

int TableStore::compareToKey(const Order& order, quint32 rid, const QVariant& key) const {
    const int field = order.def.field;
    if (field < 0) return 0;
    const FieldDef& f = m_header.layout.fields[field];
    if (f.type == FieldType::String) {
        return compareValues(f, m_codec->decodeString(m_recs[rid].payload, int(m_recs[rid].length), field), key);
    }
    return compareValues(f, value(rid, field), key);
}

qsizetype TableStore::lowerBound(const Order& order, const QVariant& key) const {
    auto it = std::lower_bound(order.rids.begin(), order.rids.end(), key,
                               [&](quint32 rid, const QVariant& k) { return compareToKey(order, rid, k) < 0; });
    return it - order.rids.begin();
}

qsizetype TableStore::positionOf(const Order& order, quint32 rid) const {
    if (!isLive(rid)) return -1;
    size_t index = 0;
    while (index < m_orders.size() && m_orders[index].get() != &order) ++index;
    if (index < m_orders.size()) {
        if (m_positionCache.size() != m_orders.size()) m_positionCache.assign(m_orders.size(), PositionCache{});
        PositionCache& cache = m_positionCache[index];
        if (cache.version == m_version && rid < cache.position.size()) return cache.position[rid];
        if (m_positionVersion != m_version) {
            m_positionVersion = m_version;
            m_positionLookups = 0;
        }
        // A few lookups are cheaper by binary search; a run of them on an unchanged table
        // pays for one pass that records every position.
        if (++m_positionLookups > 8) {
            cache.position.assign(m_recs.size(), -1);
            for (size_t p = 0; p < order.rids.size(); ++p) cache.position[order.rids[p]] = qint32(p);
            cache.version = m_version;
            return rid < cache.position.size() ? cache.position[rid] : -1;
        }
    }
    // The same comparison as compareRecords, with the sought record's key read only once: each
    // step of the search then decodes just the record it looks at.
    const int field = order.def.field;
    const int pk = m_header.layout.primaryKey;
    const QVariant key = field >= 0 ? value(rid, field) : QVariant();
    const qint64 tie = pk >= 0 ? value(rid, pk).toLongLong() : qint64(rid);
    auto before = [&](quint32 a, quint32) {
        if (a == rid) return false;
        if (field >= 0) {
            const int c = compareToKey(order, a, key);
            if (c != 0) return c < 0;
            if (field == pk) return false;
        }
        const qint64 x = pk >= 0 ? value(a, pk).toLongLong() : qint64(a);
        if (x != tie) return x < tie;
        return a < rid;
    };
    auto it = std::lower_bound(order.rids.begin(), order.rids.end(), rid, before);
    if (it != order.rids.end() && *it == rid) return it - order.rids.begin();
    // A record whose key changed under a stale position; fall back to a scan.
    auto found = std::find(order.rids.begin(), order.rids.end(), rid);
    return found == order.rids.end() ? -1 : found - order.rids.begin();
}

void TableStore::removeFromOrders(quint32 rid) {
    for (auto& order : m_orders) {
        const qsizetype pos = positionOf(*order, rid);
        if (pos >= 0) order->rids.erase(order->rids.begin() + pos);
    }
}

void TableStore::insertIntoOrders(quint32 rid) {
    for (auto& order : m_orders) {
        reserveOneMore(order->rids, order->rids.size() + 1);
        auto pos = std::lower_bound(order->rids.begin(), order->rids.end(), rid,
                                    [&](quint32 a, quint32 b) { return compareRecords(*order, a, b) < 0; });
        order->rids.insert(pos, rid);
    }
}

void TableStore::noteIndexDef(const Slot& s) {
    IndexDef def;
    if (!RecordFile::decodeIndexDef(s.payload, s.length, def) || def.field >= m_header.layout.fields.size()) {
        throw EDBEngineError(EngineErrorCode::FileCorrupt, RecordFile::corruptMessage(m_path));
    }
    // A second definition of one suffix (two connections adding the same index) adds nothing.
    for (const IndexDef& known : m_header.indexes) {
        if (known.suffix == def.suffix) return;
    }
    m_header.indexes.append(def);
}

void TableStore::applySlot(const Slot& s) {
    if (s.kind == format::kSlotIndexDef) {
        const qsizetype before = m_header.indexes.size();
        noteIndexDef(s);
        if (m_header.indexes.size() > before) {
            auto order = std::make_unique<Order>();
            order->def = m_header.indexes.back();
            buildOrder(*order);
            m_orders.push_back(std::move(order));
            ++m_ordersGeneration;
        }
        m_lastSeq = std::max(m_lastSeq, s.seq);
        m_lastCrc = RecordFile::chainCrc(m_lastCrc, s.crc);
        m_indexesDirty = true;
        ++m_version;
        return;
    }
    if (s.rid > ridLimit(s.end)) {
        throw EDBEngineError(EngineErrorCode::FileCorrupt, RecordFile::corruptMessage(m_path));
    }
    if (s.rid >= m_recs.size()) {
        reserveOneMore(m_recs, size_t(s.rid) + 1);
        m_recs.resize(size_t(s.rid) + 1);
    }
    Rec& old = m_recs[s.rid];
    const bool wasLive = old.payload != nullptr;
    const bool isLiveNow = s.kind == format::kSlotRecord;
    bool keysUnchanged = false;
    if (wasLive && isLiveNow) {
        // Orders need no work when no key field changed (an update of a plain field).
        keysUnchanged = true;
        for (const auto& order : m_orders) {
            const int f = order->def.field;
            if (f < 0) continue;
            if (m_codec->decodeField(old.payload, int(old.length), f) != m_codec->decodeField(s.payload, int(s.length), f)) {
                keysUnchanged = false;
                break;
            }
        }
        const int pk = m_header.layout.primaryKey;
        if (keysUnchanged && pk >= 0 &&
            m_codec->decodeField(old.payload, int(old.length), pk) != m_codec->decodeField(s.payload, int(s.length), pk)) {
            keysUnchanged = false;
        }
    }
    if (wasLive && !keysUnchanged) removeFromOrders(s.rid);
    if (wasLive) {
        --m_liveCount;
        m_liveBytes -= old.length + format::kSlotHeaderSize + format::kSlotTrailerSize;
    }
    Rec& r = m_recs[s.rid];
    r.payload = isLiveNow ? s.payload : nullptr;
    r.length = isLiveNow ? s.length : 0;
    if (isLiveNow) {
        ++m_liveCount;
        m_liveBytes += s.length + format::kSlotHeaderSize + format::kSlotTrailerSize;
        const int pk = m_header.layout.primaryKey;
        if (pk >= 0 && m_header.layout.fields[pk].type == FieldType::AutoInc) {
            m_maxAutoInc = std::max(m_maxAutoInc, value(s.rid, pk).toInt());
        }
        if (!keysUnchanged) insertIntoOrders(s.rid);
    }
    m_maxRid = std::max(m_maxRid, s.rid);
    m_lastSeq = std::max(m_lastSeq, s.seq);
    m_lastCrc = RecordFile::chainCrc(m_lastCrc, s.crc);
    m_indexesDirty = true;
    ++m_version;
}

void TableStore::syncTail(bool truncateTorn) {
    const qint64 size = m_file->size();
    if (size < 0) throw EDBEngineError(EngineErrorCode::IoError, QStringLiteral("Tabulku %1 nelze číst.").arg(displayPath()));
    if (size < m_fileEnd) throw EDBEngineError(EngineErrorCode::FileCorrupt, RecordFile::corruptMessage(m_path));
    if (size == m_fileEnd) return;
    const qint64 n = size - m_fileEnd;
    QByteArray chunk(n, Qt::Uninitialized);
    if (m_file->readAt(m_fileEnd, chunk.data(), n) != n) {
        throw EDBEngineError(EngineErrorCode::IoError, QStringLiteral("Tabulku %1 nelze číst.").arg(displayPath()));
    }
    const QByteArray read = chunk;  // stays readable for the cut below after the chunk is kept
    const qint64 end = applyChunk(chunk, m_fileEnd);
    m_fileEnd = end;
    // Only the holder of the write lock may cut a torn tail: without the lock it may be an
    // append still in progress.
    if (truncateTorn && end < size) cutTornTail(read.constData() + (end - (size - n)), size - end);
}

void TableStore::cutTornTail(const char* bytes, qint64 length) {
    // A damaged last batch looks the same as an interrupted one, so what is cut may be a card
    // somebody was told was saved: its bytes are kept beside the table for recovery by hand.
    const QString side = m_dir + QLatin1Char('/') + m_base + QLatin1String(".DB.cut");
    FileSystem& fs = FileSystem::current();
    QString error;
    bool kept = false;
    if (auto file = fs.open(side, FileSystem::OpenMode::CreateTruncate, &error)) {
        kept = file->writeAt(0, bytes, length) && file->sync();
    }
    if (!kept) {
        throw EDBEngineError(EngineErrorCode::IoError,
                             QStringLiteral("Do souboru %1 nelze zapisovat.").arg(QDir::toNativeSeparators(side)));
    }
    // The cut is made durable at once: the next batch is written where the tail was, and a
    // power cut must not bring the old tail's bytes back behind it.
    if (!m_file->truncate(m_fileEnd) || !m_file->sync()) {
        throw EDBEngineError(EngineErrorCode::IoError,
                             QStringLiteral("Do tabulky %1 nelze zapisovat: %2").arg(displayPath(), m_file->errorString()));
    }
}

void TableStore::writeLocked(const std::function<QByteArray()>& build) {
    WriteLockGuard guard(m_file->fd());
    syncTail(true);
    const QByteArray bytes = build();
    if (bytes.isEmpty()) return;
    const qint64 at = m_fileEnd;
    if (!m_file->writeAt(at, bytes.constData(), bytes.size()) || !m_file->sync()) {
        const QString error = m_file->errorString();
        // Take back what may have reached the file, so that it can never appear later as a
        // change the caller was told had failed. Once the file is cut back it matches memory
        // again and later writes may go on (their sync also makes the cut durable); only a
        // file that could not be cut back is unusable for this connection.
        if (m_file->truncate(at)) {
            m_file->sync();
        } else {
            m_fileEnd = -1;
        }
        throw EDBEngineError(EngineErrorCode::IoError,
                             QStringLiteral("Do tabulky %1 nelze zapisovat: %2").arg(displayPath(), error));
    }
    // The written bytes become the records' memory; QByteArray shares them, nothing is copied.
    QByteArray chunk = bytes;
    m_fileEnd = applyChunk(chunk, at);
}

qint64 TableStore::applyChunk(QByteArray& chunk, qint64 at) {
    const RecordCodec& codec = *m_codec;
    std::vector<Slot> found;
    const qint64 end = RecordFile::scan(chunk.constData(), at, chunk.size(), m_path,
                                        [&](const char* p, quint32 len) { return codec.validate(p, int(len)); },
                                        [&](const Slot& s) { found.push_back(s); });
    if (found.empty()) return end;
    // Many records at once are cheaper to sort anew than to put in their places one by one:
    // each placement moves the order's tail (about n/2500 µs for n records) and searches it
    // (about 10 µs), a new sort costs about 3 µs per record.
    const double n = double(m_liveCount);
    const bool bulk = found.size() > 64 && double(found.size()) * (n / 2500.0 + 10.0) > 3.0 * n;
    const quint32 limit = ridLimit(end);
    for (const Slot& s : found) {
        if (!bulk || s.kind == format::kSlotIndexDef) {
            applySlot(s);
            continue;
        }
        if (s.rid > limit) throw EDBEngineError(EngineErrorCode::FileCorrupt, RecordFile::corruptMessage(m_path));
        if (s.rid >= m_recs.size()) m_recs.resize(std::max<size_t>(size_t(s.rid) + 1, std::min<size_t>(m_recs.size() * 3 / 2, size_t(limit) + 1)));
        applyToRecords(s);
        m_lastCrc = RecordFile::chainCrc(m_lastCrc, s.crc);
    }
    if (bulk) {
        for (auto& order : m_orders) buildOrder(*order);
        m_indexesDirty = true;
        ++m_version;
    }
    m_chunks.push_back(std::move(chunk));
    return end;
}

void TableStore::applyToRecords(const Slot& s) {
    Rec& r = m_recs[s.rid];
    if (r.payload) {
        --m_liveCount;
        m_liveBytes -= r.length + format::kSlotHeaderSize + format::kSlotTrailerSize;
    }
    r.payload = s.kind == format::kSlotRecord ? s.payload : nullptr;
    r.length = s.kind == format::kSlotRecord ? s.length : 0;
    if (r.payload) {
        ++m_liveCount;
        m_liveBytes += s.length + format::kSlotHeaderSize + format::kSlotTrailerSize;
        const int pk = m_header.layout.primaryKey;
        if (pk >= 0 && m_header.layout.fields[pk].type == FieldType::AutoInc) {
            m_maxAutoInc = std::max(m_maxAutoInc, m_codec->decodeField(s.payload, int(s.length), pk).toInt());
        }
    }
    m_maxRid = std::max(m_maxRid, s.rid);
    m_lastSeq = std::max(m_lastSeq, s.seq);
}

void TableStore::checkUnique(const QVector<QVariant>& values, quint32 selfRid) const {
    for (const auto& order : m_orders) {
        if (!order->def.unique || order->def.field < 0) continue;
        const QVariant& key = values[order->def.field];
        const qsizetype pos = lowerBound(*order, key);
        for (qsizetype i = pos; i < qsizetype(order->rids.size()); ++i) {
            const quint32 rid = order->rids[size_t(i)];
            if (compareToKey(*order, rid, key) != 0) break;
            // Keys equal under the collation but not identical are different values.
            if (rid != selfRid && value(rid, order->def.field) == key) {
                throw EDBEngineError(EngineErrorCode::KeyViolation, QStringLiteral("Porušení klíče."));
            }
        }
    }
}

quint32 TableStore::insert(QVector<QVariant>& values) {
    values.resize(m_header.layout.fields.size());
    quint32 newRid = 0;
    writeLocked([&] {
        const int pk = m_header.layout.primaryKey;
        if (pk >= 0 && m_header.layout.fields[pk].type == FieldType::AutoInc) {
            // The next number would wrap to a negative one and every later insert would collide
            // with it; the table is full instead.
            if (m_maxAutoInc == std::numeric_limits<qint32>::max()) {
                throw EDBEngineError(EngineErrorCode::InvalidValue,
                                     QStringLiteral("Tabulka %1 vyčerpala automatická čísla (nejvyšší je %2), "
                                                    "další záznam nelze přidat.")
                                         .arg(displayPath())
                                         .arg(std::numeric_limits<qint32>::max()));
            }
            values[pk] = m_maxAutoInc + 1;
        }
        checkUnique(values, 0);
        newRid = nextRid(1);
        return RecordFile::encodeSlot(newRid, m_lastSeq + 1, format::kSlotRecord, m_codec->encode(values));
    });
    return newRid;
}

void TableStore::insertMany(std::vector<QVector<QVariant>>& rows) {
    if (rows.empty()) return;
    const TableLayout& layout = m_header.layout;
    const int pk = layout.primaryKey;
    const bool autoKey = pk >= 0 && layout.fields[pk].type == FieldType::AutoInc;
    writeLocked([&] {
        if (autoKey && qint64(m_maxAutoInc) + qint64(rows.size()) > std::numeric_limits<qint32>::max()) {
            throw EDBEngineError(EngineErrorCode::InvalidValue,
                                 QStringLiteral("Tabulka %1 už nemůže přijmout další záznam.").arg(displayPath()));
        }
        const quint32 firstRid = nextRid(quint32(std::min<size_t>(rows.size(), 0xFFFFFFFFu)));
        // Unique keys: against the table, and among the new records themselves, where two
        // values are the same key when they are identical (as checkUnique compares them).
        std::vector<std::pair<int, QSet<QString>>> seen;
        for (const auto& order : m_orders) {
            if (order->def.unique && order->def.field >= 0 && !(autoKey && order->def.field == pk)) seen.emplace_back(order->def.field, QSet<QString>{});
        }
        SlotBatch batch(framed(), m_lastSeq);
        batch.reserve(qsizetype(rows.size()) * 64);
        qint32 autoValue = m_maxAutoInc;
        for (size_t i = 0; i < rows.size(); ++i) {
            QVector<QVariant>& values = rows[i];
            values.resize(layout.fields.size());
            if (autoKey) values[pk] = ++autoValue;
            checkUnique(values, 0);
            for (auto& [field, keys] : seen) {
                const QVariant& v = values[field];
                const bool null = !v.isValid() || (layout.fields[field].type == FieldType::String && v.toString().isEmpty());
                const QString key = null ? QStringLiteral("\x01") : v.toString();
                if (keys.contains(key)) throw EDBEngineError(EngineErrorCode::KeyViolation, QStringLiteral("Porušení klíče."));
                keys.insert(key);
            }
            batch.add(firstRid + quint32(i), format::kSlotRecord, m_codec->encode(values));
        }
        return batch.finish();
    });
}

void TableStore::update(quint32 rid, const QVector<QVariant>& values) {
    writeLocked([&] {
        if (!isLive(rid)) {
            throw EDBEngineError(EngineErrorCode::RecordLocked, QStringLiteral("Záznam byl smazán jiným uživatelem."));
        }
        checkUnique(values, rid);
        return RecordFile::encodeSlot(rid, m_lastSeq + 1, format::kSlotRecord, m_codec->encode(values));
    });
}

void TableStore::checkNotEditedByOthers(const std::vector<quint32>& rids) const {
    if (rids.empty()) return;
    // One probe over every record lock first; only when somebody edits something are the
    // records looked at one by one.
    if (!OsFileLock::heldByOther(m_file->fd(), format::kLockRecordBase, quint64(m_maxRid) + 1)) return;
    for (quint32 rid : rids) {
        if (OsFileLock::heldByOther(m_file->fd(), format::kLockRecordBase + rid, 1)) {
            throw EDBEngineError(EngineErrorCode::RecordLocked, QStringLiteral("Záznam je uzamčen jiným uživatelem."));
        }
    }
}

int TableStore::updateField(const std::vector<quint32>& rids, int field, const QVariant& value) {
    int changed = 0;
    writeLocked([&] {
        // Only the records whose value really changes are rewritten; the field alone is read
        // to find them.
        std::vector<quint32> changing;
        for (quint32 rid : rids) {
            if (!isLive(rid)) continue;
            const QVariant old = this->value(rid, field);
            const bool same = (!old.isValid() && !value.isValid()) || (old.isValid() && value.isValid() && old == value);
            if (!same) changing.push_back(rid);
        }
        // A record another connection is editing would get its edit written back over this
        // change; the statement fails instead, before anything is written.
        checkNotEditedByOthers(changing);
        SlotBatch batch(framed(), m_lastSeq);
        for (quint32 rid : changing) {
            QVector<QVariant> values = this->values(rid);
            values[field] = value;
            checkUnique(values, rid);
            batch.add(rid, format::kSlotRecord, m_codec->encode(values));
        }
        changed = int(changing.size());
        return batch.finish();
    });
    return changed;
}

void TableStore::remove(quint32 rid) {
    if (!tryLockRecord(rid)) {
        throw EDBEngineError(EngineErrorCode::RecordLocked, QStringLiteral("Záznam je uzamčen jiným uživatelem."));
    }
    try {
        writeLocked([&] {
            if (!isLive(rid)) return QByteArray();
            return RecordFile::encodeSlot(rid, m_lastSeq + 1, format::kSlotTombstone, QByteArray());
        });
    } catch (...) {
        unlockRecord(rid);
        throw;
    }
    unlockRecord(rid);
}

void TableStore::emptyTable() {
    writeLocked([&] {
        std::vector<quint32> live;
        for (quint32 rid = 1; rid < m_recs.size(); ++rid) {
            if (m_recs[rid].payload) live.push_back(rid);
        }
        checkNotEditedByOthers(live);
        SlotBatch batch(framed(), m_lastSeq);
        batch.reserve(qsizetype(live.size()) * (format::kSlotHeaderSize + format::kSlotTrailerSize));
        for (quint32 rid : live) batch.add(rid, format::kSlotTombstone, QByteArray());
        return batch.finish();
    });
}

void TableStore::refresh() {
    // A shared hold of the write lock waits for a write in progress, so that a refresh never
    // reads bytes whose sync may still fail and be taken back.
    WriteLockGuard guard(m_file->fd(), OsFileLock::Mode::Shared);
    syncTail(false);
}

quint32 TableStore::nextRid(quint32 count) const {
    if (quint64(m_maxRid) + count > ridLimit(m_fileEnd + qint64(count) * (format::kSlotHeaderSize + format::kSlotTrailerSize))) {
        throw EDBEngineError(EngineErrorCode::IoError,
                             QStringLiteral("Tabulka %1 už nemůže přijmout další záznam.").arg(displayPath()));
    }
    return m_maxRid + 1;
}

bool TableStore::tryLockRecord(quint32 rid) {
    if (std::find(m_lockedRecords.begin(), m_lockedRecords.end(), rid) != m_lockedRecords.end()) return true;
    if (!OsFileLock::tryLock(m_file->fd(), format::kLockRecordBase + rid, 1, OsFileLock::Mode::Exclusive)) return false;
    m_lockedRecords.push_back(rid);
    // Another connection may have posted the record after our last read and released its lock
    // just before we took ours; read what the file gained, so that an edit starts from that
    // version instead of writing back the old one over it. The read waits for a write in
    // progress (an UPDATE over many records checks the record locks under the write lock), so
    // it sees all of such a write or none of it.
    try {
        WriteLockGuard guard(m_file->fd());
        syncTail(true);
    } catch (...) {
        unlockRecord(rid);
        throw;
    }
    return true;
}

void TableStore::unlockRecord(quint32 rid) {
    auto it = std::find(m_lockedRecords.begin(), m_lockedRecords.end(), rid);
    if (it == m_lockedRecords.end()) return;
    m_lockedRecords.erase(it);
    OsFileLock::unlock(m_file->fd(), format::kLockRecordBase + rid, 1);
}

void TableStore::addIndex(const IndexDef& requested) {
    IndexDef def = requested;
    if (def.field < 0 || def.field >= m_header.layout.fields.size()) {
        throw EDatabaseError(QStringLiteral("Pole indexu neexistuje."));
    }
    if (def.suffix.isEmpty()) def.suffix = indexSuffixForField(def.field);
    if (orderBySuffix(def.suffix) || (!def.name.isEmpty() && std::any_of(m_orders.begin(), m_orders.end(), [&](const auto& o) {
                                          return o->def.name.compare(def.name, Qt::CaseInsensitive) == 0 && !o->def.suffix.isEmpty() &&
                                                 o->def.suffix != QLatin1String("PX");
                                      }))) {
        throw EDatabaseError(QStringLiteral("Index %1 již existuje.").arg(def.name.isEmpty() ? def.suffix : def.name));
    }
    if (framed()) {
        // The definition goes into the record file, durable like a record; the index files
        // written after it are only its cache.
        writeLocked([&] {
            if (orderBySuffix(def.suffix)) return QByteArray();  // another connection added it meanwhile
            return RecordFile::encodeSlot(0, m_lastSeq + 1, format::kSlotIndexDef, RecordFile::encodeIndexDef(def));
        });
        if (const Order* added = orderBySuffix(def.suffix)) writeIndexFiles(*added);
        return;
    }
    WriteLockGuard guard(m_file->fd());
    syncTail(true);
    auto order = std::make_unique<Order>();
    order->def = def;
    buildOrder(*order);
    writeIndexFiles(*order);
    m_orders.push_back(std::move(order));
    ++m_ordersGeneration;
}

void TableStore::regenerateIndexes() {
    if (!m_exclusive) {
        throw EDBEngineError(EngineErrorCode::TableInUse,
                             QStringLiteral("Tabulka %1 není otevřena výhradně.").arg(displayPath()));
    }
    if (fitsCompactedWithItsIdentities()) {
        compact(Identities::Kept);
        OsFileLock::unlock(m_file->fd(), format::kLockCompact, 1);
        return;
    }
    // Cursors keep record identities (bookmarks) through a regeneration, but a file rewritten
    // with so few records under such high identities would not open again. The file keeps its
    // dead space until the table is closed, where it is rewritten with new identities; the
    // orders are rebuilt now.
    WriteLockGuard guard(m_file->fd());
    syncTail(true);
    for (auto& order : m_orders) buildOrder(*order);
    writeAllIndexFiles();
    ++m_version;
    ++m_ordersGeneration;
}

bool TableStore::fitsCompactedWithItsIdentities() const {
    // The live slots under the present header; a file of the earlier version gains index
    // definitions in its header, so this errs towards not fitting.
    return m_maxRid <= ridLimit(m_header.size + m_liveBytes);
}

bool TableStore::tryTakeAlone() {
    // The compaction lock is taken before the exclusive one, so that an opener refused by the
    // exclusive lock always finds it and waits (see openFile).
    if (!OsFileLock::tryLock(m_file->fd(), format::kLockCompact, 1, OsFileLock::Mode::Exclusive)) return false;
    if (OsFileLock::tryLock(m_file->fd(), format::kLockOpen, 1, OsFileLock::Mode::Exclusive)) return true;
    OsFileLock::unlock(m_file->fd(), format::kLockCompact, 1);
    return false;
}

void TableStore::upgradePlainFile() {
    // A file of the earlier version is rewritten in the current one as soon as a connection has
    // it to itself, so that its writes become atomic batches and its index definitions durable.
    // Where that cannot be done now (others have it open, read-only media) it is used as it is.
    if (!m_exclusive && !tryTakeAlone()) return;
    try {
        compact(fitsCompactedWithItsIdentities() ? Identities::Kept : Identities::Renumbered);
    } catch (const EDatabaseError&) {
    }
    if (!m_exclusive) OsFileLock::tryLock(m_file->fd(), format::kLockOpen, 1, OsFileLock::Mode::Shared);
    OsFileLock::unlock(m_file->fd(), format::kLockCompact, 1);
}

void TableStore::compact(Identities identities) {
    syncTail(true);
    // New file: the live records in identity order with fresh sequence numbers, a new epoch,
    // the same password and layout, and the autoincrement high-water mark kept.
    RecordHeader header = m_header;
    header.epoch = RecordFile::makeHeader(m_header.layout, QString(), 0).epoch;
    // The rewritten file is of the current version, with every index declared in its header.
    header.version = format::kRecordVersion;
    header.indexes = secondaryIndexes();
    header.autoIncFloor = quint32(std::max<qint32>(m_maxAutoInc, 0));
    const QString temp = m_path + QLatin1String(".compact.tmp");
    FileSystem& fs = FileSystem::current();
    fs.remove(temp);
    {
        // The slots go to the new file in pieces of about a megabyte, so that the old records
        // and the whole new body are never in memory at once.
        quint64 seq = 0;
        quint32 rid = 1;
        quint32 newRid = 0;
        RecordFile::writeNewFile(temp, header, [&] {
            QByteArray piece;
            for (; rid < m_recs.size() && piece.size() < (1 << 20); ++rid) {
                const Rec& r = m_recs[rid];
                if (r.payload) {
                    const quint32 written = identities == Identities::Kept ? rid : ++newRid;
                    piece.append(RecordFile::encodeSlot(written, ++seq, format::kSlotRecord, QByteArray::fromRawData(r.payload, r.length)));
                }
            }
            return piece;
        });
    }
    QString error;
    auto newFile = fs.open(temp, FileSystem::OpenMode::ReadWrite, &error);
    // The compaction lock first: whoever finds the new file locked sees that it is being
    // rewritten and waits instead of calling the table in use.
    if (!newFile || !OsFileLock::tryLock(newFile->fd(), format::kLockCompact, 1, OsFileLock::Mode::Exclusive) ||
        !OsFileLock::tryLock(newFile->fd(), format::kLockOpen, 1, OsFileLock::Mode::Exclusive) ||
        !fs.rename(temp, m_path, &error)) {
        fs.remove(temp);
        throw EDBEngineError(EngineErrorCode::IoError,
                             QStringLiteral("Tabulku %1 nelze přepsat: %2").arg(displayPath(), error));
    }
    fs.syncDirectory(m_dir);
    if (identities == Identities::Kept) {
        for (quint32 rid : m_lockedRecords) OsFileLock::tryLock(newFile->fd(), format::kLockRecordBase + rid, 1, OsFileLock::Mode::Exclusive);
    } else {
        m_lockedRecords.clear();
    }
    m_file = std::move(newFile);
    // Reload from the new file. The index files stay: their snapshots carry the old epoch and
    // are rebuilt and rewritten by the load, and they are what says which indexes the table
    // has (removing X files would drop an index whose Y file is missing).
    loadAll();
    m_indexesDirty = false;
}

}  // namespace engine

namespace engine {

void TableStore::create(const QString& path, const TableLayout& layout, const QVector<IndexDef>& indexes,
                        const QString& password) {
    QVector<IndexDef> defs;
    for (IndexDef def : indexes) {
        if (def.suffix.isEmpty()) def.suffix = indexSuffixForField(def.field);
        if (def.name.isEmpty()) def.name = layout.fields[def.field].name;
        defs << def;
    }
    RecordHeader header = RecordFile::makeHeader(layout, password, 0);
    header.indexes = defs;
    RecordFile::writeNewFile(path, header, QByteArray());
    const IndexStamp stamp{header.epoch, 0, RecordFile::encodeHeader(header).size(), 0};
    const QFileInfo info(path);
    const QString base = info.completeBaseName();
    const QString stem = info.absolutePath() + QLatin1Char('/') + base;
    FileSystem& fs = FileSystem::current();
    // The record file did not exist, so index files of this name are left over from an earlier
    // table. The files present say which indexes a table has: left there, they would become
    // indexes of the new table (or fail its every open when their field does not exist).
    const QStringList leftovers = QDir(info.absolutePath())
                                      .entryList({base + QLatin1String(".PX"), base + QLatin1String(".X??"),
                                                  base + QLatin1String(".Y??")},
                                                 QDir::Files);
    for (const QString& name : leftovers) fs.remove(info.absolutePath() + QLatin1Char('/') + name);
    QStringList written;
    // A table whose files could not all be written is not created at all; a record file left
    // behind would make every retry fail with "exists".
    auto fail = [&](const QString& file) {
        for (const QString& f : written) fs.remove(f);
        fs.remove(path);
        fs.syncDirectory(info.absolutePath());
        return EDBEngineError(EngineErrorCode::IoError,
                              QStringLiteral("Soubor %1 nelze vytvořit.").arg(QDir::toNativeSeparators(file)));
    };
    auto writeSnapshot = [&](const QString& file, const IndexSnapshot& snapshot) {
        if (!IndexFile::writeSnapshot(file, snapshot)) throw fail(file);
        written << file;
    };
    if (layout.primaryKey >= 0) {
        const IndexDef pk{QStringLiteral("PX"), layout.fields[layout.primaryKey].name, layout.primaryKey, true};
        writeSnapshot(stem + QLatin1String(".PX"), IndexSnapshot{pk, stamp, {}});
    }
    for (const IndexDef& def : defs) {
        const QString x = stem + QLatin1String(".X") + def.suffix;
        const QString y = stem + QLatin1String(".Y") + def.suffix;
        writeSnapshot(x, IndexSnapshot{def, stamp, {}});
        if (!IndexFile::writeDefinition(y, def, stamp)) throw fail(y);
        written << y;
    }
}

}  // namespace engine
