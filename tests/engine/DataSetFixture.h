#pragma once

#include <memory>

#include "EngineFixture.h"

// Eight cards of the fixture's layout; the dataset tests use the first five or all eight.
// In Evc order (Nla / Lk / Neh):
//   1 Boletus edulis / Hradiště / A          2 Amanita muscaria / Chlum / N
//   3 Cantharellus cibarius / Černá hora / A 4 Russula emetica / Cejl / N
//   5 Lactarius deliciosus / Ivanovice / A   6 Hygrocybe conica / Hradiště / N
//   7 Chroogomphus rutilus / Chlum / A       8 Čirůvka fialová / Cejl / N
class DataSetFixture : public EngineFixture {
protected:
    std::unique_ptr<TTable> openCards(int count, const QString& order) {
        createCards();
        auto t = table();
        t->setIndexFieldNames(order);
        t->Open();
        struct Card {
            int evc;
            const char* nla;
            const char* lk;
            QDate d;
            const char* neh;
        };
        const Card cards[] = {
            {1, "Boletus edulis", "Hradiště", QDate(2020, 5, 1), "A"},
            {2, "Amanita muscaria", "Chlum", QDate(2019, 6, 2), "N"},
            {3, "Cantharellus cibarius", "Černá hora", QDate(2021, 7, 3), "A"},
            {4, "Russula emetica", "Cejl", QDate(2018, 8, 4), "N"},
            {5, "Lactarius deliciosus", "Ivanovice", QDate(2022, 9, 5), "A"},
            {6, "Hygrocybe conica", "Hradiště", QDate(2020, 5, 1), "N"},
            {7, "Chroogomphus rutilus", "Chlum", QDate(2017, 1, 6), "A"},
            {8, "Čirůvka fialová", "Cejl", QDate(2016, 2, 7), "N"},
        };
        for (int i = 0; i < count; ++i) {
            const Card& c = cards[i];
            addCard(*t, c.evc, QString::fromUtf8(c.nla), QString::fromUtf8(c.lk), c.d, QString::fromLatin1(c.neh));
        }
        t->First();
        return t;
    }

    static int evc(const TDataSet& t) { return t.FieldByName("Evc")->AsInteger(); }
    static QString nla(const TDataSet& t) { return t.FieldByName("Nla")->AsString(); }
    // The Evc values from the first record on, in the current order.
    static QList<int> evcs(TDataSet& t) {
        QList<int> out;
        for (t.First(); !t.Eof(); t.Next()) out << evc(t);
        return out;
    }

    // A second database over the same directory: a connection of its own, like another program.
    std::unique_ptr<TDatabase> otherDatabase() {
        auto other = std::make_unique<TDatabase>(&session, "OtherDb");
        other->Params = db.Params;
        return other;
    }
};
