#include "Dwc.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include "Auto1.h"
#include "DataM1.h"
#include "Ekov.h"
#include "Ekvh.h"
#include "EngineError.h"
#include "FormSupport.h"
#include "Globals.h"
#include "HourglassCursor.h"
#include "IniFile.h"
#include "Main.h"
#include "MessageBox.h"
#include "TitleFit.h"
#include "WindowPlacement.h"

using interchange::DwcExport;
using interchange::DwcOccurrence;

namespace {

// Settings keys in the firm's section: the position and the choices of the last export.
const QString kName = QStringLiteral("ExportDwc");

QString key(const char* suffix) { return kName + QLatin1String(suffix); }

// The firm's name as the register holds it; the label heading or the directory name when the
// register is not at hand (the tests open a firm directly).
QString firmName() {
    if (Auto1Form && Auto1Form->Auto1.Active() && !Auto1Form->Auto1.IsEmpty() &&
        Auto1Form->Auto1.FieldByName(QStringLiteral("Adresar"))->AsString().trimmed() == MainForm->firmDirName) {
        const QString name = Auto1Form->Auto1.FieldByName(QStringLiteral("Nazev"))->AsString().trimmed();
        if (!name.isEmpty()) return name;
    }
    if (DM1 && DM1->Hspl.Active() && !DM1->Hspl.IsEmpty()) {
        const QString heading = DM1->Hspl.FieldByName(QStringLiteral("Sna"))->AsString().trimmed();
        if (!heading.isEmpty()) return heading;
    }
    return MainForm ? MainForm->firmDirName : QString();
}

QString nativePath(const QString& path) { return QDir::toNativeSeparators(path); }

}  // namespace

TDwcForm::TDwcForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("DwcForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Export nálezů (Darwin Core)"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    buildControls();
    readSettings();
    WindowPlacement::restore(this, kName, QPoint(4, 60), QPoint(84, 140));
    TitleFit::install(this);
}

TDwcForm::~TDwcForm() = default;

void TDwcForm::buildControls() {
    auto named = [](QWidget* w, const char* name, const QString& hint) {
        w->setObjectName(QLatin1String(name));
        forms::setHint(w, hint);
    };
    auto* which = new QGroupBox(QStringLiteral("Nálezy"), this);
    which->setObjectName(QStringLiteral("GroupBoxNalezy"));
    RadioButtonVse = new QRadioButton(QStringLiteral("&všechny"), which);
    named(RadioButtonVse, "RadioButtonVse", QStringLiteral("Exportuje všechny nálezy kartotéky"));
    RadioButtonVyb = new QRadioButton(QStringLiteral("vý&běr rozšířeného vyhledávání"), which);
    named(RadioButtonVyb, "RadioButtonVyb", QStringLiteral("Exportuje nálezy vybrané rozšířeným vyhledáváním"));
    RadioButtonRoz = new QRadioButton(QStringLiteral("evidenční čísla &od"), which);
    named(RadioButtonRoz, "RadioButtonRoz", QStringLiteral("Exportuje nálezy v rozsahu evidenčních čísel"));
    auto spin = [&](const char* name, const QString& hint) {
        auto* s = new QSpinBox(which);
        named(s, name, hint);
        s->setRange(-999999999, 999999999);
        s->setMinimumWidth(100);
        return s;
    };
    SpinEvco = spin("SpinEvco", QStringLiteral("Evidenční číslo prvního exportovaného nálezu"));
    SpinEvcd = spin("SpinEvcd", QStringLiteral("Evidenční číslo posledního exportovaného nálezu"));
    auto* labelTo = new QLabel(QStringLiteral("&do"), which);
    labelTo->setObjectName(QStringLiteral("LabelEvcd"));
    labelTo->setBuddy(SpinEvcd);
    auto* range = new QHBoxLayout;
    range->addWidget(RadioButtonRoz);
    range->addWidget(SpinEvco);
    range->addWidget(labelTo);
    range->addWidget(SpinEvcd);
    range->addStretch(1);
    auto* whichLayout = new QVBoxLayout(which);
    whichLayout->addWidget(RadioButtonVse);
    whichLayout->addWidget(RadioButtonVyb);
    whichLayout->addLayout(range);
    // The bounds matter only for a range.
    for (QSpinBox* s : {SpinEvco, SpinEvcd}) {
        connect(RadioButtonRoz, &QRadioButton::toggled, s, &QWidget::setEnabled);
        s->setEnabled(false);
    }

    auto* basis = new QGroupBox(QStringLiteral("Druh záznamu"), this);
    basis->setObjectName(QStringLiteral("GroupBoxDruh"));
    RadioButtonDok = new QRadioButton(QStringLiteral("&položka sbírky (PreservedSpecimen)"), basis);
    named(RadioButtonDok, "RadioButtonDok", QStringLiteral("Nálezy jsou doloženy uloženými položkami"));
    RadioButtonPoz = new QRadioButton(QStringLiteral("pozo&rování (HumanObservation)"), basis);
    named(RadioButtonPoz, "RadioButtonPoz", QStringLiteral("Nálezy jsou pozorování bez uložené položky"));
    auto* basisLayout = new QVBoxLayout(basis);
    basisLayout->addWidget(RadioButtonDok);
    basisLayout->addWidget(RadioButtonPoz);

    CheckBoxZeme = new QCheckBox(QStringLiteral("ze&mě Česká republika (CZ)"), this);
    named(CheckBoxZeme, "CheckBoxZeme", QStringLiteral("Ke každému nálezu zapíše zemi Česká republika"));

    auto* labelFile = new QLabel(QStringLiteral("&Soubor:"), this);
    labelFile->setObjectName(QStringLiteral("LabelSoubor"));
    EditSoubor = new QLineEdit(this);
    named(EditSoubor, "EditSoubor", QStringLiteral("Cesta s názvem souboru zip pro export"));
    EditSoubor->setMinimumWidth(380);
    labelFile->setBuddy(EditSoubor);
    ButtonSoubor = new QToolButton(this);
    named(ButtonSoubor, "ButtonSoubor", QStringLiteral("Výběr souboru"));
    ButtonSoubor->setText(QStringLiteral("..."));
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(labelFile);
    fileRow->addWidget(EditSoubor, 1);
    fileRow->addWidget(ButtonSoubor);

    ExportButton = new QPushButton(QStringLiteral("&Exportovat"), this);
    named(ExportButton, "ExportButton", QStringLiteral("Exportovat nálezy"));
    ExportButton->setDefault(true);
    CloseButton = new QPushButton(QStringLiteral("&Zavřít"), this);
    named(CloseButton, "CloseButton", QStringLiteral("Zavřít"));
    CloseButton->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ExportButton);
    buttons->addWidget(CloseButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(which);
    layout->addWidget(basis);
    layout->addWidget(CheckBoxZeme);
    layout->addLayout(fileRow);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(ExportButton, &QPushButton::clicked, this, &TDwcForm::ExportButtonClick);
    connect(ButtonSoubor, &QToolButton::clicked, this, &TDwcForm::ButtonSouborClick);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);
}

QString TDwcForm::defaultPath() {
    QString dir = MainForm ? MainForm->documentsDir : QString();
    if (dir.isEmpty()) dir = QDir::homePath();
    return dir + QLatin1Char('/') + DwcExport::defaultFileName(firmName());
}

void TDwcForm::readSettings() {
    const IniFile ini(WindowPlacement::firmSettingsPath());
    const QString section = WindowPlacement::firmSection();
    const int selection = ini.readInteger(section, key("Vyber"), 0);
    (selection == 1 ? RadioButtonVyb : selection == 2 ? RadioButtonRoz : RadioButtonVse)->setChecked(true);
    // A first range proposes every card the numbering has given so far.
    int last = 1;
    if (DM1 && DM1->Hspl.Active() && !DM1->Hspl.IsEmpty()) {
        last = std::max(1, DM1->Hspl.FieldByName(QStringLiteral("Cislo"))->AsInteger() - 1);
    }
    SpinEvco->setValue(ini.readInteger(section, key("Od"), 1));
    SpinEvcd->setValue(ini.readInteger(section, key("Do"), last));
    (ini.readInteger(section, key("Druh"), 0) == 1 ? RadioButtonPoz : RadioButtonDok)->setChecked(true);
    CheckBoxZeme->setChecked(ini.readBool(section, key("Zeme"), true));
    const QString path = ini.readString(section, key("Soubor")).trimmed();
    EditSoubor->setText(nativePath(path.isEmpty() ? defaultPath() : path));
}

void TDwcForm::writeSettings() {
    const QString section = WindowPlacement::firmSection();
    if (section.isEmpty()) return;
    IniFile ini(WindowPlacement::firmSettingsPath());
    const int selection = RadioButtonVyb->isChecked() ? 1 : RadioButtonRoz->isChecked() ? 2 : 0;
    ini.writeInteger(section, key("Vyber"), selection);
    ini.writeInteger(section, key("Od"), SpinEvco->value());
    ini.writeInteger(section, key("Do"), SpinEvcd->value());
    ini.writeInteger(section, key("Druh"), RadioButtonPoz->isChecked() ? 1 : 0);
    ini.writeBool(section, key("Zeme"), CheckBoxZeme->isChecked());
    ini.writeString(section, key("Soubor"), QDir::fromNativeSeparators(EditSoubor->text().trimmed()));
}

DwcExport::Options TDwcForm::options() const {
    DwcExport::Options o;
    o.selection = RadioButtonVyb->isChecked()   ? DwcExport::Selection::Marked
                  : RadioButtonRoz->isChecked() ? DwcExport::Selection::Range
                                                : DwcExport::Selection::All;
    o.evcFrom = SpinEvco->value();
    o.evcTo = SpinEvcd->value();
    o.basis = RadioButtonPoz->isChecked() ? DwcOccurrence::Basis::HumanObservation
                                          : DwcOccurrence::Basis::PreservedSpecimen;
    o.country = CheckBoxZeme->isChecked();
    const QString typed = QDir::fromNativeSeparators(EditSoubor->text().trimmed());
    o.outputPath = typed.isEmpty() ? QString() : QFileInfo(typed).absoluteFilePath();
    return o;
}

void TDwcForm::ButtonSouborClick() {
    const QString current = QDir::fromNativeSeparators(EditSoubor->text().trimmed());
    QFileDialog dialog(this, QStringLiteral("Výběr souboru"), current.isEmpty() ? defaultPath() : current);
    dialog.setObjectName(QStringLiteral("SaveDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // Overwriting is asked once, by the export itself.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setDefaultSuffix(QStringLiteral("zip"));
    dialog.setNameFilters({QStringLiteral("soubory zip (*.zip)"), QStringLiteral("všechny soubory (*)")});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    EditSoubor->setText(nativePath(dialog.selectedFiles().first()));
}

void TDwcForm::ExportButtonClick() {
    if (!MainForm || !DM1 || MainForm->firmDirName.isEmpty()) return;
    DwcExport::Options o = options();
    if (o.outputPath.isEmpty()) {
        MessageBox::information(QStringLiteral("Zadejte cestu s názvem souboru."), this);
        EditSoubor->setFocus();
        return;
    }
    // The proposed documents folder may be missing on a fresh account; a folder typed by the
    // user is made as well rather than refused.
    if (!QDir().mkpath(QFileInfo(o.outputPath).absolutePath()) || QFileInfo(o.outputPath).isDir()) {
        MessageBox::error(QStringLiteral("Soubor ") + nativePath(o.outputPath) + QStringLiteral(" nelze vytvořit."), this);
        EditSoubor->setFocus();
        return;
    }
    if (QFileInfo::exists(o.outputPath) &&
        !MessageBox::confirm(QStringLiteral("Soubor ") + nativePath(o.outputPath) +
                                 QStringLiteral(" již existuje.\nChcete ho přepsat ?"),
                             this)) {
        return;
    }
    EditSoubor->setText(nativePath(o.outputPath));

    DwcExport::Result result;
    try {
        HourglassCursor wait;
        o.progress = [](int cards) {
            forms::setStatus(0, QStringLiteral("Export nálezů: %1").arg(cards));
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        };
        if (o.selection == DwcExport::Selection::Marked) {
            result = exportSelection(o);
        } else {
            result = DwcExport::run(MainForm->firmDir(), MainForm->firmSettingsPath(), firmName(), DM1->Session, o);
        }
    } catch (const EDatabaseError& e) {
        forms::setStatus(0, QString());
        MessageBox::error(e.message(), this);
        return;
    }
    forms::setStatus(0, QStringLiteral("Export nálezů byl dokončen."));
    reportResult(result, o.outputPath);
}

DwcExport::Result TDwcForm::exportSelection(const DwcExport::Options& o) {
    // The search window unmarks every card when it closes, so no selection is on the cards while
    // this window is open. The extended search keeps its criteria in the common data, though:
    // they mark the cards again for the export, and the marks are taken back afterwards, also
    // when the export fails, so that no stale selection stays on disk.
    TQuery& query = DM1->HdokQr;
    TEkovForm::unmarkAll();
    TEkovForm::markingStarts();
    DwcExport::Result result;
    try {
        query.Close();
        query.SQL = TEkvhForm::selectionStatement(DM1->Hspl);
        query.ExecSQL();
        query.Close();
        result = DwcExport::run(MainForm->firmDir(), MainForm->firmSettingsPath(), firmName(), DM1->Session, o);
    } catch (...) {
        TEkovForm::unmarkAll();
        throw;
    }
    TEkovForm::unmarkAll();
    return result;
}

void TDwcForm::reportResult(const DwcExport::Result& result, const QString& archive) {
    const QString summary = DwcExport::summary(result);
    if (result.problems.isEmpty()) {
        MessageBox::information(summary, this);
        return;
    }
    const MsgResult answer =
        MessageBox::show(MsgKind::Information,
                         summary + QStringLiteral("\n\nChcete uložit úplný seznam do textového souboru ?"),
                         MsgButtons::YesNo, this);
    if (answer != MsgResult::Yes) return;
    const QFileInfo info(archive);
    QFileDialog dialog(this, QStringLiteral("Uložení seznamu"),
                       info.absolutePath() + QLatin1Char('/') + info.completeBaseName() +
                           QStringLiteral(" - nepřečtené.txt"));
    dialog.setObjectName(QStringLiteral("ListDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.setNameFilters({QStringLiteral("textové soubory (*.txt)"), QStringLiteral("všechny soubory (*)")});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString path = dialog.selectedFiles().first();
    if (!saveProblemList(result, path)) {
        MessageBox::error(QStringLiteral("Soubor ") + nativePath(path) + QStringLiteral(" nelze vytvořit."), this);
    }
}

bool TDwcForm::saveProblemList(const DwcExport::Result& result, const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    const QByteArray text = DwcExport::problemList(result).toUtf8();
    if (file.write(text) != text.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

void TDwcForm::done(int result) {
    WindowPlacement::save(this, kName);
    writeSettings();
    QDialog::done(result);
}

bool TDwcForm::event(QEvent* event) {
    if (forms::routeHint(event)) return true;
    return QDialog::event(event);
}
