#include "Main.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPrinterInfo>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include "Au5.h"
#include "Auto1.h"
#include "CardFlags.h"
#include "Ekdh1.h"
#include "Ekdl1.h"
#include "Ekov.h"
#include "Ekzp.h"
#include "Eksl.h"
#include "Emtfh.h"
#include "DataFiles.h"
#include "DataM1.h"
#include "Dwc.h"
#include "EngineError.h"
#include "FirmFiles.h"
#include "FormSupport.h"
#include "Globals.h"
#include "HelpKey.h"
#include "HintDisplay.h"
#include "HourglassCursor.h"
#include "IniFile.h"
#include "MessageBox.h"
#include "OsFileLock.h"
#include "Prev.h"
#include "PrinterSetup.h"
#include "Rvoz1a.h"
#include "UseHTMLHelp.h"
#include "WindowPlacement.h"

namespace {

// A settings file the program could not read (one far too large to be ours) leaves it running
// with defaults and refusing to write that file; the user is told once, when it is first read.
void warnIfUnread(const IniFile& ini, QWidget* parent) {
    if (!ini.errorString().isEmpty()) MessageBox::warning(ini.errorString(), parent);
}

QString withSlash(QString dir) {
    dir = QDir::fromNativeSeparators(dir);
    if (!dir.isEmpty() && !dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
    return dir;
}

QSize screenSize() {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().size() : QSize(1024, 768);
}

// Deletes a stale "Pdoxusrs.lck" and, only when that worked, "Paradox.lck" of `dir`: a lock
// file held by a running program cannot be deleted, and then the directory is in use.
void deleteStaleLocks(const QString& dir) {
    if (engine::deleteStaleLockFile(dir + QStringLiteral("Pdoxusrs.lck"))) {
        engine::deleteStaleLockFile(dir + QStringLiteral("Paradox.lck"));
    }
}

}  // namespace

// ---- creation ------------------------------------------------------------------------------

TMainForm::TMainForm() : TMainForm(Options()) {}

TMainForm::TMainForm(const Options& options) : m_options(options) {
    MainForm = this;
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(programTitle());
    QFont f(QStringLiteral("MS Sans Serif"), 8);
    setFont(f);
    DatoveSoubory = storage::dataFileList();
    buildMenu();
    buildSpeedBar();
    buildStatusBar();
    // Hints of menus and controls of every window go to panel 0, not over the whole status bar.
    new HintDisplay([this](const QString& hint) { setStatusText(0, hint); }, this);
    new HelpKey(this);
    ListBoxT = new QListWidget(this);
    ListBoxT->setObjectName(QStringLiteral("ListBoxT"));
    ListBoxT->hide();
    ListBox2 = new QListWidget(this);
    ListBox2->setObjectName(QStringLiteral("ListBox2"));
    ListBox2->hide();

    findDataDirectory(options);
    UseHTMLHelp::instance().setHelpFile(FileDirPrg + QStringLiteral("Sporin.chm"));
    placeWindow();
    if (dataDirNotFound) return;
    checkTemplateVersion();

    const IniFile sporin(FileDirLocal + QStringLiteral("Sporin.ini"));
    warnIfUnread(sporin, this);
    const int maximized = sporin.readInteger(QStringLiteral("Sporin"), QStringLiteral("Maximized"), -1);
    if (maximized == -1) {
        if (screenSize().width() <= 800) setWindowState(Qt::WindowMaximized);
    } else {
        const QRect g = geometry();
        const int top = sporin.readInteger(QStringLiteral("Sporin"), QStringLiteral("Top"), g.top());
        const int left = sporin.readInteger(QStringLiteral("Sporin"), QStringLiteral("Left"), g.left());
        const int width = sporin.readInteger(QStringLiteral("Sporin"), QStringLiteral("Width"), g.width());
        const int height = sporin.readInteger(QStringLiteral("Sporin"), QStringLiteral("Height"), g.height());
        setGeometry(left, top, width, height);
        if (maximized == 1) setWindowState(Qt::WindowMaximized);
    }
    TypPisma = sporin.readInteger(QStringLiteral("Sporin"), QStringLiteral("TypPisma"), 0);
    Kodovani = sporin.readInteger(QStringLiteral("Sporin"), QStringLiteral("Kodovani"), 1);
}

TMainForm::~TMainForm() {
    // The help viewer closes with the program.
    UseHTMLHelp::instance().ApplicationHelp(UseHTMLHelp::HelpQuit, 0);
    if (MainForm == this) MainForm = nullptr;
}

QString TMainForm::shownVersion() {
    const QString v = QString::number(kVersion);
    return v.left(1) + QLatin1Char('.') + v.mid(1);
}

QString TMainForm::programTitle() { return QStringLiteral("Lamelin ") + shownVersion(); }

QString TMainForm::firmDir() const { return firmDirName.isEmpty() ? QString() : FileDir + firmDirName + QLatin1Char('/'); }

QString TMainForm::firmSettingsPath() const {
    return firmDirName.isEmpty() ? QString() : FileDir + firmDirName + QLatin1Char('/') + firmDirName + QStringLiteral(".ini");
}

void TMainForm::findDataDirectory(const Options& options) {
    FileDirPrg = withSlash(options.programDir.isEmpty() ? QCoreApplication::applicationDirPath() : options.programDir);
    FileDirLocal = FileDir = FileDirPrg;
    dataDirNotFound = true;

    bool configured = false;
    const QString dataIni = FileDirPrg + QStringLiteral("Data.ini");
    if (QFile::exists(dataIni)) {
        DataDir = IniFile(dataIni).readString(QStringLiteral("Data"), QStringLiteral("Sporin")).trimmed();
        configured = !DataDir.isEmpty();
        dataIniConfigured = configured;
        if (DataDir.startsWith(QLatin1String("AdresarPrg"), Qt::CaseInsensitive)) DataDir = FileDirPrg;
        // A relative entry means a directory beside the program, wherever the program was started
        // from; kept relative, it would also point one level deeper once it is made the current
        // directory below.
        if (!DataDir.isEmpty()) DataDir = QDir::cleanPath(QDir(FileDirPrg).absoluteFilePath(DataDir));
        DataDir = withSlash(DataDir);
        if (!DataDir.isEmpty() && QFile::exists(DataDir + QStringLiteral("Data.DB"))) {
            FileDirLocal = FileDir = DataDir;
            QDir::setCurrent(DataDir);
            dataDirNotFound = false;
        }
    }

    if (!options.commonAppDataUnavailable) {
        commonAppDataDir = options.commonAppDataDir.isEmpty()
                               ? QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                               : options.commonAppDataDir;
        while (commonAppDataDir.endsWith(QLatin1Char('/'))) commonAppDataDir.chop(1);
    }
    documentsDir = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);

    // Only without any Data.ini entry: the default data path under the common data directory.
    // A Data.ini naming a directory without data ends the search unsuccessfully.
    if (!configured && !commonAppDataDir.isEmpty()) {
        DataDir = commonAppDataDir + QStringLiteral("/Corvex/Lamelin %1/").arg(kYear);
        if (QFile::exists(DataDir + QStringLiteral("Data.DB"))) {
            FileDirLocal = FileDir = DataDir;
            QDir::setCurrent(DataDir);
            dataDirNotFound = false;
        }
    }
}

void TMainForm::placeWindow() {
    const QSize screen = screenSize();
    resize(screen.width() <= 640 ? 640 : 800, screen.height() <= 480 ? 453 : 573);
    move(0, 0);
}

void TMainForm::checkTemplateVersion() {
    localTemplateVersion =
        IniFile(FileDirLocal + QStringLiteral("Data/Verze.ini")).readInteger(QStringLiteral("Verze"), QStringLiteral("Data"), 0);
    if (localTemplateVersion < kVersion) {
        MessageBox::error(QStringLiteral("Máte novější verzi programu než adresář Data.\nNainstalujte program znovu."));
    } else if (localTemplateVersion > kVersion) {
        MessageBox::error(QStringLiteral("Máte starší verzi programu než adresář Data.\nNainstalujte program znovu."));
    }
}

// ---- window parts --------------------------------------------------------------------------

QAction* TMainForm::addCommand(QMenu* menu, const QString& name, const QString& caption, const QString& hint,
                               const QKeySequence& shortcut) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    a->setStatusTip(hint);
    a->setToolTip(hint);
    if (!shortcut.isEmpty()) a->setShortcut(shortcut);
    return a;
}

QAction* TMainForm::action(const QString& objectName) const { return findChild<QAction*>(objectName); }

void TMainForm::buildMenu() {
    QMenuBar* bar = menuBar();
    auto topMenu = [&](const QString& name, const QString& caption, const QString& hint) {
        QMenu* m = bar->addMenu(caption);
        m->setObjectName(name);
        m->menuAction()->setObjectName(name + QStringLiteral("Action"));
        m->menuAction()->setStatusTip(hint);
        m->setToolTipsVisible(true);
        return m;
    };
    QMenu* soubor = topMenu(QStringLiteral("Soubor1"), QStringLiteral("&Soubor"), QStringLiteral("Soubor"));
    connect(addCommand(soubor, QStringLiteral("Vyberfirmy1"), QStringLiteral("&Výběr firmy"), QStringLiteral("Výběr firmy"),
                       QKeySequence(Qt::CTRL | Qt::Key_A)),
            &QAction::triggered, this, [this] { VyberDanoveho(); });
    soubor->addSeparator();
    QAction* printSetup = addCommand(soubor, QStringLiteral("Nastavenitisku1"), QStringLiteral("&Nastavení tisku ..."),
                                     QStringLiteral("Zobrazí dialog pro nastavení tiskárny"));
    connect(printSetup, &QAction::triggered, this, [this] { VyberTisk1(1); });
    soubor->addSeparator();
    connect(addCommand(soubor, QStringLiteral("Konec1"), QStringLiteral("&Konec"), QStringLiteral("Ukončí aplikaci")),
            &QAction::triggered, this, &QWidget::close);

    QMenu* spolecne = topMenu(QStringLiteral("Spolecneudaje1"), QStringLiteral("Sp&olečné údaje"), QStringLiteral("Společné údaje"));
    connect(addCommand(spolecne, QStringLiteral("Spolecneudaje2"), QStringLiteral("&Společné údaje"),
                       QStringLiteral("Společné údaje")),
            &QAction::triggered, this, &TMainForm::Spolecneudaje2Click);

    QMenu* kartoteka = topMenu(QStringLiteral("Kartoteka1"), QStringLiteral("&Kartotéka"), QStringLiteral("Kartotéka"));
    connect(addCommand(kartoteka, QStringLiteral("Zpisdokartotky1"), QStringLiteral("&Zápis do kartotéky"),
                       QStringLiteral("Zápis do kartotéky"), QKeySequence(Qt::Key_F2)),
            &QAction::triggered, this, [this] { ZapisN2(false); });
    connect(addCommand(kartoteka, QStringLiteral("Vyhledavaniopravy1"), QStringLiteral("&Vyhledávání, opravy"),
                       QStringLiteral("Vyhledávání, opravy")),
            &QAction::triggered, this, [this] { OpravyN2(false); });
    kartoteka->addSeparator();
    connect(addCommand(kartoteka, QStringLiteral("Databazehub1"), QStringLiteral("Databáze &hub"), QStringLiteral("Databáze hub")),
            &QAction::triggered, this, &TMainForm::Databazehub1Click);
    connect(addCommand(kartoteka, QStringLiteral("Databazelokalit1"), QStringLiteral("Databáze &lokalit"),
                       QStringLiteral("Databáze lokalit")),
            &QAction::triggered, this, &TMainForm::Databazelokalit1Click);
    kartoteka->addSeparator();
    connect(addCommand(kartoteka, QStringLiteral("Tisk1"), QStringLiteral("&Tisk"), QStringLiteral("Výběr tisků"),
                       QKeySequence(Qt::Key_F6)),
            &QAction::triggered, this, [this] { VyberTisku1(2); });
    connect(addCommand(kartoteka, QStringLiteral("Exportnalezu1"), QStringLiteral("&Export nálezů (Darwin Core) ..."),
                       QStringLiteral("Export nálezů do souboru pro mapovací databáze (Darwin Core)")),
            &QAction::triggered, this, &TMainForm::Exportnalezu1Click);

    QMenu* dalsi = topMenu(QStringLiteral("Dalsimoznosti1"), QStringLiteral("Další &možnosti"), QStringLiteral("Další možnosti"));
    connect(addCommand(dalsi, QStringLiteral("Zalohovanidat1"), QStringLiteral("&Zálohování dat"), QStringLiteral("Zazálohuje data")),
            &QAction::triggered, this, &TMainForm::Zalohovanidat1Click);
    connect(addCommand(dalsi, QStringLiteral("Obnovenidat1"), QStringLiteral("&Obnovení dat"), QStringLiteral("Obnoví data")),
            &QAction::triggered, this, &TMainForm::Obnovenidat1Click);
    dalsi->addSeparator();
    connect(addCommand(dalsi, QStringLiteral("Vymazanikartoteky1"), QStringLiteral("&Vymazání kartotéky"),
                       QStringLiteral("Vymazání kartotéky")),
            &QAction::triggered, this, &TMainForm::eraseCardIndex);
    dalsi->addSeparator();
    connect(addCommand(dalsi, QStringLiteral("Tiskseznamufirem1"), QStringLiteral("Tisk &seznamu firem"),
                       QStringLiteral("Tisk seznamu firem")),
            &QAction::triggered, this, &TMainForm::Tiskseznamufirem1Click);

    QMenu* napoveda = topMenu(QStringLiteral("Napoveda1"), QStringLiteral("Nápo&věda"), QStringLiteral("Nápověda"));
    connect(addCommand(napoveda, QStringLiteral("Navodkprogramu1"), QStringLiteral("&Návod k programu"),
                       QStringLiteral("Návod k programu")),
            &QAction::triggered, this, [] { UseHTMLHelp::instance().ApplicationHelp(UseHTMLHelp::HelpContext, 1); });

    m_firmMenus = {spolecne, kartoteka, dalsi};
}

void TMainForm::buildSpeedBar() {
    m_speedBar = new QWidget(this);
    m_speedBar->setObjectName(QStringLiteral("SpeedBar"));
    m_speedBar->setFixedHeight(32);
    struct Button {
        const char* name;
        int x;
        const char* hint;
        const char* command;
        QStyle::StandardPixmap icon;
    };
    const Button buttons[] = {
        {"SpeedButton1", 8, "Zápis do kartotéky", "Zpisdokartotky1", QStyle::SP_FileDialogNewFolder},
        {"SpeedButton3", 34, "Vyhledávání, opravy", "Vyhledavaniopravy1", QStyle::SP_FileDialogContentsView},
        {"SpeedButton4", 60, "Databáze hub", "Databazehub1", QStyle::SP_FileDialogDetailedView},
        {"SpeedButton2", 86, "Databáze lokalit", "Databazelokalit1", QStyle::SP_DirHomeIcon},
    };
    for (const Button& b : buttons) {
        auto* tb = new QToolButton(m_speedBar);
        tb->setObjectName(QString::fromLatin1(b.name));
        tb->setGeometry(b.x, 3, 26, 26);
        tb->setIcon(style()->standardIcon(b.icon));
        tb->setAutoRaise(true);
        const QString hint = QString::fromUtf8(b.hint);
        tb->setToolTip(hint);
        tb->setStatusTip(hint);
        QAction* command = action(QString::fromLatin1(b.command));
        connect(tb, &QToolButton::clicked, command, &QAction::trigger);
        m_speedButtons << tb;
    }
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_speedBar);
    layout->addStretch(1);
    auto* line = new QFrame(central);
    line->setObjectName(QStringLiteral("PanelB"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setFixedHeight(2);
    layout->addWidget(line);
    setCentralWidget(central);
}

void TMainForm::buildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setSizeGripEnabled(false);
    const int widths[] = {506, 75, 35, 0};
    for (int i = 0; i < 4; ++i) {
        auto* panel = new QLabel(bar);
        panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        panel->setFixedWidth(widths[i]);
        // Panels 0 and 3 have no bevel; 1 and 2 are sunken like the record position fields.
        if (i == 1 || i == 2) panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        bar->addWidget(panel, i == 3 ? 1 : 0);
        m_panels << panel;
    }
    // The position and edit panels keep their widths unless this platform's font needs more for
    // the longest texts they show (a new record, a selection or a position in a million cards).
    fitPanelTo(m_panels[1], {QStringLiteral("Nový záznam"), QStringLiteral("Výběr 1000000"),
                             QStringLiteral("1000000/1000000")});
    fitPanelTo(m_panels[2], {QStringLiteral("EDIT")});
}

void TMainForm::fitPanelTo(QLabel* panel, const QStringList& texts) {
    int needed = 0;
    for (const QString& t : texts) needed = std::max(needed, panel->fontMetrics().horizontalAdvance(t));
    needed += 2 * panel->frameWidth() + 2 * panel->margin() + 4;
    if (needed > panel->width()) panel->setFixedWidth(needed);
}

void TMainForm::fitStatusPanels() {
    if (m_panels.isEmpty()) return;
    const int width = statusBar()->width();
    // 126 with the usual panel widths: the panels 1 and 2 and the status bar's spacing.
    const int others = m_panels[1]->width() + m_panels[2]->width() + 16;
    m_panels[0]->setFixedWidth(width <= 450 ? 324 : width - others);
}

void TMainForm::setStatusText(int panel, const QString& text) {
    if (panel >= 0 && panel < m_panels.size()) m_panels[panel]->setText(text);
}

QString TMainForm::statusText(int panel) const {
    return panel >= 0 && panel < m_panels.size() ? m_panels[panel]->text() : QString();
}

void TMainForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    fitStatusPanels();
}

void TMainForm::TypDp1() {
    const bool firmOpen = !firmDirName.isEmpty() && QFileInfo(firmDir()).isDir();
    // The items themselves too, so that their shortcuts (F2, F6) are off as well.
    for (QMenu* m : m_firmMenus) {
        m->menuAction()->setEnabled(firmOpen);
        for (QAction* a : m->actions()) a->setEnabled(firmOpen);
    }
    if (QAction* a = action(QStringLiteral("Nastavenitisku1"))) a->setEnabled(firmOpen);
    for (QToolButton* b : m_speedButtons) b->setEnabled(firmOpen);
}

// ---- first activation ----------------------------------------------------------------------

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!m_firstActivationDone) TypDp1();
    if (m_options.firstActivationOnShow && !m_firstActivationDone && !m_firstActivationPending) {
        m_firstActivationPending = true;
        // Continue once the window is on screen, as the first activation does.
        QTimer::singleShot(0, this, [this] {
            if (!m_firstActivationDone) firstActivation();
        });
    }
}

void TMainForm::firstActivation() {
    if (m_firstActivationDone) return;
    m_firstActivationDone = true;
    if (dataDirNotFound) {
        MessageBox::error(QStringLiteral("Chyba při zjišťování adresáře s daty.\nNainstalujte program znovu."));
        m_closing = true;
        close();
        return;
    }
    IniFile sporin(FileDirLocal + QStringLiteral("Sporin.ini"));
    const QString path = withSlash(sporin.readString(QStringLiteral("Sporin"), QStringLiteral("Path")));
    if (sporin.readString(QStringLiteral("Sporin"), QStringLiteral("Net")) == QLatin1String("1") && !path.isEmpty()) {
        applyDataLocation(true, path);
    }
    // A computer that has not chosen yet chooses now between local and shared data.
    sporin.reload();
    if (sporin.readString(QStringLiteral("Sporin"), QStringLiteral("Net")).isEmpty()) {
        auto* location = new TAu5Form(this);
        location->exec();
    }
    refreshTemplates();
    KontrolaInst1();
    VyberDanoveho();
}

void TMainForm::applyDataLocation(bool network, const QString& path) {
    FileDir = FileDirLocal;
    if (network && !path.isEmpty()) {
        // A relative path is taken from the local data directory, once: the data directory becomes
        // the current directory, and a relative one would then point one level deeper.
        FileDir = withSlash(QDir::cleanPath(QDir(FileDirLocal).absoluteFilePath(QDir::fromNativeSeparators(path))));
        if (!QFile::exists(FileDir + QStringLiteral("Data.DB"))) {
            MessageBox::error(QStringLiteral("Adresář ") + QDir::toNativeSeparators(FileDir) + QStringLiteral("\n") +
                              QStringLiteral("neexistuje, nebo není dostupný na síťové jednotce."));
            FileDir = FileDirLocal;
        }
    }
    DM1->Database.Close();
    Auto1Form->Nazvy.Close();
    DM1->Session.setNetFileDir(FileDir);
    DM1->Session.setPrivateDir(QString());
    Auto1Form->Nazvy.Params = {QStringLiteral("PATH=") + FileDir, QStringLiteral("DEFAULT DRIVER=PARADOX"),
                               QStringLiteral("ENABLE BCD=FALSE")};
    deleteStaleLocks(FileDir);
    PrevodSeznF1();
}

void TMainForm::refreshTemplates() {
    if (FileDir.compare(FileDirLocal, Qt::CaseInsensitive) == 0 || !QFile::exists(FileDir + QStringLiteral("Data.DB"))) return;
    const QString shared = FileDir + QStringLiteral("Data/");
    int sharedVersion = 0;
    if (QFileInfo(shared).isDir()) {
        sharedVersion = IniFile(shared + QStringLiteral("Verze.ini")).readInteger(QStringLiteral("Verze"), QStringLiteral("Data"), 0);
    } else {
        QDir().mkpath(shared);
    }
    if (localTemplateVersion > sharedVersion) {
        HourglassCursor wait;
        const QString local = FileDirLocal + QStringLiteral("Data/");
        // Each shared file is replaced only by a complete copy; one that cannot be copied stays as
        // it was, and the shared set keeps its old version so that the next start tries again.
        bool complete = true;
        for (const QString& name : storage::registerFileList() + DatoveSoubory) {
            complete = firms::copyFileOverwriting(local + name, shared + name) && complete;
        }
        if (complete) {
            IniFile(shared + QStringLiteral("Verze.ini"))
                .writeInteger(QStringLiteral("Verze"), QStringLiteral("Data"), localTemplateVersion);
        }
    } else if (localTemplateVersion < sharedVersion) {
        MessageBox::error(QStringLiteral("Nainstalujte na tento počítač nejnovější verzi programu."));
    }
}

// ---- opening a firm ------------------------------------------------------------------------

bool TMainForm::VyberDanoveho() {
    if (Auto1Form->exec() == TAuto1Form::EndResult) {
        m_closing = true;
        close();
        return false;
    }
    firmDirName = Auto1Form->Auto1.Active() && !Auto1Form->Auto1.IsEmpty()
                      ? Auto1Form->Auto1.FieldByName(QStringLiteral("Adresar"))->AsString().trimmed()
                      : QString();
    WindowPlacement::setFirmSettings(firmSettingsPath(), firmDirName);
    if (!firmDirName.isEmpty()) warnIfUnread(IniFile(firmSettingsPath()), this);
    applyPrinterChoice();

    DM1->setFirmDirectory(FileDir + firmDirName);
    if (!firmDirName.isEmpty()) {
        deleteStaleLocks(firmDir());
        recoverUnfinishedRestore(firmDir());
    }
    deleteStaleLocks(FileDir + QStringLiteral("Data/"));
    try {
        HourglassCursor wait;
        DM1->OtevritTabulky();
    } catch (const std::exception&) {
        MessageBox::error(QStringLiteral("Nepodařilo se otevřít všechny tabulky."));
    }
    TypDp1();
    return true;
}

void TMainForm::applyPrinterChoice() {
    if (ListBoxT->count() == 0) ListBoxT->addItems(QPrinterInfo::availablePrinterNames());
    m_currentPrinter = QPrinterInfo::defaultPrinterName();
    const auto matches = ListBoxT->findItems(m_currentPrinter, Qt::MatchExactly);
    ListBoxT->setCurrentItem(matches.isEmpty() ? nullptr : matches.first());
    VyberTisk1(2);
}

void TMainForm::VyberTisk1(int mode) {
    const QString settings = firmSettingsPath();
    IniFile ini(settings);
    const bool useDefault = settings.isEmpty() || ini.readInteger(QStringLiteral("Tisk"), QStringLiteral("Vychozi"), 1) != 0;
    auto selectCurrent = [this] {
        QListWidgetItem* item = nullptr;
        for (int i = 0; i < ListBoxT->count(); ++i) {
            if (ListBoxT->item(i)->text() == m_currentPrinter) item = ListBoxT->item(i);
        }
        ListBoxT->setCurrentItem(item);
    };
    if (!useDefault) {
        // The last entry of that name wins; a printer that is gone falls back to the default.
        const QString wanted = ini.readString(QStringLiteral("Tisk"), QStringLiteral("Tiskarna"));
        QString found;
        for (int i = 0; i < ListBoxT->count(); ++i) {
            if (ListBoxT->item(i)->text() == wanted) found = wanted;
        }
        m_currentPrinter = found.isEmpty() ? QPrinterInfo::defaultPrinterName() : found;
    }
    selectCurrent();
    if (mode != 1) return;

    // The printer set-up: the choice of the printer and its properties, no printing.
    TPrinterSetupDialog dialog(m_currentPrinter, m_pageLayout, this);
    if (dialog.exec() == QDialog::Accepted) {
        if (!dialog.printerName().isEmpty()) m_currentPrinter = dialog.printerName();
        m_pageLayout = dialog.pageLayout();
    }
    ListBox2->clear();
    ListBox2->addItems(QPrinterInfo::availablePrinterNames());
    // A printer added while the dialog was open is known to ListBox2 only; it is taken by its
    // plain name (a network printer's " on <server>" cut off) when ListBoxT knows that name.
    const int index = ListBox2->findItems(m_currentPrinter, Qt::MatchExactly).isEmpty()
                          ? -1
                          : ListBox2->row(ListBox2->findItems(m_currentPrinter, Qt::MatchExactly).first());
    if (ListBox2->count() > ListBoxT->count() && index >= ListBoxT->count()) {
        QString name = ListBox2->item(index)->text();
        const int on = name.indexOf(QStringLiteral(" on "));
        if (on >= 0) name = name.left(on);
        if (!ListBoxT->findItems(name, Qt::MatchExactly).isEmpty()) m_currentPrinter = name;
    }
    if (!useDefault) ini.writeString(QStringLiteral("Tisk"), QStringLiteral("Tiskarna"), m_currentPrinter);
    selectCurrent();
}

void TMainForm::setCurrentPrinter(const QString& name) {
    m_currentPrinter = name;
    const auto matches = ListBoxT->findItems(name, Qt::MatchExactly);
    ListBoxT->setCurrentItem(matches.isEmpty() ? nullptr : matches.last());
}

void TMainForm::PrevodPisma1(QObject* report) {
    if (!report) return;
    QList<QObject*> targets{report};
    targets += report->findChildren<QObject*>();
    for (QObject* o : targets) {
        const QVariant v = o->property("font");
        if (!v.isValid() || v.typeId() != QMetaType::QFont) continue;
        QFont font = v.value<QFont>();
        if (font.family().contains(QLatin1String(" CE"))) continue;
        font.setFamily(font.family() + QStringLiteral(" CE"));
        o->setProperty("font", font);
    }
}

bool TMainForm::ExecuteFile1(const QString& file, const QString& parameters) {
    const QFileInfo info(file);
    // A program (a path, or a name the system finds on its search path) is started with the
    // parameters, each quoted one as one argument; any other file opens with its program.
    const bool program = info.isFile() ? info.isExecutable() : !QStandardPaths::findExecutable(file).isEmpty();
    if (program && QProcess::startDetached(file, QProcess::splitCommand(parameters))) return true;
    // A document may carry the execute permission too (every file on a Windows partition
    // usually does); one that cannot be started opens with its program like any other.
    if (!info.exists() || (program && !parameters.isEmpty())) return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath()));
}

// ---- card index commands -------------------------------------------------------------------

void TMainForm::ZapisN2(bool fromPrint) {
    // From the menu the window goes to the first card of its order; from the print window it
    // stays on the card whose label was printed.
    cards::cardGoToFirst = !fromPrint;
    DM1->Hdok.Refresh();
    DM1->Hdok.First();
    if (fromPrint) DM1->Hdok.Locate(QStringLiteral("Evc"), DM1->Hspl.FieldByName(QStringLiteral("C1"))->AsInteger());
    if ((new TEkzpForm(this))->exec() == TEkzpForm::PrintResult) VyberTisku1(2);
}

void TMainForm::OpravyN2(bool fromPrint) {
    TEkovForm::goToFirst = !fromPrint;
    TEkovForm::printAfterSearch = false;
    DM1->selectionResetPending = false;
    // A selection is kept as marks in the card table; a program that ended without closing the
    // search window left them there. No selection is open now, so every card is unmarked.
    {
        HourglassCursor wait;
        TEkovForm::unmarkAll();
    }
    TTable& search = DM1->Hdok3;
    search.Open();
    search.First();
    if (fromPrint) search.Locate(QStringLiteral("Evc"), DM1->Hspl.FieldByName(QStringLiteral("C1"))->AsInteger());
    if ((new TEkovForm(this))->exec() == TEkovForm::PrintResult) TEkovForm::printAfterSearch = true;
    DM1->statusUpdate = false;
    search.Close();
    try {
        if (DM1->selectionResetPending) {
            HourglassCursor wait;
            TEkovForm::unmarkAll();
        }
        forms::reopen(DM1->Hdok);
    } catch (...) {
        DM1->statusUpdate = true;
        DM1->selectionResetPending = false;
        throw;
    }
    DM1->statusUpdate = true;
    DM1->selectionResetPending = false;
    if (TEkovForm::printAfterSearch) VyberTisku1(2);
}

void TMainForm::VyberTisku1(int mode) {
    DM1->Obnovit1();
    setStatusText(0, QString());
    setStatusText(1, QString());
    setStatusText(2, QString());
    auto* form = new TEmtfhForm(this);
    form->Nastaveni(mode);
    // "Zá&pis" and "&Opravy" go on to the card window or the search window, each standing on
    // the first card of the label range.
    const int result = form->exec();
    if (result == TEmtfhForm::ZapisResult) ZapisN2(true);
    else if (result == TEmtfhForm::OpravyResult) OpravyN2(true);
}

void TMainForm::Spolecneudaje2Click() {
    DM1->Hspl.Refresh();
    DM1->Hspl.Edit();
    (new TEkslForm(this))->exec();
    DM1->NazevDp1();
    TypDp1();
}

void TMainForm::Databazehub1Click() {
    cards::pickMode = false;
    cards::cataloguesGoToFirst = true;
    DM1->Hdath.Refresh();
    DM1->Hdath.First();
    (new TEkdh1Form(this))->exec();
}

void TMainForm::Databazelokalit1Click() {
    cards::pickMode = false;
    cards::cataloguesGoToFirst = true;
    DM1->Hdatl.Refresh();
    DM1->Hdatl.First();
    (new TEkdl1Form(this))->exec();
}

// ---- erasing the card index ----------------------------------------------------------------

void TMainForm::eraseCardIndex() {
    const QString question = QStringLiteral("Opravdu provést vymazání kartotéky ?");
    if (!MessageBox::confirm(question) || !MessageBox::confirm(question)) return;
    QString failed;
    {
        HourglassCursor wait;
        DM1->Database.Close();
        // The empty card table of the template set replaces the firm's as one set, its record
        // file last: a template file missing or unreadable, or a full disk, leaves the card index
        // as it was instead of a firm without its card table.
        QStringList cardFiles = DatoveSoubory.mid(storage::kCardFilesFirst - 1,
                                                  storage::kCardFilesLast - storage::kCardFilesFirst + 1);
        cardFiles.move(0, cardFiles.size() - 1);
        const bool erased =
            firms::copyFileSetOverwriting(cardFiles, FileDir + QStringLiteral("Data/"), firmDir(), &failed);
        DM1->OtevritTabulky();
        if (erased) {
            DM1->Hspl.Edit();
            DM1->Hspl.FieldByName(QStringLiteral("Cislo"))->setAsInteger(1);
            DM1->Hspl.Post();
            DM1->Hspl.Close();
            DM1->Hspl.Open();
            DM1->Obnovit1();
        }
    }
    if (!failed.isEmpty()) {
        MessageBox::error(QStringLiteral("Kartotéka nebyla vymazána: soubor ") + QDir::toNativeSeparators(failed) +
                          QStringLiteral(" nelze zkopírovat."));
        return;
    }
    setStatusText(0, QStringLiteral("Kartotéka byla vymazána."));
    setStatusText(1, QString());
    setStatusText(2, QString());
}

// ---- the firm list -------------------------------------------------------------------------

void TMainForm::Tiskseznamufirem1Click() {
    TTable& firms = Auto1Form->TableA;
    const TTable& shown = Auto1Form->Auto1;
    // Whatever happens, the print cursor closes and the status panel empties again.
    struct Done {
        TMainForm* form;
        TTable& firms;
        ~Done() {
            try {
                firms.Close();
            } catch (...) {  // closing a cursor only fails when the table is gone already
            }
            form->setStatusText(0, QString());
        }
    } done{this, firms};
    {
        HourglassCursor wait;  // the preview puts the normal cursor back while it is open
        setStatusText(0, QStringLiteral("Připravuje se náhled před tiskem ..."));
        // The list shows what the firm selection shows: its order and its filter.
        firms.Close();
        firms.setIndexFieldNames(shown.IndexFieldNames());
        firms.setFilter(shown.Filter());
        firms.setFiltered(shown.Filtered());
        firms.Open();
        if (!m_firmListReport) m_firmListReport = new TRvoz1aReport(firms, this);
        if (TypPisma == 1) PrevodPisma1(m_firmListReport);
        m_firmListReport->setLeftMarginMm(DM1->Hspl.FieldByName(QStringLiteral("Lo1"))->AsInteger());
        m_firmListReport->setPrinterCopies(1);
        if (PrevForm) PrevForm->setStatusLine(QStringLiteral("Budou vytištěny všechny stránky."));
        m_firmListReport->Preview();
    }
}

// ---- closing -------------------------------------------------------------------------------

void TMainForm::closeEvent(QCloseEvent* event) {
    if (!dataDirNotFound) {
        IniFile sporin(FileDirLocal + QStringLiteral("Sporin.ini"));
        bool ok = true;
        const QString s = QStringLiteral("Sporin");
        if (isMaximized()) {
            ok = sporin.writeInteger(s, QStringLiteral("Maximized"), 1) && ok;
        } else if (!isMinimized()) {
            const QRect g = geometry();
            ok = sporin.writeInteger(s, QStringLiteral("Top"), g.top()) && ok;
            ok = sporin.writeInteger(s, QStringLiteral("Left"), g.left()) && ok;
            ok = sporin.writeInteger(s, QStringLiteral("Width"), g.width()) && ok;
            ok = sporin.writeInteger(s, QStringLiteral("Height"), g.height()) && ok;
            ok = sporin.writeInteger(s, QStringLiteral("Maximized"), 0) && ok;
        }
        ok = sporin.writeInteger(s, QStringLiteral("TypPisma"), TypPisma) && ok;
        ok = sporin.writeInteger(s, QStringLiteral("Kodovani"), Kodovani) && ok;
        if (!ok) {
            QFile verze(FileDirLocal + QStringLiteral("Verze.txt"));
            verze.open(QIODevice::WriteOnly | QIODevice::Truncate);
            MessageBox::error(QStringLiteral("Nemáte oprávnění zapisovat do adresáře s daty.\nNainstalujte program znovu."));
        }
        if (DM1) {
            DM1->Database.Close();
            DM1->Session.Close();
        }
        if (Auto1Form) Auto1Form->Nazvy.Close();
    }
    event->accept();
}

// ---- export of findings --------------------------------------------------------------------

void TMainForm::Exportnalezu1Click() {
    auto* form = new TDwcForm(this);
    form->exec();
}
