#pragma once

#include "FindCatalogue.h"

class TTable;

// The find dialog of the locality catalogue window: orders by locality name or code
// ("Vyhledavani21Podle") and finds the nearest locality while typing.
class TFind21Form : public TFindCatalogueForm {
    Q_OBJECT
public:
    // `table` is the locality cursor (DM1->Hdatl); `owner` the catalogue window.
    TFind21Form(TTable* table, QWidget* owner);
};
