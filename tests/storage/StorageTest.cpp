#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>

#include "DataFiles.h"
#include "EngineError.h"
#include "TDatabase.h"
#include "TSession.h"
#include "TTable.h"
#include "TableLayouts.h"
#include "TablePassword.h"
#include "TempDir.h"
#include "TemplateSet.h"

namespace {

// The files a table definition lives in, named the way the data-file list names them.
QStringList filesOf(const storage::TableDefinition& t) {
    QStringList files{t.name + ".DB"};
    if (t.layout.primaryKey >= 0) files << t.name + ".PX";
    QStringList x, y;
    for (const auto& i : t.indexes) {
        x << t.name + ".X" + i.suffix;
        y << t.name + ".Y" + i.suffix;
    }
    x.sort();
    y.sort();
    return files + x + y;
}

QString runSetup(const QStringList& args, int* exitCode) {
    QProcess p;
    p.start(QStringLiteral(LAMELIN_SETUP_PATH), args);
    p.waitForFinished(60000);
    *exitCode = p.exitCode();
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
}

// A session with the table password and a database over `dir`.
struct Db {
    explicit Db(const QString& dir, bool withPassword = true) {
        if (withPassword) session.AddPassword(storage::tablePassword());
        session.setNetFileDir(dir);
        db.Params = {"PATH=" + dir, "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"};
    }
    std::unique_ptr<TTable> table(const QString& name) {
        auto t = std::make_unique<TTable>();
        t->setDatabase(&db);
        t->TableName = name;
        return t;
    }
    TSession session{"S"};
    TDatabase db{&session, "D"};
};

}  // namespace

TEST(DataFileList, NamesTheFilesOfTheFourTablesInTheirFixedOrder) {
    const QStringList expected = {
        "Hdath.DB", "Hdath.PX", "Hdath.X02", "Hdath.X03", "Hdath.X05", "Hdath.Y02", "Hdath.Y03", "Hdath.Y05", "Hdatl.DB",
        "Hdatl.PX", "Hdatl.X02", "Hdatl.X03", "Hdatl.Y02", "Hdatl.Y03", "Hdok.DB",   "Hdok.PX",   "Hdok.X04",  "Hdok.X06",
        "Hdok.X08", "Hdok.X0F",  "Hdok.XG0",  "Hdok.Y04",  "Hdok.Y06",  "Hdok.Y08",  "Hdok.Y0F", "Hdok.YG0",  "Hspl.DB"};
    EXPECT_EQ(storage::dataFileList(), expected);
    // Positions 15..26 are the card index alone.
    const QStringList cards = storage::dataFileList().mid(storage::kCardFilesFirst - 1,
                                                          storage::kCardFilesLast - storage::kCardFilesFirst + 1);
    EXPECT_EQ(cards, expected.mid(14, 12));
    EXPECT_TRUE(std::all_of(cards.begin(), cards.end(), [](const QString& f) { return f.startsWith("Hdok."); }));
    EXPECT_EQ(storage::registerFileList(), QStringList({"Data.DB", "Data.PX", "Data.X02", "Data.X03", "Data.Y02",
                                                        "Data.Y03", "Uziv.DB", "Uziv.PX"}));
    // The table layouts create exactly these files.
    const QStringList fromLayouts = filesOf(storage::hdathTable()) + filesOf(storage::hdatlTable()) +
                                    filesOf(storage::hdokTable()) + filesOf(storage::hsplTable());
    EXPECT_EQ(fromLayouts, expected);
}

TEST(TablePassword, IsTheKnownValue) {
    // Every template and firm file on users' disks carries this password: it must never change.
    EXPECT_EQ(storage::tablePassword(), QString("259133"));
}

TEST(LamelinSetup, CreatesACompleteDataDirectory) {
    TempDir tmp;
    const QString dir = tmp.path() + "Lamelin 2013/";
    int code = -1;
    const QString out = runSetup({dir}, &code);
    ASSERT_EQ(code, 0) << out.toStdString();

    for (const QString& f : storage::dataFileList() + storage::registerFileList()) {
        EXPECT_TRUE(QFile::exists(dir + "Data/" + f)) << f.toStdString();
    }
    for (const QString& f : storage::registerFileList()) EXPECT_TRUE(QFile::exists(dir + f)) << f.toStdString();
    QSettings verze(dir + "Data/Verze.ini", QSettings::IniFormat);
    EXPECT_EQ(verze.value("Verze/Data").toInt(), 110);

    Db d(dir + "Data");
    auto hspl = d.table("Hspl.DB");
    hspl->Open();
    ASSERT_EQ(hspl->RecordCount(), 1);
    EXPECT_EQ(hspl->FieldByName("Cislo")->AsInteger(), 1);
    EXPECT_EQ(hspl->FieldByName("Ko")->AsInteger(), 1);
    EXPECT_EQ(hspl->FieldByName("Ko1")->AsInteger(), 1);
    for (TField* f : hspl->Fields()) {
        if (f->FieldName() != "Cislo" && f->FieldName() != "Ko" && f->FieldName() != "Ko1") {
            EXPECT_TRUE(f->IsNull()) << f->FieldName().toStdString();
        }
    }
    // The default orders of the firm tables exist.
    for (auto [name, order] : {std::pair{"Hdok.DB", "Evc"}, {"Hdath.DB", "Nlad"}, {"Hdatl.DB", "Lkd"}}) {
        auto t = d.table(name);
        t->setIndexFieldNames(order);
        ASSERT_NO_THROW(t->Open()) << name;
        EXPECT_TRUE(t->IsEmpty());
    }
}

TEST(LamelinSetup, TablesRefuseASessionWithoutThePassword) {
    TempDir tmp;
    storage::TemplateSet::prepareDataDirectory(tmp.path());
    Db d(tmp.path() + "Data", false);
    auto t = d.table("Hdok.DB");
    try {
        t->Open();
        FAIL() << "opened without the table password";
    } catch (const EDBEngineError& e) {
        EXPECT_EQ(e.errorCode(), EngineErrorCode::InvalidPassword);
    }
}

TEST(LamelinSetup, NeverOverwritesAnExistingRegister) {
    TempDir tmp;
    int code = -1;
    runSetup({tmp.path()}, &code);
    ASSERT_EQ(code, 0);
    {
        Db d(tmp.path());
        auto reg = d.table("Data.DB");
        reg->Open();
        reg->Append();
        reg->FieldByName("Cislo")->setAsInteger(1);
        reg->FieldByName("Pozice")->setAsInteger(1);
        reg->FieldByName("Nazev")->setAsString("Houbaři z Písku");
        reg->FieldByName("Adresar")->setAsString("D1");
        reg->Post();
    }
    QFile::remove(tmp.path() + "Data/Hdok.X04");  // an incomplete template set is completed
    const QString out = runSetup({tmp.path()}, &code);
    ASSERT_EQ(code, 0) << out.toStdString();
    EXPECT_TRUE(QFile::exists(tmp.path() + "Data/Hdok.X04"));
    Db d(tmp.path());
    auto reg = d.table("Data.DB");
    reg->Open();
    ASSERT_EQ(reg->RecordCount(), 1);
    EXPECT_EQ(reg->FieldByName("Nazev")->AsString(), QString("Houbaři z Písku"));
}

TEST(FirmTables, AByteCopyOfTheTemplateIsAWorkingFirm) {
    TempDir tmp;
    storage::TemplateSet::prepareDataDirectory(tmp.path());
    QDir().mkpath(tmp.path() + "D1");
    for (const QString& f : storage::dataFileList()) ASSERT_TRUE(QFile::copy(tmp.path() + "Data/" + f, tmp.path() + "D1/" + f));
    Db d(tmp.path() + "D1");
    auto hdok = d.table("Hdok.DB");
    hdok->setIndexFieldNames("Evc");
    hdok->Open();
    hdok->Append();
    hdok->FieldByName("Evc")->setAsInteger(7);
    hdok->FieldByName("Nla")->setAsString("Boletus edulis");
    hdok->Post();
    hdok->Append();
    hdok->FieldByName("Evc")->setAsInteger(7);
    try {
        hdok->Post();
        FAIL() << "a second card numbered 7 was stored";
    } catch (const EDBEngineError& e) {
        EXPECT_EQ(e.errorCode(), EngineErrorCode::KeyViolation);
    }
    hdok->Cancel();
    hdok->Close();
    // The template itself is untouched.
    Db t(tmp.path() + "Data");
    auto tmpl = t.table("Hdok.DB");
    tmpl->Open();
    EXPECT_TRUE(tmpl->IsEmpty());
}

TEST(Register, EarlierLayoutIsRecognisedAndTheNameIndexCanBeAdded) {
    TempDir tmp;
    const auto old = storage::oldDataTable();
    TTable::CreateTable(tmp.path(), old.name, old.layout, old.indexes, storage::tablePassword());
    Db d(tmp.path());
    auto current = d.table("Data.DB");
    for (const char* f : {"Cislo", "Pozice", "Nazev", "Adresar"}) current->AddFieldName(f);
    try {
        current->Open();
        FAIL() << "a register without Pozice opened as the current layout";
    } catch (const EDBEngineError& e) {
        EXPECT_EQ(e.errorCode(), EngineErrorCode::InvalidLayout);
    }
    current->Close();
    QFile::remove(tmp.path() + "Data.DB");
    QFile::remove(tmp.path() + "Data.PX");

    // A current register that lacks the name index gets it as the pair X03/Y03.
    auto layout = storage::dataTable();
    layout.indexes.removeLast();
    TTable::CreateTable(tmp.path(), layout.name, layout.layout, layout.indexes, storage::tablePassword());
    EXPECT_FALSE(QFile::exists(tmp.path() + "Data.X03"));
    auto reg = d.table("Data.DB");
    reg->AddIndex("Nazev", "Nazev");
    EXPECT_TRUE(QFile::exists(tmp.path() + "Data.X03"));
    EXPECT_TRUE(QFile::exists(tmp.path() + "Data.Y03"));
    reg->setIndexFieldNames("Nazev");
    EXPECT_NO_THROW(reg->Open());
}
