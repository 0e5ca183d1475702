#pragma once

#include <QString>
#include <QVector>

namespace engine::sql {

// One token of a statement or filter expression.
struct Token {
    enum class Kind {
        Identifier,  // field, table or keyword name; keywords are recognised by the parser
        String,      // quoted literal; `text` holds the value with doubled quotes collapsed
        Integer,     // unsigned run of decimal digits; the sign is a separate token
        Equal,
        NotEqual,
        Less,
        LessEqual,
        Greater,
        GreaterEqual,
        LeftParen,
        RightParen,
        Comma,
        Star,
        Dot,
        Minus,
        Plus,
        Semicolon,
        End,  // after the last token
    };

    Kind kind = Kind::End;
    QString text;    // identifier name, literal value or digits
    QString source;  // the token as written, for error messages
    qsizetype position = 0;

    bool isKeyword(const char* keyword) const;
};

// Splits `text` into tokens. Line breaks count as whitespace, so a statement built line by
// line reads as one. Throws EDBEngineError(SqlError) for an unterminated literal or a
// character that belongs to no token.
QVector<Token> tokenize(const QString& text);

// Cursor over the tokens of one text, with the helpers the parsers share. The last token is
// always Kind::End, so peeking never runs past the end.
class TokenStream {
public:
    explicit TokenStream(const QString& text);

    const Token& peek(int ahead = 0) const;
    const Token& next();
    bool atEnd() const { return peek().kind == Token::Kind::End; }

    bool acceptKeyword(const char* keyword);
    void expectKeyword(const char* keyword);
    bool accept(Token::Kind kind);
    const Token& expect(Token::Kind kind, const QString& expected);

    // Throws a syntax error at the current token; `expected` (may be empty) names what the
    // parser was looking for.
    [[noreturn]] void syntaxError(const QString& expected = {}) const;

private:
    QVector<Token> m_tokens;
    int m_pos = 0;
};

// True for words with a meaning of their own in statements and conditions; such words cannot
// be used as field or table names.
bool isReservedWord(const QString& word);

// Throws EDBEngineError(EngineErrorCode::SqlError, message).
[[noreturn]] void throwSqlError(const QString& message);

// A token as shown in error messages: its source text, shortened when long.
QString describeToken(const Token& token);

}  // namespace engine::sql
