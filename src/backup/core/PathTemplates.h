#pragma once

#include <QDate>
#include <QString>

namespace backup {

// What the path templates rest on: the directories of this run and the names of the open firm.
// Directories given "with '/'" end with the separator; the two system directories never do.
struct PathEnvironment {
    QString fileDirLocal;       // local data directory, with '/'
    QString fileDir;            // data directory in use, with '/'
    QString configuredDataDir;  // data path from Data.ini, with '/'; empty when Data.ini names none
    QString commonAppDataDir;   // common application data directory; empty when unavailable
    QString documentsDir;       // the user's documents directory; empty when unavailable
    QString firmDirName;        // directory name of the open firm ("D1")
    QString firmFileName;       // firm name for file names (see fileNameStem)
    QString localityName;       // locality name of the common data (Hspl.Lks), as stored
    QDate today;
};

// Archive and text-file paths as the user sees and stores them, with the placeholders
// "%AdresarDat%", "%AdresarUziv%", "%Disk%" (only at the start), "%Datum%" and "%Lokalita%"
// (anywhere, first occurrence). Placeholders match without regard to letter case. Stored paths
// keep the placeholders, so that they survive a change of user or system directories.
//
// Locations: 1 the data location, 2 the documents location, 3 a removable medium, 4 none.
// Kinds: 1 an archive (proposed and relative paths go below "Zaloha/"), 4 a text file (below
// "TXT/"), 10 a path that must be complete (a relative one is refused).
//
// On this platform "a path with a drive" is an absolute path, and the "drive" of a path is the
// mount point of the volume it lies on; "%Disk%" stands for the mount directory of a removable
// medium, which the user puts in its place.
class PathTemplates {
public:
    explicit PathTemplates(PathEnvironment environment);

    // The two texts that stand for a path that cannot be used.
    static const QString kSetPath;         // "Nastavte správně cestu."
    static const QString kSetDriveLetter;  // "Nastavte písmeno disku (např. F:)."
    // True when `expanded` is one of the two texts above, in any letter case.
    static bool isUnusable(const QString& expanded);

    // `text` trimmed, with the nine characters that file names cannot hold removed (\ / : * ? "
    // < > |) and "%", which marks placeholders in paths, trimmed again.
    static QString fileNameSafe(const QString& text);
    // The firm name for archive file names (NazevSb1): the label heading made file-name safe,
    // or the firm directory name when nothing is left.
    static QString fileNameStem(const QString& labelHeading, const QString& firmDirName);

    // CestyTyp1: the proposed path for `location` and `kind` in placeholder form. The file name
    // of an archive is `prefix` + the firm directory name (or the firm name when `firmNameStem`)
    // + ".zip"; that of a text file `prefix` + "%Lokalita%.txt".
    QString proposal(int location, int kind, const QString& prefix = QString(), bool firmNameStem = false) const;
    // CestyTyp2: the full path of a stored path, or kSetDriveLetter / kSetPath when it cannot be
    // used (a placeholder left, an unavailable system directory, nothing at all).
    QString expand(const QString& path, int kind) const;
    // CestyTyp3: a full path folded into placeholder form: a path inside the common application
    // data directory starts with "%AdresarDat%", one inside the documents directory with
    // "%AdresarUziv%". Anything else is returned unchanged.
    QString fold(const QString& fullPath) const;
    // DirTyp: the directory a file dialog starts in, with '/'. Kind 1 the parent of the local data
    // directory; 2 the drive of `path`, or the Corvex folder of the system directory `path` lies
    // in, or the configured data path; 3 the drive of the data directory; 4 the local data
    // directory; 5 the drive of the local data directory. A directory that does not exist gives
    // the local data directory.
    QString dialogDirectory(int kind, const QString& path = QString()) const;
    // The directory a file dialog for the expanded path `expanded` starts in: the local data
    // directory (DirTyp 4) when the path is unusable, the path's own directory when it exists,
    // else DirTyp 2 of the path.
    QString fileDialogDirectory(const QString& expanded) const;
    // DirTyp2: the common application data directory + "/Corvex/" when `path` starts with
    // "%AdresarDat%" followed by "Corvex" and a separator and that directory is available; else
    // `defaultDir`.
    QString corvexDirectory(const QString& path, const QString& defaultDir) const;

    // The locality name for file names: fileNameSafe of the stored name, or the firm directory
    // name when nothing is left.
    QString localityForFileNames() const;

    // The mount point of the volume that holds `path` (or would, for a path that does not exist
    // yet), with '/'; empty for a relative path.
    static QString driveOf(const QString& path);

private:
    QString replaceAtStart(const QString& path, const QString& placeholder, const QString& directory) const;

    PathEnvironment m_env;
};

}  // namespace backup
