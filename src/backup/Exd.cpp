#include "Exd.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>

#include "DataM1.h"
#include "FirmBackup.h"
#include "Globals.h"
#include "HourglassCursor.h"
#include "IniFile.h"
#include "Main.h"
#include "MessageBox.h"
#include "PathTemplates.h"

TExdForm* ExdForm = nullptr;

namespace {

TArchivePathForm::Texts backupTexts() {
    TArchivePathForm::Texts t;
    t.caption = QStringLiteral("Zálohování dat");
    t.positionKey = QStringLiteral("ZalohovaniDat");
    t.narrowPosition = QPoint(4, 124);
    t.widePosition = QPoint(84, 204);
    t.hintDat = QStringLiteral("Nastaví výchozí cestu pro zálohování dat na pevný disk (Adresář dat)");
    t.hintUziv = QStringLiteral("Nastaví výchozí cestu pro zálohování dat na pevný disk (Adresář uživatele)");
    t.hintMed = QStringLiteral("Nastaví výchozí cestu pro zálohování dat na výměnné médium");
    t.hintVln = QStringLiteral("Nastaví vlastní cestu pro zálohování - pravé tlačítko myši");
    t.label = QStringLiteral("cesta s názvem souboru pro zálohování dat");
    t.pathHint = QStringLiteral("Cesta s názvem souboru pro zálohování dat");
    return t;
}

}  // namespace

TExdForm::TExdForm(QWidget* parent) : TArchivePathForm(backupTexts(), parent) {
    ExdForm = this;
    setObjectName(QStringLiteral("ExdForm"));
    CheckBoxIdo = new QCheckBox(QStringLiteral("obnovit indexy"), this);
    CheckBoxIdo->setObjectName(QStringLiteral("CheckBoxIdo"));
    CheckBoxIdo->setToolTip(QStringLiteral("Před zálohováním obnoví indexy"));
    CheckBoxIdo->setStatusTip(CheckBoxIdo->toolTip());
    CheckBoxIdo->setLayoutDirection(Qt::RightToLeft);
    CheckBoxIdo->setFocusPolicy(Qt::ClickFocus);
    ZalohaButton = new QPushButton(QStringLiteral("Zálo&hovat"), this);
    ZalohaButton->setObjectName(QStringLiteral("ZalohaButton"));
    ZalohaButton->setToolTip(QStringLiteral("Zálohovat data"));
    ZalohaButton->setStatusTip(ZalohaButton->toolTip());
    ZalohaButton->setAutoDefault(false);
    connect(ZalohaButton, &QPushButton::clicked, this, &TExdForm::ZalohaButtonClick);
    finishLayout(CheckBoxIdo, ZalohaButton);

    RTable.Name = QStringLiteral("RTable");
    if (DM1) RTable.setDatabase(&DM1->Database);
    RTable.Exclusive = true;
    loadSettings();
}

TExdForm::~TExdForm() {
    if (ExdForm == this) ExdForm = nullptr;
}

void TExdForm::readOwnSettings(const IniFile& settings) {
    CheckBoxIdo->setChecked(settings.readBool(QStringLiteral("Cesty"), QStringLiteral("Obnovit"), false));
}

void TExdForm::writeOwnSettings(IniFile& settings) {
    settings.writeBool(QStringLiteral("Cesty"), QStringLiteral("Obnovit"), CheckBoxIdo->isChecked());
}

bool TExdForm::RebuildIndexes(const QString& tableName) {
    RTable.Close();
    RTable.TableName = tableName;
    try {
        RTable.Open();
    } catch (const EDatabaseError& e) {
        MessageBox::error(e.message(), this);
        return false;
    }
    try {
        RTable.RegenerateIndexes();
    } catch (const EDatabaseError&) {
        // Stale indexes are rebuilt when the table opens; the backup does not depend on them.
    }
    RTable.Close();
    return true;
}

void TExdForm::ZalohaButtonClick() {
    if (!MainForm || !DM1) return;
    ZalohaButton->setFocus();
    const QString full = expandPath();
    if (backup::PathTemplates::isUnusable(full)) {
        MessageBox::information(backup::PathTemplates::kSetPath, this);
        return;
    }
    if (!MessageBox::confirm(QStringLiteral("Opravdu chcete zazálohovat data ?"), this)) return;

    backup::FirmBackup::Result result;
    {
        HourglassCursor wait;
        startProgress();
        rememberPath();
        DM1->statusUpdate = false;
        bool indexesDone = true;
        if (CheckBoxIdo->isChecked()) {
            DM1->Database.Close();
            for (const char* table : {"Hdath.DB", "Hdatl.DB", "Hdok.DB"}) {
                if (!RebuildIndexes(QLatin1String(table))) {
                    indexesDone = false;
                    break;
                }
            }
        }
        DM1->Database.Close();
        if (indexesDone) {
            result = backup::FirmBackup::run(MainForm->firmDir(), full, [this](double done) { setProgress(done); });
        }
        stopProgress();
        reopenTables();
    }
    if (result.written && result.items >= MainForm->DatoveSoubory.size()) {
        MessageBox::information(QStringLiteral("Data byla zazálohována."), this);
    } else {
        MessageBox::error(
            QStringLiteral("Soubor ") + QDir::toNativeSeparators(full) + QStringLiteral(" nelze vytvořit."), this);
    }
}
