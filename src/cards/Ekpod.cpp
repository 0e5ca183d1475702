#include "Ekpod.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "Editz.h"
#include "FormSupport.h"
#include "Globals.h"
#include "Main.h"
#include "MessageBox.h"
#include "PathTemplates.h"
#include "TitleFit.h"
#include "WindowPlacement.h"

namespace {

const QString kWindowKey = QStringLiteral("DataS1");

QPushButton* offTabButton(QWidget* parent, const char* name, const QString& caption, const QString& hint) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setFocusPolicy(Qt::ClickFocus);
    b->setAutoDefault(false);
    forms::setHint(b, hint);
    return b;
}

}  // namespace

TEkpodForm::TEkpodForm(Values& values, QWidget* parent) : QDialog(parent), m_values(values) {
    setObjectName(QStringLiteral("EkpodForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Nastavení"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    auto* frame = new QGroupBox(QStringLiteral("Data pro textový soubor - nastavení"), this);
    QFont bold = frame->font();
    bold.setBold(true);
    frame->setFont(bold);
    auto* inner = new QWidget(frame);  // the controls keep the normal font
    inner->setFont(font());

    EditDte = new TEditz(inner);
    EditDte->setObjectName(QStringLiteral("EditDte"));
    EditDte->setMinimumWidth(520);
    BitBtnAdr1 = new QToolButton(inner);
    BitBtnAdr1->setObjectName(QStringLiteral("BitBtnAdr1"));
    BitBtnAdr1->setText(QStringLiteral("..."));
    BitBtnAdr1->setFocusPolicy(Qt::NoFocus);
    forms::setHint(BitBtnAdr1, QStringLiteral("Výběr souboru"));
    EditCesta1 = new TEditz(inner);
    EditCesta1->setObjectName(QStringLiteral("EditCesta1"));
    EditCesta1->setReadOnly(true);
    QPalette blue = EditCesta1->palette();
    blue.setColor(QPalette::Text, Qt::blue);
    EditCesta1->setPalette(blue);
    forms::setHint(EditCesta1, QStringLiteral("Kompletní cesta - např. pro kopírování (Ctrl + C)"));
    CheckBoxNzt = new QCheckBox(QStringLiteral("Zobrazit textový soubor po uložení"), inner);
    CheckBoxNzt->setObjectName(QStringLiteral("CheckBoxNzt"));
    CheckBoxNzt->setLayoutDirection(Qt::RightToLeft);  // caption on the left
    forms::setHint(CheckBoxNzt, QStringLiteral("Zaškrtnuto - zobrazí textový soubor po uložení"));
    BitBtnDat = offTabButton(inner, "BitBtnDat", QStringLiteral("Adresář &dat"),
                             QStringLiteral("Nastaví výchozí cestu (Adresář dat)"));
    BitBtnUziv = offTabButton(inner, "BitBtnUziv", QStringLiteral("Adresář &uživatele"),
                              QStringLiteral("Nastaví výchozí cestu (Adresář uživatele)"));
    ButtonVm = offTabButton(inner, "ButtonVm", QStringLiteral("&Smazat soubory"), QStringLiteral("Smaže uvedené soubory"));
    ComboBoxKds = new QComboBox(inner);
    ComboBoxKds->setObjectName(QStringLiteral("ComboBoxKds"));
    ComboBoxKds->addItems({QStringLiteral("UTF-8"), QStringLiteral("windows-1250"), QStringLiteral("iso-8859-2")});
    ComboBoxKds->setFocusPolicy(Qt::ClickFocus);
    forms::setHint(ComboBoxKds, QStringLiteral("kódování (společné pro všechny firmy)"));

    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(EditDte, 1);
    pathRow->addWidget(BitBtnAdr1);
    auto* optionRow = new QHBoxLayout;
    optionRow->addWidget(CheckBoxNzt);
    optionRow->addStretch(1);
    optionRow->addWidget(new QLabel(QStringLiteral("kódování"), inner));
    optionRow->addWidget(ComboBoxKds);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(BitBtnDat);
    buttonRow->addWidget(BitBtnUziv);
    buttonRow->addStretch(1);
    buttonRow->addWidget(ButtonVm);
    auto* il = new QVBoxLayout(inner);
    il->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(QStringLiteral("Uložit do:"), inner);
    label->setBuddy(EditDte);
    il->addWidget(label);
    il->addLayout(pathRow);
    il->addWidget(EditCesta1);
    il->addLayout(optionRow);
    il->addLayout(buttonRow);
    auto* fl = new QVBoxLayout(frame);
    fl->addWidget(inner);

    OKButton = new QPushButton(QStringLiteral("&OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addWidget(OKButton, 0, Qt::AlignRight);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setTabOrder(EditDte, EditCesta1);
    setTabOrder(EditCesta1, CheckBoxNzt);
    setTabOrder(CheckBoxNzt, OKButton);

    connect(BitBtnAdr1, &QToolButton::clicked, this, &TEkpodForm::BitBtnAdr1Click);
    connect(BitBtnDat, &QPushButton::clicked, this, [this] { proposeLocation(1); });
    connect(BitBtnUziv, &QPushButton::clicked, this, [this] { proposeLocation(2); });
    connect(ButtonVm, &QPushButton::clicked, this, &TEkpodForm::ButtonVmClick);

    WindowPlacement::restore(this, kWindowKey, QPoint(4, 91), QPoint(84, 171));
    EditDte->setText(m_values.path);
    CheckBoxNzt->setChecked(m_values.show);
    ComboBoxKds->setCurrentIndex(qBound(0, m_values.encoding, 2));
    expand();
    EditDte->installEventFilter(this);
    CheckBoxNzt->installEventFilter(this);
    TitleFit::install(this);
}

TEkpodForm::~TEkpodForm() = default;

void TEkpodForm::Nastaveni(int mode) {
    if (mode == 1) EditCesta1->setFocus();
}

void TEkpodForm::expand() {
    EditCesta1->setText(MainForm ? MainForm->CestyTyp2(EditDte->text(), 4) : QString());
}

void TEkpodForm::BitBtnAdr1Click() {
    if (!MainForm) return;
    expand();
    QFileDialog dialog(this, QStringLiteral("Výběr souboru"),
                       MainForm->pathTemplates().fileDialogDirectory(EditCesta1->text()));
    dialog.setObjectName(QStringLiteral("OpenDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::AnyFile);
    // A name typed without an extension becomes a text file, which "Smazat soubory" also knows.
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.setNameFilters({QStringLiteral("textové soubory (*.txt *.csv)"), QStringLiteral("všechny soubory (*)")});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    EditCesta1->setText(dialog.selectedFiles().first());
    EditDte->setText(MainForm->CestyTyp3(EditCesta1->text()));
}

void TEkpodForm::proposeLocation(int location) {
    const QString question = location == 1 ? QStringLiteral("Opravdu nastavit cesty (Adresář dat) ?")
                                           : QStringLiteral("Opravdu nastavit cesty (Adresář uživatele) ?");
    if (!MessageBox::confirm(question, this) || !MainForm) return;
    EditDte->setText(MainForm->CestyTyp1(location, 4));
    expand();
    OKButton->setFocus();
}

void TEkpodForm::ButtonVmClick() {
    if (MessageBox::confirm(QStringLiteral("Opravdu smazat uvedené soubory ?"), this)) {
        const QString path = EditCesta1->text();
        const QString extension = path.mid(path.lastIndexOf(QLatin1Char('.')));
        // Only the program's own kinds of text file, spelt as it writes them, are ever deleted.
        if (path.contains(QLatin1Char('.')) &&
            (extension == QLatin1String(".txt") || extension == QLatin1String(".csv"))) {
            QFile::remove(path);
        }
    }
    OKButton->setFocus();
}

bool TEkpodForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == EditDte && event->type() == QEvent::FocusOut) {
        expand();
    } else if (watched == CheckBoxNzt && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = forms::modifiers(key);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (mods == Qt::NoModifier) {
                OKButton->setFocus();
                return true;
            }
            if (mods == Qt::ShiftModifier) {
                EditCesta1->setFocus();
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool TEkpodForm::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        forms::routeHint(event);
        return true;
    }
    return QDialog::event(event);
}

void TEkpodForm::done(int result) {
    WindowPlacement::save(this, kWindowKey);
    m_values.path = EditDte->text();
    m_values.show = CheckBoxNzt->isChecked();
    m_values.encoding = ComboBoxKds->currentIndex();
    QDialog::done(result);
}
