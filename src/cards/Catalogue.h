#pragma once

#include <QDialog>
#include <QString>
#include <QVector>

#include "TDBGrid.h"

class QFrame;
class QPushButton;
class TDataSource;
class TDBEditz;
class TDBNavigator;
class TFindCatalogueForm;
class TTable;

// What the fungi and the locality catalogue windows share: an edit frame over the catalogue
// cursor, a read-only grid of its rows, the navigator, "&Přenést" (pick mode only) and
// "&Zavřít"; the keyboard map of the record windows; the order stored by the find dialog; the
// close query; and the closing sequence that puts the cursor back in its default order and
// re-reads the catalogue. TEkdh1Form and TEkdl1Form fill in fields, columns, names and texts.
//
// The window is modal and frees itself when closed. exec() returns PickResult when a row was
// chosen ("&Přenést", or Enter or a double click in the grid in pick mode); the catalogue cursor
// then stands on that row. Any other way of closing returns QDialog::Rejected.
class TCatalogueForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int PickResult = QDialog::Accepted;

    struct EditField {
        QString objectName;  // "DBEditKodh"
        QString field;       // "Kodh"
        QString hint;
    };
    struct Order {
        QString field;
        QString caption;  // window caption in this order
    };
    struct Setup {
        QString objectName;                   // "Ekdh1Form"
        QString caption;                      // "Databáze hub"
        QString placementName;                // "DatabazeH1"
        QString orderKey;                     // "Vyhledavani20Podle"
        QVector<Order> orders;                // by stored index; the first is the default order
        QPoint narrowPosition, widePosition;  // default positions (left, top)
        QSize clientSize;
        QVector<EditField> edits;  // tab order; the last has its own Enter handling
        // Shift+Enter in the last edit box goes to the one before it (else to the first).
        bool shiftEnterToPrevious = false;
        QString gridName;
        QVector<TDBGrid::Column> columns;
    };

    TCatalogueForm(const Setup& setup, TTable* table, TDataSource* source, QWidget* parent);
    ~TCatalogueForm() override;

    TDBGrid* grid() const { return m_grid; }
    TDBNavigator* DBNavigator;
    QPushButton* CopyButton;
    QPushButton* CloseButton;
    TDBEditz* edit(int index) const { return m_edits.value(index); }
    bool pickMode() const { return m_pickMode; }

    // Applies the stored order ("Vyhledavani2xPodle"): the cursor's order and the caption. A value
    // outside the orders leaves both as they are.
    void Podle1();

public slots:
    void CopyButtonClick();
    void done(int result) override;

protected:
    // Builds the window; the subclass calls it at the end of its constructor.
    void build();
    // The edit frame: the subclass lays out the edit boxes (already created and bound) with
    // their labels.
    virtual void layOutEditFrame(QFrame* frame) = 0;
    virtual TFindCatalogueForm* createFindForm() = 0;
    // Tells the data module whether the window is open (it moves the focus on a new row).
    virtual void setOpenFlag(bool open) = 0;
    // Recounts the rows into the data module's count and shows the position.
    virtual void countRows() = 0;

    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

    TTable* table() const { return m_table; }
    // Puts the focus into the first edit box (a new row, F4 in the grid).
    void focusFirstEdit();

private:
    bool handleKey(QWidget* target, QKeyEvent* key);
    bool handleEnter(QWidget* target, Qt::KeyboardModifiers modifiers);
    bool gridHasFocus() const;
    // Runs an action on the cursor; a failure is shown in an error box.
    template <typename F>
    void guarded(F action);
    bool closeQuery();
    void closingSequence();

    Setup m_setup;
    TTable* m_table;
    TDataSource* m_source;
    TDBGrid* m_grid;
    QVector<TDBEditz*> m_edits;
    bool m_pickMode = false;
    bool m_activated = false;
    bool m_closing = false;
};
