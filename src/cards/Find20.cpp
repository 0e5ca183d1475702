#include "Find20.h"

namespace {

TFindCatalogueForm::Setup setup() {
    TFindCatalogueForm::Setup s;
    s.objectName = QStringLiteral("Find20Form");
    s.name = QStringLiteral("Vyhledavani20");
    s.items = {
        {QStringLiteral("Názvu latinsky"), QStringLiteral("Nlad"),
         QStringLiteral("Databáze hub - podle názvu latinsky")},
        {QStringLiteral("Názvu česky"), QStringLiteral("Nced"), QStringLiteral("Databáze hub - podle názvu česky")},
        {QStringLiteral("Kódu"), QStringLiteral("Kodh"), QStringLiteral("Databáze hub - podle kódu")},
    };
    s.hint = QStringLiteral("Zapište název nebo kód, zápis se vyhledá");
    s.clientSize = QSize(352, 132);
    return s;
}

}  // namespace

TFind20Form::TFind20Form(TTable* table, QWidget* owner) : TFindCatalogueForm(setup(), table, owner) {}
