#include <gtest/gtest.h>

#include "EngineFixture.h"

// An UPDATE must not change a record that another connection is editing: the editor's post
// would write its old values back over the change. The statement fails instead, whole.
using QueryLocks = EngineFixture;

TEST_F(QueryLocks, UpdateFailsWhileAnotherConnectionEditsAChangedRecord) {
    createCards();
    auto cards = table();
    cards->Open();
    addCard(*cards, 1, "Boletus edulis");
    addCard(*cards, 2, "Amanita muscaria");

    TDatabase other(&session, "Other");
    other.Params = db.Params;
    auto editor = table("Cards", &other);
    editor->Open();
    ASSERT_TRUE(editor->Locate("Evc", 2));
    editor->Edit();

    TQuery update;
    update.setDatabase(&db);
    update.SQL = QStringList{R"(Update Cards set Neh = "A")"};
    try {
        update.ExecSQL();
        FAIL() << "the update changed a record being edited";
    } catch (const EDBEngineError& e) {
        EXPECT_EQ(e.errorCode(), EngineErrorCode::RecordLocked);
    }
    cards->Refresh();
    EXPECT_EQ(column(*cards, "Neh"), QStringList({"N", "N"}));

    // A statement that changes only records nobody edits goes through.
    update.SQL = QStringList{R"(Update Cards set Neh = "A" where Evc = 1)"};
    update.ExecSQL();
    EXPECT_EQ(update.RowsAffected(), 1);

    editor->Cancel();
    update.SQL = QStringList{R"(Update Cards set Neh = "A")"};
    update.ExecSQL();
    EXPECT_EQ(update.RowsAffected(), 1);
    cards->Refresh();
    EXPECT_EQ(column(*cards, "Neh"), QStringList({"A", "A"}));
}
