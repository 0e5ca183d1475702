#pragma once

#include <QDialog>

class QPushButton;
class QToolButton;
class TDBCheckBoxz;
class TDBEditz;

// The common data window "Společné údaje": the firm's options that shape card entry, edited
// in place in the one row of Hspl: the heading of the registration label, the usual collector,
// the automatic offer of the catalogues, the number of the next card and the picture viewer.
// The caller puts the row into edit state; closing the window in any way saves it (a refused
// save keeps the window open).
//
// Modal; frees itself when closed.
class TEkslForm : public QDialog {
    Q_OBJECT
public:
    explicit TEkslForm(QWidget* parent = nullptr);
    ~TEkslForm() override;

    // "..." : the viewer program chosen in a file dialog.
    void BitBtnAdr1Click();

    TDBEditz* DBEditSna;
    TDBEditz* DBEditSle;
    TDBCheckBoxz* DBCheckBoxSdt;
    TDBEditz* DBEditCislo;
    TDBEditz* DBEditPobr;
    QToolButton* BitBtnAdr1;
    TDBCheckBoxz* DBCheckBoxSpr;
    QPushButton* OKButton;

protected:
    void done(int result) override;
    bool event(QEvent* event) override;
};
