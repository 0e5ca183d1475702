#include "PathTemplates.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

#include "DataFiles.h"

namespace backup {
namespace {

const QString kAdresarDat = QStringLiteral("%AdresarDat%");
const QString kAdresarUziv = QStringLiteral("%AdresarUziv%");
const QString kDisk = QStringLiteral("%Disk%");
const QString kDatum = QStringLiteral("%Datum%");
const QString kLokalita = QStringLiteral("%Lokalita%");

// File names differ by letter case on this platform: a folded path must name the same file
// when it is expanded again.
#ifdef Q_OS_WIN
constexpr Qt::CaseSensitivity kPathCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity kPathCase = Qt::CaseSensitive;
#endif

QString withSlash(const QString& dir) {
    return dir.isEmpty() || dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
}

QString withoutSlash(QString dir) {
    while (dir.size() > 1 && dir.endsWith(QLatin1Char('/'))) dir.chop(1);
    return dir;
}

// True when `path` is `dir` itself or lies inside it. A directory "/a/b" does not contain
// "/a/bc": folding that one would expand to another file.
bool inside(const QString& path, const QString& dir) {
    const QString base = withoutSlash(dir);
    if (base.isEmpty() || !path.startsWith(base, kPathCase)) return false;
    return path.size() == base.size() || path.at(base.size()) == QLatin1Char('/') || base == QLatin1String("/");
}

void replaceFirst(QString& text, const QString& placeholder, const QString& value) {
    const qsizetype at = text.indexOf(placeholder, 0, Qt::CaseInsensitive);
    if (at >= 0) text.replace(at, placeholder.size(), value);
}

bool hasDrive(const QString& path) {
    return QDir::isAbsolutePath(path);
}

}  // namespace

const QString PathTemplates::kSetPath = QStringLiteral("Nastavte správně cestu.");
const QString PathTemplates::kSetDriveLetter = QStringLiteral("Nastavte písmeno disku (např. F:).");

PathTemplates::PathTemplates(PathEnvironment environment) : m_env(std::move(environment)) {}

bool PathTemplates::isUnusable(const QString& expanded) {
    // A path field may hold the text as the user retyped it, in other letter case.
    return expanded.compare(kSetPath, Qt::CaseInsensitive) == 0 ||
           expanded.compare(kSetDriveLetter, Qt::CaseInsensitive) == 0;
}

QString PathTemplates::fileNameSafe(const QString& text) {
    QString s = text.trimmed();
    for (const QChar c : QStringLiteral("\\/:*?\"<>|")) s.remove(c);
    // A "%" left in a name put into a path would read as an unfinished placeholder, and the
    // path would be refused ("Nastavte správně cestu.") though the user wrote nothing wrong.
    s.remove(QLatin1Char('%'));
    return s.trimmed();
}

QString PathTemplates::fileNameStem(const QString& labelHeading, const QString& firmDirName) {
    const QString name = fileNameSafe(labelHeading);
    return name.isEmpty() ? firmDirName : name;
}

QString PathTemplates::localityForFileNames() const {
    return fileNameStem(m_env.localityName, m_env.firmDirName);
}

QString PathTemplates::proposal(int location, int kind, const QString& prefix, bool firmNameStem) const {
    const QString tail = QStringLiteral("/Corvex/Lamelin %1/").arg(storage::kProgramYear);
    QString path;
    switch (location) {
        case 1:
            path = m_env.configuredDataDir.isEmpty() ? kAdresarDat + tail : withSlash(m_env.configuredDataDir);
            break;
        case 2:
            path = kAdresarUziv + tail;
            break;
        case 3:
            path = kDisk + tail;
            break;
        default:
            break;
    }
    if (kind == 1) {
        if (location != 4) path += QStringLiteral("Zaloha/");
        path += prefix + (firmNameStem ? m_env.firmFileName : m_env.firmDirName) + QStringLiteral(".zip");
    } else if (kind == 4) {
        path += QStringLiteral("TXT/") + prefix + kLokalita + QStringLiteral(".txt");
    }
    return path;
}

QString PathTemplates::replaceAtStart(const QString& path, const QString& placeholder, const QString& directory) const {
    QString rest = path.mid(placeholder.size());
    if (!rest.startsWith(QLatin1Char('/'))) rest.prepend(QLatin1Char('/'));
    return directory.isEmpty() ? QString() : directory + rest;
}

QString PathTemplates::expand(const QString& path, int kind) const {
    QString result = path;
    if (result.startsWith(kAdresarDat, Qt::CaseInsensitive)) {
        result = replaceAtStart(result, kAdresarDat, m_env.commonAppDataDir);
    }
    if (result.startsWith(kAdresarUziv, Qt::CaseInsensitive)) {
        result = replaceAtStart(result, kAdresarUziv, m_env.documentsDir);
    }
    replaceFirst(result, kLokalita, localityForFileNames());
    replaceFirst(result, kDatum, m_env.today.toString(QStringLiteral("dd.MM.yyyy")));
    if (!hasDrive(result) && !result.isEmpty() && !result.contains(QLatin1Char('%'))) {
        if (result.startsWith(QLatin1Char('\\'))) result.remove(0, 1);
        if (kind == 1) {
            result.prepend(m_env.fileDirLocal + QStringLiteral("Zaloha/"));
        } else if (kind == 4) {
            result.prepend(m_env.fileDirLocal + QStringLiteral("TXT/"));
        } else if (kind == 10) {
            result.clear();
        }
    }
    if (result.startsWith(kDisk, Qt::CaseInsensitive)) return kSetDriveLetter;
    if (result.isEmpty() || result.contains(QLatin1Char('%'))) return kSetPath;
    return result;
}

QString PathTemplates::fold(const QString& fullPath) const {
    if (inside(fullPath, m_env.commonAppDataDir)) {
        return kAdresarDat + fullPath.mid(withoutSlash(m_env.commonAppDataDir).size());
    }
    if (inside(fullPath, m_env.documentsDir)) {
        return kAdresarUziv + fullPath.mid(withoutSlash(m_env.documentsDir).size());
    }
    return fullPath;
}

QString PathTemplates::driveOf(const QString& path) {
    if (!hasDrive(path)) return QString();
    // The volume of the nearest directory that exists: a target may not have been created yet.
    QString existing = QDir::cleanPath(path);
    while (!QFileInfo::exists(existing) && existing != QLatin1String("/")) existing = QFileInfo(existing).path();
    const QStorageInfo volume(existing);
    return withSlash(volume.isValid() ? volume.rootPath() : QStringLiteral("/"));
}

QString PathTemplates::dialogDirectory(int kind, const QString& path) const {
    QString dir;
    switch (kind) {
        case 1:
            dir = withSlash(QFileInfo(withoutSlash(m_env.fileDirLocal)).path());
            break;
        case 2:
            dir = driveOf(path);
            if (dir.isEmpty()) dir = m_env.fileDirLocal;
            if (inside(path, m_env.commonAppDataDir)) dir = m_env.commonAppDataDir + QStringLiteral("/Corvex/");
            if (inside(path, m_env.configuredDataDir)) dir = withSlash(m_env.configuredDataDir);
            if (inside(path, m_env.documentsDir)) {
                dir = m_env.documentsDir + QStringLiteral("/Corvex/");
                if (!QFileInfo(dir).isDir()) dir = m_env.documentsDir + QLatin1Char('/');
            }
            break;
        case 3:
            dir = driveOf(m_env.fileDir);
            break;
        case 4:
            dir = m_env.fileDirLocal;
            break;
        case 5:
            dir = driveOf(m_env.fileDirLocal);
            break;
        default:
            break;
    }
    return !dir.isEmpty() && QFileInfo(dir).isDir() ? dir : m_env.fileDirLocal;
}

QString PathTemplates::fileDialogDirectory(const QString& expanded) const {
    if (isUnusable(expanded)) return dialogDirectory(4);
    const QString dir = QFileInfo(expanded).path();
    return QFileInfo(dir).isDir() ? dir : dialogDirectory(2, expanded);
}

QString PathTemplates::corvexDirectory(const QString& path, const QString& defaultDir) const {
    if (m_env.commonAppDataDir.isEmpty() || !path.startsWith(kAdresarDat, Qt::CaseInsensitive)) return defaultDir;
    // Paths written on Windows by the earlier edition separate with backslashes.
    QString rest = path.mid(kAdresarDat.size());
    rest.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!rest.startsWith(QStringLiteral("/Corvex/"), Qt::CaseInsensitive)) return defaultDir;
    return m_env.commonAppDataDir + QStringLiteral("/Corvex/");
}

}  // namespace backup
