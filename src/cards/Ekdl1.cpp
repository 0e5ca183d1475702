#include "Ekdl1.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>

#include "DBEditz.h"
#include "DataM1.h"
#include "Find21.h"
#include "Globals.h"

TEkdl1Form* Ekdl1Form = nullptr;

namespace {

TCatalogueForm::Setup setup() {
    TCatalogueForm::Setup s;
    s.objectName = QStringLiteral("Ekdl1Form");
    s.caption = QStringLiteral("Databáze lokalit");
    s.placementName = QStringLiteral("DatabazeL1");
    s.orderKey = QStringLiteral("Vyhledavani21Podle");
    s.orders = {{QStringLiteral("Lkd"), QStringLiteral("Databáze lokalit - podle názvu")},
                {QStringLiteral("Kodl"), QStringLiteral("Databáze lokalit - podle kódu")}};
    s.narrowPosition = QPoint(40, 10);
    s.widePosition = QPoint(120, 90);
    s.clientSize = QSize(551, 368);
    s.edits = {{QStringLiteral("DBEditKodl"), QStringLiteral("Kodl"), QStringLiteral("Kód lokality")},
               {QStringLiteral("DBEditLkd"), QStringLiteral("Lkd"), QStringLiteral("Lokalita")}};
    s.shiftEnterToPrevious = false;  // Shift+Enter in the name goes to the code, not out of the frame
    s.gridName = QStringLiteral("DBGridHdatl");
    s.columns = {{QStringLiteral("Kodl"), QStringLiteral("Kód"), 45, false},
                 {QStringLiteral("Lkd"), QStringLiteral("Název lokality"), 455, false}};
    return s;
}

}  // namespace

TEkdl1Form::TEkdl1Form(QWidget* parent) : TCatalogueForm(setup(), &DM1->Hdatl, DM1->HdatlSource, parent) {
    Ekdl1Form = this;
    build();
    DBEditKodl = edit(0);
    DBEditLkd = edit(1);
    DBGridHdatl = grid();
    connect(DM1, &TDM1::newLocalityStarted, this, &TEkdl1Form::focusFirstEdit);
}

TEkdl1Form::~TEkdl1Form() {
    if (Ekdl1Form == this) Ekdl1Form = nullptr;
    if (DM1) DM1->localityWindowOpen = false;
}

void TEkdl1Form::layOutEditFrame(QFrame* frame) {
    auto* grid = new QGridLayout(frame);
    grid->addWidget(new QLabel(QStringLiteral("Lokalita:"), frame), 0, 0);
    grid->addWidget(edit(0), 0, 1);
    grid->addWidget(edit(1), 0, 2);
    edit(0)->setFixedWidth(edit(0)->fontMetrics().horizontalAdvance(QStringLiteral("WWWWW")) + 14);
    grid->setColumnStretch(2, 1);
}

TFindCatalogueForm* TEkdl1Form::createFindForm() {
    return new TFind21Form(table(), this);
}

void TEkdl1Form::setOpenFlag(bool open) {
    if (DM1) DM1->localityWindowOpen = open;
}

void TEkdl1Form::countRows() {
    DM1->localityCount = DM1->Hdatl.RecordCount();
    DM1->Zaznam(DM1->Hdatl, DM1->localityCount);
    DM1->StatusEdit(DM1->Hdatl);
}
