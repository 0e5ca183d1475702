#include "Au4.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "Globals.h"
#include "TitleFit.h"

TAu4Form::TAu4Form(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Au4Form"));
    setWindowTitle(QStringLiteral("Zadejte heslo"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setEchoMode(QLineEdit::Password);
    Edit1->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));  // "*", not the style's dot
    Edit1->setMaxLength(10);
    Edit1->setMinimumWidth(150);

    OKButton = new QPushButton(QStringLiteral("&OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Edit1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKButton);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    TitleFit::install(this);
}

TAu4Form::~TAu4Form() {
    if (Au4Form == this) Au4Form = nullptr;
}

void TAu4Form::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Edit1->setFocus();
}
