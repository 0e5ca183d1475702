#include "SqlCondition.h"

#include "SqlLexer.h"
#include "SqlQuote.h"

namespace engine::sql {
namespace {

// Parentheses, NOT and Upper() may nest this deep. The limit keeps a hostile filter from
// exhausting the stack of the recursive parser and evaluator.
constexpr int kMaxDepth = 100;

const QString kOperandExpected = QStringLiteral("pole nebo hodnota");

class ConditionParser {
public:
    explicit ConditionParser(TokenStream& tokens) : m_tokens(tokens) {}

    std::unique_ptr<Condition> parseOr(int depth) {
        checkDepth(depth);
        auto first = parseAnd(depth);
        if (!m_tokens.peek().isKeyword("OR")) return first;
        auto node = std::make_unique<Condition>();
        node->kind = Condition::Kind::Or;
        node->children.push_back(std::move(first));
        while (m_tokens.acceptKeyword("OR")) node->children.push_back(parseAnd(depth));
        return node;
    }

    Operand parseOperand(int depth) {
        checkDepth(depth);
        const Token& t = m_tokens.peek();
        Operand op;
        switch (t.kind) {
            case Token::Kind::String:
                op.kind = Operand::Kind::String;
                op.text = m_tokens.next().text;
                return op;
            case Token::Kind::Integer:
            case Token::Kind::Minus:
            case Token::Kind::Plus:
                return parseInteger();
            case Token::Kind::Identifier:
                break;
            default:
                m_tokens.syntaxError(kOperandExpected);
        }

        if (t.isKeyword("TRUE") || t.isKeyword("FALSE")) {
            op.kind = Operand::Kind::Boolean;
            op.boolean = t.isKeyword("TRUE");
            op.text = m_tokens.next().text;
            return op;
        }
        if (m_tokens.peek(1).kind == Token::Kind::LeftParen) {
            if (t.text.compare(QLatin1String("Upper"), Qt::CaseInsensitive) != 0) {
                throwSqlError(QStringLiteral("Neznámá funkce '%1'.").arg(t.text));
            }
            m_tokens.next();
            m_tokens.next();
            Operand inner = parseOperand(depth + 1);
            if (inner.kind == Operand::Kind::Integer || inner.kind == Operand::Kind::Boolean) {
                throwSqlError(QStringLiteral("Funkci Upper lze použít jen na text, ne na '%1'.").arg(inner.display()));
            }
            m_tokens.expect(Token::Kind::RightParen, QStringLiteral("')'"));
            inner.upper = true;
            return inner;
        }
        if (isReservedWord(t.text)) m_tokens.syntaxError(kOperandExpected);
        op.kind = Operand::Kind::Field;
        op.text = m_tokens.next().text;
        return op;
    }

    Operand parseInteger() {
        QString sign;
        if (m_tokens.accept(Token::Kind::Minus)) {
            sign = QStringLiteral("-");
        } else {
            m_tokens.accept(Token::Kind::Plus);
        }
        const Token& digits = m_tokens.expect(Token::Kind::Integer, QStringLiteral("číslo"));
        Operand op;
        op.kind = Operand::Kind::Integer;
        op.text = sign + digits.text;
        bool ok = false;
        op.integer = op.text.toLongLong(&ok);
        if (!ok) throwSqlError(QStringLiteral("Číslo '%1' je mimo povolený rozsah.").arg(op.text));
        return op;
    }

private:
    std::unique_ptr<Condition> parseAnd(int depth) {
        auto first = parseNot(depth);
        if (!m_tokens.peek().isKeyword("AND")) return first;
        auto node = std::make_unique<Condition>();
        node->kind = Condition::Kind::And;
        node->children.push_back(std::move(first));
        while (m_tokens.acceptKeyword("AND")) node->children.push_back(parseNot(depth));
        return node;
    }

    std::unique_ptr<Condition> parseNot(int depth) {
        if (m_tokens.acceptKeyword("NOT")) {
            checkDepth(depth + 1);
            return negate(parseNot(depth + 1));
        }
        if (m_tokens.accept(Token::Kind::LeftParen)) {
            auto inner = parseOr(depth + 1);
            m_tokens.expect(Token::Kind::RightParen, QStringLiteral("')'"));
            return inner;
        }
        return parsePredicate(depth);
    }

    std::unique_ptr<Condition> parsePredicate(int depth) {
        auto node = std::make_unique<Condition>();
        node->left = parseOperand(depth);

        const bool notLike = m_tokens.acceptKeyword("NOT");
        if (notLike || m_tokens.peek().isKeyword("LIKE")) {
            m_tokens.expectKeyword("LIKE");
            node->kind = Condition::Kind::Like;
            node->right = parseOperand(depth);
            // LIKE "50\%%" ESCAPE "\": the character after the escape stands for itself.
            if (m_tokens.acceptKeyword("ESCAPE")) {
                node->escape = parseOperand(depth);
                node->hasEscape = true;
            }
            return notLike ? negate(std::move(node)) : std::move(node);
        }

        node->kind = Condition::Kind::Compare;
        switch (m_tokens.peek().kind) {
            case Token::Kind::Equal:
                node->op = CompareOp::Equal;
                break;
            case Token::Kind::NotEqual:
                node->op = CompareOp::NotEqual;
                break;
            case Token::Kind::Less:
                node->op = CompareOp::Less;
                break;
            case Token::Kind::LessEqual:
                node->op = CompareOp::LessEqual;
                break;
            case Token::Kind::Greater:
                node->op = CompareOp::Greater;
                break;
            case Token::Kind::GreaterEqual:
                node->op = CompareOp::GreaterEqual;
                break;
            default:
                m_tokens.syntaxError(QStringLiteral("operátor porovnání nebo LIKE"));
        }
        m_tokens.next();
        node->right = parseOperand(depth);
        return node;
    }

    static std::unique_ptr<Condition> negate(std::unique_ptr<Condition> inner) {
        auto node = std::make_unique<Condition>();
        node->kind = Condition::Kind::Not;
        node->children.push_back(std::move(inner));
        return node;
    }

    static void checkDepth(int depth) {
        if (depth > kMaxDepth) throwSqlError(QStringLiteral("Výraz je příliš hluboko vnořený."));
    }

    TokenStream& m_tokens;
};

}  // namespace

QString Operand::display() const {
    QString shown;
    switch (kind) {
        case Kind::Field:
        case Kind::Integer:
        case Kind::Boolean:
            shown = text;
            break;
        case Kind::String:
            shown = quoteLiteral(text);
            break;
    }
    return upper ? QStringLiteral("Upper(%1)").arg(shown) : shown;
}

std::unique_ptr<Condition> parseCondition(TokenStream& tokens) {
    return ConditionParser(tokens).parseOr(0);
}

Operand parseLiteral(TokenStream& tokens) {
    ConditionParser parser(tokens);
    const Token& t = tokens.peek();
    if (t.kind == Token::Kind::Identifier && !t.isKeyword("TRUE") && !t.isKeyword("FALSE")) {
        tokens.syntaxError(QStringLiteral("hodnota"));
    }
    return parser.parseOperand(0);
}

}  // namespace engine::sql
