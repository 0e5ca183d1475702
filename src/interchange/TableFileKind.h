#pragma once

#include <QString>

namespace interchange {

// What a table's record file (".DB") is, judged by its first bytes: one of our engine's record
// files, a table of the classic Paradox format that the earlier editions used, or neither.
enum class TableFileKind { Missing, Ours, Paradox, Unknown };

TableFileKind tableFileKind(const QString& path);

// `dir` (ending with "/") + `name`, or the file of that name in another letter case when only
// such a one exists: tables copied from Windows often carry upper-case names ("HDOK.DB").
// Returns the exact spelling when neither exists.
QString findFileIgnoringCase(const QString& dir, const QString& name);

}  // namespace interchange
