#include "EnterTab.h"

#include <QKeyEvent>

namespace entertab {

int direction(const QKeyEvent* event) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) return 0;
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (mods == Qt::NoModifier) return +1;
    if (mods == Qt::ShiftModifier) return -1;
    return 0;
}

}  // namespace entertab
