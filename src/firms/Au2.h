#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class TDBEdit;
class TAuto1Form;

// The new-firm dialog ("Nová firma"). The firm selection has appended the register row with
// its number and directory name; the user types the name and confirms with "&Firma", which
// stores the row and creates the firm directory through the selection window. "&Zavřít"
// (Cancel result) leaves the row to the caller to drop. Freed when closed.
class TAu2Form : public QDialog {
    Q_OBJECT
public:
    // `owner` is the firm selection whose register row is being created.
    explicit TAu2Form(TAuto1Form* owner, QWidget* parent = nullptr);

    QLabel* Label1;
    TDBEdit* DBEditNazev;
    QPushButton* OKButton;
    QPushButton* CancelButton;

public slots:
    void OKButtonClick();

private:
    TAuto1Form* m_owner;
};
