#pragma once

#include <QDate>
#include <QString>
#include <QStringView>

#include "FieldDef.h"

namespace engine::sql {

struct Operand;

// What a value is compared as: the integer field types all compare as numbers.
enum class ValueClass { Number, Text, Date, Boolean };

ValueClass valueClassOf(FieldType type);
// What a literal failed to be, for messages of the form "Hodnota "x" není platné číslo".
QString valueClassExpectation(ValueClass cls);

// An empty string literal stands for NULL, because the engine stores empty strings as NULL.
bool isNullLiteral(const Operand& literal);

// Conversions of a literal to the class of the value it is compared with or stored into.
// Each returns false when the literal has no such meaning. A string literal converts to a
// number when it holds one ("10"), to a date when it reads dd.mm.yyyy or d.m.yyyy, to a
// boolean when it is T, F, TRUE or FALSE (any case).
bool literalToNumber(const Operand& literal, qint64& out);
bool literalToDate(const Operand& literal, QDate& out);
bool literalToBoolean(const Operand& literal, bool& out);
// Upper() around the literal is applied here.
bool literalToText(const Operand& literal, QString& out);

// Upper case as Win1250::upper() computes it, one UTF-16 unit at a time, from a table built
// once; lets per-row comparisons fold case without allocating.
const char16_t* upperTable();
QString upperText(QStringView text);

}  // namespace engine::sql
