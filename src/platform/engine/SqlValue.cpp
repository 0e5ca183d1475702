#include "SqlValue.h"

#include <vector>

#include "SqlCondition.h"
#include "Win1250.h"

namespace engine::sql {

ValueClass valueClassOf(FieldType type) {
    switch (type) {
        case FieldType::AutoInc:
        case FieldType::Integer:
        case FieldType::SmallInt:
            return ValueClass::Number;
        case FieldType::String:
            return ValueClass::Text;
        case FieldType::Date:
            return ValueClass::Date;
        case FieldType::Boolean:
            return ValueClass::Boolean;
    }
    return ValueClass::Text;
}

QString valueClassExpectation(ValueClass cls) {
    switch (cls) {
        case ValueClass::Number:
            return QStringLiteral("platné celé číslo");
        case ValueClass::Text:
            return QStringLiteral("text");
        case ValueClass::Date:
            return QStringLiteral("platné datum ve tvaru d.m.rrrr");
        case ValueClass::Boolean:
            return QStringLiteral("logická hodnota (TRUE, FALSE, T, F)");
    }
    return {};
}

bool isNullLiteral(const Operand& literal) {
    return literal.kind == Operand::Kind::String && literal.text.isEmpty();
}

bool literalToNumber(const Operand& literal, qint64& out) {
    if (literal.upper) return false;
    switch (literal.kind) {
        case Operand::Kind::Integer:
            out = literal.integer;
            return true;
        case Operand::Kind::String: {
            bool ok = false;
            out = literal.text.trimmed().toLongLong(&ok, 10);
            return ok;
        }
        default:
            return false;
    }
}

bool literalToDate(const Operand& literal, QDate& out) {
    if (literal.upper || literal.kind != Operand::Kind::String) return false;
    const QString text = literal.text.trimmed();
    // d.m.yyyy with one or two digits for day and month and exactly four for the year.
    int parts[3] = {0, 0, 0};
    int digits[3] = {0, 0, 0};
    int part = 0;
    for (const QChar c : text) {
        if (c == u'.') {
            if (++part > 2) return false;
            continue;
        }
        if (c < u'0' || c > u'9') return false;
        parts[part] = parts[part] * 10 + (c.unicode() - u'0');
        if (++digits[part] > 4) return false;
    }
    if (part != 2 || digits[0] < 1 || digits[0] > 2 || digits[1] < 1 || digits[1] > 2 || digits[2] != 4) return false;
    out = QDate(parts[2], parts[1], parts[0]);
    return out.isValid();
}

bool literalToBoolean(const Operand& literal, bool& out) {
    switch (literal.kind) {
        case Operand::Kind::Boolean:
            out = literal.boolean;
            return !literal.upper;
        case Operand::Kind::String: {
            const QString t = literal.text.trimmed();
            if (t.compare(QLatin1String("T"), Qt::CaseInsensitive) == 0 ||
                t.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0) {
                out = true;
                return true;
            }
            if (t.compare(QLatin1String("F"), Qt::CaseInsensitive) == 0 ||
                t.compare(QLatin1String("FALSE"), Qt::CaseInsensitive) == 0) {
                out = false;
                return true;
            }
            return false;
        }
        default:
            return false;
    }
}

bool literalToText(const Operand& literal, QString& out) {
    switch (literal.kind) {
        case Operand::Kind::String:
            out = literal.upper ? Win1250::upper(literal.text) : literal.text;
            return true;
        case Operand::Kind::Integer:
            out = literal.text;
            return true;
        default:
            return false;
    }
}

const char16_t* upperTable() {
    static const std::vector<char16_t> table = [] {
        QString all(0x10000, Qt::Uninitialized);
        for (int i = 0; i < 0x10000; ++i) all[i] = QChar(char16_t(i));
        const QString upper = Win1250::upper(all);
        std::vector<char16_t> t(0x10000);
        for (int i = 0; i < 0x10000; ++i) t[i] = upper.size() == all.size() ? upper.at(i).unicode() : char16_t(i);
        if (upper.size() != all.size()) {
            // Win1250::upper maps one unit to one unit today; should that ever change, ask it
            // character by character rather than misalign the whole table.
            for (int i = 0; i < 0x10000; ++i) {
                const QString u = Win1250::upper(QString(QChar(char16_t(i))));
                t[i] = u.size() == 1 ? u.at(0).unicode() : char16_t(i);
            }
        }
        return t;
    }();
    return table.data();
}

QString upperText(QStringView text) {
    const char16_t* map = upperTable();
    QString out(text.size(), Qt::Uninitialized);
    QChar* dst = out.data();
    for (qsizetype i = 0; i < text.size(); ++i) dst[i] = QChar(map[text[i].unicode()]);
    return out;
}

}  // namespace engine::sql
