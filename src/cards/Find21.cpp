#include "Find21.h"

namespace {

TFindCatalogueForm::Setup setup() {
    TFindCatalogueForm::Setup s;
    s.objectName = QStringLiteral("Find21Form");
    s.name = QStringLiteral("Vyhledavani21");
    s.items = {
        {QStringLiteral("Názvu lokality"), QStringLiteral("Lkd"), QStringLiteral("Databáze lokalit - podle názvu")},
        {QStringLiteral("Kódu"), QStringLiteral("Kodl"), QStringLiteral("Databáze lokalit - podle kódu")},
    };
    s.hint = QStringLiteral("Zapište lokalitu nebo kód, zápis se vyhledá");
    s.clientSize = QSize(352, 120);
    return s;
}

}  // namespace

TFind21Form::TFind21Form(TTable* table, QWidget* owner) : TFindCatalogueForm(setup(), table, owner) {}
