#pragma once

#include <QDialog>

#include "TDataSource.h"
#include "TDatabase.h"
#include "TTable.h"

class QAction;
class QCheckBox;
class QMenu;
class QPushButton;
class TDBGrid;

// The firm selection: the register of firms in a grid, the commands that maintain it (new firm,
// name, delete, password, order and positions) and the checks before a firm is opened (stale
// locks, another user working on it, its password). Created once at program start and shown
// modally whenever a firm is chosen; exec() returns EndResult only for "&Konec" (and for Ctrl+P
// on an empty register), any other result hands the current register row to the main window.
//
// The register lives in the data directory: the table Data (Cislo, Pozice, Nazev, Adresar) and
// the password table Uziv (Cislo, Heslo), reached through the database Nazvy of the data
// module's session. A firm's directory is FileDir + Adresar.
class TAuto1Form : public QDialog {
    Q_OBJECT
public:
    // The result of "&Konec": the program ends.
    static constexpr int EndResult = 2;

    // Needs the main window and the data module (their global variables) to exist.
    explicit TAuto1Form(QWidget* parent = nullptr);
    ~TAuto1Form() override;

    // ---- the register (datasets before their data sources: the sources go first) ----------
    TDatabase Nazvy;
    TTable Auto1;   // the register in the grid; order Cislo, Pozice or Nazev
    TTable Uziv;    // detail of Auto1 by Cislo: the current firm's password row
    TTable AutoP1;  // a register of the earlier layout (Cislo, Nazev, Adresar), for the upgrade
    TTable AutoP2;  // the register in the current layout: upgrade test and target
    TTable TableA;  // second cursor on the register, for printing the firm list
    TDataSource Auto1Source;
    TDataSource UzivSource;

    // ---- controls -------------------------------------------------------------------------------
    TDBGrid* DBGridAuto1;
    QPushButton* OKButton;
    QPushButton* Button3;
    QPushButton* Button1;
    QPushButton* Button2;
    QCheckBox* CheckBoxF;
    QPushButton* Button5;
    QPushButton* Button4;
    // The order menu of the grid (right mouse button).
    QMenu* PopupMenu1;
    QAction* Razeniautomaticky1;
    QAction* Razenipodlenazvu1;
    QAction* Razenivlastni1;
    QAction* Zmenitpozicefirem1;
    QAction* Vymazatvlastninastaveni1;

    // ---- operations -------------------------------------------------------------------------
    // The in-use test: opens the chosen firm's Hdatl exclusively through the data module.
    // Returns false when that fails, which it does while another session has the firm open; a
    // Hdatl refused for its contents (damaged, foreign) after the lock was granted leaves the
    // firm free. The caller closes Hdatl again (see closingChecks).
    bool TestOtevreni();
    // Reports a firm in use ("Tuto firmu právě zpracovává jiný uživatel.") after closing Hdatl.
    void TestChyba();
    // Switch the order of the register (Cislo, Pozice, Nazev) and check the matching menu item.
    void RazeniAuto();
    void RazeniVlastni();
    void RazeniNazev();
    // The order as stored in "Razeni": 0 own, 1 by number, 2 by name.
    int razeni() const;

    // The checks before the current firm is opened (and deleted): stale lock removal, the in-use
    // test and the password prompt. Returns false after reporting the failure; the password
    // prompt's text is cleared in every case.
    bool closingChecks();

    // For the new-firm dialog: posts the appended register row, creates the firm directory,
    // copies the template tables it lacks into it and restores the order of the register. Throws
    // EDatabaseError when the row cannot be posted; nothing is created then.
    void storeNewFirm();
    // After a refused post of a new firm: gives the pending row the lowest number free now
    // (another computer may have taken the old one) with the matching directory name.
    void renumberNewFirm();

public slots:
    void OKButtonClick();                  // "&Otevřít", double click, Enter
    void Button1Click();                   // "&Nová firma"
    void Button2Click();                   // "&Smazat"
    void Button3Click();                   // "Ná&zev"
    void Button5Click();                   // "&Heslo"
    void Button4Click();                   // "&Konec"
    void Razeniautomaticky1Click();        // order by number, remembered at once
    void Razenipodlenazvu1Click();         // order by name
    void Razenivlastni1Click();            // own order
    void Zmenitpozicefirem1Click();        // positions dialog
    void Vymazatvlastninastaveni1Click();  // own order reset to the numbers
    // Ctrl+P: re-arms the search for data of an earlier release (empty register only).
    void PrevodRequest();
    // Ctrl+N: the data-location window, then back to the grid (showing the register of the
    // location chosen there). Ctrl+I: the information window.
    void openDataLocation();
    void openInformation();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void reject() override;  // the close box opens the firm like "&Otevřít"
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildWindow();
    void buildOrderMenu();
    void installKeyPreview(QWidget* widget);
    void writeRazeni(int value);
    // Applies the order kept in the data directory's Sporin.ini ("Razeni").
    void applyStoredOrder();
    bool registerEmpty() const;
    // Reports the empty register ("Není k dispozici žádná firma. ...") and returns true.
    bool reportEmpty();
    bool passwordCheck();
    QString fileDir() const;
    QString currentDirName() const;
    // The lowest positive number not in use, by the walk of the firm number order.
    int lowestFreeNumber(TDataSet& byNumber);
    // Runs `command`, showing a failure it raises in an error box (the command ends there).
    template <typename F>
    void guarded(F command);

    // The order remembered while a new firm is being created, and whether the new row took the
    // own position of the firm that was current (else its position is its number).
    QString m_orderBeforeNew;
    bool m_newFirmKeepsPosition = false;
    bool m_shownBefore = false;
};
