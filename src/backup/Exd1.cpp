#include "Exd1.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>

#include "DataM1.h"
#include "FirmRestore.h"
#include "Globals.h"
#include "HourglassCursor.h"
#include "Main.h"
#include "MessageBox.h"
#include "PathTemplates.h"

TExd1Form* Exd1Form = nullptr;

namespace {

using backup::FirmRestore;

TArchivePathForm::Texts restoreTexts() {
    TArchivePathForm::Texts t;
    t.caption = QStringLiteral("Obnovení dat");
    t.positionKey = QStringLiteral("ObnoveniDat");
    t.narrowPosition = QPoint(4, 98);
    t.widePosition = QPoint(84, 178);
    t.hintDat = QStringLiteral("Nastaví výchozí cestu pro obnovení dat z pevného disku (Adresář dat)");
    t.hintUziv = QStringLiteral("Nastaví výchozí cestu pro obnovení dat z pevného disku (Adresář uživatele)");
    t.hintMed = QStringLiteral("Nastaví výchozí cestu pro obnovení dat z výměnného média");
    t.hintVln = QStringLiteral("Nastaví vlastní cestu pro obnovení - pravé tlačítko myši");
    t.label = QStringLiteral("cesta s názvem souboru pro obnovení dat");
    t.pathHint = QStringLiteral("Cesta s názvem souboru pro obnovení dat");
    return t;
}

const QString kFailed = QStringLiteral("Chyba při obnově datových souborů.");

// The messages of a restore, in the order the user sees them.
QStringList outcomeMessages(const FirmRestore::Result& result, const QString& archive, const QString& safety) {
    const QString f = QDir::toNativeSeparators(archive);
    const QString s = QDir::toNativeSeparators(safety);
    switch (result.outcome) {
        case FirmRestore::Outcome::Restored:
            return {};
        case FirmRestore::Outcome::SafetyArchiveFailed:
            return {QStringLiteral("Záložní soubor ") + s + QStringLiteral(" nelze vytvořit."), kFailed};
        case FirmRestore::Outcome::ArchiveUnreadable:
        case FirmRestore::Outcome::TablesUnreadable:
            return {QStringLiteral("Soubor ") + f + QStringLiteral(" nelze otevřít."), kFailed};
        case FirmRestore::Outcome::NoSpace:
            return {QStringLiteral("Na disku není dost místa pro obnovení dat."), kFailed};
        case FirmRestore::Outcome::RollBackFailed:
            return {QStringLiteral("Záložní soubor ") + s + QStringLiteral(" nelze otevřít."), kFailed};
        case FirmRestore::Outcome::Incomplete:
        case FirmRestore::Outcome::RolledBack:
            return {kFailed};
    }
    return {kFailed};
}

}  // namespace

TExd1Form::TExd1Form(QWidget* parent) : TArchivePathForm(restoreTexts(), parent) {
    Exd1Form = this;
    setObjectName(QStringLiteral("Exd1Form"));
    ObnovaButton = new QPushButton(QStringLiteral("&Obnovit"), this);
    ObnovaButton->setObjectName(QStringLiteral("ObnovaButton"));
    ObnovaButton->setToolTip(QStringLiteral("Obnovit data"));
    ObnovaButton->setStatusTip(ObnovaButton->toolTip());
    ObnovaButton->setAutoDefault(false);
    connect(ObnovaButton, &QPushButton::clicked, this, &TExd1Form::ObnovaButtonClick);
    finishLayout(nullptr, ObnovaButton);
    loadSettings();
}

TExd1Form::~TExd1Form() {
    if (Exd1Form == this) Exd1Form = nullptr;
}

void TExd1Form::ObnovaButtonClick() {
    if (!MainForm || !DM1) return;
    ObnovaButton->setFocus();
    const QString full = expandPath();
    if (backup::PathTemplates::isUnusable(full)) {
        MessageBox::information(backup::PathTemplates::kSetPath, this);
        return;
    }
    if (!MessageBox::confirm(QStringLiteral("Opravdu chcete obnovit data ?"), this)) return;
    if (!QFileInfo(full).isFile()) {
        MessageBox::information(QStringLiteral("Soubor ") + QFileInfo(full).fileName() +
                                    QStringLiteral(" nebyl nalezen, zkontrolujte správnost cesty."),
                                this);
        return;
    }

    const QString firmDir = MainForm->firmDir();
    FirmRestore::Result result;
    {
        HourglassCursor wait;
        startProgress();
        rememberPath();
        DM1->statusUpdate = false;
        DM1->Database.Close();
        FirmRestore restore(firmDir, DM1->Session.passwords());
        restore.progress = [this](double done) { setProgress(done); };
        result = restore.run(full);
        QDir::setCurrent(MainForm->FileDir);
        stopProgress();
        reopenTables();
    }
    const QStringList texts = outcomeMessages(result, full, FirmRestore::safetyArchivePath(firmDir));
    if (texts.isEmpty()) {
        MessageBox::information(QStringLiteral("Data byla obnovena."), this);
        return;
    }
    for (const QString& text : texts) MessageBox::error(text, this);
}
