#pragma once

#include "Catalogue.h"

// The locality catalogue window ("Databáze lokalit"): rows of locality code and name, kept in
// the edit frame and the grid DBGridHdatl, ordered by name or code (F3), and picked from in pick
// mode. Opened by the main window's command "Databáze lokalit" and, in pick mode, by the card
// window (Cislo3), the extended search and the print selection.
class TEkdl1Form : public TCatalogueForm {
    Q_OBJECT
public:
    explicit TEkdl1Form(QWidget* parent = nullptr);
    ~TEkdl1Form() override;

    TDBEditz* DBEditKodl;
    TDBEditz* DBEditLkd;
    TDBGrid* DBGridHdatl;

protected:
    void layOutEditFrame(QFrame* frame) override;
    TFindCatalogueForm* createFindForm() override;
    void setOpenFlag(bool open) override;
    void countRows() override;
};

// The open locality catalogue window, nullptr when none.
extern TEkdl1Form* Ekdl1Form;
