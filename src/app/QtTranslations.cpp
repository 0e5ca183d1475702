#include "QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

QTranslator* installQtTranslations() {
    auto* translator = new QTranslator(QCoreApplication::instance());
    const QString name = QStringLiteral("qtbase_cs");
    const bool loaded = translator->load(name, QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
                        translator->load(name, QCoreApplication::applicationDirPath() + QStringLiteral("/translations"));
    if (!loaded || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}
