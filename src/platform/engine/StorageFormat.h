#pragma once

// Constants of the engine's on-disk format. docs/storage-format.md describes the layout these
// numbers belong to; change both together, and bump the version when old readers would
// misread a new file.

#include <QtGlobal>

namespace engine::format {

// Record file (T.DB).
inline constexpr char kRecordMagic[8] = {'L', 'A', 'M', 'E', 'L', 'N', 'D', 'B'};
inline constexpr quint16 kRecordVersion = 2;       // written by this engine
inline constexpr quint16 kRecordVersionPlain = 1;  // slots without batch flags, still read and written
inline constexpr quint32 kSlotMarker = 0x534C4F54;  // "TOLS" little-endian: start of a slot
inline constexpr int kSlotHeaderSize = 22;          // marker, length, rid, seq, kind, reserved
inline constexpr int kSlotTrailerSize = 4;          // CRC-32
inline constexpr quint8 kSlotRecord = 1;
inline constexpr quint8 kSlotTombstone = 2;
inline constexpr quint8 kSlotIndexDef = 3;         // adds a secondary index (rid 0)
// Batch flags (byte 21 of a slot). A batch is a run of slots that applies entirely or not at
// all: its first slot lacks kSlotContinues, its last lacks kSlotMore. A slot with neither flag
// is a batch of its own, as every slot of a version 1 file is.
inline constexpr quint8 kSlotMore = 1;       // more slots of this batch follow
inline constexpr quint8 kSlotContinues = 2;  // not the first slot of its batch
inline constexpr quint32 kMaxPayload = 1u << 20;    // far above the largest layout's record
inline constexpr quint32 kHeaderFlagPassword = 1;

// Index files (T.PX, T.Xnn, T.Ynn).
inline constexpr char kIndexMagic[8] = {'L', 'A', 'M', 'E', 'L', 'N', 'I', 'X'};
inline constexpr char kIndexDefMagic[8] = {'L', 'A', 'M', 'E', 'L', 'N', 'I', 'Y'};
inline constexpr quint16 kIndexVersion = 1;

// Byte ranges of the record file used as named locks (OsFileLock); they lie far beyond any
// real file size and never overlap the data.
inline constexpr quint64 kLockOpen = quint64(1) << 40;       // shared per open, exclusive for exclusive open
inline constexpr quint64 kLockWrite = kLockOpen + 1;         // held while appending
inline constexpr quint64 kLockCompact = kLockOpen + 2;       // held while a closing connection rewrites the file
inline constexpr quint64 kLockRecordBase = quint64(1) << 41; // + record identity: record being edited

}  // namespace engine::format
