// Lamelin: a card index of fungi findings.

#include "Application.h"
#include "Globals.h"
#include "Main.h"
#include "Splash.h"

int main(int argc, char** argv) {
    LamelinApplication app(argc, argv);
    auto* splash = new TSplashForm();
    splash->show();
    splash->repaint();
    QApplication::processEvents();

    createStartupWindows();
    delete splash;
    MainForm->show();
    const int code = app.exec();
    destroyStartupWindows();
    return code;
}
