#include "SqlStatement.h"

#include <algorithm>
#include <limits>

#include "SqlCondition.h"
#include "SqlExpression.h"
#include "SqlLexer.h"
#include "SqlValue.h"
#include "Win1250.h"

namespace engine::sql {

struct Statement::Data {
    struct OrderName {
        QString name;
        bool descending = false;
    };

    // As parsed.
    StatementKind kind = StatementKind::Select;
    QString table;
    bool distinct = false;
    bool star = false;
    QStringList selectNames;
    QVector<OrderName> orderNames;
    std::unique_ptr<Condition> where;
    QString setField;
    Operand setValue;

    // After bind().
    bool bound = false;
    QVector<int> selected;
    QVector<OrderTerm> order;
    std::unique_ptr<Expression> whereExpression;
    int updateField = -1;
    QVariant updateValue;
    QVector<KeyRange> ranges;
};

namespace {

QString parseTableName(TokenStream& tokens) {
    const QString expected = QStringLiteral("název tabulky");
    const Token& t = tokens.peek();
    if (t.kind == Token::Kind::String) {
        QString name = tokens.next().text.trimmed();
        if (name.endsWith(QLatin1String(".DB"), Qt::CaseInsensitive)) name.chop(3);
        if (name.isEmpty()) throwSqlError(QStringLiteral("Chybí název tabulky."));
        return name;
    }
    if (t.kind != Token::Kind::Identifier || isReservedWord(t.text)) tokens.syntaxError(expected);
    QString name = tokens.next().text;
    if (tokens.accept(Token::Kind::Dot)) {
        if (!tokens.peek().isKeyword("DB")) tokens.syntaxError(QStringLiteral("přípona DB"));
        tokens.next();
    }
    return name;
}

QString parseFieldName(TokenStream& tokens) {
    const Token& t = tokens.peek();
    if (t.kind != Token::Kind::Identifier || isReservedWord(t.text)) tokens.syntaxError(QStringLiteral("název pole"));
    return tokens.next().text;
}

void parseSelect(TokenStream& tokens, Statement::Data& d) {
    d.kind = StatementKind::Select;
    d.distinct = tokens.acceptKeyword("DISTINCT");
    if (tokens.accept(Token::Kind::Star)) {
        d.star = true;
    } else {
        do {
            d.selectNames.append(parseFieldName(tokens));
        } while (tokens.accept(Token::Kind::Comma));
    }
    tokens.expectKeyword("FROM");
    d.table = parseTableName(tokens);
    if (tokens.acceptKeyword("WHERE")) d.where = parseCondition(tokens);
    if (tokens.acceptKeyword("ORDER")) {
        tokens.expectKeyword("BY");
        do {
            Statement::Data::OrderName term;
            term.name = parseFieldName(tokens);
            if (tokens.acceptKeyword("DESC")) {
                term.descending = true;
            } else {
                tokens.acceptKeyword("ASC");
            }
            d.orderNames.append(term);
        } while (tokens.accept(Token::Kind::Comma));
    }
}

void parseUpdate(TokenStream& tokens, Statement::Data& d) {
    d.kind = StatementKind::Update;
    d.table = parseTableName(tokens);
    tokens.expectKeyword("SET");
    d.setField = parseFieldName(tokens);
    tokens.expect(Token::Kind::Equal, QStringLiteral("'='"));
    d.setValue = parseLiteral(tokens);
    if (tokens.acceptKeyword("WHERE")) d.where = parseCondition(tokens);
}

int resolveField(const TableLayout& layout, const QString& name) {
    const int field = layout.indexOf(name);
    if (field < 0) throwSqlError(QStringLiteral("Neznámé pole '%1'.").arg(name));
    return field;
}

// The value an UPDATE stores: the literal converted to the field's type and checked against
// the field's range or length, so that nothing is silently truncated or wrapped.
QVariant storedValue(const Operand& literal, const FieldDef& field) {
    if (field.type == FieldType::AutoInc) {
        throwSqlError(QStringLiteral("Pole '%1' se čísluje automaticky a nelze ho měnit.").arg(field.name));
    }
    if (isNullLiteral(literal)) return QVariant();

    const ValueClass cls = valueClassOf(field.type);
    auto fail = [&] {
        throwSqlError(QStringLiteral("Hodnota %1 není %2 (pole '%3').")
                          .arg(literal.display(), valueClassExpectation(cls), field.name));
    };
    switch (cls) {
        case ValueClass::Number: {
            qint64 n = 0;
            if (!literalToNumber(literal, n)) fail();
            const qint64 low = field.type == FieldType::SmallInt ? std::numeric_limits<qint16>::min()
                                                                 : std::numeric_limits<qint32>::min();
            const qint64 high = field.type == FieldType::SmallInt ? std::numeric_limits<qint16>::max()
                                                                  : std::numeric_limits<qint32>::max();
            if (n < low || n > high) {
                throwSqlError(
                    QStringLiteral("Hodnota %1 je mimo rozsah pole '%2'.").arg(literal.display(), field.name));
            }
            return QVariant(int(n));
        }
        case ValueClass::Text: {
            QString text;
            if (!literalToText(literal, text)) fail();
            if (field.size > 0 && text.size() > field.size) {
                throwSqlError(QStringLiteral("Hodnota %1 je delší než %2 znaků povolených v poli '%3'.")
                                  .arg(literal.display())
                                  .arg(field.size)
                                  .arg(field.name));
            }
            QChar bad;
            if (!Win1250::representable(text, &bad)) {
                throwSqlError(QStringLiteral("Znak '%1' nelze uložit do pole '%2'.").arg(bad).arg(field.name));
            }
            return QVariant(text);
        }
        case ValueClass::Date: {
            QDate date;
            if (!literalToDate(literal, date)) fail();
            return QVariant(date);
        }
        case ValueClass::Boolean: {
            bool b = false;
            if (!literalToBoolean(literal, b)) fail();
            return QVariant(b);
        }
    }
    return QVariant();
}

// The literal of a plain comparison as a value of `field`'s type; invalid when it has none
// (then the term gives no range, and evaluation decides).
QVariant rangeValue(const Operand& literal, const FieldDef& field) {
    if (literal.upper || isNullLiteral(literal)) return {};
    switch (valueClassOf(field.type)) {
        case ValueClass::Number: {
            qint64 n = 0;
            if (!literalToNumber(literal, n) || n < std::numeric_limits<qint32>::min() || n > std::numeric_limits<qint32>::max()) return {};
            return QVariant(int(n));
        }
        case ValueClass::Date: {
            QDate date;
            return literalToDate(literal, date) ? QVariant(date) : QVariant();
        }
        case ValueClass::Text: {
            QString text;
            return literalToText(literal, text) && !text.isEmpty() ? QVariant(text) : QVariant();
        }
        case ValueClass::Boolean: return {};
    }
    return {};
}

void addRangeTerm(const Condition& c, const TableLayout& layout, QVector<KeyRange>& ranges) {
    if (c.kind != Condition::Kind::Compare || c.op == CompareOp::NotEqual) return;
    const Operand* field = &c.left;
    const Operand* literal = &c.right;
    CompareOp op = c.op;
    if (field->isLiteral() && !literal->isLiteral()) {
        std::swap(field, literal);
        // "5 < Evc" is "Evc > 5".
        switch (op) {
            case CompareOp::Less: op = CompareOp::Greater; break;
            case CompareOp::LessEqual: op = CompareOp::GreaterEqual; break;
            case CompareOp::Greater: op = CompareOp::Less; break;
            case CompareOp::GreaterEqual: op = CompareOp::LessEqual; break;
            default: break;
        }
    }
    if (field->isLiteral() || !literal->isLiteral() || field->upper) return;
    const int no = layout.indexOf(field->text);
    if (no < 0) return;
    const QVariant value = rangeValue(*literal, layout.fields[no]);
    if (!value.isValid()) return;
    auto it = std::find_if(ranges.begin(), ranges.end(), [&](const KeyRange& r) { return r.field == no; });
    if (it == ranges.end()) {
        ranges.append(KeyRange{no});
        it = ranges.end() - 1;
    }
    // Two bounds on one side: keep the first; the clause itself still filters exactly.
    const bool low = op == CompareOp::Equal || op == CompareOp::Greater || op == CompareOp::GreaterEqual;
    const bool high = op == CompareOp::Equal || op == CompareOp::Less || op == CompareOp::LessEqual;
    if (low && !it->low.isValid()) {
        it->low = value;
        it->lowInclusive = op != CompareOp::Greater;
    }
    if (high && !it->high.isValid()) {
        it->high = value;
        it->highInclusive = op != CompareOp::Less;
    }
}

QVector<KeyRange> keyRangesOf(const Condition* where, const TableLayout& layout) {
    QVector<KeyRange> ranges;
    if (!where) return ranges;
    if (where->kind == Condition::Kind::And) {
        for (const auto& child : where->children) addRangeTerm(*child, layout, ranges);
    } else {
        addRangeTerm(*where, layout, ranges);
    }
    return ranges;
}

}  // namespace

Statement::Statement(std::unique_ptr<Data> data) : d(std::move(data)) {}
Statement::Statement(Statement&&) noexcept = default;
Statement& Statement::operator=(Statement&&) noexcept = default;
Statement::~Statement() = default;

Statement Statement::parse(const QString& text) {
    TokenStream tokens(text);
    auto data = std::make_unique<Data>();
    const Token& first = tokens.peek();
    if (first.kind == Token::Kind::End) throwSqlError(QStringLiteral("Prázdný příkaz SQL."));
    if (tokens.acceptKeyword("SELECT")) {
        parseSelect(tokens, *data);
    } else if (tokens.acceptKeyword("UPDATE")) {
        parseUpdate(tokens, *data);
    } else if (first.kind == Token::Kind::Identifier) {
        throwSqlError(QStringLiteral("Nepodporovaný příkaz '%1'; podporovány jsou SELECT a UPDATE.").arg(first.text));
    } else {
        tokens.syntaxError(QStringLiteral("SELECT nebo UPDATE"));
    }
    tokens.accept(Token::Kind::Semicolon);
    if (!tokens.atEnd()) {
        // Name what could still have followed, so that a misplaced clause is easy to spot.
        QString expected;
        if (data->kind == StatementKind::Select && !data->orderNames.isEmpty()) {
            expected = QStringLiteral("konec příkazu");
        } else if (data->kind == StatementKind::Select) {
            expected = data->where ? QStringLiteral("AND, OR, ORDER BY nebo konec příkazu")
                                   : QStringLiteral("WHERE, ORDER BY nebo konec příkazu");
        } else {
            expected =
                data->where ? QStringLiteral("AND, OR nebo konec příkazu") : QStringLiteral("WHERE nebo konec příkazu");
        }
        tokens.syntaxError(expected);
    }
    return Statement(std::move(data));
}

StatementKind Statement::kind() const {
    return d->kind;
}

QString Statement::tableName() const {
    return d->table;
}

void Statement::bind(const TableLayout& layout) {
    d->bound = false;

    QVector<int> selected;
    QVector<OrderTerm> order;
    std::unique_ptr<Expression> where;
    int updateField = -1;
    QVariant updateValue;

    if (d->kind == StatementKind::Select) {
        if (d->star) {
            for (int i = 0; i < layout.fields.size(); ++i) selected.append(i);
        } else {
            for (const QString& name : d->selectNames) selected.append(resolveField(layout, name));
        }
        for (const Data::OrderName& term : d->orderNames) {
            order.append(OrderTerm{resolveField(layout, term.name), term.descending});
        }
    } else {
        updateField = resolveField(layout, d->setField);
        updateValue = storedValue(d->setValue, layout.fields[updateField]);
    }
    if (d->where) where = Expression::bind(*d->where, layout);

    d->selected = std::move(selected);
    d->order = std::move(order);
    d->whereExpression = std::move(where);
    d->updateField = updateField;
    d->updateValue = std::move(updateValue);
    d->ranges = keyRangesOf(d->where.get(), layout);
    d->bound = true;
}

bool Statement::isBound() const {
    return d->bound;
}

bool Statement::distinct() const {
    return d->distinct;
}

QVector<int> Statement::selectedFields() const {
    return d->bound ? d->selected : QVector<int>();
}

QVector<OrderTerm> Statement::orderBy() const {
    return d->bound ? d->order : QVector<OrderTerm>();
}

bool Statement::matches(const RowAccessor& row) const {
    if (!d->bound) throwSqlError(QStringLiteral("Příkaz SQL nebyl svázán s tabulkou."));
    return !d->whereExpression || d->whereExpression->matches(row);
}

bool Statement::hasWhere() const {
    return d->where != nullptr;
}

QVector<int> Statement::whereFields() const {
    return d->bound && d->whereExpression ? d->whereExpression->referencedFields() : QVector<int>();
}

QVector<KeyRange> Statement::keyRanges() const {
    return d->bound ? d->ranges : QVector<KeyRange>();
}

int Statement::updateField() const {
    return d->bound ? d->updateField : -1;
}

QVariant Statement::updateValue() const {
    return d->bound ? d->updateValue : QVariant();
}

}  // namespace engine::sql
