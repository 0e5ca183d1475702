#pragma once

#include "Catalogue.h"

class QLabel;

// The fungi catalogue window ("Databáze hub"): species rows of code, Latin name, author and
// Czech name, kept in the edit frame and the grid DBGridHdath, ordered by Latin name, Czech name
// or code (F3), and picked from in pick mode. Opened by the main window's command "Databáze hub"
// and, in pick mode, by the card window (Cislo1) and the extended search.
class TEkdh1Form : public TCatalogueForm {
    Q_OBJECT
public:
    explicit TEkdh1Form(QWidget* parent = nullptr);
    ~TEkdh1Form() override;

    TDBEditz* DBEditKodh;
    TDBEditz* DBEditNlad;
    TDBEditz* DBEditAtod;
    TDBEditz* DBEditNced;
    TDBGrid* DBGridHdath;

protected:
    void layOutEditFrame(QFrame* frame) override;
    TFindCatalogueForm* createFindForm() override;
    void setOpenFlag(bool open) override;
    void countRows() override;
};

// The open fungi catalogue window, nullptr when none.
extern TEkdh1Form* Ekdh1Form;
