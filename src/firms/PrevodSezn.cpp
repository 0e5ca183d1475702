// The register upgrade and the copying of register file sets: main-window operations that work
// on the firm selection's register datasets.

#include <QFile>
#include <QFileInfo>

#include "Auto1.h"
#include "DataFiles.h"
#include "EngineError.h"
#include "FirmFiles.h"
#include "Globals.h"
#include "Main.h"

namespace {

// Opens `table`, answering whether it opened.
bool tryOpen(TTable& table) {
    try {
        table.Open();
    } catch (const EDatabaseError&) {
        return false;
    }
    return table.Active();
}

// Fills the template register of `templates` (FileDir + "Data") with the rows of the earlier
// register read through `old`, each firm's own position being its number. Throws on failure.
void convertInto(TTable& target, TTable& old, TDatabase& templates) {
    target.setDatabase(&templates);
    target.Open();
    old.Open();
    while (!target.IsEmpty()) {
        target.First();
        target.Delete();
    }
    for (old.First(); !old.Eof(); old.Next()) {
        target.Append();
        const int number = old.FieldByName(QStringLiteral("Cislo"))->AsInteger();
        target.FieldByName(QStringLiteral("Cislo"))->setAsInteger(number);
        target.FieldByName(QStringLiteral("Pozice"))->setAsInteger(number);
        target.FieldByName(QStringLiteral("Nazev"))->setAsString(old.FieldByName(QStringLiteral("Nazev"))->AsString());
        target.FieldByName(QStringLiteral("Adresar"))
            ->setAsString(old.FieldByName(QStringLiteral("Adresar"))->AsString());
        target.Post();
    }
}

}  // namespace

void TMainForm::KopSezn1(const QString& source, const QString& target, int kind) {
    if (kind != 1 && kind != 2) return;
    const QStringList& files = kind == 1 ? storage::registerDataFiles() : storage::registerUzivFiles();
    // A file that cannot be copied is skipped; the target keeps its own.
    for (const QString& name : files) firms::copyFileOverwriting(source + name, target + name);
}

void TMainForm::PrevodSeznF1() {
    TAuto1Form* form = Auto1Form;
    if (!form) return;
    TTable& autoP1 = form->AutoP1;
    TTable& autoP2 = form->AutoP2;

    // A register in the current layout opens with the four declared fields; one of the earlier
    // layout is refused for the missing field. Any other refusal (the file cannot be read just
    // now, a damaged file) says nothing about the layout: converting then would replace a
    // current register, shared perhaps with other computers, by a copy with the own order lost.
    autoP2.Close();
    autoP2.setDatabase(&form->Nazvy);
    bool earlierLayout = false;
    try {
        autoP2.Open();
    } catch (const EDBEngineError& e) {
        earlierLayout = e.errorCode() == EngineErrorCode::InvalidLayout;
    } catch (const EDatabaseError&) {
    }
    if (earlierLayout) {
        // The earlier layout: the rows are converted into the template register, which then
        // replaces the old one. The old register is replaced only when every row was converted;
        // a conversion that fails leaves it as it was (the grid is then empty).
        autoP1.Close();
        autoP2.Close();
        TDatabase templates(form->Nazvy.Session(), QStringLiteral("NazvyData"));
        templates.LoginPrompt = false;
        templates.Params = {QStringLiteral("PATH=") + FileDir + QStringLiteral("Data"),
                            QStringLiteral("DEFAULT DRIVER=PARADOX"), QStringLiteral("ENABLE BCD=FALSE")};
        bool converted = false;
        try {
            convertInto(autoP2, autoP1, templates);
            converted = true;
        } catch (const EDatabaseError&) {
        }
        autoP1.Close();
        autoP2.Close();
        autoP2.setDatabase(&form->Nazvy);
        templates.Close();
        if (converted) KopSezn1(FileDir + QStringLiteral("Data/"), FileDir, 1);
    }
    autoP1.Close();
    autoP2.Close();

    // Registers of some earlier versions lack the index by name. The register's own record
    // of its indexes says whether it is there (its index files are only a cache that may be
    // missing); adding an index that exists is refused, which is all right here.
    try {
        form->Auto1.AddIndex(QStringLiteral("Nazev"), QStringLiteral("Nazev"));
    } catch (const EDatabaseError&) {
    }

    // A password table that is missing or unusable (damaged, not the table expected) is
    // replaced by the empty one of the template set. One that merely cannot be read just now
    // is kept: replacing it would take every firm's password away, on a shared directory for
    // every computer.
    if (tryOpen(form->Auto1)) {
        bool replace = false;
        try {
            form->Uziv.Open();
        } catch (const EDBEngineError& e) {
            switch (e.errorCode()) {
                case EngineErrorCode::FileCorrupt:
                case EngineErrorCode::InvalidLayout:
                case EngineErrorCode::InvalidPassword:
                case EngineErrorCode::FileNotFound:
                    replace = true;
                    break;
                default:
                    replace = !QFileInfo::exists(FileDir + QStringLiteral("Uziv.DB"));
                    break;
            }
        } catch (const EDatabaseError&) {
            replace = !QFileInfo::exists(FileDir + QStringLiteral("Uziv.DB"));
        }
        if (replace) {
            form->Auto1.Close();
            form->Uziv.Close();
            KopSezn1(FileDir + QStringLiteral("Data/"), FileDir, 2);
        }
    }
    if (!form->Auto1.Active()) tryOpen(form->Auto1);
    if (!form->Uziv.Active()) tryOpen(form->Uziv);
}
