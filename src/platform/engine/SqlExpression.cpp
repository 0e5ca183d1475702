#include "SqlExpression.h"

#include <QDate>
#include <algorithm>
#include <optional>
#include <vector>

#include "Collation.h"
#include "SqlCondition.h"
#include "SqlLexer.h"
#include "SqlValue.h"
#include "Win1250.h"

namespace engine::sql {

namespace detail {

// One compiled piece of a condition.
class Node {
public:
    virtual ~Node() = default;
    virtual bool eval(const RowAccessor& row) const = 0;
};

}  // namespace detail

namespace {

using detail::Node;
using NodePtr = std::unique_ptr<Node>;

// ---- Reading field values ------------------------------------------------------------------

// The engine hands out QVariant() for NULL; an empty string or an invalid date is treated the
// same way, so that a value never counts as present just because of how it was produced.
bool isNullValue(const QVariant& v) {
    switch (v.typeId()) {
        case QMetaType::UnknownType:
            return true;
        case QMetaType::QString:
            return static_cast<const QString*>(v.constData())->isEmpty();
        case QMetaType::QDate:
            return !static_cast<const QDate*>(v.constData())->isValid();
        default:
            return v.isNull();
    }
}

bool fetchNumber(const RowAccessor& row, int field, qint64& out) {
    const QVariant v = row.value(field);
    if (v.typeId() == QMetaType::Int) {
        out = *static_cast<const int*>(v.constData());
        return true;
    }
    if (isNullValue(v)) return false;
    bool ok = false;
    out = v.toLongLong(&ok);
    return ok;
}

bool fetchDate(const RowAccessor& row, int field, QDate& out) {
    const QVariant v = row.value(field);
    if (isNullValue(v)) return false;
    out = v.typeId() == QMetaType::QDate ? *static_cast<const QDate*>(v.constData()) : v.toDate();
    return out.isValid();
}

bool fetchBoolean(const RowAccessor& row, int field, bool& out) {
    const QVariant v = row.value(field);
    if (isNullValue(v)) return false;
    out = v.typeId() == QMetaType::Bool ? *static_cast<const bool*>(v.constData()) : v.toBool();
    return true;
}

// The text of a field, or nullptr for NULL. `holder` keeps the value alive; the string itself
// is not copied.
const QString* fetchText(const RowAccessor& row, int field, QVariant& holder) {
    holder = row.value(field);
    if (holder.typeId() != QMetaType::QString) {
        if (isNullValue(holder)) return nullptr;
        holder = QVariant(holder.toString());
    }
    const QString* s = static_cast<const QString*>(holder.constData());
    return s->isEmpty() ? nullptr : s;
}

// ---- Comparison helpers --------------------------------------------------------------------

template <typename T>
bool applyOp(CompareOp op, const T& a, const T& b) {
    switch (op) {
        case CompareOp::Equal:
            return a == b;
        case CompareOp::NotEqual:
            return !(a == b);
        case CompareOp::Less:
            return a < b;
        case CompareOp::LessEqual:
            return !(b < a);
        case CompareOp::Greater:
            return b < a;
        case CompareOp::GreaterEqual:
            return !(a < b);
    }
    return false;
}

bool applyOrder(CompareOp op, int c) {
    switch (op) {
        case CompareOp::Equal:
            return c == 0;
        case CompareOp::NotEqual:
            return c != 0;
        case CompareOp::Less:
            return c < 0;
        case CompareOp::LessEqual:
            return c <= 0;
        case CompareOp::Greater:
            return c > 0;
        case CompareOp::GreaterEqual:
            return c >= 0;
    }
    return false;
}

// a == b, each side optionally upper-cased on the fly.
bool equalText(QStringView a, bool foldA, QStringView b, bool foldB) {
    if (a.size() != b.size()) return false;
    if (!foldA && !foldB) return a == b;
    const char16_t* map = upperTable();
    for (qsizetype i = 0; i < a.size(); ++i) {
        const char16_t ca = foldA ? map[a[i].unicode()] : a[i].unicode();
        const char16_t cb = foldB ? map[b[i].unicode()] : b[i].unicode();
        if (ca != cb) return false;
    }
    return true;
}

// ---- LIKE ----------------------------------------------------------------------------------

// A LIKE pattern split at its % signs. The first piece must match at the start of the text,
// the last at its end, and the pieces between are matched leftmost-first, which finds a match
// whenever one exists. _ inside a piece matches any single character.
class LikePattern {
public:
    // `escape`, when not null, makes the character after it a plain one (% and _ included).
    explicit LikePattern(const QString& pattern, QChar escape = QChar()) {
        Piece piece;
        auto finish = [&] {
            m_minLength += piece.text.size();
            m_pieces.push_back(std::move(piece));
            piece = Piece();
        };
        for (qsizetype i = 0; i < pattern.size(); ++i) {
            QChar c = pattern.at(i);
            bool plain = false;
            if (!escape.isNull() && c == escape && i + 1 < pattern.size()) {
                c = pattern.at(++i);
                plain = true;
            }
            if (c == u'%' && !plain) {
                finish();
                continue;
            }
            const bool wildcard = c == u'_' && !plain;
            piece.text += c;
            piece.wild += wildcard ? '1' : '0';
            piece.hasUnderscore = piece.hasUnderscore || wildcard;
        }
        finish();
    }

    // `fold` is the upper-case table when the text is to be compared upper-cased, else nullptr.
    bool matches(QStringView text, const char16_t* fold) const {
        const qsizetype n = text.size();
        if (n < m_minLength) return false;
        const Piece& first = m_pieces.front();
        if (m_pieces.size() == 1) return n == first.text.size() && matchAt(text, 0, first, fold);

        if (!matchAt(text, 0, first, fold)) return false;
        const Piece& last = m_pieces.back();
        const qsizetype lastStart = n - last.text.size();
        if (!matchAt(text, lastStart, last, fold)) return false;

        const QStringView middle = text.first(lastStart);
        qsizetype pos = first.text.size();
        for (size_t i = 1; i + 1 < m_pieces.size(); ++i) {
            const Piece& piece = m_pieces[i];
            if (piece.text.isEmpty()) continue;
            const qsizetype found = find(middle, pos, piece, fold);
            if (found < 0) return false;
            pos = found + piece.text.size();
        }
        return true;
    }

private:
    struct Piece {
        QString text;
        QByteArray wild;  // '1' where the text holds the wildcard _
        bool hasUnderscore = false;
    };

    static bool matchAt(QStringView text, qsizetype at, const Piece& piece, const char16_t* fold) {
        const QChar* p = piece.text.constData();
        const QChar* t = text.data() + at;
        for (qsizetype i = 0; i < piece.text.size(); ++i) {
            const char16_t pc = p[i].unicode();
            if (piece.hasUnderscore && piece.wild.at(i) == '1') continue;
            const char16_t tc = fold ? fold[t[i].unicode()] : t[i].unicode();
            if (tc != pc) return false;
        }
        return true;
    }

    static qsizetype find(QStringView text, qsizetype from, const Piece& piece, const char16_t* fold) {
        if (!fold && !piece.hasUnderscore) return text.indexOf(piece.text, from);
        for (qsizetype at = from; at + piece.text.size() <= text.size(); ++at) {
            if (matchAt(text, at, piece, fold)) return at;
        }
        return -1;
    }

    std::vector<Piece> m_pieces;
    qsizetype m_minLength = 0;
};

// ---- Nodes ---------------------------------------------------------------------------------

class ConstNode : public Node {
public:
    explicit ConstNode(bool value) : m_value(value) {}
    bool eval(const RowAccessor&) const override { return m_value; }

private:
    bool m_value;
};

class AndNode : public Node {
public:
    explicit AndNode(std::vector<NodePtr> children) : m_children(std::move(children)) {}
    bool eval(const RowAccessor& row) const override {
        for (const NodePtr& c : m_children) {
            if (!c->eval(row)) return false;
        }
        return true;
    }

private:
    std::vector<NodePtr> m_children;
};

class OrNode : public Node {
public:
    explicit OrNode(std::vector<NodePtr> children) : m_children(std::move(children)) {}
    bool eval(const RowAccessor& row) const override {
        for (const NodePtr& c : m_children) {
            if (c->eval(row)) return true;
        }
        return false;
    }

private:
    std::vector<NodePtr> m_children;
};

class NotNode : public Node {
public:
    explicit NotNode(NodePtr child) : m_child(std::move(child)) {}
    bool eval(const RowAccessor& row) const override { return !m_child->eval(row); }

private:
    NodePtr m_child;
};

// field = "" (wantNull) or field <> "" (!wantNull).
class NullTestNode : public Node {
public:
    NullTestNode(int field, bool wantNull) : m_field(field), m_wantNull(wantNull) {}
    bool eval(const RowAccessor& row) const override { return isNullValue(row.value(m_field)) == m_wantNull; }

private:
    int m_field;
    bool m_wantNull;
};

// Comparison of numbers, dates or booleans; each side is a field (field >= 0) or a constant.
template <typename T, bool (*Fetch)(const RowAccessor&, int, T&)>
class ScalarCompareNode : public Node {
public:
    struct Side {
        int field = -1;
        T constant{};
    };

    ScalarCompareNode(Side left, CompareOp op, Side right) : m_left(left), m_right(right), m_op(op) {}

    bool eval(const RowAccessor& row) const override {
        T a{};
        T b{};
        if (!get(m_left, row, a) || !get(m_right, row, b)) return false;
        return applyOp(m_op, a, b);
    }

private:
    static bool get(const Side& side, const RowAccessor& row, T& out) {
        if (side.field < 0) {
            out = side.constant;
            return true;
        }
        return Fetch(row, side.field, out);
    }

    Side m_left;
    Side m_right;
    CompareOp m_op;
};

using NumberCompareNode = ScalarCompareNode<qint64, fetchNumber>;
using DateCompareNode = ScalarCompareNode<QDate, fetchDate>;
using BooleanCompareNode = ScalarCompareNode<bool, fetchBoolean>;

class TextCompareNode : public Node {
public:
    struct Side {
        int field = -1;
        bool upper = false;  // fields only; a constant is upper-cased when bound
        QString constant;    // never empty: an empty literal is NULL and handled when binding
    };

    TextCompareNode(Side left, CompareOp op, Side right)
        : m_left(std::move(left)), m_right(std::move(right)), m_op(op) {}

    bool eval(const RowAccessor& row) const override {
        QVariant holderA;
        QVariant holderB;
        const QString* a = get(m_left, row, holderA);
        if (!a) return false;
        const QString* b = get(m_right, row, holderB);
        if (!b) return false;
        if (m_op == CompareOp::Equal || m_op == CompareOp::NotEqual) {
            const bool eq = equalText(*a, m_left.upper, *b, m_right.upper);
            return m_op == CompareOp::Equal ? eq : !eq;
        }
        QString upperA;
        QString upperB;
        if (m_left.upper) {
            upperA = upperText(*a);
            a = &upperA;
        }
        if (m_right.upper) {
            upperB = upperText(*b);
            b = &upperB;
        }
        return applyOrder(m_op, Collation::compare(*a, *b));
    }

private:
    static const QString* get(const Side& side, const RowAccessor& row, QVariant& holder) {
        return side.field < 0 ? &side.constant : fetchText(row, side.field, holder);
    }

    Side m_left;
    Side m_right;
    CompareOp m_op;
};

// A text field compared for (in)equality with a literal: equal text is equal stored bytes, so
// rows held in stored form are compared without decoding. The literal must encode to bytes
// that decode back to it exactly; otherwise, and for rows not in stored form, the general
// comparison decides.
class TextEqualsLiteralNode : public Node {
public:
    TextEqualsLiteralNode(int field, bool equal, QByteArray bytes, std::unique_ptr<TextCompareNode> general)
        : m_field(field), m_equal(equal), m_bytes(std::move(bytes)), m_general(std::move(general)) {}

    bool eval(const RowAccessor& row) const override {
        QByteArrayView stored;
        if (!row.textBytes(m_field, stored)) return m_general->eval(row);
        if (stored.isEmpty()) return false;  // NULL compares false both ways
        return (stored == QByteArrayView(m_bytes)) == m_equal;
    }

private:
    int m_field;
    bool m_equal;
    QByteArray m_bytes;
    std::unique_ptr<TextCompareNode> m_general;
};

class LikeNode : public Node {
public:
    LikeNode(int field, bool upper, const QString& pattern, QChar escape)
        : m_field(field), m_upper(upper), m_pattern(pattern, escape) {}

    bool eval(const RowAccessor& row) const override {
        QVariant holder;
        const QString* text = fetchText(row, m_field, holder);
        return text && m_pattern.matches(*text, m_upper ? upperTable() : nullptr);
    }

private:
    int m_field;
    bool m_upper;
    LikePattern m_pattern;
};

// Stands in for a row when a condition involves literals only.
class NoRow : public RowAccessor {
public:
    QVariant value(int) const override { return {}; }
};

// ---- Binding -------------------------------------------------------------------------------

class Binder {
public:
    explicit Binder(const TableLayout& layout) : m_layout(layout) {}

    NodePtr bind(const Condition& c) {
        switch (c.kind) {
            case Condition::Kind::And:
            case Condition::Kind::Or: {
                std::vector<NodePtr> children;
                children.reserve(c.children.size());
                for (const auto& child : c.children) children.push_back(bind(*child));
                if (c.kind == Condition::Kind::And) return std::make_unique<AndNode>(std::move(children));
                return std::make_unique<OrNode>(std::move(children));
            }
            case Condition::Kind::Not:
                return std::make_unique<NotNode>(bind(*c.children.front()));
            case Condition::Kind::Compare:
                return bindCompare(c);
            case Condition::Kind::Like:
                return bindLike(c);
        }
        return std::make_unique<ConstNode>(false);
    }

    QVector<int> fields() const {
        QVector<int> out = m_fields;
        std::sort(out.begin(), out.end());
        out.erase(std::unique(out.begin(), out.end()), out.end());
        return out;
    }

private:
    int resolveField(const Operand& op) {
        const int field = m_layout.indexOf(op.text);
        if (field < 0) throwSqlError(QStringLiteral("Neznámé pole '%1'.").arg(op.text));
        if (op.upper && m_layout.fields[field].type != FieldType::String) {
            throwSqlError(QStringLiteral("Funkci Upper lze použít jen na textové pole, ne na '%1'.")
                              .arg(m_layout.fields[field].name));
        }
        m_fields.append(field);
        return field;
    }

    // The class an operand fixes by itself: a field's, or text for anything inside Upper().
    // A plain literal has none; it takes the class of what it is compared with.
    std::optional<ValueClass> ownClass(const Operand& op, int field) const {
        if (field >= 0) return valueClassOf(m_layout.fields[field].type);
        if (op.upper) return ValueClass::Text;
        return std::nullopt;
    }

    [[noreturn]] void conversionError(const Operand& literal, ValueClass cls, const Operand& other) const {
        QString message = QStringLiteral("Hodnota %1 není %2").arg(literal.display(), valueClassExpectation(cls));
        if (other.kind == Operand::Kind::Field) message += QStringLiteral(" (pole '%1')").arg(other.text);
        throwSqlError(message + u'.');
    }

    NodePtr bindCompare(const Condition& c) {
        const Operand& left = c.left;
        const Operand& right = c.right;
        const int lf = left.kind == Operand::Kind::Field ? resolveField(left) : -1;
        const int rf = right.kind == Operand::Kind::Field ? resolveField(right) : -1;
        const std::optional<ValueClass> lc = ownClass(left, lf);
        const std::optional<ValueClass> rc = ownClass(right, rf);

        ValueClass cls;
        if (lc && rc) {
            if (*lc != *rc) {
                throwSqlError(QStringLiteral("Nelze porovnat %1 s %2, jsou to hodnoty různého typu.")
                                  .arg(left.display(), right.display()));
            }
            cls = *lc;
        } else if (lc || rc) {
            cls = lc ? *lc : *rc;
        } else if (left.kind == Operand::Kind::Integer && right.kind == Operand::Kind::Integer) {
            cls = ValueClass::Number;
        } else if (left.kind == Operand::Kind::Boolean || right.kind == Operand::Kind::Boolean) {
            cls = ValueClass::Boolean;
        } else {
            cls = ValueClass::Text;
        }

        // An empty literal is NULL: = tests for NULL, <> for a value, ordering is never true.
        const bool leftNull = left.isLiteral() && isNullLiteral(left);
        const bool rightNull = right.isLiteral() && isNullLiteral(right);
        if (leftNull || rightNull) {
            if (c.op != CompareOp::Equal && c.op != CompareOp::NotEqual) return constant(false);
            if (leftNull && rightNull) return constant(c.op == CompareOp::Equal);
            const int field = leftNull ? rf : lf;
            if (field < 0) return constant(c.op == CompareOp::NotEqual);
            return std::make_unique<NullTestNode>(field, c.op == CompareOp::Equal);
        }

        NodePtr node;
        switch (cls) {
            case ValueClass::Number: {
                NumberCompareNode::Side l{lf, 0};
                NumberCompareNode::Side r{rf, 0};
                if (lf < 0 && !literalToNumber(left, l.constant)) conversionError(left, cls, right);
                if (rf < 0 && !literalToNumber(right, r.constant)) conversionError(right, cls, left);
                node = std::make_unique<NumberCompareNode>(l, c.op, r);
                break;
            }
            case ValueClass::Date: {
                DateCompareNode::Side l{lf, {}};
                DateCompareNode::Side r{rf, {}};
                if (lf < 0 && !literalToDate(left, l.constant)) conversionError(left, cls, right);
                if (rf < 0 && !literalToDate(right, r.constant)) conversionError(right, cls, left);
                node = std::make_unique<DateCompareNode>(l, c.op, r);
                break;
            }
            case ValueClass::Boolean: {
                BooleanCompareNode::Side l{lf, false};
                BooleanCompareNode::Side r{rf, false};
                if (lf < 0 && !literalToBoolean(left, l.constant)) conversionError(left, cls, right);
                if (rf < 0 && !literalToBoolean(right, r.constant)) conversionError(right, cls, left);
                node = std::make_unique<BooleanCompareNode>(l, c.op, r);
                break;
            }
            case ValueClass::Text: {
                TextCompareNode::Side l{lf, lf >= 0 && left.upper, {}};
                TextCompareNode::Side r{rf, rf >= 0 && right.upper, {}};
                if (lf < 0 && !literalToText(left, l.constant)) conversionError(left, cls, right);
                if (rf < 0 && !literalToText(right, r.constant)) conversionError(right, cls, left);
                node = textComparison(std::move(l), c.op, std::move(r));
                break;
            }
        }
        if (lf < 0 && rf < 0) return constant(node->eval(NoRow()));
        return node;
    }

    // The comparison of two text operands; a plain text field against a literal with = or <>
    // compares stored bytes where it can.
    NodePtr textComparison(TextCompareNode::Side l, CompareOp op, TextCompareNode::Side r) {
        const bool equality = op == CompareOp::Equal || op == CompareOp::NotEqual;
        const TextCompareNode::Side& field = l.field >= 0 ? l : r;
        const TextCompareNode::Side& literal = l.field >= 0 ? r : l;
        QByteArray bytes;
        if (equality && field.field >= 0 && literal.field < 0 && !field.upper &&
            m_layout.fields[field.field].type == FieldType::String && Win1250::encode(literal.constant, bytes) &&
            !bytes.isEmpty() && Win1250::decode(bytes) == literal.constant) {
            const int f = field.field;
            return std::make_unique<TextEqualsLiteralNode>(
                f, op == CompareOp::Equal, bytes, std::make_unique<TextCompareNode>(std::move(l), op, std::move(r)));
        }
        return std::make_unique<TextCompareNode>(std::move(l), op, std::move(r));
    }

    NodePtr bindLike(const Condition& c) {
        const Operand& value = c.left;
        const Operand& pattern = c.right;
        if (pattern.kind != Operand::Kind::String) {
            throwSqlError(QStringLiteral("Vzorem pro LIKE musí být textový literál, ne %1.").arg(pattern.display()));
        }
        QString patternText;
        literalToText(pattern, patternText);
        QChar escape;
        if (c.hasEscape) {
            QString escapeText;
            if (c.escape.kind != Operand::Kind::String || !literalToText(c.escape, escapeText) || escapeText.size() != 1) {
                throwSqlError(QStringLiteral("ESCAPE musí být jeden znak, ne %1.").arg(c.escape.display()));
            }
            escape = escapeText.at(0);
        }

        if (value.kind == Operand::Kind::Field) {
            const int field = resolveField(value);
            if (m_layout.fields[field].type != FieldType::String) {
                throwSqlError(QStringLiteral("LIKE lze použít jen na textové pole, ne na '%1'.")
                                  .arg(m_layout.fields[field].name));
            }
            return std::make_unique<LikeNode>(field, value.upper, patternText, escape);
        }
        QString valueText;
        if (value.kind != Operand::Kind::String || !literalToText(value, valueText)) {
            throwSqlError(QStringLiteral("LIKE lze použít jen na text, ne na %1.").arg(value.display()));
        }
        return constant(!valueText.isEmpty() && LikePattern(patternText, escape).matches(valueText, nullptr));
    }

    static NodePtr constant(bool value) { return std::make_unique<ConstNode>(value); }

    const TableLayout& m_layout;
    QVector<int> m_fields;
};

}  // namespace

Expression::Expression(std::unique_ptr<detail::Node> root, QVector<int> fields)
    : m_root(std::move(root)), m_fields(std::move(fields)) {}

Expression::~Expression() = default;

std::unique_ptr<Expression> Expression::parseFilter(const QString& text, const TableLayout& layout) {
    TokenStream tokens(text);
    if (tokens.atEnd()) return std::unique_ptr<Expression>(new Expression(std::make_unique<ConstNode>(true), {}));
    const std::unique_ptr<Condition> condition = parseCondition(tokens);
    if (!tokens.atEnd()) tokens.syntaxError(QStringLiteral("AND, OR nebo konec výrazu"));
    return bind(*condition, layout);
}

std::unique_ptr<Expression> Expression::bind(const Condition& condition, const TableLayout& layout) {
    Binder binder(layout);
    NodePtr root = binder.bind(condition);
    return std::unique_ptr<Expression>(new Expression(std::move(root), binder.fields()));
}

bool Expression::matches(const RowAccessor& row) const {
    return m_root->eval(row);
}

}  // namespace engine::sql
