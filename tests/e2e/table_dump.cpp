// e2e_table_dump <directory> <table> [field...]: prints the records of a table through the
// engine, one line per record in the table's key order, the texts of the fields named (all
// fields when none is) separated by "|". The end-to-end roads read what the program stored with
// it while the program keeps running.

#include <QCoreApplication>
#include <QTextStream>

#include "EngineError.h"
#include "TDatabase.h"
#include "TSession.h"
#include "TTable.h"
#include "TablePassword.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 2) {
        err << "usage: e2e_table_dump <directory> <table> [field...]\n";
        return 2;
    }
    try {
        TSession session(QStringLiteral("DumpSession"));
        session.AddPassword(storage::tablePassword());
        TDatabase database(&session, QStringLiteral("Dump"));
        database.Params = {QStringLiteral("PATH=") + args.at(0), QStringLiteral("DEFAULT DRIVER=PARADOX"),
                           QStringLiteral("ENABLE BCD=FALSE")};
        TTable table;
        table.setDatabase(&database);
        table.TableName = args.at(1);
        table.Open();
        for (table.First(); !table.Eof(); table.Next()) {
            QStringList fields;
            if (args.size() == 2) {
                for (TField* f : table.Fields()) fields << f->AsString();
            } else {
                for (const QString& name : args.mid(2)) fields << table.FieldByName(name)->AsString();
            }
            out << fields.join(QLatin1Char('|')) << '\n';
        }
    } catch (const EDatabaseError& e) {
        err << e.message() << '\n';
        return 1;
    }
    return 0;
}
