#include "Prev.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStatusTipEvent>
#include <QToolButton>
#include <QVBoxLayout>

#include "DataM1.h"
#include "Globals.h"
#include "IniFile.h"
#include "Main.h"
#include "MessageBox.h"
#include "PrintOutput.h"
#include "TReport.h"
#include "TReportPreview.h"
#include "TiskInfo.h"
#include "TitleFit.h"
#include "WindowPlacement.h"

namespace {

const QString kSection = QStringLiteral("Tisk");
const QString kZoomKey = QStringLiteral("Nahled");
constexpr int kScrollStep = 16;

enum class Glyph { Fit, Actual, Width };

// Small pictures for the three zoom buttons: a whole page, "1:1", a page with a width arrow.
QIcon glyph(Glyph kind, const QColor& ink) {
    QPixmap pixmap(18, 18);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(ink, 1));
    switch (kind) {
        case Glyph::Fit:
            p.drawRect(QRectF(4.5, 1.5, 9, 15));
            p.drawLine(QPointF(6.5, 5.5), QPointF(11.5, 5.5));
            p.drawLine(QPointF(6.5, 8.5), QPointF(11.5, 8.5));
            p.drawLine(QPointF(6.5, 11.5), QPointF(11.5, 11.5));
            break;
        case Glyph::Actual: {
            QFont f = QApplication::font();
            f.setPixelSize(9);
            f.setBold(true);
            p.setFont(f);
            p.drawText(QRectF(0, 0, 18, 18), Qt::AlignCenter, QStringLiteral("1:1"));
            break;
        }
        case Glyph::Width:
            p.drawRect(QRectF(1.5, 3.5, 15, 11));
            p.drawLine(QPointF(4, 9), QPointF(14, 9));
            p.drawLine(QPointF(4, 9), QPointF(6.5, 6.5));
            p.drawLine(QPointF(4, 9), QPointF(6.5, 11.5));
            p.drawLine(QPointF(14, 9), QPointF(11.5, 6.5));
            p.drawLine(QPointF(14, 9), QPointF(11.5, 11.5));
            break;
    }
    return QIcon(pixmap);
}

// Kp and Ko of the open firm; no copies made by the printer and one run when Hspl is closed.
void firmCopies(bool& printerMakesCopies, int& copies) {
    printerMakesCopies = false;
    copies = 1;
    if (!DM1 || !DM1->Hspl.Active() || DM1->Hspl.IsEmpty()) return;
    printerMakesCopies = DM1->Hspl.FieldByName(QStringLiteral("Kp"))->AsBoolean();
    copies = qMax(1, DM1->Hspl.FieldByName(QStringLiteral("Ko"))->AsInteger());
}

}  // namespace

TPrevForm::TPrevForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("PrevForm"));
    setWindowTitle(QStringLiteral("Náhled před tiskem"));
    TitleFit::install(this);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);
    buildWindow();
    installKeyPreview(this);

    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize s = screen ? screen->geometry().size() : QSize(1024, 768);
    resize(s.width() <= 640 ? 640 : 800, s.height() <= 480 ? 453 : 573);
    move(0, 0);
    setWindowState(Qt::WindowMaximized);
}

TPrevForm::~TPrevForm() {
    if (PrevForm == this) PrevForm = nullptr;
}

QToolButton* TPrevForm::toolButton(const char* name, const QString& hint) {
    auto* b = new QToolButton(SpeedBar);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(hint);
    b->setStatusTip(hint);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

void TPrevForm::buildWindow() {
    SpeedBar = new QWidget(this);
    SpeedBar->setObjectName(QStringLiteral("SpeedBar"));
    const QColor ink = palette().color(QPalette::ButtonText);
    BitBtnToFit = toolButton("BitBtnToFit", QStringLiteral("Podle okna"));
    BitBtnToFit->setIcon(glyph(Glyph::Fit, ink));
    BitBtn100 = toolButton("BitBtn100", QStringLiteral("100%"));
    BitBtn100->setIcon(glyph(Glyph::Actual, ink));
    BitBtnToWidth = toolButton("BitBtnToWidth", QStringLiteral("Šířka strany"));
    BitBtnToWidth->setIcon(glyph(Glyph::Width, ink));

    ComboBox = new QComboBox(SpeedBar);
    ComboBox->setObjectName(QStringLiteral("ComboBox"));
    ComboBox->setEditable(true);
    ComboBox->setInsertPolicy(QComboBox::NoInsert);
    ComboBox->addItems({QStringLiteral("300%"), QStringLiteral("250%"), QStringLiteral("200%"), QStringLiteral("150%"),
                        QStringLiteral("100%"), QStringLiteral("75%"), QStringLiteral("50%"), QStringLiteral("25%")});
    ComboBox->lineEdit()->setMaxLength(4);
    ComboBox->setToolTip(QStringLiteral("Měřítko zobrazení náhledu"));
    ComboBox->setStatusTip(ComboBox->toolTip());
    ComboBox->setMinimumContentsLength(5);

    FirstButton = toolButton("FirstButton", QStringLiteral("První strana"));
    FirstButton->setText(QStringLiteral("|<"));
    PriorButton = toolButton("PriorButton", QStringLiteral("Předchozí strana"));
    PriorButton->setText(QStringLiteral("<"));
    NextButton = toolButton("NextButton", QStringLiteral("Další strana"));
    NextButton->setText(QStringLiteral(">"));
    LastButton = toolButton("LastButton", QStringLiteral("Poslední strana"));
    LastButton->setText(QStringLiteral(">|"));
    // Small square buttons, as large as their caption needs.
    int side = 0;
    for (QToolButton* b : {FirstButton, PriorButton, NextButton, LastButton})
        side = qMax(side, qMax(24, b->sizeHint().width()));
    for (QToolButton* b : {FirstButton, PriorButton, NextButton, LastButton}) b->setFixedSize(side, side);

    PageInfo = new QLabel(QStringLiteral("Strana 1 z 1"), SpeedBar);
    PageInfo->setObjectName(QStringLiteral("PageInfo"));
    PageInfo->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    PageInfo->setAlignment(Qt::AlignCenter);
    // Room for "Strana 9999 z 9999" so the bar does not jump while paging.
    PageInfo->setMinimumWidth(PageInfo->fontMetrics().horizontalAdvance(QStringLiteral("Strana 9999 z 9999")) + 12);

    PrintBitBtn = new QPushButton(QStringLiteral("&Tisk"), SpeedBar);
    PrintBitBtn->setObjectName(QStringLiteral("PrintBitBtn"));
    PrintBitBtn->setToolTip(QStringLiteral("Tisk dokumentu F6"));
    PrintBitBtn->setStatusTip(PrintBitBtn->toolTip());
    PrintBitBtn->setAutoDefault(false);
    CloseBitBtn = new QPushButton(QStringLiteral("&Zavřít"), SpeedBar);
    CloseBitBtn->setObjectName(QStringLiteral("CloseBitBtn"));
    CloseBitBtn->setToolTip(QStringLiteral("Ukončení"));
    CloseBitBtn->setStatusTip(CloseBitBtn->toolTip());
    CloseBitBtn->setAutoDefault(false);

    auto* bar = new QHBoxLayout(SpeedBar);
    bar->setContentsMargins(4, 3, 4, 3);
    bar->setSpacing(3);
    for (QWidget* w : std::initializer_list<QWidget*>{BitBtnToFit, BitBtn100, BitBtnToWidth, ComboBox})
        bar->addWidget(w);
    bar->addSpacing(8);
    for (QWidget* w : std::initializer_list<QWidget*>{FirstButton, PriorButton, PageInfo, NextButton, LastButton})
        bar->addWidget(w);
    bar->addSpacing(8);
    bar->addWidget(PrintBitBtn);
    bar->addWidget(CloseBitBtn);
    bar->addStretch(1);

    QRPreview = new TReportPreview(this);

    StatusBar = new QLabel(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StatusBar->setContentsMargins(4, 1, 4, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(SpeedBar);
    layout->addWidget(QRPreview, 1);
    layout->addWidget(StatusBar);

    connect(BitBtnToFit, &QToolButton::clicked, this, [this] {
        QRPreview->zoomToFit();
        showZoom();
    });
    connect(BitBtn100, &QToolButton::clicked, this, [this] {
        QRPreview->setZoom(100);
        showZoom();
    });
    connect(BitBtnToWidth, &QToolButton::clicked, this, [this] {
        QRPreview->zoomToWidth();
        showZoom();
    });
    connect(ComboBox, &QComboBox::editTextChanged, this, [this](const QString& text) {
        if (!m_showingZoom) ZoomByValue(text);
    });
    connect(FirstButton, &QToolButton::clicked, this, &TPrevForm::FirstPage);
    connect(PriorButton, &QToolButton::clicked, this, &TPrevForm::PriorPage);
    connect(NextButton, &QToolButton::clicked, this, &TPrevForm::NextPage);
    connect(LastButton, &QToolButton::clicked, this, &TPrevForm::LastPage);
    connect(PrintBitBtn, &QPushButton::clicked, this, &TPrevForm::Tiskdokumentu1Click);
    connect(CloseBitBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TPrevForm::installKeyPreview(QWidget* widget) {
    widget->installEventFilter(this);
    for (QWidget* child : widget->findChildren<QWidget*>()) child->installEventFilter(this);
}

void TPrevForm::ShowReport(TReport& report) {
    m_report = &report;
    QRPreview->setReport(report.prepared());
    // The caller's hourglass is for preparing the pages; in the preview the user works.
    int hourglasses = 0;
    for (; QApplication::overrideCursor() && hourglasses < 16; ++hourglasses) QApplication::restoreOverrideCursor();
    exec();
    for (int i = 0; i < hourglasses; ++i) QApplication::setOverrideCursor(Qt::WaitCursor);
    m_report = nullptr;
}

void TPrevForm::setStatusLine(const QString& text) {
    StatusBar->setText(text);
}

// ---- showing and hiding --------------------------------------------------------------------

void TPrevForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    PrintBitBtn->setFocus();
    QRPreview->setPageNumber(1);
    QRPreview->scrollHome();
    m_pageKeys = QRPreview->pageCount() > 1;
    if (m_pageKeys) {
        LastEnabled();
    } else {
        AllDisabled();
    }
    setWindowTitle(QStringLiteral("Lamelin - Náhled před tiskem"));
    pageMoved();
    const QString settings = WindowPlacement::firmSettingsPath();
    const int zoom = settings.isEmpty() ? 100 : IniFile(settings).readInteger(kSection, kZoomKey, 100);
    QRPreview->setZoom(zoom);
    showZoom();
}

void TPrevForm::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (event->spontaneous()) return;
    const QString settings = WindowPlacement::firmSettingsPath();
    if (!settings.isEmpty()) IniFile(settings).writeInteger(kSection, kZoomKey, QRPreview->zoom());
}

// ---- zoom ----------------------------------------------------------------------------------

void TPrevForm::showZoom() {
    m_showingZoom = true;
    ComboBox->setEditText(QString::number(QRPreview->zoom()) + QLatin1Char('%'));
    m_showingZoom = false;
}

void TPrevForm::ZoomByValue(const QString& text) {
    QRPreview->scrollHome();
    QString number = text.trimmed();
    if (number.endsWith(QLatin1Char('%'))) number.chop(1);
    bool ok = false;
    const int zoom = number.trimmed().toInt(&ok);
    // Text that is no number (also while a number is being typed, "-") changes nothing.
    if (!ok) return;
    if (zoom > TReportPreview::kMaxZoom || zoom < 0) {
        MessageBox::information(QStringLiteral("Číslo může být maximálně 500."), this);
        return;
    }
    QRPreview->setZoom(zoom);
}

// ---- paging --------------------------------------------------------------------------------

void TPrevForm::setPageButtons(bool first, bool prior, bool next, bool last) {
    FirstButton->setEnabled(first);
    PriorButton->setEnabled(prior);
    NextButton->setEnabled(next);
    LastButton->setEnabled(last);
}

void TPrevForm::pageMoved() {
    PageInfo->setText(QStringLiteral("Strana %1 z %2").arg(QRPreview->pageNumber()).arg(QRPreview->pageCount()));
}

void TPrevForm::FirstPage() {
    QRPreview->setPageNumber(1);
    LastEnabled();
    pageMoved();
}

void TPrevForm::PriorPage() {
    QRPreview->setPageNumber(QRPreview->pageNumber() - 1);
    if (QRPreview->pageNumber() <= 1) {
        LastEnabled();
    } else {
        AllEnabled();
    }
    pageMoved();
}

void TPrevForm::NextPage() {
    QRPreview->setPageNumber(QRPreview->pageNumber() + 1);
    if (QRPreview->pageNumber() >= QRPreview->pageCount()) {
        FirstEnabled();
    } else {
        AllEnabled();
    }
    pageMoved();
}

void TPrevForm::LastPage() {
    QRPreview->setPageNumber(QRPreview->pageCount());
    FirstEnabled();
    pageMoved();
}

// ---- printing ------------------------------------------------------------------------------

void TPrevForm::Tiskdokumentu1Click() {
    if (!m_report || !PrintBitBtn->isEnabled()) return;
    PrintBitBtn->setEnabled(false);
    // Whatever happens below, the button comes back and the info window goes.
    struct Restore {
        TPrevForm* form;
        ~Restore() {
            if (TiskInfoForm) TiskInfoForm->hide();
            form->PrintBitBtn->setEnabled(true);
        }
    } restore{this};

    bool printerMakesCopies = false;
    int copies = 1;
    firmCopies(printerMakesCopies, copies);
    // The info window comes once the output is open, after a PDF file dialog.
    PrintOutput::print(*m_report, printerMakesCopies, copies, this, &TTiskInfoForm::sending);
}

// ---- keys and hints ------------------------------------------------------------------------

bool TPrevForm::handleKey(int key, Qt::KeyboardModifiers modifiers) {
    if (modifiers == Qt::ControlModifier) {
        switch (key) {
            case Qt::Key_Home:
                if (m_pageKeys) FirstPage();
                return true;
            case Qt::Key_End:
                if (m_pageKeys) LastPage();
                return true;
            case Qt::Key_Up:
                QRPreview->scrollBy(0, -kScrollStep);
                return true;
            case Qt::Key_Down:
                QRPreview->scrollBy(0, kScrollStep);
                return true;
            case Qt::Key_Left:
                QRPreview->scrollBy(-kScrollStep, 0);
                return true;
            case Qt::Key_Right:
                QRPreview->scrollBy(kScrollStep, 0);
                return true;
        }
        return false;
    }
    if (modifiers == Qt::NoModifier) {
        switch (key) {
            case Qt::Key_PageUp:
                if (m_pageKeys) PriorPage();
                return true;
            case Qt::Key_PageDown:
                if (m_pageKeys) NextPage();
                return true;
            case Qt::Key_F6:
                Tiskdokumentu1Click();
                return true;
        }
    }
    return false;
}

bool TPrevForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && isVisible()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (handleKey(key->key(), key->modifiers() & ~Qt::KeypadModifier)) return true;
    }
    return QDialog::eventFilter(watched, event);
}

bool TPrevForm::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        if (MainForm) MainForm->setStatusText(0, static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QDialog::event(event);
}
