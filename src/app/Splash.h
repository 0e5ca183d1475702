#pragma once

#include <QWidget>

// The start-up window: borderless, centred, a framed picture and the product name in large
// bold letters over a grey shadow; shown with the hourglass cursor while the windows are made.
class TSplashForm : public QWidget {
public:
    TSplashForm();

protected:
    void paintEvent(QPaintEvent* event) override;
};
