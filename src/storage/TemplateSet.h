#pragma once

#include <QString>

namespace storage {

// Builders of a ready data directory. All paths are directories; they are created as needed.
class TemplateSet {
public:
    // Creates the four empty firm tables (the Hspl row present with Cislo = 1, Ko = 1, Ko1 = 1)
    // in `dir`: the 27 files of the data-file list. Throws EDatabaseError when a file exists or
    // cannot be written.
    static void createFirmTables(const QString& dir);
    // Creates an empty firm register (Data.DB with its indexes, Uziv.DB, Uziv.PX) in `dir`.
    static void createRegister(const QString& dir);
    // Creates the template set `dataDir`/Data: the firm tables, the empty register and
    // Verze.ini with the program version. Files already there are kept.
    static void createTemplateSet(const QString& dataDir);
    // Prepares a complete data directory: the template set and, unless one exists, the
    // register at its root. Returns false (changing nothing) when the register exists already
    // and the template set is complete.
    static bool prepareDataDirectory(const QString& dataDir);
    // The default data directory: the common application data directory + "Corvex/Lamelin 2013/".
    static QString defaultDataDirectory();
};

}  // namespace storage
