#include <gtest/gtest.h>
#include <zip.h>

#include <QDate>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include "DwcExport.h"
#include "IniFile.h"
#include "TDatabase.h"
#include "TSession.h"
#include "TTable.h"
#include "TablePassword.h"
#include "TempDir.h"
#include "TemplateSet.h"

using interchange::DwcExport;
using interchange::DwcOccurrence;

namespace {

struct Card {
    int evc;
    const char* nla;
    const char* ato;
    const char* sd;
    const char* nmv;
    const char* plo1;
    QDate d;
    const char* neh;
};

const Card kCards[] = {
    {3, "Boletus edulis", "Bull.", "49°12'34.5\"N, 16°34'56.7\"E", "450-480 m", "smrkový\tles\nu cesty",
     QDate(2012, 9, 15), "A"},
    {7, "Amanita muscaria", "", "u rybníka", "520", "", QDate(2011, 8, 1), "N"},
    {12, "Cantharellus cibarius", "Fr.", "", "", "", QDate(), "A"},
    {20, "Russula emetica", "(Schaeff.) Pers.", "50.0875, 14.4214", "cca 300 m n. m.", "", QDate(2013, 6, 2), "N"},
    {-4, "Lactarius", "", "0, 0", "", "", QDate(2010, 1, 2), "A"},
};

// The Darwin Core terms (http://rs.tdwg.org/dwc/terms/) a card may be mapped to.
const QStringList kDarwinCoreTerms = {"occurrenceID",
                                      "basisOfRecord",
                                      "catalogNumber",
                                      "recordedBy",
                                      "eventDate",
                                      "scientificName",
                                      "scientificNameAuthorship",
                                      "vernacularName",
                                      "kingdom",
                                      "identifiedBy",
                                      "country",
                                      "countryCode",
                                      "locality",
                                      "locationID",
                                      "habitat",
                                      "minimumElevationInMeters",
                                      "maximumElevationInMeters",
                                      "verbatimElevation",
                                      "verbatimCoordinates",
                                      "decimalLatitude",
                                      "decimalLongitude",
                                      "geodeticDatum",
                                      "locationRemarks"};

QMap<QString, QByteArray> unzip(const QString& path) {
    QMap<QString, QByteArray> entries;
    int error = 0;
    zip_t* z = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    if (!z) return entries;
    for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(z, zip_uint64_t(i), 0, &st);
        QByteArray data(qsizetype(st.size), '\0');
        zip_file_t* f = zip_fopen_index(z, zip_uint64_t(i), 0);
        zip_fread(f, data.data(), st.size);
        zip_fclose(f);
        entries.insert(QString::fromUtf8(st.name), data);
    }
    zip_close(z);
    return entries;
}

}  // namespace

class DwcExportTest : public ::testing::Test {
protected:
    DwcExportTest() {
        storage::TemplateSet::createFirmTables(firm);
        session.AddPassword(storage::tablePassword());
        TDatabase db(&session, "Fill");
        db.Params = {"PATH=" + firm, "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"};
        TTable t;
        t.setDatabase(&db);
        t.TableName = "Hdok.DB";
        t.Open();
        for (const Card& c : kCards) {
            t.Append();
            t.FieldByName("Evc")->setAsInteger(c.evc);
            t.FieldByName("Nla")->setAsString(c.nla);
            t.FieldByName("Ato")->setAsString(c.ato);
            t.FieldByName("Nce")->setAsString("hřib smrkový");
            t.FieldByName("Lk")->setAsString("Žďár nad Sázavou");
            t.FieldByName("Kdl")->setAsString(c.evc == 3 ? "ZR1" : "");
            t.FieldByName("Cmp")->setAsString(c.evc == 3 ? "6560" : "");
            t.FieldByName("Sd")->setAsString(QString::fromUtf8(c.sd));
            t.FieldByName("Nmv")->setAsString(QString::fromUtf8(c.nmv));
            t.FieldByName("Plo1")->setAsString(QString::fromUtf8(c.plo1));
            t.FieldByName("Le")->setAsString("Jiří Řezáč");
            t.FieldByName("Dt")->setAsString("Petr Šťastný");
            t.FieldByName("D")->setAsDate(c.d);
            t.FieldByName("Neh")->setAsString(c.neh);
            t.Post();
        }
    }

    DwcExport::Result exportCards(DwcExport::Options o) {
        o.outputPath = zipPath;
        return DwcExport::run(firm, firm + "D1.ini", "Moje nálezy", session, o);
    }

    // The lines of occurrence.txt, each split at its tabs.
    QVector<QStringList> rows() {
        const QByteArray text = unzip(zipPath).value("occurrence.txt");
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString decoded = utf8.decode(text);
        EXPECT_FALSE(utf8.hasError());
        QVector<QStringList> out;
        for (const QString& line : decoded.split('\n', Qt::SkipEmptyParts)) out << line.split('\t');
        return out;
    }

    static QString column(const QVector<QStringList>& rows, int row, const QString& term) {
        return rows[row].value(rows[0].indexOf(term));
    }

    TempDir tmp;
    QString firm = tmp.path() + "D1/";
    QString zipPath = tmp.path() + "export.zip";
    TSession session{"DwcSession"};
};

// An export of all cards read back: the archive's three files, meta.xml naming the columns of
// occurrence.txt in order with Darwin Core terms, UTF-8 text, cleaned values, the mapping, the
// cards listed for unreadable coordinates or dates, and occurrenceID the same next time.
TEST_F(DwcExportTest, ArchiveOfAllCardsReadsBack) {
    const DwcExport::Result result = exportCards({});
    EXPECT_EQ(result.written, 5);
    QVector<int> listed;
    for (const auto& p : result.problems) listed << p.evc;
    EXPECT_EQ(listed, QVector<int>({-4, 7, 12}));

    const auto entries = unzip(zipPath);
    EXPECT_EQ(entries.keys(), QStringList({"eml.xml", "meta.xml", "occurrence.txt"}));
    QXmlStreamReader meta(entries.value("meta.xml"));
    QStringList mapped;
    while (!meta.atEnd()) {
        if (meta.readNext() == QXmlStreamReader::StartElement && meta.name() == QLatin1String("field")) {
            EXPECT_EQ(meta.attributes().value("index").toInt(), mapped.size());
            QString term = meta.attributes().value("term").toString();
            EXPECT_TRUE(term.startsWith("http://rs.tdwg.org/dwc/terms/")) << term.toStdString();
            mapped << term.mid(QString("http://rs.tdwg.org/dwc/terms/").size());
        }
    }
    EXPECT_FALSE(meta.hasError());
    const QVector<QStringList> r = rows();
    ASSERT_EQ(r.size(), 6);
    EXPECT_EQ(mapped, r[0]);
    for (const QString& term : mapped) EXPECT_TRUE(kDarwinCoreTerms.contains(term)) << term.toStdString();
    for (const QStringList& line : r) EXPECT_EQ(line.size(), r[0].size());
    EXPECT_TRUE(entries.value("eml.xml").contains("<title>Moje nálezy</title>"));
    EXPECT_TRUE(entries.value("eml.xml").contains("<surName>"));

    // Rows come in Evc order: -4, 3, 7, 12, 20.
    EXPECT_EQ(column(r, 2, "catalogNumber"), "3");
    EXPECT_EQ(column(r, 2, "scientificName"), "Boletus edulis Bull.");
    EXPECT_EQ(column(r, 3, "scientificName"), "Amanita muscaria");
    EXPECT_EQ(column(r, 2, "vernacularName"), "hřib smrkový");
    EXPECT_EQ(column(r, 2, "habitat"), "smrkový les u cesty");
    EXPECT_EQ(column(r, 2, "eventDate"), "2012-09-15");
    EXPECT_EQ(column(r, 2, "decimalLatitude"), "49.209583");
    EXPECT_EQ(column(r, 2, "decimalLongitude"), "16.582417");
    EXPECT_EQ(column(r, 2, "geodeticDatum"), "WGS84");
    EXPECT_EQ(column(r, 2, "minimumElevationInMeters"), "450");
    EXPECT_EQ(column(r, 2, "maximumElevationInMeters"), "480");
    EXPECT_EQ(column(r, 2, "locationID"), "ZR1");
    EXPECT_EQ(column(r, 2, "locationRemarks"), "KFME 6560");
    EXPECT_EQ(column(r, 2, "basisOfRecord"), "PreservedSpecimen");
    EXPECT_EQ(column(r, 2, "countryCode"), "CZ");
    EXPECT_EQ(column(r, 3, "verbatimCoordinates"), "u rybníka");
    EXPECT_EQ(column(r, 3, "decimalLatitude"), "");
    EXPECT_EQ(column(r, 3, "minimumElevationInMeters"), "520");
    EXPECT_EQ(column(r, 5, "minimumElevationInMeters"), "300");
    EXPECT_EQ(column(r, 5, "verbatimElevation"), "cca 300 m n. m.");
    EXPECT_EQ(column(r, 4, "eventDate"), "");

    const QString id = column(r, 2, "occurrenceID");
    EXPECT_TRUE(id.endsWith(":3"));
    exportCards({});
    EXPECT_EQ(column(rows(), 2, "occurrenceID"), id);
    EXPECT_EQ(IniFile(firm + "D1.ini").readString("DarwinCore", "Id") + ":3", id);
    EXPECT_EQ(DwcExport::summary(result),
              "Počet exportovaných nálezů: 5.\nSouřadnice nebo datum se nepodařilo přečíst u 3 nálezů (evidenční "
              "čísla): -4, 7, 12");
    EXPECT_EQ(DwcExport::problemList(result), "-4\tsouřadnice\n7\tsouřadnice\n12\tdatum\n");
}

// Which cards and which columns each choice exports.
TEST_F(DwcExportTest, SelectionAndOptionsExportExactlyTheirCards) {
    struct Case {
        const char* what;
        DwcExport::Selection selection;
        int from, to;
        bool country;
        DwcOccurrence::Basis basis;
        QStringList evcs;
    };
    using S = DwcExport::Selection;
    const auto observed = interchange::DwcOccurrence::Basis::HumanObservation;
    const auto kept = interchange::DwcOccurrence::Basis::PreservedSpecimen;
    const Case cases[] = {
        {"all", S::All, 0, 0, true, kept, {"-4", "3", "7", "12", "20"}},
        {"marked", S::Marked, 0, 0, true, kept, {"-4", "3", "12"}},
        {"range", S::Range, 3, 12, false, observed, {"3", "7", "12"}},
        {"range given backwards", S::Range, 12, 5, true, kept, {"7", "12"}},
        {"range past every card", S::Range, 21, 99, true, kept, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DwcExport::Options o;
        o.selection = c.selection;
        o.evcFrom = c.from;
        o.evcTo = c.to;
        o.country = c.country;
        o.basis = c.basis;
        EXPECT_EQ(exportCards(o).written, c.evcs.size());
        const QVector<QStringList> r = rows();
        QStringList evcs;
        for (int i = 1; i < r.size(); ++i) evcs << column(r, i, "catalogNumber");
        EXPECT_EQ(evcs, c.evcs);
        EXPECT_EQ(r[0].contains("country"), c.country);
        EXPECT_EQ(r[0].contains("countryCode"), c.country);
        if (r.size() > 1) {
            EXPECT_EQ(column(r, 1, "basisOfRecord"), c.basis == observed ? "HumanObservation" : "PreservedSpecimen");
        }
    }
}

// The scientific name is the Latin name with its author, never an author alone.
TEST(DwcOccurrenceTest, ScientificNameJoinsNameAndAuthor) {
    const struct {
        const char* nla;
        const char* ato;
        const char* expected;
    } cases[] = {{"Boletus edulis", "Bull.", "Boletus edulis Bull."},
                 {"Amanita muscaria", "", "Amanita muscaria"},
                 {"", "Fr.", ""}};
    const int column = DwcOccurrence::terms(true).indexOf("scientificName");
    for (const auto& c : cases) {
        interchange::DwcCard card;
        card.nla = c.nla;
        card.ato = c.ato;
        EXPECT_EQ(DwcOccurrence::map(card, {}).values.value(column), c.expected) << c.nla << "|" << c.ato;
    }
}
