#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QUrl>
#include <QPrinterInfo>
#include <QToolButton>
#include <QTranslator>

#include "EvzhDt.h"
#include "FirmFixture.h"
#include "HelpViewer.h"
#include "PrinterSetup.h"
#include "QtTranslations.h"
#include "UseHTMLHelp.h"

using Startup = FirmFixture;

TEST_F(Startup, FindsTheDataDirectoryNamedByDataIni) {
    startApp();
    EXPECT_FALSE(MainForm->dataDirNotFound);
    EXPECT_EQ(MainForm->FileDir, dataDir);
    EXPECT_EQ(MainForm->FileDirLocal, dataDir);
    EXPECT_EQ(MainForm->windowTitle(), QString("Lamelin 1.10"));
    EXPECT_EQ(MainForm->DatoveSoubory.size(), 27);
    EXPECT_TRUE(messages.boxes.isEmpty()) << messages.last().toStdString();
}

TEST_F(Startup, AdresarPrgInAnyCaseMeansTheProgramDirectory) {
    storage::TemplateSet::prepareDataDirectory(programDir);
    IniFile(programDir + "Data.ini").writeString("Data", "Sporin", "ADRESARPRG");
    startApp();
    EXPECT_FALSE(MainForm->dataDirNotFound);
    EXPECT_EQ(MainForm->FileDir, programDir);
}

TEST_F(Startup, RelativeDataPathsLieBesideTheProgramAndTheLocalDataWhereverItStarts) {
    QDir::setCurrent(QDir::rootPath());
    IniFile(programDir + "Data.ini").writeString("Data", "Sporin", QDir(programDir).relativeFilePath(dataDir));
    startApp();
    EXPECT_FALSE(MainForm->dataDirNotFound);
    EXPECT_EQ(MainForm->FileDir, dataDir);
    EXPECT_TRUE(QFile::exists(MainForm->FileDir + "Data.DB"));  // still there from the new current directory

    // A shared data directory given relative to the local one, as the data location stores it.
    const QString shared = tmp.path() + "sit/";
    storage::TemplateSet::prepareDataDirectory(shared);
    MainForm->applyDataLocation(true, "../sit/");
    QDir::setCurrent(MainForm->FileDir);
    EXPECT_EQ(MainForm->FileDir, shared);
    EXPECT_TRUE(messages.boxes.isEmpty()) << messages.last().toStdString();
}

TEST_F(Startup, DataIniNamingADirectoryWithoutDataEndsTheSearch) {
    // Even though the default data path holds a data directory.
    storage::TemplateSet::prepareDataDirectory(commonDir + "/Corvex/Lamelin 2013/");
    const QString empty = tmp.path() + "empty/";
    QDir().mkpath(empty);
    IniFile(programDir + "Data.ini").writeString("Data", "Sporin", empty);
    startApp();
    EXPECT_TRUE(MainForm->dataDirNotFound);
    MainForm->firstActivation();
    EXPECT_EQ(messages.texts(), QStringList{"Chyba při zjišťování adresáře s daty.\nNainstalujte program znovu."});
    EXPECT_FALSE(MainForm->isVisible());
}

TEST_F(Startup, WithoutDataIniTheDefaultPathIsUsed) {
    QFile::remove(programDir + "Data.ini");
    const QString def = commonDir + "/Corvex/Lamelin 2013/";
    storage::TemplateSet::prepareDataDirectory(def);
    startApp();
    EXPECT_FALSE(MainForm->dataDirNotFound);
    EXPECT_EQ(MainForm->FileDir, def);
}

TEST_F(Startup, NoDataDirectoryAtAll) {
    QFile::remove(programDir + "Data.ini");
    startApp();
    EXPECT_TRUE(MainForm->dataDirNotFound);
    MainForm->firstActivation();
    EXPECT_EQ(messages.last(), QString("Chyba při zjišťování adresáře s daty.\nNainstalujte program znovu."));
}

TEST_F(Startup, TemplateVersionMismatchIsReportedAndStartUpContinues) {
    for (auto [version, text] : {std::pair{109, "Máte novější verzi programu než adresář Data.\nNainstalujte program znovu."},
                                 std::pair{111, "Máte starší verzi programu než adresář Data.\nNainstalujte program znovu."}}) {
        IniFile(dataDir + "Data/Verze.ini").writeInteger("Verze", "Data", version);
        messages.boxes.clear();
        startApp();
        ASSERT_EQ(messages.boxes.size(), 1);
        EXPECT_EQ(messages.boxes[0].kind, MsgKind::Error);
        EXPECT_EQ(messages.boxes[0].text, QString::fromUtf8(text));
        EXPECT_FALSE(MainForm->dataDirNotFound);
        destroyStartupWindows();
    }
}

TEST_F(Startup, OnlyFirmSelectionEndAndHelpWorkBeforeAFirmIsOpen) {
    startApp();
    MainForm->TypDp1();
    for (const char* name : {"Zpisdokartotky1", "Tisk1", "Spolecneudaje2", "Vymazanikartoteky1", "Nastavenitisku1"}) {
        EXPECT_FALSE(MainForm->action(name)->isEnabled()) << name;
    }
    for (const char* name : {"Vyberfirmy1", "Konec1", "Navodkprogramu1"}) EXPECT_TRUE(MainForm->action(name)->isEnabled()) << name;
    for (const char* name : {"SpeedButton1", "SpeedButton2", "SpeedButton3", "SpeedButton4"}) {
        EXPECT_FALSE(MainForm->findChild<QToolButton*>(name)->isEnabled()) << name;
    }
    addFirm(1, "Les");
    openFirmDirectly("D1");
    EXPECT_TRUE(MainForm->action("Zpisdokartotky1")->isEnabled());
    EXPECT_TRUE(MainForm->findChild<QToolButton*>("SpeedButton1")->isEnabled());
}

TEST_F(Startup, MenuCaptionsHintsAndShortcuts) {
    startApp();
    EXPECT_EQ(MainForm->action("Vyberfirmy1")->text(), QString("&Výběr firmy"));
    EXPECT_EQ(MainForm->action("Vyberfirmy1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_A));
    EXPECT_EQ(MainForm->action("Zpisdokartotky1")->shortcut(), QKeySequence(Qt::Key_F2));
    EXPECT_EQ(MainForm->action("Tisk1")->shortcut(), QKeySequence(Qt::Key_F6));
    EXPECT_EQ(MainForm->action("Tisk1")->statusTip(), QString("Výběr tisků"));
    EXPECT_EQ(MainForm->action("Nastavenitisku1")->statusTip(), QString("Zobrazí dialog pro nastavení tiskárny"));
    EXPECT_EQ(MainForm->findChild<QToolButton*>("SpeedButton4")->toolTip(), QString("Databáze hub"));
}

TEST_F(Startup, StatusPanelZeroFollowsTheWindowWidth) {
    startApp();
    MainForm->show();
    QLabel* panel0 = MainForm->findChild<QLabel*>("StatusPanel0");
    // Panels 1 and 2 are 75 and 35 wide unless the font needs more; panel 0 takes the rest.
    const int others = MainForm->findChild<QLabel*>("StatusPanel1")->width() +
                       MainForm->findChild<QLabel*>("StatusPanel2")->width() + 16;
    for (auto [width, expected] : {std::pair{400, 324}, std::pair{800, 800 - others}}) {
        MainForm->statusBar()->resize(width, MainForm->statusBar()->height());
        QApplication::processEvents();
        MainForm->resize(width, MainForm->height());
        QApplication::processEvents();
        if (MainForm->statusBar()->width() == width) {
            EXPECT_EQ(panel0->width(), expected) << width;
        }
    }
    MainForm->setStatusText(0, "Zpráva");
    EXPECT_EQ(MainForm->statusText(0), QString("Zpráva"));
}

TEST_F(Startup, ClosingSavesPlacementAndKeepsItWhenMaximised) {
    startApp();
    MainForm->setGeometry(10, 20, 700, 500);
    MainForm->close();
    IniFile sporin(dataDir + "Sporin.ini");
    EXPECT_EQ(sporin.readInteger("Sporin", "Maximized", -1), 0);
    EXPECT_EQ(sporin.readInteger("Sporin", "Width", 0), 700);
    EXPECT_EQ(sporin.readInteger("Sporin", "Kodovani", -1), 1);
    destroyStartupWindows();

    startApp();
    EXPECT_EQ(MainForm->geometry(), QRect(10, 20, 700, 500));
    EXPECT_FALSE(MainForm->windowState() & Qt::WindowMaximized);
    MainForm->showMaximized();
    QApplication::processEvents();
    MainForm->close();
    sporin.reload();
    EXPECT_EQ(sporin.readInteger("Sporin", "Maximized", -1), 1);
    EXPECT_EQ(sporin.readInteger("Sporin", "Width", 0), 700);  // left as it was
    destroyStartupWindows();

    startApp();
    EXPECT_TRUE(MainForm->windowState() & Qt::WindowMaximized);

    // Settings that cannot be written are reported, and Verze.txt marks the attempt.
    QFile::remove(dataDir + "Sporin.ini");
    QDir().mkpath(dataDir + "Sporin.ini");
    MainForm->close();
    EXPECT_EQ(messages.last(),
              QString("Nemáte oprávnění zapisovat do adresáře s daty.\nNainstalujte program znovu."));
    EXPECT_TRUE(QFile::exists(dataDir + "Verze.txt"));
}

TEST_F(Startup, ErasingTheCardIndexAsksTwice) {
    addFirm(1, "Les");
    startApp();
    openFirmDirectly("D1");
    TTable& hdok = DM1->Hdok;
    hdok.Append();
    hdok.FieldByName("Nla")->setAsString("Boletus edulis");
    hdok.Post();
    DM1->Hdath.Append();
    DM1->Hdath.FieldByName("Nlad")->setAsString("Amanita muscaria");
    DM1->Hdath.Post();
    ASSERT_EQ(DM1->Hspl.FieldByName("Cislo")->AsInteger(), 2);

    messages.answer(MsgResult::Yes);
    messages.answer(MsgResult::No);
    MainForm->eraseCardIndex();
    EXPECT_EQ(messages.texts(), QStringList({"Opravdu provést vymazání kartotéky ?", "Opravdu provést vymazání kartotéky ?"}));
    EXPECT_EQ(DM1->Hdok.RecordCount(), 1);

    MainForm->eraseCardIndex();
    EXPECT_EQ(DM1->Hdok.RecordCount(), 0);
    EXPECT_EQ(DM1->Hdath.RecordCount(), 1);  // the catalogues stay
    EXPECT_EQ(DM1->Hspl.FieldByName("Cislo")->AsInteger(), 1);
    EXPECT_EQ(MainForm->statusText(0), QString("Kartotéka byla vymazána."));
    DM1->Hdok.Append();
    EXPECT_EQ(DM1->Hdok.FieldByName("Evc")->AsInteger(), 1);
    DM1->Hdok.Cancel();

    // A template file that cannot be copied: the cards stay, the failure is told, the tables open.
    DM1->Hdok.Append();
    DM1->Hdok.FieldByName("Nla")->setAsString("Russula");
    DM1->Hdok.Post();
    QFile::remove(dataDir + "Data/Hdok.YG0");
    messages.boxes.clear();
    MainForm->setStatusText(0, QString());
    MainForm->eraseCardIndex();
    ASSERT_EQ(messages.boxes.size(), 3);
    EXPECT_EQ(messages.boxes[2].kind, MsgKind::Error);
    EXPECT_TRUE(messages.boxes[2].text.contains("Hdok.YG0")) << messages.last().toStdString();
    ASSERT_TRUE(DM1->Hdok.Active());
    EXPECT_EQ(DM1->Hdok.RecordCount(), 1);
    EXPECT_EQ(DM1->Hdok.FieldByName("Nla")->AsString(), QString("Russula"));
    EXPECT_EQ(DM1->Hspl.FieldByName("Cislo")->AsInteger(), 2);
    EXPECT_TRUE(MainForm->statusText(0).isEmpty());
    EXPECT_EQ(QDir(dataDir + "D1").entryList({"*.kopie"}, QDir::Files), QStringList());
}

TEST_F(Startup, SharedTemplateRefreshNeverLosesAFile) {
    const QString shared = tmp.path() + "shared/";
    storage::TemplateSet::prepareDataDirectory(shared);
    IniFile(shared + "Data/Verze.ini").writeInteger("Verze", "Data", 109);
    QFile stale(shared + "Data/Hdath.DB");
    ASSERT_TRUE(stale.open(QIODevice::Append));
    stale.write("stale");
    stale.close();
    QFile::remove(dataDir + "Data/Hdok.PX");  // missing from the local templates
    IniFile(dataDir + "Sporin.ini").writeString("Sporin", "Net", "1");
    IniFile(dataDir + "Sporin.ini").writeString("Sporin", "Path", shared);
    startApp();
    whenShown<TAuto1Form>([](TAuto1Form* s) { click(s->Button4); });
    MainForm->firstActivation();
    EXPECT_EQ(MainForm->FileDir, shared);
    auto bytes = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("missing");
    };
    EXPECT_EQ(bytes(shared + "Data/Hdath.DB"), bytes(dataDir + "Data/Hdath.DB"));
    EXPECT_TRUE(QFile::exists(shared + "Data/Hdok.PX"));
    // Not complete: the next start tries again.
    EXPECT_EQ(IniFile(shared + "Data/Verze.ini").readInteger("Verze", "Data", 0), 109);
}

TEST_F(Startup, FirmPrinterFallsBackToTheDefaultWhenGone) {
    addFirm(1, "Les");
    startApp();
    MainForm->firmDirName = "D1";
    IniFile firm(MainForm->firmSettingsPath());
    firm.writeInteger("Tisk", "Vychozi", 0);
    firm.writeString("Tisk", "Tiskarna", "Odstraněná tiskárna");
    MainForm->VyberTisk1(2);
    EXPECT_EQ(MainForm->currentPrinterName(), QPrinterInfo::defaultPrinterName());
}

TEST_F(Startup, AnOversizedSettingsFileIsReportedOnceAndTheProgramGoesOn) {
    addFirm(1, "Les");
    for (const QString& path : {dataDir + "Sporin.ini", dataDir + "D1/D1.ini"}) {
        QFile big(path);
        ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(IniFile::MaxFileSize + 1));
    }
    const auto warning = [](const QString& path) {
        return QString("Soubor nastavení %1 je větší než 16 MB, nebyl přečten.").arg(path);
    };
    startApp();
    ASSERT_EQ(messages.boxes.size(), 1);
    EXPECT_EQ(messages.boxes[0].kind, MsgKind::Warning);
    EXPECT_EQ(messages.boxes[0].text, warning(dataDir + "Sporin.ini"));
    EXPECT_FALSE(MainForm->dataDirNotFound);

    messages.boxes.clear();
    whenShown<TAuto1Form>([](TAuto1Form* s) { click(s->OKButton); });
    EXPECT_TRUE(MainForm->VyberDanoveho());
    EXPECT_EQ(messages.texts(), QStringList{warning(dataDir + "D1/D1.ini")});
    EXPECT_TRUE(DM1->Hdok.Active());
}

TEST(ReportFonts, CentralEuropeanVariantsAreAppendedOnce) {
    QWidget report;
    report.setFont(QFont("Arial"));
    auto* title = new QLabel("Seznam firem", &report);
    title->setFont(QFont("Times New Roman"));
    auto* done = new QLabel("Číslo", &report);
    done->setFont(QFont("Arial CE"));
    TMainForm::PrevodPisma1(&report);
    EXPECT_EQ(report.font().family(), QString("Arial CE"));
    EXPECT_EQ(title->font().family(), QString("Times New Roman CE"));
    EXPECT_EQ(done->font().family(), QString("Arial CE"));
    TMainForm::PrevodPisma1(&report);
    EXPECT_EQ(title->font().family(), QString("Times New Roman CE"));
}

// The data directory is the control directory exactly as spelt, and a clean end leaves no lock
// files. "ß" has a longer capital form ("SS"); "data" has a sibling differing only in case.
TEST_F(Startup, ControlDirectoryAsSpeltAndNoLockFilesAfterAnEnd) {
    for (const QString name : {"Straße", "data"}) {
        dataDir = tmp.path() + name + "/";
        const QString sibling = tmp.path() + name.toUpper() + "/";
        storage::TemplateSet::prepareDataDirectory(dataDir);
        QDir().mkpath(sibling);
        IniFile(programDir + "Data.ini").writeString("Data", "Sporin", dataDir);
        addFirm(1, "Les");
        startApp();
        EXPECT_EQ(DM1->Session.NetFileDir(), dataDir);
        ASSERT_NO_THROW(openFirmDirectly("D1")) << name.toStdString();
        EXPECT_TRUE(DM1->Hdok.Active());
        EXPECT_TRUE(QFile::exists(dataDir + "Pdoxusrs.lck"));
        EXPECT_TRUE(QDir(sibling).isEmpty()) << name.toStdString();
        MainForm->close();
        destroyStartupWindows();
        QStringList left;
        for (const QString& d : {dataDir, dataDir + "D1/", dataDir + "Data/"}) left += QDir(d).entryList({"*.lck"});
        EXPECT_EQ(left, QStringList()) << name.toStdString();
    }
}

TEST(QtTexts, AreCzech) {
    QTranslator* czech = installQtTranslations();
    ASSERT_NE(czech, nullptr);
    QDialogButtonBox box(QDialogButtonBox::Cancel | QDialogButtonBox::Close);
    EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), QString("Zrušit"));
    EXPECT_EQ(box.button(QDialogButtonBox::Close)->text(), QString("Zavřít"));
    delete czech;  // the other tests see Qt's texts as they were
}

TEST_F(Startup, PrinterSetupChoosesAPrinterWithoutPrinting) {
    addFirm(1, "Les");
    startApp();
    openFirmDirectly("D1");
    bool shown = false;
    whenShown<TPrinterSetupDialog>([&](TPrinterSetupDialog* d) {
        shown = true;
        EXPECT_EQ(d->windowTitle(), QString("Nastavení tisku"));
        EXPECT_EQ(d->OKButton->text(), QString("OK"));
        EXPECT_EQ(d->ButtonVlastnosti->text(), QString("&Vlastnosti..."));
        click(d->OKButton);
    });
    MainForm->action("Nastavenitisku1")->trigger();
    EXPECT_TRUE(shown);
    EXPECT_EQ(MainForm->currentPrinterName(), QPrinterInfo::defaultPrinterName());
}

// Hints of menus and of other windows' controls reach panel 0; a menu's goes when it closes.
TEST_F(Startup, HintsReachPanelZeroAndMenuHintsGo) {
    startApp();
    QMenu* soubor = MainForm->findChild<QMenu*>("Soubor1");
    soubor->popup(QPoint(0, 0));
    MainForm->action("Konec1")->showStatusText(MainForm->menuBar());
    EXPECT_EQ(MainForm->statusText(0), QString("Ukončí aplikaci"));
    soubor->hide();
    EXPECT_EQ(MainForm->statusText(0), QString());

    EvzhDtForm->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(EvzhDtForm));
    QTest::mouseMove(EvzhDtForm->PrevYear);
    QApplication::processEvents();
    EXPECT_EQ(MainForm->statusText(0), QString("Předchozí rok v kalendáři (Ctrl+PgUp)"));
    EvzhDtForm->hide();
}

TEST_F(Startup, F1OpensTheManualAtTheWindowsTopic) {
    startApp();
    Auto1Form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Auto1Form));
    QTest::keyClick(Auto1Form->DBGridAuto1, Qt::Key_F1);
    EXPECT_EQ(UseHTMLHelp::instance().lastCall(), UseHTMLHelp::ViewerCall::HelpContext);
    EXPECT_EQ(UseHTMLHelp::instance().lastData(), 3);
    EXPECT_EQ(UseHTMLHelp::instance().viewer()->windowModality(), Qt::NonModal);  // no modal window open
    // A window without a topic of its own: the default topic.
    EvzhDtForm->show();
    QTest::keyClick(EvzhDtForm->OKButton, Qt::Key_F1);
    EXPECT_EQ(UseHTMLHelp::instance().lastCall(), UseHTMLHelp::ViewerCall::DisplayTopic);
    EvzhDtForm->hide();
    UseHTMLHelp::instance().ApplicationHelp(UseHTMLHelp::HelpQuit, 0);
}

namespace {

// Collects the files the desktop would open, instead of starting their programs.
class OpenedFiles : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

}  // namespace

TEST(ExecuteFile, DocumentsOpenWithTheirProgramAndProgramsStart) {
    QTemporaryDir dir;
    OpenedFiles opened;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &opened, "open");
    auto write = [&](const QString& name, const QByteArray& content, bool executable) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        if (executable) f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
        return f.fileName();
    };
    // Files on a Windows partition usually carry the execute permission; they are still documents.
    for (auto [name, executable] : {std::pair{"foto.jpg", false}, std::pair{"druhy.txt", true}}) {
        const QString path = write(QString::fromLatin1(name), "Hřib", executable);
        opened.urls.clear();
        EXPECT_TRUE(TMainForm::ExecuteFile1(path, QString())) << name;
        EXPECT_EQ(opened.urls, QList<QUrl>{QUrl::fromLocalFile(path)}) << name;
    }
    EXPECT_FALSE(TMainForm::ExecuteFile1(dir.filePath("chybi.jpg"), QString()));
    // A program starts with a quoted parameter as one argument.
    const QString viewer = write("prohlizec", "#!/bin/sh\necho \"$1\" > \"$0.out\"\n", true);
    EXPECT_TRUE(TMainForm::ExecuteFile1(viewer, QStringLiteral("\"a b.jpg\"")));
    QFile out(viewer + ".out");
    EXPECT_TRUE(QTest::qWaitFor([&] { return out.size() > 0; }, 5000));
    EXPECT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_EQ(out.readAll(), QByteArray("a b.jpg\n"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
}

#include "StartupTest.moc"
