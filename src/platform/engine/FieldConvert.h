#pragma once

#include <QString>
#include <QVariant>

#include "FieldDef.h"

namespace engine {

// Conversions of values into a field's type, shared by fields, key searches and locate.
// `label` names the field in messages. All throw EDatabaseError with the field-level texts.

// Text as typed: integers in decimal, dates as dd.mm.yyyy (also d.m.yyyy and two-digit years),
// booleans as True/False. Empty text is NULL.
QVariant convertText(const FieldDef& field, const QString& text, const QString& label);
// Any value: text goes through convertText; numbers, dates and booleans are checked for the
// type; strings are checked for length and for the Windows-1250 character set.
QVariant convertValue(const FieldDef& field, const QVariant& value, const QString& label);
// Parses dd.mm.yyyy (d.m.yyyy, d.m.yy); an invalid QDate when the text is not a date.
QDate parseDate(const QString& text);
// A number as the messages print it: up to 15 significant digits, no exponent for integers.
QString formatG(double value);

}  // namespace engine
