#include "Au1.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "DBEditz.h"
#include "MessageBox.h"
#include "TDataSet.h"
#include "TDataSource.h"
#include "TitleFit.h"

TAu1Form::TAu1Form(TDataSource* auto1Source, QWidget* parent) : QDialog(parent), m_source(auto1Source) {
    setObjectName(QStringLiteral("Au1Form"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Název firmy"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    DBEditNazev = new TDBEditz(this);
    DBEditNazev->setObjectName(QStringLiteral("DBEditNazev"));
    // Enter belongs to the default button here, it does not move on.
    DBEditNazev->setEnterTab(false);
    DBEditNazev->setDataSource(auto1Source);
    DBEditNazev->setDataField(QStringLiteral("Nazev"));
    DBEditNazev->setMinimumWidth(180);

    // Default and cancel button at once: Enter and Esc both close with OK.
    OKButton = new QPushButton(QStringLiteral("&OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DBEditNazev);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKButton);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    TitleFit::install(this);
}

void TAu1Form::done(int result) {
    TDataSet* register_ = m_source ? m_source->DataSet() : nullptr;
    if (register_ && register_->Active()) {
        // A name the field refuses keeps the dialog open on the edit (the edit reported it).
        if (!DBEditNazev->updateRecord()) return;
        const auto state = register_->State();
        if (state == TDataSetState::Edit || state == TDataSetState::Insert) {
            try {
                register_->Post();
            } catch (const EDatabaseError& e) {
                // The name could not be stored (the file cannot be written): say so and give up
                // the change, so that the register is not left in edit mode behind the window.
                MessageBox::error(e.message(), this);
                register_->Cancel();
            }
        }
    }
    QDialog::done(QDialog::Accepted);
}
