#pragma once

#include <QDialog>

class QButtonGroup;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TEditz;
class TTable;

// The find dialog of the card window ("Vyhledávání"): the radio group "Vyhledávat podle" chooses
// the order of the card cursor (registration number, Latin name, Czech name, locality, date),
// renames the card window and goes to the first card; the order is stored as
// "Vyhledavani22Podle" and is the card window's order next time. Each order has its own search:
// an exact registration number ("&Najdi"), the nearest name or locality while typing, or an exact
// date ("&Najdi", the typed date completed as in the date fields). After every move it causes
// the card window remembers its codes. The dialog frees itself when closed.
class TFind22Form : public QDialog {
    Q_OBJECT
public:
    // `table` is the card cursor (DM1->Hdok); `owner` the card window, renamed with the order.
    TFind22Form(TTable* table, QWidget* owner);

    QGroupBox* RadioGroup;
    TEditz* FindEditEvc;
    QPushButton* ButtonEvc;
    QLineEdit* FindEdit;
    TEditz* FindEditD;
    QPushButton* ButtonD;
    QPushButton* CloseButton;
    QRadioButton* item(int index) const;
    int itemIndex() const;

public slots:
    void ButtonEvcClick();
    void ButtonDClick();
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void choose(int index);
    void search(const QString& text);
    void rememberCodes();

    TTable* m_table;
    QWidget* m_owner;
    QButtonGroup* m_items;
    int m_stored = 0;
};
