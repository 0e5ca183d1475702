// Every window the program can open, with the longest texts it shows, checked for clipped
// captions, labels, buttons and column titles. A new window is one more line in windows().
#include <QMessageBox>
#include <QTimer>

#include "EvzhDt.h"
#include "FirmFixture.h"
#include "HelpViewer.h"
#include "PrinterSetup.h"
#include "Splash.h"
#include "TextFit.h"

namespace {

class TextFit : public FirmFixture {
protected:
    void SetUp() override {
        addFirm(1, "Les");
        addFirm(3, "Houbaři z Písku a ok");  // as long as a name can be (20)
        startApp();
        sel()->Auto1.Locate("Cislo", 3);
    }

    struct Window {
        const char* name;
        std::function<QWidget*()> make;  // a window set up as the program shows it, not yet shown
    };

    std::vector<Window> windows() {
        return {
            {"main window", [] { return MainForm; }},
            {"firm selection", [] { return static_cast<QWidget*>(Auto1Form); }},
            {"firm name",
             [this] {
                 auto* d = new TAu1Form(&sel()->Auto1Source, Auto1Form);
                 d->setWindowTitle("Název firmy č. 3");
                 return d;
             }},
            {"new firm", [this] { return new TAu2Form(sel(), Auto1Form); }},
            {"password, adding",
             [this] {
                 auto* d = new TAu3Form(&sel()->UzivSource, Auto1Form);
                 d->setWindowTitle("Heslo pro firmu Houbaři z Písku a ok");
                 d->setAddMode(true);
                 return d;
             }},
            {"password, changing",
             [this] {
                 auto* d = new TAu3Form(&sel()->UzivSource, Auto1Form);
                 d->setWindowTitle("Heslo pro firmu Houbaři z Písku a ok");
                 d->setAddMode(false);
                 return d;
             }},
            {"password prompt", [] { return static_cast<QWidget*>(Au4Form); }},
            {"firm positions", [] { return new TAu6Form(Auto1Form); }},
            {"calendar", [] { return static_cast<QWidget*>(EvzhDtForm); }},
            {"printer set-up", [] { return new TPrinterSetupDialog(QString(), QPageLayout(), MainForm); }},
            {"manual", [] { return new HelpViewer; }},
            {"splash", [] { return new TSplashForm; }},
        };
    }
};

}  // namespace

TEST_F(TextFit, EveryWindowShowsItsTextsWhole) {
    for (const Window& w : windows()) {
        QWidget* window = w.make();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window)) << w.name;
        QApplication::processEvents();
        EXPECT_EQ(clippedTexts(window).join("; ").toStdString(), "") << w.name;
        window->hide();
        if (window != MainForm && window != Auto1Form && window != Au4Form && window != EvzhDtForm) delete window;
    }
}

TEST_F(TextFit, MessageBoxesShowTheirCaptionsWhole) {
    MessageBox::setResponder(nullptr);
    for (MsgKind kind : {MsgKind::Warning, MsgKind::Error, MsgKind::Information, MsgKind::Confirmation}) {
        QStringList problems{"no box"};
        QTimer::singleShot(0, [&] {
            QWidget* box = QApplication::activeModalWidget();
            if (!box) return;
            problems = clippedTexts(box);
            box->close();
        });
        MessageBox::show(kind, "Ano.", kind == MsgKind::Confirmation ? MsgButtons::YesNo : MsgButtons::Ok);
        EXPECT_EQ(problems.join("; ").toStdString(), "") << MessageBox::title(kind).toStdString();
    }
}
