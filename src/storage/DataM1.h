#pragma once

#include <QDate>
#include <QObject>
#include <QString>
#include <functional>

#include "TDataSet.h"
#include "TDataSource.h"
#include "TDatabase.h"
#include "TQuery.h"
#include "TSession.h"
#include "TTable.h"

// Kinds of message box the data module asks for.
enum class DmMessage { Error, Information };

// The data module: the session "DenikSession", the database "Denik" over the open firm's
// directory, every dataset of the firm with its data source, and the record rules that hold
// whichever window edits the data (new-record defaults, registration numbers, catalogue
// transfers, normalisation of empty numbers, the duplicate-number message, the period check of
// the extended search, the name with author, forgiving date entry, status-bar texts).
//
// The module has no widgets. It reaches the main window through its signals, shows message
// boxes through `showMessage` and asks for a date through `pickDate`; the application connects
// both. The module owns the datasets' events (BeforePost, AfterPost, AfterDelete, AfterOpen,
// OnNewRecord, OnCalcFields, OnPostError) and the signals of its data sources; windows must not
// replace them.
//
// Single-threaded: everything runs on the user-interface thread.
class TDM1 : public QObject {
    Q_OBJECT
public:
    explicit TDM1(QObject* parent = nullptr);
    ~TDM1() override;

    // Program title shown in the main window caption: "Lamelin 1.10".
    static QString programTitle();

    // ---- components (declaration order matters: datasets die before the database) ----------
    TSession Session{QStringLiteral("DenikSession")};
    TDatabase Database{&Session, QStringLiteral("Denik")};
    TTable Hdok;     // cards, cursor of card entry; default order Evc
    TTable Hdok3;    // second cursor on the cards, for search and correction; order Evc
    TTable Hdath;    // fungi catalogue; order Nlad
    TTable Hdatl;    // locality catalogue; order Lkd
    TTable Hspl;     // one row of common data and saved options; physical order
    TQuery HdokQr;   // "Select * from Hdok" + calculated Nlak; other windows replace the SQL
    TQuery HdokQr1;  // "Select distinct Lk, Nla, Nce from Hdok"
    // Data sources, children of this object.
    TDataSource* HdokSource;
    TDataSource* Hdok3Source;
    TDataSource* HdathSource;
    TDataSource* HdatlSource;
    TDataSource* HsplSource;
    TDataSource* HdokQrSource;
    TDataSource* HdokQr1Source;

    // ---- module-wide state shared with the windows -----------------------------------------
    // Cleared while the tables are being opened; while clear, the status handlers do nothing.
    bool statusUpdate = false;
    // Off while a new record's defaults are set; the card window's code lookups run only when on.
    bool codeLookup = true;
    // Last counted numbers of records of Hdok, Hdok3, Hdath, Hdatl.
    int cardCount = 0;
    int searchCount = 0;
    int speciesCount = 0;
    int localityCount = 0;
    // Cards were marked as a selection; the marks are reset when the search window closes.
    bool selectionResetPending = false;
    // Set by the windows while they are open.
    bool cardWindowOpen = false;
    bool speciesWindowOpen = false;
    bool localityWindowOpen = false;
    bool extendedSearchOpen = false;

    // Shows a message box of the given kind. Unset: messages are dropped.
    std::function<void(DmMessage, const QString&)> showMessage;
    // Lets the user pick a date, starting at `date`; returns true with `date` set on OK.
    // Unset: KDatum does nothing.
    std::function<bool(QDate& date)> pickDate;

    // ---- operations ----------------------------------------------------------------------------
    // Prepares the session for the data directory `fileDir`: network control directory in
    // capital letters, no private directory, the table password. Does nothing for an empty
    // `fileDir` (no data directory was found).
    void createStep(const QString& fileDir);
    // Disconnects Denik (closing every dataset) and points it at the firm directory `dir`.
    void setFirmDirectory(const QString& dir);
    // Opens Hspl, Hdath, Hdatl, Hdok in this order, refreshes them, sets the caption and empties
    // status panels 0-2. Any failure propagates (EDatabaseError); the status handlers then stay
    // off until the next successful open.
    void OtevritTabulky();
    // Re-reads Hspl, Hdath, Hdatl, Hdok from disk (other computers' changes).
    void Obnovit1();
    // Emits captionChanged: the program title, followed by " - " and Hspl.Sna when it has text.
    void NazevDp1();
    // Status panel 2: "EDIT" while `table` is being edited or inserted into, else empty.
    void StatusEdit(TDataSet& table);
    // Status panel 1: "Nový záznam", "0/<count>" or "<record number>/<count>".
    void Zaznam(TDataSet& table, int count);
    // Recount the cards (Hdok; Hdok3 for the search window), then the position text and the
    // edit mark.
    void HdokR1();
    void Hdok3R1();
    // For the catalogue windows: the card status when the card window is open, else empty
    // panels 1 and 2.
    void Hdok1Ref1();
    // Lets the user pick the date of `fieldName` (today when empty); on OK puts `table` into
    // edit state and stores the date.
    void KDatum(TTable& table, const QString& fieldName);
    // Completes a typed date ("+1", "-7", "3/4", "0304", "1.2.", "15.", "15") into the form
    // the date fields read ("d.m.yyyy" or "dd.mm.yyyy"), relative to `today`. An empty text
    // stays empty; a text that is no date is returned in a form the field will refuse.
    static QString DatumAll(const QString& text, const QDate& today = QDate::currentDate());

signals:
    // Text for a panel of the main window's status bar (0 messages, 1 position, 2 edit mark).
    void statusText(int panel, const QString& text);
    // New main window caption.
    void captionChanged(const QString& caption);
    // A new record started while its window is open: the window puts the focus on its first
    // field (DBEditEvc, DBEditKodh, DBEditKodl).
    void newCardStarted();
    void newSpeciesStarted();
    void newLocalityStarted();

private:
    void setUpFields(TDataSet& dataSet, const QString& table);
    void cardPositionText(TTable& table, int count);
    static int countOf(TDataSet& dataSet);

    void HdokNewRecord();
    void HdokBeforePost();
    void HdokAfterPost();
    void HdokPostError(EDatabaseError& error, TDataAction& action);
    static void calcNlak(TDataSet& dataSet);
    void HdathNewRecord();
    void HdatlNewRecord();
    void HdathAfterPost();
    void HdatlAfterPost();
    void HsplBeforePost();
    void transferSpecies();
    void transferLocality();
};
