#include "TitleFit.h"

#include <QApplication>
#include <QBoxLayout>
#include <QEvent>
#include <QFontMetrics>
#include <QWidget>

namespace {
// The title bar's icon, its three buttons and the gaps around the caption.
constexpr int kTitleBarExtra = 120;
}  // namespace

void TitleFit::install(QWidget* window) {
    window->installEventFilter(new TitleFit(window));
}

int TitleFit::titleWidth(const QString& title) {
    QFont font = QApplication::font();
    font.setBold(true);
    return QFontMetrics(font).horizontalAdvance(title) + kTitleBarExtra;
}

void TitleFit::apply(QWidget* window) {
    const int width = titleWidth(window->windowTitle());
    if (auto* box = qobject_cast<QBoxLayout*>(window->layout());
        box && (box->direction() == QBoxLayout::TopToBottom || box->direction() == QBoxLayout::BottomToTop)) {
        // A strut is the least width of a vertical box; a fixed-size layout honours it.
        box->addStrut(width);
        box->activate();
    } else if (window->minimumWidth() < width) {
        window->setMinimumWidth(width);
    }
}

bool TitleFit::eventFilter(QObject* watched, QEvent* event) {
    if ((event->type() == QEvent::Show || event->type() == QEvent::WindowTitleChange) && watched->isWidgetType()) {
        apply(static_cast<QWidget*>(watched));
    }
    return false;
}
