#pragma once

#include <QDialog>

#include "TDatabase.h"
#include "TTable.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TEditz;

// The data location window ("Výběr práce s daty"): whether this computer works on its local
// data directory or on a data directory shared by several computers (recorded per computer as
// "Net" and "Path" in the local Sporin.ini), and the copy of an empty shared data directory onto
// a mounted volume, done once, on the first computer. Closing the window in any way applies the
// choice: the data directory, the session's network control directory and the register follow.
class TAu5Form : public QDialog {
    Q_OBJECT
public:
    explicit TAu5Form(QWidget* parent = nullptr);
    ~TAu5Form() override;

    QLabel* Label3;
    QLabel* Label1;
    QComboBox* DriveComboBox;  // mounted volumes; item data: the volume's directory with '/'
    QLabel* Label2;
    TEditz* Edit1;  // name of the directory to create for the copy
    QPushButton* CopyButton;
    QRadioButton* RadioButton1;
    QRadioButton* RadioButton2;
    TEditz* Edit3;  // path of the shared "Data.DB"
    QPushButton* BitBtn3;
    QPushButton* OKButton;
    // The template register of this computer, emptied before it seeds a shared directory.
    TDatabase TemplateDb;
    TTable TablePr;

    // The directory the copy goes to: the chosen volume + the directory name, with '/'.
    QString copyTarget() const;
    // The directory part of the path edit (up to and including its last '/'); empty when none.
    QString sharedDirectory() const;

public slots:
    void CopyButtonClick();  // "&Kopírovat data"
    void BitBtn3Click();     // "..."

protected:
    void done(int result) override;
    void showEvent(QShowEvent* event) override;
    void reject() override;  // Esc closes with the OK result, as the button does
    bool event(QEvent* event) override;

private:
    void fillDrives();
    void emptyTemplateTable(const QString& name);
};
