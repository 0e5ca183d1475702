#pragma once

#include <QString>
#include <optional>
#include <vector>

#include "FieldDef.h"

namespace engine {

// Which state of the record file an index snapshot belongs to: the file's epoch, and the
// sequence number and end offset of the last slot the snapshot includes, with the running
// checksum of all slots up to it (RecordFile::chainCrc). A snapshot of another file, of a copy
// that went another way, or of a later state than the file has, fails the check and is rebuilt.
struct IndexStamp {
    quint64 epoch = 0;
    quint64 seq = 0;
    qint64 end = 0;
    quint32 lastCrc = 0;  // running checksum of the slots up to `end`
    bool operator==(const IndexStamp&) const = default;
};

// A persisted order: the record identities of the live records in index order.
struct IndexSnapshot {
    IndexDef def;
    IndexStamp stamp;
    std::vector<quint32> rids;
};

// The index files of docs/storage-format.md: T.Xnn (and T.PX) hold a snapshot, T.Ynn holds
// the index definition and stamp again, so that either file alone says what the index is.
class IndexFile {
public:
    // Writes `snapshot` to `path` through a temporary file and a rename, so a reader sees the
    // old or the new file, never a mix. Returns false on failure (the old file stays).
    static bool writeSnapshot(const QString& path, const IndexSnapshot& snapshot);
    static bool writeDefinition(const QString& path, const IndexDef& def, const IndexStamp& stamp);
    // nullopt when the file is missing, damaged or not an index file.
    static std::optional<IndexSnapshot> readSnapshot(const QString& path);
    static std::optional<std::pair<IndexDef, IndexStamp>> readDefinition(const QString& path);
};

}  // namespace engine
