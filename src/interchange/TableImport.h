#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>

#include "TableLayouts.h"

namespace interchange {

// Takes tables of an earlier edition into our engine. A table whose record file is a Paradox
// table is read field by field and written as a new table of our layout; a table already in our
// format is copied file by file. The source is only read, never changed.
//
// Fields are matched by name (letter case ignored) and converted into the type of our field;
// a field our layout has and the source lacks (an older layout) gets its default, a source field
// our layout does not know is left out and reported. A value that our field cannot hold (too
// long, not a number, a character outside Windows-1250, a duplicate registration number) fails
// the import with a message that names the table, the record and the field: nothing is
// shortened or dropped silently.
//
// Every import is all or nothing: the tables are built in a staging directory beside the
// target and moved into place only when all of them are complete; a failure leaves the target
// as it was.
class TableImport {
public:
    // How one table was taken over.
    struct TableResult {
        enum class How { Imported, Copied, Missing };
        QString table;  // "Hdok", "Data", ...
        How how = How::Missing;
        int records = 0;              // records written (imported tables)
        QStringList omittedFields;    // source fields our layout does not have
        QStringList defaultedFields;  // our fields the source lacks, given their defaults
    };
    using Results = QVector<TableResult>;

    // The four tables of a firm (the files of the data-file list) from `sourceDir` into
    // `targetDir` (both ending with "/"; the target is created when missing). A table whose
    // record file is missing in the source is reported as Missing and its files in the target
    // are left alone. Throws EDatabaseError; the target is then unchanged.
    static Results importFirmDirectory(const QString& sourceDir, const QString& targetDir);
    // The firm register and the password table (Data, Uziv) of a data directory, the same way.
    static Results importRegister(const QString& sourceDir, const QString& targetDir);
    // Any list of tables, the same way.
    static Results importTables(const QString& sourceDir, const QString& targetDir,
                                const QVector<storage::TableDefinition>& tables);

    // The files of one of our tables: T.DB, T.PX for a table with a key, T.Xnn and T.Ynn of
    // each secondary index.
    static QStringList tableFiles(const storage::TableDefinition& table);

    // Fills the next record (one value per field of the layout; the autoincrement field is left
    // empty) and returns true, or returns false after the last record.
    using RowSource = std::function<bool(QVector<QVariant>& values)>;
    // Creates the table `table` in the empty directory `dir` and writes the records of `rows`
    // into it as one batch, made durable once at the end. Throws EDatabaseError (naming the
    // record) when a value is refused; the directory then holds a partial table that the
    // caller discards.
    static void writeTable(const QString& dir, const storage::TableDefinition& table, const RowSource& rows);
};

}  // namespace interchange
