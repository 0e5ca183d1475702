#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
class QToolButton;
class TReport;
class TReportPreview;

// The print preview "Náhled před tiskem": the prepared pages of a report with zoom, paging and
// scrolling, and printing of those pages with the firm's copy rules (Hspl.Kp, Hspl.Ko). Created
// at program start and kept for the whole run; the report engine's preview hook shows it
// modally through ShowReport(). The zoom is remembered per firm ("Tisk"/"Nahled").
//
// Keys (the window sees them first): Ctrl+Home, PgUp, PgDn, Ctrl+End page through the report
// (not on a one-page report); Ctrl+arrows scroll by 16 pixels; F6 prints; Esc closes.
class TPrevForm : public QDialog {
    Q_OBJECT
public:
    explicit TPrevForm(QWidget* parent = nullptr);
    ~TPrevForm() override;

    // Shows the pages `report` prepared last, modally; returns when the window is closed.
    // The report must stay alive until then.
    void ShowReport(TReport& report);
    // The text of the status bar, left there by whoever runs the report.
    void setStatusLine(const QString& text);

    // Page commands; a page beyond the first or last is ignored.
    void FirstPage();
    void PriorPage();
    void NextPage();
    void LastPage();
    // Zoom from the text of ComboBox ("75", "75%"); see the source for the range rule.
    void ZoomByValue(const QString& text);
    // Prints the prepared pages (PrintBitBtn, F6).
    void Tiskdokumentu1Click();
    // Whether the page keys work (they do not on a one-page report).
    bool pageKeysEnabled() const { return m_pageKeys; }

    QWidget* SpeedBar;
    QToolButton* BitBtnToFit;
    QToolButton* BitBtn100;
    QToolButton* BitBtnToWidth;
    QComboBox* ComboBox;
    QToolButton* FirstButton;
    QToolButton* PriorButton;
    QLabel* PageInfo;
    QToolButton* NextButton;
    QToolButton* LastButton;
    QPushButton* PrintBitBtn;
    QPushButton* CloseBitBtn;
    TReportPreview* QRPreview;
    QLabel* StatusBar;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void buildWindow();
    QToolButton* toolButton(const char* name, const QString& hint);
    void installKeyPreview(QWidget* widget);
    bool handleKey(int key, Qt::KeyboardModifiers modifiers);
    void showZoom();
    void pageMoved();
    void setPageButtons(bool first, bool prior, bool next, bool last);
    void AllEnabled() { setPageButtons(true, true, true, true); }
    void AllDisabled() { setPageButtons(false, false, false, false); }
    void FirstEnabled() { setPageButtons(true, true, false, false); }
    void LastEnabled() { setPageButtons(false, false, true, true); }

    TReport* m_report = nullptr;
    bool m_pageKeys = false;
    bool m_showingZoom = false;
};
