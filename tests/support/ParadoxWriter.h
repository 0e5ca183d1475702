#pragma once

#include <QString>
#include <QVariant>
#include <QVector>
#include <functional>

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
    // Write the data blocks directly instead of through pxlib (which needs milliseconds per
    // record); only for tables without a password, where nothing is encrypted. For benchmarks.
    bool directBlocks = false;
};

// Writes `table` to `path`; returns false when pxlib refuses.
bool writeParadoxTable(const QString& path, const PxTable& table);
// The same with the rows from `next`, which fills one row and returns true, or returns false
// after the last (`table.rows` is not used). For tables too big to hold in memory at once.
bool writeParadoxTable(const QString& path, const PxTable& table, const std::function<bool(QVector<QVariant>&)>& next);

// The earlier editions' layouts of the firm and register tables, with all their fields.
QVector<PxField> paradoxLayout(const QString& table);

}  // namespace test
