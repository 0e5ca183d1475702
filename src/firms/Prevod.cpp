// Taking over the data of an earlier release: main-window operations that work on the firm
// selection's register. The earlier editions kept their tables in the Paradox format; they are
// imported into our tables (interchange::TableImport) instead of being copied, so that the
// firms open in this program. Tables already in our format are copied as they are.

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "Au8.h"
#include "Auto1.h"
#include "FirmFiles.h"
#include "Globals.h"
#include "HourglassCursor.h"
#include "IniFile.h"
#include "Main.h"
#include "MessageBox.h"
#include "TableFileKind.h"
#include "TableImport.h"
#include "TableLayouts.h"

namespace {

const QString kSporin = QStringLiteral("Sporin");
const QString kVyber = QStringLiteral("Vyber");

// The directory of a file path, ending with "/".
QString directoryOf(const QString& path) {
    return QFileInfo(path).absolutePath() + QLatin1Char('/');
}

// A directory as the earlier editions wrote it into Sporin.ini (Windows separators), ending with "/".
QString asDirectory(QString dir) {
    dir.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!dir.isEmpty() && !dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
    return dir;
}

// Files copied from Windows may carry another letter case ("DATA.DB").
bool holds(const QString& dir, const QString& name) {
    return QFileInfo::exists(interchange::findFileIgnoringCase(dir, name));
}

// Only a register that is open and has no rows is empty: one that could not be opened may hold
// firms, and taking data over would overwrite them.
bool registerEmpty() {
    return Auto1Form && Auto1Form->Auto1.Active() && Auto1Form->Auto1.IsEmpty();
}

bool tryOpen(TTable& table) {
    try {
        if (!table.Active()) table.Open();
    } catch (const EDatabaseError&) {
    }
    return table.Active();
}

// The directory names of the register's firms, in key order. Throws EDatabaseError.
QStringList registerDirectories() {
    TTable& walk = Auto1Form->AutoP2;
    walk.Close();
    walk.setDatabase(&Auto1Form->Nazvy);
    walk.Open();
    QStringList dirs;
    for (walk.First(); !walk.Eof(); walk.Next())
        dirs << walk.FieldByName(QStringLiteral("Adresar"))->AsString().trimmed();
    walk.Close();
    return dirs;
}

// After a failed conversion the register is the empty one of the template set again.
void resetRegister(TMainForm& main) {
    Auto1Form->Auto1.Close();
    Auto1Form->Uziv.Close();
    Auto1Form->Nazvy.Close();
    TMainForm::KopSezn1(main.FileDir + QStringLiteral("Data/"), main.FileDir, 1);
    TMainForm::KopSezn1(main.FileDir + QStringLiteral("Data/"), main.FileDir, 2);
    tryOpen(Auto1Form->Auto1);
    tryOpen(Auto1Form->Uziv);
}

}  // namespace

void TMainForm::KontrolaInst1() {
    if (dataDirNotFound || !Auto1Form) return;
    IniFile local(FileDirLocal + QStringLiteral("Sporin.ini"));
    if (local.readString(kSporin, firms::conversionCheckedKey()) == QLatin1String("1")) return;
    const QString requested = local.readString(kSporin, firms::conversionRequestedKey());
    local.writeString(kSporin, firms::conversionCheckedKey(), QStringLiteral("1"));

    // Each release installs into "Lamelin <year>" beside the program or the data directory;
    // the latest one found wins.
    QString path;
    bool convert = true;
    auto parentOf = [](QString dir) {
        while (dir.endsWith(QLatin1Char('/'))) dir.chop(1);
        return QFileInfo(dir).path() + QLatin1Char('/');
    };
    for (int year = 2002; year < kYear; ++year) {
        for (const QString& base : {FileDirPrg, FileDirLocal}) {
            const QString candidate = parentOf(base) + QStringLiteral("Lamelin %1/").arg(year);
            if (candidate.compare(FileDirLocal, Qt::CaseInsensitive) != 0 &&
                holds(candidate, QStringLiteral("Data.DB")) && holds(candidate, QStringLiteral("Sporin.ini"))) {
                path = interchange::findFileIgnoringCase(candidate, QStringLiteral("Data.DB"));
            }
        }
    }
    if (registerEmpty() && (!path.isEmpty() || requested == QLatin1String("1"))) {
        TAu8Form dialog(path, convert, this);
        dialog.exec();
        path = dialog.path();
        convert = dialog.convert();
    }
    if (convert) KontrolaInst2(FileDirLocal + QStringLiteral("Data.DB"), path);
}

void TMainForm::KontrolaInst2(const QString& current, const QString& earlier) {
    if (earlier.isEmpty() || !Auto1Form) return;
    const QString earlierDir = directoryOf(earlier);
    if (earlierDir.compare(directoryOf(current), Qt::CaseInsensitive) == 0) return;
    if (!holds(earlierDir, QStringLiteral("Data.DB")) || !holds(earlierDir, QStringLiteral("Sporin.ini"))) return;
    if (!registerEmpty()) return;

    bool ok = true;
    QString reason;
    QStringList omitted;
    QString source;
    {
        HourglassCursor wait;
        const IniFile old(interchange::findFileIgnoringCase(earlierDir, QStringLiteral("Sporin.ini")));
        const QString oldNet = old.readString(kSporin, QStringLiteral("Net"));
        const QString oldPath = asDirectory(old.readString(kSporin, QStringLiteral("Path")));
        IniFile local(FileDirLocal + QStringLiteral("Sporin.ini"));
        const QString net = local.readString(kSporin, QStringLiteral("Net"));
        const QString path = asDirectory(local.readString(kSporin, QStringLiteral("Path")));
        local.writeString(kSporin, QStringLiteral("Razeni"), old.readString(kSporin, QStringLiteral("Razeni")));
        local.writeString(kSporin, firms::conversionRequestedKey(), QStringLiteral("1"));
        local.writeInteger(kVyber, QStringLiteral("Pos"), old.readInteger(kVyber, QStringLiteral("Pos"), 1));
        local.writeInteger(kVyber, QStringLiteral("Cislo"), old.readInteger(kVyber, QStringLiteral("Cislo"), 1));

        // An earlier installation that worked on network data had its register and firms there.
        const bool oldShared = oldNet == QLatin1String("1") && !oldPath.isEmpty();
        source = oldShared ? oldPath : earlierDir;
        // Both on the same shared data: there is nothing to take over.
        const bool sameShared =
            oldShared && net == QLatin1String("1") && oldPath.compare(path, Qt::CaseInsensitive) == 0;
        if (!sameShared) {
            ok = PrevodVozidel1(source);
            if (ok) ok = PrevodVozidel2(source, &reason, &omitted);
        }
    }
    if (!reason.isEmpty()) MessageBox::error(reason);
    const QString where = QStringLiteral("\n\n") + QDir::toNativeSeparators(source);
    if (ok && !omitted.isEmpty()) {
        MessageBox::information(
            QStringLiteral("Tato pole předchozí verze program nezná, jejich obsah nebyl převeden:\n\n") +
            omitted.join(QLatin1Char('\n')));
    }
    if (ok) {
        MessageBox::information(QStringLiteral("Data byla převedena z adresáře: ") + where);
    } else {
        MessageBox::error(QStringLiteral("Data se nepodařilo převést z adresáře: ") + where);
    }
}

bool TMainForm::PrevodVozidel1(const QString& dir) {
    TAuto1Form* form = Auto1Form;
    if (!form) return false;
    form->Auto1.Close();
    form->Uziv.Close();
    form->Nazvy.Close();
    // The index by name goes; the register upgrade adds it again when the earlier register
    // has none.
    QFile::remove(FileDir + QStringLiteral("Data.X03"));
    QFile::remove(FileDir + QStringLiteral("Data.Y03"));

    bool ok = true;
    try {
        // Without a register there is nothing to take over (a shared directory of the earlier
        // installation that is gone or not reachable): that is a failure, not a conversion.
        const auto results = interchange::TableImport::importRegister(dir, FileDir);
        ok = results.value(0).how != interchange::TableImport::TableResult::How::Missing;
    } catch (const EDatabaseError&) {
        ok = false;
    }
    PrevodSeznF1();
    ok = ok && form->Auto1.Active() && form->Uziv.Active();
    if (ok) {
        // Every firm of the register must bring its three main tables; its directory name must
        // name a directory inside the data directory, never a path elsewhere.
        try {
            for (const QString& name : registerDirectories()) {
                const QString firmDir = dir + name + QLatin1Char('/');
                ok = ok && firms::isFirmDirName(name) && holds(firmDir, QStringLiteral("Hdath.DB")) &&
                     holds(firmDir, QStringLiteral("Hdatl.DB")) && holds(firmDir, QStringLiteral("Hdok.DB"));
            }
        } catch (const EDatabaseError&) {
            form->Nazvy.Close();
            ok = false;
        }
    }
    if (!ok) resetRegister(*this);
    return ok;
}

bool TMainForm::PrevodVozidel2(const QString& dir, QString* reason, QStringList* omitted) {
    if (!Auto1Form) return false;
    QStringList names;
    try {
        names = registerDirectories();
    } catch (const EDatabaseError& e) {
        if (reason) *reason = e.message();
        resetRegister(*this);
        return false;
    }
    const QVector<storage::TableDefinition> tables{storage::hdathTable(), storage::hdatlTable(), storage::hdokTable(),
                                                   storage::hsplTable()};
    QStringList created;
    bool ok = true;
    for (const QString& name : names) {
        if (!firms::isFirmDirName(name)) continue;
        const QString from = dir + name + QLatin1Char('/');
        const QString to = FileDir + name + QLatin1Char('/');
        if (!QFileInfo(to).isDir()) created << to;
        try {
            const auto results = interchange::TableImport::importTables(from, to, tables);
            // Fields of the earlier tables that ours do not have cannot come along; the user is
            // told which, so that nothing is left behind unnoticed.
            for (const auto& r : results) {
                if (omitted && !r.omittedFields.isEmpty()) {
                    *omitted << QDir::toNativeSeparators(name + QLatin1Char('/') + r.table) + QStringLiteral(": ") +
                                    r.omittedFields.join(QStringLiteral(", "));
                }
            }
            // A table the earlier firm lacks starts empty, as in a new firm.
            for (int i = 0; i < tables.size(); ++i) {
                if (results[i].how != interchange::TableImport::TableResult::How::Missing) continue;
                if (QFile::exists(to + tables[i].name + QStringLiteral(".DB"))) continue;
                for (const QString& file : interchange::TableImport::tableFiles(tables[i])) {
                    firms::copyFileOverwriting(FileDir + QStringLiteral("Data/") + file, to + file);
                }
            }
        } catch (const EDatabaseError& e) {
            if (reason) *reason = e.message();
            ok = false;
            break;
        }
        // The firm's settings come along, without the saved backup paths of the earlier place.
        const QString settings = to + name + QStringLiteral(".ini");
        if (firms::copyFileOverwriting(interchange::findFileIgnoringCase(from, name + QStringLiteral(".ini")),
                                       settings)) {
            IniFile ini(settings);
            ini.eraseSection(QStringLiteral("Cesty"));
            ini.eraseSection(QStringLiteral("TXT"));
        }
    }
    if (ok) return true;
    // Undo: the firm directories this conversion made go again, and the register is empty.
    for (const QString& d : created) QDir(d).removeRecursively();
    resetRegister(*this);
    return false;
}
