#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TDBGrid;
class TDBNavigator;

// The search and correction window ("Vyhledávání, opravy"): the cards in a read-only grid on
// the data module's second card cursor Hdok3, in one of five orders with a find box for each,
// restricted to a selection by the extended search, and opened one at a time for correction in
// the card window, which works on the card cursor Hdok above this one.
//
// The window is modal and frees itself when closed. exec() returns PrintResult when it closed
// with "&Tisk" or F6 (the common data then hold the current card's number as the label range
// C1 = C2), QDialog::Rejected otherwise. TMainForm::OpravyN2 opens it and does what follows
// (clearing the selection marks, the print window).
class TEkovForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int PrintResult = QDialog::Accepted;

    // Hdok3 must be open: the window shows and moves it, and closes nothing of it.
    explicit TEkovForm(QWidget* parent = nullptr);
    ~TEkovForm() override;

    // Requests shared with the main window, both cleared when it opens the window:
    // the window moves to the first card once shown (opened from the menu, not from print);
    static bool goToFirst;
    // the window closed with its print result, so the print window comes next.
    static bool printAfterSearch;

    // Unmarks every card on disk (Neh = "N"), ending any selection stored there. Throws what
    // the statement throws.
    //
    // Unmarking reads every card, which takes a noticeable moment in a large card index, so the
    // firm settings file notes whether marks may be on disk (kMarksKey: 1 from just before a
    // selection is marked until the marks are cleared, 0 after). Only a firm that notes 0 is
    // known clean and is not read; a missing note (a firm from an earlier release) counts as
    // marked. markingStarts() writes the note before marks are written, so a program that dies
    // holding a selection leaves 1 behind.
    static void unmarkAll();
    static void markingStarts();
    static const char* const kMarksKey;

    // The order choice 0..4 (number, Latin name, Czech name, locality, date).
    int choice() const;
    // True while the grid shows only the cards marked by the extended search.
    static bool selectionActive();

    // ---- controls ----------------------------------------------------------------------------
    QGroupBox* GroupBox1;
    QRadioButton* RadioButtonEvc1;
    QRadioButton* RadioButtonNla1;
    QRadioButton* RadioButtonNce1;
    QRadioButton* RadioButtonLk1;
    QRadioButton* RadioButtonD1;
    QLineEdit* FindEditEvc;
    QPushButton* ButtonEvc;
    QLineEdit* FindEdit;
    QLineEdit* FindEditD;
    QPushButton* ButtonD;
    QPushButton* OprBitBtn;
    TDBGrid* DBGridHdok3;
    TDBNavigator* DBNavigator;
    QPushButton* RozButton;
    QLabel* LabelPocet;
    QPushButton* PrnBitBtn;
    QPushButton* CloseButton;

    // ---- operations --------------------------------------------------------------------------
    // Corrects the current card in the card window, which takes over this cursor's filter and
    // order and stands on the same card; afterwards the grid stands on the card left there.
    void Opravy1();
    // The extended search; afterwards the find boxes are offered only without a selection.
    void Rozsirene1();
    // "Počet druhů: n" for a selection made by the locality name alone, else empty.
    void ZobrPocet();
    // The order choices: number, names and locality, date.
    void TextEvc1();
    void Text1();
    void TextD1();
    // The find buttons and the incremental search of the name and locality orders.
    void ButtonEvcClick();
    void ButtonDClick();
    void FindEditChange(const QString& text);

public slots:
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void buildWindow();
    QRadioButton* makeChoice(const char* name, const QString& text);
    // Shows the find controls of the current choice, none while a selection is active.
    void showFindControls();
    void applyChoice(int choice);
    bool handleKey(QWidget* target, QKeyEvent* key);
    void closingSequence(int result);

    bool m_closing = false;
};

// The open search and correction window, nullptr when none.
extern TEkovForm* EkovForm;
