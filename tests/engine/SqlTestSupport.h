#pragma once

#include <gtest/gtest.h>

#include <QDate>
#include <QString>
#include <QVariant>
#include <QVector>
#include <functional>
#include <initializer_list>
#include <utility>

#include "EngineError.h"
#include "FieldDef.h"
#include "RowAccessor.h"

namespace sqltest {

// The card table of the program (Hdok).
inline engine::TableLayout cardLayout() {
    using engine::FieldType;
    engine::TableLayout l;
    l.fields = {
        {"ID", FieldType::AutoInc, 0},    {"Evc", FieldType::Integer, 0},  {"Kdh", FieldType::String, 5},
        {"Nla", FieldType::String, 150},  {"Ato", FieldType::String, 100}, {"Nce", FieldType::String, 150},
        {"Kdl", FieldType::String, 5},    {"Lk", FieldType::String, 150},  {"Cmp", FieldType::String, 100},
        {"Nmv", FieldType::String, 100},  {"Sd", FieldType::String, 100},  {"Plo1", FieldType::String, 150},
        {"Plo2", FieldType::String, 150}, {"Le", FieldType::String, 150},  {"D", FieldType::Date, 0},
        {"Dt", FieldType::String, 150},   {"Pdh", FieldType::Boolean, 0},  {"Pdl", FieldType::Boolean, 0},
        {"Neh", FieldType::String, 1},    {"Obr", FieldType::String, 255},
    };
    l.primaryKey = 0;
    return l;
}

// A record held in memory; unset fields are NULL.
class Row : public engine::RowAccessor {
public:
    Row(std::initializer_list<std::pair<const char*, QVariant>> values) : m_values(cardLayout().fields.size()) {
        const engine::TableLayout layout = cardLayout();
        for (const auto& [name, value] : values) {
            const int field = layout.indexOf(QString::fromUtf8(name));
            EXPECT_GE(field, 0) << name;
            if (field >= 0) m_values[field] = value;
        }
    }
    QVariant value(int field) const override { return m_values.value(field); }

private:
    QVector<QVariant> m_values;
};

// Indexes of the rows for which `pred` holds.
inline QVector<int> matching(const QVector<Row>& rows, const std::function<bool(const Row&)>& pred) {
    QVector<int> out;
    for (int i = 0; i < rows.size(); ++i) {
        if (pred(rows[i])) out.append(i);
    }
    return out;
}

// Runs `f`, which must throw EDBEngineError with the SQL error code; returns its message.
template <typename F>
QString sqlErrorOf(F&& f) {
    try {
        f();
    } catch (const EDBEngineError& e) {
        EXPECT_EQ(e.errorCode(), EngineErrorCode::SqlError) << e.message().toStdString();
        return e.message();
    }
    ADD_FAILURE() << "no EDBEngineError thrown";
    return {};
}

}  // namespace sqltest
