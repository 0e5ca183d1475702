#pragma once

#include <QDate>
#include <QString>
#include <QVariant>
#include <functional>

#include "FieldDef.h"

class TDataSet;

// One field of a dataset, reached by name from windows and record rules. A field reads and
// writes the current record of its dataset; setting a value checks it first and refuses what
// the field cannot hold with the table layer's messages, naming the field by its display label.
class TField {
public:
    TField(TDataSet* dataSet, const QString& name, engine::FieldType type, int size, bool calculated);

    const QString& FieldName() const { return m_name; }
    // The label used in messages and grid titles; the field name unless set.
    QString DisplayLabel() const { return m_displayLabel.isEmpty() ? m_name : m_displayLabel; }
    void setDisplayLabel(const QString& label) { m_displayLabel = label; }
    engine::FieldType DataType() const { return m_type; }
    int Size() const { return m_size; }
    bool Calculated() const { return m_calculated; }
    TDataSet* DataSet() const { return m_dataSet; }
    // Position among the dataset's fields (0-based), and in the table's record layout (-1 for
    // calculated fields).
    int Index() const { return m_index; }
    int FieldNo() const { return m_fieldNo; }

    // Allowed range of a numeric field; both 0 means no range beyond the type's own.
    double MinValue() const { return m_min; }
    double MaxValue() const { return m_max; }
    void setRange(double minValue, double maxValue);

    QVariant Value() const;
    bool IsNull() const;
    QString AsString() const;   // "" for NULL; dates as dd.mm.yyyy
    int AsInteger() const;      // 0 for NULL
    bool AsBoolean() const;     // false for NULL
    QDate AsDate() const;       // invalid for NULL
    QString DisplayText() const { return AsString(); }

    // Setters throw EDatabaseError with the field-level message when the value is not valid
    // for the field, and when the dataset is not being edited.
    void setValue(const QVariant& value);
    void setAsString(const QString& text);
    void setAsInteger(int value);
    void setAsBoolean(bool value);
    void setAsDate(const QDate& value);
    void Clear() { setValue(QVariant()); }

    // Called after the value changed.
    std::function<void(TField&)> OnChange;

    // Text typed by the user (data-aware controls write through here). With OnSetText set, the
    // handler stores the text instead of the field's own conversion (it typically completes the
    // text and calls setAsString); without it, setText is setAsString.
    void setText(const QString& text);
    std::function<void(TField&, const QString& text)> OnSetText;

    // Converts `text` to a value of this field (as setAsString would store it) without storing
    // it. Throws EDatabaseError with the field-level message.
    QVariant textToValue(const QString& text) const;
    // Checks a value for this field; returns it normalised (empty text becomes NULL).
    QVariant checkedValue(const QVariant& value) const;

private:
    friend class TDataSet;
    TDataSet* m_dataSet;
    QString m_name;
    QString m_displayLabel;
    engine::FieldType m_type;
    int m_size;
    bool m_calculated;
    int m_index = -1;
    int m_fieldNo = -1;
    double m_min = 0;
    double m_max = 0;
};
