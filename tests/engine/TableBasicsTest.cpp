#include <gtest/gtest.h>

#include "EngineFixture.h"
#include "RecordFile.h"

using TableBasics = EngineFixture;

TEST_F(TableBasics, PostedRecordsSurviveReopenInEveryOrder) {
    createCards();
    {
        auto t = table();
        t->Open();
        addCard(*t, 3, "Boletus edulis", "Hradiště", QDate(2020, 5, 1));
        addCard(*t, 1, "Amanita muscaria", "Chlum", QDate(2019, 6, 2));
        addCard(*t, 2, "Cantharellus cibarius", "Černá hora", QDate(2021, 7, 3));
        EXPECT_EQ(t->RecordCount(), 3);
    }
    auto t = table();
    t->setIndexFieldNames("Evc");
    t->Open();
    EXPECT_EQ(column(*t, "Evc"), QStringList({"1", "2", "3"}));
    t->setIndexFieldNames("Lk");
    // Czech order: "ch" after "h", "č" after "c".
    EXPECT_EQ(column(*t, "Lk"), QStringList({"Černá hora", "Hradiště", "Chlum"}));
    t->setIndexFieldNames("D");
    EXPECT_EQ(column(*t, "D"), QStringList({"02.06.2019", "01.05.2020", "03.07.2021"}));
    t->setIndexFieldNames("");
    EXPECT_EQ(column(*t, "ID"), QStringList({"1", "2", "3"}));
}

// The autoincrement key ends at the largest 32-bit number: the insert after it is refused with
// the engine's error and the table stays as it was, instead of wrapping to a negative key.
TEST_F(TableBasics, AutoincrementAtItsLimitRefusesTheInsert) {
    createCards();
    const QString path = dir.file("Cards.DB");
    QFile::remove(path);
    engine::RecordFile::writeNewFile(path, engine::RecordFile::makeHeader(cards(), kPassword, 2147483646), {});
    auto t = table();
    t->Open();
    addCard(*t, 1, "Hřib");
    EXPECT_EQ(t->FieldByName("ID")->AsInteger(), 2147483647);
    try {
        addCard(*t, 2, "Chroš");
        ADD_FAILURE() << "the insert past the limit was accepted";
    } catch (const EDBEngineError& e) {
        EXPECT_EQ(e.errorCode(), EngineErrorCode::InvalidValue);
        EXPECT_EQ(e.message(), QString("Tabulka %1 vyčerpala automatická čísla (nejvyšší je 2147483647), další "
                                       "záznam nelze přidat.").arg(QDir::toNativeSeparators(path)));
    }
    t->Cancel();
    t->Close();
    t->Open();
    EXPECT_EQ(t->RecordCount(), 1);
}
