// The print selection window: the label and locality print-outs run with the parameters typed
// into it, the copy rules on the printer, the failure messages, the settings kept per firm, the
// hand-over results; the species text file in both forms and three encodings; the common data
// and text-file settings windows.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QTreeWidget>

#include "DBCheckBoxz.h"
#include "DBEditz.h"
#include "Editz.h"
#include "Ekpod.h"
#include "Ekzp.h"
#include "Ekdl1.h"
#include "Eksl.h"
#include "Emtfh.h"
#include "IniFile.h"
#include "Main.h"
#include "PrintOutput.h"
#include "ReportFixture.h"
#include "Rpd.h"
#include "Rplk1.h"
#include "SpeciesTextFile.h"
#include "TPrintSink.h"
#include "TReportBand.h"
#include "TextFit.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Counts print jobs and their copies; throws when told to, as a broken printer driver might.
class CountingSink : public TPrintSink {
public:
    explicit CountingSink(QVector<int>& copies) : m_copies(copies) {}
    bool printJob(const TPreparedReport&, int copies) override {
        m_copies << copies;
        return true;
    }

private:
    QVector<int>& m_copies;
};

// The fields of one line of a semicolon-separated file as a spreadsheet reads them: a field in
// double quotes may hold ";" and doubled quotes.
QStringList csvFields(const QString& line) {
    QStringList fields{QString()};
    bool quoted = false;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            fields.last() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ';' && !quoted) {
            fields << QString();
        } else {
            fields.last() += c;
        }
    }
    return fields;
}

}  // namespace

class PrintSelectionTest : public ReportFixture {
protected:
    ~PrintSelectionTest() override { PrintOutput::setSinkFactory(nullptr); }

    TEmtfhForm* openWindow() {
        auto* f = new TEmtfhForm(MainForm);
        f->Nastaveni(2);
        f->show();
        QApplication::setActiveWindow(f);
        EXPECT_TRUE(QTest::qWaitForWindowActive(f));
        return f;
    }
    static void choose(TEmtfhForm* f, int child) {
        QTreeWidgetItem* root = f->TreeView->topLevelItem(0);
        f->TreeView->setCurrentItem(child < 0 ? root : root->child(child));
    }
    // Replaces the text of `edit` as the user types it.
    static void enter(QWidget* edit, const QString& text) {
        edit->setFocus(Qt::TabFocusReason);
        static_cast<QLineEdit*>(edit)->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        typeText(edit, text);
    }
    void addLocality(const QString& code, const QString& name) {
        DM1->Hdatl.Append();
        DM1->Hdatl.FieldByName("Kodl")->setAsString(code);
        DM1->Hdatl.FieldByName("Lkd")->setAsString(name);
        DM1->Hdatl.Post();
    }
    static QString common(const char* field) { return DM1->Hspl.FieldByName(field)->AsString(); }
    QStringList boxTexts() const {
        QStringList out;
        for (const auto& b : messages.boxes) out << b.text;
        return out;
    }
};

TEST_F(PrintSelectionTest, LabelsFollowTheRangeAndOffsetsTypedIntoTheWindow) {
    addCards({{8, "Boletus edulis", "Bull.", "hřib smrkový", "Chlum"},
              {9, "Amanita muscaria", "", "muchomůrka červená", "Chlum"},
              {10, "Russula emetica", "(Schaeff.) Pers.", "holubinka vrhavka", "Lesík"}});
    TEmtfhForm* f = openWindow();
    // The root is no print-out: both buttons stay off and F6 does nothing.
    choose(f, -1);
    EXPECT_FALSE(f->PreviewButton->isEnabled());
    EXPECT_EQ(f->Notebook->currentIndex(), 0);
    QTest::keyClick(f->TreeView, Qt::Key_F6);
    EXPECT_TRUE(previewed.isEmpty());
    choose(f, 0);
    ASSERT_TRUE(f->TiskButton->isEnabled());

    struct Case {
        QString c1, c2, ho;
        int labels, header;
    };
    for (const Case& c : {Case{"8", "9", "10", 2, 38}, Case{"10", "5", "0", 0, 0}, Case{"8", "10", "", 3, 0}}) {
        SCOPED_TRACE(c.c1.toStdString() + ".." + c.c2.toStdString());
        previewed.clear();
        enter(f->DBEditC1, c.c1);
        enter(f->DBEditC2, c.c2);
        enter(f->DBEditHo, c.ho);
        QTest::mouseClick(f->PreviewButton, Qt::LeftButton);
        ASSERT_EQ(previewed.size(), 1);
        EXPECT_EQ(texts(previewed[0], "QRDBTextNlak").size(), c.labels);
        EXPECT_EQ(f->RpdReport->QRBandHeader->height(), c.header);
        EXPECT_EQ(common("C1"), c.c1);
        EXPECT_EQ(common("Ho"), c.ho.isEmpty() ? "0" : c.ho);  // an empty number is stored as 0
        EXPECT_TRUE(MainForm->statusText(0).isEmpty());
        EXPECT_FALSE(DM1->HdokQr.Active());
    }
    EXPECT_EQ(texts(previewed[0], "QRDBTextNlak").first(), "Boletus edulis (Bull.)");
    EXPECT_TRUE(f->PreviewButton->isEnabled());
    f->close();
}

TEST_F(PrintSelectionTest, LocalityIsTypedOrPickedAndListedInTheChosenOrder) {
    addCards({{1, "Boletus edulis", "", "hřib smrkový", "Chlum"},
              {2, "Amanita muscaria", "", "muchomůrka červená", "Chlum"},
              {3, "Boletus edulis", "", "hřib smrkový", "Chlum"},
              {4, "Russula emetica", "", "holubinka vrhavka", "Lesík"}});
    addLocality("L1", "Chlum");
    addLocality("", "Žďár");
    TEmtfhForm* f = openWindow();
    choose(f, 1);
    EXPECT_EQ(f->Notebook->currentIndex(), 1);
    QTest::mouseClick(f->PreviewButton, Qt::LeftButton);
    EXPECT_EQ(boxTexts(), QStringList{"Pro tisk není vybraná lokalita."});
    EXPECT_TRUE(previewed.isEmpty());
    // With no code chosen the catalogue opens on its first row, not on the row without a code.
    QString offered;
    whenShown<TEkdl1Form>([&](TEkdl1Form* l) {
        offered = DM1->Hdatl.FieldByName("Lkd")->AsString();
        click(l->CloseButton);
    });
    QTest::mouseClick(f->LabelKdls, Qt::LeftButton, {}, QPoint(5, f->LabelKdls->height() / 2));
    EXPECT_EQ(offered, "Chlum");
    EXPECT_EQ(common("Lks"), "");
    QApplication::setActiveWindow(f);
    ASSERT_TRUE(QTest::qWaitForWindowActive(f));

    enter(f->DBEditKdls, "L1");
    f->DBEditLo1->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(f->DBEditLks->text(), "Chlum");
    for (bool latin : {true, false}) {
        previewed.clear();
        if (f->DBCheckBoxPr->isChecked() != latin) QTest::mouseClick(f->DBCheckBoxPr, Qt::LeftButton);
        QTest::mouseClick(f->PreviewButton, Qt::LeftButton);
        ASSERT_EQ(previewed.size(), 1);
        EXPECT_EQ(texts(previewed[0], "QRDBTextNla"),
                  latin ? QStringList({"Amanita muscaria", "Boletus edulis"})
                        : QStringList({"Boletus edulis", "Amanita muscaria"}));
        EXPECT_EQ(texts(previewed[0], "QRLabelPocet"), QStringList{"Počet druhů: 2"});
    }
    // A code the catalogue does not know keeps the code and drops the name.
    enter(f->DBEditKdls, "XX");
    f->DBEditLo1->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(common("Kdls"), "XX");
    EXPECT_EQ(common("Lks"), "");
    // Nor does an emptied code take the name of the catalogue row that has no code.
    enter(f->DBEditLks, "Chlum");
    enter(f->DBEditKdls, "");
    f->DBEditLo1->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(common("Kdls"), "");
    EXPECT_EQ(common("Lks"), "");
    f->close();
}

TEST_F(PrintSelectionTest, PrintingMakesTheFirmsCopiesAndAFailureIsReported) {
    addCards({{1, "Boletus edulis", "", "", "Chlum"}});
    QVector<int> jobs;
    bool fail = false;
    PrintOutput::setSinkFactory([&](const QString&, QWidget*) -> std::unique_ptr<TPrintSink> {
        if (fail) throw std::runtime_error("printer driver gone");
        return std::make_unique<CountingSink>(jobs);
    });
    setCommon("C1", 1);
    setCommon("C2", 1);
    TEmtfhForm* f = openWindow();
    choose(f, 0);
    f->RadioButtonT->setChecked(true);  // F6 prints
    struct Case {
        bool kp;
        QVector<int> jobs;
    };
    for (const Case& c : {Case{true, {3}}, Case{false, {1, 1, 1}}}) {
        setCommon("Kp", c.kp);
        setCommon("Ko", 3);
        jobs.clear();
        QTest::keyClick(f->TreeView, Qt::Key_F6);
        EXPECT_EQ(jobs, c.jobs);
    }
    EXPECT_TRUE(previewed.isEmpty());
    fail = true;
    QTest::mouseClick(f->TiskButton, Qt::LeftButton);
    EXPECT_EQ(boxTexts(), QStringList{"Tisk se nepodařilo vytvořit."});
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(MainForm->statusText(0).isEmpty());
    EXPECT_TRUE(f->TiskButton->isEnabled());
    f->close();
}

TEST_F(PrintSelectionTest, SettingsStayWithTheFirmAndTheKeysCloseWithTheirResults) {
    TEmtfhForm* f = openWindow();
    f->PageControl->setCurrentIndex(1);
    f->RadioButtonT->setChecked(true);
    f->CheckBoxTisk->setChecked(true);
    f->RadioButtonCe->setChecked(true);
    f->close();
    const IniFile ini(MainForm->firmSettingsPath());
    EXPECT_TRUE(ini.readBool("Tisk", "Tisk", false));
    EXPECT_EQ(ini.readInteger("Tisk", "Vychozi", 0), 1);
    EXPECT_EQ(ini.readString("Tisk", "Tiskarna", "x"), "");  // the default printer: no name
    EXPECT_NE(ini.readInteger("D1", "Tisk3Left", -1), -1);
    EXPECT_EQ(MainForm->TypPisma, 1);
    MainForm->TypPisma = 0;

    for (auto [key, result] : {std::pair{Qt::Key_F2, TEmtfhForm::ZapisResult}, {Qt::Key_F4, TEmtfhForm::OpravyResult},
                               {Qt::Key_Escape, int(QDialog::Rejected)}}) {
        f = openWindow();
        EXPECT_TRUE(f->RadioButtonT->isChecked());
        int got = -1;
        QObject::connect(f, &QDialog::finished, [&](int r) { got = r; });
        QTest::keyClick(f->TreeView, key);
        EXPECT_EQ(got, result);
    }
}

TEST_F(PrintSelectionTest, TextFileHoldsTheSpeciesInEitherFormAndEncoding) {
    addCards({{1, "Boletus edulis", "", "hřib smrkový", "Chlum; u lesa"},
              {2, "Amanita \"muscaria\"", "", "muchomůrka", "Chlum; u lesa"},
              {3, "Russula emetica", "", "holubinka", "Lesík"}});
    const QString dir = tmp.path() + "txt/";
    TEmtfhForm* f = openWindow();
    f->setTxtShow(false);
    f->setTxtPath(dir + "%Lokalita%.txt");
    setCommon("Pr", true);
    MainForm->Kodovani = 0;

    setCommon("Lks", "Chlum; u lesa");
    QTest::mouseClick(f->ButtonUlozit1, Qt::LeftButton);
    QFile one(dir + "Chlum; u lesa.txt");
    ASSERT_TRUE(one.open(QIODevice::ReadOnly));
    const QByteArray bytes = one.readAll();
    EXPECT_EQ(bytes, QByteArray("N\xC3\xA1zev latinsky;N\xC3\xA1zev \xC4\x8D" "esky\r\n"
                                "\"Chlum; u lesa\";2\r\n"
                                "\"Amanita \"\"muscaria\"\"\";muchom\xC5\xAFrka\r\n"
                                "Boletus edulis;h\xC5\x99ib smrkov\xC3\xBD\r\n"));
    EXPECT_EQ(csvFields(QString::fromUtf8(bytes.split('\r')[2].trimmed())),
              QStringList({"Amanita \"muscaria\"", "muchomůrka"}));
    EXPECT_EQ(boxTexts(), QStringList{"Data byla uložena do TXT souboru (počet: 2)"});

    // No locality: every pair, three fields; the file name is the firm directory's.
    setCommon("Lks", "");
    MainForm->Kodovani = 1;
    QTest::mouseClick(f->ButtonUlozit1, Qt::LeftButton);
    QFile all(dir + "D1.txt");
    ASSERT_TRUE(all.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = all.readAll().split('\n');
    EXPECT_EQ(lines[0], QByteArray("N\xE1zev latinsky;N\xE1zev \xE8" "esky;N\xE1zev lokality\r"));
    EXPECT_EQ(lines[1], "3;;\r");
    EXPECT_EQ(csvFields(QString::fromLatin1(lines[2].trimmed())),
              QStringList({"Amanita \"muscaria\"", QString::fromLatin1("muchom\xF9rka"), "Chlum; u lesa"}));

    // A bare file name goes into the TXT folder of the local data directory; forbidden
    // characters of the locality are dropped.
    setCommon("Lks", "Lesík/\"horní\"");
    f->setTxtPath("%Lokalita%.txt");
    QTest::mouseClick(f->ButtonUlozit1, Qt::LeftButton);
    EXPECT_TRUE(QFile::exists(MainForm->FileDirLocal + "TXT/Lesíkhorní.txt"));

    // A file that cannot be created: an error and no success message.
    QFile blocker(tmp.path() + "blocker");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    messages.boxes.clear();
    f->setTxtPath(tmp.path() + "blocker/list.txt");
    QTest::mouseClick(f->ButtonUlozit1, Qt::LeftButton);
    ASSERT_EQ(messages.boxes.size(), 1);
    EXPECT_EQ(messages.boxes[0].kind, MsgKind::Error);
    EXPECT_EQ(messages.boxes[0].text, "Soubor " + tmp.path() + "blocker/list.txt nelze vytvořit.");
    f->close();
}

TEST_F(PrintSelectionTest, ATextFileThatCannotBeWrittenWholeKeepsTheEarlierOne) {
    // The file size limit of a child process makes the write fail after its first bytes, as a
    // full disk would: the list written before stays as it was and nothing else is left.
    addCards({{1, "Boletus edulis", "", "hřib smrkový", "Chlum"}, {2, "Russula emetica", "", "holubinka", "Lesík"}});
    const QString dir = tmp.path() + "kept/";
    ASSERT_TRUE(QDir().mkpath(dir));
    const QByteArray earlier = "N\xE1zev latinsky;N\xE1zev \xE8" "esky;N\xE1zev lokality\r\n1;;\r\n";
    QFile file(dir + "D1.txt");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(earlier) == earlier.size());
    file.close();
    TQuery& rows = DM1->HdokQr1;
    rows.Close();
    rows.SQL = SpeciesTextFile::statement(QString(), true);
    rows.Open();
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{40, 40};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(SpeciesTextFile::write(dir + "D1.txt", rows, QString(), 1) == -1 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    rows.Close();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the write did not report its failure";
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), earlier);
    EXPECT_EQ(QDir(dir).entryList(QDir::Files), QStringList{"D1.txt"});
}

TEST_F(PrintSelectionTest, CharacterSetsOfTheTextFile) {
    struct Case {
        QString text;
        int encoding;
        QByteArray bytes;
    };
    for (const Case& c : {Case{"á", 0, "\xC3\xA1"}, Case{"á", 1, "\xE1"}, Case{"č", 0, "\xC4\x8D"},
                          Case{"Šťáva ž", 2, "\xA9\xBB\xE1va \xBE"}, Case{"„ľ“", 2, "\x84\xB5\x93"},
                          Case{"plain;text", 2, "plain;text"}}) {
        EXPECT_EQ(SpeciesTextFile::encode(c.text, c.encoding), c.bytes) << c.text.toStdString() << " " << c.encoding;
    }
    EXPECT_EQ(SpeciesTextFile::field("Hřib"), "Hřib");
    EXPECT_EQ(SpeciesTextFile::field("a\nb"), "\"a\nb\"");
}

TEST_F(PrintSelectionTest, CommonDataWindowSavesHoweverItIsClosed) {
    setCommon("Sdt", false);
    whenShown<TEkslForm>([](TEkslForm* w) {
        EXPECT_EQ(w->DBCheckBoxSdt->text(), "ne");
        w->DBCheckBoxSdt->setFocus();
        QTest::keyClick(w->DBCheckBoxSdt, Qt::Key_Space);
        EXPECT_EQ(w->DBCheckBoxSdt->text(), "ano");
        enter(w->DBEditSna, "Klub Písek");
        enter(w->DBEditCislo, "");
        w->close();  // the close box saves as OK does
    });
    MainForm->action("Spolecneudaje2")->trigger();
    EXPECT_EQ(common("Sna"), "Klub Písek");
    EXPECT_EQ(common("Cislo"), "0");
    EXPECT_TRUE(DM1->Hspl.FieldByName("Sdt")->AsBoolean());
    EXPECT_EQ(DM1->Hspl.State(), TDataSetState::Browse);
    EXPECT_TRUE(MainForm->windowTitle().endsWith(" - Klub Písek"));
}

TEST_F(PrintSelectionTest, TextFileSettingsShowTheFullPathAndDeleteOnlyTextFiles) {
    TEkpodForm::Values values{"%Disk%/x.txt", true, 1};
    auto* w = new TEkpodForm(values);
    EXPECT_EQ(w->EditCesta1->text(), "Nastavte písmeno disku (např. F:).");
    const QString dir = tmp.path();
    for (auto [name, deleted] : {std::pair{"a.TXT", false}, {"b.csv", true}, {"c.txt", true}, {"d.doc", false}}) {
        QFile file(dir + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.close();
        w->EditDte->setText(dir + name);
        w->expand();
        w->ButtonVmClick();
        EXPECT_EQ(QFile::exists(dir + name), !deleted) << name;
    }
    // A name chosen without an extension becomes a text file.
    whenShown<QFileDialog>([&](QFileDialog* d) {
        d->selectFile(dir + "druhy");
        static_cast<QDialog*>(d)->accept();
    });
    w->BitBtnAdr1->click();
    EXPECT_EQ(QFileInfo(w->EditCesta1->text()).fileName(), "druhy.txt");
    w->EditDte->setText(dir + "d.doc");
    w->CheckBoxNzt->setChecked(false);
    w->ComboBoxKds->setCurrentIndex(2);
    w->accept();
    EXPECT_EQ(values.path, dir + "d.doc");
    EXPECT_FALSE(values.show);
    EXPECT_EQ(values.encoding, 2);
}

TEST_F(PrintSelectionTest, FromTheMainWindowZapisGoesOnToTheCardOfTheRange) {
    addCards({{5, "Boletus edulis", "", "", ""}, {7, "Amanita muscaria", "", "", ""}});
    setCommon("C1", 7);
    QString shownCard;
    whenShown<TEmtfhForm>([&](TEmtfhForm* f) {
        EXPECT_EQ(f->PageControl->currentIndex(), 0);
        EXPECT_EQ(f->focusWidget(), f->TreeView);
        whenShown<TEkzpForm>([&](TEkzpForm* card) {
            shownCard = DM1->Hdok.FieldByName("Evc")->AsString();
            card->reject();
        });
        QTest::keyClick(f->TreeView, Qt::Key_F2);
    });
    MainForm->action("Tisk1")->trigger();
    EXPECT_EQ(shownCard, "7");
}

TEST_F(PrintSelectionTest, WindowsShowTheirTextsWhole) {
    TEkpodForm::Values values{"%AdresarUziv%/Corvex/Lamelin 2013/TXT/%Lokalita%.txt", true, 1};
    const std::pair<const char*, std::function<QWidget*()>> windows[] = {
        {"print, card index", [] { return new TEmtfhForm(MainForm); }},
        {"print, locality",
         [] {
             auto* f = new TEmtfhForm(MainForm);
             choose(f, 1);
             return f;
         }},
        {"print, printer",
         [] {
             auto* f = new TEmtfhForm(MainForm);
             f->PageControl->setCurrentIndex(1);
             return f;
         }},
        {"common data",
         [] {
             DM1->Hspl.Edit();
             return new TEkslForm(MainForm);
         }},
        {"text-file settings", [&] { return new TEkpodForm(values, MainForm); }},
    };
    for (const auto& [name, make] : windows) {
        QWidget* w = make();
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w)) << name;
        QApplication::processEvents();
        EXPECT_EQ(clippedTexts(w).join("; ").toStdString(), "") << name;
        w->close();
    }
}
