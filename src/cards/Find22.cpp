#include "Find22.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "DataM1.h"
#include "Editz.h"
#include "Ekzp.h"
#include "FieldConvert.h"
#include "FormSupport.h"
#include "MessageBox.h"
#include "TTable.h"
#include "TitleFit.h"
#include "WindowPlacement.h"

namespace {

struct Order {
    const char* item;
    const char* field;
    const char* caption;
};
const Order kOrders[] = {
    {"Evid. čísla", "Evc", "Kartotéka - podle evidenčního čísla"},
    {"Názvu latinsky", "Nla", "Kartotéka - podle názvu latinsky"},
    {"Názvu česky", "Nce", "Kartotéka - podle názvu česky"},
    {"Lokality", "Lk", "Kartotéka - podle lokality"},
    {"Datumu", "D", "Kartotéka - podle datumu"},
};
constexpr int kOrderCount = 5;
const QString kName = QStringLiteral("Vyhledavani22");

}  // namespace

TFind22Form::TFind22Form(TTable* table, QWidget* owner) : QDialog(owner), m_table(table), m_owner(owner) {
    setObjectName(QStringLiteral("Find22Form"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Vyhledávání"));
    TitleFit::install(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    RadioGroup = new QGroupBox(QStringLiteral("Vyhledávat podle"), this);
    RadioGroup->setObjectName(QStringLiteral("RadioGroup"));
    m_items = new QButtonGroup(this);
    auto* grid = new QGridLayout(RadioGroup);
    for (int i = 0; i < kOrderCount; ++i) {
        auto* radio = new QRadioButton(QString::fromUtf8(kOrders[i].item), RadioGroup);
        radio->setObjectName(QStringLiteral("RadioGroupItem%1").arg(i));
        m_items->addButton(radio, i);
        grid->addWidget(radio, i, 0);
    }
    // Each search control stands at the height of the item it serves.
    FindEditEvc = new TEditz(RadioGroup);
    FindEditEvc->setObjectName(QStringLiteral("FindEditEvc"));
    FindEditEvc->setMaxLength(6);
    forms::setHint(FindEditEvc, QStringLiteral("Zapište hledané evidenční číslo"));
    ButtonEvc = new QPushButton(QStringLiteral("&Najdi"), RadioGroup);
    ButtonEvc->setObjectName(QStringLiteral("ButtonEvc"));
    FindEdit = new QLineEdit(RadioGroup);
    FindEdit->setObjectName(QStringLiteral("FindEdit"));
    forms::setHint(FindEdit, QStringLiteral("Zapište název, lokalitu, zápis se vyhledá"));
    FindEditD = new TEditz(RadioGroup);
    FindEditD->setObjectName(QStringLiteral("FindEditD"));
    FindEditD->setMaxLength(10);
    forms::setHint(FindEditD, QStringLiteral("Zapište hledaný datum"));
    ButtonD = new QPushButton(QStringLiteral("&Najdi"), RadioGroup);
    ButtonD->setObjectName(QStringLiteral("ButtonD"));
    grid->addWidget(FindEditEvc, 0, 1);
    grid->addWidget(ButtonEvc, 0, 2);
    grid->addWidget(FindEdit, 2, 1, 1, 2);
    grid->addWidget(FindEditD, 4, 1);
    grid->addWidget(ButtonD, 4, 2);
    grid->setColumnStretch(1, 1);
    grid->setColumnMinimumWidth(1, 150);

    CloseButton = new QPushButton(QStringLiteral("&Zavřít"), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    CloseButton->setDefault(true);  // Enter in the name box closes the dialog
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(ButtonEvc, &QPushButton::clicked, this, &TFind22Form::ButtonEvcClick);
    connect(ButtonD, &QPushButton::clicked, this, &TFind22Form::ButtonDClick);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(CloseButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(RadioGroup);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setMinimumSize(352, 165);

    setTabOrder(item(0), FindEditEvc);
    setTabOrder(FindEditEvc, ButtonEvc);
    setTabOrder(ButtonEvc, FindEdit);
    setTabOrder(FindEdit, FindEditD);
    setTabOrder(FindEditD, ButtonD);
    setTabOrder(ButtonD, CloseButton);

    WindowPlacement::restore(this, kName, QPoint(0, 0), QPoint(0, 0));
    m_stored = forms::readFirmInteger(kName + QStringLiteral("Podle"), 0);
    // The stored choice always runs once, so that the controls of its item are the ones shown.
    if (m_stored >= 0 && m_stored < kOrderCount) {
        choose(m_stored);
    } else {
        for (QWidget* w :
             {static_cast<QWidget*>(FindEditEvc), static_cast<QWidget*>(ButtonEvc), static_cast<QWidget*>(FindEdit),
              static_cast<QWidget*>(FindEditD), static_cast<QWidget*>(ButtonD)}) {
            w->setVisible(false);
        }
    }
    connect(m_items, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) choose(id);
    });
    connect(FindEdit, &QLineEdit::textChanged, this, &TFind22Form::search);
    forms::installKeyPreview(this, this);
}

QRadioButton* TFind22Form::item(int index) const {
    return qobject_cast<QRadioButton*>(m_items->button(index));
}

int TFind22Form::itemIndex() const {
    return m_items->checkedId();
}

void TFind22Form::rememberCodes() {
    if (EkzpForm) EkzpForm->Nastaveni1();
}

void TFind22Form::choose(int index) {
    m_stored = index;
    if (QRadioButton* radio = item(index); !radio->isChecked()) {
        const QSignalBlocker block(m_items);
        radio->setChecked(true);
    }
    const Order& o = kOrders[index];
    if (m_table->IndexFieldNames().compare(QLatin1String(o.field), Qt::CaseInsensitive) != 0) {
        try {
            m_table->setIndexFieldNames(QLatin1String(o.field));
            if (m_owner) m_owner->setWindowTitle(QString::fromUtf8(o.caption));
            m_table->First();
            rememberCodes();
        } catch (const std::exception&) {
            // A card that cannot be saved stays in the card window, which reports it there.
        }
    }
    // Every choice empties the three boxes and shows only the controls of its item.
    {
        const QSignalBlocker block(FindEdit);
        FindEdit->clear();
    }
    FindEditEvc->clear();
    FindEditD->clear();
    FindEditEvc->setVisible(index == 0);
    ButtonEvc->setVisible(index == 0);
    FindEdit->setVisible(index >= 1 && index <= 3);
    FindEditD->setVisible(index == 4);
    ButtonD->setVisible(index == 4);
}

void TFind22Form::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (FindEditEvc->isVisibleTo(this)) {
        FindEditEvc->setFocus(Qt::OtherFocusReason);
    } else if (FindEditD->isVisibleTo(this)) {
        FindEditD->setFocus(Qt::OtherFocusReason);
    } else if (FindEdit->isVisibleTo(this)) {
        FindEdit->setFocus(Qt::OtherFocusReason);
    }
}

void TFind22Form::search(const QString& text) {
    try {
        if (text.isEmpty()) {
            m_table->First();
        } else {
            m_table->FindNearest({text});
        }
        rememberCodes();
    } catch (const std::exception&) {
    }
}

void TFind22Form::ButtonEvcClick() {
    const QString text = FindEditEvc->text();
    bool found = false;
    bool isNumber = false;
    const int number = text.trimmed().toInt(&isNumber);
    // A text that is no whole number cannot be a registration number: it is reported like a
    // number that is not there, rather than with the engine's conversion error.
    if (isNumber) {
        try {
            found = m_table->Locate(QStringLiteral("Evc"), number);
        } catch (const std::exception&) {
            found = false;
        }
    }
    if (found) {
        rememberCodes();
    } else {
        MessageBox::information(QStringLiteral("Zápis číslo ") + text + QStringLiteral(" není zapsán v kartotéce."),
                                this);
    }
}

void TFind22Form::ButtonDClick() {
    const QString completed = TDM1::DatumAll(FindEditD->text());
    const QDate date = engine::parseDate(completed);
    if (!date.isValid()) {
        MessageBox::error(QStringLiteral("''%1'' není platný datum").arg(completed), this);
        return;
    }
    const QString shown = date.toString(QStringLiteral("dd.MM.yyyy"));
    FindEditD->setText(shown);
    try {
        if (!m_table->FindKey({date})) {
            m_table->FindNearest({date});
            MessageBox::information(QStringLiteral("Datum ") + shown + QStringLiteral(" není zapsán v kartotéce."),
                                    this);
        }
    } catch (const std::exception&) {
    }
    rememberCodes();
}

void TFind22Form::done(int result) {
    WindowPlacement::save(this, kName);
    forms::writeFirmInteger(kName + QStringLiteral("Podle"), m_stored);
    QDialog::done(result);
}

bool TFind22Form::eventFilter(QObject* watched, QEvent* event) {
    if (forms::routeHint(event)) return true;
    return QDialog::eventFilter(watched, event);
}

bool TFind22Form::event(QEvent* event) {
    if (forms::routeHint(event)) return true;
    return QDialog::event(event);
}
