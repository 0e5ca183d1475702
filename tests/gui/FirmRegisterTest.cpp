#include "FileIO.h"
#include "FirmFixture.h"
#include "TableLayouts.h"

// Registers written by earlier versions, and register files that cannot be used.
class FirmRegister : public FirmFixture {
protected:
    // Replaces the register at the root of the data directory by an empty one of `definition`.
    void replaceRegister(const storage::TableDefinition& definition) {
        for (const QString& f : storage::registerDataFiles()) QFile::remove(dataDir + f);
        TTable::CreateTable(dataDir, "Data", definition.layout, definition.indexes, storage::tablePassword());
    }

    static QByteArray contents(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

TEST_F(FirmRegister, EarlierLayoutIsConvertedWithPositionsFromNumbers) {
    replaceRegister(storage::oldDataTable());
    storeRow("Data.DB", {3, "Bor", "D3"});
    storeRow("Data.DB", {1, "Les", "D1"});
    ASSERT_FALSE(QFile::exists(dataDir + "Data.X03"));
    startApp();
    EXPECT_EQ(storedRegister(), QStringList({"1 1 Les D1", "3 3 Bor D3"}));
    EXPECT_TRUE(QFile::exists(dataDir + "Data.X03"));
    ASSERT_TRUE(sel()->Auto1.Active());
    EXPECT_EQ(sel()->Auto1.RecordCount(), 2);
    EXPECT_TRUE(sel()->Uziv.Active());
    sel()->RazeniNazev();
    sel()->Auto1.First();
    EXPECT_EQ(current("Nazev"), QString("Bor"));
    EXPECT_TRUE(messages.boxes.isEmpty());
}

TEST_F(FirmRegister, MissingNameIndexIsAdded) {
    storage::TableDefinition withoutName = storage::dataTable();
    withoutName.indexes.removeIf([](const engine::IndexDef& d) { return d.name == "Nazev"; });
    replaceRegister(withoutName);
    // Name order differs from number order, so only a working index gives the names sorted.
    storeRow("Data.DB", {1, 1, "Les", "D1"});
    storeRow("Data.DB", {2, 2, "Bor", "D2"});
    storeRow("Data.DB", {3, 3, "Čeřovka", "D3"});
    storeRow("Data.DB", {4, 4, "Cedr", "D4"});
    ASSERT_FALSE(QFile::exists(dataDir + "Data.X03"));
    startApp();
    EXPECT_TRUE(QFile::exists(dataDir + "Data.X03") || QFile::exists(dataDir + "Data.Y03"));
    sel()->RazeniNazev();
    QStringList names;
    for (sel()->Auto1.First(); !sel()->Auto1.Eof(); sel()->Auto1.Next()) names << current("Nazev");
    EXPECT_EQ(names, QStringList({"Bor", "Cedr", "Čeřovka", "Les"}));
}

// A conversion that fails part-way (here: a name too long for the template register it is
// converted into) must not replace the earlier register: the firms stay listed in it for a
// later attempt, and the half-filled template register is never copied over it.
TEST_F(FirmRegister, FailedConversionKeepsTheEarlierRegister) {
    replaceRegister(storage::oldDataTable());
    storeRow("Data.DB", {1, "Les", "D1"});
    storeRow("Data.DB", {2, "Doubrava", "D2"});
    storage::TableDefinition shortNames = storage::dataTable();
    shortNames.layout.fields[shortNames.layout.indexOf("Nazev")].size = 3;
    for (const QString& f : storage::registerDataFiles()) QFile::remove(dataDir + "Data/" + f);
    TTable::CreateTable(dataDir + "Data/", "Data", shortNames.layout, shortNames.indexes, storage::tablePassword());
    const QByteArray before = contents(dataDir + "Data.DB");
    startApp();
    EXPECT_EQ(contents(dataDir + "Data.DB"), before);
    EXPECT_FALSE(sel()->Auto1.Active());  // the grid stays empty
    EXPECT_TRUE(messages.boxes.isEmpty());
}

// A register or password table that cannot be read at the first attempt is not replaced: the
// register is not taken for one of the earlier layout (the own positions stay), the passwords
// stay.
TEST_F(FirmRegister, TablesUnreadableForAMomentAreNotReplaced) {
    // The first opens of one file fail: read-write, then read-only.
    struct FirstOpensFail : engine::PosixFileSystem {
        QString path;
        int failures = 2;
        std::unique_ptr<engine::FileHandle> open(const QString& p, OpenMode mode, QString* error) override {
            if (failures > 0 && QFileInfo(p).absoluteFilePath() == path) {
                --failures;
                if (error) *error = "busy";
                return nullptr;
            }
            return PosixFileSystem::open(p, mode, error);
        }
    };
    for (const char* table : {"Data.DB", "Uziv.DB"}) {
        storeRow("Data.DB", {1, 5, "Les", "D1"});
        storeRow("Uziv.DB", {1, "heslo"});
        FirstOpensFail fs;
        fs.path = QFileInfo(dataDir + table).absoluteFilePath();
        engine::FileSystem::setCurrent(&fs);
        startApp();
        engine::FileSystem::setCurrent(nullptr);
        EXPECT_EQ(fs.failures, 0) << table;
        EXPECT_EQ(storedRegister(), QStringList{"1 5 Les D1"}) << table;
        EXPECT_EQ(storedPasswords(), QStringList{"1 heslo"}) << table;

        destroyStartupWindows();
        QDir(dataDir).removeRecursively();
        storage::TemplateSet::prepareDataDirectory(dataDir);
    }
}

TEST_F(FirmRegister, UnreadablePasswordTableIsReplacedFromTheTemplates) {
    addFirm(1, "Les");
    QFile uziv(dataDir + "Uziv.DB");
    ASSERT_TRUE(uziv.open(QIODevice::WriteOnly | QIODevice::Truncate));
    uziv.write("this is not a table");
    uziv.close();
    startApp();
    EXPECT_TRUE(sel()->Auto1.Active());
    EXPECT_EQ(sel()->Auto1.RecordCount(), 1);
    ASSERT_TRUE(sel()->Uziv.Active());
    EXPECT_TRUE(sel()->Uziv.IsEmpty());
    EXPECT_EQ(contents(dataDir + "Uziv.DB"), contents(dataDir + "Data/Uziv.DB"));
}

TEST_F(FirmRegister, KopSezn1CopiesOneSetAndKeepsWhatItCannotCopy) {
    const QString from = tmp.path() + "from/";
    const QString to = tmp.path() + "to/";
    QDir().mkpath(from);
    QDir().mkpath(to);
    for (const char* f : {"Data.DB", "Data.PX", "Uziv.DB"}) {
        QFile file(from + f);
        file.open(QIODevice::WriteOnly);
        file.write(QByteArray("new ") + f);
    }
    for (const char* f : {"Data.X02", "Uziv.DB"}) {
        QFile file(to + f);
        file.open(QIODevice::WriteOnly);
        file.write("old");
    }
    TMainForm::KopSezn1(from, to, 1);
    EXPECT_EQ(contents(to + "Data.DB"), QByteArray("new Data.DB"));
    EXPECT_EQ(contents(to + "Data.PX"), QByteArray("new Data.PX"));
    EXPECT_EQ(contents(to + "Data.X02"), QByteArray("old"));  // nothing to copy: kept
    EXPECT_EQ(contents(to + "Uziv.DB"), QByteArray("old"));   // kind 2 only
    TMainForm::KopSezn1(from, to, 2);
    EXPECT_EQ(contents(to + "Uziv.DB"), QByteArray("new Uziv.DB"));
    EXPECT_EQ(QDir(to).entryList(QDir::Files).size(), 4);  // no leftovers of the copying
}
