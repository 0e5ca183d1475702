#include "IndexFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include "ByteIO.h"
#include "FileIO.h"
#include "RecordFile.h"
#include "StorageFormat.h"

namespace engine {
namespace {

void putDefAndStamp(QByteArray& b, const IndexDef& def, const IndexStamp& s) {
    b.append(RecordFile::encodeIndexDef(def));  // the same encoding as in the record file
    putU64(b, s.epoch);
    putU64(b, s.seq);
    putU64(b, quint64(s.end));
    putU32(b, s.lastCrc);
}

bool readDefAndStamp(ByteReader& r, IndexDef& def, IndexStamp& s) {
    def.suffix = QString::fromLatin1(r.bytes(r.u8()));
    def.name = QString::fromLatin1(r.bytes(r.u8()));
    def.field = r.u16();
    def.unique = r.u8() != 0;
    s.epoch = r.u64();
    s.seq = r.u64();
    s.end = qint64(r.u64());
    s.lastCrc = r.u32();
    return r.ok();
}

bool writeAtomically(const QString& path, QByteArray content) {
    putU32(content, crc32Of(content.constData(), content.size()));
    FileSystem& fs = FileSystem::current();
    const QString temp = path + QStringLiteral(".%1.tmp").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
    auto file = fs.open(temp, FileSystem::OpenMode::CreateNew, nullptr);
    if (!file) return false;
    const bool written = file->writeAt(0, content.constData(), content.size());
    file.reset();
    // A crash may leave a damaged or empty index file behind; it is detected and rebuilt on
    // the next open, so index files do not need to be synced.
    if (!written || !fs.rename(temp, path, nullptr)) {
        fs.remove(temp);
        return false;
    }
    return true;
}

// Reads a whole file and checks its magic and trailing CRC; empty on any failure.
QByteArray readChecked(const QString& path, const char magic[8]) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QByteArray b = f.readAll();
    if (b.size() < 8 + 2 + 4 || memcmp(b.constData(), magic, 8) != 0) return {};
    if (crc32Of(b.constData(), b.size() - 4) != getU32(b.constData() + b.size() - 4)) return {};
    if (getU16(b.constData() + 8) != format::kIndexVersion) return {};
    b.chop(4);
    return b;
}

}  // namespace

bool IndexFile::writeSnapshot(const QString& path, const IndexSnapshot& snap) {
    QByteArray b(format::kIndexMagic, 8);
    b.reserve(64 + qsizetype(snap.rids.size()) * 4);
    putU16(b, format::kIndexVersion);
    putDefAndStamp(b, snap.def, snap.stamp);
    putU32(b, quint32(snap.rids.size()));
    const qsizetype at = b.size();
    b.resize(at + qsizetype(snap.rids.size()) * 4);
    char* p = b.data() + at;
    for (quint32 rid : snap.rids) {
        for (int i = 0; i < 4; ++i) *p++ = char((rid >> (8 * i)) & 0xFF);
    }
    return writeAtomically(path, b);
}

bool IndexFile::writeDefinition(const QString& path, const IndexDef& def, const IndexStamp& stamp) {
    QByteArray b(format::kIndexDefMagic, 8);
    putU16(b, format::kIndexVersion);
    putDefAndStamp(b, def, stamp);
    return writeAtomically(path, b);
}

std::optional<IndexSnapshot> IndexFile::readSnapshot(const QString& path) {
    const QByteArray b = readChecked(path, format::kIndexMagic);
    if (b.isEmpty()) return std::nullopt;
    ByteReader r(b.constData() + 10, b.size() - 10);
    IndexSnapshot s;
    if (!readDefAndStamp(r, s.def, s.stamp)) return std::nullopt;
    const quint32 count = r.u32();
    if (!r.ok() || r.remaining() != qint64(count) * 4) return std::nullopt;
    s.rids.resize(count);
    const char* p = r.pos();
    for (quint32 i = 0; i < count; ++i) s.rids[i] = getU32(p + 4 * i);
    return s;
}

std::optional<std::pair<IndexDef, IndexStamp>> IndexFile::readDefinition(const QString& path) {
    const QByteArray b = readChecked(path, format::kIndexDefMagic);
    if (b.isEmpty()) return std::nullopt;
    ByteReader r(b.constData() + 10, b.size() - 10);
    IndexDef def;
    IndexStamp stamp;
    if (!readDefAndStamp(r, def, stamp) || r.remaining() != 0) return std::nullopt;
    return std::make_pair(def, stamp);
}

}  // namespace engine
