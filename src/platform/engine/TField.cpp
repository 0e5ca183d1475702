#include "TField.h"

#include <QRegularExpression>
#include <cmath>

#include "EngineError.h"
#include "FieldConvert.h"
#include "TDataSet.h"

using engine::FieldType;

TField::TField(TDataSet* dataSet, const QString& name, FieldType type, int size, bool calculated)
    : m_dataSet(dataSet), m_name(name), m_type(type), m_size(size), m_calculated(calculated) {}

void TField::setRange(double minValue, double maxValue) {
    m_min = minValue;
    m_max = maxValue;
}

QVariant TField::Value() const { return m_dataSet->fieldValue(this); }

bool TField::IsNull() const {
    const QVariant v = Value();
    return !v.isValid() || v.isNull() || (m_type == FieldType::String && v.toString().isEmpty());
}

QString TField::AsString() const {
    const QVariant v = Value();
    if (!v.isValid()) return {};
    switch (m_type) {
        case FieldType::Date: return v.toDate().toString(QStringLiteral("dd.MM.yyyy"));
        case FieldType::Boolean: return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        default: return v.toString();
    }
}

int TField::AsInteger() const { return Value().toInt(); }
bool TField::AsBoolean() const { return Value().toBool(); }
QDate TField::AsDate() const { return Value().toDate(); }

QVariant TField::textToValue(const QString& text) const {
    return engine::convertText(engine::FieldDef{m_name, m_type, m_size}, text, DisplayLabel());
}

QVariant TField::checkedValue(const QVariant& value) const {
    QVariant v = engine::convertValue(engine::FieldDef{m_name, m_type, m_size}, value, DisplayLabel());
    if (v.isValid() && (m_type == FieldType::Integer || m_type == FieldType::SmallInt || m_type == FieldType::AutoInc)) {
        double lo = m_min, hi = m_max;
        if (lo == 0 && hi == 0 && m_type == FieldType::SmallInt) {
            lo = -32768;
            hi = 32767;
        }
        if ((lo != 0 || hi != 0) && (v.toInt() < lo || v.toInt() > hi)) {
            throw EDatabaseError(QStringLiteral("%1 není platná hodnota pro pole '%2'. Povolený rozsah je od %3 do %4")
                                     .arg(engine::formatG(v.toInt()), DisplayLabel(), engine::formatG(lo), engine::formatG(hi)));
        }
    }
    return v;
}

void TField::setValue(const QVariant& value) { m_dataSet->setFieldValue(this, checkedValue(value)); }
void TField::setAsString(const QString& text) { m_dataSet->setFieldValue(this, checkedValue(textToValue(text))); }
void TField::setText(const QString& text) {
    if (OnSetText) {
        OnSetText(*this, text);
    } else {
        setAsString(text);
    }
}
void TField::setAsInteger(int value) { setValue(value); }
void TField::setAsBoolean(bool value) { setValue(value); }
void TField::setAsDate(const QDate& value) { setValue(value.isValid() ? QVariant(value) : QVariant()); }
