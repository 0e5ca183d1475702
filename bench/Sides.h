#pragma once

#include <QString>

namespace bench {

class CardGenerator;

// Our engine: builds the card table `dir`/Hdok.DB through Append/Post (`durable`: each Post
// waits for the disk; otherwise the files are synced once at the end), and runs the measured
// operations on an existing one, writing result/check/info/memory lines to standard output.
void buildOurs(const QString& dir, const CardGenerator& gen, bool durable);
void runOurs(const QString& dir, const CardGenerator& gen);
// Only opens and closes the card table (a diagnostic: "open-ours <cards> <dir>").
void openOnce(const QString& dir);

// SQLite: the same cards in one table `dir`/hdok.sqlite, and the same operations.
void buildSqlite(const QString& dir, const CardGenerator& gen);
void runSqlite(const QString& dir, const CardGenerator& gen);

}  // namespace bench
