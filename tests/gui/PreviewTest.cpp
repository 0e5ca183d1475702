// The print preview: paging and its buttons, the zoom field and its range rule, the zoom kept
// per firm, printing with the firm's copy rules (through a recording output), and the PDF file.
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QStandardPaths>
#include <QToolButton>

#include "Prev.h"
#include "PrintOutput.h"
#include "ReportFixture.h"
#include "TPrintSink.h"
#include "TReportBand.h"
#include "TReportDBText.h"
#include "TReportPreview.h"
#include "TiskInfo.h"

namespace {

// Records each print job instead of printing.
class RecordingSink : public TPrintSink {
public:
    struct Job {
        int pages, copies;
        bool infoShown, buttonEnabled;
    };
    explicit RecordingSink(QVector<Job>& jobs, bool file = false) : m_jobs(jobs), m_file(file) {}
    bool printJob(const TPreparedReport& r, int copies) override {
        m_jobs << Job{r.pageCount(), copies, TiskInfoForm->isVisible(), PrevForm->PrintBitBtn->isEnabled()};
        return true;
    }
    bool isFile() const override { return m_file; }

private:
    QVector<Job>& m_jobs;
    bool m_file;
};

class PreviewTest : public ReportFixture {
protected:
    PreviewTest() {
        // One card per page: a detail band taller than half a sheet.
        detail = new TReportBand(&report, "Detail", TReportBand::Kind::Detail, 700);
        new TReportDBText(detail, "Nla", QRect(10, 10, 0, 0), &DM1->Hdok, "Nla");
        report.setDataSet(&DM1->Hdok);
        TReport::setPreviewHook([](TReport& r) { PrevForm->ShowReport(r); });
    }
    ~PreviewTest() override { PrintOutput::setSinkFactory(nullptr); }

    // Cards numbered from..to.
    void withCards(int from, int to) {
        QVector<Card> cards;
        for (int i = from; i <= to; ++i) cards << Card{i, QString("Species %1").arg(i), "", "", "Chlum"};
        addCards(cards);
    }
    // Previews the report and runs `check` on the open window, which is closed afterwards.
    void preview(std::function<void(TPrevForm*)> check) {
        bool ran = false;
        whenShown<TPrevForm>([&](TPrevForm* f) {
            // Focus moves only once the window is active, which the platform does asynchronously.
            EXPECT_TRUE(QTest::qWaitForWindowActive(f));
            check(f);
            ran = true;
            f->CloseBitBtn->click();
        });
        report.Preview();
        EXPECT_TRUE(ran);
    }
    static QString buttons(TPrevForm* f) {
        QString s;
        for (QToolButton* b : {f->FirstButton, f->PriorButton, f->NextButton, f->LastButton})
            s += b->isEnabled() ? '1' : '0';
        return s;
    }
    static void key(TPrevForm* f, Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : f, k, m);
    }

    TReport report{"Zkouška"};
    TReportBand* detail;
};

}  // namespace

TEST_F(PreviewTest, PagingButtonsAndKeysFollowThePage) {
    withCards(1, 1);
    preview([](TPrevForm* f) {
        EXPECT_EQ(f->windowTitle(), "Lamelin - Náhled před tiskem");
        EXPECT_EQ(f->PageInfo->text(), "Strana 1 z 1");
        EXPECT_EQ(buttons(f), "0000");
        EXPECT_TRUE(f->PrintBitBtn->hasFocus());
        key(f, Qt::Key_PageDown);
        EXPECT_EQ(f->QRPreview->pageNumber(), 1);
    });

    withCards(2, 4);
    preview([](TPrevForm* f) {
        EXPECT_EQ(f->PageInfo->text(), "Strana 1 z 4");
        EXPECT_EQ(buttons(f), "0011");
        struct Step {
            Qt::Key key;
            Qt::KeyboardModifiers mods;
            int page;
            const char* buttons;
        };
        const Step steps[] = {{Qt::Key_PageDown, Qt::NoModifier, 2, "1111"},
                              {Qt::Key_End, Qt::ControlModifier, 4, "1100"},
                              {Qt::Key_PageDown, Qt::NoModifier, 4, "1100"},
                              {Qt::Key_PageUp, Qt::NoModifier, 3, "1111"},
                              {Qt::Key_Home, Qt::ControlModifier, 1, "0011"},
                              // Modifiers must match exactly: Shift+PgDn is no page key.
                              {Qt::Key_PageDown, Qt::ShiftModifier, 1, "0011"}};
        for (const Step& s : steps) {
            key(f, s.key, s.mods);
            EXPECT_EQ(f->QRPreview->pageNumber(), s.page);
            EXPECT_EQ(buttons(f), s.buttons);
            EXPECT_EQ(f->PageInfo->text(), QString("Strana %1 z 4").arg(s.page));
        }
        f->LastButton->click();
        f->PriorButton->click();
        f->PriorButton->click();
        f->PriorButton->click();
        EXPECT_EQ(f->QRPreview->pageNumber(), 1);
        EXPECT_EQ(buttons(f), "0011");
    });
}

TEST_F(PreviewTest, ZoomFieldKeepsItsRangeAndTheZoomStaysWithTheFirm) {
    withCards(1, 1);
    preview([this](TPrevForm* f) {
        EXPECT_EQ(f->QRPreview->zoom(), 100);
        EXPECT_EQ(f->ComboBox->currentText(), "100%");
        EXPECT_EQ(f->ComboBox->lineEdit()->maxLength(), 4);
        struct Case {
            const char* text;
            int zoom;
            bool message;
        };
        const Case cases[] = {{"500", 500, false}, {"75%", 75, false}, {"501", 75, true},
                              {"501 %", 75, true}, {"-5", 75, true},   {"x", 75, false}};
        for (const Case& c : cases) {
            SCOPED_TRACE(c.text);
            messages.boxes.clear();
            f->ComboBox->setEditText(c.text);
            EXPECT_EQ(f->QRPreview->zoom(), c.zoom);
            EXPECT_EQ(messages.texts(), c.message ? QStringList{"Číslo může být maximálně 500."} : QStringList());
        }
        // Typed key by key, the zoom follows every number typed.
        f->ComboBox->lineEdit()->clear();
        QTest::keyClicks(f->ComboBox->lineEdit(), "250");
        EXPECT_EQ(f->QRPreview->zoom(), 250);
        f->BitBtn100->click();
        EXPECT_EQ(f->ComboBox->currentText(), "100%");
        f->BitBtnToFit->click();
        EXPECT_EQ(f->ComboBox->currentText(), QString::number(f->QRPreview->zoom()) + "%");
        EXPECT_LT(f->QRPreview->zoom(), 100);  // a whole sheet fits the offscreen window only smaller
        f->ComboBox->setEditText("75");
    });
    EXPECT_EQ(IniFile(MainForm->firmSettingsPath()).readInteger("Tisk", "Nahled", 0), 75);
    preview([](TPrevForm* f) {
        EXPECT_EQ(f->QRPreview->zoom(), 75);
        EXPECT_EQ(f->ComboBox->currentText(), "75%");
    });
}

TEST_F(PreviewTest, PrintingMakesTheFirmsCopies) {
    withCards(1, 2);
    QVector<RecordingSink::Job> jobs;
    bool file = false;
    PrintOutput::setSinkFactory([&](const QString&, QWidget*) { return std::make_unique<RecordingSink>(jobs, file); });
    struct Case {
        bool kp;
        int ko;
        bool file;
        int jobs, copies;
    };
    // The printer makes the copies itself, or the pages go Ko times; a PDF file gets them once.
    for (const Case c : {Case{true, 3, false, 1, 3}, Case{false, 2, false, 2, 1}, Case{false, 2, true, 1, 1}}) {
        SCOPED_TRACE(c.kp);
        setCommon("Kp", c.kp);
        setCommon("Ko", c.ko);
        report.setPrinterCopies(c.kp ? c.ko : 1);
        file = c.file;
        jobs.clear();
        preview([](TPrevForm* f) { key(f, Qt::Key_F6); });
        ASSERT_EQ(jobs.size(), c.jobs);
        for (const RecordingSink::Job& j : jobs) {
            EXPECT_EQ(j.pages, 2);
            EXPECT_EQ(j.copies, c.copies);
            EXPECT_TRUE(j.infoShown);
            EXPECT_FALSE(j.buttonEnabled);
        }
        EXPECT_FALSE(TiskInfoForm->isVisible());
        EXPECT_TRUE(PrevForm->PrintBitBtn->isEnabled());
    }
    EXPECT_EQ(TiskInfoForm->StatusLabel->text(), "Odesílám data do tiskárny ...");
}

TEST_F(PreviewTest, WithoutAPrinterThePagesGoToThePdfTheUserNames) {
    if (!PrintOutput::availablePrinter().isEmpty()) GTEST_SKIP() << "a printer is installed";
    withCards(1, 3);
    QString offered;
    QString chosen;
    PrintOutput::setPdfFileChooser([&](const QString& suggested, QWidget*) {
        offered = suggested;
        return chosen;
    });
    preview([](TPrevForm* f) { f->PrintBitBtn->click(); });  // cancelled: nothing written
    EXPECT_EQ(QFileInfo(offered).fileName(), "Zkouška.pdf");
    EXPECT_EQ(QFileInfo(offered).absolutePath(),
              QFileInfo(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)).absoluteFilePath());

    chosen = tmp.path() + "labels.pdf";
    preview([](TPrevForm* f) { f->PrintBitBtn->click(); });
    QFile pdf(chosen);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.readAll().startsWith("%PDF"));
    EXPECT_TRUE(messages.boxes.isEmpty());

    // A file that cannot be written is reported, not passed over.
    chosen = tmp.path() + "missing/labels.pdf";
    preview([](TPrevForm* f) { f->PrintBitBtn->click(); });
    ASSERT_EQ(messages.boxes.size(), 1);
    EXPECT_EQ(messages.boxes[0].kind, MsgKind::Error);
    EXPECT_TRUE(messages.last().startsWith("Soubor " + chosen + " se nepodařilo uložit.\n"))
        << messages.last().toStdString();
    EXPECT_FALSE(QFile::exists(chosen));
    PrintOutput::setPdfFileChooser(nullptr);
}
