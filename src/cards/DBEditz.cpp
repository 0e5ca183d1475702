#include "DBEditz.h"

#include <QKeyEvent>

#include "EnterTab.h"

TDBEditz::TDBEditz(QWidget* parent) : TDBEdit(parent) {}

void TDBEditz::keyPressEvent(QKeyEvent* event) {
    if (m_enterTab) {
        if (const int dir = entertab::direction(event)) {
            // Enter acts as Tab: the focus moves on in tab order, Shift+Enter moves back. Leaving
            // writes the text into the field; a refused value brings the focus back here.
            focusNextPrevChild(dir > 0);
            event->accept();
            return;
        }
    }
    TDBEdit::keyPressEvent(event);
}
