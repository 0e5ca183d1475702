#include "Au2.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "Auto1.h"
#include "HourglassCursor.h"
#include "MessageBox.h"
#include "TDBEdit.h"
#include "TitleFit.h"

TAu2Form::TAu2Form(TAuto1Form* owner, QWidget* parent) : QDialog(parent), m_owner(owner) {
    setObjectName(QStringLiteral("Au2Form"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Nová firma"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    Label1 = new QLabel(QStringLiteral("Název firmy"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    DBEditNazev = new TDBEdit(this);
    DBEditNazev->setObjectName(QStringLiteral("DBEditNazev"));
    DBEditNazev->setDataSource(&owner->Auto1Source);
    DBEditNazev->setDataField(QStringLiteral("Nazev"));
    DBEditNazev->setMinimumWidth(180);
    Label1->setBuddy(DBEditNazev);

    OKButton = new QPushButton(QStringLiteral("&Firma"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &TAu2Form::OKButtonClick);
    CancelButton = new QPushButton(QStringLiteral("&Zavřít"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(DBEditNazev);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    TitleFit::install(this);
    setTabOrder(DBEditNazev, OKButton);
    setTabOrder(OKButton, CancelButton);
}

void TAu2Form::OKButtonClick() {
    // The typed name must be in the field before it is shown in the question and stored.
    if (!DBEditNazev->updateRecord()) return;
    const QString name = m_owner->Auto1.FieldByName(QStringLiteral("Nazev"))->AsString();
    if (!MessageBox::confirm(QStringLiteral("Opravdu chcete vytvořit firmu ") + name + QStringLiteral(" ?"), this))
        return;

    QString failure;
    {
        HourglassCursor wait;
        OKButton->setEnabled(false);
        CancelButton->setEnabled(false);
        try {
            m_owner->storeNewFirm();
        } catch (const EDatabaseError& e) {
            failure = e.message();
        }
        OKButton->setEnabled(true);
        CancelButton->setEnabled(true);
    }
    if (failure.isEmpty()) {
        accept();
        return;
    }
    // The row was not stored (typically another computer registered the same number a moment
    // earlier) and no directory was made. The row gets the next free number, so that "&Firma"
    // can be pressed again; "&Zavřít" drops it.
    MessageBox::error(failure, this);
    m_owner->renumberNewFirm();
    DBEditNazev->setFocus();
}
