#include "Au5.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusTipEvent>
#include <QStorageInfo>
#include <QVBoxLayout>

#include "DataFiles.h"
#include "DataM1.h"
#include "Editz.h"
#include "FirmFiles.h"
#include "Globals.h"
#include "HourglassCursor.h"
#include "IniFile.h"
#include "Main.h"
#include "MessageBox.h"
#include "PathTemplates.h"
#include "TitleFit.h"

namespace {

const QString kSporin = QStringLiteral("Sporin");
// The default name of a shared data directory: "SPORIN" and the year suffix of the conversion keys.
const QString kSharedName = QStringLiteral("SPORIN213");

QString withSlash(const QString& dir) {
    return dir.isEmpty() || dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
}

void hint(QWidget* w, const QString& text) {
    w->setToolTip(text);
    w->setStatusTip(text);
}

}  // namespace

TAu5Form::TAu5Form(QWidget* parent)
    : QDialog(parent), TemplateDb(DM1 ? &DM1->Session : nullptr, QStringLiteral("TablePrDb")) {
    setObjectName(QStringLiteral("Au5Form"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Výběr práce s daty"));
    TitleFit::install(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    auto named = [](QWidget* w, const char* name) {
        w->setObjectName(QLatin1String(name));
        return w;
    };
    Label3 =
        new QLabel(QStringLiteral("Pouze na prvním počítači proveďte akci kopírovat data pro provoz v síti."), this);
    named(Label3, "Label3");
    Label1 = new QLabel(QStringLiteral("Výběr disku:"), this);
    named(Label1, "Label1");
    DriveComboBox = new QComboBox(this);
    named(DriveComboBox, "DriveComboBox");
    hint(DriveComboBox, QStringLiteral("Výběr disku pro instalaci dat"));
    DriveComboBox->setFocusPolicy(Qt::ClickFocus);
    Label2 = new QLabel(QStringLiteral("Výběr adresáře:"), this);
    named(Label2, "Label2");
    Edit1 = new TEditz(this);
    named(Edit1, "Edit1");
    hint(Edit1, QStringLiteral("Výběr adresáře pro instalaci dat"));
    Edit1->setFocusPolicy(Qt::ClickFocus);
    CopyButton = new QPushButton(QStringLiteral("&Kopírovat data"), this);
    named(CopyButton, "CopyButton");
    hint(CopyButton, QStringLiteral("Kopírovat data pro provoz v síti"));
    CopyButton->setFocusPolicy(Qt::ClickFocus);
    CopyButton->setAutoDefault(false);

    RadioButton1 = new QRadioButton(QStringLiteral("Data v datovém adresáři"), this);
    named(RadioButton1, "RadioButton1");
    hint(RadioButton1, RadioButton1->text());
    RadioButton2 = new QRadioButton(this);
    named(RadioButton2, "RadioButton2");
    Edit3 = new TEditz(this);
    named(Edit3, "Edit3");
    hint(Edit3, QStringLiteral("Cesta k datovým souborům"));
    Edit3->setMinimumWidth(380);
    BitBtn3 = new QPushButton(QStringLiteral("..."), this);
    named(BitBtn3, "BitBtn3");
    hint(BitBtn3, QStringLiteral("Výběr adresáře"));
    BitBtn3->setFocusPolicy(Qt::NoFocus);
    BitBtn3->setAutoDefault(false);
    OKButton = new QPushButton(QStringLiteral("&OK"), this);
    named(OKButton, "OKButton");
    OKButton->setAutoDefault(false);

    auto* copyGrid = new QGridLayout;
    copyGrid->addWidget(Label1, 0, 0);
    copyGrid->addWidget(DriveComboBox, 0, 1);
    copyGrid->addWidget(Label2, 1, 0);
    copyGrid->addWidget(Edit1, 1, 1);
    copyGrid->addWidget(CopyButton, 1, 2);
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(Edit3, 1);
    pathRow->addWidget(BitBtn3);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label3);
    layout->addLayout(copyGrid);
    layout->addSpacing(8);
    layout->addWidget(RadioButton1);
    layout->addWidget(RadioButton2);
    layout->addLayout(pathRow);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setTabOrder(RadioButton1, RadioButton2);
    setTabOrder(RadioButton2, Edit3);
    setTabOrder(Edit3, OKButton);

    connect(CopyButton, &QPushButton::clicked, this, &TAu5Form::CopyButtonClick);
    connect(BitBtn3, &QPushButton::clicked, this, &TAu5Form::BitBtn3Click);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    TemplateDb.LoginPrompt = false;
    TablePr.Name = QStringLiteral("TablePr");
    TablePr.setDatabase(&TemplateDb);
    fillDrives();

    // The recorded choice of this computer.
    RadioButton1->setChecked(true);
    const IniFile sporin(MainForm ? MainForm->FileDirLocal + QStringLiteral("Sporin.ini") : QString());
    const QString net = sporin.readString(kSporin, QStringLiteral("Net"));
    if (net == QLatin1String("1")) RadioButton2->setChecked(true);
    if (net == QLatin1String("0")) RadioButton1->setChecked(true);
    const QString path = sporin.readString(kSporin, QStringLiteral("Path"));
    Edit3->setText(path.isEmpty() ? QString() : withSlash(path) + QStringLiteral("Data.DB"));
    Edit1->setText(kSharedName);
    const QString caption = QStringLiteral("Data pro provoz v síti - nastavte cestu např. F:\\SPORIN") +
                            QStringLiteral("213") + QStringLiteral("\\Data.DB");
    RadioButton2->setText(caption);
    hint(RadioButton2, caption);
}

TAu5Form::~TAu5Form() = default;

void TAu5Form::fillDrives() {
    // The volumes a shared directory can be made on: disks and network shares.
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString device = QString::fromLocal8Bit(volume.device());
        if (!volume.isValid() || !volume.isReady() || volume.isReadOnly()) continue;
        if (!volume.isRoot() && !device.startsWith(QLatin1Char('/')) && !device.contains(QLatin1Char(':'))) continue;
        const QString root = withSlash(volume.rootPath());
        if (DriveComboBox->findData(root) < 0) DriveComboBox->addItem(root, root);
    }
    // The volume of the data directory first, as the drive of the data directory was.
    const QString own = MainForm ? backup::PathTemplates::driveOf(MainForm->FileDir) : QString();
    const int at = own.isEmpty() ? -1 : DriveComboBox->findData(own);
    if (at >= 0) {
        DriveComboBox->setCurrentIndex(at);
    } else if (!own.isEmpty()) {
        DriveComboBox->insertItem(0, own, own);
        DriveComboBox->setCurrentIndex(0);
    }
}

QString TAu5Form::copyTarget() const {
    return withSlash(DriveComboBox->currentData().toString() + Edit1->text().trimmed());
}

QString TAu5Form::sharedDirectory() const {
    const QString text = QDir::fromNativeSeparators(Edit3->text().trimmed());
    const qsizetype slash = text.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : text.left(slash + 1);
}

void TAu5Form::emptyTemplateTable(const QString& name) {
    TablePr.Close();
    TablePr.TableName = name;
    try {
        TablePr.EmptyTable();
    } catch (const EDatabaseError&) {
        // The copy goes on; a register that could not be emptied is copied as it is.
    }
    TablePr.Close();
}

void TAu5Form::CopyButtonClick() {
    if (!MainForm) return;
    const QString target = copyTarget();
    const QString drive = DriveComboBox->currentData().toString();
    if (!MessageBox::confirm(QStringLiteral("Opravdu chcete kopírovat data na disk ") + target, this)) return;
    if (!QFileInfo(target).isDir()) QDir().mkpath(target);
    if (!QFileInfo(target).isDir()) {
        MessageBox::error(QStringLiteral("Adresář ") + target + QStringLiteral(" nelze vytvořit na disku ") + drive +
                              QStringLiteral("\n\n") + QStringLiteral("Zkontroluje zda je tento disk dostupný."),
                          this);
        return;
    }
    {
        HourglassCursor wait;
        const QString templates = MainForm->FileDirLocal + QStringLiteral("Data/");
        TemplateDb.Close();
        TemplateDb.Params = {QStringLiteral("PATH=") + templates, QStringLiteral("DEFAULT DRIVER=PARADOX"),
                             QStringLiteral("ENABLE BCD=FALSE")};
        emptyTemplateTable(QStringLiteral("Data.DB"));
        emptyTemplateTable(QStringLiteral("Uziv.DB"));
        TemplateDb.Close();
        // A register already at the target stays: files there are not overwritten.
        for (const char* name : {"Data.DB", "Data.PX", "Data.X02", "Data.Y02", "Uziv.DB", "Uziv.PX"}) {
            QFile::copy(templates + QLatin1String(name), target + QLatin1String(name));
        }
        const QString sharedTemplates = target + QStringLiteral("Data/");
        QDir().mkpath(sharedTemplates);
        for (const QString& name : storage::dataFileList()) {
            firms::copyFileOverwriting(templates + name, sharedTemplates + name);
        }
        TMainForm::KopSezn1(templates, sharedTemplates, 1);
        TMainForm::KopSezn1(templates, sharedTemplates, 2);
        IniFile(sharedTemplates + QStringLiteral("Verze.ini"))
            .writeInteger(QStringLiteral("Verze"), QStringLiteral("Data"), MainForm->localTemplateVersion);
        RadioButton2->setChecked(true);
        Edit3->setText(target + QStringLiteral("Data.DB"));
        OKButton->setFocus();
    }
    MessageBox::information(QStringLiteral("Data byla nakopírována na disk ") + target, this);
}

void TAu5Form::BitBtn3Click() {
    QString start = QFileInfo(sharedDirectory()).isDir() ? sharedDirectory() : QString();
    if (start.isEmpty() && MainForm) start = MainForm->DirTyp(3);
    QFileDialog dialog(this, QStringLiteral("Výběr adresáře"), start);
    dialog.setObjectName(QStringLiteral("OpenDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("DB"));
    dialog.setNameFilters({QStringLiteral("datové soubory (Data.DB)"), QStringLiteral("všechny soubory (*)")});
    dialog.selectFile(QStringLiteral("Data.DB"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    Edit3->setText(dialog.selectedFiles().first());
    RadioButton2->setChecked(true);
}

void TAu5Form::done(int result) {
    if (MainForm) {
        IniFile sporin(MainForm->FileDirLocal + QStringLiteral("Sporin.ini"));
        const bool network = RadioButton2->isChecked();
        sporin.writeString(kSporin, QStringLiteral("Net"), network ? QStringLiteral("1") : QStringLiteral("0"));
        if (network) sporin.writeString(kSporin, QStringLiteral("Path"), sharedDirectory());
        MainForm->applyDataLocation(network, sharedDirectory());
        QDir::setCurrent(MainForm->FileDir);
    }
    QDialog::done(result);
}

void TAu5Form::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (const QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());
    Edit3->setFocus();
}

void TAu5Form::reject() {
    accept();
}

bool TAu5Form::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        if (MainForm) MainForm->setStatusText(0, static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QDialog::event(event);
}
