#pragma once

#include <QMainWindow>
#include <QPageLayout>
#include <QStringList>

#include "PathTemplates.h"

class QAction;
class QLabel;
class QListWidget;
class QMenu;
class QToolButton;
class TRvoz1aReport;

// The main window: menu, speed bar and status bar, the program's only non-modal window. It
// finds the data directory when it is created, continues the start-up on its first
// activation (network data, template refresh, firm selection) and opens the firm chosen there.
// Every command opens a modal window; the services other windows use (status texts, the
// directories, the firm settings file, the firm printer) are public here.
class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    struct Options {
        // The program directory (where Data.ini is looked for); the executable's directory when empty.
        QString programDir;
        // The common application data directory; the system's when empty. Tests point it elsewhere.
        QString commonAppDataDir;
        bool commonAppDataUnavailable = false;
        // Continue the start-up when the window is first shown; tests drive it themselves.
        bool firstActivationOnShow = true;
    };

    TMainForm();
    explicit TMainForm(const Options& options);
    ~TMainForm() override;

    // Program constants.
    static constexpr int kVersion = 110;
    static constexpr int kYear = 2013;
    static QString shownVersion();  // "1.10"
    static QString programTitle();  // "Lamelin 1.10"

    // Directories, each ending with "/" (empty when unknown).
    QString FileDirPrg;
    QString FileDirLocal;
    QString FileDir;
    QString DataDir;
    bool dataIniConfigured = false;  // Data.ini names the data path (DataDir)
    QString commonAppDataDir;  // without trailing "/"; empty when unavailable
    QString documentsDir;      // without trailing "/"; empty when unavailable
    bool dataDirNotFound = true;
    int localTemplateVersion = 0;

    // The open firm: its directory name ("D3"), empty when none.
    QString firmDirName;
    QString firmDir() const;           // FileDir + D + "/"
    QString firmSettingsPath() const;  // FileDir + D + "/" + D + ".ini"

    QStringList DatoveSoubory;  // the data-file list
    int TypPisma = 0;
    int Kodovani = 1;

    // Status bar: panel 0 hints and messages, 1 record position, 2 "EDIT", 3 empty.
    void setStatusText(int panel, const QString& text);
    QString statusText(int panel) const;

    // Enables the firm's commands when a firm directory is set and exists (TypDp1).
    void TypDp1();
    // Shows the firm selection and opens the chosen firm; false when the user chose the end.
    bool VyberDanoveho();
    // Upgrades a register of the earlier layout and opens the register (PrevodSeznF1).
    void PrevodSeznF1();
    // Copies a register file set (kind 1: Data.*, kind 2: Uziv.*) from `source` to `target`.
    static void KopSezn1(const QString& source, const QString& target, int kind);
    // Taking over the data of an earlier release (src/firms/Prevod.cpp): the start-up check
    // that offers it (KontrolaInst1), the conversion from the earlier register `earlier`
    // (KontrolaInst2, which reports its outcome), and its two parts: the register and the firm
    // directories of the earlier data directory `dir`. The parts undo what they did and return
    // false on failure, with the reason in `reason` when there is one to tell; `omitted`
    // receives the fields of earlier firm tables that ours lack ("D1/Hdok: Pozn").
    void KontrolaInst1();
    void KontrolaInst2(const QString& current, const QString& earlier);
    bool PrevodVozidel1(const QString& dir);
    bool PrevodVozidel2(const QString& dir, QString* reason = nullptr, QStringList* omitted = nullptr);
    // The firm printer choice; mode 1 also shows the printer setup dialog.
    void VyberTisk1(int mode);
    // Switches the fonts of a report and of every element on it to their central-European
    // variants: " CE" is appended to each font name that does not contain it yet. Elements are
    // the report's child objects that have a font.
    static void PrevodPisma1(QObject* report);
    // Opens a document with its program, or starts a program with parameters (a quoted
    // parameter is one argument). False when that could not be done.
    static bool ExecuteFile1(const QString& file, const QString& parameters);
    // Card entry (the command "Zápis do kartotéky"): re-reads the cards, shows the card window
    // on the first card, or with `fromPrint` on the card Hspl.C1, and hands a print request on
    // to the print window.
    void ZapisN2(bool fromPrint);
    // Search and correction (the command "Vyhledávání, opravy"): the search window on the first
    // card, or with `fromPrint` on the card Hspl.C1. Marks left on disk by a program that ended
    // with a selection open are cleared before the window shows anything; the marks of this
    // selection are cleared when it closes. A print request is handed on to the print window.
    void OpravyN2(bool fromPrint);
    // The print window (mode 2 from the menu and after card entry or search): re-reads the
    // tables and empties the status panels first.
    void VyberTisku1(int mode);
    // "Společné údaje": the common data window on the firm's Hspl row.
    void Spolecneudaje2Click();
    // The catalogue commands: the catalogue window outside pick mode, on its first row.
    void Databazehub1Click();
    void Databazelokalit1Click();
    // The firm's printer as chosen by VyberTisk1 (empty: the system default).
    QString currentPrinterName() const { return m_currentPrinter; }
    // Makes `name` the firm's current printer and selects it in ListBoxT (the print window's
    // printer choice).
    void setCurrentPrinter(const QString& name);
    // Paper, orientation and margins chosen in the printer set-up (the default page until then).
    QPageLayout printerPageLayout() const { return m_pageLayout; }
    QListWidget* ListBoxT = nullptr;
    QListWidget* ListBox2 = nullptr;

    // "Export nálezů (Darwin Core) ...": the cards of the open firm as a Darwin Core archive.
    void Exportnalezu1Click();
    // Prints the firm list: the firm selection's register in its order and under its filter,
    // shown in the print preview (printing happens from there).
    void Tiskseznamufirem1Click();
    // ---- backup and restore (Cesty.cpp) --------------------------------------------------------
    // The firm name for archive file names: the label heading of the open firm made file-name
    // safe, or the firm directory name. Computed by NazevSb1 when the backup or restore opens.
    QString NazevSb;
    void NazevSb1();
    // The path templates of this run and the open firm (see PathTemplates for the kinds).
    backup::PathTemplates pathTemplates() const;
    // CestyTyp1: the proposed path of `location` (1 data, 2 documents, 3 removable medium,
    // 4 none) for `kind` (1 archive, 4 text file), in placeholder form; `firmNameStem` names an
    // archive after the firm (NazevSb) instead of its directory.
    QString CestyTyp1(int location, int kind, const QString& prefix = QString(), bool firmNameStem = false) const;
    // CestyTyp2: the full path of a stored path, or one of the two texts of an unusable path.
    QString CestyTyp2(const QString& path, int kind) const;
    // CestyTyp3: a full path in placeholder form, as it is stored.
    QString CestyTyp3(const QString& fullPath) const;
    // DirTyp and DirTyp2: the starting directory of a file dialog.
    QString DirTyp(int kind, const QString& path = QString()) const;
    QString DirTyp2(const QString& path, const QString& defaultDir) const;
    // "&Zálohování dat" and "&Obnovení dat".
    void Zalohovanidat1Click();
    void Obnovenidat1Click();
    // Rolls back a restore of the firm directory `dir` that did not finish, telling the user.
    void recoverUnfinishedRestore(const QString& dir);

    // Switches the data directory: the shared directory `path` for network data (when it holds
    // a register; else the local data with a message), the local data directory otherwise;
    // then the session and the register follow it.
    void applyDataLocation(bool network, const QString& path);

    // Erases the card index of the open firm after two confirmations.
    void eraseCardIndex();
    // The rest of the start-up, run once on the first activation; tests call it directly.
    void firstActivation();
    bool firstActivationDone() const { return m_firstActivationDone; }

    QAction* action(const QString& objectName) const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildMenu();
    void buildSpeedBar();
    void buildStatusBar();
    void findDataDirectory(const Options& options);
    void checkTemplateVersion();
    void placeWindow();
    void refreshTemplates();
    void applyPrinterChoice();
    void fitStatusPanels();
    // Widens a status panel so that each of `texts` fits in it whole.
    static void fitPanelTo(QLabel* panel, const QStringList& texts);
    QAction* addCommand(QMenu* menu, const QString& name, const QString& caption, const QString& hint,
                        const QKeySequence& shortcut = QKeySequence());

    Options m_options;
    bool m_firstActivationDone = false;
    bool m_firstActivationPending = false;
    bool m_closing = false;
    QString m_currentPrinter;
    QPageLayout m_pageLayout{QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10),
                             QPageLayout::Millimeter};
    QList<QLabel*> m_panels;
    QWidget* m_speedBar = nullptr;
    QList<QToolButton*> m_speedButtons;
    QList<QMenu*> m_firmMenus;
    // The firm list report, made on first use and kept with the window.
    TRvoz1aReport* m_firmListReport = nullptr;
};
