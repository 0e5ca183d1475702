#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include "IniFile.h"
#include "TempDir.h"

// Settings files are Windows-1250 with CRLF lines, keys matched without regard to case.
TEST(IniFile, WritesWindows1250AndReadsItBack) {
    TempDir tmp;
    const QString path = tmp.file("Sporin.ini");
    IniFile ini(path);
    EXPECT_TRUE(ini.writeString("Vyber", "Nazev", "Houbaři z Písku"));
    EXPECT_TRUE(ini.writeBool("Vyber", "Pos", true));
    EXPECT_TRUE(ini.writeInteger("Sporin", "Razeni", 2));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_TRUE(bytes.contains("Nazev=Houba\xF8i z P\xEDsku\r\n")) << bytes.toStdString();
    EXPECT_TRUE(bytes.contains("Pos=1\r\n"));

    const IniFile again(path);
    EXPECT_EQ(again.readString("VYBER", "nazev"), QString("Houbaři z Písku"));
    EXPECT_TRUE(again.readBool("vyber", "POS", false));
    EXPECT_EQ(again.readInteger("Sporin", "Razeni", 1), 2);
    EXPECT_EQ(again.readInteger("Sporin", "Chybi", 7), 7);
    EXPECT_EQ(again.readInteger("Vyber", "Nazev", 5), 5);  // not a number: the default
}

TEST(IniFile, RefusesWhatItCannotStoreAndReportsWriteFailures) {
    TempDir tmp;
    IniFile ini(tmp.file("a.ini"));
    EXPECT_FALSE(ini.writeString("S", "K", "жук"));  // outside Windows-1250
    IniFile unwritable(tmp.file("missing/dir/a.ini"));
    EXPECT_FALSE(unwritable.writeInteger("Sporin", "Top", 1));
}

// A file edited by hand may repeat sections and keys: the first of each counts, later ones add
// to the first section, and a write keeps every other line where it was.
TEST(IniFile, FirstOccurrenceWinsAndWritesKeepTheOrder) {
    TempDir tmp;
    const QString path = tmp.file("firma.ini");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("; poznamka\r\n[B]\r\nX=1\r\nx=2\r\n[A]\r\nY=\xE8\r\n[b]\r\nZ=3\r\nX=4\r\n");
    f.close();
    IniFile ini(path);
    EXPECT_EQ(ini.readString("b", "X"), QString("1"));
    EXPECT_EQ(ini.readString("B", "z"), QString("3"));
    EXPECT_EQ(ini.readString("A", "Y"), QString("č"));
    ASSERT_TRUE(ini.writeString("B", "W", "5"));
    ASSERT_TRUE(ini.deleteKey("B", "x"));
    ASSERT_TRUE(ini.writeString("b", "Z", "6"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("; poznamka\r\n[B]\r\nZ=6\r\nW=5\r\n\r\n[A]\r\nY=\xE8\r\n\r\n"));
    f.close();
    ASSERT_TRUE(ini.eraseSection("b"));
    EXPECT_FALSE(ini.hasKey("B", "Z"));
    EXPECT_EQ(IniFile(path).readString("A", "Y"), QString("č"));
}

// A file far larger than any settings file is not read, and not overwritten either.
TEST(IniFile, RefusesAnOversizedFileWithoutTouchingIt) {
    TempDir tmp;
    const QString path = tmp.file("Sporin.ini");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_TRUE(f.write("[Sporin]\r\nTop=7\r\n") > 0);
    ASSERT_TRUE(f.resize(IniFile::MaxFileSize + 1));
    f.close();
    IniFile ini(path);
    EXPECT_EQ(ini.errorString(), QString("Soubor nastavení %1 je větší než 16 MB, nebyl přečten.").arg(path));
    EXPECT_EQ(ini.readInteger("Sporin", "Top", 1), 1);
    EXPECT_FALSE(ini.writeInteger("Sporin", "Top", 2));
    EXPECT_EQ(QFileInfo(path).size(), IniFile::MaxFileSize + 1);
}
