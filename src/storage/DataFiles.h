#pragma once

#include <QStringList>

namespace storage {

// The 27 files of a firm's four tables, in their fixed order: every copy of a firm's tables
// (creating a firm, refreshing a shared template set, conversion, backup, restore) goes
// through this list. Positions 15 to 26 (1-based) are the card index alone.
const QStringList& dataFileList();

// 1-based positions of the card index files in dataFileList().
inline constexpr int kCardFilesFirst = 15;
inline constexpr int kCardFilesLast = 26;

// The register template files in the order they are copied: the firm register, then the
// password table.
const QStringList& registerFileList();
const QStringList& registerDataFiles();  // Data.DB and its indexes
const QStringList& registerUzivFiles();  // Uziv.DB, Uziv.PX

// The program version the template set must carry in Verze.ini, and the program year.
inline constexpr int kProgramVersion = 110;
inline constexpr int kProgramYear = 2013;

}  // namespace storage
