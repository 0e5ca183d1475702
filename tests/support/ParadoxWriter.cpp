#include "ParadoxWriter.h"

#include <QDate>
#include <QFile>
#include <QStringEncoder>
#include <cstdlib>
#include <cstring>

extern "C" {
#include <paradox.h>
}

#include "ParadoxTable.h"
#include "TableLayouts.h"

namespace test {

using interchange::ParadoxTable;

namespace {

void putLe(QByteArray& header, int at, quint32 value, int size) {
    for (int i = 0; i < size; ++i) header[at + i] = char((value >> (8 * i)) & 0xFF);
}

// Appends the data blocks of a table that pxlib has just created empty (and closed), records
// from `fill`, and sets the header's record and block counts; after the public descriptions of
// the format: a block of the header's block size starts with the next and the previous block's
// number and the offset of its last record, the records follow.
bool writeBlocks(const QString& path, int recordSize, const std::function<bool(char*)>& fill) {
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite)) return false;
    QByteArray header = file.read(0x20);
    const int headerSize = quint8(header[2]) | (quint8(header[3]) << 8);
    // The largest blocks the format knows (32 KiB), so that a million records fit the 16-bit
    // block numbers.
    header[5] = char(32);
    const int blockSize = 32 * 0x400;
    const int perBlock = (blockSize - 6) / recordSize;
    QByteArray block(blockSize, '\0');
    quint32 records = 0;
    quint32 blocks = 0;
    bool more = true;
    while (more) {
        block.fill('\0');
        int inBlock = 0;
        while (inBlock < perBlock && (more = fill(block.data() + 6 + inBlock * recordSize))) ++inBlock;
        if (inBlock == 0) break;
        ++blocks;
        records += quint32(inBlock);
        putLe(block, 0, more ? blocks + 1 : 0, 2);
        putLe(block, 2, blocks - 1, 2);
        putLe(block, 4, quint32((inBlock - 1) * recordSize), 2);
        if (!file.seek(headerSize + qint64(blocks - 1) * blockSize) || file.write(block) != blockSize) return false;
    }
    if (blocks > 0) {
        // The last block written may have been full while the source had no more records.
        QByteArray last(2, '\0');
        file.seek(headerSize + qint64(blocks - 1) * blockSize);
        file.write(last);
    }
    putLe(header, 0x06, records, 4);
    putLe(header, 0x0A, blocks, 2);
    putLe(header, 0x0C, blocks, 2);
    putLe(header, 0x0E, blocks ? 1 : 0, 2);
    putLe(header, 0x10, blocks, 2);
    return file.seek(0) && file.write(header) == header.size();
}

}  // namespace

bool writeParadoxTable(const QString& path, const PxTable& table) {
    int next = 0;
    return writeParadoxTable(path, table, [&](QVector<QVariant>& row) {
        if (next >= table.rows.size()) return false;
        row = table.rows[next++];
        return true;
    });
}

bool writeParadoxTable(const QString& path, const PxTable& table, const std::function<bool(QVector<QVariant>&)>& next) {
    QFile::remove(path);
    pxdoc_t* doc = PX_new();
    const int count = int(table.fields.size());
    // pxlib takes the field array over and frees it, so it comes from malloc.
    auto* fields = static_cast<pxfield_t*>(std::malloc(sizeof(pxfield_t) * size_t(count)));
    for (int i = 0; i < count; ++i) {
        fields[i].px_fname = strdup(table.fields[i].name.toLatin1().constData());
        fields[i].px_ftype = char(table.fields[i].type);
        fields[i].px_flen = table.fields[i].length;
        fields[i].px_fdc = 0;
    }
    const bool keyed =
        table.fields.value(0).type == ParadoxTable::AutoInc || table.fields.value(0).type == ParadoxTable::Long;
    if (PX_create_file(doc, fields, count, QFile::encodeName(path).constData(),
                       keyed ? pxfFileTypIndexDB : pxfFileTypNonIndexDB) < 0) {
        PX_delete(doc);
        return false;
    }
    if (keyed) PX_set_value(doc, "numprimkeys", 1);
    PX_set_value(doc, "codepage", float(table.codePage));
    if (!table.password.isEmpty()) PX_set_parameter(doc, "password", table.password.toLatin1().constData());
    QStringEncoder encoder(table.codePage == 1250 ? "windows-1250"
                                                  : QByteArray("IBM" + QByteArray::number(table.codePage)).constData());
    // Each record is put together from its field values with pxlib's encoders.
    auto encode = [&](const QVector<QVariant>& row, char* at) {
        for (int i = 0; i < count; ++i) {
            const int length = table.fields[i].length;
            const QVariant& v = row.value(i);
            if (v.isValid()) {
                switch (table.fields[i].type) {
                    case ParadoxTable::Alpha: {
                        QByteArray bytes = encoder.encode(v.toString());
                        if (!bytes.isEmpty()) PX_put_data_alpha(doc, at, length, bytes.data());
                        break;
                    }
                    case ParadoxTable::Date:
                        PX_put_data_long(doc, at, length, int(v.toDate().toJulianDay() - 1721425));
                        break;
                    case ParadoxTable::Number:
                    case ParadoxTable::Currency:
                        PX_put_data_double(doc, at, length, v.toDouble());
                        break;
                    case ParadoxTable::Logical:
                        PX_put_data_byte(doc, at, length, v.toBool() ? 1 : 0);
                        break;
                    case ParadoxTable::Short:
                        PX_put_data_short(doc, at, length, short(v.toInt()));
                        break;
                    default:
                        PX_put_data_long(doc, at, length, v.toInt());
                        break;
                }
            }
            at += length;
        }
    };
    const int recordSize = PX_get_recordsize(doc);
    QByteArray record(recordSize, '\0');
    QVector<QVariant> row;
    if (table.password.isEmpty() && table.directBlocks) {
        PX_close(doc);
        const bool ok = writeBlocks(path, recordSize, [&](char* at) {
            if (!next(row)) return false;
            encode(row, at);
            return true;
        });
        PX_delete(doc);
        return ok;
    }
    // pxlib's PX_put_record appends one record at a time (PX_insert_record would look for a
    // free place through the whole file first).
    while (next(row)) {
        record.fill('\0');
        encode(row, record.data());
        if (PX_put_record(doc, record.data()) < 0) {
            PX_close(doc);
            PX_delete(doc);
            return false;
        }
    }
    PX_close(doc);
    PX_delete(doc);
    return true;
}

QVector<PxField> paradoxLayout(const QString& table) {
    QVector<PxField> out;
    const storage::TableDefinition def = table == "Hdok"    ? storage::hdokTable()
                                         : table == "Hdath" ? storage::hdathTable()
                                         : table == "Hdatl" ? storage::hdatlTable()
                                         : table == "Hspl"  ? storage::hsplTable()
                                         : table == "Uziv"  ? storage::uzivTable()
                                                            : storage::dataTable();
    for (const engine::FieldDef& f : def.layout.fields) {
        switch (f.type) {
            case engine::FieldType::AutoInc:
                out.append({f.name, ParadoxTable::AutoInc, 4});
                break;
            case engine::FieldType::Integer:
                out.append({f.name, ParadoxTable::Long, 4});
                break;
            case engine::FieldType::SmallInt:
                out.append({f.name, ParadoxTable::Short, 2});
                break;
            case engine::FieldType::String:
                out.append({f.name, ParadoxTable::Alpha, f.size});
                break;
            case engine::FieldType::Date:
                out.append({f.name, ParadoxTable::Date, 4});
                break;
            case engine::FieldType::Boolean:
                out.append({f.name, ParadoxTable::Logical, 1});
                break;
        }
    }
    return out;
}

}  // namespace test
