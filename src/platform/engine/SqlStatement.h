#pragma once

#include <QString>
#include <QVariant>
#include <QVector>
#include <memory>

#include "FieldDef.h"
#include "RowAccessor.h"

namespace engine::sql {

enum class StatementKind { Select, Update };

// Bounds on one field that every row matching a WHERE clause lies within: taken from the
// top-level AND terms that compare a plain field with a literal. An index on the field can
// then skip the rows outside; the full clause is still evaluated on the rest.
struct KeyRange {
    int field = -1;
    QVariant low;   // invalid: unbounded
    bool lowInclusive = true;
    QVariant high;  // invalid: unbounded
    bool highInclusive = true;
    bool isEquality() const { return low.isValid() && high.isValid() && lowInclusive && highInclusive && low == high; }
};

struct OrderTerm {
    int field = -1;
    bool descending = false;

    bool operator==(const OrderTerm&) const = default;
};

// One statement of the SQL subset the program uses:
//   SELECT [DISTINCT] * | field[, field...] FROM table [WHERE cond] [ORDER BY field [ASC|DESC][, ...]]
//   UPDATE table SET field = literal [WHERE cond]
// Keywords and names are case-insensitive; a trailing semicolon is allowed. The table may be
// written as Name, Name.DB or a quoted file name. Conditions follow the rules of Expression.
class Statement {
public:
    // Parses one statement; the text may span several lines (line breaks are whitespace).
    // Throws EDBEngineError(EngineErrorCode::SqlError, message).
    static Statement parse(const QString& text);

    Statement(Statement&&) noexcept;
    Statement& operator=(Statement&&) noexcept;
    ~Statement();

    StatementKind kind() const;
    QString tableName() const;  // as written, without a ".DB" suffix ("Hdok")

    // Resolves field names against the table's layout and converts literals to the type of
    // the field they meet. May be called again with another layout. Throws
    // EDBEngineError(SqlError, message) for unknown fields or literals that cannot be
    // converted; the statement is then unbound.
    void bind(const TableLayout& layout);
    bool isBound() const;

    // After bind():
    bool distinct() const;
    QVector<int> selectedFields() const;  // select-list order; all fields in layout order for *
    QVector<OrderTerm> orderBy() const;   // empty when there is none
    // The WHERE clause; true when there is none. Throws EDBEngineError(SqlError) when the
    // statement has not been bound.
    bool matches(const RowAccessor& row) const;
    bool hasWhere() const;
    // Fields the WHERE clause reads, ascending; empty when there is none.
    QVector<int> whereFields() const;
    // Key ranges of the WHERE clause, at most one per field; empty when there is none.
    QVector<KeyRange> keyRanges() const;
    int updateField() const;       // UPDATE: the field assigned, -1 otherwise
    QVariant updateValue() const;  // UPDATE: the literal as a value of that field (QVariant() for "")

    struct Data;  // defined in SqlStatement.cpp

private:
    explicit Statement(std::unique_ptr<Data> d);
    std::unique_ptr<Data> d;
};

}  // namespace engine::sql
