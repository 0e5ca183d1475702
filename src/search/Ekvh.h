#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QPushButton;
class TDBCheckBoxz;
class TDBEditz;
class TTable;

// The extended search ("Rozšířené vyhledávání"): criteria kept in the common data Hspl (names
// as a prefix or anywhere in the text, a range of numbers, a range of dates) select cards by
// marking them in the card table itself (Neh = "A", one UPDATE statement); the search window's
// cursor Hdok3 then shows only the marked cards. Every selection first unmarks all cards, so
// selections never add up. The marks stay on disk until "Zr&ušit výběr" or the closing of the
// search window clears them.
//
// Modal, opened from the search window only; frees itself when closed.
class TEkvhForm : public QDialog {
    Q_OBJECT
public:
    explicit TEkvhForm(QWidget* parent = nullptr);
    ~TEkvhForm() override;

    // The marking statement for the criteria of `common` (the Hspl row), line by line: the
    // update, " where" and one line per filled criterion joined by " and"; only the update when
    // no criterion is filled. Typed text is quoted, and %, _ or \ in it are matched as themselves.
    static QStringList selectionStatement(const TTable& common);

    // ---- controls, in tab order ---------------------------------------------------------------
    TDBCheckBoxz* DBCheckBoxNlt;
    TDBEditz* DBEditKdh1;
    TDBEditz* DBEditNla1;
    TDBCheckBoxz* DBCheckBoxNct;
    TDBEditz* DBEditNce1;
    TDBCheckBoxz* DBCheckBoxLkt;
    TDBEditz* DBEditKdl1;
    TDBEditz* DBEditLk1;
    TDBEditz* DBEditEvc1o;
    TDBEditz* DBEditEvc1d;
    TDBEditz* DBEditD1o;
    TDBEditz* DBEditD1d;
    QPushButton* VyberButton;
    QPushButton* ZrusitButton;
    QPushButton* CloseButton;
    QLabel* LabelKdh1;
    QLabel* LabelKdl1;
    QLabel* LabelD1o;
    QLabel* LabelD1d;

    // ---- operations ---------------------------------------------------------------------------
    // "Vy&brat": unmark every card, mark those that meet the criteria, show them in the search
    // window as the selection.
    void VyberButtonClick();
    // "Zr&ušit výběr": unmark every card and show all cards again.
    void ZrusitButtonClick();
    // Pick a species or a locality from its catalogue into the criteria.
    void PrenosSporin1();
    void PrenosLok1();

public slots:
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void buildWindow();
    TDBEditz* makeEdit(const char* name, const char* field, const QString& hint);
    TDBCheckBoxz* makeCheck(const char* name, const char* field);
    // Writes the criteria being typed and posts them; false when that was refused.
    bool postCriteria(QPushButton* focusTo);
    // Runs the marking statement `sql` and shows the outcome in the search window: with
    // `select` the marked cards as a selection, otherwise all cards.
    void mark(const QStringList& sql, bool select);
    void speciesCodeLeft();
    void localityCodeLeft();

    QString m_speciesCode;
    QString m_localityCode;
    bool m_closing = false;
};

extern TEkvhForm* EkvhForm;
