#include "TableFileKind.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstring>

#include "StorageFormat.h"

namespace interchange {
namespace {

quint16 le16(const uchar* p) {
    return quint16(p[0] | (p[1] << 8));
}

// The fixed part of a Paradox table header (public descriptions of the format): record size
// at 0x00, header size at 0x02 (a multiple of 0x800), file type at 0x04 (0 keyed table, 2 table
// without key), block size in KiB at 0x05, field count at 0x21, file version at 0x39 (3 for
// Paradox 3.0 up to 12 for 7.x).
bool looksLikeParadox(const QByteArray& head, qint64 fileSize) {
    if (head.size() < 0x58) return false;
    const auto* h = reinterpret_cast<const uchar*>(head.constData());
    const quint16 recordSize = le16(h);
    const quint16 headerSize = le16(h + 2);
    const uchar fileType = h[4];
    const uchar blockKib = h[5];
    const quint16 fieldCount = le16(h + 0x21);
    const uchar version = h[0x39];
    const bool blockOk = blockKib == 1 || blockKib == 2 || blockKib == 3 || blockKib == 4 || blockKib == 8 ||
                         blockKib == 16 || blockKib == 32;
    return recordSize > 0 && headerSize >= 0x800 && headerSize % 0x800 == 0 && headerSize <= fileSize &&
           (fileType == 0 || fileType == 2) && blockOk && fieldCount > 0 && version >= 3 && version <= 12;
}

}  // namespace

TableFileKind tableFileKind(const QString& path) {
    QFile file(path);
    if (!file.exists()) return TableFileKind::Missing;
    if (!file.open(QIODevice::ReadOnly)) return TableFileKind::Unknown;
    const QByteArray head = file.read(0x80);
    if (head.size() >= 8 && std::memcmp(head.constData(), engine::format::kRecordMagic, 8) == 0) {
        return TableFileKind::Ours;
    }
    return looksLikeParadox(head, file.size()) ? TableFileKind::Paradox : TableFileKind::Unknown;
}

QString findFileIgnoringCase(const QString& dir, const QString& name) {
    const QString exact = dir + name;
    if (QFileInfo::exists(exact)) return exact;
    const QStringList entries = QDir(dir).entryList({name}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0) return dir + entry;
    }
    return exact;
}

}  // namespace interchange
