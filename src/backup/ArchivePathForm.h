#pragma once

#include <QDialog>
#include <QPoint>

class IniFile;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QToolButton;

// What the backup window and the restore window share: the archive path field with its recent
// paths (section "Cesty" of the firm settings file, most recent first, at most 20 stored), the
// buttons that propose the standard locations, the own directory, the file choice, the erasing
// of saved paths, the progress bar and the window position. Paths are shown and stored in
// placeholder form; the full path field shows their expansion.
//
// A subclass adds its command button (and the backup its check box), then calls finishLayout()
// and loadSettings() from its constructor. The window frees itself when it closes.
class TArchivePathForm : public QDialog {
    Q_OBJECT
public:
    // What differs between the two windows.
    struct Texts {
        QString caption;
        QString positionKey;    // "ZalohovaniDat", "ObnoveniDat"
        QPoint narrowPosition;  // (left, top) on a screen at most 640 pixels wide
        QPoint widePosition;
        QString hintDat;
        QString hintUziv;
        QString hintMed;
        QString hintVln;
        QString label;     // above the path field
        QString pathHint;  // of the path field
    };

    ~TArchivePathForm() override;

    QPushButton* BitBtnDat;
    QPushButton* BitBtnUziv;
    QPushButton* BitBtnMed;
    QPushButton* BitBtnVln;
    QCheckBox* CheckBoxNzt;
    QLabel* Label3;
    QComboBox* ComboBox1;
    QToolButton* BitBtnAdr1;
    QLineEdit* EditCesta1;
    QProgressBar* ProgressBar1;
    QPushButton* CancelButton;
    // The pop-up menu of "Vlastní &nastavení" (right mouse button).
    QMenu* PopupMenuVln;
    QAction* Vlastninastaveni1;
    QAction* Vymazaniulozenychcest1;
    QAction* Vymazaniulozenychcestostatni1;

    // Expands the archive path field into the full path field and returns the full path.
    QString expandPath();
    // Puts the own directory `dir` (with '/') and the proposed file name into the full path
    // field, and its placeholder form into the archive path field.
    void adoptOwnDirectory(const QString& dir);
    // The text of the archive path field goes to the top of the recent paths: inserted when new,
    // moved when it was there.
    void rememberPath();

public slots:
    // The proposals: data location, documents location, removable medium.
    void BitBtnDatClick();
    void BitBtnUzivClick();
    void BitBtnMedClick();
    // The own directory when one is set, else the own-directory dialog.
    void BitBtnVlnClick();
    void openOwnDirectory();
    // "..." : choose the archive file in a file dialog.
    void BitBtnAdr1Click();
    // Erase the saved paths of backup and restore ("Cesty"), or the other ones ("TXT").
    void erasePaths();
    void eraseOtherPaths();

protected:
    TArchivePathForm(const Texts& texts, QWidget* parent);

    // Lays the window out with the subclass's controls: `besideProgress` (may be null) next to
    // the progress bar, `command` before "&Zavřít".
    void finishLayout(QWidget* besideProgress, QPushButton* command);
    // Reads the settings and fills the path fields, as the window opens.
    void loadSettings();
    // Settings of the subclass alone, read when the window opens and written when it closes.
    virtual void readOwnSettings(const IniFile& settings) {}
    virtual void writeOwnSettings(IniFile& settings) {}

    // Progress bar position for the share done (0 to 1).
    void setProgress(double done);
    void startProgress();
    void stopProgress();
    // Closes and reopens the firm's tables after the work on their files; failures are shown.
    void reopenTables();
    QString firmSettingsPath() const;

    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void buildControls();
    void propose(int location);
    void erase(const QString& question, const QString& section);

    Texts m_texts;
    bool m_savePaths = true;
};
