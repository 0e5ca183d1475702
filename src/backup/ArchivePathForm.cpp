#include "ArchivePathForm.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusTipEvent>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "DataM1.h"
#include "Exd2.h"
#include "Globals.h"
#include "IniFile.h"
#include "Main.h"
#include "MessageBox.h"
#include "PathTemplates.h"
#include "TitleFit.h"
#include "WindowPlacement.h"

namespace {

const QString kCesty = QStringLiteral("Cesty");
constexpr int kMaxStoredPaths = 20;
constexpr int kProgressMax = 65;

// Where removable media are mounted on this platform: the user picks the medium's directory
// there in place of a drive letter.
QString removableMediaRoot() {
    const QString user = qEnvironmentVariable("USER");
    for (const QString& dir :
         {QStringLiteral("/run/media/") + user, QStringLiteral("/media/") + user, QStringLiteral("/media")}) {
        if (QFileInfo(dir).isDir()) return dir;
    }
    return QString();
}

bool isEnter(const QKeyEvent* key) {
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

}  // namespace

TArchivePathForm::TArchivePathForm(const Texts& texts, QWidget* parent) : QDialog(parent), m_texts(texts) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(texts.caption);
    TitleFit::install(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    buildControls();
}

TArchivePathForm::~TArchivePathForm() = default;

void TArchivePathForm::buildControls() {
    auto hinted = [](QWidget* w, const char* name, const QString& hint) {
        w->setObjectName(QLatin1String(name));
        w->setToolTip(hint);
        w->setStatusTip(hint);
    };
    auto glyphButton = [&](const char* name, const QString& caption, const QString& hint, QStyle::StandardPixmap icon) {
        auto* b = new QPushButton(style()->standardIcon(icon), caption, this);
        hinted(b, name, hint);
        b->setAutoDefault(false);
        return b;
    };
    BitBtnDat = glyphButton("BitBtnDat", QStringLiteral("Adresář &dat"), m_texts.hintDat, QStyle::SP_DriveHDIcon);
    BitBtnUziv =
        glyphButton("BitBtnUziv", QStringLiteral("Adresář &uživatele"), m_texts.hintUziv, QStyle::SP_DirHomeIcon);
    BitBtnMed = glyphButton("BitBtnMed", QStringLiteral("Výměnné &médium"), m_texts.hintMed, QStyle::SP_DriveFDIcon);
    BitBtnVln = glyphButton("BitBtnVln", QStringLiteral("Vlastní &nastavení"), m_texts.hintVln, QStyle::SP_DirOpenIcon);

    CheckBoxNzt = new QCheckBox(QStringLiteral("v názvu souboru - název firmy"), this);
    hinted(CheckBoxNzt, "CheckBoxNzt", QStringLiteral("Zaškrtnuto - název firmy, jinak např. D1"));
    CheckBoxNzt->setLayoutDirection(Qt::RightToLeft);  // text on the left

    Label3 = new QLabel(m_texts.label, this);
    Label3->setObjectName(QStringLiteral("Label3"));
    ComboBox1 = new QComboBox(this);
    hinted(ComboBox1, "ComboBox1", m_texts.pathHint);
    ComboBox1->setEditable(true);
    // Enter moves the focus; it must not add the text as an item (recent paths are kept by
    // rememberPath alone).
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->setMinimumWidth(440);
    ComboBox1->setMaxVisibleItems(kMaxStoredPaths);
    Label3->setBuddy(ComboBox1);

    BitBtnAdr1 = new QToolButton(this);
    hinted(BitBtnAdr1, "BitBtnAdr1", QStringLiteral("Výběr souboru"));
    BitBtnAdr1->setText(QStringLiteral("..."));
    BitBtnAdr1->setFocusPolicy(Qt::NoFocus);

    EditCesta1 = new QLineEdit(this);
    hinted(EditCesta1, "EditCesta1", QStringLiteral("Kompletní cesta - např. pro kopírování (Ctrl + C)"));
    EditCesta1->setReadOnly(true);
    QPalette blue = EditCesta1->palette();
    blue.setColor(QPalette::Text, Qt::blue);
    EditCesta1->setPalette(blue);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, kProgressMax);
    ProgressBar1->setTextVisible(false);
    // The bar keeps its room while hidden, so the window does not jump when it appears.
    QSizePolicy keep = ProgressBar1->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    ProgressBar1->setSizePolicy(keep);
    ProgressBar1->hide();

    CancelButton = new QPushButton(QStringLiteral("&Zavřít"), this);
    hinted(CancelButton, "CancelButton", QStringLiteral("Zavřít"));
    CancelButton->setAutoDefault(false);

    PopupMenuVln = new QMenu(this);
    PopupMenuVln->setObjectName(QStringLiteral("PopupMenuVln"));
    PopupMenuVln->setToolTipsVisible(true);
    auto item = [this](const char* name, const QString& caption, const QString& hint) {
        QAction* a = PopupMenuVln->addAction(caption);
        a->setObjectName(QLatin1String(name));
        a->setToolTip(hint);
        a->setStatusTip(hint);
        return a;
    };
    Vlastninastaveni1 = item("Vlastninastaveni1", QStringLiteral("Vlastní &nastavení"),
                             QStringLiteral("Vlastní nastavení - nastavte nebo vyberte cestu"));
    PopupMenuVln->addSeparator();
    Vymazaniulozenychcest1 = item("Vymazaniulozenychcest1", QStringLiteral("Vymazání uložených &cest"),
                                  QStringLiteral("Vymazání uložených cest (zálohování, obnovení)"));
    Vymazaniulozenychcestostatni1 =
        item("Vymazaniulozenychcestostatni1", QStringLiteral("Vymazání uložených cest - &ostatní"),
             QStringLiteral("Vymazání uložených cest - ostatní"));
    BitBtnVln->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(BitBtnVln, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenuVln->popup(BitBtnVln->mapToGlobal(pos)); });

    connect(BitBtnDat, &QPushButton::clicked, this, &TArchivePathForm::BitBtnDatClick);
    connect(BitBtnUziv, &QPushButton::clicked, this, &TArchivePathForm::BitBtnUzivClick);
    connect(BitBtnMed, &QPushButton::clicked, this, &TArchivePathForm::BitBtnMedClick);
    connect(BitBtnVln, &QPushButton::clicked, this, &TArchivePathForm::BitBtnVlnClick);
    connect(BitBtnAdr1, &QToolButton::clicked, this, &TArchivePathForm::BitBtnAdr1Click);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(Vlastninastaveni1, &QAction::triggered, this, &TArchivePathForm::openOwnDirectory);
    connect(Vymazaniulozenychcest1, &QAction::triggered, this, &TArchivePathForm::erasePaths);
    connect(Vymazaniulozenychcestostatni1, &QAction::triggered, this, &TArchivePathForm::eraseOtherPaths);
    // A recent path chosen from the list shows its expansion at once.
    connect(ComboBox1, &QComboBox::activated, this, [this] { expandPath(); });

    for (QObject* o : std::initializer_list<QObject*>{ComboBox1, ComboBox1->lineEdit(), CheckBoxNzt}) {
        o->installEventFilter(this);
    }
}

void TArchivePathForm::finishLayout(QWidget* besideProgress, QPushButton* command) {
    auto* group = new QGroupBox(this);
    group->setObjectName(QStringLiteral("GroupBox1"));
    auto* proposals = new QHBoxLayout;
    for (QPushButton* b : {BitBtnDat, BitBtnUziv, BitBtnMed, BitBtnVln}) proposals->addWidget(b);
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(ComboBox1, 1);
    pathRow->addWidget(BitBtnAdr1);
    auto* inGroup = new QVBoxLayout(group);
    inGroup->addLayout(proposals);
    inGroup->addWidget(CheckBoxNzt, 0, Qt::AlignLeft | Qt::AlignAbsolute);
    inGroup->addWidget(Label3);
    inGroup->addLayout(pathRow);
    inGroup->addWidget(EditCesta1);

    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(ProgressBar1, 1);
    if (besideProgress) progressRow->addWidget(besideProgress);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(command);
    buttons->addWidget(CancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(progressRow);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(BitBtnDat, BitBtnUziv);
    setTabOrder(BitBtnUziv, BitBtnMed);
    setTabOrder(BitBtnMed, BitBtnVln);
    setTabOrder(BitBtnVln, CheckBoxNzt);
    setTabOrder(CheckBoxNzt, ComboBox1);
    setTabOrder(ComboBox1, EditCesta1);
    setTabOrder(EditCesta1, command);
    setTabOrder(command, CancelButton);

    // Enter presses the button that has the focus, as the keyboard user expects of a button.
    for (QPushButton* b : findChildren<QPushButton*>()) b->installEventFilter(this);
}

QString TArchivePathForm::firmSettingsPath() const {
    return MainForm ? MainForm->firmSettingsPath() : QString();
}

void TArchivePathForm::loadSettings() {
    WindowPlacement::restore(this, m_texts.positionKey, m_texts.narrowPosition, m_texts.widePosition);
    m_savePaths = true;
    const IniFile settings(firmSettingsPath());
    CheckBoxNzt->setChecked(settings.readBool(kCesty, QStringLiteral("Nazev"), false));
    readOwnSettings(settings);
    ComboBox1->clear();
    for (int n = 0; n < kMaxStoredPaths; ++n) {
        const QString path = settings.readString(kCesty, QString::number(n));
        if (!path.isEmpty()) ComboBox1->addItem(path);
    }
    if (ComboBox1->count() > 0) {
        ComboBox1->setCurrentIndex(0);
    } else if (MainForm) {
        ComboBox1->setEditText(MainForm->CestyTyp1(1, 1, QString(), CheckBoxNzt->isChecked()));
    }
    expandPath();
}

QString TArchivePathForm::expandPath() {
    EditCesta1->setText(MainForm ? MainForm->CestyTyp2(ComboBox1->currentText(), 1) : QString());
    return EditCesta1->text();
}

void TArchivePathForm::rememberPath() {
    const QString text = ComboBox1->currentText();
    const int at = ComboBox1->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (at >= 0) ComboBox1->removeItem(at);
    ComboBox1->insertItem(0, text);
    ComboBox1->setCurrentIndex(0);
    ComboBox1->setEditText(text);
}

void TArchivePathForm::propose(int location) {
    if (!MainForm) return;
    ComboBox1->setEditText(MainForm->CestyTyp1(location, 1, QString(), CheckBoxNzt->isChecked()));
    expandPath();
}

void TArchivePathForm::BitBtnDatClick() {
    propose(1);
}
void TArchivePathForm::BitBtnUzivClick() {
    propose(2);
}
void TArchivePathForm::BitBtnMedClick() {
    propose(3);
}

void TArchivePathForm::BitBtnVlnClick() {
    const QString own = IniFile(firmSettingsPath()).readString(kCesty, QStringLiteral("Vlastni"));
    if (own.isEmpty()) {
        openOwnDirectory();
    } else {
        adoptOwnDirectory(own);
    }
}

void TArchivePathForm::adoptOwnDirectory(const QString& dir) {
    if (!MainForm) return;
    EditCesta1->setText(dir + MainForm->CestyTyp1(4, 1, QString(), CheckBoxNzt->isChecked()));
    ComboBox1->setEditText(MainForm->CestyTyp3(EditCesta1->text()));
}

void TArchivePathForm::openOwnDirectory() {
    auto* dialog = new TExd2Form(this);
    dialog->exec();
}

void TArchivePathForm::BitBtnAdr1Click() {
    if (!MainForm) return;
    const QString full = expandPath();
    QString start = MainForm->pathTemplates().fileDialogDirectory(full);
    // A path on a removable medium starts where media are mounted.
    const bool medium = ComboBox1->currentText().startsWith(QStringLiteral("%Disk%"), Qt::CaseInsensitive);
    if (backup::PathTemplates::isUnusable(full) && medium && !removableMediaRoot().isEmpty()) {
        start = removableMediaRoot();
    }
    QFileDialog dialog(this, QStringLiteral("Výběr souboru"), start);
    dialog.setObjectName(QStringLiteral("OpenDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::AnyFile);  // the file name may be typed
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setDefaultSuffix(QStringLiteral("zip"));
    dialog.setNameFilters({QStringLiteral("soubory zip (*.zip)"), QStringLiteral("všechny soubory (*)")});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    EditCesta1->setText(dialog.selectedFiles().first());
    ComboBox1->setEditText(MainForm->CestyTyp3(EditCesta1->text()));
}

void TArchivePathForm::erase(const QString& question, const QString& section) {
    if (!MessageBox::confirm(question, this)) return;
    IniFile(firmSettingsPath()).eraseSection(section);
    m_savePaths = false;
    MessageBox::information(QStringLiteral("Cesty byly vymazány."), this);
    reject();
}

void TArchivePathForm::erasePaths() {
    erase(QStringLiteral("Opravdu vymazat uložené cesty ?"), kCesty);
}

void TArchivePathForm::eraseOtherPaths() {
    erase(QStringLiteral("Opravdu vymazat uložené cesty - ostatní ?"), QStringLiteral("TXT"));
}

void TArchivePathForm::setProgress(double done) {
    ProgressBar1->setValue(qBound(0, int(done * kProgressMax + 0.5), kProgressMax));
    ProgressBar1->repaint();
}

void TArchivePathForm::startProgress() {
    ProgressBar1->setValue(0);
    ProgressBar1->show();
    ProgressBar1->repaint();
}

void TArchivePathForm::stopProgress() {
    ProgressBar1->setValue(kProgressMax);
    ProgressBar1->hide();
    ProgressBar1->setValue(0);
}

void TArchivePathForm::reopenTables() {
    if (!DM1) return;
    try {
        DM1->Database.Close();
        DM1->OtevritTabulky();
        DM1->statusUpdate = true;
    } catch (const EDatabaseError& e) {
        MessageBox::error(e.message(), this);
    }
    if (MainForm) MainForm->setStatusText(1, QString());
}

void TArchivePathForm::done(int result) {
    WindowPlacement::save(this, m_texts.positionKey);
    if (m_savePaths) {
        IniFile settings(firmSettingsPath());
        settings.writeBool(kCesty, QStringLiteral("Nazev"), CheckBoxNzt->isChecked());
        writeOwnSettings(settings);
        for (int n = 0; n < qMin(ComboBox1->count(), kMaxStoredPaths); ++n) {
            settings.writeString(kCesty, QString::number(n), ComboBox1->itemText(n));
        }
    }
    if (MainForm) QDir::setCurrent(MainForm->FileDir);
    QDialog::done(result);
}

bool TArchivePathForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        const bool plain = modifiers == Qt::NoModifier;
        const bool shift = modifiers == Qt::ShiftModifier;
        if (isEnter(key) && (plain || shift)) {
            if (watched == ComboBox1 || watched == ComboBox1->lineEdit()) {
                (plain ? static_cast<QWidget*>(EditCesta1) : CheckBoxNzt)->setFocus();
                return true;
            }
            if (watched == CheckBoxNzt) {
                (plain ? static_cast<QWidget*>(ComboBox1) : BitBtnVln)->setFocus();
                return true;
            }
            if (auto* button = qobject_cast<QPushButton*>(watched); button && plain) {
                button->click();
                return true;
            }
        }
    } else if (event->type() == QEvent::FocusOut && watched == ComboBox1->lineEdit()) {
        // Leaving the path field shows where the archive would go.
        expandPath();
    }
    return QDialog::eventFilter(watched, event);
}

bool TArchivePathForm::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        if (MainForm) MainForm->setStatusText(0, static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QDialog::event(event);
}
