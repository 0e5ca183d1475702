#include <gtest/gtest.h>

#include <QFile>

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
