#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QVariant>
#include <QVector>

#include "FieldDef.h"

namespace engine {

// The payload of a record slot: a NULL bitmap (one bit per field, set = NULL) followed by the
// non-NULL values in field order. Integers and autoincrements take 4 bytes, small integers 2,
// dates 4 (Julian day), booleans 1, strings a length (1 byte below 128, else 2 bytes with the
// top bit of the first set) and their Windows-1250 bytes. All little-endian.
class RecordCodec {
public:
    explicit RecordCodec(const TableLayout& layout);

    // Encodes one record. The values must already be valid for their fields (TField checks
    // them); throws EDBEngineError(InvalidValue) if one is not, e.g. text outside Windows-1250.
    QByteArray encode(const QVector<QVariant>& values) const;
    // Decodes the field at `field`; QVariant() for NULL. Returns QVariant() as well for a
    // payload too short to hold it (a damaged payload never reads out of bounds).
    QVariant decodeField(const char* payload, int size, int field) const;
    QVector<QVariant> decodeAll(const char* payload, int size) const;
    // Text of a string field without building a QVariant (hot path of collation compares).
    QString decodeString(const char* payload, int size, int field) const;
    // The stored Windows-1250 bytes of a string field, empty for NULL: equal bytes are equal
    // text, so a caller can skip decoding and collating them.
    QByteArrayView stringBytes(const char* payload, int size, int field) const;
    // The offset of every field's value in one pass (-1 for NULL); false, with `out` unspecified,
    // for a malformed payload. `out` must hold one entry per field.
    bool offsets(const char* payload, int size, int* out) const;
    // Decodes the field at `field` whose value starts at `offset` (from offsets(); -1 for NULL).
    QVariant decodeAt(const char* payload, int size, int field, int offset) const;
    // True when the payload is well formed for this layout.
    bool validate(const char* payload, int size) const;

private:
    // Offset of the value of `field` inside the payload, -1 for NULL or a malformed payload.
    int offsetOf(const char* payload, int size, int field) const;
    int valueSize(const char* at, const char* end, FieldType type) const;

    TableLayout m_layout;
    int m_bitmapSize;
};

}  // namespace engine
