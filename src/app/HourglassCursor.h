#pragma once

#include <QApplication>

// Shows the hourglass cursor for its lifetime, so the normal cursor returns on every way out
// of a long operation, failures included.
class HourglassCursor {
public:
    HourglassCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~HourglassCursor() { QApplication::restoreOverrideCursor(); }
    HourglassCursor(const HourglassCursor&) = delete;
    HourglassCursor& operator=(const HourglassCursor&) = delete;
};
