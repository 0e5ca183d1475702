#pragma once

#include <exception>

class QWidget;

namespace dbctrls {
// Shows what a dataset operation threw in an error box: the field's or dataset's own message
// for an EDatabaseError, nothing for EAbort (the failure was reported already).
void reportError(const std::exception& error, QWidget* parent);
}  // namespace dbctrls
