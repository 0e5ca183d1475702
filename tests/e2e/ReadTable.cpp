// e2e_read_table <directory> <table> <field>...
// Prints the records of a table through the engine, one line each, the fields joined by "|",
// in the table's primary order; the end-to-end test checks with it what the program stored.
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

#include "TDatabase.h"
#include "TSession.h"
#include "TTable.h"
#include "TablePassword.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: e2e_read_table <directory> <table> <field>...\n");
        return 2;
    }
    try {
        TSession session(QStringLiteral("E2eRead"));
        session.AddPassword(storage::tablePassword());
        TDatabase db(&session, QStringLiteral("E2eReadDb"));
        db.Params = {QStringLiteral("PATH=") + args[1], QStringLiteral("DEFAULT DRIVER=PARADOX"),
                     QStringLiteral("ENABLE BCD=FALSE")};
        TTable table;
        table.setDatabase(&db);
        table.TableName = args[2] + QStringLiteral(".DB");
        table.Open();
        for (table.First(); !table.Eof(); table.Next()) {
            QStringList values;
            for (int i = 3; i < args.size(); ++i) values << table.FieldByName(args[i])->AsString();
            std::printf("%s\n", values.join(QLatin1Char('|')).toUtf8().constData());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "e2e_read_table: %s\n", e.what());
        return 1;
    }
    return 0;
}
