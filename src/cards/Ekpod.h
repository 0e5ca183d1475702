#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QToolButton;
class TEditz;

// The text-file settings "Nastavení": where the species text file is written (a path template
// with placeholders, shown expanded below it), whether it is opened after writing, and its
// character encoding (one for all firms). Opened by the print selection window, which keeps
// the values and stores them.
//
// Modal; frees itself when closed, writing the edited values back into the caller's Values.
class TEkpodForm : public QDialog {
    Q_OBJECT
public:
    struct Values {
        QString path;      // path template
        bool show = true;  // open the file after writing
        int encoding = 1;  // 0 UTF-8, 1 windows-1250, 2 iso-8859-2
    };

    // `values` must outlive the window; it receives the edited values when the window closes.
    TEkpodForm(Values& values, QWidget* parent = nullptr);
    ~TEkpodForm() override;

    // Mode 1: the focus goes to the full path, ready for copying.
    void Nastaveni(int mode);

    // The expansion of the template into the full path field.
    void expand();
    // "..." : the file chosen in a file dialog.
    void BitBtnAdr1Click();
    // The default template of the data (1) or documents (2) location, after a confirmation.
    void proposeLocation(int location);
    // Deletes the file of the full path after a confirmation; only a ".txt" or ".csv" file.
    void ButtonVmClick();

    TEditz* EditDte;
    QToolButton* BitBtnAdr1;
    TEditz* EditCesta1;
    QCheckBox* CheckBoxNzt;
    QPushButton* BitBtnDat;
    QPushButton* BitBtnUziv;
    QPushButton* ButtonVm;
    QComboBox* ComboBoxKds;
    QPushButton* OKButton;

protected:
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    Values& m_values;
};
