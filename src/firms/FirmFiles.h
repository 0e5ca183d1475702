#pragma once

#include <QString>

// File chores shared by the firm windows and the register upgrade: copying register and
// table files, removing stale lock files, the conversion keys in Sporin.ini.
namespace firms {

// Copies `from` to `to`, replacing `to`. The copy is written beside the target and renamed
// over it, so a copy that fails half-way leaves the old target as it was. Returns false when
// `from` does not exist or the copy failed; the target is then unchanged.
bool copyFileOverwriting(const QString& from, const QString& to);

// Copies the files `names` from the directory `from` to `to` (both ending with "/"), replacing
// the targets, as one set: every file is first copied beside its target, and only when all of
// them were copied are they renamed over the targets, the last name of the list last. A failure
// before the renames leaves every target as it was. Returns false on failure and names the file
// that could not be copied in `failed`.
bool copyFileSetOverwriting(const QStringList& names, const QString& from, const QString& to, QString* failed = nullptr);

// Deletes "Pdoxusrs.lck" in `dir` (ending with "/") and, only when that worked, "Paradox.lck":
// a lock file that a running program holds cannot be deleted, and then the directory is in use.
void deleteStaleLocks(const QString& dir);

// True for a register directory name that names a subdirectory of the data directory: not
// empty, no path separators, not "." or "..". Files are deleted only inside such directories.
bool isFirmDirName(const QString& name);

// The keys of section "Sporin" in the local Sporin.ini that remember the search for data of an
// earlier release: "Prevod" + the year suffix ("Prevod213") and the same with "o" appended.
QString conversionCheckedKey();
QString conversionRequestedKey();

}  // namespace firms
