#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

class QWidget;

// The application's hint rule: the hint of the control under the mouse pointer, and of the menu
// item being chosen, is shown in status panel 0 of the main window, from every window of the
// program. Installed once on the application object, it takes every status-tip event before
// any window sees it.
//
// A hint changes only when the user points at another control. A modal box that opens over the
// control and closes again does not count as leaving it, so a message a command put into panel 0
// (the warning before a firm is deleted, say) stays while the questions are asked and after
// them. Leaving a control for a place without a hint shows the hint of the nearest enclosing
// control that has one, or nothing. When a menu closes its hint goes.
class HintDisplay : public QObject {
    Q_OBJECT
public:
    // `show` receives each text that panel 0 is to show.
    explicit HintDisplay(std::function<void(const QString&)> show, QObject* parent = nullptr);
    ~HintDisplay() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void controlHint(QWidget* control, const QString& tip);

    std::function<void(const QString&)> m_show;
    QPointer<QWidget> m_control;  // the control whose hint was shown last
};
