#pragma once

#include <QString>
#include <QVector>

#include "FieldDef.h"

namespace storage {

// One table of the system: its file name without extension, record layout and secondary
// indexes (each index's files are <name>.X<suffix> and <name>.Y<suffix>).
struct TableDefinition {
    QString name;
    engine::TableLayout layout;
    QVector<engine::IndexDef> indexes;
};

// The four tables of a firm.
TableDefinition hdokTable();   // cards
TableDefinition hdathTable();  // fungi catalogue
TableDefinition hdatlTable();  // locality catalogue
TableDefinition hsplTable();   // one row of common data and saved options
// The firm register and the firm passwords, in the data directory.
TableDefinition dataTable();
TableDefinition uzivTable();
// The register as earlier versions wrote it: Cislo, Nazev, Adresar, without Pozice and without
// the "Nazev" index. Kept for the upgrade of old registers and for its tests.
TableDefinition oldDataTable();

// Display labels of the fields that have one, for the dataset fields ("Evc" -> "Číslo").
QString displayLabel(const QString& table, const QString& field);

}  // namespace storage
