#include <QDate>

#include "DataFiles.h"
#include "EngineError.h"
#include "ImportFixture.h"
#include "ParadoxTable.h"
#include "TableFileKind.h"
#include "TableImport.h"
#include "TableLayouts.h"
#include "TemplateSet.h"

using interchange::ParadoxTable;
using interchange::TableImport;
using test::PxTable;

namespace {

QVector<QVector<QVariant>> cards() {
    // ID, Evc, Kdh, Nla, Ato, Nce, Kdl, Lk, Cmp, Nmv, Sd, Plo1, Plo2, Le, D, Dt, Pdh, Pdl, Neh, Obr
    return {
        {1,
         12,
         "BOED",
         "Boletus edulis",
         "Bull.",
         "hřib smrkový",
         "CH1",
         "Chřiby - Bunč",
         "6869c",
         "450-480 m",
         "49°06'12\"N 17°18'40\"E",
         "smrkový les, mech",
         "u cesty",
         "Jiří Řezáč",
         QDate(2012, 9, 15),
         "Petr Šťastný",
         false,
         false,
         "A",
         "C:\\Fotky\\hřib.jpg"},
        {2,          -7,         QVariant(), "Amanita muscaria", QVariant(), "muchomůrka červená",
         QVariant(), "Žďár",     QVariant(), QVariant(),         QVariant(), QVariant(),
         QVariant(), QVariant(), QVariant(), QVariant(),         true,       true,
         "N",        QVariant()},
        {3,  999999, "X", QString(150, QChar(u'ž')), "(L.) Lam.", "čirůvka", "K",  "Kutná Hora", "", "", "",
         "", "",     "",  QDate(1994, 1, 1),         "",          false,     true, QVariant(),   ""},
    };
}

PxTable paradox(const QString& table, QVector<QVector<QVariant>> rows, const QString& password, int codePage) {
    return PxTable{test::paradoxLayout(table), std::move(rows), password, codePage};
}

// What our engine keeps of a source value: empty text is no value.
QVariant stored(const QVariant& v) {
    return v.typeId() == QMetaType::QString && v.toString().isEmpty() ? QVariant() : v;
}

}  // namespace

class ParadoxImport : public ImportFixture {};

// The four firm tables, plain and encrypted, in Windows-1250 and in the DOS code page 852,
// arrive with every value as it was, and the source stays as it was.
TEST_F(ParadoxImport, FirmTablesArriveWithEveryValue) {
    struct Variant {
        const char* password;
        int codePage;
    };
    for (const Variant& v : {Variant{"", 1250}, Variant{"842519", 1250}, Variant{"", 852}}) {
        SCOPED_TRACE(testing::Message() << "password '" << v.password << "' code page " << v.codePage);
        QDir(source).removeRecursively();
        QDir(target).removeRecursively();
        QDir().mkpath(source);
        const QMap<QString, QVector<QVector<QVariant>>> tables{
            {"Hdok", cards()},
            {"Hdath",
             {{1, "BOED", "Boletus edulis", "Bull.", "hřib smrkový"},
              {2, QVariant(), "Suillus", QVariant(), QVariant()}}},
            {"Hdatl", {{1, "CH1", "Chřiby - Bunč"}, {2, "Ž", "Žďárské vrchy"}}},
            {"Hspl",
             {{"Moje sbírka ěščřžýáíé",
               "Jiří Řezáč",
               true,
               false,
               "/usr/bin/eog",
               false,
               true,
               false,
               "BO",
               "CH",
               "Bol",
               "hřib",
               "Chřiby",
               1,
               500,
               QDate(2000, 1, 1),
               QDate(2013, 12, 31),
               3,
               9,
               10,
               12,
               2,
               true,
               "K",
               "Kutná Hora",
               true,
               5,
               6,
               1,
               1000}}},
        };
        for (auto it = tables.begin(); it != tables.end(); ++it) {
            ASSERT_TRUE(test::writeParadoxTable(source + it.key() + ".DB",
                                                paradox(it.key(), it.value(), v.password, v.codePage)));
        }
        ParadoxTable probe(source + "Hdok.DB");
        EXPECT_EQ(probe.encrypted(), QString(v.password).size() > 0);
        const QByteArray before = fingerprint(source);

        const TableImport::Results results = TableImport::importFirmDirectory(source, target);

        EXPECT_EQ(fingerprint(source), before);
        ASSERT_EQ(results.size(), 4);
        for (const TableImport::TableResult& r : results) {
            EXPECT_EQ(r.how, TableImport::TableResult::How::Imported) << r.table.toStdString();
            EXPECT_TRUE(r.omittedFields.isEmpty() && r.defaultedFields.isEmpty()) << r.table.toStdString();
            const QVector<QVector<QVariant>> expected = tables.value(r.table);
            const QVector<QVector<QVariant>> got = readBack(target, r.table);
            ASSERT_EQ(got.size(), expected.size()) << r.table.toStdString();
            for (int row = 0; row < got.size(); ++row) {
                for (int f = 0; f < got[row].size(); ++f) {
                    EXPECT_EQ(got[row][f], stored(expected[row][f]))
                        << r.table.toStdString() << " row " << row << " field " << f;
                }
            }
        }
        // Every file of the data-file list is there, and the table opens through its indexes.
        for (const QString& f : storage::dataFileList()) EXPECT_TRUE(QFile::exists(target + f)) << f.toStdString();
        EXPECT_FALSE(QDir(target).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot).size())
            << "staging left over";
    }
}

// Tables of an earlier layout: fields our layout added get their defaults, fields it dropped
// are reported; a register without "Pozice" gets each firm's number as its position; an empty
// common-data table gets its one row.
TEST_F(ParadoxImport, OlderLayoutsGetTheirDefaults) {
    QVector<test::PxField> oldCards = test::paradoxLayout("Hdok");
    oldCards.resize(16);  // up to Dt: without Pdh, Pdl, Neh, Obr
    oldCards.append({"Pozn", ParadoxTable::Alpha, 40});
    ASSERT_TRUE(test::writeParadoxTable(source + "HDOK.DB", {oldCards, {{1, 5, "K", "Russula"}, {2, 6}}, "", 1250}));
    ASSERT_TRUE(test::writeParadoxTable(source + "Hspl.DB", {test::paradoxLayout("Hspl"), {}, "", 1250}));
    const QVector<test::PxField> oldRegister{
        {"Cislo", ParadoxTable::Long, 4}, {"Nazev", ParadoxTable::Alpha, 20}, {"Adresar", ParadoxTable::Alpha, 20}};
    ASSERT_TRUE(test::writeParadoxTable(source + "Data.DB",
                                        {oldRegister, {{3, "Bor", "D3"}, {1, "Les u Brna", "D1"}}, "", 1250}));

    const TableImport::Results firm = TableImport::importFirmDirectory(source, target);
    ASSERT_EQ(firm.size(), 4);
    EXPECT_EQ(firm[0].how, TableImport::TableResult::How::Missing);  // Hdath
    EXPECT_EQ(firm[2].how, TableImport::TableResult::How::Imported);
    EXPECT_EQ(firm[2].defaultedFields, QStringList({"Pdh", "Pdl", "Neh", "Obr"}));
    EXPECT_EQ(firm[2].omittedFields, QStringList({"Pozn"}));
    const auto cardRows = readBack(target, "Hdok");
    ASSERT_EQ(cardRows.size(), 2);
    EXPECT_EQ(cardRows[1][1], QVariant(6));
    EXPECT_EQ(cardRows[1][16], QVariant(false));
    EXPECT_EQ(cardRows[1][18], QVariant("N"));
    const auto common = readBack(target, "Hspl");
    ASSERT_EQ(common.size(), 1);
    EXPECT_EQ(common[0][29], QVariant(1));  // Cislo: the next card number of a new firm
    EXPECT_EQ(common[0][21], QVariant(1));  // Ko

    const TableImport::Results reg = TableImport::importRegister(source, target);
    EXPECT_EQ(reg[0].defaultedFields, QStringList({"Pozice"}));
    EXPECT_EQ(reg[1].how, TableImport::TableResult::How::Missing);  // Uziv
    const auto firms = readBack(target, "Data");
    ASSERT_EQ(firms.size(), 2);
    EXPECT_EQ(firms[0], (QVector<QVariant>{1, 1, "Les u Brna", "D1"}));
    EXPECT_EQ(firms[1], (QVector<QVariant>{3, 3, "Bor", "D3"}));
}

// A value our tables cannot hold fails the whole import with the record named; the target's
// tables stay exactly as they were and nothing of the attempt is left behind.
TEST_F(ParadoxImport, RefusedValueLeavesTheTargetUntouched) {
    struct Case {
        const char* what;
        QVector<QVector<QVariant>> rows;
        const char* message;
    };
    const Case cases[] = {
        {"duplicate registration number",
         {{1, 5}, {2, 6}, {3, 5}},
         "Záznam č. 3 tabulky Hdok nelze uložit: hodnota 5 pole 'Číslo' je již v záznamu č. 1."},
        {"code longer than our field",
         {{1, 5, "ABCDEFG"}},
         "Záznam č. 1 tabulky Hdok nelze uložit: Text je pro pole 'Kdh' příliš dlouhý"},
    };
    // An earlier layout with a wider code field than ours.
    QVector<test::PxField> wide = test::paradoxLayout("Hdok");
    wide[2].length = 10;
    storage::TemplateSet::createFirmTables(target);
    const QByteArray before = fingerprint(target);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(test::writeParadoxTable(source + "Hdok.DB", {wide, c.rows, "", 1250}));
        ASSERT_TRUE(
            test::writeParadoxTable(source + "Hdatl.DB", {test::paradoxLayout("Hdatl"), {{1, "K", "Kout"}}, "", 1250}));
        try {
            TableImport::importFirmDirectory(source, target);
            ADD_FAILURE() << "the import succeeded";
        } catch (const EDatabaseError& e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.message))) << e.message().toStdString();
            EXPECT_TRUE(e.message().startsWith("Tabulku " + QDir::toNativeSeparators(source + "Hdok.DB")));
        }
        EXPECT_EQ(fingerprint(target), before);
    }
}

// Which tables are ours, which are Paradox tables, and which are neither; tables of ours are
// copied as they are.
TEST_F(ParadoxImport, TablesAreRecognisedByTheirHeader) {
    storage::TemplateSet::createFirmTables(source);
    ASSERT_TRUE(
        test::writeParadoxTable(tmp.path() + "px.DB", {test::paradoxLayout("Hdatl"), {{1, "A", "B"}}, "1", 1250}));
    QFile junk(tmp.path() + "junk.DB");
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'x'));
    junk.close();
    QFile::copy(tmp.path() + "px.DB", tmp.path() + "short.DB");
    QFile::resize(tmp.path() + "short.DB", 0x700);  // the header cut off

    using interchange::TableFileKind;
    EXPECT_EQ(interchange::tableFileKind(source + "Hdok.DB"), TableFileKind::Ours);
    EXPECT_EQ(interchange::tableFileKind(tmp.path() + "px.DB"), TableFileKind::Paradox);
    EXPECT_EQ(interchange::tableFileKind(tmp.path() + "junk.DB"), TableFileKind::Unknown);
    EXPECT_EQ(interchange::tableFileKind(tmp.path() + "short.DB"), TableFileKind::Unknown);
    EXPECT_EQ(interchange::tableFileKind(tmp.path() + "none.DB"), TableFileKind::Missing);

    const TableImport::Results copied = TableImport::importFirmDirectory(source, target);
    for (const TableImport::TableResult& r : copied) EXPECT_EQ(r.how, TableImport::TableResult::How::Copied);
    for (const QString& f : storage::dataFileList()) {
        QFile a(source + f), b(target + f);
        ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly)) << f.toStdString();
        EXPECT_EQ(a.readAll(), b.readAll()) << f.toStdString();
    }

    QFile::copy(tmp.path() + "junk.DB", source + "Uziv.DB");
    EXPECT_THROW(TableImport::importRegister(source, target), EDatabaseError);
}
