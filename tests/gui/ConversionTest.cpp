#include <QFileDialog>
#include <QToolButton>

#include "Application.h"
#include "Au8.h"
#include "Editz.h"
#include "FirmFixture.h"
#include "ParadoxTable.h"
#include "ParadoxWriter.h"
#include "TableFileKind.h"

using interchange::ParadoxTable;

// Data of an earlier release (Paradox tables, made here with pxlib's writer) beside the program
// or the data directory, taken over at start-up.
class Conversion : public FirmFixture {
protected:
    struct EarlierFirm {
        int number;
        QString name;
        QString password;
        QVector<QVector<QVariant>> cards;
    };

    static QVector<QVector<QVariant>> card(int evc, const QString& czechName) {
        return {{1,
                 evc,
                 "BOED",
                 "Boletus edulis",
                 "Bull.",
                 czechName,
                 "CH",
                 "Chřiby - Bunč",
                 "6869",
                 "450 m",
                 "49.1N 17.3E",
                 "smrkový les",
                 QVariant(),
                 "Jiří Řezáč",
                 QDate(2009, 9, 15),
                 "Petr Šťastný",
                 false,
                 false,
                 "N",
                 QVariant()}};
    }

    // An earlier installation in `dir` whose register and firms are in `dataRoot` (the same
    // directory, or the shared one its Sporin.ini names).
    void makeEarlier(const QString& dir, const QVector<EarlierFirm>& firms, const QString& dataRoot = QString()) {
        const QString root = dataRoot.isEmpty() ? dir : dataRoot;
        QDir().mkpath(dir);
        QDir().mkpath(root);
        const QVector<test::PxField> oldRegister{
            {"Cislo", ParadoxTable::Long, 4}, {"Nazev", ParadoxTable::Alpha, 20}, {"Adresar", ParadoxTable::Alpha, 20}};
        QVector<QVector<QVariant>> rows, passwords;
        for (const EarlierFirm& f : firms) {
            const QString d = QString("D%1").arg(f.number);
            rows.append({f.number, f.name, d});
            if (!f.password.isEmpty()) passwords.append({f.number, f.password});
            QDir().mkpath(root + d);
            ASSERT_TRUE(
                test::writeParadoxTable(root + d + "/Hdok.DB", {test::paradoxLayout("Hdok"), f.cards, "131072", 1250}));
            ASSERT_TRUE(
                test::writeParadoxTable(root + d + "/Hdath.DB", {test::paradoxLayout("Hdath"), {}, "131072", 1250}));
            ASSERT_TRUE(test::writeParadoxTable(root + d + "/Hdatl.DB",
                                                {test::paradoxLayout("Hdatl"), {{1, "CH", "Chřiby"}}, "131072", 1250}));
            IniFile ini(root + d + "/" + d + ".ini");
            ini.writeString("Cesty", "Cesta1", "A:\\zaloha.zip");
            ini.writeString("TXT", "Cesta1", "A:\\seznam.txt");
            ini.writeString("Tisk", "Vychozi", "0");
        }
        ASSERT_TRUE(test::writeParadoxTable(root + "Data.DB", {oldRegister, rows, "", 1250}));
        ASSERT_TRUE(test::writeParadoxTable(root + "Uziv.DB", {test::paradoxLayout("Uziv"), passwords, "", 1250}));
        if (root != dir) {
            // The installation itself keeps only its settings and an unused register.
            ASSERT_TRUE(test::writeParadoxTable(dir + "Data.DB", {oldRegister, {}, "", 1250}));
        }
        IniFile sporin(dir + "Sporin.ini");
        sporin.writeString("Sporin", "Razeni", "2");
        sporin.writeString("Vyber", "Pos", "0");
        sporin.writeString("Vyber", "Cislo", "2");
        if (!dataRoot.isEmpty()) {
            sporin.writeString("Sporin", "Net", "1");
            sporin.writeString("Sporin", "Path", dataRoot);
        }
    }

    IniFile localSettings() const { return IniFile(dataDir + "Sporin.ini"); }

    // Runs the start-up check; `inDialog` (when given) acts on the conversion dialog.
    void runCheck(std::function<void(TAu8Form*)> inDialog = nullptr) {
        if (inDialog) whenShown<TAu8Form>(inDialog);
        MainForm->KontrolaInst1();
    }

    QString cardName(const QString& firmDir) {
        OtherSession other(firmDir);
        TTable t;
        t.setDatabase(&other.db);
        t.TableName = "Hdok.DB";
        t.Open();
        return t.FieldByName("Nce")->AsString() + " " + t.FieldByName("D")->AsString();
    }
};

// Two earlier releases beside the program: the later one is proposed; its register, passwords,
// firms (encrypted Paradox tables), firm settings and selection settings are taken over, and
// the firms open.
TEST_F(Conversion, LatestReleaseBesideTheProgramIsTakenOver) {
    makeEarlier(tmp.path() + "Lamelin 2009/", {{1, "Stará", "", card(1, "stará")}});
    makeEarlier(tmp.path() + "Lamelin 2011/",
                {{1, "Les u Brna", "", card(12, "hřib smrkový")}, {2, "Šumava", "tajné", card(5, "liška obecná")}});
    startApp();
    QString proposed;
    runCheck([&](TAu8Form* d) {
        proposed = d->Edit3->text();
        EXPECT_TRUE(d->CheckBoxPd4->isChecked());
        d->OKButton->click();
    });
    EXPECT_EQ(proposed, QDir::toNativeSeparators(tmp.path() + "Lamelin 2011/Data.DB"));
    EXPECT_EQ(messages.texts(), QStringList({"Data byla převedena z adresáře: \n\n" +
                                             QDir::toNativeSeparators(tmp.path() + "Lamelin 2011/")}));
    EXPECT_EQ(storedRegister(), QStringList({"1 1 Les u Brna D1", "2 2 Šumava D2"}));
    EXPECT_EQ(storedPasswords(), QStringList({"2 tajné"}));
    EXPECT_EQ(cardName(dataDir + "D1"), "hřib smrkový 15.09.2009");
    EXPECT_EQ(cardName(dataDir + "D2"), "liška obecná 15.09.2009");
    EXPECT_EQ(tableFilesIn("D2"), 27);
    const IniFile firmSettings(dataDir + "D1/D1.ini");
    EXPECT_FALSE(firmSettings.hasKey("Cesty", "Cesta1") || firmSettings.hasKey("TXT", "Cesta1"));
    EXPECT_EQ(firmSettings.readString("Tisk", "Vychozi"), "0");
    const IniFile local = localSettings();
    EXPECT_EQ(local.readString("Sporin", "Prevod213"), "1");
    EXPECT_EQ(local.readString("Sporin", "Prevod213o"), "1");
    EXPECT_EQ(local.readString("Sporin", "Razeni"), "2");
    EXPECT_EQ(local.readString("Vyber", "Pos"), "0");
    EXPECT_EQ(local.readString("Vyber", "Cislo"), "2");
    EXPECT_TRUE(sel()->Auto1.Active() && sel()->Uziv.Active());
    EXPECT_NO_THROW(openFirmDirectly("D2"));
    EXPECT_EQ(DM1->Hdok.RecordCount(), 1);
}

// A release beside the data directory (the program elsewhere) whose data were on a shared
// directory: they are taken from there.
TEST_F(Conversion, ReleaseBesideTheDataDirectoryWithNetworkData) {
    dataDir = tmp.path() + "sdileno/data/";
    storage::TemplateSet::prepareDataDirectory(dataDir);
    IniFile(programDir + "Data.ini").writeString("Data", "Sporin", dataDir);
    const QString shared = tmp.path() + "server/lamelin/";
    makeEarlier(tmp.path() + "sdileno/Lamelin 2005/", {{4, "Na síti", "", card(7, "čirůvka")}}, shared);
    startApp();
    runCheck([](TAu8Form* d) { d->OKButton->click(); });
    EXPECT_EQ(messages.texts(),
              QStringList({"Data byla převedena z adresáře: \n\n" + QDir::toNativeSeparators(shared)}));
    EXPECT_EQ(storedRegister(), QStringList({"4 4 Na síti D4"}));
    EXPECT_EQ(cardName(dataDir + "D4"), "čirůvka 15.09.2009");
}

// A field of an earlier card table that ours do not have cannot come along: the user is told
// which, before the conversion is reported.
TEST_F(Conversion, FieldsLeftOutAreNamed) {
    const QString earlier = tmp.path() + "Lamelin 2011/";
    makeEarlier(earlier, {{1, "Les", "", card(3, "hřib")}});
    QVector<test::PxField> cards = test::paradoxLayout("Hdok");
    cards.append({"Pozn", ParadoxTable::Alpha, 40});
    QVector<QVector<QVariant>> rows = card(3, "hřib");
    rows[0].append("poznámka");
    ASSERT_TRUE(test::writeParadoxTable(earlier + "D1/Hdok.DB", {cards, rows, "131072", 1250}));
    startApp();
    runCheck([](TAu8Form* d) { d->OKButton->click(); });
    EXPECT_EQ(messages.texts(),
              QStringList({"Tato pole předchozí verze program nezná, jejich obsah nebyl převeden:\n\n" +
                               QDir::toNativeSeparators("D1/Hdok") + ": Pozn",
                           "Data byla převedena z adresáře: \n\n" + QDir::toNativeSeparators(earlier)}));
    EXPECT_EQ(cardName(dataDir + "D1"), "hřib 15.09.2009");
}

// The shared directory an earlier release worked on is gone: nothing can be taken over, and
// that is reported as a failure, not as a conversion.
TEST_F(Conversion, GoneSharedDirectoryIsAFailure) {
    const QString shared = tmp.path() + "server/lamelin/";
    makeEarlier(tmp.path() + "Lamelin 2011/", {{1, "Les", "", card(3, "hřib")}}, shared);
    QDir(shared).removeRecursively();
    startApp();
    runCheck([](TAu8Form* d) { d->OKButton->click(); });
    ASSERT_EQ(messages.boxes.size(), 1);
    EXPECT_EQ(messages.last(), "Data se nepodařilo převést z adresáře: \n\n" + QDir::toNativeSeparators(shared));
    EXPECT_EQ(messages.boxes.last().kind, MsgKind::Error);
    EXPECT_TRUE(storedRegister().isEmpty());
    EXPECT_TRUE(sel()->Auto1.Active() && sel()->Uziv.Active());
}

// When the offer is made: the keys, a register that has firms, the user's choice.
TEST_F(Conversion, KeysAndChoicesDecideWhetherDataAreTakenOver) {
    struct Case {
        const char* what;
        const char* checked;    // Prevod213 before the start
        const char* requested;  // Prevod213o before the start
        bool earlier;           // an earlier release beside the program
        bool firm;              // the register has a firm
        int dialog;             // 0 not shown, 1 OK, 2 "Převést data" unticked, 3 path emptied
        bool converted;
        bool unreadable = false;  // the register could not be opened: it may hold firms
    };
    const Case cases[] = {
        {"found and converted", "", "", true, false, 1, true},
        {"checked already", "1", "", true, false, 0, false},
        {"register has a firm", "", "", true, true, 0, false},
        {"nothing found, not asked for", "", "", false, false, 0, false},
        {"asked for with Ctrl+P, nothing found", "", "1", false, false, 1, false},
        {"convert unticked", "", "", true, false, 2, false},
        {"path emptied", "", "", true, false, 3, false},
        {"register unreadable", "", "", true, false, 0, false, true},
    };
    makeEarlier(tmp.path() + "Lamelin 2010/", {{1, "Les", "", card(3, "hřib")}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (MainForm) destroyStartupWindows();
        messages.boxes.clear();
        for (const QString& f : storage::registerFileList()) {
            QFile::remove(dataDir + f);
            QFile::copy(dataDir + "Data/" + f, dataDir + f);
        }
        QDir(dataDir + "D1").removeRecursively();
        QDir(tmp.path() + "Lamelin 2010").rename("Data.DB", c.earlier ? "Data.DB" : "Data.bak");
        QDir(tmp.path() + "Lamelin 2010").rename("Data.bak", c.earlier ? "Data.DB" : "Data.bak");
        IniFile local(dataDir + "Sporin.ini");
        local.writeString("Sporin", "Prevod213", c.checked);
        local.writeString("Sporin", "Prevod213o", c.requested);
        if (c.firm) addFirm(7, "Moje");
        startApp();
        if (c.unreadable) sel()->Auto1.Close();
        bool shown = false;
        if (c.dialog) {
            runCheck([&](TAu8Form* d) {
                shown = true;
                if (c.dialog == 2) d->CheckBoxPd4->setChecked(false);
                if (c.dialog == 3) d->Edit3->clear();
                d->OKButton->click();
            });
        } else {
            MainForm->KontrolaInst1();
            QApplication::processEvents();
        }
        EXPECT_EQ(shown, c.dialog != 0);
        EXPECT_EQ(QFile::exists(dataDir + "D1/Hdok.DB"), c.converted);
        EXPECT_EQ(messages.boxes.size(), c.converted ? 1 : 0);
        EXPECT_EQ(localSettings().readString("Sporin", "Prevod213"), "1");
    }
}

// The dialog refuses the current installation and a file that does not exist, also when
// chosen with "...", and takes a file chosen there.
TEST_F(Conversion, DialogRefusesTheCurrentInstallationAndMissingFiles) {
    makeEarlier(tmp.path() + "Lamelin 2010/", {{1, "Les", "", card(3, "hřib")}});
    startApp();
    const QString earlier = QDir::toNativeSeparators(tmp.path() + "Lamelin 2010/Data.DB");
    QString afterOwn, afterMissing, afterChosenOwn, afterChosen;
    runCheck([&](TAu8Form* d) {
        d->Edit3->setText(QDir::toNativeSeparators(dataDir + "Data.DB"));
        d->OKButton->click();
        afterOwn = d->Edit3->text();
        d->Edit3->setText("/nikde/Data.DB");
        d->OKButton->click();
        afterMissing = d->Edit3->text();
        for (const QString& pick : {dataDir + "Data.DB", tmp.path() + "Lamelin 2010/Data.DB"}) {
            whenShown<QFileDialog>([pick](QFileDialog* f) {
                EXPECT_EQ(f->objectName(), "OpenDialog");
                f->selectFile(pick);
                static_cast<QDialog*>(f)->accept();
            });
            d->BitBtnAdr1->click();
            (afterChosenOwn.isEmpty() ? afterChosenOwn : afterChosen) = d->Edit3->text();
        }
        EXPECT_TRUE(d->isVisible());
        d->OKButton->click();
    });
    EXPECT_EQ(afterOwn, earlier);
    EXPECT_EQ(afterMissing, earlier);
    EXPECT_EQ(afterChosenOwn, earlier);
    EXPECT_EQ(afterChosen, earlier);
    const QString notHere = "Vyberte adresář s předchozí verzí programu Lamelin.";
    ASSERT_GE(messages.boxes.size(), 4);
    EXPECT_EQ(messages.texts().mid(0, 3), QStringList({notHere, "Soubor /nikde/Data.DB neexistuje.", notHere}));
    EXPECT_EQ(storedRegister(), QStringList({"1 1 Les D1"}));
}

// A conversion that fails is undone: the register is the empty one again and the firm
// directories it made are gone; the reason is told before the failure. A register row naming a
// directory outside the data directory fails it before anything is written there.
TEST_F(Conversion, FailureIsUndone) {
    enum Fault { NoCardTable, DuplicateNumber, DirectoryOutside };
    struct Case {
        const char* what;
        Fault fault;
        const char* reasonStart;  // empty: no reason box
    };
    const Case cases[] = {{"a firm without its card table", NoCardTable, ""},
                          {"a card table with a duplicate number", DuplicateNumber, "Tabulku "},
                          {"a firm directory outside the data directory", DirectoryOutside, ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (MainForm) destroyStartupWindows();
        messages.boxes.clear();
        const QString earlier = tmp.path() + "Lamelin 2012/";
        QDir(earlier).removeRecursively();
        QVector<QVector<QVariant>> twice = card(3, "hřib") + card(3, "hřib");
        twice[1][0] = 2;
        makeEarlier(earlier, {{1, "Les", "", card(3, "hřib")},
                              {2, "Bor", "", c.fault == DuplicateNumber ? twice : card(4, "liška")}});
        if (c.fault == NoCardTable) QFile::remove(earlier + "D2/Hdok.DB");
        if (c.fault == DirectoryOutside) {
            const QVector<test::PxField> oldRegister{{"Cislo", ParadoxTable::Long, 4},
                                                     {"Nazev", ParadoxTable::Alpha, 20},
                                                     {"Adresar", ParadoxTable::Alpha, 40}};
            ASSERT_TRUE(test::writeParadoxTable(earlier + "Data.DB",
                                                {oldRegister, {{1, "Les", "D1"}, {2, "Bor", "../Lamelin 2012/D2"}}}));
        }
        IniFile(dataDir + "Sporin.ini").writeString("Sporin", "Prevod213", "");
        startApp();
        runCheck([](TAu8Form* d) { d->OKButton->click(); });
        const QString failed = "Data se nepodařilo převést z adresáře: \n\n" + QDir::toNativeSeparators(earlier);
        ASSERT_FALSE(messages.boxes.isEmpty());
        EXPECT_EQ(messages.last(), failed);
        EXPECT_EQ(messages.boxes.last().kind, MsgKind::Error);
        EXPECT_EQ(messages.boxes.size(), QString(c.reasonStart).isEmpty() ? 1 : 2);
        if (messages.boxes.size() == 2) {
            EXPECT_TRUE(messages.boxes[0].text.startsWith(c.reasonStart));
        }
        EXPECT_TRUE(storedRegister().isEmpty());
        EXPECT_FALSE(QDir(dataDir + "D1").exists());
        EXPECT_FALSE(QDir(dataDir + "D2").exists());
        EXPECT_TRUE(sel()->Auto1.Active());
        if (c.fault != NoCardTable) {
            EXPECT_EQ(interchange::tableFileKind(earlier + "D2/Hdok.DB"), interchange::TableFileKind::Paradox);
        }
    }
}
