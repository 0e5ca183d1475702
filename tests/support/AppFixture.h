#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "Application.h"
#include "DataFiles.h"
#include "DataM1.h"
#include "Globals.h"
#include "IniFile.h"
#include "Main.h"
#include "MessageRecorder.h"
#include "TDatabase.h"
#include "TSession.h"
#include "TTable.h"
#include "TablePassword.h"
#include "TempDir.h"
#include "TemplateSet.h"

// A program directory whose Data.ini names a fresh data directory (register and template set
// made as lamelin-setup makes them), an empty common data directory, and message boxes
// answered by a recorder. startApp() creates the start-up windows as the program does.
class AppFixture : public ::testing::Test {
protected:
    AppFixture() {
        QDir().mkpath(programDir);
        QDir().mkpath(commonDir);
        storage::TemplateSet::prepareDataDirectory(dataDir);
        IniFile(programDir + "Data.ini").writeString("Data", "Sporin", dataDir);
    }
    ~AppFixture() override {
        if (MainForm) destroyStartupWindows();
    }

    void startApp() {
        TMainForm::Options o;
        o.programDir = programDir;
        o.commonAppDataDir = commonDir;
        o.firstActivationOnShow = false;
        createStartupWindows(o);
    }

    // Registers a firm and gives it a copy of the template tables, as creating it would.
    void addFirm(int number, const QString& name) {
        const QString d = QStringLiteral("D%1").arg(number);
        QDir().mkpath(dataDir + d);
        for (const QString& f : storage::dataFileList()) QFile::copy(dataDir + "Data/" + f, dataDir + d + "/" + f);
        TSession s("FixtureSession");
        s.AddPassword(storage::tablePassword());
        TDatabase db(&s, "FixtureDb");
        db.Params = {"PATH=" + dataDir, "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"};
        TTable reg;
        reg.setDatabase(&db);
        reg.TableName = "Data.DB";
        reg.Open();
        reg.Append();
        reg.FieldByName("Cislo")->setAsInteger(number);
        reg.FieldByName("Pozice")->setAsInteger(number);
        reg.FieldByName("Nazev")->setAsString(name);
        reg.FieldByName("Adresar")->setAsString(d);
        reg.Post();
    }

    // Opens firm `d` the way the main window does after the selection, without the dialog.
    void openFirmDirectly(const QString& d) {
        MainForm->firmDirName = d;
        DM1->setFirmDirectory(MainForm->FileDir + d);
        DM1->OtevritTabulky();
        MainForm->TypDp1();
    }

    TempDir tmp;
    QString programDir = tmp.path() + "prg/";
    QString dataDir = tmp.path() + "data/";
    QString commonDir = tmp.path() + "common";
    MessageRecorder messages;
};
