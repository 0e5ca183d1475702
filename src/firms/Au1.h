#pragma once

#include <QDialog>

class QPushButton;
class TDBEditz;
class TDataSource;

// The firm name dialog ("Název firmy č. N"): one edit on the register's Nazev. The register row
// is put into edit mode by the caller; closing the dialog in any way posts it. Freed when closed.
class TAu1Form : public QDialog {
    Q_OBJECT
public:
    // `auto1Source` is the data source of the register dataset; it must outlive the dialog.
    explicit TAu1Form(TDataSource* auto1Source, QWidget* parent = nullptr);

    TDBEditz* DBEditNazev;
    QPushButton* OKButton;

protected:
    void done(int result) override;

private:
    TDataSource* m_source;
};
