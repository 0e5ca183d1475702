#include "TemplateSet.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "DataFiles.h"
#include "EngineError.h"
#include "TDatabase.h"
#include "TSession.h"
#include "TTable.h"
#include "TableLayouts.h"
#include "TablePassword.h"

namespace storage {
namespace {

void createTable(const QString& dir, const TableDefinition& t) {
    TTable::CreateTable(dir, t.name, t.layout, t.indexes, tablePassword());
}

void ensureDir(const QString& dir) {
    if (!QDir().mkpath(dir)) {
        throw EDatabaseError(QStringLiteral("Adresář %1 nelze vytvořit.").arg(QDir::toNativeSeparators(dir)));
    }
}

}  // namespace

void TemplateSet::createFirmTables(const QString& dir) {
    ensureDir(dir);
    for (const TableDefinition& t : {hdathTable(), hdatlTable(), hdokTable(), hsplTable()}) createTable(dir, t);

    // The common-data table always has its one row; a new firm starts numbering cards at 1.
    TSession session(QStringLiteral("TemplateSession"));
    session.setNetFileDir(dir);
    session.AddPassword(tablePassword());
    TDatabase db(&session, QStringLiteral("Template"));
    db.Params = {QStringLiteral("PATH=") + dir, QStringLiteral("DEFAULT DRIVER=PARADOX"), QStringLiteral("ENABLE BCD=FALSE")};
    TTable hspl;
    hspl.setDatabase(&db);
    hspl.TableName = QStringLiteral("Hspl.DB");
    hspl.Open();
    hspl.Append();
    hspl.FieldByName(QStringLiteral("Cislo"))->setAsInteger(1);
    hspl.FieldByName(QStringLiteral("Ko"))->setAsInteger(1);
    hspl.FieldByName(QStringLiteral("Ko1"))->setAsInteger(1);
    hspl.Post();
    hspl.Close();
    db.Close();
    // The lock files belong to open tables, not to the template.
    QFile::remove(QDir(dir).filePath(QStringLiteral("Paradox.lck")));
    QFile::remove(QDir(dir).filePath(QStringLiteral("Pdoxusrs.lck")));
}

void TemplateSet::createRegister(const QString& dir) {
    ensureDir(dir);
    createTable(dir, dataTable());
    createTable(dir, uzivTable());
}

void TemplateSet::createTemplateSet(const QString& dataDir) {
    const QString target = QDir(dataDir).filePath(QStringLiteral("Data"));
    ensureDir(target);
    const QStringList wanted = dataFileList() + registerFileList();
    bool complete = true;
    for (const QString& f : wanted) complete = complete && QFile::exists(QDir(target).filePath(f));
    if (!complete) {
        // Build a whole new set beside it and move in only what is missing, so existing
        // files are never touched.
        QTemporaryDir scratch(QDir(dataDir).filePath(QStringLiteral("Data-new-XXXXXX")));
        if (!scratch.isValid()) {
            throw EDatabaseError(QStringLiteral("Adresář %1 nelze vytvořit.").arg(QDir::toNativeSeparators(dataDir)));
        }
        createFirmTables(scratch.path());
        createRegister(scratch.path());
        for (const QString& f : wanted) {
            const QString to = QDir(target).filePath(f);
            if (!QFile::exists(to) && !QFile::rename(QDir(scratch.path()).filePath(f), to)) {
                throw EDatabaseError(QStringLiteral("Soubor %1 nelze vytvořit.").arg(QDir::toNativeSeparators(to)));
            }
        }
    }
    const QString verze = QDir(target).filePath(QStringLiteral("Verze.ini"));
    if (!QFile::exists(verze)) {
        QFile f(verze);
        // Plain ASCII is also valid Windows-1250, the character set of all settings files.
        if (!f.open(QIODevice::WriteOnly) ||
            f.write(QStringLiteral("[Verze]\r\nData=%1\r\n").arg(kProgramVersion).toLatin1()) < 0) {
            throw EDatabaseError(QStringLiteral("Soubor %1 nelze vytvořit.").arg(QDir::toNativeSeparators(verze)));
        }
    }
}

bool TemplateSet::prepareDataDirectory(const QString& dataDir) {
    ensureDir(dataDir);
    bool changed = false;
    const QString target = QDir(dataDir).filePath(QStringLiteral("Data"));
    QStringList wanted = dataFileList() + registerFileList();
    wanted << QStringLiteral("Verze.ini");
    for (const QString& f : wanted) changed = changed || !QFile::exists(QDir(target).filePath(f));
    createTemplateSet(dataDir);
    if (!QFile::exists(QDir(dataDir).filePath(QStringLiteral("Data.DB")))) {
        // The register of the data directory starts as a copy of the template's empty one.
        for (const QString& f : registerFileList()) {
            const QString to = QDir(dataDir).filePath(f);
            QFile::remove(to);
            if (!QFile::copy(QDir(target).filePath(f), to)) {
                throw EDatabaseError(QStringLiteral("Soubor %1 nelze vytvořit.").arg(QDir::toNativeSeparators(to)));
            }
        }
        changed = true;
    }
    return changed;
}

QString TemplateSet::defaultDataDirectory() {
    const QString common = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QDir(common).filePath(QStringLiteral("Corvex/Lamelin %1")).arg(kProgramYear) + QLatin1Char('/');
}

}  // namespace storage
