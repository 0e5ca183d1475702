// The program's statements run on a real card table: selections with ranges, DISTINCT and the
// Czech order, and the marking updates of the extended search, checked against the cards as
// this test knows them.

#include <gtest/gtest.h>

#include <QCollator>
#include <QSet>
#include <algorithm>
#include <optional>

#include "EngineFixture.h"
#include "SqlQuote.h"
#include "TableLayouts.h"

using engine::sql::quoteLiteral;

namespace {

struct Fungus {
    const char* nla;
    const char* ato;
    const char* nce;
};

const Fungus kFungi[] = {
    {"Boletus edulis", "Bull.", "Hřib smrkový"},
    {"Boletus reticulatus", "Schaeff.", "Hřib dubový"},
    {"Amanita muscaria", "(L.) Lam.", "Muchomůrka červená"},
    {"Cantharellus cibarius", "Fr.", "Liška obecná"},
    {"Craterellus cornucopioides", "(L.) Pers.", "Stroček trubkovitý"},
    {"Chroogomphus rutilus", "(Schaeff.) O.K. Mill.", "Slizák mazlavý"},
    {"Helvella crispa", "(Scop.) Fr.", "Chřapáč kadeřavý"},
    {"Tuber melanosporum", "Vittad.", "Lanýž černý"},
    {"Auricularia auricula-judae", "(Bull.) Quél.", "Černé ucho"},
    {"Macrolepiota procera", "(Scop.) Singer", "Bedla vysoká"},
};

const QStringList kLocalities = {"Hradiště",       "Chlum",      "Černá hora",       "Cejl",  "Ivanovice",
                                 "Pod \"Skalou\"", "Pod Skalou", "Žďár nad Sázavou", "Ostrov"};

// A card as the test knows it.
struct Card {
    int evc = 0;
    QString nla, ato, nce, lk;
    QDate d;
};

int compareCzech(const QString& a, const QString& b) {
    static const QCollator collator = [] {
        QCollator c{QLocale(QLocale::Czech, QLocale::CzechRepublic)};
        c.setCaseSensitivity(Qt::CaseSensitive);
        return c;
    }();
    if (a.isEmpty() || b.isEmpty()) return int(!a.isEmpty()) - int(!b.isEmpty());  // NULL first
    return collator.compare(a, b);
}

// One row of a "Lk, Nla, Nce" result.
struct Triple {
    QString lk, nla, nce;
    bool operator==(const Triple&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Triple& t) {
    return os << (t.lk + " | " + t.nla + " | " + t.nce).toStdString();
}

// What the extended search asks for.
struct Search {
    bool anywhere = false;
    std::optional<QString> nla, nce, lk;
    std::optional<std::pair<int, int>> evc;
    std::optional<std::pair<QDate, QDate>> date;
};

class QueryTest : public EngineFixture {
protected:
    void SetUp() override {
        const storage::TableDefinition hdok = storage::hdokTable();
        TTable::CreateTable(dir.path(), hdok.name, hdok.layout, hdok.indexes, kPassword);
        // Thirty cards: the first 25 spread over fungi, localities and dates; the last five
        // repeat the fungus and locality of the first five (duplicates for DISTINCT); one card
        // has no date and one no locality.
        for (int i = 0; i < 30; ++i) {
            const int base = i < 25 ? i : i - 25;
            const Fungus& f = kFungi[(base * 3) % 10];
            Card c;
            c.evc = i + 1;
            c.nla = QString::fromUtf8(f.nla);
            c.ato = QString::fromUtf8(f.ato);
            c.nce = QString::fromUtf8(f.nce);
            c.lk = i == 24 ? QString() : kLocalities[(base * 5 + base / 9) % kLocalities.size()];
            c.d = i == 23 ? QDate() : QDate(2015, 3, 1).addDays(i * 53);
            cards.push_back(c);
        }
        auto t = table("Hdok");
        t->Open();
        for (const Card& c : cards) {
            t->Append();
            t->FieldByName("Evc")->setAsInteger(c.evc);
            t->FieldByName("Nla")->setAsString(c.nla);
            t->FieldByName("Ato")->setAsString(c.ato);
            t->FieldByName("Nce")->setAsString(c.nce);
            t->FieldByName("Lk")->setAsString(c.lk);
            t->FieldByName("D")->setAsDate(c.d);
            t->FieldByName("Neh")->setAsString("N");
            t->Post();
        }
    }

    std::unique_ptr<TQuery> query(const QStringList& sql) {
        auto q = std::make_unique<TQuery>();
        q->setDatabase(&db);
        q->SQL = sql;
        return q;
    }

    static QList<Triple> triples(TDataSet& q) {
        QList<Triple> out;
        for (q.First(); !q.Eof(); q.Next()) {
            out << Triple{q.FieldByName("Lk")->AsString(), q.FieldByName("Nla")->AsString(),
                          q.FieldByName("Nce")->AsString()};
        }
        return out;
    }

    // The distinct "Lk, Nla, Nce" of the cards for which `pick` holds, sorted by `key`.
    QList<Triple> expectedTriples(const std::function<bool(const Card&)>& pick, QString Triple::*key) const {
        QList<Triple> out;
        for (const Card& c : cards) {
            const Triple t{c.lk, c.nla, c.nce};
            if (pick(c) && !out.contains(t)) out << t;
        }
        std::stable_sort(out.begin(), out.end(),
                         [&](const Triple& a, const Triple& b) { return compareCzech(a.*key, b.*key) < 0; });
        return out;
    }

    // The marking update, line by line as the search dialog puts it together.
    static QStringList markingUpdate(const Search& s) {
        const QString lead = s.anywhere ? "%" : "";
        auto like = [&](const char* field, const QString& text) {
            return QStringLiteral("Upper(%1) like %2").arg(field, quoteLiteral(lead + text.toUpper() + "%"));
        };
        QStringList criteria;
        if (s.nla) criteria << like("Nla", *s.nla);
        if (s.nce) criteria << like("Nce", *s.nce);
        if (s.lk) criteria << like("Lk", *s.lk);
        if (s.evc) {
            criteria << QStringLiteral("Evc >= \"%1\" and Evc <= \"%2\"").arg(s.evc->first).arg(s.evc->second);
        }
        if (s.date) {
            criteria << QStringLiteral("D >= \"%1\" and D <= \"%2\"")
                            .arg(s.date->first.toString("dd.MM.yyyy"), s.date->second.toString("dd.MM.yyyy"));
        }
        QStringList lines = {"Update Hdok set Neh = \"A\""};
        if (!criteria.isEmpty()) lines << " where";
        for (int i = 0; i < criteria.size(); ++i) lines << (i == 0 ? " " : " and ") + criteria[i];
        return lines;
    }

    // The cards the search means, worked out directly.
    QList<int> expectedMarks(const Search& s) const {
        auto text = [&](const QString& value, const std::optional<QString>& wanted) {
            if (!wanted) return true;
            if (value.isEmpty()) return false;
            const QString v = value.toUpper(), w = wanted->toUpper();
            return s.anywhere ? v.contains(w) : v.startsWith(w);
        };
        QList<int> out;
        for (const Card& c : cards) {
            if (!text(c.nla, s.nla) || !text(c.nce, s.nce) || !text(c.lk, s.lk)) continue;
            if (s.evc && (c.evc < s.evc->first || c.evc > s.evc->second)) continue;
            if (s.date && (!c.d.isValid() || c.d < s.date->first || c.d > s.date->second)) continue;
            out << c.evc;
        }
        return out;
    }

    static QList<int> evcs(TDataSet& t) {
        QList<int> out;
        for (t.First(); !t.Eof(); t.Next()) out << t.FieldByName("Evc")->AsInteger();
        return out;
    }

    std::vector<Card> cards;
};

int sqlCodeOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const EDBEngineError& e) {
        return e.errorCode();
    } catch (const EDatabaseError&) {
        return -1;
    }
    return 0;
}

}  // namespace

// ---- selections ------------------------------------------------------------------------------

using QuerySelect = QueryTest;

TEST_F(QuerySelect, NumberRangeInNumericOrder) {
    auto q = query({"Select * from Hdok where Evc >= \"10\" and Evc <= \"20\" order by Evc"});
    q->Open();
    EXPECT_EQ(q->Fields().size(), storage::hdokTable().layout.fields.size());
    EXPECT_EQ(q->RecordCount(), 11);
    EXPECT_TRUE(q->Bof());
    int expected = 10;
    for (q->First(); !q->Eof(); q->Next(), ++expected) {
        const Card& c = cards[size_t(expected - 1)];
        EXPECT_EQ(q->FieldByName("Evc")->AsInteger(), expected);
        EXPECT_EQ(q->FieldByName("Nla")->AsString(), c.nla);
        EXPECT_EQ(q->FieldByName("Ato")->AsString(), c.ato);
        EXPECT_EQ(q->FieldByName("Lk")->AsString(), c.lk);
        EXPECT_EQ(q->FieldByName("D")->AsDate(), c.d);
        EXPECT_EQ(q->RecNo(), expected - 9);
    }
    EXPECT_EQ(expected, 21);
    EXPECT_EQ(q->FieldByName("ID")->DataType(), engine::FieldType::Integer);

    // The result can be searched and filtered, but not changed.
    EXPECT_TRUE(q->Locate("Evc", 15));
    EXPECT_EQ(q->RecNo(), 6);
    q->setFilter("Evc > 18");
    q->setFiltered(true);
    EXPECT_EQ(evcs(*q), (QList<int>{19, 20}));
    EXPECT_FALSE(q->CanModify());
    EXPECT_THROW(q->Edit(), EDatabaseError);
    EXPECT_THROW(q->Append(), EDatabaseError);
    EXPECT_THROW(q->Delete(), EDatabaseError);
    q->setFiltered(false);

    // The result is read when the query runs; Refresh reads it again.
    auto t = table("Hdok");
    t->Open();
    ASSERT_TRUE(t->Locate("Evc", 10));
    t->Delete();
    EXPECT_EQ(q->RecordCount(), 11);
    q->Refresh();
    EXPECT_EQ(q->RecordCount(), 10);
    q->First();
    EXPECT_EQ(q->FieldByName("Evc")->AsInteger(), 11);
}

TEST_F(QuerySelect, DistinctNamesOfOneLocalityInCzechOrder) {
    bool sawDuplicates = false;
    for (const QString& lk : kLocalities + QStringList{"Neexistující"}) {
        SCOPED_TRACE(lk.toStdString());
        auto pick = [&](const Card& c) { return c.lk == lk; };
        for (const auto& [orderLine, key] :
             {std::pair{"order by Nla", &Triple::nla}, std::pair{"order by Nce", &Triple::nce}}) {
            auto q = query({"Select distinct Lk, Nla, Nce from Hdok where Lk = " + quoteLiteral(lk), orderLine});
            q->Open();
            EXPECT_EQ(q->Fields().size(), 3);
            const QList<Triple> rows = triples(*q);
            EXPECT_EQ(rows, expectedTriples(pick, key)) << orderLine;
            const auto raw = std::count_if(cards.begin(), cards.end(), pick);
            sawDuplicates = sawDuplicates || raw > rows.size();
        }
    }
    EXPECT_TRUE(sawDuplicates);
}

TEST_F(QuerySelect, DistinctOverTheWholeTable) {
    // Czech order of the names, written out: "ch" after "h", "č" after "c".
    const QStringList nlaOrder = {"Amanita muscaria",    "Auricularia auricula-judae", "Boletus edulis",
                                  "Boletus reticulatus", "Cantharellus cibarius",      "Craterellus cornucopioides",
                                  "Helvella crispa",     "Chroogomphus rutilus",       "Macrolepiota procera",
                                  "Tuber melanosporum"};
    const QStringList nceOrder = {"Bedla vysoká",     "Černé ucho",        "Hřib dubový",  "Hřib smrkový",
                                  "Chřapáč kadeřavý", "Lanýž černý",       "Liška obecná", "Muchomůrka červená",
                                  "Slizák mazlavý",   "Stroček trubkovitý"};
    struct Case {
        const char* orderLine;
        QString Triple::*key;
        QStringList names;
    };
    const Case cases[] = {{"order by Nla", &Triple::nla, nlaOrder},
                          {"order by Nce", &Triple::nce, nceOrder},
                          {"order by Lk", &Triple::lk, {}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.orderLine);
        auto q = query({"Select distinct Lk, Nla, Nce from Hdok", c.orderLine});
        q->Open();
        const QList<Triple> rows = triples(*q);
        const QList<Triple> expected = expectedTriples([](const Card&) { return true; }, c.key);
        EXPECT_EQ(rows.size(), expected.size());
        EXPECT_LT(rows.size(), int(cards.size()));
        for (const Triple& t : expected) EXPECT_TRUE(rows.contains(t)) << t;
        for (int i = 1; i < rows.size(); ++i) EXPECT_LE(compareCzech(rows[i - 1].*c.key, rows[i].*c.key), 0) << rows[i];
        if (!c.names.isEmpty()) {
            QStringList seen;
            for (const Triple& t : rows) {
                if (seen.isEmpty() || seen.last() != t.*c.key) seen << t.*c.key;
            }
            EXPECT_EQ(seen, c.names);
        } else {
            EXPECT_EQ(rows.first().lk, "");  // the card without a locality comes first
        }
    }
}

TEST_F(QuerySelect, ReportsWhatCannotRun) {
    EXPECT_EQ(sqlCodeOf([&] { query({"Select * from Nic"})->Open(); }), EngineErrorCode::FileNotFound);
    EXPECT_EQ(sqlCodeOf([&] { query({"Select Nic from Hdok"})->Open(); }), EngineErrorCode::SqlError);
    EXPECT_EQ(sqlCodeOf([&] { query({"Select * from Hdok where Evc >= \"deset\""})->Open(); }),
              EngineErrorCode::SqlError);
    EXPECT_EQ(sqlCodeOf([&] { query({"Select * Hdok"})->Open(); }), EngineErrorCode::SqlError);
    EXPECT_EQ(sqlCodeOf([&] { query({"Update Hdok set Neh = \"A\""})->Open(); }), EngineErrorCode::SqlError);
    EXPECT_EQ(sqlCodeOf([&] { query({"Update Hdok set Neh = \"AB\""})->ExecSQL(); }), EngineErrorCode::SqlError);
    TQuery noDatabase;
    noDatabase.SQL << "Select * from Hdok";
    EXPECT_EQ(sqlCodeOf([&] { noDatabase.Open(); }), -1);
    EXPECT_FALSE(noDatabase.Active());
    // Nothing was changed by the failed statements.
    auto t = table("Hdok");
    t->Open();
    t->setFilter("Neh = 'N'");
    t->setFiltered(true);
    EXPECT_EQ(t->RecordCount(), 30);
}

// ---- marking updates -------------------------------------------------------------------------

using QueryUpdate = QueryTest;

TEST_F(QueryUpdate, CountsOnlyTheRecordsItChanges) {
    auto reset = query({"Update Hdok set Neh = \"N\""});
    reset->ExecSQL();
    EXPECT_EQ(reset->RowsAffected(), 0);  // every card holds "N" already

    auto t = table("Hdok");
    t->Open();
    for (int evc : {3, 17, 28}) {
        ASSERT_TRUE(t->Locate("Evc", evc));
        t->Edit();
        t->FieldByName("Neh")->setAsString("A");
        t->Post();
    }
    reset->ExecSQL();
    EXPECT_EQ(reset->RowsAffected(), 3);
    reset->ExecSQL();
    EXPECT_EQ(reset->RowsAffected(), 0);

    // A unique key the update would duplicate: nothing at all is changed.
    auto clash = query({"Update Hdok set Evc = \"5\" where Evc <= \"3\""});
    EXPECT_EQ(sqlCodeOf([&] { clash->ExecSQL(); }), EngineErrorCode::KeyViolation);
    EXPECT_EQ(evcs(*t).size(), 30);
    t->setIndexFieldNames("Evc");
    EXPECT_EQ(evcs(*t).mid(0, 5), (QList<int>{1, 2, 3, 4, 5}));
}

TEST_F(QueryUpdate, ExtendedSearchMarksExactlyTheMatchingCards) {
    std::vector<Search> searches;
    {
        Search s;  // no criteria: every card
        searches.push_back(s);
        s.lk = "čern";  // upper-cased to "ČERN", matches "Černá hora"
        searches.push_back(s);
        s.nla = "am";  // Amanita there, but not elsewhere
        searches.push_back(s);
        s = Search{};
        s.lk = "Pod \"Skalou\"";  // a quote in the text, not "Pod Skalou"
        searches.push_back(s);
        s.anywhere = true;
        s.lk = "\"skalou\"";
        searches.push_back(s);
        s = Search{};
        s.anywhere = true;
        s.nce = "čern";  // "Lanýž černý" and "Černé ucho"
        searches.push_back(s);
        s.anywhere = false;  // only "Černé ucho"
        searches.push_back(s);
        s = Search{};
        s.nce = "hřib";
        s.evc = {5, 15};
        searches.push_back(s);
        s = Search{};
        s.date = {QDate(2016, 1, 1), QDate(2017, 12, 31)};
        searches.push_back(s);
        s.anywhere = true;
        s.nla = "US";
        s.nce = "Ý";
        s.lk = "o";
        s.evc = {2, 29};
        searches.push_back(s);
        s = Search{};
        s.nla = "Xerocomus";  // nothing
        searches.push_back(s);
    }

    auto sameDb = table("Hdok");  // open all along: shares the records with the statements
    sameDb->setIndexFieldNames("Evc");
    sameDb->setFilter("Neh = 'A'");
    sameDb->setFiltered(true);
    sameDb->Open();
    TDatabase otherDb{&session, "OtherDb"};
    otherDb.Params = db.Params;
    auto other = table("Hdok", &otherDb);  // another connection: sees changes after Refresh
    other->setIndexFieldNames("Evc");
    other->setFilter("Neh = 'A'");
    other->setFiltered(true);
    other->Open();

    int marked = 0;
    int nonTrivial = 0;
    for (const Search& s : searches) {
        const QStringList sql = markingUpdate(s);
        SCOPED_TRACE(sql.join('\n').toStdString());
        auto reset = query({"Update Hdok set Neh = \"N\""});
        reset->ExecSQL();
        EXPECT_EQ(reset->RowsAffected(), marked);

        auto mark = query(sql);
        mark->ExecSQL();
        const QList<int> expected = expectedMarks(s);
        EXPECT_EQ(mark->RowsAffected(), expected.size());
        marked = expected.size();
        if (marked > 0 && marked < int(cards.size())) ++nonTrivial;

        EXPECT_EQ(evcs(*sameDb), expected);  // at once
        sameDb->Refresh();
        EXPECT_EQ(evcs(*sameDb), expected);
        other->Refresh();
        EXPECT_EQ(evcs(*other), expected);
        auto fresh = table("Hdok");
        fresh->setIndexFieldNames("Evc");
        fresh->setFilter("Neh = 'A'");
        fresh->setFiltered(true);
        fresh->Open();
        EXPECT_EQ(evcs(*fresh), expected);
    }
    EXPECT_GE(nonTrivial, 9);

    // Each text criterion on its own picks out what the test expects by name.
    Search s;
    s.lk = "čern";
    for (int evc : expectedMarks(s)) EXPECT_EQ(cards[size_t(evc - 1)].lk, "Černá hora");
    EXPECT_FALSE(expectedMarks(s).isEmpty());
    s = Search{};
    s.lk = "Pod \"Skalou\"";
    for (int evc : expectedMarks(s)) EXPECT_EQ(cards[size_t(evc - 1)].lk, "Pod \"Skalou\"");
    EXPECT_FALSE(expectedMarks(s).isEmpty());
}
