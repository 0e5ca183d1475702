#include "Editz.h"

#include <QKeyEvent>

#include "EnterTab.h"

TEditz::TEditz(QWidget* parent) : QLineEdit(parent) {}

void TEditz::keyPressEvent(QKeyEvent* event) {
    if (m_enterTab) {
        if (const int dir = entertab::direction(event)) {
            // Enter acts as Tab: the focus moves on in tab order, Shift+Enter moves back.
            focusNextPrevChild(dir > 0);
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}
