#pragma once

#include <QString>
#include <QVariant>
#include <QVector>

// Writes Paradox tables for the tests with pxlib's own writer, the way the earlier editions'
// tables look: keyed or not, optionally encrypted with a table password, text in a code page.
namespace test {

struct PxField {
    QString name;
    int type;    // ParadoxTable::Type
    int length;  // bytes (alpha: characters)
};

struct PxTable {
    QVector<PxField> fields;
    QVector<QVector<QVariant>> rows;  // QString, int, double, bool, QDate; null for empty
    QString password;
    int codePage = 1250;
};

// Writes `table` to `path`; fails the test (returns false) when pxlib refuses.
bool writeParadoxTable(const QString& path, const PxTable& table);

// The earlier editions' layouts of the firm and register tables, with all their fields.
QVector<PxField> paradoxLayout(const QString& table);

}  // namespace test
