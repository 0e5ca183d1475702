#pragma once

#include <QPoint>
#include <QString>

class QWidget;

// Window positions remembered per firm: each window keeps its top and left position in the
// firm settings file, in the section named after the firm directory, as the integer keys
// <name>Top and <name>Left. The default position depends on whether the screen is narrower
// than 641 pixels.
class WindowPlacement {
public:
    // The settings file and section of the open firm; empty when no firm is open (positions
    // are then neither read nor written).
    static void setFirmSettings(const QString& iniPath, const QString& section);
    static QString firmSettingsPath();
    static QString firmSection();

    // Moves `window` to its stored position, or to the default for the screen width.
    static void restore(QWidget* window, const QString& name, QPoint narrowDefault, QPoint wideDefault);
    // Stores the window's position. Returns false when the file could not be written.
    static bool save(const QWidget* window, const QString& name);
    // True when the primary screen is narrower than 641 pixels.
    static bool narrowScreen();
};
