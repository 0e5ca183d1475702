#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QRadioButton>

#include "Au5.h"
#include "Au9.h"
#include "Editz.h"
#include "Exd.h"
#include "Exd1.h"
#include "FirmBackup.h"
#include "FirmFixture.h"
#include "FirmRestore.h"
#include "PathTemplates.h"
#include "WindowPlacement.h"

// The backup and restore windows on the open firm D1, and the windows of the data location.
class Backup : public FirmFixture {
protected:
    void SetUp() override {
        addFirm(1, "Les");
        startApp();
        openFirmDirectly("D1");
        WindowPlacement::setFirmSettings(MainForm->firmSettingsPath(), "D1");
    }
    void TearDown() override { WindowPlacement::setFirmSettings(QString(), QString()); }

    QString firm() const { return dataDir + "D1/"; }
    static void addCard(const QString& name) {
        DM1->Hdok.Append();
        DM1->Hdok.FieldByName("Nla")->setAsString(name);
        DM1->Hdok.Post();
    }
    static QStringList cards() {
        QStringList names;
        for (DM1->Hdok.First(); !DM1->Hdok.Eof(); DM1->Hdok.Next()) names << DM1->Hdok.FieldByName("Nla")->AsString();
        return names;
    }
    QString stored(const QString& key) const { return IniFile(firm() + "D1.ini").readString("Cesty", key); }
    template <typename Form>
    static QPointer<Form> open() {
        MainForm->NazevSb1();
        auto* form = new Form(MainForm);
        form->show();
        return form;
    }
};

TEST_F(Backup, ProposalsDatedArchiveAndRecentPaths) {
    DM1->Hspl.Edit();
    DM1->Hspl.FieldByName("Sna")->setAsString("Sběr 2013/I");
    DM1->Hspl.Post();
    addCard("Hřib");
    // With Data.ini the data location is that path; without, the common data directory.
    auto w = open<TExdForm>();
    EXPECT_EQ(w->ComboBox1->currentText(), dataDir + "Zaloha/D1.zip");
    MainForm->dataIniConfigured = false;
    struct Proposal {
        QPushButton* button;
        QString path;
        QString full;
    };
    for (const Proposal& p :
         {Proposal{w->BitBtnDat, "%AdresarDat%/Corvex/Lamelin 2013/Zaloha/D1.zip",
                   commonDir + "/Corvex/Lamelin 2013/Zaloha/D1.zip"},
          Proposal{w->BitBtnMed, "%Disk%/Corvex/Lamelin 2013/Zaloha/D1.zip", "Nastavte písmeno disku (např. F:)."}}) {
        click(p.button);
        EXPECT_EQ(w->ComboBox1->currentText(), p.path);
        EXPECT_EQ(w->EditCesta1->text(), p.full);
    }
    click(w->ZalohaButton);
    EXPECT_EQ(messages.texts(), QStringList{"Nastavte správně cestu."});
    w->CheckBoxNzt->setChecked(true);
    QTest::keyClick(w->BitBtnUziv, Qt::Key_Return);  // Enter presses the focused button
    EXPECT_EQ(w->ComboBox1->currentText(), "%AdresarUziv%/Corvex/Lamelin 2013/Zaloha/Sběr 2013I.zip");

    // "%Datum%" names the archive by today's date; the list keeps the placeholder.
    messages.boxes.clear();
    w->ComboBox1->setEditText("%AdresarDat%/zalohy/D1 %Datum%.zip");
    click(w->ZalohaButton);
    const QString dated = commonDir + "/zalohy/D1 " + QDate::currentDate().toString("dd.MM.yyyy") + ".zip";
    EXPECT_EQ(messages.texts(), QStringList({"Opravdu chcete zazálohovat data ?", "Data byla zazálohována."}));
    EXPECT_TRUE(QFile::exists(dated));
    EXPECT_TRUE(DM1->Hdok.Active());
    EXPECT_TRUE(w->ProgressBar1->isHidden());
    w->CheckBoxIdo->setChecked(true);
    w->close();
    QApplication::processEvents();
    EXPECT_TRUE(w.isNull());
    EXPECT_EQ(stored("0"), "%AdresarDat%/zalohy/D1 %Datum%.zip");
    EXPECT_EQ(stored("Nazev"), "1");
    EXPECT_EQ(stored("Obnovit"), "1");

    // Twenty stored paths: a reused one moves to the top, a new one pushes the last out.
    for (int n = 0; n < 20; ++n)
        IniFile(firm() + "D1.ini").writeString("Cesty", QString::number(n), QString("p%1.zip").arg(n));
    w = open<TExdForm>();
    EXPECT_EQ(w->ComboBox1->count(), 20);
    EXPECT_EQ(w->ComboBox1->currentText(), "p0.zip");
    for (const char* path : {"p5.zip", "nova.zip"}) {
        w->ComboBox1->setEditText(path);
        click(w->ZalohaButton);
    }
    w->close();
    QApplication::processEvents();
    QStringList list;
    for (int n = 0; n < 21; ++n) list << stored(QString::number(n));
    QStringList expected = {"nova.zip", "p5.zip"};
    for (int n = 0; n < 19; ++n) {
        if (n != 5) expected << QString("p%1.zip").arg(n);
    }
    expected << "";
    EXPECT_EQ(list, expected);
    EXPECT_TRUE(QFile::exists(dataDir + "Zaloha/nova.zip"));  // a relative path lies below the local data

    // Erasing the saved paths empties the section and closes the window without saving again.
    messages.boxes.clear();
    w = open<TExdForm>();
    w->Vymazaniulozenychcest1->trigger();
    QApplication::processEvents();
    EXPECT_EQ(messages.texts(), QStringList({"Opravdu vymazat uložené cesty ?", "Cesty byly vymazány."}));
    EXPECT_TRUE(w.isNull());
    EXPECT_EQ(stored("0"), "");
    EXPECT_EQ(stored("Nazev"), "");
}

TEST_F(Backup, AFailedBackupSaysSoAndKeepsTheOlderArchive) {
    const QString target = tmp.path() + "zalohy/D1.zip";
    QDir().mkpath(tmp.path() + "zalohy");
    QFile older(target);
    older.open(QIODevice::WriteOnly);
    older.write("older archive");
    older.close();
    QFile blocker(tmp.path() + "soubor");
    blocker.open(QIODevice::WriteOnly);
    blocker.close();

    // A directory that cannot be created; a firm table another program holds while the indexes
    // are to be regenerated.
    auto w = open<TExdForm>();
    struct Case {
        QString path;
        bool regenerate;
        std::function<void()> prepare;
        QStringList texts;
    };
    OtherSession other(firm());
    TTable held;
    held.setDatabase(&other.db);
    held.TableName = "Hdath.DB";
    const QString blocked = tmp.path() + "soubor/x/D1.zip";
    const Case cases[] = {
        {blocked, false, [] {}, {"Soubor " + blocked + " nelze vytvořit."}},
        {target,
         true,
         [&] { held.Open(); },
         {QString("Tabulka %1Hdath.DB je používána jiným uživatelem.").arg(firm()),
          "Soubor " + target + " nelze vytvořit."}},
    };
    for (const Case& c : cases) {
        c.prepare();
        messages.boxes.clear();
        w->CheckBoxIdo->setChecked(c.regenerate);
        w->ComboBox1->setEditText(c.path);
        click(w->ZalohaButton);
        EXPECT_EQ(messages.texts(), QStringList{"Opravdu chcete zazálohovat data ?"} + c.texts);
        EXPECT_EQ(messages.boxes.last().kind, MsgKind::Error);
        EXPECT_TRUE(DM1->Hdok.Active());
        QFile f(target);
        f.open(QIODevice::ReadOnly);
        EXPECT_EQ(f.readAll(), QByteArray("older archive"));
    }

    // A lost index file is only a cache: it is rebuilt and the firm is backed up after all.
    held.Close();
    QFile::remove(firm() + "Hdok.Y0F");
    messages.boxes.clear();
    click(w->ZalohaButton);
    EXPECT_EQ(messages.last(), QString("Data byla zazálohována."));
    EXPECT_TRUE(QFile::exists(firm() + "Hdok.Y0F"));
    EXPECT_TRUE(DM1->Hdok.Active());
    w->close();
}

TEST_F(Backup, RestoreRoadsAndTheirMessages) {
    addCard("Hřib");
    DM1->Database.Close();
    const QString good = tmp.path() + "good.zip";
    ASSERT_TRUE(backup::FirmBackup::run(firm(), good, nullptr).written);
    QVector<backup::ZipWriter::Entry> noRecord;
    for (const QString& n : storage::dataFileList()) {
        if (n != "Hdok.DB") noRecord.append({n, firm() + n});
    }
    const QString partial = tmp.path() + "partial.zip";
    ASSERT_TRUE(backup::ZipWriter::write(partial, noRecord, nullptr, nullptr));
    const QString broken = tmp.path() + "broken.zip";
    QFile b(broken);
    b.open(QIODevice::WriteOnly);
    b.write(QByteArray(500, 'x'));
    b.close();
    DM1->OtevritTabulky();
    addCard("Bedla");

    const QString failed = "Chyba při obnově datových souborů.";
    const QString safety = firm() + "Zaloha/Zaloha.zip";
    struct Case {
        QString path;
        MsgResult answer;
        std::function<void()> prepare;
        QStringList texts;  // after the question
        QStringList cardsAfter;
    };
    const Case cases[] = {
        {good, MsgResult::No, [] {}, {}, {"Hřib", "Bedla"}},
        {tmp.path() + "nic.zip",
         MsgResult::Yes,
         [] {},
         {"Soubor nic.zip nebyl nalezen, zkontrolujte správnost cesty."},
         {"Hřib", "Bedla"}},
        {partial, MsgResult::Yes, [] {}, {failed}, {"Hřib", "Bedla"}},
        {broken, MsgResult::Yes, [] {}, {"Soubor " + broken + " nelze otevřít.", failed}, {"Hřib", "Bedla"}},
        {good,
         MsgResult::Yes,
         [this] { QFile(firm() + "Zaloha").open(QIODevice::WriteOnly); },
         {"Záložní soubor " + safety + " nelze vytvořit.", failed},
         {"Hřib", "Bedla"}},
        {good, MsgResult::Yes, [this] { QFile::remove(firm() + "Zaloha"); }, {"Data byla obnovena."}, {"Hřib"}},
    };
    auto w = open<TExd1Form>();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        c.prepare();
        messages.boxes.clear();
        messages.answer(c.answer);
        const QString topBefore = w->ComboBox1->itemText(0);
        w->ComboBox1->setEditText(c.path);
        click(w->ObnovaButton);
        EXPECT_EQ(messages.texts(), QStringList{"Opravdu chcete obnovit data ?"} + c.texts);
        EXPECT_EQ(cards(), c.cardsAfter);
        // Only a restore that found its archive moves the path to the top of the list.
        const bool used = c.answer == MsgResult::Yes && QFile::exists(c.path);
        EXPECT_EQ(w->ComboBox1->itemText(0), used ? c.path : topBefore);
    }
    EXPECT_FALSE(QFileInfo::exists(firm() + "Zaloha"));
    w->close();
}

TEST_F(Backup, AnUnfinishedRestoreIsRolledBackWhenTheFirmOpens) {
    addCard("Hřib");
    DM1->Database.Close();
    const QString archive = tmp.path() + "a.zip";
    ASSERT_TRUE(backup::FirmBackup::run(firm(), archive, nullptr).written);
    DM1->OtevritTabulky();
    addCard("Bedla");
    DM1->Database.Close();
    // The restore stops after putting some files in place, as a power cut would stop it.
    {
        backup::FirmRestore restore(firm(), DM1->Session.passwords());
        restore.checkpoint = [](backup::FirmRestore::Stage stage, int n) {
            if (stage == backup::FirmRestore::Stage::Moved && n == 14) throw std::runtime_error("power cut");
        };
        EXPECT_THROW(restore.run(archive), std::runtime_error);
    }
    ASSERT_TRUE(backup::FirmRestore::unfinished(firm()));
    whenShown<TAuto1Form>([](TAuto1Form* s) { click(s->OKButton); });
    EXPECT_TRUE(MainForm->VyberDanoveho());
    EXPECT_EQ(messages.texts(),
              QStringList{"Obnovení dat nebylo dokončeno. Data firmy byla vrácena do stavu před obnovením."});
    EXPECT_EQ(cards(), QStringList({"Hřib", "Bedla"}));
    EXPECT_FALSE(QFileInfo::exists(firm() + "Zaloha"));
}

TEST_F(Backup, SharedDataIsCopiedChosenAndShown) {
    DM1->Database.Close();
    showSelection();
    // The copy goes to a directory of the test, on whichever volume holds it.
    const QString volume = backup::PathTemplates::driveOf(tmp.path());
    const QString shared = tmp.path() + "SPORIN213/";
    whenShown<TAu5Form>([&](TAu5Form* d) {
        EXPECT_TRUE(d->RadioButton1->isChecked());
        EXPECT_EQ(d->Edit1->text(), "SPORIN213");
        EXPECT_EQ(d->RadioButton2->text(), "Data pro provoz v síti - nastavte cestu např. F:\\SPORIN213\\Data.DB");
        d->DriveComboBox->setCurrentIndex(d->DriveComboBox->findData(volume));
        d->Edit1->setText(tmp.path().mid(volume.size()) + "SPORIN213");
        click(d->CopyButton);
        EXPECT_TRUE(d->RadioButton2->isChecked());
        EXPECT_EQ(d->Edit3->text(), shared + "Data.DB");
        click(d->OKButton);
    });
    QTest::keyClick(sel(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(messages.texts(), QStringList({"Opravdu chcete kopírovat data na disk " + shared,
                                             "Data byla nakopírována na disk " + shared}));
    EXPECT_EQ(tableFilesIn("../SPORIN213/Data"), 27);
    EXPECT_EQ(IniFile(shared + "Data/Verze.ini").readInteger("Verze", "Data", 0), 110);
    const IniFile sporin(dataDir + "Sporin.ini");
    EXPECT_EQ(sporin.readString("Sporin", "Net"), "1");
    EXPECT_EQ(sporin.readString("Sporin", "Path"), shared);
    EXPECT_EQ(MainForm->FileDir, shared);
    EXPECT_EQ(DM1->Session.NetFileDir(), shared);  // kept exactly as spelt
    EXPECT_TRUE(sel()->Auto1.Active() && sel()->Auto1.IsEmpty());  // the new, empty register

    // The information window shows where this computer works now.
    whenShown<TAu9Form>([&](TAu9Form* d) {
        EXPECT_EQ(d->LabelDd2->text(), "INI");
        EXPECT_EQ(d->LabelDd1->text(), dataDir);
        EXPECT_EQ(d->LabelFdl1->text(), dataDir);
        EXPECT_EQ(d->LabelFd1->text(), shared);
        EXPECT_EQ(d->LabelNfd1->text(), shared);
        EXPECT_EQ(d->LabelCadt1->text(), commonDir);
        click(d->OkButton);
    });
    QTest::keyClick(sel(), Qt::Key_I, Qt::ControlModifier);

    // A second copy keeps the shared register; a shared path without a register is refused.
    const QString local = dataDir;
    dataDir = shared;  // the register helpers of the fixture work on dataDir
    storeRow("Data.DB", {7, 7, "Společná", "D7"});
    messages.boxes.clear();
    whenShown<TAu5Form>([&](TAu5Form* d) {
        EXPECT_TRUE(d->RadioButton2->isChecked());
        d->DriveComboBox->setCurrentIndex(d->DriveComboBox->findData(volume));
        d->Edit1->setText(tmp.path().mid(volume.size()) + "SPORIN213");
        click(d->CopyButton);
        d->Edit3->setText(tmp.path() + "nikde/Data.DB");
        click(d->OKButton);
    });
    QTest::keyClick(sel(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(messages.last(), "Adresář " + tmp.path() + "nikde/\nneexistuje, nebo není dostupný na síťové jednotce.");
    EXPECT_EQ(MainForm->FileDir, local);
    EXPECT_EQ(storedRegister(), QStringList{"7 7 Společná D7"});
    dataDir = local;
}
