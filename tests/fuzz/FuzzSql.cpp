// Fuzz target: the SQL subset. Every input is a statement text (UTF-8); a statement that parses
// is bound to a layout with every field type and evaluated on rows with NULLs and extreme values.
// Parse and bind errors are the engine's own exceptions; anything else is a fault.

#include <QDate>
#include <QString>
#include <QVariant>
#include <cstddef>
#include <cstdint>

#include "EngineError.h"
#include "FieldDef.h"
#include "RowAccessor.h"
#include "SqlStatement.h"

namespace {

engine::TableLayout cardLayout() {
    using engine::FieldType;
    engine::TableLayout l;
    l.fields = {{"ID", FieldType::AutoInc, 0},  {"Evc", FieldType::Integer, 0}, {"Nla", FieldType::String, 40},
                {"Nce", FieldType::String, 40}, {"Lk", FieldType::String, 40},   {"D", FieldType::Date, 0},
                {"Neh", FieldType::String, 1},  {"Nv", FieldType::SmallInt, 0},  {"Pdh", FieldType::Boolean, 0}};
    l.primaryKey = 0;
    return l;
}

class Row : public engine::RowAccessor {
public:
    explicit Row(QVector<QVariant> values) : m_values(std::move(values)) {}
    QVariant value(int field) const override { return m_values.value(field); }

private:
    QVector<QVariant> m_values;
};

const Row kRows[] = {
    Row({1, 116, QString("Boletus edulis"), QString("hřib smrkový"), QString("Chlum"), QDate(2013, 9, 1),
         QString("A"), 450, true}),
    Row({2, 2147483647, QString("Čirůvka %_\"'"), QVariant(), QString("Černá hora"), QDate(1, 1, 1), QVariant(),
         -32768, false}),
    Row({3, -2147483647 - 1, QVariant(), QString("ch"), QVariant(), QVariant(), QString("N"), QVariant(), QVariant()}),
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const engine::TableLayout layout = cardLayout();
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        engine::sql::Statement statement = engine::sql::Statement::parse(text);
        statement.bind(layout);
        for (const Row& row : kRows) statement.matches(row);
        statement.keyRanges();
        statement.selectedFields();
        statement.orderBy();
        statement.whereFields();
        statement.updateValue();
    } catch (const EDatabaseError&) {
    }
    return 0;
}
