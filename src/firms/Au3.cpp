#include "Au3.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "MessageBox.h"
#include "TDBEdit.h"
#include "TDataSet.h"
#include "TDataSource.h"
#include "TitleFit.h"

TAu3Form::TAu3Form(TDataSource* uzivSource, QWidget* parent)
    : QDialog(parent), m_source(uzivSource), m_uziv(uzivSource ? uzivSource->DataSet() : nullptr) {
    setObjectName(QStringLiteral("Au3Form"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    Label3 = new QLabel(QStringLiteral("Původní heslo"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMaxLength(10);
    Label4 = new QLabel(QStringLiteral("Nové heslo"), this);
    Label4->setObjectName(QStringLiteral("Label4"));
    Edit2 = new QLineEdit(this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setMaxLength(10);

    // The stored password, as stars: it shows that there is one and how long it is.
    DBEditVozidlo = new TDBEdit(this);
    DBEditVozidlo->setObjectName(QStringLiteral("DBEditVozidlo"));
    DBEditVozidlo->setDataSource(uzivSource);
    DBEditVozidlo->setDataField(QStringLiteral("Heslo"));
    DBEditVozidlo->setReadOnly(true);
    DBEditVozidlo->setEchoMode(QLineEdit::Password);
    DBEditVozidlo->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));  // "*"
    DBEditVozidlo->setFocusPolicy(Qt::NoFocus);
    QPalette face = DBEditVozidlo->palette();
    face.setColor(QPalette::Base, face.color(QPalette::Button));
    DBEditVozidlo->setPalette(face);

    Button1 = new QPushButton(QStringLiteral("&Přidat"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    connect(Button1, &QPushButton::clicked, this, &TAu3Form::Button1Click);
    CloseButton = new QPushButton(QStringLiteral("&Zavřít"), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::accept);

    m_grid = new QGridLayout;
    m_grid->addWidget(Label3, 0, 0);
    m_grid->addWidget(Edit1, 0, 1);
    m_grid->addWidget(Label4, 1, 0);
    m_grid->addWidget(Edit2, 1, 1);
    m_grid->addWidget(DBEditVozidlo, 2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    buttons->addWidget(CloseButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(m_grid);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    TitleFit::install(this);

    setTabOrder(Edit1, Edit2);
    setTabOrder(Edit2, Button1);
    setTabOrder(Button1, CloseButton);
    setAddMode(false);
}

void TAu3Form::setAddMode(bool add) {
    m_addMode = add;
    Button1->setText(add ? QStringLiteral("&Přidat") : QStringLiteral("&Změnit"));
    Label3->setVisible(!add);
    Edit2->setVisible(!add);
    m_grid->removeWidget(Label4);
    m_grid->addWidget(Label4, add ? 0 : 1, 0);
}

void TAu3Form::storePassword(const QString& password) {
    m_uziv->Edit();
    m_uziv->FieldByName(QStringLiteral("Heslo"))->setAsString(password);
    m_uziv->Post();
}

void TAu3Form::Button1Click() {
    if (!m_uziv || !m_uziv->Active()) return;
    try {
        if (m_addMode) {
            if (!MessageBox::confirm(QStringLiteral("Opravdu přidat heslo ?"), this)) return;
            storePassword(Edit1->text());
            MessageBox::information(QStringLiteral("Heslo bylo přidáno."), this);
        } else {
            // Exact comparison: letter case matters.
            if (Edit1->text() != m_uziv->FieldByName(QStringLiteral("Heslo"))->AsString()) {
                MessageBox::information(QStringLiteral("Neplatné heslo."), this);
                Edit1->setFocus();
                return;
            }
            if (!MessageBox::confirm(QStringLiteral("Opravdu změnit heslo ?"), this)) return;
            storePassword(Edit2->text());
            MessageBox::information(QStringLiteral("Heslo bylo změněno."), this);
        }
    } catch (const EDatabaseError& e) {
        // The row could not be stored (a text the table cannot hold, a row another computer
        // is changing): the change is dropped and the window stays open.
        m_uziv->Cancel();
        MessageBox::error(e.message(), this);
        return;
    }
    accept();
}

void TAu3Form::done(int) {
    if (m_uziv && m_uziv->Active()) m_uziv->Cancel();
    // "&Zavřít" is the cancel button with the OK result: Esc and the close box end the same way.
    QDialog::done(QDialog::Accepted);
}
