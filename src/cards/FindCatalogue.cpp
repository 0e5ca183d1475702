#include "FindCatalogue.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "FormSupport.h"
#include "TTable.h"
#include "TitleFit.h"
#include "WindowPlacement.h"

TFindCatalogueForm::TFindCatalogueForm(const Setup& setup, TTable* table, QWidget* owner)
    : QDialog(owner), m_setup(setup), m_table(table), m_owner(owner) {
    setObjectName(setup.objectName);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Vyhledávání"));
    TitleFit::install(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    RadioGroup = new QGroupBox(QStringLiteral("Vyhledávat podle"), this);
    RadioGroup->setObjectName(QStringLiteral("RadioGroup"));
    m_items = new QButtonGroup(this);
    auto* grid = new QGridLayout(RadioGroup);
    for (int i = 0; i < setup.items.size(); ++i) {
        auto* radio = new QRadioButton(setup.items[i].caption, RadioGroup);
        radio->setObjectName(QStringLiteral("RadioGroupItem%1").arg(i));
        m_items->addButton(radio, i);
        grid->addWidget(radio, i, 0);
    }
    FindEdit = new QLineEdit(RadioGroup);
    FindEdit->setObjectName(QStringLiteral("FindEdit"));
    FindEdit->setMinimumWidth(190);
    forms::setHint(FindEdit, setup.hint);
    grid->addWidget(FindEdit, 0, 1, Qt::AlignTop);
    grid->setColumnStretch(1, 1);

    CloseButton = new QPushButton(QStringLiteral("&Zavřít"), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    CloseButton->setDefault(true);  // Enter in the search box closes the dialog
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(CloseButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(RadioGroup);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setMinimumSize(setup.clientSize);

    setTabOrder(item(0), FindEdit);
    setTabOrder(FindEdit, CloseButton);

    WindowPlacement::restore(this, setup.name, QPoint(0, 0), QPoint(0, 0));
    m_stored = forms::readFirmInteger(setup.name + QStringLiteral("Podle"), 0);
    // The order chosen last is applied again only when it is not the first item: the window
    // opened in its order already.
    if (QRadioButton* chosen = item(m_stored)) {
        if (m_stored != 0) {
            choose(m_stored);
        } else {
            chosen->setChecked(true);
        }
    }
    connect(m_items, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) choose(id);
    });
    connect(FindEdit, &QLineEdit::textChanged, this, &TFindCatalogueForm::search);
    forms::installKeyPreview(this, this);
}

void TFindCatalogueForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FindEdit->setFocus(Qt::OtherFocusReason);
}

QRadioButton* TFindCatalogueForm::item(int index) const {
    return qobject_cast<QRadioButton*>(m_items->button(index));
}

int TFindCatalogueForm::itemIndex() const {
    return m_items->checkedId();
}

// The chosen order: set it, rename the owning window and go to the first row, unless the cursor
// is in that order already. The text in the search box stays and is not searched again.
void TFindCatalogueForm::choose(int index) {
    const Item& it = m_setup.items[index];
    m_stored = index;
    if (QRadioButton* radio = item(index); !radio->isChecked()) {
        const QSignalBlocker block(m_items);
        radio->setChecked(true);
    }
    if (m_table->IndexFieldNames().compare(it.field, Qt::CaseInsensitive) == 0) return;
    try {
        m_table->setIndexFieldNames(it.field);
        if (m_owner) m_owner->setWindowTitle(it.ownerCaption);
        m_table->First();
    } catch (const std::exception&) {
        // A row that cannot be saved stays in the window behind; its own error report comes
        // when the user returns to it.
    }
}

// Nearest match in the current order: the first row equal to the text or sorting after it in
// the order's collation; an empty text finds the first row. Failures leave the cursor.
void TFindCatalogueForm::search(const QString& text) {
    try {
        if (text.isEmpty()) {
            m_table->First();
        } else {
            m_table->FindNearest({text});
        }
    } catch (const std::exception&) {
    }
}

void TFindCatalogueForm::done(int result) {
    WindowPlacement::save(this, m_setup.name);
    forms::writeFirmInteger(m_setup.name + QStringLiteral("Podle"), m_stored);
    QDialog::done(result);
}

bool TFindCatalogueForm::eventFilter(QObject* watched, QEvent* event) {
    if (forms::routeHint(event)) return true;
    return QDialog::eventFilter(watched, event);
}

bool TFindCatalogueForm::event(QEvent* event) {
    if (forms::routeHint(event)) return true;
    return QDialog::event(event);
}
