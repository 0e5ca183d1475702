#pragma once

class QKeyEvent;

namespace entertab {
// For the entry controls whose Enter key acts as Tab: +1 for Enter (move to the next control),
// -1 for Shift+Enter (to the previous one), 0 for any other key, Enter with Ctrl, Alt or Meta
// included, which keeps its usual meaning. The keypad's Enter counts as Enter.
int direction(const QKeyEvent* event);
}  // namespace entertab
