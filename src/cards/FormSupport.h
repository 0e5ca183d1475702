#pragma once

#include <Qt>
#include <exception>

#include "DbCtrlsError.h"

class QEvent;
class QKeyEvent;
class QLabel;
class QObject;
class QString;
class QWidget;
class TDataSet;
class TTable;

// What the record windows and their dialogs share: keys seen by the window first, hints in the
// main window's status bar, integer settings of the open firm.
namespace forms {

// Installs `filter` on `root` and on every widget inside it (now and when added later is not
// covered: call it once the window is built), so that the window sees each key before the
// control with the focus.
void installKeyPreview(QWidget* root, QObject* filter);
// The modifiers of a key event without the keypad flag: the keys of the windows match their
// modifiers exactly, and the keypad's Enter or Del is the same key.
Qt::KeyboardModifiers modifiers(const QKeyEvent* event);
// Gives `widget` its hint: tool tip, and the text shown in panel 0 of the main window's status
// bar while the mouse is over it.
void setHint(QWidget* widget, const QString& hint);
// A label that acts as a link (blue, underlined, pointing hand): a click on it opens a catalogue
// or the calendar. The window watches its mouse release.
QLabel* makeLinkLabel(QWidget* parent, const char* name, const QString& text);
// Puts a status tip event's text into panel 0 of the main window; true when `event` was one.
bool routeHint(QEvent* event);
// Panel `panel` of the main window's status bar (nothing without a main window).
void setStatus(int panel, const QString& text);

// "The key is turned into Home": the control with the focus receives Home with `modifiers`
// instead of the key the window handled (Ctrl+End, Ctrl+Y, Ctrl+Del), so that an edit box moves
// its caret to the start rather than deleting text. While it is being delivered, forwardingKey()
// is true and the window's own key handling must let it pass.
void sendHome(QWidget* target, Qt::KeyboardModifiers modifiers);
bool forwardingKey();

// Integer keys of the open firm's settings file, in the section named after the firm directory.
// Without an open firm reads give the default and writes do nothing.
int readFirmInteger(const QString& key, int defaultValue);
void writeFirmInteger(const QString& key, int value);

// Closes and reopens `table`, re-reading what other programs changed, and returns to the record
// that was current (staying on the first one, silently, when that record is gone). The records
// stay in memory meanwhile: a second cursor keeps the shared table open, so that closing a
// window over a million cards does not read them all from disk again. Throws what Open throws.
void reopen(TTable& table);

// True while `dataSet` is being edited or inserted into.
bool editing(const TDataSet& dataSet);

// Makes the label print range (Hspl.C1 and C2) the one card `evc`.
void setLabelRange(int evc);

// Runs a dataset operation of a window's command; what it throws is shown in an error box over
// `parent` (nothing for EAbort, already reported). Returns whether it succeeded.
template <typename F>
bool guarded(QWidget* parent, F action) {
    try {
        action();
        return true;
    } catch (const std::exception& e) {
        dbctrls::reportError(e, parent);
        return false;
    }
}

}  // namespace forms
