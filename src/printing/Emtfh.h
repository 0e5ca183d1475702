#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTabWidget;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class TDBCheckBoxz;
class TDBEditz;
class TReport;
class TRpdReport;
class TRplk1Report;

// The print selection "Tisk": one of the two card-index print-outs (registration labels for a
// range of numbers, the species list of a locality) with its parameters, sent to the preview
// or the printer; the firm's printer choice, what F6 does and the report font family; and the
// species text file of a locality. The parameters are fields of Hspl, edited in place, so each
// firm keeps its own.
//
// Modal; frees itself when closed. exec() returns ZapisResult ("Zá&pis", F2: the card window on
// card Hspl.C1), OpravyResult ("&Opravy", F4: the search browser on that card) or Rejected.
class TEmtfhForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int ZapisResult = QDialog::Accepted;
    static constexpr int OpravyResult = 6;

    explicit TEmtfhForm(QWidget* parent = nullptr);
    ~TEmtfhForm() override;

    // Prepares the window for the caller; mode 2 (the main window): the card-index tab active,
    // the focus in the tree.
    void Nastaveni(int mode);
    // Runs the selected print-out as a preview (`print` false) or on the printer; nothing when
    // no print-out is selected.
    void PickReport(bool print);
    // Writes the species text file of the chosen locality (all localities when none is chosen)
    // and opens it when the settings say so.
    void ButtonUlozit1Click();
    // The text-file settings window.
    void ButtonNastav1Click();
    // Picks the locality from the locality catalogue.
    void PrenosLok1();

    // The text-file settings of the firm: the path template ("TXT"/"Cesta") and whether the
    // file is opened after writing ("TXT"/"Zobrazit").
    QString txtPath() const { return m_txtPath; }
    void setTxtPath(const QString& path) { m_txtPath = path; }
    bool txtShow() const { return m_txtShow; }
    void setTxtShow(bool show) { m_txtShow = show; }

    // The reports, made on first use (nullptr before).
    TRpdReport* RpdReport = nullptr;
    TRplk1Report* Rplk1Report = nullptr;

    QTabWidget* PageControl;
    QWidget* TabSheet1;
    QWidget* TabSheet5;
    QTreeWidget* TreeView;
    QPushButton* PreviewButton;
    QPushButton* TiskButton;
    QStackedWidget* Notebook;
    TDBEditz* DBEditC1;
    TDBEditz* DBEditC2;
    TDBEditz* DBEditHo;
    TDBEditz* DBEditLo;
    TDBEditz* DBEditKo;
    TDBCheckBoxz* DBCheckBoxKpx;
    QPushButton* SpeedButtonNastaveni1;
    QLabel* LabelKdls;
    TDBEditz* DBEditKdls;
    TDBEditz* DBEditLks;
    TDBCheckBoxz* DBCheckBoxPr;
    TDBEditz* DBEditLo1;
    TDBEditz* DBEditKox;
    TDBCheckBoxz* DBCheckBoxKp;
    QGroupBox* GroupBoxTXT;
    QPushButton* ButtonUlozit1;
    QPushButton* ButtonNastav1;
    QPushButton* SpeedButtonNastaveni;
    QRadioButton* RadioButtonN;
    QRadioButton* RadioButtonT;
    QComboBox* ComboBoxT;
    QCheckBox* CheckBoxTisk;
    QRadioButton* RadioButtonP;
    QRadioButton* RadioButtonCe;
    QPushButton* OpravyButton;
    QPushButton* ZapisButton;
    QPushButton* CloseButton;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    QWidget* buildCardIndexTab();
    QWidget* buildLabelPage();
    QWidget* buildLocalityPage();
    QWidget* buildPrinterTab();
    void buildTree();
    void TreeViewChange();
    int selectedReport() const;

    void runLabels(bool print);
    void runLocality(bool print);
    void TiskoveParametry(TReport& report);
    void Nahled2(TReport& report);
    void Tisk2(TReport& report);
    void Ulozit1();
    void Nacist1();
    void Vychozi1();
    void typedLocality();
    void ComboBoxTChange(int index);
    void printerSetup();
    void postCommon();
    void SporinTxt1(const QString& path);

    QString m_txtPath;
    bool m_txtShow = true;
    QString m_enteredKdls;
};

// The open print selection window, nullptr when none.
extern TEmtfhForm* EmtfhForm;
