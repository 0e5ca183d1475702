// Statements the program sends to the card table, and how they bind and evaluate.

#include <gtest/gtest.h>

#include <optional>

#include "SqlExpression.h"
#include "SqlQuote.h"
#include "SqlStatement.h"
#include "SqlTestSupport.h"
#include "Win1250.h"

using namespace engine::sql;
using sqltest::cardLayout;
using sqltest::matching;
using sqltest::Row;
using sqltest::sqlErrorOf;

namespace {

Statement bound(const QString& text) {
    Statement s = Statement::parse(text);
    s.bind(cardLayout());
    return s;
}

int field(const char* name) {
    return cardLayout().indexOf(QString::fromUtf8(name));
}

QVector<int> matchingRows(const Statement& s, const QVector<Row>& rows) {
    return matching(rows, [&](const Row& r) { return s.matches(r); });
}

}  // namespace

TEST(SqlQuote, DoublesEmbeddedQuotesAndReadsBackUnchanged) {
    EXPECT_EQ(quoteLiteral("abc"), "\"abc\"");
    EXPECT_EQ(quoteLiteral(""), "\"\"");
    EXPECT_EQ(quoteLiteral("a\"b"), "\"a\"\"b\"");

    // Whatever the user types, comparing with the quoted text finds exactly that text.
    const QStringList texts = {"Pod \"Skalou\"", "\"", "\"\"", "x\" or Lk <> \"", "O'Neil", "a\nb", "100 %"};
    for (const QString& text : texts) {
        const Statement s = bound("Select * from Hdok where Lk = " + quoteLiteral(text));
        EXPECT_TRUE(s.matches(Row{{"Lk", text}})) << text.toStdString();
        EXPECT_FALSE(s.matches(Row{{"Lk", text + "x"}})) << text.toStdString();
        EXPECT_FALSE(s.matches(Row{{"Lk", "jiné"}})) << text.toStdString();
    }
}

TEST(SqlStatement, SelectRangeComparesQuotedNumbersNumerically) {
    const Statement s = bound(R"(Select * from Hdok where Evc >= "10" and Evc <= "20" order by Evc)");
    EXPECT_EQ(s.kind(), StatementKind::Select);
    EXPECT_EQ(s.tableName(), "Hdok");
    EXPECT_FALSE(s.distinct());
    QVector<int> all;
    for (int i = 0; i < cardLayout().fields.size(); ++i) all.append(i);
    EXPECT_EQ(s.selectedFields(), all);
    EXPECT_EQ(s.orderBy(), (QVector<OrderTerm>{{field("Evc"), false}}));

    // As text, "9" and "100" would fall inside the range and "10" < "9".
    const QVector<Row> rows = {{{"Evc", 9}},  {{"Evc", 10}},  {{"Evc", 15}},  {{"Evc", 20}},
                               {{"Evc", 21}}, {{"Evc", 100}}, {{"Evc", -15}}, Row{}};
    EXPECT_EQ(matchingRows(s, rows), (QVector<int>{1, 2, 3}));
}

TEST(SqlStatement, DistinctLocalityListOverSeveralLines) {
    const Statement s = bound("Select distinct Lk, Nla, Nce from Hdok where Lk = \"Hradiště\"\norder by Nla");
    EXPECT_TRUE(s.distinct());
    EXPECT_EQ(s.selectedFields(), (QVector<int>{field("Lk"), field("Nla"), field("Nce")}));
    EXPECT_EQ(s.orderBy(), (QVector<OrderTerm>{{field("Nla"), false}}));
    const QVector<Row> rows = {{{"Lk", "Hradiště"}}, {{"Lk", "hradiště"}}, {{"Lk", "Hradiště "}}, Row{}};
    EXPECT_EQ(matchingRows(s, rows), (QVector<int>{0}));

    const Statement byNce = bound("Select distinct Lk, Nla, Nce from Hdok where Lk = \"Hradiště\"\r\norder by Nce");
    EXPECT_EQ(byNce.orderBy(), (QVector<OrderTerm>{{field("Nce"), false}}));

    const Statement noWhere = bound("Select distinct Lk, Nla, Nce from Hdok\norder by Nla");
    EXPECT_FALSE(noWhere.hasWhere());
    EXPECT_TRUE(noWhere.matches(Row{}));
    EXPECT_EQ(noWhere.orderBy(), (QVector<OrderTerm>{{field("Nla"), false}}));
}

TEST(SqlStatement, OrderByDirectionsAndTableSuffix) {
    const Statement s = bound("SELECT nla FROM Hdok.DB ORDER BY Evc DESC, nla asc, D;");
    EXPECT_EQ(s.tableName(), "Hdok");
    EXPECT_EQ(s.selectedFields(), (QVector<int>{field("Nla")}));
    EXPECT_EQ(s.orderBy(), (QVector<OrderTerm>{{field("Evc"), true}, {field("Nla"), false}, {field("D"), false}}));
    EXPECT_EQ(Statement::parse("select * from \"hdok.db\"").tableName(), "hdok");
}

TEST(SqlStatement, MarkingUpdates) {
    for (const char* mark : {"N", "A"}) {
        const Statement s = bound(QStringLiteral("Update Hdok set Neh = \"%1\"").arg(mark));
        EXPECT_EQ(s.kind(), StatementKind::Update);
        EXPECT_EQ(s.tableName(), "Hdok");
        EXPECT_EQ(s.updateField(), field("Neh"));
        EXPECT_EQ(s.updateValue(), QVariant(QString(mark)));
        EXPECT_TRUE(s.matches(Row{}));
    }
}

TEST(SqlStatement, UpdateValuesTakeTheFieldsType) {
    EXPECT_EQ(bound("Update Hdok set Neh = \"\"").updateValue(), QVariant());
    EXPECT_EQ(bound("Update Hdok set Evc = \"42\"").updateValue(), QVariant(42));
    EXPECT_EQ(bound("Update Hdok set Evc = -7").updateValue(), QVariant(-7));
    EXPECT_EQ(bound("Update Hdok set Kdh = 123").updateValue(), QVariant(QString("123")));
    EXPECT_EQ(bound("Update Hdok set D = '5.3.2001'").updateValue(), QVariant(QDate(2001, 3, 5)));
    EXPECT_EQ(bound("Update Hdok set Pdh = TRUE").updateValue(), QVariant(true));
    EXPECT_EQ(bound("Update Hdok set Pdl = 'f'").updateValue(), QVariant(false));
    EXPECT_EQ(bound("Update Hdok set Pdl = ''").updateValue(), QVariant());
}

TEST(SqlStatement, UpdateRejectsValuesTheFieldCannotHold) {
    EXPECT_TRUE(sqlErrorOf([] { bound("Update Hdok set Neh = \"AB\""); }).contains("Neh"));
    EXPECT_TRUE(sqlErrorOf([] { bound("Update Hdok set Evc = \"abc\""); }).contains("Evc"));
    EXPECT_TRUE(sqlErrorOf([] { bound("Update Hdok set Evc = 2147483648"); }).contains("rozsah"));
    EXPECT_TRUE(sqlErrorOf([] { bound("Update Hdok set ID = 5"); }).contains("ID"));
    EXPECT_TRUE(sqlErrorOf([] { bound("Update Hdok set D = '31.2.2001'"); }).contains("D"));
    EXPECT_TRUE(sqlErrorOf([] { bound("Update Hdok set Pdh = 1"); }).contains("Pdh"));
    EXPECT_TRUE(sqlErrorOf([] { bound("Update Hdok set Nla = TRUE"); }).contains("Nla"));
    EXPECT_TRUE(sqlErrorOf([] { bound(QString::fromUtf8("Update Hdok set Nla = \"ж\"")); }).contains("Nla"));
    sqlErrorOf([] { bound("Update Hdok set Neh = \"A\", Lk = \"B\""); });
}

TEST(SqlStatement, ReportsMalformedStatements) {
    EXPECT_TRUE(sqlErrorOf([] { Statement::parse("Select * from Hdok where Lk = \"Hrad"); }).contains("Neukončený"));
    EXPECT_TRUE(sqlErrorOf([] { Statement::parse("Delete from Hdok"); }).contains("'Delete'"));
    EXPECT_TRUE(sqlErrorOf([] { Statement::parse("Select * form Hdok"); }).contains("'form'"));
    EXPECT_TRUE(sqlErrorOf([] { Statement::parse("Select * from Hdok xyz"); }).contains("'xyz'"));
    EXPECT_TRUE(sqlErrorOf([] { Statement::parse("Update Hdok set Neh = \"A\" where"); }).contains("konec"));
    EXPECT_TRUE(
        sqlErrorOf([] { Statement::parse("Select * from Hdok order by Nla where Evc = 1"); }).contains("'where'"));
    EXPECT_TRUE(sqlErrorOf([] { Statement::parse("Select from Hdok"); }).contains("'from'"));
    EXPECT_TRUE(sqlErrorOf([] { Statement::parse("Select * from Hdok.txt"); }).contains("'txt'"));
    EXPECT_TRUE(sqlErrorOf([] { Statement::parse("Select * from Hdok where Evc = 1 ;;"); }).contains("';'"));
    sqlErrorOf([] { Statement::parse("   \n "); });

    // Parsing does not need the table; unknown names surface when binding.
    Statement s = Statement::parse("Select Lk, Xyz from Hdok");
    EXPECT_EQ(sqlErrorOf([&] { s.bind(cardLayout()); }), QString::fromUtf8("Neznámé pole 'Xyz'."));
    EXPECT_FALSE(s.isBound());
    sqlErrorOf([&] { s.matches(Row{}); });
    EXPECT_TRUE(sqlErrorOf([] { bound("Select * from Hdok order by Xyz"); }).contains("Xyz"));
    EXPECT_TRUE(sqlErrorOf([] { bound("Select * from Hdok where Xyz = 1"); }).contains("Xyz"));
    EXPECT_TRUE(sqlErrorOf([] { bound("Update Hdok set Xyz = 1"); }).contains("Xyz"));
}

TEST(SqlStatement, IsMovable) {
    std::vector<Statement> statements;
    statements.push_back(Statement::parse("Select * from Hdok where Neh = 'A'"));
    statements.push_back(Statement::parse("Update Hdok set Neh = 'N'"));
    Statement s = std::move(statements.front());
    s.bind(cardLayout());
    EXPECT_TRUE(s.matches(Row{{"Neh", "A"}}));
    EXPECT_FALSE(s.matches(Row{{"Neh", "N"}}));
}

// ---- The extended search: a marking update built from up to five criteria -------------------

namespace {

struct SearchCriteria {
    bool anywhere = false;  // texts may start anywhere in the value, not only at its start
    std::optional<QString> nla, nce, lk;
    std::optional<std::pair<int, int>> evc;
    std::optional<std::pair<QDate, QDate>> date;
};

// Builds the statement the way the search dialog does, line by line.
QString buildMarkingUpdate(const SearchCriteria& c) {
    const QString prefix = c.anywhere ? "%" : "";
    auto like = [&](const char* f, const QString& text) {
        return QStringLiteral(" Upper(%1) like %2").arg(f, quoteLiteral(prefix + engine::Win1250::upper(text) + "%"));
    };
    QStringList criteria;
    if (c.nla) criteria << like("Nla", *c.nla);
    if (c.nce) criteria << like("Nce", *c.nce);
    if (c.lk) criteria << like("Lk", *c.lk);
    if (c.evc) {
        criteria << QStringLiteral(" Evc >= %1 and Evc <= %2")
                        .arg(quoteLiteral(QString::number(c.evc->first)), quoteLiteral(QString::number(c.evc->second)));
    }
    if (c.date) {
        criteria << QStringLiteral(" D >= %1 and D <= %2")
                        .arg(quoteLiteral(c.date->first.toString("dd.MM.yyyy")),
                             quoteLiteral(c.date->second.toString("dd.MM.yyyy")));
    }
    QStringList lines = {"Update Hdok set Neh = \"A\""};
    if (!criteria.isEmpty()) lines << " where";
    for (int i = 0; i < criteria.size(); ++i) lines << (i == 0 ? "" : " and") + criteria[i];
    return lines.join('\n');
}

// What the search means, computed directly.
bool expectedMatch(const SearchCriteria& c, const Row& row, const engine::TableLayout& layout) {
    auto text = [&](const char* f, const std::optional<QString>& wanted) {
        if (!wanted) return true;
        const QString value = row.value(layout.indexOf(f)).toString();
        if (value.isEmpty()) return false;
        const QString v = engine::Win1250::upper(value), w = engine::Win1250::upper(*wanted);
        return c.anywhere ? v.contains(w) : v.startsWith(w);
    };
    if (!text("Nla", c.nla) || !text("Nce", c.nce) || !text("Lk", c.lk)) return false;
    if (c.evc) {
        const QVariant v = row.value(layout.indexOf("Evc"));
        if (!v.isValid() || v.toInt() < c.evc->first || v.toInt() > c.evc->second) return false;
    }
    if (c.date) {
        const QDate d = row.value(layout.indexOf("D")).toDate();
        if (!d.isValid() || d < c.date->first || d > c.date->second) return false;
    }
    return true;
}

QVector<Row> searchRows() {
    const QString skalou = "Pod \"Skalou\"";
    auto card = [&](QVariant nla, QVariant nce, QVariant lk, QVariant evc, QVariant d) {
        return Row{{"Nla", nla}, {"Nce", nce}, {"Lk", lk}, {"Evc", evc}, {"D", d}, {"Neh", "N"}};
    };
    const QDate d = QDate(2000, 6, 1);
    return {
        card("Černá helmovka", "Hřib", skalou, 15, d),  // meets every criterion
        card("černá", "hřib smrkový", skalou + " u lesa", 10, QDate(2000, 1, 1)),
        card("Helmovka černá", "Hřib", skalou, 15, d),  // name only somewhere inside
        card(QVariant(), "Hřib", skalou, 15, d),
        card("Černá helmovka", "Pravý hřib", skalou, 15, d),
        card("Černá helmovka", "Hřib", "Pod ", 15, d),
        card("Černá helmovka", "Hřib", "U lesa pod \"skalou\"", 15, d),
        card("Černá helmovka", "Hřib", "Pod \"Skalou\" or 1", 20, QDate(2001, 12, 31)),
        card("Černá helmovka", "Hřib", skalou, 9, d),
        card("Černá helmovka", "Hřib", skalou, 100, d),
        card("Černá helmovka", "Hřib", skalou, 21, d),
        card("Černá helmovka", "Hřib", skalou, QVariant(), d),
        card("Černá helmovka", "Hřib", skalou, 15, QDate(2002, 1, 1)),
        card("Černá helmovka", "Hřib", skalou, 15, QDate(1999, 12, 31)),
        card("Černá helmovka", "Hřib", skalou, 15, QVariant()),
        card("Cerna", "Hrib", "Pod Skalou", 15, d),  // no diacritics: fails every text criterion
    };
}

}  // namespace

TEST(SqlExtendedSearch, EveryCombinationOfCriteria) {
    const engine::TableLayout layout = cardLayout();
    const QVector<Row> rows = searchRows();
    for (const bool anywhere : {false, true}) {
        for (int mask = 0; mask < 32; ++mask) {
            SearchCriteria c;
            c.anywhere = anywhere;
            if (mask & 1) c.nla = "čern";
            if (mask & 2) c.nce = "hřib";
            if (mask & 4) c.lk = "Pod \"Skalou\"";
            if (mask & 8) c.evc = {10, 20};
            if (mask & 16) c.date = {QDate(2000, 1, 1), QDate(2001, 12, 31)};
            const QString text = buildMarkingUpdate(c);
            SCOPED_TRACE(text.toStdString());

            Statement s = Statement::parse(text);
            s.bind(layout);
            EXPECT_EQ(s.kind(), StatementKind::Update);
            EXPECT_EQ(s.updateField(), layout.indexOf("Neh"));
            EXPECT_EQ(s.updateValue(), QVariant(QString("A")));
            EXPECT_EQ(s.hasWhere(), mask != 0);

            const QVector<int> expected = matching(rows, [&](const Row& r) { return expectedMatch(c, r, layout); });
            EXPECT_EQ(matchingRows(s, rows), expected);
            EXPECT_TRUE(expected.contains(0));
            if (mask != 0) {
                EXPECT_LT(expected.size(), rows.size());
            }
        }
    }
}

TEST(SqlExtendedSearch, QuotesInUserTextStayLiteral) {
    // A text crafted to close the literal and widen the condition must only ever be searched for.
    SearchCriteria c;
    c.lk = "x\" or Upper(Lk) like \"";
    const Statement s = bound(buildMarkingUpdate(c));
    EXPECT_FALSE(s.matches(Row{{"Lk", "Hradiště"}}));
    EXPECT_TRUE(s.matches(Row{{"Lk", "X\" or Upper(Lk) like \" and more"}}));
}
