#include "Application.h"

#include "Au4.h"
#include "Auto1.h"
#include "DataM1.h"
#include "EngineError.h"
#include "EvzhDt.h"
#include "Globals.h"
#include "MessageBox.h"
#include "Prev.h"
#include "QtTranslations.h"
#include "TDataSet.h"
#include "TReport.h"
#include "TiskInfo.h"

LamelinApplication::LamelinApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Lamelin"));
    installQtTranslations();
}

bool LamelinApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const EAbort&) {
    } catch (const EDatabaseError& e) {
        QApplication::restoreOverrideCursor();
        MessageBox::error(e.message());
    } catch (const std::exception& e) {
        QApplication::restoreOverrideCursor();
        MessageBox::error(QString::fromLocal8Bit(e.what()));
    }
    return false;
}

void createStartupWindows(const TMainForm::Options& options) {
    new TMainForm(options);
    DM1 = new TDM1();
    DM1->createStep(MainForm->dataDirNotFound ? QString() : MainForm->FileDir);
    DM1->showMessage = [](DmMessage kind, const QString& text) {
        if (kind == DmMessage::Error) {
            MessageBox::error(text);
        } else {
            MessageBox::information(text);
        }
    };
    QObject::connect(DM1, &TDM1::statusText, MainForm, &TMainForm::setStatusText);
    QObject::connect(DM1, &TDM1::captionChanged, MainForm, &QWidget::setWindowTitle);
    Auto1Form = new TAuto1Form(MainForm);
    EvzhDtForm = new TEvzhDtForm(MainForm);
    DM1->pickDate = [](QDate& date) {
        EvzhDtForm->setDate(date);
        if (EvzhDtForm->exec() != QDialog::Accepted) return false;
        date = EvzhDtForm->date();
        return true;
    };
    PrevForm = new TPrevForm(MainForm);
    TiskInfoForm = new TTiskInfoForm(MainForm);
    // Running a report's preview shows the prepared pages in the preview window.
    TReport::setPreviewHook([](TReport& report) {
        if (PrevForm) PrevForm->ShowReport(report);
    });
    Au4Form = new TAu4Form(MainForm);
}

void createStartupWindows() { createStartupWindows(TMainForm::Options()); }

void destroyStartupWindows() {
    delete Au4Form;
    Au4Form = nullptr;
    TReport::setPreviewHook(nullptr);
    delete TiskInfoForm;
    TiskInfoForm = nullptr;
    delete PrevForm;
    PrevForm = nullptr;
    delete EvzhDtForm;
    EvzhDtForm = nullptr;
    delete Auto1Form;
    Auto1Form = nullptr;
    delete DM1;
    DM1 = nullptr;
    delete MainForm;
    MainForm = nullptr;
}
