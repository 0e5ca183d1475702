#include "SqlLexer.h"

#include "EngineError.h"

namespace engine::sql {
namespace {

bool isIdentifierStart(QChar c) {
    return c.isLetter() || c == u'_';
}

bool isIdentifierPart(QChar c) {
    return c.isLetterOrNumber() || c == u'_';
}

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Reads a literal opened by text[pos] (' or "). The same quote written twice stands for one
// quote inside the literal.
Token readString(const QString& text, qsizetype& pos) {
    const QChar quote = text.at(pos);
    const qsizetype start = pos;
    QString value;
    ++pos;
    while (true) {
        if (pos >= text.size()) {
            QString shown = text.mid(start, 30);
            if (text.size() - start > 30) shown += QStringLiteral("…");
            throwSqlError(QStringLiteral("Neukončený textový literál %1.").arg(shown));
        }
        const QChar c = text.at(pos);
        if (c == quote) {
            if (pos + 1 < text.size() && text.at(pos + 1) == quote) {
                value += quote;
                pos += 2;
                continue;
            }
            ++pos;
            break;
        }
        value += c;
        ++pos;
    }
    Token t;
    t.kind = Token::Kind::String;
    t.text = std::move(value);
    t.source = text.mid(start, pos - start);
    t.position = start;
    return t;
}

}  // namespace

bool Token::isKeyword(const char* keyword) const {
    return kind == Kind::Identifier && text.compare(QLatin1String(keyword), Qt::CaseInsensitive) == 0;
}

QVector<Token> tokenize(const QString& text) {
    QVector<Token> tokens;
    qsizetype pos = 0;
    const qsizetype n = text.size();
    while (true) {
        while (pos < n && text.at(pos).isSpace()) ++pos;
        if (pos >= n) break;

        const QChar c = text.at(pos);
        const qsizetype start = pos;
        Token t;
        t.position = start;

        if (c == u'"' || c == u'\'') {
            tokens.append(readString(text, pos));
            continue;
        }
        if (isIdentifierStart(c)) {
            while (pos < n && isIdentifierPart(text.at(pos))) ++pos;
            t.kind = Token::Kind::Identifier;
            t.text = text.mid(start, pos - start);
        } else if (isDigit(c)) {
            while (pos < n && isDigit(text.at(pos))) ++pos;
            // "10abc" or "1.5" is no number of this language; report the whole word.
            if (pos < n && (isIdentifierPart(text.at(pos)) || text.at(pos) == u'.')) {
                while (pos < n && (isIdentifierPart(text.at(pos)) || text.at(pos) == u'.')) ++pos;
                throwSqlError(QStringLiteral("Neplatné číslo '%1'.").arg(text.mid(start, pos - start)));
            }
            t.kind = Token::Kind::Integer;
            t.text = text.mid(start, pos - start);
        } else {
            const QChar next = pos + 1 < n ? text.at(pos + 1) : QChar();
            ++pos;
            switch (c.unicode()) {
                case u'=':
                    t.kind = Token::Kind::Equal;
                    break;
                case u'<':
                    if (next == u'>') {
                        t.kind = Token::Kind::NotEqual;
                        ++pos;
                    } else if (next == u'=') {
                        t.kind = Token::Kind::LessEqual;
                        ++pos;
                    } else {
                        t.kind = Token::Kind::Less;
                    }
                    break;
                case u'>':
                    if (next == u'=') {
                        t.kind = Token::Kind::GreaterEqual;
                        ++pos;
                    } else {
                        t.kind = Token::Kind::Greater;
                    }
                    break;
                case u'(':
                    t.kind = Token::Kind::LeftParen;
                    break;
                case u')':
                    t.kind = Token::Kind::RightParen;
                    break;
                case u',':
                    t.kind = Token::Kind::Comma;
                    break;
                case u'*':
                    t.kind = Token::Kind::Star;
                    break;
                case u'.':
                    t.kind = Token::Kind::Dot;
                    break;
                case u'-':
                    t.kind = Token::Kind::Minus;
                    break;
                case u'+':
                    t.kind = Token::Kind::Plus;
                    break;
                case u';':
                    t.kind = Token::Kind::Semicolon;
                    break;
                default:
                    throwSqlError(QStringLiteral("Neplatný znak '%1'.").arg(c));
            }
        }
        t.source = text.mid(start, pos - start);
        tokens.append(std::move(t));
    }
    Token end;
    end.kind = Token::Kind::End;
    end.position = n;
    tokens.append(std::move(end));
    return tokens;
}

TokenStream::TokenStream(const QString& text) : m_tokens(tokenize(text)) {}

const Token& TokenStream::peek(int ahead) const {
    const int i = std::min<qsizetype>(m_pos + ahead, m_tokens.size() - 1);
    return m_tokens.at(i);
}

const Token& TokenStream::next() {
    const Token& t = m_tokens.at(m_pos);
    if (t.kind != Token::Kind::End) ++m_pos;
    return t;
}

bool TokenStream::acceptKeyword(const char* keyword) {
    if (!peek().isKeyword(keyword)) return false;
    next();
    return true;
}

void TokenStream::expectKeyword(const char* keyword) {
    if (!acceptKeyword(keyword)) syntaxError(QString::fromLatin1(keyword).toUpper());
}

bool TokenStream::accept(Token::Kind kind) {
    if (peek().kind != kind) return false;
    next();
    return true;
}

const Token& TokenStream::expect(Token::Kind kind, const QString& expected) {
    if (peek().kind != kind) syntaxError(expected);
    return next();
}

void TokenStream::syntaxError(const QString& expected) const {
    const Token& t = peek();
    QString message = t.kind == Token::Kind::End ? QStringLiteral("Chyba syntaxe: neočekávaný konec textu")
                                                 : QStringLiteral("Chyba syntaxe u '%1'").arg(describeToken(t));
    if (!expected.isEmpty()) message += QStringLiteral(", očekává se %1").arg(expected);
    throwSqlError(message + u'.');
}

bool isReservedWord(const QString& word) {
    static const char* const words[] = {"SELECT", "DISTINCT", "FROM", "WHERE", "ORDER", "BY",   "ASC",  "DESC",
                                        "UPDATE", "SET",      "AND",  "OR",    "NOT",   "LIKE", "TRUE", "FALSE",
                                        "ESCAPE"};
    for (const char* w : words) {
        if (word.compare(QLatin1String(w), Qt::CaseInsensitive) == 0) return true;
    }
    return false;
}

void throwSqlError(const QString& message) {
    throw EDBEngineError(EngineErrorCode::SqlError, message);
}

QString describeToken(const Token& token) {
    constexpr int limit = 40;
    if (token.source.size() <= limit) return token.source;
    return token.source.left(limit) + QStringLiteral("…");
}

}  // namespace engine::sql
