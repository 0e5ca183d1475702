#include "TableLayouts.h"

namespace storage {
namespace {

using engine::FieldDef;
using engine::FieldType;
using engine::IndexDef;

FieldDef str(const char* name, int size) { return FieldDef{QString::fromLatin1(name), FieldType::String, size}; }
FieldDef typed(const char* name, FieldType type) { return FieldDef{QString::fromLatin1(name), type, 0}; }

// A single-field index named after its field; its files carry the field number as suffix.
IndexDef byField(const engine::TableLayout& layout, const char* field, bool unique = false, const char* suffix = nullptr) {
    const int no = layout.indexOf(QString::fromLatin1(field));
    return IndexDef{suffix ? QString::fromLatin1(suffix) : engine::indexSuffixForField(no), QString::fromLatin1(field), no, unique};
}

}  // namespace

TableDefinition hdokTable() {
    TableDefinition t;
    t.name = QStringLiteral("Hdok");
    t.layout.fields = {typed("ID", FieldType::AutoInc), typed("Evc", FieldType::Integer), str("Kdh", 5), str("Nla", 150),
                       str("Ato", 100), str("Nce", 150), str("Kdl", 5), str("Lk", 150), str("Cmp", 100),
                       str("Nmv", 100), str("Sd", 100), str("Plo1", 150), str("Plo2", 150), str("Le", 150),
                       typed("D", FieldType::Date), str("Dt", 150), typed("Pdh", FieldType::Boolean),
                       typed("Pdl", FieldType::Boolean), str("Neh", 1), str("Obr", 255)};
    t.layout.primaryKey = 0;
    t.indexes = {byField(t.layout, "Nla"), byField(t.layout, "Nce"), byField(t.layout, "Lk"), byField(t.layout, "D"),
                 byField(t.layout, "Evc", true, "G0")};
    return t;
}

TableDefinition hdathTable() {
    TableDefinition t;
    t.name = QStringLiteral("Hdath");
    t.layout.fields = {typed("ID", FieldType::AutoInc), str("Kodh", 5), str("Nlad", 150), str("Atod", 100), str("Nced", 150)};
    t.layout.primaryKey = 0;
    t.indexes = {byField(t.layout, "Kodh"), byField(t.layout, "Nlad"), byField(t.layout, "Nced")};
    return t;
}

TableDefinition hdatlTable() {
    TableDefinition t;
    t.name = QStringLiteral("Hdatl");
    t.layout.fields = {typed("ID", FieldType::AutoInc), str("Kodl", 5), str("Lkd", 150)};
    t.layout.primaryKey = 0;
    t.indexes = {byField(t.layout, "Kodl"), byField(t.layout, "Lkd")};
    return t;
}

TableDefinition hsplTable() {
    TableDefinition t;
    t.name = QStringLiteral("Hspl");
    const FieldType I = FieldType::Integer, S = FieldType::SmallInt, B = FieldType::Boolean, D = FieldType::Date;
    t.layout.fields = {str("Sna", 150), str("Sle", 150), typed("Spr", B),   typed("Sdt", B),   str("Pobr", 255),
                       typed("Nlt", B), typed("Nct", B), typed("Lkt", B),   str("Kdh1", 5),    str("Kdl1", 5),
                       str("Nla1", 150), str("Nce1", 150), str("Lk1", 150), typed("Evc1o", I), typed("Evc1d", I),
                       typed("D1o", D), typed("D1d", D), typed("C1", I),    typed("C2", I),    typed("Ho", S),
                       typed("Lo", S),  typed("Ko", S),  typed("Kp", B),    str("Kdls", 5),    str("Lks", 150),
                       typed("Pr", B),  typed("Ho1", S), typed("Lo1", S),   typed("Ko1", S),   typed("Cislo", I)};
    t.layout.primaryKey = -1;  // one row in physical order
    return t;
}

TableDefinition dataTable() {
    TableDefinition t;
    t.name = QStringLiteral("Data");
    t.layout.fields = {typed("Cislo", FieldType::Integer), typed("Pozice", FieldType::Integer), str("Nazev", 20),
                       str("Adresar", 20)};
    t.layout.primaryKey = 0;
    t.indexes = {byField(t.layout, "Pozice"), byField(t.layout, "Nazev")};
    return t;
}

TableDefinition uzivTable() {
    TableDefinition t;
    t.name = QStringLiteral("Uziv");
    t.layout.fields = {typed("Cislo", FieldType::Integer), str("Heslo", 10)};
    t.layout.primaryKey = 0;
    return t;
}

TableDefinition oldDataTable() {
    TableDefinition t;
    t.name = QStringLiteral("Data");
    t.layout.fields = {typed("Cislo", FieldType::Integer), str("Nazev", 20), str("Adresar", 20)};
    t.layout.primaryKey = 0;
    return t;
}

QString displayLabel(const QString& table, const QString& field) {
    struct Label {
        const char* table;
        const char* field;
        const char* label;
    };
    static const Label labels[] = {
        {"Hdok", "Evc", "Číslo"},         {"Hdok", "Nla", "Název latinsky"}, {"Hdok", "Nce", "Název česky"},
        {"Hdok", "Lk", "Lokalita"},       {"Hdok", "D", "Datum"},            {"Hdok", "Neh", "a/n"},
        {"Hdath", "Kodh", "Kód"},         {"Hdath", "Nlad", "Název latinsky"}, {"Hdath", "Atod", "Autor"},
        {"Hdath", "Nced", "Název česky"}, {"Hdatl", "Kodl", "Kód"},          {"Hdatl", "Lkd", "Název lokality"},
        {"Data", "Cislo", "Číslo"},       {"Data", "Nazev", "Název"},        {"Data", "Adresar", "Adresář"},
    };
    for (const Label& l : labels) {
        if (table.compare(QLatin1String(l.table), Qt::CaseInsensitive) == 0 &&
            field.compare(QLatin1String(l.field), Qt::CaseInsensitive) == 0) {
            return QString::fromUtf8(l.label);
        }
    }
    return field;
}

}  // namespace storage
