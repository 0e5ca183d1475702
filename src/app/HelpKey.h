#pragma once

#include <QObject>
#include <QString>

// The help key: F1 in any window of the program asks the help handler for the manual's topic
// of that window (by the window's object name), or for the default topic when the manual has
// none for it. Installed once on the application object. While a modal window is open the
// manual opens modal too, so that the user can read and close it.
class HelpKey : public QObject {
    Q_OBJECT
public:
    explicit HelpKey(QObject* parent = nullptr);
    ~HelpKey() override;

    // The help context of a window (its object name), 0 when the manual has no topic for it.
    // Windows with a topic of their own are listed in HelpKey.cpp.
    static int contextOf(const QString& windowName);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
