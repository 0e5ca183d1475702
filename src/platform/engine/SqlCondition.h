#pragma once

#include <QString>
#include <memory>
#include <vector>

namespace engine::sql {

class TokenStream;

// An operand as written: a field name or a literal, possibly wrapped in Upper().
struct Operand {
    enum class Kind { Field, String, Integer, Boolean };

    Kind kind = Kind::String;
    QString text;        // field name, string value, or the integer as written (with its sign)
    qint64 integer = 0;  // Integer
    bool boolean = false;
    bool upper = false;  // wrapped in Upper() at least once

    bool isLiteral() const { return kind != Kind::Field; }
    // The operand as it would be written, for error messages.
    QString display() const;
};

enum class CompareOp { Equal, NotEqual, Less, LessEqual, Greater, GreaterEqual };

// The parse tree of a condition, not yet tied to any table.
struct Condition {
    enum class Kind { And, Or, Not, Compare, Like };

    Kind kind = Kind::Compare;
    std::vector<std::unique_ptr<Condition>> children;  // And, Or: two or more; Not: one
    Operand left;                                      // Compare, Like (the tested value)
    Operand right;                                     // Compare, Like (the pattern)
    CompareOp op = CompareOp::Equal;                   // Compare
    Operand escape;                                    // Like with ESCAPE: its one-character literal
    bool hasEscape = false;
};

// Parses a condition starting at the current token and stops at the first token that cannot
// continue it (the caller decides whether anything may follow). AND binds tighter than OR.
// Throws EDBEngineError(SqlError) on a syntax error.
std::unique_ptr<Condition> parseCondition(TokenStream& tokens);

// Parses a literal: a string, an integer with an optional sign, TRUE or FALSE.
Operand parseLiteral(TokenStream& tokens);

}  // namespace engine::sql
