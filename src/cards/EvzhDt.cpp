#include "EvzhDt.h"

#include <QCalendarWidget>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QTableView>
#include <QTextCharFormat>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "TitleFit.h"
#include "WindowPlacement.h"

namespace {
constexpr int kClientWidth = 335;
constexpr int kClientHeight = 197;

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, const QString& hint) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(hint);
    b->setStatusTip(hint);  // the main window's status panel 0 shows it too
    return b;
}
}  // namespace

TEvzhDtForm::TEvzhDtForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("EvzhDtForm"));
    setWindowTitle(QStringLiteral("Kalendář"));
    TitleFit::install(this);
    setWindowFlags((windowFlags() | Qt::MSWindowsFixedSizeDialogHint) & ~Qt::WindowContextHelpButtonHint);

    PrevYear =
        makeButton(this, "PrevYear", QStringLiteral("< rok"), QStringLiteral("Předchozí rok v kalendáři (Ctrl+PgUp)"));
    PrevMonth =
        makeButton(this, "PrevMonth", QStringLiteral("< měsíc"), QStringLiteral("Předchozí měsíc v kalendáři (PgUp)"));
    NextMonth =
        makeButton(this, "NextMonth", QStringLiteral("měsíc >"), QStringLiteral("Další měsíc v kalendáři (PgDn)"));
    NextYear =
        makeButton(this, "NextYear", QStringLiteral("rok >"), QStringLiteral("Další rok v kalendáři (Ctrl+PgDn)"));

    Calendar = new QCalendarWidget(this);
    Calendar->setObjectName(QStringLiteral("Calendar"));
    Calendar->setFirstDayOfWeek(Qt::Monday);
    Calendar->setHorizontalHeaderFormat(QCalendarWidget::ShortDayNames);
    Calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    Calendar->setNavigationBarVisible(false);  // the four buttons above move the month and year
    Calendar->setGridVisible(true);
    Calendar->setSelectionMode(QCalendarWidget::SingleSelection);
    Calendar->setLocale(QLocale(QLocale::Czech, QLocale::CzechRepublic));  // Czech day names

    OKButton = new QPushButton(QStringLiteral("&OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("&Storno"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));

    Label1 = new QLabel(QStringLiteral("datum kalendáře:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    LabelDate = new QLabel(this);
    LabelDate->setObjectName(QStringLiteral("LabelDate"));
    QFont bold = LabelDate->font();
    bold.setBold(true);
    LabelDate->setFont(bold);

    auto* moves = new QHBoxLayout;
    moves->addWidget(PrevYear);
    moves->addWidget(PrevMonth);
    moves->addWidget(NextMonth);
    moves->addWidget(NextYear);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Label1);
    bottom->addWidget(LabelDate);
    bottom->addStretch(1);
    bottom->addWidget(OKButton);
    bottom->addWidget(CancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);
    layout->addLayout(moves);
    layout->addWidget(Calendar, 1);
    layout->addLayout(bottom);

    setTabOrder(PrevYear, PrevMonth);
    setTabOrder(PrevMonth, NextMonth);
    setTabOrder(NextMonth, NextYear);
    setTabOrder(NextYear, Calendar);
    setTabOrder(Calendar, OKButton);
    setTabOrder(OKButton, CancelButton);

    connect(PrevYear, &QPushButton::clicked, this, [this] { moveYears(-1); });
    connect(PrevMonth, &QPushButton::clicked, this, [this] { moveMonths(-1); });
    connect(NextMonth, &QPushButton::clicked, this, [this] { moveMonths(1); });
    connect(NextYear, &QPushButton::clicked, this, [this] { moveYears(1); });
    connect(Calendar, &QCalendarWidget::selectionChanged, this, &TEvzhDtForm::onCalendarSelection);
    connect(Calendar, &QCalendarWidget::currentPageChanged, this, &TEvzhDtForm::hideNeighbourDays);
    // The grid shows the days of its month only: the neighbours' cells stay empty and a click
    // there does nothing.
    if (QTableView* days = Calendar->findChild<QTableView*>()) days->viewport()->installEventFilter(this);
    // Double click on a day, or Enter inside the grid.
    connect(Calendar, &QCalendarWidget::activated, this, [this](QDate d) {
        setDate(d);
        accept();
    });
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

    installKeyPreview(this);
    setDate(QDate::currentDate());
    hideNeighbourDays();

    // The dialog does not resize; it is as large as its texts need, at least 335 x 197.
    ensurePolished();
    layout->activate();
    setFixedSize(sizeHint().expandedTo(QSize(kClientWidth, kClientHeight)));
}

void TEvzhDtForm::installKeyPreview(QWidget* widget) {
    widget->installEventFilter(this);
    for (QWidget* child : widget->findChildren<QWidget*>()) child->installEventFilter(this);
}

void TEvzhDtForm::setDate(QDate date) {
    if (!date.isValid()) date = QDate::currentDate();
    date = std::clamp(date, Calendar->minimumDate(), Calendar->maximumDate());
    m_updating = true;
    Calendar->setSelectedDate(date);
    Calendar->setCurrentPage(date.year(), date.month());
    m_updating = false;
    const bool changed = date != m_date;
    m_date = date;
    updateLabel();
    if (changed) emit dateChanged(m_date);
}

// QDate limits the day to the target month's length: 31 March less a month is the last day of
// February, and 29 February plus a year is 28 February.
void TEvzhDtForm::moveMonths(int months) {
    setDate(m_date.addMonths(months));
}

void TEvzhDtForm::moveYears(int years) {
    setDate(m_date.addYears(years));
}

void TEvzhDtForm::onCalendarSelection() {
    if (m_updating) return;
    const QDate d = Calendar->selectedDate();
    if (d == m_date) return;
    m_date = d;
    updateLabel();
    emit dateChanged(m_date);
}

void TEvzhDtForm::updateLabel() {
    LabelDate->setText(m_date.toString(QStringLiteral("dd.MM.yyyy")));
}

void TEvzhDtForm::hideNeighbourDays() {
    const QDate first(Calendar->yearShown(), Calendar->monthShown(), 1);
    const QDate last = first.addDays(first.daysInMonth() - 1);
    QTextCharFormat hidden;
    hidden.setForeground(Qt::transparent);
    Calendar->setDateTextFormat(QDate(), QTextCharFormat());
    // A six-week grid shows at most two weeks of each neighbour.
    for (int i = 1; i <= 14; ++i) {
        Calendar->setDateTextFormat(first.addDays(-i), hidden);
        Calendar->setDateTextFormat(last.addDays(i), hidden);
    }
}

bool TEvzhDtForm::isNeighbourCell(const QPoint& viewportPos) const {
    const QTableView* days = Calendar->findChild<QTableView*>();
    const QModelIndex cell = days ? days->indexAt(viewportPos) : QModelIndex();
    if (!cell.isValid()) return false;
    // The cell of the 1st of the shown month is the first "1" of the grid (the previous month's
    // days there are 22 and more); every other cell lies a whole number of days from it.
    const QAbstractItemModel* model = days->model();
    for (int r = 0; r < model->rowCount(); ++r) {
        for (int c = 0; c < model->columnCount(); ++c) {
            if (model->index(r, c).data().toString() != QLatin1String("1")) continue;
            const QDate first(Calendar->yearShown(), Calendar->monthShown(), 1);
            const QDate date = first.addDays((cell.row() - r) * 7 + (cell.column() - c));
            return cell.row() > 0 && date.month() != first.month();
        }
    }
    return false;
}

bool TEvzhDtForm::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if ((type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
         type == QEvent::MouseButtonDblClick) &&
        watched->isWidgetType() && static_cast<QWidget*>(watched)->parentWidget() &&
        static_cast<QWidget*>(watched)->parentWidget() == Calendar->findChild<QTableView*>()) {
        if (isNeighbourCell(static_cast<QMouseEvent*>(event)->position().toPoint())) return true;
    }
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        if (key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown) {
            const int dir = key->key() == Qt::Key_PageUp ? -1 : 1;
            if (mods == Qt::NoModifier) {
                moveMonths(dir);
                return true;  // the grid's own paging would move a second time
            }
            if (mods == Qt::ControlModifier) {
                moveYears(dir);
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TEvzhDtForm::showEvent(QShowEvent* event) {
    WindowPlacement::restore(this, QStringLiteral("Kalendar"), QPoint(148, 128), QPoint(228, 188));
    updateLabel();
    QDialog::showEvent(event);
    Calendar->setFocus(Qt::OtherFocusReason);
}

void TEvzhDtForm::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (!event->spontaneous()) WindowPlacement::save(this, QStringLiteral("Kalendar"));
}
