#include "TiskInfo.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

#include "Globals.h"
#include "TitleFit.h"

namespace {
constexpr int kClientWidth = 292;
constexpr int kPrintingHeight = 105;
}  // namespace

TTiskInfoForm::TTiskInfoForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TiskInfoForm"));
    setWindowTitle(QStringLiteral("Lamelin"));
    TitleFit::install(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint);
    setCursor(Qt::WaitCursor);

    StatusLabel = new QLabel(this);
    StatusLabel->setObjectName(QStringLiteral("StatusLabel"));
    StatusLabel->setAlignment(Qt::AlignCenter);
    QFont bold = StatusLabel->font();
    bold.setBold(true);
    bold.setPixelSize(15);
    StatusLabel->setFont(bold);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(StatusLabel);
    TypTisku();
}

TTiskInfoForm::~TTiskInfoForm() {
    if (TiskInfoForm == this) TiskInfoForm = nullptr;
}

void TTiskInfoForm::TypTisku() {
    StatusLabel->setText(QStringLiteral("Odesílám data do tiskárny ..."));
    // At least the designed size, wider when this platform's font needs more room.
    layout()->activate();
    const QSize need = layout()->totalSizeHint();
    setFixedSize(qMax(kClientWidth, need.width()), qMax(kPrintingHeight, need.height()));
}

void TTiskInfoForm::showEvent(QShowEvent* event) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    QDialog::showEvent(event);
}

void TTiskInfoForm::sending(bool on) {
    if (!TiskInfoForm) return;
    if (!on) {
        TiskInfoForm->hide();
        return;
    }
    TiskInfoForm->TypTisku();
    TiskInfoForm->show();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
