#include "Ekdh1.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>

#include "DBEditz.h"
#include "DataM1.h"
#include "Find20.h"
#include "Globals.h"

TEkdh1Form* Ekdh1Form = nullptr;

namespace {

TCatalogueForm::Setup setup() {
    TCatalogueForm::Setup s;
    s.objectName = QStringLiteral("Ekdh1Form");
    s.caption = QStringLiteral("Databáze hub");
    s.placementName = QStringLiteral("DatabazeH1");
    s.orderKey = QStringLiteral("Vyhledavani20Podle");
    s.orders = {{QStringLiteral("Nlad"), QStringLiteral("Databáze hub - podle názvu latinsky")},
                {QStringLiteral("Nced"), QStringLiteral("Databáze hub - podle názvu česky")},
                {QStringLiteral("Kodh"), QStringLiteral("Databáze hub - podle kódu")}};
    s.narrowPosition = QPoint(40, 4);
    s.widePosition = QPoint(120, 84);
    s.clientSize = QSize(551, 379);
    s.edits = {{QStringLiteral("DBEditKodh"), QStringLiteral("Kodh"), QStringLiteral("Kód názvu")},
               {QStringLiteral("DBEditNlad"), QStringLiteral("Nlad"), QStringLiteral("Název latinsky")},
               {QStringLiteral("DBEditAtod"), QStringLiteral("Atod"), QStringLiteral("Autor")},
               {QStringLiteral("DBEditNced"), QStringLiteral("Nced"), QStringLiteral("Název česky")}};
    s.shiftEnterToPrevious = true;
    s.gridName = QStringLiteral("DBGridHdath");
    // Titles come from the fields' display labels.
    s.columns = {{QStringLiteral("Kodh"), QString(), 45, false},
                 {QStringLiteral("Nlad"), QString(), 250, false},
                 {QStringLiteral("Nced"), QString(), 204, false},
                 {QStringLiteral("Atod"), QString(), 204, false}};
    return s;
}

}  // namespace

TEkdh1Form::TEkdh1Form(QWidget* parent) : TCatalogueForm(setup(), &DM1->Hdath, DM1->HdathSource, parent) {
    Ekdh1Form = this;
    build();
    DBEditKodh = edit(0);
    DBEditNlad = edit(1);
    DBEditAtod = edit(2);
    DBEditNced = edit(3);
    DBGridHdath = grid();
    // A new row (Insert, F2, the navigator) starts in the code box.
    connect(DM1, &TDM1::newSpeciesStarted, this, &TEkdh1Form::focusFirstEdit);
}

TEkdh1Form::~TEkdh1Form() {
    if (Ekdh1Form == this) Ekdh1Form = nullptr;
    if (DM1) DM1->speciesWindowOpen = false;
}

void TEkdh1Form::layOutEditFrame(QFrame* frame) {
    auto* grid = new QGridLayout(frame);
    auto label = [frame](const QString& text) { return new QLabel(text, frame); };
    grid->addWidget(label(QStringLiteral("Název latinsky:")), 0, 0);
    grid->addWidget(edit(0), 0, 1);
    grid->addWidget(edit(1), 0, 2);
    grid->addWidget(label(QStringLiteral("Autor:")), 1, 0);
    grid->addWidget(edit(2), 1, 1, 1, 2);
    grid->addWidget(label(QStringLiteral("Název česky:")), 2, 0);
    grid->addWidget(edit(3), 2, 1, 1, 2);
    edit(0)->setFixedWidth(edit(0)->fontMetrics().horizontalAdvance(QStringLiteral("WWWWW")) + 14);
    grid->setColumnStretch(2, 1);
}

TFindCatalogueForm* TEkdh1Form::createFindForm() {
    return new TFind20Form(table(), this);
}

void TEkdh1Form::setOpenFlag(bool open) {
    if (DM1) DM1->speciesWindowOpen = open;
}

void TEkdh1Form::countRows() {
    DM1->speciesCount = DM1->Hdath.RecordCount();
    DM1->Zaznam(DM1->Hdath, DM1->speciesCount);
    DM1->StatusEdit(DM1->Hdath);
}
