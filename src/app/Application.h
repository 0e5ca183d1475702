#pragma once

#include <QApplication>

#include "Main.h"

// The application object: title "Lamelin", and the one place where a failure that no command
// handled ends up. Such a failure ends the current command and is shown in an error box with
// its own text; a silent abort (EAbort) shows nothing. Nothing reaches the event loop.
class LamelinApplication : public QApplication {
public:
    LamelinApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Creates the windows that live for the whole run, in the start-up order: the main window (its
// creation step finds the data directory), the data module (its creation step prepares the
// session), the firm selection, the date picker, the print preview (which becomes the reports'
// preview), the print progress window and the password prompt.
void createStartupWindows(const TMainForm::Options& options);
void createStartupWindows();
// Destroys them in reverse order and clears their window variables.
void destroyStartupWindows();
