// The main window's backup and restore services: the firm name for archive names, the path
// routines shared by backup, restore and the text export, the two commands, and the roll-back
// of a restore that did not finish.

#include <QDate>
#include <QDir>

#include "DataM1.h"
#include "Exd.h"
#include "Exd1.h"
#include "FirmRestore.h"
#include "Globals.h"
#include "Main.h"
#include "MessageBox.h"

namespace {

// A text field of the open firm's common data; empty when the table cannot be read.
QString commonDataText(const char* field) {
    if (!DM1 || !DM1->Hspl.Active()) return QString();
    try {
        return DM1->Hspl.FieldByName(QLatin1String(field))->AsString();
    } catch (const EDatabaseError&) {
        return QString();
    }
}

}  // namespace

void TMainForm::NazevSb1() {
    NazevSb = backup::PathTemplates::fileNameStem(commonDataText("Sna"), firmDirName);
}

backup::PathTemplates TMainForm::pathTemplates() const {
    backup::PathEnvironment env;
    env.fileDirLocal = FileDirLocal;
    env.fileDir = FileDir;
    env.configuredDataDir = dataIniConfigured ? DataDir : QString();
    env.commonAppDataDir = commonAppDataDir;
    env.documentsDir = documentsDir;
    env.firmDirName = firmDirName;
    env.firmFileName = NazevSb.isEmpty() ? firmDirName : NazevSb;
    env.localityName = commonDataText("Lks");
    env.today = QDate::currentDate();
    return backup::PathTemplates(env);
}

QString TMainForm::CestyTyp1(int location, int kind, const QString& prefix, bool firmNameStem) const {
    return pathTemplates().proposal(location, kind, prefix, firmNameStem);
}

QString TMainForm::CestyTyp2(const QString& path, int kind) const {
    return pathTemplates().expand(path, kind);
}

QString TMainForm::CestyTyp3(const QString& fullPath) const {
    return pathTemplates().fold(fullPath);
}

QString TMainForm::DirTyp(int kind, const QString& path) const {
    return pathTemplates().dialogDirectory(kind, path);
}

QString TMainForm::DirTyp2(const QString& path, const QString& defaultDir) const {
    return pathTemplates().corvexDirectory(path, defaultDir);
}

void TMainForm::Zalohovanidat1Click() {
    NazevSb1();
    auto* form = new TExdForm(this);
    form->exec();
}

void TMainForm::Obnovenidat1Click() {
    NazevSb1();
    auto* form = new TExd1Form(this);
    form->exec();
    // The restored common data may carry another label heading.
    TypDp1();
    if (DM1 && DM1->Hspl.Active()) DM1->NazevDp1();
}

void TMainForm::recoverUnfinishedRestore(const QString& dir) {
    QString detail;
    switch (backup::FirmRestore::recoverUnfinished(dir, &detail)) {
        case backup::FirmRestore::Recovery::RolledBack:
            MessageBox::information(
                QStringLiteral("Obnovení dat nebylo dokončeno. Data firmy byla vrácena do stavu před obnovením."));
            break;
        case backup::FirmRestore::Recovery::RollBackFailed:
            MessageBox::error(QStringLiteral("Záložní soubor ") +
                              QDir::toNativeSeparators(backup::FirmRestore::safetyArchivePath(dir)) +
                              QStringLiteral(" nelze otevřít."));
            break;
        case backup::FirmRestore::Recovery::Nothing:
        case backup::FirmRestore::Recovery::InProgressElsewhere:
            break;
    }
}
