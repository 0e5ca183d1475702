#pragma once

#include <QString>

namespace bench {

class CardGenerator;

// Our engine: builds the card table `dir`/Hdok.DB with AppendRecords (a durable batch per
// 100 000 cards), and runs the measured operations on an existing one, writing
// result/check/info/memory lines to standard output.
void buildOurs(const QString& dir, const CardGenerator& gen);
void runOurs(const QString& dir, const CardGenerator& gen);
// Only opens and closes the card table (a diagnostic: "open-ours <cards> <dir>").
void openOnce(const QString& dir);

// bulk_insert: every card of `gen` into a new, empty card table in `dir`, as one durable
// write (ours: AppendRecords; SQLite: one transaction, the indexes already in place).
void bulkOurs(const QString& dir, const CardGenerator& gen);
void bulkSqlite(const QString& dir, const CardGenerator& gen);

// SQLite: the same cards in one table `dir`/hdok.sqlite, and the same operations.
void buildSqlite(const QString& dir, const CardGenerator& gen);
void runSqlite(const QString& dir, const CardGenerator& gen);

}  // namespace bench
