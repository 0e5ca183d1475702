#pragma once

#include <QString>
#include <QVector>
#include <memory>

#include "FieldDef.h"
#include "RowAccessor.h"

namespace engine::sql {

struct Condition;

namespace detail {
class Node;
}

// A boolean expression over the fields of one table, used for WHERE clauses and for table
// filters. Binding resolves field positions, converts every literal to the type of the field
// it meets, upper-cases literals inside Upper() and compiles LIKE patterns once, so that
// matches() does no parsing and, for most conditions, no allocation per row.
//
// Evaluation rules:
//  - A comparison or LIKE with a NULL operand is false; NOT simply negates, so
//    NOT (Neh = 'A') is true for a NULL Neh while Neh <> 'A' is false.
//  - The engine stores empty strings as NULL, so an empty string literal stands for NULL:
//    field = "" is true exactly for NULL, field <> "" exactly for non-NULL, and an ordering
//    comparison with "" is false.
//  - Text: = and <> compare exactly and case-sensitively; <, <=, >, >= use the Czech
//    collation (Collation::compare). LIKE is case-sensitive, % matches any run of characters
//    (also none), _ exactly one.
class Expression {
public:
    // Parses a filter expression such as  Neh = 'A'  or  Evc >= 10 and (Lk = "X" or Nla like 'B%')
    // and binds it to the layout. Blank text gives an expression that matches every row.
    // Throws EDBEngineError(EngineErrorCode::SqlError) on a syntax error, an unknown field or
    // a literal that cannot be compared with its field.
    static std::unique_ptr<Expression> parseFilter(const QString& text, const TableLayout& layout);
    // Binds an already parsed condition (the WHERE clause of a statement). Throws like parseFilter.
    static std::unique_ptr<Expression> bind(const Condition& condition, const TableLayout& layout);

    bool matches(const RowAccessor& row) const;
    // Positions of the fields the expression reads, ascending, without repetition.
    QVector<int> referencedFields() const { return m_fields; }

    ~Expression();
    Expression(const Expression&) = delete;
    Expression& operator=(const Expression&) = delete;

private:
    Expression(std::unique_ptr<detail::Node> root, QVector<int> fields);

    std::unique_ptr<detail::Node> m_root;
    QVector<int> m_fields;
};

}  // namespace engine::sql
