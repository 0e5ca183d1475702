#include "RecordFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include "ByteIO.h"
#include "EngineError.h"
#include "FileIO.h"
#include "StorageFormat.h"

namespace engine {
namespace {

quint32 verifierOf(quint64 salt, const QString& password) {
    QByteArray b;
    putU64(b, salt);
    b.append(password.toUtf8());
    return crc32Of(b.constData(), b.size());
}

bool readIndexDef(ByteReader& r, IndexDef& def) {
    def.suffix = QString::fromLatin1(r.bytes(r.u8()));
    def.name = QString::fromLatin1(r.bytes(r.u8()));
    def.field = r.u16();
    const quint8 unique = r.u8();
    def.unique = unique == 1;
    return r.ok() && unique <= 1 && def.suffix.size() == 2 && def.suffix != QLatin1String("PX");
}

void fill(Slot& slot, const char* p, qint64 offset, qint64 total, quint32 crc, quint8 kind, quint8 flags,
          const char* payload, quint32 length) {
    slot.rid = getU32(p + 8);
    slot.seq = getU64(p + 12);
    slot.kind = kind;
    slot.flags = flags;
    slot.offset = offset;
    slot.end = offset + total;
    slot.crc = crc;
    slot.payload = payload;
    slot.length = length;
}

// Parses the slot at `p` (file offset `offset`); returns false when it is not intact.
bool parseSlot(const char* p, const char* end, qint64 offset, Slot& slot,
               const std::function<bool(const char*, quint32)>& validPayload) {
    if (end - p < format::kSlotHeaderSize + format::kSlotTrailerSize) return false;
    if (getU32(p) != format::kSlotMarker) return false;
    const quint32 length = getU32(p + 4);
    if (length > format::kMaxPayload) return false;
    const qint64 total = format::kSlotHeaderSize + qint64(length) + format::kSlotTrailerSize;
    if (end - p < total) return false;
    const quint8 kind = quint8(p[20]);
    const quint8 flags = quint8(p[21]);
    if (kind != format::kSlotRecord && kind != format::kSlotTombstone && kind != format::kSlotIndexDef) return false;
    if (flags & ~(format::kSlotMore | format::kSlotContinues)) return false;
    const quint32 crc = getU32(p + total - format::kSlotTrailerSize);
    if (crc32Of(p, total - format::kSlotTrailerSize) != crc) return false;
    const char* payload = p + format::kSlotHeaderSize;
    if (kind == format::kSlotRecord && !validPayload(payload, length)) return false;
    fill(slot, p, offset, total, crc, kind, flags, payload, length);
    // An index definition belongs to no record; every other slot to one.
    IndexDef def;
    if (kind == format::kSlotIndexDef) return slot.rid == 0 && RecordFile::decodeIndexDef(payload, length, def);
    return slot.rid != 0;
}

}  // namespace

QString RecordFile::corruptMessage(const QString& path) {
    return QStringLiteral("Soubor %1 je poškozen.").arg(QDir::toNativeSeparators(path));
}

RecordHeader RecordFile::makeHeader(const TableLayout& layout, const QString& password, quint32 autoIncFloor) {
    RecordHeader h;
    h.version = format::kRecordVersion;
    h.epoch = QRandomGenerator::system()->generate64();
    h.salt = QRandomGenerator::system()->generate64();
    h.layout = layout;
    h.autoIncFloor = autoIncFloor;
    if (!password.isEmpty()) {
        h.flags |= format::kHeaderFlagPassword;
        h.verifier = verifierOf(h.salt, password);
    }
    return h;
}

QByteArray RecordFile::encodeHeader(const RecordHeader& h) {
    QByteArray b(format::kRecordMagic, 8);
    const bool plain = h.version == format::kRecordVersionPlain;
    putU16(b, plain ? format::kRecordVersionPlain : format::kRecordVersion);
    putU16(b, 0);
    putU32(b, 0);  // header size, patched below
    putU64(b, h.epoch);
    putU64(b, h.salt);
    putU32(b, h.verifier);
    putU32(b, h.flags);
    putU32(b, h.autoIncFloor);
    putU16(b, quint16(qint16(h.layout.primaryKey)));
    putU16(b, quint16(h.layout.fields.size()));
    for (const FieldDef& f : h.layout.fields) {
        const QByteArray name = f.name.toLatin1();
        putU8(b, quint8(f.type));
        putU16(b, quint16(f.size));
        putU8(b, quint8(name.size()));
        b.append(name);
    }
    if (!plain) {
        putU16(b, quint16(h.indexes.size()));
        for (const IndexDef& def : h.indexes) b.append(RecordFile::encodeIndexDef(def));
    }
    const quint32 total = quint32(b.size() + 4);
    for (int i = 0; i < 4; ++i) b[12 + i] = char((total >> (8 * i)) & 0xFF);
    putU32(b, crc32Of(b.constData(), b.size()));
    return b;
}

RecordHeader RecordFile::readHeader(FileHandle& file, const QString& path) {
    auto corrupt = [&] { return EDBEngineError(EngineErrorCode::FileCorrupt, corruptMessage(path)); };
    char fixed[16];
    if (file.readAt(0, fixed, 16) != 16 || memcmp(fixed, format::kRecordMagic, 8) != 0) throw corrupt();
    const quint16 version = getU16(fixed + 8);
    if (version != format::kRecordVersion && version != format::kRecordVersionPlain) {
        throw EDBEngineError(EngineErrorCode::FileCorrupt,
                             QStringLiteral("Soubor %1 má neznámý formát.").arg(QDir::toNativeSeparators(path)));
    }
    const quint32 total = getU32(fixed + 12);
    if (total < 16 + 4 || total > 65536) throw corrupt();
    QByteArray b(total, Qt::Uninitialized);
    if (file.readAt(0, b.data(), total) != total) throw corrupt();
    if (crc32Of(b.constData(), total - 4) != getU32(b.constData() + total - 4)) throw corrupt();

    ByteReader r(b.constData() + 16, total - 16 - 4);
    RecordHeader h;
    h.version = version;
    h.epoch = r.u64();
    h.salt = r.u64();
    h.verifier = r.u32();
    h.flags = r.u32();
    h.autoIncFloor = r.u32();
    h.layout.primaryKey = qint16(r.u16());
    const int count = r.u16();
    for (int i = 0; i < count && r.ok(); ++i) {
        FieldDef f;
        const quint8 type = r.u8();
        f.size = r.u16();
        f.name = QString::fromLatin1(r.bytes(r.u8()));
        if (type < quint8(FieldType::AutoInc) || type > quint8(FieldType::Boolean)) throw corrupt();
        f.type = FieldType(type);
        h.layout.fields.append(f);
    }
    if (version != format::kRecordVersionPlain) {
        const int indexCount = r.u16();
        for (int i = 0; i < indexCount && r.ok(); ++i) {
            IndexDef def;
            if (!readIndexDef(r, def) || def.field >= count) throw corrupt();
            h.indexes.append(def);
        }
    }
    if (!r.ok() || r.remaining() != 0 || h.layout.primaryKey >= count || h.layout.primaryKey < -1) throw corrupt();
    h.size = total;
    return h;
}

bool RecordFile::passwordMatches(const RecordHeader& h, const QString& password) {
    if (!(h.flags & format::kHeaderFlagPassword)) return true;
    return verifierOf(h.salt, password) == h.verifier;
}

QByteArray RecordFile::encodeIndexDef(const IndexDef& def) {
    QByteArray b;
    const QByteArray suffix = def.suffix.toLatin1();
    const QByteArray name = def.name.toLatin1();
    putU8(b, quint8(suffix.size()));
    b.append(suffix);
    putU8(b, quint8(name.size()));
    b.append(name);
    putU16(b, quint16(def.field));
    putU8(b, def.unique ? 1 : 0);
    return b;
}

bool RecordFile::decodeIndexDef(const char* p, quint32 length, IndexDef& def) {
    ByteReader r(p, length);
    return readIndexDef(r, def) && r.remaining() == 0;
}

QByteArray RecordFile::encodeSlot(quint32 rid, quint64 seq, quint8 kind, const QByteArray& payload, quint8 flags) {
    QByteArray b;
    b.reserve(format::kSlotHeaderSize + payload.size() + format::kSlotTrailerSize);
    putU32(b, format::kSlotMarker);
    putU32(b, quint32(payload.size()));
    putU32(b, rid);
    putU64(b, seq);
    putU8(b, kind);
    putU8(b, flags);
    b.append(payload);
    putU32(b, crc32Of(b.constData(), b.size()));
    return b;
}

quint32 RecordFile::chainCrc(quint32 chain, quint32 slotCrc) {
    char b[8];
    for (int i = 0; i < 4; ++i) {
        b[i] = char((chain >> (8 * i)) & 0xFF);
        b[4 + i] = char((slotCrc >> (8 * i)) & 0xFF);
    }
    return crc32Of(b, 8);
}

qint64 RecordFile::scan(const char* data, qint64 base, qint64 size, const QString& path,
                        const std::function<bool(const char*, quint32)>& validPayload,
                        const std::function<void(const Slot&)>& sink) {
    const char* p = data;
    const char* end = data + size;
    const char* batchStart = data;  // end of the last complete batch
    // Starts of the intact slots of the batch being read; a batch may hold a whole bulk
    // write, so its slots are parsed again (without the checks) when it is complete.
    std::vector<const char*> batch;
    // Where to look for damage being followed by a later batch, when the batch at
    // batchStart turns out damaged or broken off.
    const char* damageFrom = nullptr;
    Slot slot;
    while (p < end) {
        if (!parseSlot(p, end, base + (p - data), slot, validPayload)) {
            damageFrom = p + 1;
            break;
        }
        const bool continues = slot.flags & format::kSlotContinues;
        if (continues != !batch.empty()) {
            // A continuation without its start, or a new batch before the last one ended: the
            // slot itself may be the start of a later batch.
            damageFrom = continues ? p + 1 : p;
            break;
        }
        p += slot.end - slot.offset;
        if (!(slot.flags & format::kSlotMore)) {
            for (const char* q : batch) {
                Slot earlier;
                const quint32 length = getU32(q + 4);
                const qint64 total = format::kSlotHeaderSize + qint64(length) + format::kSlotTrailerSize;
                fill(earlier, q, base + (q - data), total, getU32(q + total - format::kSlotTrailerSize), quint8(q[20]),
                     quint8(q[21]), q + format::kSlotHeaderSize, length);
                sink(earlier);
            }
            sink(slot);
            batch.clear();
            batchStart = p;
        } else {
            batch.push_back(p - (slot.end - slot.offset));
        }
    }
    if (damageFrom) {
        // A batch is only begun once the one before it is durable, so an intact batch start
        // after the damage means durable data was damaged, which must not be hidden. Intact
        // continuation slots are the rest of the interrupted batch (its pages may reach the
        // disk in any order).
        //
        // Each candidate costs a checksum over the length it claims. The slots of a real file do
        // not overlap, so checking them costs the bytes after the damage once, plus the few
        // false starts of the damage itself; a file whose candidates cost far more was made to
        // stall this search (a slot marker every few bytes, each claiming a megabyte) and is
        // reported as damaged instead of being checked for minutes.
        const qint64 budget = 2 * (end - damageFrom) + 2 * (format::kSlotHeaderSize + qint64(format::kMaxPayload));
        qint64 spent = 0;
        for (const char* q = damageFrom; q + format::kSlotHeaderSize + format::kSlotTrailerSize <= end; ++q) {
            if (getU32(q) != format::kSlotMarker) continue;
            const quint32 claimed = getU32(q + 4);
            if (claimed <= format::kMaxPayload) spent += claimed;
            if (spent > budget) throw EDBEngineError(EngineErrorCode::FileCorrupt, corruptMessage(path));
            Slot later;
            if (parseSlot(q, end, base + (q - data), later, validPayload) && !(later.flags & format::kSlotContinues)) {
                throw EDBEngineError(EngineErrorCode::FileCorrupt, corruptMessage(path));
            }
        }
    }
    return base + (batchStart - data);
}

void SlotBatch::add(quint32 rid, quint8 kind, const QByteArray& payload) {
    if (m_pending) flush(false);
    m_pending = true;
    m_rid = rid;
    m_kind = kind;
    m_payload = payload;
}

void SlotBatch::flush(bool last) {
    quint8 flags = 0;
    if (m_framed) {
        if (m_count > 0) flags |= format::kSlotContinues;
        if (!last) flags |= format::kSlotMore;
    }
    m_bytes.append(RecordFile::encodeSlot(m_rid, ++m_seq, m_kind, m_payload, flags));
    ++m_count;
    m_pending = false;
    m_payload.clear();
}

QByteArray SlotBatch::finish() {
    if (m_pending) flush(true);
    return std::move(m_bytes);
}

void RecordFile::writeNewFile(const QString& path, const RecordHeader& header, const QByteArray& body) {
    bool given = false;
    writeNewFile(path, header, [&] {
        if (given) return QByteArray();
        given = true;
        return body;
    });
}

void RecordFile::writeNewFile(const QString& path, const RecordHeader& header, const std::function<QByteArray()>& nextPiece) {
    FileSystem& fs = FileSystem::current();
    QString error;
    auto file = fs.open(path, FileSystem::OpenMode::CreateNew, &error);
    if (!file) {
        throw EDBEngineError(EngineErrorCode::IoError, QStringLiteral("Soubor %1 nelze vytvořit: %2")
                                                           .arg(QDir::toNativeSeparators(path), error));
    }
    const QByteArray head = encodeHeader(header);
    bool ok = file->writeAt(0, head.constData(), head.size());
    qint64 at = head.size();
    for (QByteArray piece = nextPiece(); ok && !piece.isEmpty(); piece = nextPiece()) {
        ok = file->writeAt(at, piece.constData(), piece.size());
        at += piece.size();
    }
    if (!ok || !file->sync()) {
        error = file->errorString();
        file.reset();
        fs.remove(path);
        throw EDBEngineError(EngineErrorCode::IoError, QStringLiteral("Do souboru %1 nelze zapisovat: %2")
                                                           .arg(QDir::toNativeSeparators(path), error));
    }
    file.reset();
    fs.syncDirectory(QFileInfo(path).absolutePath());
}

}  // namespace engine
