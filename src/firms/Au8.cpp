#include "Au8.h"

#include <QCheckBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStatusTipEvent>
#include <QToolButton>
#include <QVBoxLayout>

#include "Editz.h"
#include "Globals.h"
#include "Main.h"
#include "MessageBox.h"
#include "TitleFit.h"

namespace {

const QString kNotHere = QStringLiteral("Vyberte adresář s předchozí verzí programu Lamelin.");

QString localDir() {
    return MainForm ? MainForm->FileDirLocal : QString();
}

// The directory part of a path, ending with "/".
QString directoryOf(const QString& path) {
    return QFileInfo(path).absolutePath() + QLatin1Char('/');
}

bool inCurrentInstallation(const QString& path) {
    return !path.isEmpty() && directoryOf(path).compare(localDir(), Qt::CaseInsensitive) == 0;
}

}  // namespace

TAu8Form::TAu8Form(const QString& path, bool convert, QWidget* parent)
    : QDialog(parent), m_path(path), m_convert(convert) {
    setObjectName(QStringLiteral("Au8Form"));
    setWindowTitle(QStringLiteral("Převod dat z předchozích verzí"));
    TitleFit::install(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    Label1 = new QLabel(
        QStringLiteral("Předchozí verzi programu Lamelin máte nainstalovanou v níže uvedeném adresáři."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = new QLabel(QStringLiteral("Tlačítkem výběr adresáře můžete vybrat jiný adresář s programem."), this);
    Label2->setObjectName(QStringLiteral("Label2"));

    auto hinted = [](QWidget* w, const QString& hint) {
        w->setToolTip(hint);
        w->setStatusTip(hint);
    };
    Edit3 = new TEditz(this);
    Edit3->setObjectName(QStringLiteral("Edit3"));
    Edit3->setText(QDir::toNativeSeparators(path));
    Edit3->setMinimumWidth(380);
    hinted(Edit3, QStringLiteral("Cesta k předchozí verzi programu Lamelin"));

    BitBtnAdr1 = new QToolButton(this);
    BitBtnAdr1->setObjectName(QStringLiteral("BitBtnAdr1"));
    BitBtnAdr1->setText(QStringLiteral("..."));
    BitBtnAdr1->setFocusPolicy(Qt::NoFocus);
    hinted(BitBtnAdr1, QStringLiteral("Výběr adresáře"));
    connect(BitBtnAdr1, &QToolButton::clicked, this, &TAu8Form::BitBtnAdr1Click);

    CheckBoxPd4 = new QCheckBox(QStringLiteral("Převést data"), this);
    CheckBoxPd4->setObjectName(QStringLiteral("CheckBoxPd4"));
    CheckBoxPd4->setLayoutDirection(Qt::RightToLeft);  // the text on the left of the box
    CheckBoxPd4->setFocusPolicy(Qt::NoFocus);
    CheckBoxPd4->setChecked(convert);
    hinted(CheckBoxPd4, QStringLiteral("Zaškrtnuto převést data z předchozí verze"));

    // The cancel button: Esc closes with OK as well, the checks apply.
    OKButton = new QPushButton(QStringLiteral("&OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(Edit3, 1);
    pathRow->addWidget(BitBtnAdr1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(CheckBoxPd4);
    bottom->addStretch(1);
    bottom->addWidget(OKButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Label2);
    layout->addLayout(pathRow);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
    Edit3->setFocus();
}

bool TAu8Form::eventFilter(QObject* watched, QEvent* event) {
    // Hints go to the main window's status bar like everywhere else.
    if (event->type() == QEvent::StatusTip) {
        if (MainForm) MainForm->setStatusText(0, static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

QString TAu8Form::startDirectory() const {
    const QString text = QDir::fromNativeSeparators(Edit3->text().trimmed());
    if (!text.isEmpty() && QFileInfo(directoryOf(text)).isDir()) return directoryOf(text);
    // A path kept with the data-directory placeholder starts in the common data directory.
    const QString placeholder = QStringLiteral("%AdresarDat%/Corvex/");
    const QString common = MainForm ? MainForm->commonAppDataDir : QString();
    if (text.startsWith(placeholder, Qt::CaseInsensitive) && !common.isEmpty())
        return common + QStringLiteral("/Corvex/");
    QDir parent(localDir());
    parent.cdUp();
    return parent.path() + QLatin1Char('/');
}

void TAu8Form::BitBtnAdr1Click() {
    QFileDialog dialog(this);
    dialog.setObjectName(QStringLiteral("OpenDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);  // a typed name is accepted too
    dialog.setDefaultSuffix(QStringLiteral("DB"));
    dialog.setNameFilters({QStringLiteral("datové soubory (Data.DB)"), QStringLiteral("všechny soubory (*.*)")});
    dialog.setDirectory(startDirectory());
    dialog.selectFile(QStringLiteral("Data.DB"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString chosen = dialog.selectedFiles().first();
    Edit3->setText(QDir::toNativeSeparators(chosen));
    if (inCurrentInstallation(chosen)) {
        MessageBox::information(kNotHere, this);
        Edit3->setText(QDir::toNativeSeparators(m_path));
    }
}

void TAu8Form::refuse(const QString& message) {
    MessageBox::information(message, this);
    Edit3->setText(QDir::toNativeSeparators(m_path));
    Edit3->setFocus();
}

bool TAu8Form::pathAcceptable() {
    const QString text = QDir::fromNativeSeparators(Edit3->text().trimmed());
    if (inCurrentInstallation(text)) {
        refuse(kNotHere);
        return false;
    }
    if (!text.isEmpty() && !QFileInfo(text).isFile()) {
        refuse(QStringLiteral("Soubor ") + Edit3->text() + QStringLiteral(" neexistuje."));
        return false;
    }
    return true;
}

void TAu8Form::done(int) {
    if (!pathAcceptable()) return;
    m_path = QDir::fromNativeSeparators(Edit3->text().trimmed());
    m_convert = CheckBoxPd4->isChecked() && !m_path.isEmpty();
    if (MainForm) QDir::setCurrent(MainForm->FileDir);
    QDialog::done(QDialog::Accepted);
}
