// The export window of findings as a Darwin Core archive, driven as the user does: the command
// in the main window, the choices, the boxes after the export and the saved list of problems.
#include <zip.h>

#include <QFileDialog>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>

#include "CardsFixture.h"
#include "Dwc.h"
#include "HelpKey.h"

namespace {

// The column catalogNumber of occurrence.txt in the archive at `path`.
QStringList exportedNumbers(const QString& path) {
    int error = 0;
    zip_t* z = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    if (!z) return {"no archive"};
    zip_stat_t st;
    QByteArray data;
    if (zip_stat(z, "occurrence.txt", 0, &st) == 0) {
        data.resize(qsizetype(st.size));
        zip_file_t* f = zip_fopen(z, "occurrence.txt", 0);
        zip_fread(f, data.data(), st.size);
        zip_fclose(f);
    }
    zip_close(z);
    const QStringList lines = QString::fromUtf8(data).split('\n', Qt::SkipEmptyParts);
    if (lines.isEmpty()) return {"no header"};
    const int column = lines[0].split('\t').indexOf("catalogNumber");
    QStringList numbers;
    for (int i = 1; i < lines.size(); ++i) numbers << lines[i].split('\t').value(column);
    return numbers;
}

}  // namespace

class DwcWindowTest : public CardsFixture {
protected:
    void SetUp() override {
        CardsFixture::SetUp();
        // A fresh account has no documents folder yet: the first export makes it.
        MainForm->documentsDir = tmp.path() + "docs";
        // Card 2 carries a mark that a killed program left behind: it belongs to no selection.
        const struct {
            int evc;
            const char* nla;
            const char* sd;
            const char* neh;
        } cards[] = {{1, "Amanita muscaria", "49.1, 16.2", "N"},
                     {2, "Boletus edulis", "u hájovny", "A"},
                     {3, "Amanita rubescens", "N 50°05' E 14°25'", "N"},
                     {4, "Boletus edulis", "", "N"}};
        for (const auto& c : cards) {
            addCard(c.evc, c.nla, "Žďár", QDate(2012, 9, c.evc));
            DM1->Hdok.Edit();
            DM1->Hdok.FieldByName("Sd")->setAsString(QString::fromUtf8(c.sd));
            DM1->Hdok.FieldByName("Neh")->setAsString(c.neh);
            DM1->Hdok.Post();
        }
        MainForm->TypDp1();
    }

    QString archive() const { return MainForm->documentsDir + "/Houbaři.zip"; }
};

// Each choice of cards exports exactly its cards into the proposed archive, the information box
// tells the count and the unreadable coordinates, and the choices come back the next time.
TEST_F(DwcWindowTest, ExportsTheChosenCardsAndRemembersTheChoices) {
    QAction* command = MainForm->action("Exportnalezu1");
    ASSERT_NE(command, nullptr);
    EXPECT_TRUE(command->isEnabled());
    EXPECT_EQ(HelpKey::contextOf("DwcForm"), 70);

    struct Case {
        const char* radio;
        int from, to;
        QStringList numbers;
        QString box;
    };
    const QString unread = "\nSouřadnice nebo datum se nepodařilo přečíst u 1 nálezu (evidenční čísla): 2"
                           "\n\nChcete uložit úplný seznam do textového souboru ?";
    const Case cases[] = {
        {"RadioButtonVse", 0, 0, {"1", "2", "3", "4"}, "Počet exportovaných nálezů: 4." + unread},
        {"RadioButtonVyb", 0, 0, {"1", "3"}, "Počet exportovaných nálezů: 2."},
        {"RadioButtonRoz", 2, 3, {"2", "3"}, "Počet exportovaných nálezů: 2." + unread},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.radio);
        auto* w = showWindow(new TDwcForm(MainForm));
        EXPECT_EQ(QDir::fromNativeSeparators(w->EditSoubor->text()), archive());
        w->findChild<QRadioButton*>(c.radio)->setChecked(true);
        if (c.from) {
            w->SpinEvco->setValue(c.from);
            w->SpinEvcd->setValue(c.to);
        }
        if (c.radio == QLatin1String("RadioButtonVyb")) {
            // The extended search's criteria, as its window leaves them in the common data.
            DM1->Hspl.Edit();
            DM1->Hspl.FieldByName("Nla1")->setAsString("amanita");
            DM1->Hspl.Post();
        }
        QFile::remove(archive());
        messages.boxes.clear();
        if (c.box.endsWith('?')) messages.answer(MsgResult::No);  // do not save the list
        click(w->ExportButton);
        EXPECT_EQ(exportedNumbers(archive()), c.numbers);
        ASSERT_FALSE(messages.boxes.isEmpty());
        EXPECT_EQ(messages.last(), c.box);
        EXPECT_EQ(messages.boxes.last().kind, MsgKind::Information);
        click(w->CloseButton);
        if (c.radio != QLatin1String("RadioButtonVyb")) continue;
        // Marks serve the export only: none stays on the cards afterwards, the stale one neither.
        DM1->Hdok.Refresh();
        for (DM1->Hdok.First(); !DM1->Hdok.Eof(); DM1->Hdok.Next())
            EXPECT_EQ(DM1->Hdok.FieldByName("Neh")->AsString(), "N") << DM1->Hdok.FieldByName("Evc")->AsInteger();
    }
    auto* again = showWindow(new TDwcForm(MainForm));
    EXPECT_TRUE(again->RadioButtonRoz->isChecked());
    EXPECT_EQ(again->SpinEvco->value(), 2);
    EXPECT_EQ(again->SpinEvcd->value(), 3);
    again->reject();
}

// Refusing to overwrite leaves the old archive alone; after an export the full list of the
// unreadable cards is saved where the user says.
TEST_F(DwcWindowTest, AsksBeforeOverwritingAndSavesTheListOfProblems) {
    auto* w = showWindow(new TDwcForm(MainForm));
    QDir().mkpath(MainForm->documentsDir);
    QFile old(archive());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    messages.answer(MsgResult::No);
    click(w->ExportButton);
    EXPECT_EQ(messages.last(), "Soubor " + QDir::toNativeSeparators(archive()) + " již existuje.\nChcete ho přepsat ?");
    QFile kept(archive());
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "old");

    const QString list = tmp.path() + "docs/seznam.txt";
    whenShown<QFileDialog>([&](QFileDialog* d) {
        EXPECT_EQ(d->objectName(), "ListDialog");
        d->selectFile(list);
        static_cast<QDialog*>(d)->accept();  // the dialog's own accept, as its Save button
    });
    click(w->ExportButton);  // Yes to overwrite, Yes to save the list
    QFile saved(list);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(saved.readAll()), "2\tsouřadnice\n");
    EXPECT_EQ(exportedNumbers(archive()), QStringList({"1", "2", "3", "4"}));
    w->reject();
}
