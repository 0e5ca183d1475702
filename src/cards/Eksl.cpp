#include "Eksl.h"

#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "DBCheckBoxz.h"
#include "DBEditz.h"
#include "DataM1.h"
#include "DbCtrlsError.h"
#include "FormSupport.h"
#include "Globals.h"
#include "Main.h"
#include "MessageBox.h"
#include "TitleFit.h"
#include "WindowPlacement.h"

namespace {

const QString kWindowKey = QStringLiteral("UdajeS1");

TDBEditz* boundEdit(QWidget* parent, const char* name, const char* field, const QString& hint) {
    auto* e = new TDBEditz(parent);
    e->setObjectName(QLatin1String(name));
    e->setDataSource(DM1->HsplSource);
    e->setDataField(QLatin1String(field));
    forms::setHint(e, hint);
    return e;
}

// A check box that reads "ano" when ticked and "ne" when not, however it was changed.
TDBCheckBoxz* yesNoBox(QWidget* parent, const char* name, const char* field, const QString& hint) {
    auto* c = new TDBCheckBoxz(parent);
    c->setObjectName(QLatin1String(name));
    c->setDataSource(DM1->HsplSource);
    c->setDataField(QLatin1String(field));
    forms::setHint(c, hint);
    auto caption = [c] { c->setText(c->isChecked() ? QStringLiteral("ano") : QStringLiteral("ne")); };
    QObject::connect(c, &QCheckBox::toggled, c, caption);
    caption();
    return c;
}

}  // namespace

TEkslForm::TEkslForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("EkslForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Společné údaje"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    auto* title = new QLabel(QStringLiteral("S P O L E Č N É   Ú D A J E"), this);
    QFont big = title->font();
    big.setBold(true);
    big.setPointSize(big.pointSize() + 4);
    title->setFont(big);

    DBEditSna = boundEdit(this, "DBEditSna", "Sna", QStringLiteral("Nadpis na evidenčním štítku"));
    DBEditSle = boundEdit(this, "DBEditSle", "Sle",
                          QStringLiteral("Pokud zde napíšete jméno, bude se automaticky nabízet při zápisu"));
    DBCheckBoxSdt = yesNoBox(this, "DBCheckBoxSdt", "Sdt", QStringLiteral("Nabízet automaticky databáze při zápisu ano/ne"));
    DBEditCislo = boundEdit(this, "DBEditCislo", "Cislo", QStringLiteral("Číslování v kartotéce od"));
    DBEditCislo->setFixedWidth(90);
    const QString viewerText =
        QStringLiteral("Pokud zde napíšete cestu, zobrazí se obrázky v tomto prohlížeči, jinak ve výchozím");
    DBEditPobr = boundEdit(this, "DBEditPobr", "Pobr", viewerText);
    BitBtnAdr1 = new QToolButton(this);
    BitBtnAdr1->setObjectName(QStringLiteral("BitBtnAdr1"));
    BitBtnAdr1->setText(QStringLiteral("..."));
    BitBtnAdr1->setFocusPolicy(Qt::NoFocus);
    forms::setHint(BitBtnAdr1, QStringLiteral("Výběr souboru"));
    DBCheckBoxSpr = yesNoBox(this, "DBCheckBoxSpr", "Spr", QStringLiteral("Zobrazovat obrázky v tomto prohlížeči ano/ne"));
    OKButton = new QPushButton(QStringLiteral("&OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtnAdr1, &QToolButton::clicked, this, &TEkslForm::BitBtnAdr1Click);

    auto label = [this](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, this);
        l->setBuddy(buddy);
        return l;
    };
    auto* grid = new QGridLayout;
    grid->addWidget(label(QStringLiteral("Nadpis na evid. štítku"), DBEditSna), 0, 0);
    grid->addWidget(DBEditSna, 0, 1, 1, 4);
    grid->addWidget(label(QStringLiteral("Leg. (nejčastější)"), DBEditSle), 1, 0);
    grid->addWidget(DBEditSle, 1, 1, 1, 4);
    grid->addWidget(label(QStringLiteral("Nabízet automaticky databáze při zápisu"), DBCheckBoxSdt), 2, 0);
    grid->addWidget(DBCheckBoxSdt, 2, 1);
    grid->addWidget(label(QStringLiteral("Číslování v kartotéce od"), DBEditCislo), 2, 2, Qt::AlignRight);
    grid->addWidget(DBEditCislo, 2, 3);
    // Two lines of fixed breaks: a wrapping label would let the layout squeeze the columns.
    auto* viewerLabel = label(QStringLiteral("Prohlížeč (obrázky): Pokud zde napíšete cestu, zobrazí se obrázky v "
                                             "tomto\nprohlížeči, jinak ve výchozím"),
                              DBEditPobr);
    grid->addWidget(viewerLabel, 3, 0, 1, 5);
    grid->addWidget(DBEditPobr, 4, 0, 1, 4);
    grid->addWidget(BitBtnAdr1, 4, 4);
    grid->addWidget(label(QStringLiteral("Zobrazovat obrázky v tomto prohlížeči"), DBCheckBoxSpr), 5, 0);
    grid->addWidget(DBCheckBoxSpr, 5, 1);
    grid->setColumnStretch(4, 0);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title, 0, Qt::AlignHCenter);
    layout->addLayout(grid);
    layout->addWidget(OKButton, 0, Qt::AlignRight);
    layout->setSizeConstraint(QLayout::SetMinimumSize);
    setMinimumSize(551, 251);
    setTabOrder(DBEditSna, DBEditSle);
    setTabOrder(DBEditSle, DBCheckBoxSdt);
    setTabOrder(DBCheckBoxSdt, DBEditCislo);
    setTabOrder(DBEditCislo, DBEditPobr);
    setTabOrder(DBEditPobr, DBCheckBoxSpr);
    setTabOrder(DBCheckBoxSpr, OKButton);

    WindowPlacement::restore(this, kWindowKey, QPoint(40, 68), QPoint(120, 148));
    TitleFit::install(this);
}

TEkslForm::~TEkslForm() = default;

void TEkslForm::BitBtnAdr1Click() {
    const QString viewer = DM1->Hspl.FieldByName(QStringLiteral("Pobr"))->AsString();
    const int cut = qMax(viewer.lastIndexOf(QLatin1Char('/')), qMax(viewer.lastIndexOf(QLatin1Char('\\')),
                                                                    viewer.lastIndexOf(QLatin1Char(':'))));
    const QString folder = cut >= 0 ? viewer.left(cut + 1) : QString();
    QString start = !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
    if (start.isEmpty() && MainForm) start = MainForm->DirTyp(5);
    QFileDialog dialog(this, QStringLiteral("Výběr souboru"), start);
    dialog.setObjectName(QStringLiteral("OpenDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({QStringLiteral("programové soubory (*.bat *.exe *.lnk *.sh *.desktop)"),
                           QStringLiteral("všechny soubory (*)")});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    try {
        DM1->Hspl.Edit();
        DM1->Hspl.FieldByName(QStringLiteral("Pobr"))->setAsString(QDir::toNativeSeparators(dialog.selectedFiles().first()));
    } catch (const std::exception& e) {
        dbctrls::reportError(e, this);
    }
    DBEditPobr->setFocus();
}

bool TEkslForm::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        forms::routeHint(event);
        return true;
    }
    return QDialog::event(event);
}

void TEkslForm::done(int result) {
    // Posting writes the text being typed into its field; a value the field refuses, or a save
    // the record rules refuse, keeps the window open.
    WindowPlacement::save(this, kWindowKey);
    TTable& hspl = DM1->Hspl;
    try {
        if (hspl.State() == TDataSetState::Edit || hspl.State() == TDataSetState::Insert) hspl.Post();
    } catch (const std::exception& e) {
        dbctrls::reportError(e, this);
        return;
    }
    try {
        forms::reopen(hspl);
    } catch (const std::exception& e) {
        dbctrls::reportError(e, this);
    }
    QDialog::done(result);
}
