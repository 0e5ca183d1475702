#pragma once

#include <QDialog>
#include <QSize>
#include <QString>
#include <QVector>

class QButtonGroup;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TTable;

// The find dialog of a catalogue window ("Vyhledávání"): the radio group "Vyhledávat podle"
// chooses the order of the catalogue cursor (and renames the owning window), and every change
// of the text in FindEdit moves the cursor to the nearest row in that order, so that the window
// behind follows the typing. The chosen item is stored under "<prefix>Podle" in the firm
// settings and becomes the window's order when it opens next. TFind20Form (fungi) and
// TFind21Form (localities) fill in the items. The dialog frees itself when closed; Enter in the
// search box and Esc press "Zavřít".
class TFindCatalogueForm : public QDialog {
    Q_OBJECT
public:
    struct Item {
        QString caption;       // radio item
        QString field;         // order field
        QString ownerCaption;  // caption of the owning window in that order
    };
    struct Setup {
        QString objectName;  // "Find20Form"
        QString name;        // settings prefix: "Vyhledavani20"
        QVector<Item> items;
        QString hint;      // of the search box
        QSize clientSize;  // minimum client size
    };

    TFindCatalogueForm(const Setup& setup, TTable* table, QWidget* owner);

    QGroupBox* RadioGroup;
    QLineEdit* FindEdit;
    QPushButton* CloseButton;
    QRadioButton* item(int index) const;
    // The chosen item, -1 when none.
    int itemIndex() const;

public slots:
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void choose(int index);
    void search(const QString& text);

    Setup m_setup;
    TTable* m_table;
    QWidget* m_owner;
    QButtonGroup* m_items;
    int m_stored = 0;  // the stored order index, written back unless the user chooses another
};
