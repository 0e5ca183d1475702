#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

#include "FieldDef.h"

namespace engine {

class FileHandle;

// The fixed part of a record file, written once when the file is created or compacted.
struct RecordHeader {
    quint16 version = 0;      // format::kRecordVersion, or kRecordVersionPlain for an older file
    quint64 epoch = 0;        // random; a new one for every created or compacted file
    quint64 salt = 0;         // salt of the password verifier
    quint32 verifier = 0;     // CRC-32 of salt and password; meaningful with the password flag
    quint32 flags = 0;        // format::kHeaderFlagPassword
    quint32 autoIncFloor = 0; // autoincrement values up to this one were used before compaction
    TableLayout layout;
    // Secondary indexes declared when the file was written; AddIndex appends more as slots.
    // Always empty in a version 1 file, whose index files say which indexes it has.
    QVector<IndexDef> indexes;
    qint64 size = 0;          // bytes the header takes; slots start here
};

// One record slot as found by a scan. `payload` points into the scanned buffer.
struct Slot {
    quint32 rid = 0;
    quint64 seq = 0;
    quint8 kind = 0;
    quint8 flags = 0;   // format::kSlotMore, kSlotContinues
    qint64 offset = 0;  // file offset of the slot
    qint64 end = 0;     // file offset just past the slot
    quint32 crc = 0;
    const char* payload = nullptr;
    quint32 length = 0;
};

// Reading and writing the record file format of docs/storage-format.md. Stateless helpers;
// TableStore owns the file and the records.
class RecordFile {
public:
    static RecordHeader makeHeader(const TableLayout& layout, const QString& password, quint32 autoIncFloor);
    static QByteArray encodeHeader(const RecordHeader& header);
    // Reads and checks the header. Throws EDBEngineError(FileCorrupt) naming `path` when the
    // file is not a record file of ours or its header is damaged.
    static RecordHeader readHeader(FileHandle& file, const QString& path);
    static bool passwordMatches(const RecordHeader& header, const QString& password);

    static QByteArray encodeSlot(quint32 rid, quint64 seq, quint8 kind, const QByteArray& payload, quint8 flags = 0);
    // Payload of an index definition slot, and its reverse (false when it does not decode).
    static QByteArray encodeIndexDef(const IndexDef& def);
    static bool decodeIndexDef(const char* p, quint32 length, IndexDef& def);

    // Running checksum of a file's slots: `chain` of the slots before, extended by the CRC of
    // the next one (the chain of an empty file is 0). Two files agree on the chain up to a
    // slot only when they hold the same slots up to it, so an index stamp that carries it
    // cannot be mistaken for one of a copy of the file that went a different way since.
    static quint32 chainCrc(quint32 chain, quint32 slotCrc);

    // Scans `size` bytes of slots that start at file offset `base`, calling `sink` for each slot
    // of every complete batch, in file order. Returns the file offset where the complete
    // batches end: the end of the buffer, or the start of a torn tail (an interrupted batch:
    // damaged, incomplete, or both), which is left for the caller. Damage followed by the start
    // of a later batch is corruption, since a batch is only begun once the one before it is
    // durable: throws EDBEngineError(FileCorrupt) naming `path`. `validPayload` checks a record
    // payload against the table layout.
    static qint64 scan(const char* data, qint64 base, qint64 size, const QString& path,
                       const std::function<bool(const char*, quint32)>& validPayload,
                       const std::function<void(const Slot&)>& sink);

    // Writes a complete new record file at `path` (which must not exist) with `header` and the
    // slots in `body`, and makes it durable. Throws EDBEngineError(IoError) on failure, after
    // removing the partial file.
    static void writeNewFile(const QString& path, const RecordHeader& header, const QByteArray& body);
    // The same with the slots handed over in pieces by `nextPiece` until it returns an empty
    // one, so that a large file is never held in memory whole.
    static void writeNewFile(const QString& path, const RecordHeader& header, const std::function<QByteArray()>& nextPiece);

    static QString corruptMessage(const QString& path);
};

// The slots of one write, framed as one batch so that a crash applies all of them or none.
// For a version 1 file (`framed` false) the slots stay unframed, as its readers expect.
class SlotBatch {
public:
    SlotBatch(bool framed, quint64 lastSeq) : m_framed(framed), m_seq(lastSeq) {}
    void add(quint32 rid, quint8 kind, const QByteArray& payload);
    // The encoded batch; empty when nothing was added.
    QByteArray finish();
    quint64 lastSeq() const { return m_seq; }
    int count() const { return m_count; }
    void reserve(qsizetype bytes) { m_bytes.reserve(bytes); }

private:
    void flush(bool last);

    bool m_framed;
    quint64 m_seq;
    int m_count = 0;
    QByteArray m_bytes;
    // The slot added last, encoded once the next one shows whether it ends the batch.
    bool m_pending = false;
    quint32 m_rid = 0;
    quint8 m_kind = 0;
    QByteArray m_payload;
};

}  // namespace engine
