#include <gtest/gtest.h>

#include <QDir>

#include "PathTemplates.h"
#include "TempDir.h"

using backup::PathTemplates;

class PathTemplatesTest : public ::testing::Test {
protected:
    PathTemplatesTest() {
        for (const QString& d : {local, common + "/Corvex", documents}) QDir().mkpath(d);
        env.fileDirLocal = local;
        env.fileDir = local;
        env.commonAppDataDir = common;
        env.documentsDir = documents;
        env.firmDirName = "D1";
        env.firmFileName = PathTemplates::fileNameStem(" Sběr 2013/I ", "D1");
        env.localityName = "Na: Skále?";
        env.today = QDate(2013, 12, 24);
    }
    TempDir tmp;
    QString local = tmp.path() + "data/";
    QString common = tmp.path() + "common";
    QString documents = tmp.path() + "Dokumenty";
    backup::PathEnvironment env;
};

TEST_F(PathTemplatesTest, ProposalsForFirmD1) {
    const PathTemplates t(env);
    EXPECT_EQ(t.proposal(1, 1), "%AdresarDat%/Corvex/Lamelin 2013/Zaloha/D1.zip");
    EXPECT_EQ(t.proposal(2, 1), "%AdresarUziv%/Corvex/Lamelin 2013/Zaloha/D1.zip");
    EXPECT_EQ(t.proposal(3, 1), "%Disk%/Corvex/Lamelin 2013/Zaloha/D1.zip");
    EXPECT_EQ(t.proposal(4, 1), "D1.zip");
    EXPECT_EQ(t.proposal(1, 1, "", true), "%AdresarDat%/Corvex/Lamelin 2013/Zaloha/Sběr 2013I.zip");
    EXPECT_EQ(t.proposal(2, 4, "x"), "%AdresarUziv%/Corvex/Lamelin 2013/TXT/x%Lokalita%.txt");
    EXPECT_EQ(PathTemplates::fileNameStem(" /:*?\"<>|\\ ", "D1"), "D1");

    // A data path named by Data.ini replaces the whole start of the data location.
    env.configuredDataDir = "/srv/lamelin/";
    EXPECT_EQ(PathTemplates(env).proposal(1, 1), "/srv/lamelin/Zaloha/D1.zip");
    EXPECT_EQ(PathTemplates(env).proposal(2, 1), "%AdresarUziv%/Corvex/Lamelin 2013/Zaloha/D1.zip");
}

TEST_F(PathTemplatesTest, ExpandingStoredPaths) {
    struct Case {
        QString stored;
        int kind;
        QString expanded;
    };
    const Case cases[] = {
        {"%AdresarDat%/Corvex/Lamelin 2013/Zaloha/D1.zip", 1, common + "/Corvex/Lamelin 2013/Zaloha/D1.zip"},
        {"%adresaruziv%Zaloha/D1 %Datum%.zip", 1, documents + "/Zaloha/D1 24.12.2013.zip"},
        {"/mnt/usb/%lokalita% %DATUM%.txt", 4, "/mnt/usb/Na Skále 24.12.2013.txt"},
        {"archiv/D1.zip", 1, local + "Zaloha/archiv/D1.zip"},
        {"%Lokalita%.txt", 4, local + "TXT/Na Skále.txt"},
        {"archiv/D1.zip", 10, PathTemplates::kSetPath},
        {"%Disk%/Corvex/Lamelin 2013/Zaloha/D1.zip", 1, PathTemplates::kSetDriveLetter},
        {"/mnt/%Disk%/D1.zip", 1, PathTemplates::kSetPath},
        {"%Datum%%Datum%.zip", 1, PathTemplates::kSetPath},
        {"", 1, PathTemplates::kSetPath},
    };
    const PathTemplates t(env);
    for (const Case& c : cases) EXPECT_EQ(t.expand(c.stored, c.kind), c.expanded) << c.stored.toStdString();
    EXPECT_TRUE(PathTemplates::isUnusable("NASTAVTE SPRÁVNĚ CESTU."));
    EXPECT_TRUE(PathTemplates::isUnusable("nastavte písmeno disku (např. f:)."));
    EXPECT_FALSE(PathTemplates::isUnusable("/mnt/usb/Nastavte správně cestu.txt"));

    env.commonAppDataDir.clear();
    EXPECT_EQ(PathTemplates(env).expand("%AdresarDat%/D1.zip", 1), PathTemplates::kSetPath);
    env.localityName = " ?? ";
    EXPECT_EQ(PathTemplates(env).expand("/x/%Lokalita%.txt", 4), "/x/D1.txt");
    // A "%" in a name taken into a path does not make the path look unfinished.
    env.localityName = "Les 50%";
    env.firmFileName = PathTemplates::fileNameStem("Sběr 100%", "D1");
    const PathTemplates percent(env);
    EXPECT_EQ(percent.expand("/x/%Lokalita%.txt", 4), "/x/Les 50.txt");
    EXPECT_EQ(percent.expand(percent.proposal(4, 1, "", true), 1), local + "Zaloha/Sběr 100.zip");
}

TEST_F(PathTemplatesTest, FoldingAndDialogDirectories) {
    const PathTemplates t(env);
    EXPECT_EQ(t.fold(common + "/Corvex/D1.zip"), "%AdresarDat%/Corvex/D1.zip");
    EXPECT_EQ(t.fold(documents + "/D1.zip"), "%AdresarUziv%/D1.zip");
    // Only whole directories fold, and only in their own spelling: these are other files.
    EXPECT_EQ(t.fold(documents + "2/D1.zip"), documents + "2/D1.zip");
    EXPECT_EQ(t.fold(tmp.path() + "dokumenty/D1.zip"), tmp.path() + "dokumenty/D1.zip");
    for (const QString& full : {common + "/x/D1.zip", documents + "/a/b.zip"})
        EXPECT_EQ(t.expand(t.fold(full), 1), full);

    EXPECT_EQ(t.dialogDirectory(1), tmp.path());
    EXPECT_EQ(t.dialogDirectory(4), local);
    EXPECT_EQ(t.dialogDirectory(2, common + "/a/b/D1.zip"), common + "/Corvex/");
    // No Corvex folder in the documents: the documents themselves.
    EXPECT_EQ(t.dialogDirectory(2, documents + "/a/D1.zip"), documents + "/");
    EXPECT_EQ(t.dialogDirectory(2, "relative/D1.zip"), local);
    EXPECT_EQ(t.dialogDirectory(5), PathTemplates::driveOf(local));
    EXPECT_EQ(t.corvexDirectory("%ADRESARDAT%\\Corvex\\Lamelin 2012\\", "def"), common + "/Corvex/");
    EXPECT_EQ(t.corvexDirectory("C:\\Corvex\\", "def"), "def");
}
