#include <signal.h>
#include <unistd.h>
#include <zip.h>

#include <QDate>
#include <QDir>
#include <QFile>

#include "ChildProcess.h"
#include "FirmBackup.h"
#include "FirmDirFixture.h"
#include "FirmRestore.h"
#include "ParadoxWriter.h"

using backup::FirmBackup;
using backup::FirmRestore;
using Outcome = FirmRestore::Outcome;

namespace {

QStringList entryNames(const QString& archive) {
    QStringList names;
    zip_t* z = zip_open(QFile::encodeName(archive).constData(), ZIP_RDONLY, nullptr);
    if (!z) return names;
    for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i) names << QString::fromUtf8(zip_get_name(z, i, 0));
    zip_discard(z);
    return names;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class FirmArchive : public FirmDirFixture {
protected:
    FirmArchive() {
        fill(firm, "Les", 3);
        storage::TemplateSet::createFirmTables(other);
        fill(other, "Bor", 4);
    }
    QString other = tmp.path() + "other/";
    QString target = tmp.path() + "zalohy/D1.zip";
};

TEST_F(FirmArchive, BackupHoldsExactlyTheTableFilesAndOnlyAWholeOneReplacesTheOlder) {
    // What else lies in a firm directory: its settings, the engine's lock and temporary files, a
    // copy being made, and what a restore that needed no roll-back left behind.
    for (const char* extra : {"D1.ini", "Paradox.lck", "Pdoxusrs.lck", "Hdok.DB.compact.tmp", "Hdok.PX.0badf00d.tmp",
                              "Hdath.DB.kopie", "Zaloha/Zaloha.zip", "Zaloha/Obnova/Hdok.DB"}) {
        writeFile(firm + extra, "x");
    }
    const FirmBackup::Result first = FirmBackup::run(firm, target, nullptr);
    ASSERT_TRUE(first.written) << first.error.toStdString();
    EXPECT_EQ(first.items, 27);
    EXPECT_EQ(entryNames(target), storage::dataFileList());
    EXPECT_FALSE(QFileInfo::exists(firm + "Zaloha"));
    EXPECT_TRUE(QFile::exists(firm + "D1.ini"));

    // A lost index file is rebuilt from its record file, and the archive is whole again.
    QFile::remove(firm + "Hdok.Y0F");
    QFile::remove(firm + "Hdath.PX");
    const FirmBackup::Result rebuilt = FirmBackup::run(firm, target, nullptr);
    ASSERT_TRUE(rebuilt.written) << rebuilt.error.toStdString();
    EXPECT_EQ(rebuilt.items, 27);
    EXPECT_EQ(entryNames(target), storage::dataFileList());
    EXPECT_EQ(cardNames(firm), (QStringList{"Les 1", "Les 2", "Les 3"}));

    // Never over a file of the firm itself, nor into the folder that restores clear.
    const QByteArray cards = readFile(firm + "Hdok.DB");
    for (const char* own : {"Hdok.DB", "D1.ini", "Zaloha/Zaloha.zip", "Zaloha/x/D1.zip", "./Zaloha/../Zaloha/D1.zip"})
        EXPECT_FALSE(FirmBackup::run(firm, firm + own, nullptr).written) << own;
    EXPECT_EQ(readFile(firm + "Hdok.DB"), cards);
    EXPECT_TRUE(FirmBackup::run(firm, firm + "Zaloha2.zip", nullptr).written);

    // A firm that lacks a record file gets no archive, and the older archive stays as it was.
    const QByteArray older = readFile(target);
    QFile::remove(firm + "Hdatl.DB");
    QFile::remove(firm + "Hdatl.X02");
    const FirmBackup::Result second = FirmBackup::run(firm, target, nullptr);
    EXPECT_FALSE(second.written);
    EXPECT_EQ(second.items, 0);
    EXPECT_EQ(second.error.toStdString(), "Ve firmě chybí některé datové soubory.");
    EXPECT_EQ(readFile(target), older);
    EXPECT_FALSE(QFile::exists(firm + "Hdatl.X02"));
    EXPECT_EQ(QDir(tmp.path() + "zalohy").entryList(QDir::Files | QDir::Hidden), QStringList{"D1.zip"});
}

TEST_F(FirmArchive, RestoreTakesOnlyAWholeReadableArchiveAndOtherwiseLeavesTheFirm) {
    const QString archivePath = tmp.path() + "archiv.zip";
    writeFile(tmp.path() + "foreign.ini", "[D1]\nZalohovaniDatTop=1\n");
    writeFile(firm + "D1.ini", "[D1]\n");
    struct Case {
        const char* what;
        std::function<void()> prepare;
        Outcome outcome;
        QString cardsAfter;  // label of the cards the firm holds afterwards
    };
    const QString bor = other;
    const QString path = archivePath;
    const QString firmDir = firm;
    const Case cases[] = {
        {"complete, with a settings file and a firm folder in it",
         [&] {
             archive(path, bor, {}, {{"D1.ini", tmp.path() + "foreign.ini"}, {"D1/Hdok.DB", firmDir + "Hdok.DB"}});
         },
         Outcome::Restored, "Bor"},
        {"one index file missing", [&] { archive(path, bor, {"Hdok.X04"}); }, Outcome::Restored, "Bor"},
        {"one record file missing", [&] { archive(path, bor, {"Hdath.DB"}); }, Outcome::Incomplete, "Les"},
        {"two index files missing",
         [&] {
             archive(path, bor, {"Hdok.X04", "Hdok.Y04"});
         },
         Outcome::Incomplete, "Les"},
        {"none of the names, only in a folder",
         [&] {
             QVector<backup::ZipWriter::Entry> inFolder;
             for (const QString& n : storage::dataFileList()) inFolder.append({"D1/" + n, bor + n});
             archive(path, bor, storage::dataFileList(), inFolder);
         },
         Outcome::Incomplete, "Les"},
        {"no zip at all", [&] { writeFile(path, QByteArray(4000, 'z')); }, Outcome::ArchiveUnreadable, "Les"},
        {"a damaged entry",
         [&] {
             archive(path, bor);
             QByteArray bytes = readFile(path);
             for (int i = 200; i < 260; ++i) bytes[i] = char(bytes[i] ^ 0x5a);
             writeFile(path, bytes);
         },
         Outcome::ArchiveUnreadable, "Les"},
        {"tables of another format, no importer",
         [&] {
             writeFile(tmp.path() + "px/Hdok.DB", QByteArray("\x00\x08\x00\x08\x00", 5) + QByteArray(3000, '\x01'));
             archive(path, bor, {"Hdok.DB"}, {{"Hdok.DB", tmp.path() + "px/Hdok.DB"}});
         },
         Outcome::TablesUnreadable, "Les"},
        {"the safety archive cannot be written",
         [&] {
             archive(path, bor);
             writeFile(firmDir + "Zaloha", "not a folder");
         },
         Outcome::SafetyArchiveFailed, "Les"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(firm + "Zaloha");
        const auto before = snapshot(firm);
        c.prepare();
        FirmRestore restore(firm, {storage::tablePassword()});
        const FirmRestore::Result result = restore.run(archivePath);
        EXPECT_EQ(result.outcome, c.outcome) << result.detail.toStdString();
        if (c.outcome != Outcome::Restored) {
            EXPECT_EQ(snapshot(firm), before);
        }
        EXPECT_EQ(cardNames(firm).value(0), c.cardsAfter + " 1");
        EXPECT_EQ(readFile(firm + "D1.ini"), QByteArray("[D1]\n"));
        if (c.outcome != Outcome::SafetyArchiveFailed) {
            EXPECT_FALSE(QFileInfo::exists(firm + "Zaloha"));
        }
        // Back to the firm of before for the next case.
        if (c.outcome == Outcome::Restored) {
            QDir(firm).removeRecursively();
            storage::TemplateSet::createFirmTables(firm);
            fill(firm, "Les", 3);
            writeFile(firm + "D1.ini", "[D1]\n");
        }
    }
}

TEST_F(FirmArchive, RestoreRefusesWhatDoesNotFitAndHandsEarlierTablesToTheImporter) {
    const QString archivePath = tmp.path() + "archiv.zip";
    archive(archivePath, other);
    FirmRestore tight(firm, {storage::tablePassword()});
    tight.freeSpace = [](const QString&) { return qint64(100); };
    EXPECT_EQ(tight.run(archivePath).outcome, Outcome::NoSpace);
    EXPECT_EQ(cardNames(firm).value(0), "Les 1");

    // An archive of the earlier edition: whatever its record files are, the importer turns
    // them into tables of ours, and those are restored.
    writeFile(tmp.path() + "px/Hdok.DB", QByteArray(3000, '\x02'));
    archive(archivePath, other, {"Hdok.DB"}, {{"Hdok.DB", tmp.path() + "px/Hdok.DB"}});
    QString handedOver;
    const auto importer = FirmRestore::importEarlierEdition;
    FirmRestore::importEarlierEdition = [&](const QString& earlier, const QString& ours, QString*) {
        handedOver = QString::fromLatin1(readFile(earlier + "Hdok.DB").left(1).toHex());
        for (const QString& n : storage::dataFileList()) QFile::copy(other + n, ours + n);
        return true;
    };
    FirmRestore restore(firm, {storage::tablePassword()});
    restore.freeSpace = [](const QString&) { return qint64(-1); };  // a volume that does not tell
    const Outcome outcome = restore.run(archivePath).outcome;
    FirmRestore::importEarlierEdition = importer;
    EXPECT_EQ(outcome, Outcome::Restored);
    EXPECT_EQ(handedOver, "02");
    EXPECT_EQ(cardNames(firm).value(0), "Bor 1");
}

TEST_F(FirmArchive, ARestoreKilledMidwayIsRolledBackWhenTheFirmOpensNext) {
    const QString archivePath = tmp.path() + "archiv.zip";
    archive(archivePath, other);
    const QString firmDir = firm;
    for (auto [stage, files] :
         {std::pair{FirmRestore::Stage::Extracted, 5}, std::pair{FirmRestore::Stage::Moved, 12}}) {
        SCOPED_TRACE(int(stage));
        const auto before = snapshot(firm);
        testsupport::ChildProcess child([&, stage = stage, files = files](testsupport::MessageChannel& channel) {
            FirmRestore restore(firmDir, {storage::tablePassword()});
            restore.checkpoint = [&](FirmRestore::Stage s, int n) {
                if (s != stage || n != files) return;
                channel.send("stopped");
                for (;;) ::pause();
            };
            restore.run(archivePath);
            channel.send("finished");
        });
        ASSERT_EQ(child.receive(), QByteArray("stopped"));
        // While it runs, another program must not take it for abandoned.
        EXPECT_TRUE(FirmRestore::runningElsewhere(firm));
        EXPECT_EQ(FirmRestore::recoverUnfinished(firm), FirmRestore::Recovery::InProgressElsewhere);
        child.kill();

        EXPECT_TRUE(FirmRestore::unfinished(firm));
        EXPECT_EQ(FirmRestore::recoverUnfinished(firm), FirmRestore::Recovery::RolledBack);
        EXPECT_EQ(snapshot(firm), before);
        EXPECT_EQ(cardNames(firm), QStringList({"Les 1", "Les 2", "Les 3"}));
        EXPECT_FALSE(QFileInfo::exists(firm + "Zaloha"));
        EXPECT_EQ(FirmRestore::recoverUnfinished(firm), FirmRestore::Recovery::Nothing);
    }
}

// An archive the earlier edition made holds its Paradox tables under the same names; the restore
// takes them in through the importer and the firm then holds their cards in our format.
TEST_F(FirmArchive, AnArchiveOfTheEarlierEditionIsImported) {
    const QString earlier = tmp.path() + "earlier/";
    QDir().mkpath(earlier);
    const QVector<QVector<QVariant>> cards = {
        {1, 7, "BOED", "Boletus edulis", "Bull.", "hřib smrkový", "", "Žďár", "", "", "", "", "", "", QDate(2011, 9, 3),
         "", false, false, "N", ""},
        {2, 9, "AMMU", "Amanita muscaria", "", "muchomůrka červená", "", "Žďár", "", "", "", "", "", "",
         QDate(2011, 9, 4), "", false, false, "N", ""}};
    ASSERT_TRUE(test::writeParadoxTable(earlier + "Hdok.DB", {test::paradoxLayout("Hdok"), cards, "", 1250}));
    for (const QString& table : {QString("Hdath"), QString("Hdatl"), QString("Hspl")})
        ASSERT_TRUE(test::writeParadoxTable(earlier + table + ".DB", {test::paradoxLayout(table), {}, "", 1250}));
    const QString archivePath = tmp.path() + "stara.zip";
    // Its index files are the earlier edition's own; the import rebuilds ours from the records.
    QVector<backup::ZipWriter::Entry> entries;
    for (const QString& name : storage::dataFileList()) {
        if (!name.endsWith(".DB")) writeFile(earlier + name, QByteArray(2048, '\x01'));
        entries.append({name, earlier + name});
    }
    QString error;
    ASSERT_TRUE(backup::ZipWriter::write(archivePath, entries, nullptr, &error)) << error.toStdString();

    FirmRestore restore(firm, {storage::tablePassword()});
    EXPECT_EQ(restore.run(archivePath).outcome, Outcome::Restored);
    EXPECT_EQ(cardNames(firm), QStringList({"Boletus edulis", "Amanita muscaria"}));
}
