#include "TableImport.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>

#include "DataFiles.h"
#include "EngineError.h"
#include "FieldConvert.h"
#include "FileIO.h"
#include "ParadoxTable.h"
#include "TDatabase.h"
#include "TSession.h"
#include "TTable.h"
#include "TableFileKind.h"
#include "TablePassword.h"

namespace interchange {
namespace {

using storage::TableDefinition;

QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// A session and database of their own on `dir`, holding the table password.
struct Connection {
    explicit Connection(const QString& dir)
        : session(QStringLiteral("ImportSession")), db(&session, QStringLiteral("Import")) {
        session.setNetFileDir(dir);
        session.AddPassword(storage::tablePassword());
        db.Params = {QStringLiteral("PATH=") + dir, QStringLiteral("DEFAULT DRIVER=PARADOX"),
                     QStringLiteral("ENABLE BCD=FALSE")};
    }
    TSession session;
    TDatabase db;
};

// Makes the files `names` of `dir` and the directory itself durable.
void syncFiles(const QString& dir, const QStringList& names) {
    for (const QString& name : names) {
        const QString path = dir + name;
        if (!QFileInfo::exists(path)) continue;
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        const bool ok = fd >= 0 && ::fsync(fd) == 0;
        if (fd >= 0) ::close(fd);
        if (!ok)
            throw EDBEngineError(EngineErrorCode::IoError, QStringLiteral("Soubor %1 nelze zapsat.").arg(native(path)));
    }
    if (!engine::FileSystem::current().syncDirectory(dir)) {
        throw EDBEngineError(EngineErrorCode::IoError, QStringLiteral("Adresář %1 nelze zapsat.").arg(native(dir)));
    }
}

void renameOrThrow(const QString& from, const QString& to) {
    QString error;
    if (!engine::FileSystem::current().rename(from, to, &error)) {
        throw EDBEngineError(EngineErrorCode::IoError,
                             QStringLiteral("Soubor %1 nelze vytvořit. %2").arg(native(to), error).trimmed());
    }
}

// The value a field of our layout gets when the source table has no such field: what a new
// record or the template set would hold. `row` carries the values taken from the source.
QVariant defaultValue(const TableDefinition& table, int field, const QVector<QVariant>& row) {
    const QString& name = table.layout.fields[field].name;
    auto is = [&](const char* t, const char* f) {
        return table.name.compare(QLatin1String(t), Qt::CaseInsensitive) == 0 &&
               name.compare(QLatin1String(f), Qt::CaseInsensitive) == 0;
    };
    if (is("Hdok", "Neh")) return QStringLiteral("N");
    if (is("Hdok", "Pdh") || is("Hdok", "Pdl")) return false;
    if (is("Hspl", "Ko") || is("Hspl", "Ko1") || is("Hspl", "Cislo")) return 1;
    // A register of the earlier layout: each firm's own position is its number.
    if (is("Data", "Pozice")) return row.value(table.layout.indexOf(QStringLiteral("Cislo")));
    return QVariant();
}

// A source value in the form our field takes it; the field itself checks it when it is set.
QVariant forField(const QVariant& value, const engine::FieldDef& field) {
    if (!value.isValid() || field.type != engine::FieldType::String) return value;
    switch (value.typeId()) {
        case QMetaType::QDate:
            return value.toDate().toString(QStringLiteral("dd.MM.yyyy"));
        case QMetaType::QTime:
            return value.toTime().toString(QStringLiteral("hh:mm"));
        case QMetaType::QDateTime:
            return value.toDateTime().toString(QStringLiteral("dd.MM.yyyy hh:mm"));
        case QMetaType::Double:
            return QString::number(value.toDouble(), 'g', 15);
        default:
            return value.toString();
    }
}

// The records of a Paradox table in the layout of `table`.
class ParadoxRows {
public:
    ParadoxRows(ParadoxTable& source, const TableDefinition& table, TableImport::TableResult& result)
        : m_source(source), m_table(table) {
        const auto& fields = table.layout.fields;
        for (int i = 0; i < fields.size(); ++i) {
            const int from = source.fieldIndex(fields[i].name);
            m_map.append(from);
            if (fields[i].type == engine::FieldType::AutoInc) continue;  // assigned by our engine
            if (from < 0) {
                result.defaultedFields << fields[i].name;
            } else if (!ParadoxTable::typeSupported(source.fields()[from].type)) {
                throw EDatabaseError(QStringLiteral("Pole %1 tabulky %2 má typ, který nelze převést.")
                                         .arg(fields[i].name, native(source.path())));
            }
        }
        for (const ParadoxTable::Field& f : source.fields()) {
            if (table.layout.indexOf(f.name) < 0) result.omittedFields << f.name;
        }
        // Our common-data table always has its one row.
        m_defaultRowOnly =
            source.recordCount() == 0 && table.name.compare(QLatin1String("Hspl"), Qt::CaseInsensitive) == 0;
    }

    bool operator()(QVector<QVariant>& values) {
        const auto& fields = m_table.layout.fields;
        if (m_defaultRowOnly) {
            m_defaultRowOnly = false;
            for (int i = 0; i < fields.size(); ++i) values[i] = defaultValue(m_table, i, values);
            return true;
        }
        if (m_next >= m_source.recordCount()) return false;
        const QVector<QVariant> record = m_source.record(m_next++);
        for (int i = 0; i < fields.size(); ++i) {
            if (fields[i].type == engine::FieldType::AutoInc || m_map[i] < 0) continue;
            values[i] = forField(record[m_map[i]], fields[i]);
        }
        for (int i = 0; i < fields.size(); ++i) {
            if (m_map[i] < 0 && fields[i].type != engine::FieldType::AutoInc)
                values[i] = defaultValue(m_table, i, values);
        }
        return true;
    }

private:
    ParadoxTable& m_source;
    const TableDefinition& m_table;
    QVector<int> m_map;  // source field of each of our fields, -1 when none
    int m_next = 0;
    bool m_defaultRowOnly = false;
};

// Builds one table of `sourceDir` in `staging`. Returns its result; Missing when the source has
// no record file for it.
TableImport::TableResult stageTable(const QString& sourceDir, const QString& staging, const TableDefinition& table) {
    TableImport::TableResult result;
    result.table = table.name;
    const QString recordFile = findFileIgnoringCase(sourceDir, table.name + QStringLiteral(".DB"));
    switch (tableFileKind(recordFile)) {
        case TableFileKind::Missing:
            return result;
        case TableFileKind::Unknown:
            throw EDatabaseError(QStringLiteral("Soubor %1 není tabulka, kterou lze převzít.").arg(native(recordFile)));
        case TableFileKind::Ours: {
            for (const QString& name : TableImport::tableFiles(table)) {
                const QString from = findFileIgnoringCase(sourceDir, name);
                if (QFileInfo::exists(from) && !QFile::copy(from, staging + name)) {
                    throw EDatabaseError(QStringLiteral("Soubor %1 nelze zkopírovat.").arg(native(from)));
                }
            }
            // A copy that our engine cannot open must not replace anything.
            Connection c(staging);
            TTable t;
            t.setDatabase(&c.db);
            t.TableName = table.name + QStringLiteral(".DB");
            t.Open();
            result.records = t.RecordCount();
            t.Close();
            result.how = TableImport::TableResult::How::Copied;
            return result;
        }
        case TableFileKind::Paradox:
            break;
    }
    try {
        ParadoxTable source(recordFile);
        ParadoxRows rows(source, table, result);
        int count = 0;
        TableImport::writeTable(staging, table, [&](QVector<QVariant>& values) {
            if (!rows(values)) return false;
            ++count;
            return true;
        });
        result.records = count;
    } catch (const EDatabaseError& e) {
        throw EDatabaseError(QStringLiteral("Tabulku %1 nelze převzít.\n%2").arg(native(recordFile), e.message()));
    }
    result.how = TableImport::TableResult::How::Imported;
    return result;
}

}  // namespace

QStringList TableImport::tableFiles(const TableDefinition& table) {
    QStringList files{table.name + QStringLiteral(".DB")};
    if (table.layout.primaryKey >= 0) files << table.name + QStringLiteral(".PX");
    for (const engine::IndexDef& index : table.indexes) {
        files << table.name + QStringLiteral(".X") + index.suffix << table.name + QStringLiteral(".Y") + index.suffix;
    }
    return files;
}

TableImport::Results TableImport::importFirmDirectory(const QString& sourceDir, const QString& targetDir) {
    return importTables(sourceDir, targetDir,
                        {storage::hdathTable(), storage::hdatlTable(), storage::hdokTable(), storage::hsplTable()});
}

TableImport::Results TableImport::importRegister(const QString& sourceDir, const QString& targetDir) {
    return importTables(sourceDir, targetDir, {storage::dataTable(), storage::uzivTable()});
}

TableImport::Results TableImport::importTables(const QString& sourceDir, const QString& targetDir,
                                               const QVector<TableDefinition>& tables) {
    if (!QDir().mkpath(targetDir)) {
        throw EDatabaseError(QStringLiteral("Adresář %1 nelze vytvořit.").arg(native(targetDir)));
    }
    // The staging directory lies inside the target, on the same file system, so that moving a
    // finished table into place is a rename.
    QTemporaryDir stagingDir(targetDir + QStringLiteral(".prevzeti-XXXXXX"));
    if (!stagingDir.isValid()) {
        throw EDatabaseError(QStringLiteral("Adresář %1 nelze vytvořit.").arg(native(targetDir)));
    }
    const QString staging = stagingDir.path() + QLatin1Char('/');
    Results results;
    for (const TableDefinition& table : tables) {
        const QString tableDir = staging + table.name + QLatin1Char('/');
        QDir().mkpath(tableDir);
        results.append(stageTable(sourceDir, tableDir, table));
    }

    // Index files first and record files last: should the move be interrupted, a record file
    // that is already in place finds index files that are stale at worst, which our engine
    // rebuilds, and a record file not yet moved keeps the target's old table whole.
    for (const bool recordFiles : {false, true}) {
        for (int i = 0; i < tables.size(); ++i) {
            if (results[i].how == TableResult::How::Missing) continue;
            const QString tableDir = staging + tables[i].name + QLatin1Char('/');
            for (const QString& name : tableFiles(tables[i])) {
                if (name.endsWith(QLatin1String(".DB")) != recordFiles || !QFileInfo::exists(tableDir + name)) continue;
                renameOrThrow(tableDir + name, targetDir + name);
            }
        }
    }
    if (!engine::FileSystem::current().syncDirectory(targetDir)) {
        throw EDBEngineError(EngineErrorCode::IoError,
                             QStringLiteral("Adresář %1 nelze zapsat.").arg(native(targetDir)));
    }
    return results;
}

// The one place where imported records enter our engine. It writes through the dataset calls:
// the table is created without its secondary indexes, so that each record is appended to the
// key order only, the wait for the disk after each record is left out (the table is new and
// nobody else sees it), the unique indexes are checked here, and the indexes are built once,
// when the finished table is first opened. The whole directory is made durable at the end.
void TableImport::writeTable(const QString& dir, const TableDefinition& table, const RowSource& rows) {
    TTable::CreateTable(dir, table.name, table.layout, table.indexes, storage::tablePassword());
    {
        Connection c(dir);
        TTable t;
        t.setDatabase(&c.db);
        t.TableName = table.name + QStringLiteral(".DB");
        t.Open();
        const auto& fields = table.layout.fields;
        QVector<QHash<QString, int>> seen(table.indexes.size());  // unique index -> key text -> record
        // The records go in as durable batches of many records each: the whole table is written
        // in a few syncs. A batch grows with the table (each one sorts the indexes anew, so
        // fewer, larger batches cost less), up to a size that keeps its rows' memory modest.
        QVector<QVector<QVariant>> batch;
        int batchStart = 1;
        const auto batchSize = [&] { return std::clamp<qsizetype>((batchStart - 1) / 4, 20000, 100000); };
        const auto flush = [&] {
            if (batch.isEmpty()) return;
            try {
                t.AppendRecords(batch);
            } catch (const EDatabaseError& e) {
                throw EDatabaseError(QStringLiteral("Záznamy č. %1 až %2 tabulky %3 nelze uložit: %4")
                                         .arg(batchStart)
                                         .arg(batchStart + batch.size() - 1)
                                         .arg(table.name, e.message()));
            }
            batchStart += int(batch.size());
            batch.clear();
        };
        QVector<QVariant> values(fields.size());
        for (int recno = 1;; ++recno) {
            values.fill(QVariant());
            if (!rows(values)) break;
            const auto refuse = [&](const QString& why) {
                return EDatabaseError(
                    QStringLiteral("Záznam č. %1 tabulky %2 nelze uložit: %3").arg(recno).arg(table.name, why));
            };
            // Each value is checked here, where the record's number can still be named.
            QVector<QVariant> row(fields.size());
            for (int i = 0; i < fields.size(); ++i) {
                if (fields[i].type == engine::FieldType::AutoInc || !values[i].isValid()) continue;
                try {
                    row[i] = engine::convertValue(fields[i], values[i], fields[i].name);
                } catch (const EDatabaseError& e) {
                    throw refuse(e.message());
                }
            }
            for (int k = 0; k < table.indexes.size(); ++k) {
                const engine::IndexDef& index = table.indexes[k];
                if (!index.unique) continue;
                const QVariant& v = row[index.field];
                const QString key = v.isValid() ? v.toString() : QStringLiteral("\x01");
                if (seen[k].contains(key)) {
                    const QString label = storage::displayLabel(table.name, fields[index.field].name);
                    throw refuse(QStringLiteral("hodnota %1 pole '%2' je již v záznamu č. %3.")
                                     .arg(v.isValid() ? v.toString() : QStringLiteral("(prázdná)"), label)
                                     .arg(seen[k].value(key)));
                }
                seen[k].insert(key, recno);
            }
            batch.push_back(std::move(row));
            if (batch.size() >= batchSize()) flush();
        }
        flush();
        t.Close();
        c.db.Close();
    }
    syncFiles(dir, tableFiles(table));
}

}  // namespace interchange
