#pragma once

#include <QDialog>

class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class TDBEdit;
class TDataSet;
class TDataSource;

// The password window of one firm, opened by "&Heslo" in the firm selection. It works on the
// selection's password dataset `Uziv` (the detail row of the current firm): "&Přidat" stores a
// first password, "&Změnit" replaces it once the old one was typed exactly. Closing the window
// in any way drops a change that was not posted. Created on demand, freed when closed.
class TAu3Form : public QDialog {
    Q_OBJECT
public:
    // `uzivSource` is the data source of the password dataset; it must outlive the window.
    explicit TAu3Form(TDataSource* uzivSource, QWidget* parent = nullptr);

    // Add mode (the firm has no password): the button reads "&Přidat", the old-password row
    // and the second edit are hidden and "Nové heslo" stands beside the first edit. Change
    // mode: "&Změnit" with both rows.
    void setAddMode(bool add);
    bool addMode() const { return m_addMode; }

    QLabel* Label3;
    QLineEdit* Edit1;
    QLabel* Label4;
    QLineEdit* Edit2;
    TDBEdit* DBEditVozidlo;
    QPushButton* Button1;
    QPushButton* CloseButton;

public slots:
    void Button1Click();

protected:
    void done(int result) override;

private:
    // Stores `password` in the current firm's row (appending the row when there is none).
    void storePassword(const QString& password);

    TDataSource* m_source;
    TDataSet* m_uziv;
    QGridLayout* m_grid;
    bool m_addMode = false;
};
