#include "WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "IniFile.h"

namespace {
QString& settingsPath() {
    static QString p;
    return p;
}
QString& settingsSection() {
    static QString s;
    return s;
}
}  // namespace

void WindowPlacement::setFirmSettings(const QString& iniPath, const QString& section) {
    settingsPath() = iniPath;
    settingsSection() = section;
}

QString WindowPlacement::firmSettingsPath() { return settingsPath(); }
QString WindowPlacement::firmSection() { return settingsSection(); }

bool WindowPlacement::narrowScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen && screen->geometry().width() < 641;
}

void WindowPlacement::restore(QWidget* window, const QString& name, QPoint narrowDefault, QPoint wideDefault) {
    // Defaults are given as (left, top).
    QPoint pos = narrowScreen() ? narrowDefault : wideDefault;
    if (!settingsPath().isEmpty()) {
        const IniFile ini(settingsPath());
        pos.setY(ini.readInteger(settingsSection(), name + QLatin1String("Top"), pos.y()));
        pos.setX(ini.readInteger(settingsSection(), name + QLatin1String("Left"), pos.x()));
    }
    window->move(pos);
}

bool WindowPlacement::save(const QWidget* window, const QString& name) {
    if (settingsPath().isEmpty()) return true;
    IniFile ini(settingsPath());
    const QPoint pos = window->pos();
    const bool top = ini.writeInteger(settingsSection(), name + QLatin1String("Top"), pos.y());
    const bool left = ini.writeInteger(settingsSection(), name + QLatin1String("Left"), pos.x());
    return top && left;
}
