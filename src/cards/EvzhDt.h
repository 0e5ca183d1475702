#pragma once

#include <QDate>
#include <QDialog>

class QCalendarWidget;
class QLabel;
class QPushButton;

// The calendar dialog ("Kalendář") through which a date field's value is picked. One
// instance lives for the whole run and keeps its last date. PgUp/PgDn move by a month,
// Ctrl+PgUp/Ctrl+PgDn by a year; a double click on a day or OK accepts, Esc cancels.
class TEvzhDtForm : public QDialog {
    Q_OBJECT
public:
    explicit TEvzhDtForm(QWidget* parent = nullptr);

    QDate date() const { return m_date; }
    void setDate(QDate date);

    // Moves the selected date by whole months or years. A month move keeps the day limited to
    // the target month's length; a year move turns 29 February into 28 February.
    void moveMonths(int months);
    void moveYears(int years);

    QPushButton* PrevYear;
    QPushButton* PrevMonth;
    QPushButton* NextMonth;
    QPushButton* NextYear;
    QCalendarWidget* Calendar;
    QPushButton* OKButton;
    QPushButton* CancelButton;
    QLabel* Label1;
    QLabel* LabelDate;

signals:
    void dateChanged(QDate date);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void installKeyPreview(QWidget* widget);
    void hideNeighbourDays();
    // True when the grid cell at `viewportPos` belongs to the month before or after the shown one.
    bool isNeighbourCell(const QPoint& viewportPos) const;
    void onCalendarSelection();
    void updateLabel();

    QDate m_date;
    bool m_updating = false;
};
