#include "Au6.h"
#include "TitleFit.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TAu6Form::TAu6Form(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Au6Form"));
    setWindowTitle(QStringLiteral("Pozice firem"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox1->setFixedSize(220, 240);

    auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    ButtonNahoru = button("ButtonNahoru", QStringLiteral("&Nahoru"));
    ButtonDolu = button("ButtonDolu", QStringLiteral("&Dolů"));
    ButtonPrvni = button("ButtonPrvni", QStringLiteral("&První"));
    ButtonPosledni = button("ButtonPosledni", QStringLiteral("P&oslední"));
    CloseButton = button("CloseButton", QStringLiteral("&Zavřít"));
    connect(ButtonNahoru, &QPushButton::clicked, this, &TAu6Form::moveUp);
    connect(ButtonDolu, &QPushButton::clicked, this, &TAu6Form::moveDown);
    connect(ButtonPrvni, &QPushButton::clicked, this, &TAu6Form::moveFirst);
    connect(ButtonPosledni, &QPushButton::clicked, this, &TAu6Form::moveLast);
    // The cancel button: Esc closes too, with the Cancel result.
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {ButtonNahoru, ButtonDolu, ButtonPrvni, ButtonPosledni}) buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(CloseButton);
    auto* row = new QHBoxLayout;
    row->addWidget(ListBox1);
    row->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    TitleFit::install(this);
}

void TAu6Form::moveTo(int row) {
    const int from = ListBox1->currentRow();
    if (from < 0 || row < 0 || row >= ListBox1->count() || row == from) return;
    QListWidgetItem* item = ListBox1->takeItem(from);
    ListBox1->insertItem(row, item);
    ListBox1->setCurrentRow(row);
}

void TAu6Form::moveUp() {
    moveTo(ListBox1->currentRow() - 1);
}
void TAu6Form::moveDown() {
    moveTo(ListBox1->currentRow() + 1);
}
void TAu6Form::moveFirst() {
    moveTo(0);
}
void TAu6Form::moveLast() {
    moveTo(ListBox1->count() - 1);
}
