#include "FieldConvert.h"

#include <QDate>
#include <QRegularExpression>
#include <cmath>
#include <limits>

#include "EngineError.h"
#include "Win1250.h"

namespace engine {

QString formatG(double value) { return QString::number(value, 'g', 15); }

QDate parseDate(const QString& text) {
    static const QRegularExpression re(QStringLiteral("^\\s*(\\d{1,2})\\.(\\d{1,2})\\.(\\d{2}|\\d{4})\\s*$"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch()) return {};
    int year = m.captured(3).toInt();
    if (m.captured(3).size() == 2) {
        // Two-digit years fall within fifty years either side of the current year.
        const int now = QDate::currentDate().year();
        year += (now / 100) * 100;
        if (year > now + 50) year -= 100;
        if (year <= now - 50) year += 100;
    }
    return QDate(year, m.captured(2).toInt(), m.captured(1).toInt());
}

QVariant convertText(const FieldDef& field, const QString& text, const QString& label) {
    switch (field.type) {
        case FieldType::String: return convertValue(field, text, label);
        case FieldType::AutoInc:
        case FieldType::Integer:
        case FieldType::SmallInt: {
            const QString t = text.trimmed();
            if (t.isEmpty()) return {};
            bool ok = false;
            const qlonglong v = t.toLongLong(&ok);
            if (!ok || v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<qint32>::max()) {
                throw EDatabaseError(QStringLiteral("'%1' není platné celé číslo pro pole '%2'").arg(text, label));
            }
            return int(v);
        }
        case FieldType::Date: {
            if (text.trimmed().isEmpty()) return {};
            const QDate d = parseDate(text);
            if (!d.isValid()) throw EDatabaseError(QStringLiteral("''%1'' není platný datum").arg(text));
            return d;
        }
        case FieldType::Boolean: {
            const QString t = text.trimmed();
            if (t.isEmpty()) return {};
            if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0 || t == QLatin1String("1")) return true;
            if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0 || t == QLatin1String("0")) return false;
            throw EDatabaseError(QStringLiteral("'%1' není platná logická hodnota pro pole '%2'").arg(text, label));
        }
    }
    return {};
}

QVariant convertValue(const FieldDef& field, const QVariant& value, const QString& label) {
    if (!value.isValid() || value.isNull()) return {};
    const bool isText = value.typeId() == QMetaType::QString;
    switch (field.type) {
        case FieldType::String: {
            const QString s = value.toString();
            if (s.isEmpty()) return {};
            if (field.size > 0 && s.size() > field.size) {
                throw EDatabaseError(QStringLiteral("Text je pro pole '%1' příliš dlouhý (nejvýše %2 znaků).").arg(label).arg(field.size));
            }
            QChar bad;
            if (!Win1250::representable(s, &bad)) {
                // Name the whole character, also one outside the basic plane (two UTF-16 units).
                const qsizetype at = s.indexOf(bad);
                const QString shown = bad.isHighSurrogate() && at + 1 < s.size() && s.at(at + 1).isLowSurrogate()
                                          ? s.mid(at, 2)
                                          : QString(bad);
                throw EDatabaseError(QStringLiteral("Znak '%1' nelze uložit do pole '%2'.").arg(shown, label));
            }
            return s;
        }
        case FieldType::AutoInc:
        case FieldType::Integer:
        case FieldType::SmallInt: {
            if (isText) return convertText(field, value.toString(), label);
            const int type = value.typeId();
            if (type == QMetaType::Double || type == QMetaType::Float) {
                // QVariant rounds a fraction to the nearest integer; a value with a fraction is
                // refused instead of being stored changed.
                const double d = value.toDouble();
                if (!std::isfinite(d) || d != std::trunc(d) || d < std::numeric_limits<qint32>::min() ||
                    d > std::numeric_limits<qint32>::max()) {
                    throw EDatabaseError(
                        QStringLiteral("'%1' není platné celé číslo pro pole '%2'").arg(formatG(d), label));
                }
                return int(d);
            }
            bool ok = false;
            const qlonglong v = value.toLongLong(&ok);
            if (!ok || v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<qint32>::max()) {
                throw EDatabaseError(QStringLiteral("'%1' není platné celé číslo pro pole '%2'").arg(value.toString(), label));
            }
            return int(v);
        }
        case FieldType::Date: {
            if (isText) return convertText(field, value.toString(), label);
            const QDate d = value.typeId() == QMetaType::QDateTime ? value.toDateTime().date() : value.toDate();
            if (!d.isValid()) throw EDatabaseError(QStringLiteral("''%1'' není platný datum").arg(value.toString()));
            return d;
        }
        case FieldType::Boolean:
            if (isText) return convertText(field, value.toString(), label);
            return value.toBool();
    }
    return {};
}

}  // namespace engine
