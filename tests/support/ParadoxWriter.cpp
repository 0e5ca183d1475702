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

bool writeParadoxTable(const QString& path, const PxTable& table) {
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
    const bool keyed = table.fields.value(0).type == ParadoxTable::AutoInc || table.fields.value(0).type == ParadoxTable::Long;
    if (PX_create_file(doc, fields, count, QFile::encodeName(path).constData(),
                       keyed ? pxfFileTypIndexDB : pxfFileTypNonIndexDB) < 0) {
        PX_delete(doc);
        return false;
    }
    if (keyed) PX_set_value(doc, "numprimkeys", 1);
    PX_set_value(doc, "codepage", float(table.codePage));
    if (!table.password.isEmpty()) PX_set_parameter(doc, "password", table.password.toLatin1().constData());
    QStringEncoder encoder(table.codePage == 1250 ? "windows-1250" : QByteArray("IBM" + QByteArray::number(table.codePage)).constData());
    for (const QVector<QVariant>& row : table.rows) {
        auto** values = static_cast<pxval_t**>(std::malloc(sizeof(pxval_t*) * size_t(count)));
        for (int i = 0; i < count; ++i) {
            MAKE_PXVAL(doc, values[i]);
            const QVariant& v = row.value(i);
            values[i]->isnull = v.isValid() ? 0 : 1;
            if (!v.isValid()) continue;
            switch (table.fields[i].type) {
                case ParadoxTable::Alpha: {
                    const QByteArray bytes = encoder.encode(v.toString());
                    values[i]->value.str.val = static_cast<char*>(std::malloc(size_t(bytes.size()) + 1));
                    std::memcpy(values[i]->value.str.val, bytes.constData(), size_t(bytes.size()) + 1);
                    values[i]->value.str.len = int(bytes.size());
                    break;
                }
                case ParadoxTable::Date:
                    values[i]->value.lval = long(v.toDate().toJulianDay() - 1721425);
                    break;
                case ParadoxTable::Number:
                case ParadoxTable::Currency:
                    values[i]->value.dval = v.toDouble();
                    break;
                default:
                    values[i]->value.lval = long(v.toInt());
                    break;
            }
        }
        if (PX_insert_record(doc, values) < 0) {
            PX_close(doc);
            PX_delete(doc);
            return false;
        }
        for (int i = 0; i < count; ++i) {
            if (table.fields[i].type == ParadoxTable::Alpha && values[i]->value.str.val) std::free(values[i]->value.str.val);
            FREE_PXVAL(doc, values[i]);
        }
        std::free(values);
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
            case engine::FieldType::AutoInc: out.append({f.name, ParadoxTable::AutoInc, 4}); break;
            case engine::FieldType::Integer: out.append({f.name, ParadoxTable::Long, 4}); break;
            case engine::FieldType::SmallInt: out.append({f.name, ParadoxTable::Short, 2}); break;
            case engine::FieldType::String: out.append({f.name, ParadoxTable::Alpha, f.size}); break;
            case engine::FieldType::Date: out.append({f.name, ParadoxTable::Date, 4}); break;
            case engine::FieldType::Boolean: out.append({f.name, ParadoxTable::Logical, 1}); break;
        }
    }
    return out;
}

}  // namespace test
