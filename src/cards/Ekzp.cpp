#include "Ekzp.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStorageInfo>
#include <QVBoxLayout>

#include "CardFlags.h"
#include "DBCheckBoxz.h"
#include "DBEditz.h"
#include "DataM1.h"
#include "DbCtrlsError.h"
#include "Ekdh1.h"
#include "Ekdl1.h"
#include "Find22.h"
#include "FormSupport.h"
#include "Globals.h"
#include "Main.h"
#include "MessageBox.h"
#include "TDBNavigator.h"
#include "TitleFit.h"
#include "WindowPlacement.h"

TEkzpForm* EkzpForm = nullptr;

std::function<bool(const QString&, const QString&)> TEkzpForm::executeFile =
    [](const QString& file, const QString& parameters) { return TMainForm::ExecuteFile1(file, parameters); };

std::function<QString(QWidget*, const QString&)> TEkzpForm::choosePictureFile = [](QWidget* parent,
                                                                                   const QString& folder) {
    QFileDialog dialog(parent, QStringLiteral("Výběr souboru"), folder);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(
        {QStringLiteral("obrázkové soubory (*.jpg *.png *.gif *.bmp)"), QStringLiteral("všechny soubory (*)")});
    dialog.selectFile(QString());  // the file name starts empty
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().first();
};

namespace {

const QString kWindowKey = QStringLiteral("Kartoteka1");

struct Order {
    const char* field;
    const char* caption;
};
const Order kOrders[] = {
    {"Evc", "Kartotéka - podle evidenčního čísla"},
    {"Nla", "Kartotéka - podle názvu latinsky"},
    {"Nce", "Kartotéka - podle názvu česky"},
    {"Lk", "Kartotéka - podle lokality"},
    {"D", "Kartotéka - podle datumu"},
};

// The registration number box takes digits and signs only.
bool refusedInNumber(const QKeyEvent* key) {
    const QString text = key->text();
    if (text.isEmpty() || !text.at(0).isPrint()) return false;
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
    for (QChar c : text) {
        if (!c.isDigit() && c != QLatin1Char('+') && c != QLatin1Char('-')) return true;
    }
    return false;
}

QFrame* separator(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

}  // namespace

// ---- creation ------------------------------------------------------------------------------

TEkzpForm::TEkzpForm(QWidget* parent) : TEkzpForm(parent, false) {}

TEkzpForm::TEkzpForm(QWidget* parent, bool fromCorrection) : QDialog(parent), m_fromCorrection(fromCorrection) {
    EkzpForm = this;
    DM1->cardWindowOpen = true;
    setObjectName(QStringLiteral("EkzpForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Kartotéka"));
    TitleFit::install(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    forms::setHint(this, QStringLiteral("F3 - vyhledávání"));
    buildWindow();
    WindowPlacement::restore(this, kWindowKey, QPoint(40, 0), QPoint(120, 55));
    PrnBitBtn->setVisible(!m_fromCorrection);
    // A new card starts in the registration number.
    connect(DM1, &TDM1::newCardStarted, this, [this] {
        DBEditEvc->setFocus(Qt::OtherFocusReason);
        DBEditEvc->selectAll();  // the proposed number is replaced by what is typed
    });
    forms::installKeyPreview(this, this);
    Nastaveni1();
}

TEkzpForm::~TEkzpForm() {
    if (EkzpForm == this) EkzpForm = nullptr;
    if (DM1) DM1->cardWindowOpen = false;
}

int TEkzpForm::ShowForCorrection(QWidget* parent) {
    auto* form = new TEkzpForm(parent, true);
    form->setWindowTitle(QStringLiteral("Kartotéka"));
    return form->exec();
}

TDBEditz* TEkzpForm::makeEdit(const char* name, const char* field, const QString& hint) {
    auto* e = new TDBEditz(this);
    e->setObjectName(QLatin1String(name));
    e->setDataSource(DM1->HdokSource);
    e->setDataField(QLatin1String(field));
    forms::setHint(e, hint);
    return e;
}

void TEkzpForm::buildWindow() {
    DBEditEvc = makeEdit("DBEditEvc", "Evc", QStringLiteral("Evidenční číslo"));
    DBEditKdh = makeEdit("DBEditKdh", "Kdh", QStringLiteral("Kód názvu"));
    DBEditNla = makeEdit("DBEditNla", "Nla", QStringLiteral("Název latinsky"));
    DBEditAto = makeEdit("DBEditAto", "Ato", QStringLiteral("Autor"));
    DBCheckBoxPdh = new TDBCheckBoxz(this);
    DBCheckBoxPdh->setObjectName(QStringLiteral("DBCheckBoxPdh"));
    DBCheckBoxPdh->setText(QStringLiteral("přenést název"));
    forms::setHint(DBCheckBoxPdh, QStringLiteral("Zaškrtnuto - název se přenese do databáze"));
    DBEditNce = makeEdit("DBEditNce", "Nce", QStringLiteral("Název česky"));
    DBEditKdl = makeEdit("DBEditKdl", "Kdl", QStringLiteral("Kód lokality"));
    DBEditLk = makeEdit("DBEditLk", "Lk", QStringLiteral("Lokalita"));
    DBEditCmp = makeEdit("DBEditCmp", "Cmp", QStringLiteral("Číslo mapy"));
    DBCheckBoxPdl = new TDBCheckBoxz(this);
    DBCheckBoxPdl->setObjectName(QStringLiteral("DBCheckBoxPdl"));
    DBCheckBoxPdl->setText(QStringLiteral("přenést lokalitu"));
    forms::setHint(DBCheckBoxPdl, QStringLiteral("Zaškrtnuto - lokalita se přenese do databáze"));
    DBEditNmv = makeEdit("DBEditNmv", "Nmv", QStringLiteral("Nadmořská výška"));
    DBEditSd = makeEdit("DBEditSd", "Sd", QStringLiteral("Souřadnice GPS"));
    DBEditPlo1 = makeEdit("DBEditPlo1", "Plo1", QStringLiteral("Popis lokality - 1. řádek"));
    DBEditPlo2 = makeEdit("DBEditPlo2", "Plo2", QStringLiteral("Popis lokality - 2. řádek"));
    DBEditLe = makeEdit("DBEditLe", "Le", QStringLiteral("Leg."));
    DBEditD = makeEdit("DBEditD", "D", QStringLiteral("Datum"));
    DBEditDt = makeEdit("DBEditDt", "Dt", QStringLiteral("Det."));
    DBEditObr = makeEdit("DBEditObr", "Obr", QStringLiteral("Vyberte cestu k souboru, kde máte uložený obrázek"));
    for (TDBCheckBoxz* box : {DBCheckBoxPdh, DBCheckBoxPdl}) {
        box->setDataSource(DM1->HdokSource);
        box->setLayoutDirection(Qt::RightToLeft);  // the caption stands left of the box
    }
    DBCheckBoxPdh->setDataField(QStringLiteral("Pdh"));
    DBCheckBoxPdl->setDataField(QStringLiteral("Pdl"));
    // A typed date ("5", "3/4", "+1") is completed by the date field's own set-text rule in the
    // data module, the one rule every window shares.

    LabelNla = forms::makeLinkLabel(this, "LabelNla", QStringLiteral("Název latinsky:"));
    LabelLk = forms::makeLinkLabel(this, "LabelLk", QStringLiteral("Lokalita:"));
    LabelD = forms::makeLinkLabel(this, "LabelD", QStringLiteral("Datum:"));

    BitBtnAdr1 = new QPushButton(QStringLiteral("..."), this);
    BitBtnAdr1->setObjectName(QStringLiteral("BitBtnAdr1"));
    forms::setHint(BitBtnAdr1, QStringLiteral("Výběr souboru"));
    BitBtnAdr1->setFixedWidth(BitBtnAdr1->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 24);
    ButtonOb = new QPushButton(QStringLiteral("O&brázek"), this);
    ButtonOb->setObjectName(QStringLiteral("ButtonOb"));
    PrnBitBtn = new QPushButton(QStringLiteral("&Tisk"), this);
    PrnBitBtn->setObjectName(QStringLiteral("PrnBitBtn"));
    CloseButton = new QPushButton(QStringLiteral("&Zavřít"), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    for (QPushButton* b : {BitBtnAdr1, ButtonOb, PrnBitBtn, CloseButton}) b->setAutoDefault(false);
    // Only "Zavřít" is in the tab cycle.
    for (QPushButton* b : {BitBtnAdr1, ButtonOb, PrnBitBtn}) b->setFocusPolicy(Qt::NoFocus);
    connect(BitBtnAdr1, &QPushButton::clicked, this, &TEkzpForm::BitBtnAdr1Click);
    connect(ButtonOb, &QPushButton::clicked, this, &TEkzpForm::ButtonObClick);
    connect(PrnBitBtn, &QPushButton::clicked, this, &TEkzpForm::PrnBitBtnClick);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);

    DBNavigator = new TDBNavigator(this);
    DBNavigator->setObjectName(QStringLiteral("DBNavigator"));
    DBNavigator->setTabStop(false);
    DBNavigator->setDataSource(DM1->HdokSource);
    DBNavigator->setHints({QStringLiteral("První záznam (Ctrl+Home)"), QStringLiteral("Předchozí záznam (PgUp)"),
                           QStringLiteral("Další záznam (PgDn)"), QStringLiteral("Poslední záznam (Ctrl+End)"),
                           QStringLiteral("Vložit záznam (Insert nebo F2)"),
                           QStringLiteral("Smazat záznam (Ctrl+Del nebo Ctrl+Y)"),
                           QStringLiteral("Opravit záznam (F4)"), QStringLiteral("Uložit záznam (F9)"),
                           QStringLiteral("Stornovat změny (Esc)")});
    connect(DBNavigator, &TDBNavigator::clicked, this, [this] { Nastaveni1(); });

    // The frame: columns label | code | value | check box.
    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("Frame"));
    frame->setFrameShape(QFrame::StyledPanel);
    auto* g = new QGridLayout(frame);
    g->setVerticalSpacing(3);
    int row = 0;
    auto label = [this](const QString& text) { return new QLabel(text, this); };
    auto fullRow = [&](QWidget* caption, QWidget* edit) {
        if (caption) g->addWidget(caption, row, 0);
        g->addWidget(edit, row++, 1, 1, 3);
    };
    auto* title = new QLabel(QStringLiteral("K A R T O T É K A"), this);
    title->setObjectName(QStringLiteral("LabelTitle"));
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    title->setFont(titleFont);
    auto* numberRow = new QHBoxLayout;
    numberRow->addWidget(title);
    numberRow->addStretch(1);
    numberRow->addWidget(label(QStringLiteral("Evidenční číslo:")));
    numberRow->addWidget(DBEditEvc);
    DBEditEvc->setFixedWidth(DBEditEvc->fontMetrics().horizontalAdvance(QStringLiteral("-9999990")) + 16);
    g->addLayout(numberRow, row++, 0, 1, 4);
    g->addWidget(separator(this), row++, 0, 1, 4);
    g->addWidget(LabelNla, row, 0);
    g->addWidget(DBEditKdh, row, 1);
    g->addWidget(DBEditNla, row++, 2, 1, 2);
    g->addWidget(label(QStringLiteral("Autor:")), row, 0);
    g->addWidget(DBEditAto, row, 1, 1, 2);
    g->addWidget(DBCheckBoxPdh, row++, 3);
    fullRow(label(QStringLiteral("Název česky:")), DBEditNce);
    g->addWidget(separator(this), row++, 0, 1, 4);
    g->addWidget(LabelLk, row, 0);
    g->addWidget(DBEditKdl, row, 1);
    g->addWidget(DBEditLk, row++, 2, 1, 2);
    g->addWidget(label(QStringLiteral("Číslo mapy:")), row, 0);
    g->addWidget(DBEditCmp, row, 1, 1, 2);
    g->addWidget(DBCheckBoxPdl, row++, 3);
    fullRow(label(QStringLiteral("Nadmořská výška:")), DBEditNmv);
    fullRow(label(QStringLiteral("Souřadnice GPS:")), DBEditSd);
    fullRow(label(QStringLiteral("Popis lokality:")), DBEditPlo1);
    fullRow(nullptr, DBEditPlo2);
    g->addWidget(separator(this), row++, 0, 1, 4);
    fullRow(label(QStringLiteral("Leg:")), DBEditLe);
    g->addWidget(LabelD, row, 0);
    g->addWidget(DBEditD, row++, 1, 1, 2);
    fullRow(label(QStringLiteral("Det:")), DBEditDt);
    g->addWidget(separator(this), row++, 0, 1, 4);
    auto* pictureRow = new QHBoxLayout;
    pictureRow->addWidget(DBEditObr, 1);
    pictureRow->addWidget(BitBtnAdr1);
    g->addLayout(pictureRow, row++, 0, 1, 4);
    const int codeWidth = DBEditKdh->fontMetrics().horizontalAdvance(QStringLiteral("WWWWW")) + 14;
    DBEditKdh->setFixedWidth(codeWidth);
    DBEditKdl->setFixedWidth(codeWidth);
    g->setColumnStretch(2, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(DBNavigator, 4);
    buttons->addWidget(ButtonOb);
    buttons->addWidget(PrnBitBtn);
    buttons->addStretch(1);
    buttons->addWidget(CloseButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);

    QWidget* order[] = {DBEditEvc, DBEditKdh, DBEditNla,     DBEditAto, DBCheckBoxPdh, DBEditNce,  DBEditKdl,
                        DBEditLk,  DBEditCmp, DBCheckBoxPdl, DBEditNmv, DBEditSd,      DBEditPlo1, DBEditPlo2,
                        DBEditLe,  DBEditD,   DBEditDt,      DBEditObr, CloseButton};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

    ensurePolished();
    layout->activate();
    setFixedSize(sizeHint().expandedTo(QSize(551, 436)));
}


// ---- activation and order ------------------------------------------------------------------

void TEkzpForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_activated) return;
    m_activated = true;
    forms::guarded(this, [] { DM1->HdokR1(); });
    forms::guarded(this, [this] {
        Podle1();
        if (cards::cardGoToFirst) {
            DM1->Hdok.First();
            cards::cardGoToFirst = false;
        }
    });
    Nastaveni1();
}

void TEkzpForm::Podle1() {
    if (m_fromCorrection) return;
    const int value = forms::readFirmInteger(QStringLiteral("Vyhledavani22Podle"), 0);
    if (value < 0 || value >= int(std::size(kOrders))) return;
    DM1->Hdok.setIndexFieldNames(QLatin1String(kOrders[value].field));
    setWindowTitle(QString::fromUtf8(kOrders[value].caption));
}

void TEkzpForm::Nastaveni1() {
    const TTable& t = DM1->Hdok;
    m_speciesCode = t.Active() ? t.FieldByName(QStringLiteral("Kdh"))->AsString() : QString();
    m_localityCode = t.Active() ? t.FieldByName(QStringLiteral("Kdl"))->AsString() : QString();
}

void TEkzpForm::putInEdit() {
    DM1->Hdok.Edit();  // nothing while editing; a new card in an empty card index
}

// ---- catalogues ----------------------------------------------------------------------------

void TEkzpForm::Cislo1() {
    cards::pickMode = true;
    cards::cataloguesGoToFirst = false;
    const int result = (new TEkdh1Form(this))->exec();
    cards::pickMode = false;
    if (result != TCatalogueForm::PickResult) return;
    if (!forms::guarded(this, [this] {
            putInEdit();
            Cislo2();
        })) {
        return;
    }
    // The code picked is the one now in the card: leaving the code box must not look it up again,
    // which with two species of one code would replace the picked one by the first of them.
    m_speciesCode = DM1->Hdok.FieldByName(QStringLiteral("Kdh"))->AsString();
}

void TEkzpForm::Cislo2() {
    TTable& card = DM1->Hdok;
    const TTable& species = DM1->Hdath;
    card.FieldByName(QStringLiteral("Kdh"))->setValue(species.FieldByName(QStringLiteral("Kodh"))->Value());
    card.FieldByName(QStringLiteral("Nla"))->setValue(species.FieldByName(QStringLiteral("Nlad"))->Value());
    card.FieldByName(QStringLiteral("Ato"))->setValue(species.FieldByName(QStringLiteral("Atod"))->Value());
    card.FieldByName(QStringLiteral("Nce"))->setValue(species.FieldByName(QStringLiteral("Nced"))->Value());
}

void TEkzpForm::Cislo3() {
    cards::pickMode = true;
    cards::cataloguesGoToFirst = false;
    const int result = (new TEkdl1Form(this))->exec();
    cards::pickMode = false;
    if (result != TCatalogueForm::PickResult) return;
    if (!forms::guarded(this, [this] {
            putInEdit();
            Cislo4();
        })) {
        return;
    }
    m_localityCode = DM1->Hdok.FieldByName(QStringLiteral("Kdl"))->AsString();
}

void TEkzpForm::Cislo4() {
    TTable& card = DM1->Hdok;
    const TTable& localities = DM1->Hdatl;
    card.FieldByName(QStringLiteral("Kdl"))->setValue(localities.FieldByName(QStringLiteral("Kodl"))->Value());
    card.FieldByName(QStringLiteral("Lk"))->setValue(localities.FieldByName(QStringLiteral("Lkd"))->Value());
}

// Leaving the species code box: a code other than the remembered one fills the names from the
// first catalogue row with exactly that code (letter case counts), or empties them when there is
// none; the typed code stays. An emptied code names no species: it empties the names rather than
// copying whichever catalogue row happens to have no code. An empty code offers the catalogue
// when the common data ask for it.
void TEkzpForm::speciesCodeLeft() {
    if (!DM1->codeLookup) return;
    TTable& card = DM1->Hdok;
    const QString code = card.FieldByName(QStringLiteral("Kdh"))->AsString();
    if (code != m_speciesCode) {
        forms::guarded(this, [&] {
            putInEdit();
            if (!code.isEmpty() && DM1->Hdath.Locate(QStringLiteral("Kodh"), code)) {
                Cislo2();
            } else {
                for (const char* name : {"Nla", "Ato", "Nce"}) card.FieldByName(QLatin1String(name))->Clear();
            }
        });
    }
    if (card.FieldByName(QStringLiteral("Kdh"))->AsString().isEmpty() &&
        DM1->Hspl.FieldByName(QStringLiteral("Sdt"))->AsBoolean()) {
        Cislo1();
    }
}

void TEkzpForm::localityCodeLeft() {
    if (!DM1->codeLookup) return;
    TTable& card = DM1->Hdok;
    const QString code = card.FieldByName(QStringLiteral("Kdl"))->AsString();
    if (code != m_localityCode) {
        forms::guarded(this, [&] {
            putInEdit();
            if (!code.isEmpty() && DM1->Hdatl.Locate(QStringLiteral("Kodl"), code)) {
                Cislo4();
            } else {
                card.FieldByName(QStringLiteral("Lk"))->Clear();
            }
        });
    }
    if (card.FieldByName(QStringLiteral("Kdl"))->AsString().isEmpty() &&
        DM1->Hspl.FieldByName(QStringLiteral("Sdt"))->AsBoolean()) {
        Cislo3();
    }
}

void TEkzpForm::pickDate() {
    forms::guarded(this, [] { DM1->KDatum(DM1->Hdok, QStringLiteral("D")); });
}

// ---- picture -------------------------------------------------------------------------------

void TEkzpForm::BitBtnAdr1Click() {
    // The folder part of the path typed so far, when it exists; else the root of the file system
    // that holds the data directory, or the data directory itself.
    const QString typed = DBEditObr->text();
    const QString folder = typed.left(typed.lastIndexOf(QLatin1Char('/')) + 1);
    QString start;
    if (!folder.isEmpty() && QFileInfo(folder).isDir()) {
        start = folder;
    } else {
        const QString dataDir = MainForm ? MainForm->FileDir : QString();
        const QString root = QStorageInfo(dataDir).rootPath();
        start = !root.isEmpty() && QFileInfo(root).isDir() ? root : dataDir;
    }
    const QString file = choosePictureFile(this, start);
    if (file.isEmpty()) return;
    if (forms::guarded(this, [&] {
            putInEdit();
            DM1->Hdok.FieldByName(QStringLiteral("Obr"))->setAsString(QDir::toNativeSeparators(file));
        })) {
        DBEditObr->setFocus(Qt::OtherFocusReason);
    }
}

void TEkzpForm::ButtonObClick() {
    // Text being typed is written into the card first, as leaving its box would.
    if (auto* typing = qobject_cast<TDBEditz*>(focusWidget()); typing && !typing->updateRecord()) return;
    const QString picture = DM1->Hdok.FieldByName(QStringLiteral("Obr"))->AsString();
    if (picture.isEmpty()) {
        MessageBox::information(QStringLiteral("Není vybraný soubor."), this);
        return;
    }
    if (!QFileInfo::exists(picture)) {
        MessageBox::information(QStringLiteral("Soubor neexistuje."), this);
        return;
    }
    const TTable& common = DM1->Hspl;
    const QString viewer = common.FieldByName(QStringLiteral("Pobr"))->AsString();
    if (common.FieldByName(QStringLiteral("Spr"))->AsBoolean() && !viewer.isEmpty()) {
        if (!executeFile(viewer, QLatin1Char('"') + picture + QLatin1Char('"'))) {
            MessageBox::information(QStringLiteral("Prohlížeč obrázků ") + viewer +
                                        QStringLiteral(" se nepodařilo spustit, soubor ") + picture +
                                        QStringLiteral(" nelze otevřít."),
                                    this);
        }
    } else if (!executeFile(picture, QString())) {
        MessageBox::information(QStringLiteral("Soubor ") + picture + QStringLiteral(" se nepodařilo otevřít."), this);
    }
}

// ---- keys ----------------------------------------------------------------------------------

bool TEkzpForm::eventFilter(QObject* watched, QEvent* event) {
    if (forms::routeHint(event)) return true;
    auto* widget = qobject_cast<QWidget*>(watched);
    switch (event->type()) {
        case QEvent::KeyPress:
            if (!forms::forwardingKey() && handleKey(widget, static_cast<QKeyEvent*>(event))) return true;
            break;
        case QEvent::FocusIn: {
            // Coming back from another window or a menu is no entering of the box.
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) break;
            if (watched == DBEditKdh) m_speciesCode = DM1->Hdok.FieldByName(QStringLiteral("Kdh"))->AsString();
            if (watched == DBEditKdl) m_localityCode = DM1->Hdok.FieldByName(QStringLiteral("Kdl"))->AsString();
            break;
        }
        case QEvent::FocusOut: {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason || m_closing) break;
            if (watched != DBEditKdh && watched != DBEditKdl) break;
            // The typed code is written into the card first; a refused value keeps the focus.
            auto* box = static_cast<TDBEditz*>(watched);
            if (!box->updateRecord()) break;
            if (watched == DBEditKdh) {
                speciesCodeLeft();
            } else {
                localityCodeLeft();
            }
            break;
        }
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) break;
            if (watched == LabelNla) Cislo1();
            if (watched == LabelLk) Cislo3();
            if (watched == LabelD) pickDate();
            break;
        default:
            break;
    }
    return QDialog::eventFilter(watched, event);
}

bool TEkzpForm::event(QEvent* event) {
    if (forms::routeHint(event)) return true;
    return QDialog::event(event);
}

bool TEkzpForm::handleKey(QWidget* target, QKeyEvent* key) {
    const Qt::KeyboardModifiers mods = forms::modifiers(key);
    const bool plain = mods == Qt::NoModifier;
    const bool ctrl = mods == Qt::ControlModifier;
    TTable& t = DM1->Hdok;
    if (!t.Active()) return false;
    if (target == DBEditEvc && refusedInNumber(key)) {
        QApplication::beep();
        return true;
    }
    switch (key->key()) {
        case Qt::Key_Home:
            if (!ctrl) return false;
            if (!t.Bof() && forms::guarded(this, [&] { t.First(); })) Nastaveni1();
            // The control sees Ctrl+Home as well (an edit box moves its caret to the start).
            forms::sendHome(focusWidget(), mods);
            return true;
        case Qt::Key_PageUp:
            if (!plain) return false;
            if (!t.Bof() && forms::guarded(this, [&] { t.Prior(); })) Nastaveni1();
            return true;
        case Qt::Key_PageDown:
            if (!plain) return false;
            if (!t.Eof() && forms::guarded(this, [&] { t.Next(); })) Nastaveni1();
            return true;
        case Qt::Key_End:
            if (!ctrl || t.Eof()) return false;
            if (forms::guarded(this, [&] { t.Last(); })) Nastaveni1();
            // The control gets Home instead, once the window has done its part.
            forms::sendHome(focusWidget(), mods);
            return true;
        case Qt::Key_Insert:
        case Qt::Key_F2:
            if (!plain) return false;
            forms::guarded(this, [&] { t.Insert(); });
            return true;
        case Qt::Key_Y:
        case Qt::Key_Delete:
            if (!ctrl) return false;
            if (MessageBox::confirm(QStringLiteral("Smazat záznam?"), this) && forms::guarded(this, [&] { t.Delete(); }))
                Nastaveni1();
            forms::sendHome(focusWidget(), mods);
            return true;
        case Qt::Key_F4:
            if (!plain) return false;
            if (t.State() == TDataSetState::Browse) forms::guarded(this, [&] { t.Edit(); });
            return true;
        case Qt::Key_F9:
            if (!plain) return false;
            if (forms::editing(t)) forms::guarded(this, [&] { t.Post(); });
            return true;
        case Qt::Key_Escape:
            if (!plain) return false;
            if (forms::editing(t)) {
                if (MessageBox::confirm(QStringLiteral("Uložit provedené změny?"), this)) {
                    forms::guarded(this, [&] { t.Post(); });
                } else {
                    t.Cancel();
                }
            } else {
                reject();
            }
            return true;
        case Qt::Key_F3:
            if (!plain) return false;
            if (!m_fromCorrection) {
                (new TFind22Form(&t, this))->exec();
                forms::guarded(this, [this] { Podle1(); });
            }
            return true;
        case Qt::Key_F7:
            if (mods != Qt::ShiftModifier) return false;
            if (target == DBEditKdh) {
                Cislo1();
            } else if (target == DBEditKdl) {
                Cislo3();
            } else if (target == DBEditD) {
                pickDate();
            } else {
                return false;
            }
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (auto* button = qobject_cast<QPushButton*>(target); button && plain) {
                button->click();  // Enter presses the button that has the focus
                return true;
            }
            return false;
        default:
            return false;
    }
}

// ---- closing -------------------------------------------------------------------------------

void TEkzpForm::PrnBitBtnClick() {
    done(PrintResult);
}

bool TEkzpForm::closeQuery() {
    TTable& t = DM1->Hdok;
    if (!t.Active() || !forms::editing(t)) return true;
    const QString question = QStringLiteral("V tabulce ") + windowTitle() + QStringLiteral(" byly provedeny změny.") +
                             QLatin1Char('\n') + QStringLiteral("Uložit záznam?");
    switch (MessageBox::show(MsgKind::Confirmation, question, MsgButtons::YesNoCancel, this)) {
        case MsgResult::Yes:
            return forms::guarded(this, [&] { t.Post(); });
        case MsgResult::No:
            t.Cancel();
            return true;
        default:
            return false;
    }
}

void TEkzpForm::done(int result) {
    if (m_closing) return;
    if (!closeQuery()) return;
    m_closing = true;
    closingSequence(result);
    QDialog::done(result);
}

void TEkzpForm::closingSequence(int result) {
    TTable& card = DM1->Hdok;
    try {
        card.setIndexFieldNames(QStringLiteral("Evc"));
    } catch (const std::exception&) {
    }
    forms::setStatus(1, QString());
    forms::setStatus(2, QString());
    if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized))) WindowPlacement::save(this, kWindowKey);
    TTable& common = DM1->Hspl;
    if (forms::editing(common)) forms::guarded(this, [&] { common.Post(); });
    if (result == PrintResult) {
        // The label range is the card on screen.
        forms::guarded(this, [&] {
            forms::setLabelRange(card.FieldByName(QStringLiteral("Evc"))->AsInteger());
        });
    }
    // The tables are read again, the card cursor staying on its card.
    DM1->statusUpdate = false;
    forms::guarded(this, [&] {
        forms::reopen(card);
        if (DM1->Hdok3.Active()) forms::reopen(DM1->Hdok3);
        forms::reopen(common);
        forms::reopen(DM1->Hdath);
        forms::reopen(DM1->Hdatl);
    });
    DM1->statusUpdate = true;
    if (m_fromCorrection && DM1->Hdok3.Active()) {
        forms::guarded(this, [&] {
            TTable& correction = DM1->Hdok3;
            correction.Refresh();
            const TBookmark mark = card.GetBookmark();
            if (mark.isValid() && correction.BookmarkValid(mark)) correction.GotoBookmark(mark);
        });
    }
}
