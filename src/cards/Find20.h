#pragma once

#include "FindCatalogue.h"

class TTable;

// The find dialog of the fungi catalogue window: orders by Latin name, Czech name or code
// ("Vyhledavani20Podle") and finds the nearest species while typing.
class TFind20Form : public TFindCatalogueForm {
    Q_OBJECT
public:
    // `table` is the catalogue cursor (DM1->Hdath); `owner` the catalogue window, renamed with
    // the order.
    TFind20Form(TTable* table, QWidget* owner);
};
