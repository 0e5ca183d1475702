// Field values: what a field accepts, the messages it refuses with, and how values read back.

#include <gtest/gtest.h>

#include "EngineFixture.h"
#include "FieldConvert.h"

namespace {

// A table with one field of each kind: ID autoinc key, Evc integer, Pocet small integer,
// Nla text of 10 characters, D date, Pdh boolean.
class FieldTest : public EngineFixture {
protected:
    void SetUp() override {
        using engine::FieldType;
        engine::TableLayout l;
        l.fields = {{"ID", FieldType::AutoInc, 0},  {"Evc", FieldType::Integer, 0}, {"Pocet", FieldType::SmallInt, 0},
                    {"Nla", FieldType::String, 10}, {"D", FieldType::Date, 0},      {"Pdh", FieldType::Boolean, 0}};
        l.primaryKey = 0;
        TTable::CreateTable(dir.path(), "Kinds", l, {}, kPassword);
        t = table("Kinds");
        t->Open();
        t->Append();
    }

    TField* field(const char* name) const { return t->FieldByName(name); }

    // Stores the record being inserted and opens the table afresh on it.
    void postAndReopen() {
        t->Post();
        t->Close();
        t->Open();
        t->Last();
    }

    std::unique_ptr<TTable> t;
};

template <typename F>
QString errorOf(F&& f) {
    try {
        f();
    } catch (const EDatabaseError& e) {
        return e.message();
    }
    return QStringLiteral("<no error>");
}

}  // namespace

TEST_F(FieldTest, IntegerTextAndRangeMessagesNameTheLabel) {
    TField* evc = field("Evc");
    evc->setDisplayLabel("Číslo");
    evc->setRange(-999999, 999999);
    evc->setAsInteger(5);

    EXPECT_EQ(errorOf([&] { evc->setAsString("12a"); }), "'12a' není platné celé číslo pro pole 'Číslo'");
    EXPECT_EQ(errorOf([&] { evc->setAsString("1.5"); }), "'1.5' není platné celé číslo pro pole 'Číslo'");
    EXPECT_EQ(errorOf([&] { evc->setAsString("99999999999"); }),
              "'99999999999' není platné celé číslo pro pole 'Číslo'");
    EXPECT_EQ(errorOf([&] { evc->setAsInteger(1000000); }),
              "1000000 není platná hodnota pro pole 'Číslo'. Povolený rozsah je od -999999 do 999999");
    EXPECT_EQ(errorOf([&] { evc->setAsString("-1000000"); }),
              "-1000000 není platná hodnota pro pole 'Číslo'. Povolený rozsah je od -999999 do 999999");
    // A fraction is refused, not rounded.
    EXPECT_EQ(errorOf([&] { evc->setValue(2.5); }), "'2.5' není platné celé číslo pro pole 'Číslo'");
    EXPECT_EQ(errorOf([&] { evc->setValue(1e20); }), "'1e+20' není platné celé číslo pro pole 'Číslo'");
    EXPECT_EQ(evc->AsInteger(), 5);  // every refusal left the value alone

    evc->setAsString(" 999999 ");
    EXPECT_EQ(evc->AsInteger(), 999999);
    evc->setAsString("-999999");
    EXPECT_EQ(evc->AsInteger(), -999999);
    evc->setValue(42.0);
    EXPECT_EQ(evc->AsInteger(), 42);
    EXPECT_EQ(evc->AsString(), "42");
    evc->setAsString("");
    EXPECT_TRUE(evc->IsNull());
    EXPECT_EQ(evc->AsInteger(), 0);

    // Without a label the message names the field.
    TField* pocet = field("Pocet");
    EXPECT_EQ(errorOf([&] { pocet->setAsString("x"); }), "'x' není platné celé číslo pro pole 'Pocet'");
    // A small integer keeps to its own range unless given one.
    EXPECT_EQ(errorOf([&] { pocet->setAsInteger(40000); }),
              "40000 není platná hodnota pro pole 'Pocet'. Povolený rozsah je od -32768 do 32767");
    pocet->setAsInteger(-32768);
    pocet->setRange(0, 10);
    EXPECT_EQ(errorOf([&] { pocet->setAsInteger(11); }),
              "11 není platná hodnota pro pole 'Pocet'. Povolený rozsah je od 0 do 10");
    pocet->setAsInteger(10);

    postAndReopen();
    EXPECT_TRUE(field("Evc")->IsNull());
    EXPECT_EQ(field("Pocet")->AsInteger(), 10);
}

TEST_F(FieldTest, DatesAreDayMonthYear) {
    TField* d = field("D");
    EXPECT_EQ(errorOf([&] { d->setAsString("31.02.2020"); }), "''31.02.2020'' není platný datum");
    EXPECT_EQ(errorOf([&] { d->setAsString("2020-05-01"); }), "''2020-05-01'' není platný datum");
    EXPECT_EQ(errorOf([&] { d->setAsString("1.13.2020"); }), "''1.13.2020'' není platný datum");
    EXPECT_EQ(errorOf([&] { d->setAsString("zítra"); }), "''zítra'' není platný datum");
    EXPECT_TRUE(d->IsNull());

    d->setAsString("1.5.2020");
    EXPECT_EQ(d->AsString(), "01.05.2020");
    EXPECT_EQ(d->AsDate(), QDate(2020, 5, 1));
    d->setAsString("29.02.2024");
    EXPECT_EQ(d->AsDate(), QDate(2024, 2, 29));
    // Two-digit years fall near the present.
    const int year = QDate::currentDate().year();
    d->setAsString(QStringLiteral("01.01.%1").arg(year % 100, 2, 10, QLatin1Char('0')));
    EXPECT_EQ(d->AsDate().year(), year);
    d->setAsDate(QDate(1999, 12, 31));
    EXPECT_EQ(d->AsString(), "31.12.1999");
    EXPECT_EQ(d->textToValue("03.04.2005"), QVariant(QDate(2005, 4, 3)));  // converts without storing
    EXPECT_EQ(d->AsString(), "31.12.1999");
    postAndReopen();
    EXPECT_EQ(field("D")->AsString(), "31.12.1999");

    t->Edit();
    field("D")->setAsString("");
    EXPECT_TRUE(field("D")->IsNull());
    field("D")->setAsDate(QDate());
    EXPECT_TRUE(field("D")->IsNull());
    EXPECT_EQ(field("D")->AsString(), "");
}

TEST_F(FieldTest, TextMustFitTheFieldAndTheCharacterSet) {
    TField* nla = field("Nla");
    nla->setDisplayLabel("Název");
    nla->setAsString("0123456789");
    EXPECT_EQ(errorOf([&] { nla->setAsString("01234567890"); }),
              "Text je pro pole 'Název' příliš dlouhý (nejvýše 10 znaků).");
    EXPECT_EQ(nla->AsString(), "0123456789");

    // Windows-1250 holds the Czech, Polish and Hungarian letters and the euro sign ...
    for (const QString ok : {"Žluťoučký", "€ łŁ őŐ", "čďěňřšťůž", "ÁÉÍÓÚÝ"}) {
        nla->setAsString(ok);
        EXPECT_EQ(nla->AsString(), ok);
    }
    // ... but not Cyrillic or Scandinavian letters; nothing of such a text is stored.
    const std::pair<QString, QString> refused[] = {{"ж", "ж"}, {"Smørrebrød", "ø"}, {"abcж", "ж"}, {"ok 😀", "😀"}};
    for (const auto& [text, shown] : refused) {
        EXPECT_EQ(errorOf([&] { nla->setAsString(text); }),
                  QStringLiteral("Znak '%1' nelze uložit do pole 'Název'.").arg(shown));
        EXPECT_EQ(nla->AsString(), "ÁÉÍÓÚÝ");
    }

    nla->setAsString("Přílišžluť");
    postAndReopen();
    EXPECT_EQ(field("Nla")->AsString(), "Přílišžluť");

    // Empty text is stored as NULL.
    t->Edit();
    field("Nla")->setAsString("");
    EXPECT_TRUE(field("Nla")->IsNull());
    EXPECT_FALSE(field("Nla")->Value().isValid());
    t->Post();
    EXPECT_TRUE(field("Nla")->IsNull());
    EXPECT_TRUE(t->Locate("Nla", QVariant()));
}

TEST_F(FieldTest, BooleansAndNulls) {
    TField* pdh = field("Pdh");
    EXPECT_TRUE(pdh->IsNull());
    EXPECT_FALSE(pdh->AsBoolean());
    EXPECT_EQ(pdh->AsString(), "");
    pdh->setAsString("True");
    EXPECT_TRUE(pdh->AsBoolean());
    EXPECT_EQ(pdh->AsString(), "True");
    pdh->setAsString("false");
    EXPECT_FALSE(pdh->IsNull());
    EXPECT_EQ(pdh->AsString(), "False");
    pdh->setAsString("1");
    EXPECT_TRUE(pdh->AsBoolean());
    EXPECT_EQ(errorOf([&] { pdh->setAsString("ano"); }), "'ano' není platná logická hodnota pro pole 'Pdh'");
    EXPECT_TRUE(pdh->AsBoolean());
    pdh->setAsBoolean(false);
    postAndReopen();
    EXPECT_FALSE(field("Pdh")->IsNull());
    EXPECT_FALSE(field("Pdh")->AsBoolean());

    t->Edit();
    for (TField* f : t->Fields()) {
        if (f->FieldName() == "ID") continue;
        f->Clear();
        EXPECT_TRUE(f->IsNull()) << f->FieldName().toStdString();
        EXPECT_EQ(f->AsString(), "") << f->FieldName().toStdString();
    }
    t->Post();
    for (TField* f : t->Fields()) EXPECT_EQ(f->IsNull(), f->FieldName() != "ID") << f->FieldName().toStdString();
}

TEST_F(FieldTest, KeySearchesConvertLikeTheField) {
    // Searches take typed text through the same conversions, with the same refusals.
    t->Cancel();
    t->Append();
    field("Evc")->setAsInteger(12);
    field("D")->setAsString("5.6.2021");
    t->Post();
    EXPECT_TRUE(t->Locate("Evc", "12"));
    EXPECT_TRUE(t->Locate("D", "05.06.2021"));
    EXPECT_EQ(errorOf([&] { t->Locate("Evc", "12a"); }), "'12a' není platné celé číslo pro pole 'Evc'");
    EXPECT_EQ(errorOf([&] { t->Locate("D", "31.02.2021"); }), "''31.02.2021'' není platný datum");
    // A search text may be longer than the field: it simply finds nothing.
    EXPECT_FALSE(t->Locate("Nla", "delší než deset znaků"));

    EXPECT_EQ(engine::parseDate("7.8.2009"), QDate(2009, 8, 7));
    EXPECT_FALSE(engine::parseDate("7.8.").isValid());
    EXPECT_EQ(engine::formatG(-999999), "-999999");
    EXPECT_EQ(engine::formatG(1000000), "1000000");
}
