// Every window the program can open, with the longest texts it shows, checked for clipped
// captions, labels, buttons and column titles. A new window is one more line in windows().
#include <QMessageBox>
#include <QTimer>

#include "Au5.h"
#include "Au8.h"
#include "Au9.h"
#include "DataM1.h"
#include "Dwc.h"
#include "Ekdh1.h"
#include "Ekdl1.h"
#include "Ekov.h"
#include "Ekvh.h"
#include "Ekzp.h"
#include "EvzhDt.h"
#include "Exd.h"
#include "Exd1.h"
#include "Exd2.h"
#include "Find20.h"
#include "Find21.h"
#include "Find22.h"
#include "FirmFixture.h"
#include "HelpKey.h"
#include "HelpViewer.h"
#include "Prev.h"
#include "PrinterSetup.h"
#include "Splash.h"
#include "TextFit.h"
#include "TiskInfo.h"
#include "WindowPlacement.h"

namespace {

class TextFit : public FirmFixture {
protected:
    void SetUp() override {
        addFirm(1, "Les");
        addFirm(3, "Houbaři z Písku a ok");  // as long as a name can be (20)
        startApp();
        sel()->Auto1.Locate("Cislo", 3);
        // The windows of the card index, printing, backup and export need the firm open.
        openFirmDirectly("D3");
        WindowPlacement::setFirmSettings(MainForm->firmSettingsPath(), "D3");
    }
    void TearDown() override { WindowPlacement::setFirmSettings(QString(), QString()); }

    // Deletes a window made for the check, not those the program keeps for the whole run.
    static void release(QWidget* window) {
        const QWidget* kept[] = {MainForm, Auto1Form, Au4Form, EvzhDtForm, PrevForm, TiskInfoForm};
        if (std::find(std::begin(kept), std::end(kept), window) == std::end(kept)) delete window;
    }

    struct Window {
        const char* name;
        std::function<QWidget*()> make;  // a window set up as the program shows it, not yet shown
    };

    std::vector<Window> windows() {
        return {
            {"main window",
             [] {
                 MainForm->setStatusText(1, "Nový záznam");
                 MainForm->setStatusText(2, "EDIT");
                 return MainForm;
             }},
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
            {"card entry", [] { return new TEkzpForm(MainForm, false); }},
            {"fungi catalogue", [] { return new TEkdh1Form(MainForm); }},
            {"locality catalogue", [] { return new TEkdl1Form(MainForm); }},
            {"find in the fungi catalogue", [] { return new TFind20Form(&DM1->Hdath, nullptr); }},
            {"find in the locality catalogue", [] { return new TFind21Form(&DM1->Hdatl, nullptr); }},
            {"find a card", [] { return new TFind22Form(&DM1->Hdok, nullptr); }},
            {"preview", [] { return static_cast<QWidget*>(PrevForm); }},
            {"print progress", [] { return static_cast<QWidget*>(TiskInfoForm); }},
            {"backup", [] { return new TExdForm(MainForm); }},
            {"restore", [] { return new TExd1Form(MainForm); }},
            {"own directory", [] { return new TExd2Form(MainForm); }},
            {"local or shared data", [] { return new TAu5Form(MainForm); }},
            {"conversion", [this] { return new TAu8Form(dataDir, true, MainForm); }},
            {"information", [] { return new TAu9Form(MainForm); }},
            {"export of findings", [] { return new TDwcForm(MainForm); }},
            {"search and correction", [] { return new TEkovForm(MainForm); }},
            {"extended search", [] { return new TEkvhForm(MainForm); }},
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
        release(window);
    }
}

// F1 in each window opens its own page of the manual; the start-up windows, the calendar, the
// printer set-up, the information window and the manual itself show the default topic.
TEST_F(TextFit, EveryWindowHasItsHelpTopic) {
    const std::map<std::string, QString> pages = {
        {"main window", "hlavni-okno.html"},
        {"firm selection", "vyber-firmy.html"},
        {"firm name", "nazev-firmy.html"},
        {"new firm", "nova-firma.html"},
        {"password, adding", "hesla.html"},
        {"password, changing", "hesla.html"},
        {"password prompt", "hesla.html"},
        {"firm positions", "razeni-firem.html"},
        {"card entry", "zapis-karet.html"},
        {"fungi catalogue", "databaze-hub.html"},
        {"locality catalogue", "databaze-lokalit.html"},
        {"find in the fungi catalogue", "databaze-hub.html"},
        {"find in the locality catalogue", "databaze-lokalit.html"},
        {"find a card", "zapis-karet.html"},
        {"preview", "nahled.html"},
        {"print progress", "nahled.html"},
        {"backup", "zalohovani.html"},
        {"restore", "obnoveni.html"},
        {"own directory", "zalohovani.html"},
        {"local or shared data", "sitova-data.html"},
        {"conversion", "prevod-dat.html"},
        {"export of findings", "export-nalezu.html"},
        {"search and correction", "vyhledavani.html"},
        {"extended search", "rozsirene-vyhledavani.html"},
    };
    for (const Window& w : windows()) {
        QWidget* window = w.make();
        const auto page = pages.find(w.name);
        EXPECT_EQ(HelpViewer::topicFile(HelpKey::contextOf(window->objectName())),
                  page == pages.end() ? QString() : page->second)
            << w.name;
        release(window);
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
