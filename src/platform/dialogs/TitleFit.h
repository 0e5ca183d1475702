#pragma once

#include <QObject>
#include <QString>

class QWidget;

// Keeps a window wide enough for its caption: the window manager cuts a caption that does not
// fit beside the title bar's icon and buttons ("Zad…eslo"). Installed on a window, it widens
// the window whenever it is shown or its caption changes, through a strut in its vertical top
// layout (or the window's minimum width when the top layout is of another kind).
class TitleFit : public QObject {
    Q_OBJECT
public:
    // Installs the fit on `window`; it lives as the window's child.
    static void install(QWidget* window);
    // The width a caption needs: its text in a bold title font and room for the title bar's icon
    // and buttons.
    static int titleWidth(const QString& title);
    // Widens `window` for its current caption now.
    static void apply(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
};
