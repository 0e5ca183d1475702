// Fuzz target: the record file. The first input byte chooses whether checksums are repaired
// (bit 0) and how far the file goes (bit 1); the rest is a record file. Without bit 1 its header
// is read and checked, and the slots after it are scanned and decoded against the header's
// layout. With bit 1 the file is opened as a table, as the program opens one: every order is
// walked and must list every record once, a record is appended and the table closed (which may
// rewrite the file). Damage must be reported as the engine's error; anything else (a crash, an
// allocation failure, a read out of bounds, an order that loses records) is a fault. With
// repaired checksums the fuzzer reaches the code behind the checks instead of spending its time
// on them.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "ByteIO.h"
#include "EngineError.h"
#include "FileIO.h"
#include "RecordCodec.h"
#include "RecordFile.h"
#include "StorageFormat.h"
#include "TDatabase.h"
#include "TField.h"
#include "TSession.h"
#include "TTable.h"

namespace {

// The input as a read-only file.
class MemoryFile : public engine::FileHandle {
public:
    explicit MemoryFile(const QByteArray& bytes) : m_bytes(bytes) {}
    int fd() const override { return -1; }
    qint64 readAt(qint64 offset, char* data, qint64 size) override {
        if (offset < 0 || size < 0) return -1;
        if (offset >= m_bytes.size()) return 0;
        const qint64 n = std::min<qint64>(size, m_bytes.size() - offset);
        std::memcpy(data, m_bytes.constData() + offset, size_t(n));
        return n;
    }
    bool writeAt(qint64, const char*, qint64) override { return false; }
    bool sync() override { return false; }
    bool truncate(qint64) override { return false; }
    qint64 size() override { return m_bytes.size(); }
    QString errorString() const override { return QStringLiteral("read-only"); }

private:
    const QByteArray& m_bytes;
};

void putCrcAt(QByteArray& b, qint64 at) {
    const quint32 crc = engine::crc32Of(b.constData(), at);
    for (int i = 0; i < 4; ++i) b[at + i] = char((crc >> (8 * i)) & 0xFF);
}

// Gives the header and every slot that fits a valid CRC, walking the slots by their lengths.
void repairChecksums(QByteArray& b) {
    if (b.size() < 16) return;
    const qint64 headerEnd = engine::getU32(b.constData() + 12);
    if (headerEnd < 4 || headerEnd > b.size()) return;
    putCrcAt(b, headerEnd - 4);
    qint64 at = headerEnd;
    while (at + engine::format::kSlotHeaderSize <= b.size()) {
        const qint64 length = engine::getU32(b.constData() + at + 4);
        const qint64 end = at + engine::format::kSlotHeaderSize + length + engine::format::kSlotTrailerSize;
        if (end > b.size()) return;
        QByteArray slot = b.mid(at, end - at);
        putCrcAt(slot, slot.size() - 4);
        b.replace(at, slot.size(), slot);
        at = end;
    }
}

// A session and database over a scratch directory, on tmpfs when there is one: each run
// writes the table, and on a disk the syncs would take most of the fuzzer's time.
struct TableFixture {
    QTemporaryDir dir{(QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath()) +
                      QStringLiteral("/lamelin-fuzz-record-XXXXXX")};
    TSession session{QStringLiteral("FuzzRecordSession")};
    TDatabase db{&session, QStringLiteral("FuzzRecordDb")};

    TableFixture() {
        session.setNetFileDir(dir.path());
        session.AddPassword(QStringLiteral("314159"));
        session.Open();
        db.Params = {"PATH=" + dir.path(), "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"};
    }

    // Leaves only the table file `bytes` in the directory.
    void writeTable(const QByteArray& bytes) const {
        QDir d(dir.path());
        for (const QString& name : d.entryList(QDir::Files)) {
            if (!name.endsWith(QLatin1String(".lck"), Qt::CaseInsensitive)) d.remove(name);
        }
        QFile f(d.filePath(QStringLiteral("Cards.DB")));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) std::abort();
    }
};

// Opens the table, walks every order, appends a record and closes it.
void openAsTable(const QByteArray& bytes) {
    static TableFixture fx;
    fx.writeTable(bytes);
    TTable t;
    t.setDatabase(&fx.db);
    t.TableName = QStringLiteral("Cards.DB");
    try {
        t.Open();
        const int count = t.RecordCount();
        QStringList orders = {QString()};
        for (const engine::IndexDef& def : t.IndexDefs()) orders << t.Fields().at(def.field)->FieldName();
        for (const QString& order : orders) {
            t.setIndexFieldNames(order);
            int seen = 0;
            for (t.First(); !t.Eof(); t.Next()) ++seen;
            if (seen != count) std::abort();
        }
        t.Append();
        t.Post();
        if (t.RecordCount() != count + 1) std::abort();
        t.Close();
    } catch (const EDatabaseError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    QByteArray bytes(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    if (data[0] & 1) repairChecksums(bytes);
    if (data[0] & 2) {
        openAsTable(bytes);
        return 0;
    }
    const QString path = QStringLiteral("/fuzz/Hdok.DB");
    try {
        MemoryFile file(bytes);
        const engine::RecordHeader header = engine::RecordFile::readHeader(file, path);
        const engine::RecordCodec codec(header.layout);
        if (header.size < 0 || header.size > bytes.size()) return 0;
        engine::RecordFile::scan(
            bytes.constData() + header.size, header.size, bytes.size() - header.size, path,
            [&](const char* payload, quint32 length) { return codec.validate(payload, int(length)); },
            [&](const engine::Slot& slot) {
                if (slot.kind == engine::format::kSlotRecord) codec.decodeAll(slot.payload, int(slot.length));
            });
    } catch (const EDatabaseError&) {
    }
    return 0;
}
