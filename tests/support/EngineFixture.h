#pragma once

#include <gtest/gtest.h>

#include <QDate>
#include <memory>

#include "FieldDef.h"
#include "TDatabase.h"
#include "TQuery.h"
#include "TSession.h"
#include "TTable.h"
#include "TempDir.h"

// A directory with a session and a database over it, and helpers to make small tables.
// The layout `cards()` is a cut-down card table: ID autoinc key, Evc integer (unique index G0),
// Nla string 40 (index 03), Lk string 40 (index 04), D date (index 05), Neh string 1.
class EngineFixture : public ::testing::Test {
protected:
    static constexpr const char* kPassword = "314159";

    EngineFixture() {
        session.setNetFileDir(dir.path());
        session.AddPassword(kPassword);
        session.Open();
        db.Params = {"PATH=" + dir.path(), "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"};
    }

    static engine::TableLayout cards() {
        using engine::FieldType;
        engine::TableLayout l;
        l.fields = {{"ID", FieldType::AutoInc, 0}, {"Evc", FieldType::Integer, 0}, {"Nla", FieldType::String, 40},
                    {"Lk", FieldType::String, 40}, {"D", FieldType::Date, 0},      {"Neh", FieldType::String, 1}};
        l.primaryKey = 0;
        return l;
    }
    static QVector<engine::IndexDef> cardIndexes() {
        return {{"G0", "Evc", 1, true}, {"03", "Nla", 2, false}, {"04", "Lk", 3, false}, {"05", "D", 4, false}};
    }

    void createCards(const QString& name = "Cards") { TTable::CreateTable(dir.path(), name, cards(), cardIndexes(), kPassword); }

    std::unique_ptr<TTable> table(const QString& name = "Cards", TDatabase* database = nullptr) {
        auto t = std::make_unique<TTable>();
        t->setDatabase(database ? database : &db);
        t->TableName = name + ".DB";
        return t;
    }

    // Appends a card and posts it.
    static void addCard(TTable& t, int evc, const QString& nla, const QString& lk = QString(), QDate d = QDate(),
                        const QString& neh = "N") {
        t.Append();
        t.FieldByName("Evc")->setAsInteger(evc);
        t.FieldByName("Nla")->setAsString(nla);
        t.FieldByName("Lk")->setAsString(lk);
        if (d.isValid()) t.FieldByName("D")->setAsDate(d);
        t.FieldByName("Neh")->setAsString(neh);
        t.Post();
    }

    // The values of `field` in the table's current order, from the first record.
    static QStringList column(TTable& t, const QString& field) {
        QStringList out;
        for (t.First(); !t.Eof(); t.Next()) out << t.FieldByName(field)->AsString();
        return out;
    }

    TempDir dir;
    TSession session{"TestSession"};
    TDatabase db{&session, "TestDb"};
};
