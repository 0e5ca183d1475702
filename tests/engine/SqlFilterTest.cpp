// Filter expressions: evaluation rules (types, NULL, text order, LIKE) and error reporting.

#include <gtest/gtest.h>

#include "SqlExpression.h"
#include "SqlTestSupport.h"

using engine::sql::Expression;
using sqltest::cardLayout;
using sqltest::Row;
using sqltest::sqlErrorOf;

namespace {

std::unique_ptr<Expression> filter(const QString& text) {
    return Expression::parseFilter(text, cardLayout());
}

bool eval(const QString& text, const Row& row) {
    return filter(text)->matches(row);
}

// A record source that hands out an empty string instead of QVariant() for a blank field.
class EmptyStringRow : public engine::RowAccessor {
public:
    QVariant value(int) const override { return QVariant(QString("")); }
};

}  // namespace

TEST(SqlFilter, ProgramFilters) {
    auto marked = filter("Neh = 'A'");
    EXPECT_TRUE(marked->matches(Row{{"Neh", "A"}}));
    EXPECT_FALSE(marked->matches(Row{{"Neh", "N"}}));
    EXPECT_FALSE(marked->matches(Row{{"Neh", "a"}}));
    EXPECT_FALSE(marked->matches(Row{}));

    auto markedAbove = filter("Neh = 'A' and Evc > 5");
    EXPECT_TRUE(markedAbove->matches(Row{{"Neh", "A"}, {"Evc", 6}}));
    EXPECT_FALSE(markedAbove->matches(Row{{"Neh", "A"}, {"Evc", 5}}));
    EXPECT_FALSE(markedAbove->matches(Row{{"Neh", "N"}, {"Evc", 6}}));

    auto grouped = filter("(Lk = 'X' or Lk = 'Y') and Pdh = FALSE");
    EXPECT_TRUE(grouped->matches(Row{{"Lk", "X"}, {"Pdh", false}}));
    EXPECT_TRUE(grouped->matches(Row{{"Lk", "Y"}, {"Pdh", false}}));
    EXPECT_FALSE(grouped->matches(Row{{"Lk", "Y"}, {"Pdh", true}}));
    EXPECT_FALSE(grouped->matches(Row{{"Lk", "Z"}, {"Pdh", false}}));
    EXPECT_FALSE(grouped->matches(Row{{"Lk", "X"}}));  // NULL boolean

    // Without parentheses AND binds first.
    auto ungrouped = filter("Lk = 'X' or Lk = 'Y' and Pdh = FALSE");
    EXPECT_TRUE(ungrouped->matches(Row{{"Lk", "X"}, {"Pdh", true}}));
    EXPECT_FALSE(ungrouped->matches(Row{{"Lk", "Y"}, {"Pdh", true}}));

    EXPECT_TRUE(eval("neh = \"A\" AND evc >= 1 Or NOT lk = 'x'", Row{{"Neh", "A"}, {"Evc", 1}, {"Lk", "x"}}));
    EXPECT_TRUE(eval("not not Neh = 'A'", Row{{"Neh", "A"}}));
}

TEST(SqlFilter, NullAndEmptyString) {
    const Row blank{};
    EXPECT_FALSE(eval("Lk <> 'X'", blank));
    EXPECT_FALSE(eval("Lk < 'X'", blank));
    EXPECT_FALSE(eval("Evc <> 3", blank));
    EXPECT_FALSE(eval("Lk like '%'", blank));
    EXPECT_FALSE(eval("Upper(Lk) like '%'", blank));
    EXPECT_TRUE(eval("not Lk = 'X'", blank));  // NOT negates the false comparison

    // An empty literal stands for NULL.
    for (const char* f : {"Lk = ''", "Upper(Lk) = \"\"", "Evc = ''", "D = \"\"", "Pdh = ''", "'' = Lk"}) {
        EXPECT_TRUE(eval(f, blank)) << f;
        EXPECT_TRUE(filter(f)->matches(EmptyStringRow())) << f;
    }
    EXPECT_FALSE(eval("Lk = ''", Row{{"Lk", "X"}}));
    EXPECT_FALSE(eval("Evc = ''", Row{{"Evc", 0}}));
    EXPECT_TRUE(eval("Lk <> ''", Row{{"Lk", "X"}}));
    EXPECT_FALSE(eval("Lk <> ''", blank));
    EXPECT_FALSE(eval("Lk > ''", Row{{"Lk", "X"}}));
    EXPECT_FALSE(filter("Lk <> 'X'")->matches(EmptyStringRow()));
    EXPECT_FALSE(filter("Lk like '%'")->matches(EmptyStringRow()));
}

TEST(SqlFilter, TextEqualityIsExactAndOrderIsCzech) {
    EXPECT_TRUE(eval("Nla = 'Bedla'", Row{{"Nla", "Bedla"}}));
    EXPECT_FALSE(eval("Nla = 'Bedla'", Row{{"Nla", "bedla"}}));
    EXPECT_FALSE(eval("Nla = 'Bedla'", Row{{"Nla", "Bedla "}}));
    EXPECT_TRUE(eval("Nla <> 'Bedla'", Row{{"Nla", "bedla"}}));

    // "ch" sorts after "h" and "č" between "c" and "d", unlike a comparison of code points.
    EXPECT_TRUE(eval("Nla > 'hřib'", Row{{"Nla", "chřapáč"}}));
    EXPECT_TRUE(eval("Nla < 'd'", Row{{"Nla", "čirůvka"}}));
    EXPECT_TRUE(eval("Nla > 'cz'", Row{{"Nla", "čirůvka"}}));
    EXPECT_TRUE(eval("Nla >= 'Bedla'", Row{{"Nla", "Bedla"}}));
    EXPECT_TRUE(eval("Nla <= 'Bedla'", Row{{"Nla", "Bedla"}}));
    EXPECT_TRUE(eval("'d' > Nla", Row{{"Nla", "čirůvka"}}));

    // Upper() on either side, for equality and for order.
    EXPECT_TRUE(eval("Upper(Nla) = 'ČERNÁ'", Row{{"Nla", "černá"}}));
    EXPECT_TRUE(eval("Upper(Nla) = Upper('černá')", Row{{"Nla", "Černá"}}));
    EXPECT_FALSE(eval("Upper(Nla) = 'černá'", Row{{"Nla", "černá"}}));
    EXPECT_TRUE(eval("Upper(Nla) > 'CH'", Row{{"Nla", "chřapáč"}}));
    EXPECT_TRUE(eval("Upper(Nla) = Upper(Nce)", Row{{"Nla", "Hřib"}, {"Nce", "HŘIB"}}));
    EXPECT_FALSE(eval("Plo1 = Plo2", Row{{"Plo1", "a"}, {"Plo2", "A"}}));
    EXPECT_TRUE(eval("Kdh = 123", Row{{"Kdh", "123"}}));
}

TEST(SqlFilter, LikePatterns) {
    struct Case {
        const char* pattern;
        const char* value;
        bool expected;
    };
    const Case cases[] = {
        {"B%", "Bedla", true},     {"B%", "bedla", false},    {"B%", "B", true},        {"%a", "Bedla", true},
        {"%ed%", "Bedla", true},   {"%ed%", "Bdela", false},  {"_edla", "Bedla", true}, {"_edla", "edla", false},
        {"B_dla", "Bedla", true},  {"__", "ab", true},        {"__", "abc", false},     {"a%b", "ab", true},
        {"a%b", "aXbXb", true},    {"a%b", "aXbXc", false},   {"%a%a%", "aa", true},    {"%a%a%", "a", false},
        {"ab%ab", "ab", false},    {"ab%ab", "abab", true},   {"", "x", false},         {"%%", "x", true},
        {"a%%b", "ab", true},      {"%_%", "x", true},        {"%_x_%", "ax", false},   {"%_x_%", "axb", true},
        {"Č%", "Černá", true},     {"%ná", "Černá", true},    {"Bedla", "Bedla", true}, {"Bedla", "Bedlař", false},
        {"%b_c%", "abcbc", false}, {"%b_c%", "abcbxc", true},
    };
    for (const Case& c : cases) {
        const QString f = QStringLiteral("Nla like '%1'").arg(QString::fromUtf8(c.pattern));
        EXPECT_EQ(eval(f, Row{{"Nla", QString::fromUtf8(c.value)}}), c.expected) << c.pattern << " / " << c.value;
    }

    EXPECT_TRUE(eval("Upper(Nla) like 'ČERN%'", Row{{"Nla", "černá"}}));
    EXPECT_TRUE(eval("Upper(Nla) like '%_RNÁ'", Row{{"Nla", "černá"}}));
    EXPECT_FALSE(eval("Upper(Nla) like 'čern%'", Row{{"Nla", "černá"}}));
    EXPECT_TRUE(eval("Nla like Upper('čern%')", Row{{"Nla", "ČERNÁ"}}));
    EXPECT_TRUE(eval("Nla not like 'B%'", Row{{"Nla", "Hřib"}}));
    EXPECT_FALSE(eval("Nla not like 'B%'", Row{{"Nla", "Bedla"}}));
    EXPECT_TRUE(eval("'Bedla' like 'B%'", Row{}));

    // With ESCAPE the character after the escape is plain: a typed % or _ matches only itself.
    const Case escaped[] = {
        {"50!%%", "50% off", true}, {"50!%%", "500", false},     {"a!_b", "a_b", true},
        {"a!_b", "axb", false},     {"%!!%", "x!", true},        {"a!", "a!", true},
    };
    for (const Case& c : escaped) {
        const QString f = QStringLiteral("Nla like '%1' escape '!'").arg(QString::fromUtf8(c.pattern));
        EXPECT_EQ(eval(f, Row{{"Nla", QString::fromUtf8(c.value)}}), c.expected) << c.pattern << " / " << c.value;
    }
    EXPECT_TRUE(sqlErrorOf([] { filter("Nla like 'a' escape '!!'"); }).contains("ESCAPE"));
}

TEST(SqlFilter, LiteralsTakeTheFieldsType) {
    EXPECT_TRUE(eval("Evc >= \"10\"", Row{{"Evc", 10}}));
    EXPECT_FALSE(eval("Evc >= \"10\"", Row{{"Evc", 9}}));
    EXPECT_TRUE(eval("Evc = ' 10 '", Row{{"Evc", 10}}));
    EXPECT_TRUE(eval("Evc > -5", Row{{"Evc", -4}}));
    EXPECT_TRUE(eval("10 <= Evc", Row{{"Evc", 10}}));
    EXPECT_TRUE(eval("ID < 3000000000", Row{{"ID", 2147483647}}));

    EXPECT_TRUE(eval("D = '01.02.2000'", Row{{"D", QDate(2000, 2, 1)}}));
    EXPECT_TRUE(eval("D = '1.2.2000'", Row{{"D", QDate(2000, 2, 1)}}));
    EXPECT_TRUE(eval("D > '31.1.2000'", Row{{"D", QDate(2000, 2, 1)}}));
    EXPECT_FALSE(eval("D > '1.2.2000'", Row{{"D", QDate(2000, 2, 1)}}));

    EXPECT_TRUE(eval("Pdh = TRUE", Row{{"Pdh", true}}));
    EXPECT_TRUE(eval("Pdh = 'T'", Row{{"Pdh", true}}));
    EXPECT_TRUE(eval("Pdh = \"f\"", Row{{"Pdh", false}}));
    EXPECT_TRUE(eval("Pdh <> Pdl", Row{{"Pdh", false}, {"Pdl", true}}));

    EXPECT_TRUE(eval("1 = 1", Row{}));
    EXPECT_FALSE(eval("'a' = 'b'", Row{}));
}

TEST(SqlFilter, BlankFilterMatchesEverythingAndReportsNoFields) {
    auto all = filter(" \n ");
    EXPECT_TRUE(all->matches(Row{}));
    EXPECT_TRUE(all->referencedFields().isEmpty());
    const auto layout = cardLayout();
    EXPECT_EQ(filter("Evc > 1 and (Lk = 'x' or Evc < 5) and Upper(Nla) like 'A%'")->referencedFields(),
              (QVector<int>{layout.indexOf("Evc"), layout.indexOf("Nla"), layout.indexOf("Lk")}));
}

TEST(SqlFilter, ReportsErrors) {
    EXPECT_EQ(sqlErrorOf([] { filter("Xyz = 1"); }), QString::fromUtf8("Neznámé pole 'Xyz'."));
    EXPECT_EQ(sqlErrorOf([] { filter("Neh = = 'A'"); }),
              QString::fromUtf8("Chyba syntaxe u '=', očekává se pole nebo hodnota."));
    EXPECT_TRUE(sqlErrorOf([] { filter("Neh = 'A"); }).contains("Neukončený"));
    EXPECT_TRUE(sqlErrorOf([] { filter("Neh = 'A' Evc"); }).contains("'Evc'"));
    EXPECT_TRUE(sqlErrorOf([] { filter("(Neh = 'A'"); }).contains("konec"));
    EXPECT_TRUE(sqlErrorOf([] { filter("Neh = 'A')"); }).contains("')'"));
    EXPECT_TRUE(sqlErrorOf([] { filter("Neh"); }).contains("konec"));
    EXPECT_TRUE(sqlErrorOf([] { filter("Neh = 'A' and"); }).contains("konec"));
    EXPECT_TRUE(sqlErrorOf([] { filter("Neh = 'A' & Evc = 1"); }).contains("'&'"));
    EXPECT_TRUE(sqlErrorOf([] { filter("Evc = 1.5"); }).contains("1.5"));
    EXPECT_TRUE(sqlErrorOf([] { filter("Evc = 99999999999999999999"); }).contains("rozsah"));
    EXPECT_TRUE(sqlErrorOf([] { filter("Lower(Nla) = 'x'"); }).contains("Lower"));
    EXPECT_TRUE(sqlErrorOf([] { filter("Neh = 'A' and or Evc = 1"); }).contains("'or'"));

    // Literals that cannot become the field's type, and mismatched operands.
    EXPECT_TRUE(sqlErrorOf([] { filter("Evc = 'abc'"); }).contains("Evc"));
    EXPECT_TRUE(sqlErrorOf([] { filter("D = '2000-01-01'"); }).contains("D"));
    EXPECT_TRUE(sqlErrorOf([] { filter("D = '30.2.2000'"); }).contains("D"));
    EXPECT_TRUE(sqlErrorOf([] { filter("D = 5"); }).contains("D"));
    EXPECT_TRUE(sqlErrorOf([] { filter("Pdh = 1"); }).contains("Pdh"));
    EXPECT_TRUE(sqlErrorOf([] { filter("Nla = TRUE"); }).contains("Nla"));
    EXPECT_TRUE(sqlErrorOf([] { filter("Nla = Evc"); }).contains("Evc"));
    EXPECT_TRUE(sqlErrorOf([] { filter("Evc = Upper('1')"); }).contains("Upper"));
    EXPECT_TRUE(sqlErrorOf([] { filter("Upper(Evc) = '1'"); }).contains("Evc"));
    EXPECT_TRUE(sqlErrorOf([] { filter("Upper(1) = '1'"); }).contains("Upper"));
    EXPECT_TRUE(sqlErrorOf([] { filter("Evc like '1%'"); }).contains("Evc"));
    EXPECT_TRUE(sqlErrorOf([] { filter("Nla like Lk"); }).contains("LIKE"));

    // Deep nesting is refused instead of exhausting the stack.
    const QString deep = QString("(").repeated(100000) + "Neh = 'A'" + QString(")").repeated(100000);
    EXPECT_TRUE(sqlErrorOf([&] { filter(deep); }).contains("vnořený"));
    EXPECT_TRUE(sqlErrorOf([&] { filter(QString("not ").repeated(100000) + "Neh = 'A'"); }).contains("vnořený"));
    EXPECT_TRUE(
        filter(QString("(").repeated(50) + "Neh = 'A'" + QString(")").repeated(50))->matches(Row{{"Neh", "A"}}));
}
