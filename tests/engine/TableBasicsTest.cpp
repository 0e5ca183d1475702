#include <gtest/gtest.h>

#include "EngineFixture.h"

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
