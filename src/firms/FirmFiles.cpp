#include "FirmFiles.h"

#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <system_error>

#include "Main.h"
#include "OsFileLock.h"

namespace firms {

namespace {

QString temporaryFor(const QString& target) {
    return target + QStringLiteral(".kopie");
}

// Copies `from` beside `to` under the temporary name; false (and no temporary) on failure.
bool copyBeside(const QString& from, const QString& to) {
    if (!QFileInfo(from).isFile()) return false;
    const QString temporary = temporaryFor(to);
    QFile::remove(temporary);
    if (QFile::copy(from, temporary)) return true;
    QFile::remove(temporary);
    return false;
}

// rename() replaces the target in one step; the old file stays until then.
bool replaceByTemporary(const QString& to) {
    const QString temporary = temporaryFor(to);
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(QFile::encodeName(temporary).toStdString()),
                            std::filesystem::path(QFile::encodeName(to).toStdString()), error);
    if (error) QFile::remove(temporary);
    return !error;
}

}  // namespace

bool copyFileOverwriting(const QString& from, const QString& to) {
    return copyBeside(from, to) && replaceByTemporary(to);
}

bool copyFileSetOverwriting(const QStringList& names, const QString& from, const QString& to, QString* failed) {
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (copyBeside(from + names[i], to + names[i])) continue;
        for (qsizetype j = 0; j < i; ++j) QFile::remove(temporaryFor(to + names[j]));
        if (failed) *failed = from + names[i];
        return false;
    }
    for (const QString& name : names) {
        if (replaceByTemporary(to + name)) continue;
        if (failed) *failed = from + name;
        for (const QString& rest : names) QFile::remove(temporaryFor(to + rest));
        return false;
    }
    return true;
}

void deleteStaleLocks(const QString& dir) {
    if (engine::deleteStaleLockFile(dir + QStringLiteral("Pdoxusrs.lck"))) {
        engine::deleteStaleLockFile(dir + QStringLiteral("Paradox.lck"));
    }
}

bool isFirmDirName(const QString& name) {
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'));
}

namespace {
// The program year without its second digit: 2013 gives "213".
QString yearSuffix() {
    QString year = QString::number(TMainForm::kYear);
    year.remove(1, 1);
    return year;
}
}  // namespace

QString conversionCheckedKey() {
    return QStringLiteral("Prevod") + yearSuffix();
}
QString conversionRequestedKey() {
    return conversionCheckedKey() + QLatin1Char('o');
}

}  // namespace firms
