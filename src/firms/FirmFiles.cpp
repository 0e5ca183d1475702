#include "FirmFiles.h"

#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <system_error>

#include "Main.h"
#include "OsFileLock.h"

namespace firms {

bool copyFileOverwriting(const QString& from, const QString& to) {
    if (!QFileInfo(from).isFile()) return false;
    const QString temporary = to + QStringLiteral(".kopie");
    QFile::remove(temporary);
    if (!QFile::copy(from, temporary)) {
        QFile::remove(temporary);
        return false;
    }
    // rename() replaces the target in one step; the old file stays until then.
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(QFile::encodeName(temporary).toStdString()),
                            std::filesystem::path(QFile::encodeName(to).toStdString()), error);
    if (error) {
        QFile::remove(temporary);
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
