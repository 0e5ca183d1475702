#pragma once

#include <QString>
#include <QVector>

namespace engine {

// Storage types of table fields. The numeric values are written into record file headers
// (docs/storage-format.md), so they must never change.
enum class FieldType : quint8 {
    AutoInc = 1,   // 32-bit, assigned by the engine on insert
    Integer = 2,   // 32-bit signed
    SmallInt = 3,  // 16-bit signed
    String = 4,    // at most `size` characters of Windows-1250 text
    Date = 5,      // calendar date without time
    Boolean = 6,
};

// One field of a table layout.
struct FieldDef {
    QString name;
    FieldType type = FieldType::Integer;
    int size = 0;  // maximum characters for String fields, 0 otherwise

    bool operator==(const FieldDef&) const = default;
};

// A secondary index: one field, identified by the suffix of its X/Y file pair ("04" for
// T.X04/T.Y04, "G0" for T.XG0/T.YG0). `name` is the index name the program may refer to.
struct IndexDef {
    QString suffix;
    QString name;
    int field = -1;  // position in TableLayout::fields (0-based)
    bool unique = false;

    bool operator==(const IndexDef&) const = default;
};

// The structure of one table. The primary key, when present, is a single integer or
// autoincrement field and is unique.
struct TableLayout {
    QVector<FieldDef> fields;
    int primaryKey = -1;  // position of the key field, -1 for a table in physical order

    // Position of the field `name` (compared without regard to case), -1 when absent.
    int indexOf(const QString& name) const;
    bool operator==(const TableLayout&) const = default;
};

// Suffix of the index file pair of a single-field index on the field at 0-based position
// `field`: the 1-based field number in two upper-case hexadecimal digits ("04", "0F").
QString indexSuffixForField(int field);

}  // namespace engine
