#pragma once

#include <QDialog>
#include <QString>
#include <functional>

class QLabel;
class QPushButton;
class TDBCheckBoxz;
class TDBEditz;
class TDBNavigator;

// The card window ("Kartotéka"): one card of the card index at a time on the data module's card
// cursor Hdok, written, browsed and corrected by keyboard. A species code typed into the card is
// looked up in the fungi catalogue when the focus leaves the code box and fills the Latin name,
// author and Czech name; a locality code fills the locality name; either catalogue can be opened
// to pick from (Shift+F7, the link labels); the date can be picked from the calendar; a picture
// file can be attached and shown.
//
// The window is modal and frees itself when closed. exec() returns PrintResult when it was
// closed with "&Tisk" (the common data then hold the card's number as the label range C1 = C2),
// QDialog::Rejected otherwise. Callers prepare the card cursor before showing it:
// - the main window (TMainForm::ZapisN2) re-reads it and goes to the first card, or to the card
//   Hspl.C1 after a label print;
// - the search and correction window opens it with ShowForCorrection().
class TEkzpForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int PrintResult = QDialog::Accepted;

    // The window as the main window opens it: "Tisk" shown, F3 finds, and the order stored by
    // the find dialog ("Vyhledavani22Podle") applied when shown.
    explicit TEkzpForm(QWidget* parent = nullptr);
    // The window opened from correction: no "Tisk", F3 ignored, the order left as the caller set
    // it. Used through ShowForCorrection.
    TEkzpForm(QWidget* parent, bool fromCorrection);
    ~TEkzpForm() override;

    // The entry point of the search and correction window. The caller first gives the card cursor
    // Hdok the correction cursor's filter, filtered state and order, refreshes it and moves it to
    // the correction cursor's card. The window is shown modally with the caption "Kartotéka";
    // when it closes, the correction cursor Hdok3 is refreshed and moved to the card current in
    // Hdok. Returns QDialog::Rejected (the window has no print result then). The caller removes
    // the card cursor's filter afterwards.
    static int ShowForCorrection(QWidget* parent);

    bool openedFromCorrection() const { return m_fromCorrection; }

    // ---- controls, in tab order ---------------------------------------------------------------
    TDBEditz* DBEditEvc;
    TDBEditz* DBEditKdh;
    TDBEditz* DBEditNla;
    TDBEditz* DBEditAto;
    TDBCheckBoxz* DBCheckBoxPdh;
    TDBEditz* DBEditNce;
    TDBEditz* DBEditKdl;
    TDBEditz* DBEditLk;
    TDBEditz* DBEditCmp;
    TDBCheckBoxz* DBCheckBoxPdl;
    TDBEditz* DBEditNmv;
    TDBEditz* DBEditSd;
    TDBEditz* DBEditPlo1;
    TDBEditz* DBEditPlo2;
    TDBEditz* DBEditLe;
    TDBEditz* DBEditD;
    TDBEditz* DBEditDt;
    TDBEditz* DBEditObr;
    QPushButton* CloseButton;
    // Not in the tab order.
    QLabel* LabelNla;
    QLabel* LabelLk;
    QLabel* LabelD;
    TDBNavigator* DBNavigator;
    QPushButton* ButtonOb;
    QPushButton* PrnBitBtn;
    QPushButton* BitBtnAdr1;

    // ---- operations ---------------------------------------------------------------------------
    // Applies the stored order and its caption (not when opened from correction); a stored value
    // outside 0..4 leaves both as they are.
    void Podle1();
    // Remembers the current species and locality codes: leaving a code box looks the code up
    // only when it differs from the remembered one.
    void Nastaveni1();
    // Picks a species (Cislo1) or a locality (Cislo3) in its catalogue window, opened in pick
    // mode on the catalogue's current row, and copies the chosen row into the card.
    void Cislo1();
    void Cislo3();
    // Copy the catalogue cursor's current species (Kodh, Nlad, Atod, Nced) or locality (Kodl,
    // Lkd) into the card, empty values included.
    void Cislo2();
    void Cislo4();
    QString rememberedSpeciesCode() const { return m_speciesCode; }
    QString rememberedLocalityCode() const { return m_localityCode; }

    // How the window reaches the system shell and the file dialog; tests replace them.
    // executeFile(file, parameters) opens a document with its program or starts a program and
    // answers whether that worked (default: TMainForm::ExecuteFile1).
    static std::function<bool(const QString& file, const QString& parameters)> executeFile;
    // choosePictureFile(parent, folder) returns the chosen file's full path, empty on cancel.
    static std::function<QString(QWidget* parent, const QString& folder)> choosePictureFile;

public slots:
    void ButtonObClick();
    void BitBtnAdr1Click();
    void PrnBitBtnClick();
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void buildWindow();
    TDBEditz* makeEdit(const char* name, const char* field, const QString& hint);
    bool handleKey(QWidget* target, QKeyEvent* key);
    // Puts the card into edit state; in an empty card index this starts a new card.
    void putInEdit();
    void speciesCodeLeft();
    void localityCodeLeft();
    void pickDate();
    bool closeQuery();
    void closingSequence(int result);

    bool m_fromCorrection = false;
    bool m_activated = false;
    bool m_closing = false;
    QString m_speciesCode;
    QString m_localityCode;
};

// The open card window, nullptr when none.
extern TEkzpForm* EkzpForm;
