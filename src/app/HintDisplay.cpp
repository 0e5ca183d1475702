#include "HintDisplay.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QMenuBar>
#include <QStatusTipEvent>

namespace {

bool underPointer(const QWidget* w) {
    return w && w->isVisible() && w->rect().contains(w->mapFromGlobal(QCursor::pos()));
}

// The hint of `w` or of its nearest enclosing control that has one, within its window.
QString inheritedHint(const QWidget* w) {
    for (; w; w = w->isWindow() ? nullptr : w->parentWidget()) {
        if (!w->statusTip().isEmpty()) return w->statusTip();
    }
    return QString();
}

}  // namespace

HintDisplay::HintDisplay(std::function<void(const QString&)> show, QObject* parent)
    : QObject(parent), m_show(std::move(show)) {
    qApp->installEventFilter(this);
}

HintDisplay::~HintDisplay() {
    qApp->removeEventFilter(this);
}

bool HintDisplay::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Hide && qobject_cast<QMenu*>(watched)) {
        // A closing menu takes its item's hint along; a command it starts writes afterwards.
        m_control = nullptr;
        m_show(QString());
        return false;
    }
    if (event->type() != QEvent::StatusTip) return false;
    const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
    // Menu items report their hints through the menu or the menu bar.
    if (qobject_cast<QMenu*>(watched) || qobject_cast<QMenuBar*>(watched) || !watched->isWidgetType()) {
        m_control = nullptr;
        m_show(tip);
        return true;
    }
    controlHint(static_cast<QWidget*>(watched), tip);
    return true;
}

void HintDisplay::controlHint(QWidget* control, const QString& tip) {
    if (!tip.isEmpty()) {
        // Back on the same control after a box closed over it (the window entered first, then
        // the control): the panel keeps what it has.
        if (m_control && (control == m_control || control->isAncestorOf(m_control)) && underPointer(m_control)) return;
        m_control = control;
        m_show(tip);
        return;
    }
    // The control lost the pointer. When the pointer still stands over it, or a modal window
    // opened over it, a window came or went, and the user did not point anywhere else.
    if (underPointer(control)) return;
    const QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != control->window()) return;
    QWidget* parent = control->isWindow() ? nullptr : control->parentWidget();
    m_control = parent;
    m_show(inheritedHint(parent));
}
