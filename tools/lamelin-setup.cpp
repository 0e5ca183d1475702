// lamelin-setup [directory]: creates a ready data directory for Lamelin — the firm register at
// its root and the template set in its "Data" subdirectory. Without an argument it prepares
// the default data directory. An existing register is never overwritten.

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include "EngineError.h"
#include "TemplateSet.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = app.arguments().mid(1);
    if (args.size() > 1 || (!args.isEmpty() && args.first().startsWith(QLatin1Char('-')))) {
        err << "Použití: lamelin-setup [adresář]\n";
        return 2;
    }
    QString dir = args.isEmpty() ? storage::TemplateSet::defaultDataDirectory() : args.first();
    dir = QDir(dir).absolutePath() + QLatin1Char('/');
    try {
        const bool changed = storage::TemplateSet::prepareDataDirectory(dir);
        out << (changed ? "Datový adresář je připraven: " : "Datový adresář už existuje: ") << QDir::toNativeSeparators(dir)
            << "\n";
    } catch (const EDatabaseError& e) {
        err << "Datový adresář nelze připravit: " << e.message() << "\n";
        return 1;
    }
    return 0;
}
