#include "Ekov.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "CardFlags.h"
#include "DataM1.h"
#include "DbCtrlsError.h"
#include "Ekvh.h"
#include "Ekzp.h"
#include "FormSupport.h"
#include "Globals.h"
#include "HourglassCursor.h"
#include "MessageBox.h"
#include "SqlQuote.h"
#include "TDBGrid.h"
#include "TDBNavigator.h"
#include "TitleFit.h"
#include "WindowPlacement.h"

TEkovForm* EkovForm = nullptr;
bool TEkovForm::goToFirst = false;
bool TEkovForm::printAfterSearch = false;

namespace {

const QString kWindowKey = QStringLiteral("OpravyK1");
const QString kChoiceKey = QStringLiteral("VyhledavaniPodle1");
// The order of each choice, by its number.
const char* const kOrderFields[] = {"Evc", "Nla", "Nce", "Lk", "D"};

QPushButton* boldButton(QPushButton* button) {
    QFont f = button->font();
    f.setBold(true);
    button->setFont(f);
    return button;
}

}  // namespace

// ---- creation ------------------------------------------------------------------------------

TEkovForm::TEkovForm(QWidget* parent) : QDialog(parent) {
    EkovForm = this;
    setObjectName(QStringLiteral("EkovForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Vyhledávání, opravy"));
    // Fixed size: a single border with the system menu and minimising only.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    buildWindow();
    TitleFit::install(this);
    WindowPlacement::restore(this, kWindowKey, QPoint(0, 0), QPoint(32, 60));
    const int stored = forms::readFirmInteger(kChoiceKey, 0);
    applyChoice(stored >= 0 && stored < int(std::size(kOrderFields)) ? stored : 0);
    OprBitBtn->setEnabled(DM1->Hdok3.Active() && !DM1->Hdok3.IsEmpty());
    forms::installKeyPreview(this, this);
}

TEkovForm::~TEkovForm() {
    if (EkovForm == this) EkovForm = nullptr;
}

QRadioButton* TEkovForm::makeChoice(const char* name, const QString& text) {
    auto* radio = new QRadioButton(text, this);
    radio->setObjectName(QLatin1String(name));
    return radio;
}

void TEkovForm::buildWindow() {
    GroupBox1 = new QGroupBox(QStringLiteral("Vyhledávat podle"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    RadioButtonEvc1 = makeChoice("RadioButtonEvc1", QStringLiteral("Evid. čísla"));
    RadioButtonNla1 = makeChoice("RadioButtonNla1", QStringLiteral("Názvu latinsky"));
    RadioButtonNce1 = makeChoice("RadioButtonNce1", QStringLiteral("Názvu česky"));
    RadioButtonLk1 = makeChoice("RadioButtonLk1", QStringLiteral("Lokality"));
    RadioButtonD1 = makeChoice("RadioButtonD1", QStringLiteral("Datumu"));
    const QList<QRadioButton*> radios = {RadioButtonEvc1, RadioButtonNla1, RadioButtonNce1, RadioButtonLk1,
                                         RadioButtonD1};
    for (int i = 0; i < radios.size(); ++i) {
        connect(radios[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on) applyChoice(i);
        });
    }

    FindEditEvc = new QLineEdit(this);
    FindEditEvc->setObjectName(QStringLiteral("FindEditEvc"));
    FindEditEvc->setMaxLength(5);
    forms::setHint(FindEditEvc, QStringLiteral("Zapište hledané evidenční číslo"));
    FindEdit = new QLineEdit(this);
    FindEdit->setObjectName(QStringLiteral("FindEdit"));
    FindEdit->setMaxLength(10);
    forms::setHint(FindEdit, QStringLiteral("Zapište název, lokalitu, zápis se vyhledá"));
    FindEditD = new QLineEdit(this);
    FindEditD->setObjectName(QStringLiteral("FindEditD"));
    FindEditD->setMaxLength(10);
    forms::setHint(FindEditD, QStringLiteral("Zapište hledaný datum"));
    ButtonEvc = new QPushButton(QStringLiteral("&Najdi"), this);
    ButtonEvc->setObjectName(QStringLiteral("ButtonEvc"));
    ButtonD = new QPushButton(QStringLiteral("&Najdi"), this);
    ButtonD->setObjectName(QStringLiteral("ButtonD"));
    connect(ButtonEvc, &QPushButton::clicked, this, &TEkovForm::ButtonEvcClick);
    connect(ButtonD, &QPushButton::clicked, this, &TEkovForm::ButtonDClick);
    // Only what the user types searches: emptying the box when the order changes must not move.
    connect(FindEdit, &QLineEdit::textEdited, this, &TEkovForm::FindEditChange);

    OprBitBtn = boldButton(new QPushButton(QStringLiteral("&Opravit, upravit kartu - F4"), this));
    OprBitBtn->setObjectName(QStringLiteral("OprBitBtn"));
    connect(OprBitBtn, &QPushButton::clicked, this, &TEkovForm::Opravy1);

    auto* choices = new QHBoxLayout;
    for (QRadioButton* r : radios) choices->addWidget(r);
    choices->addStretch(1);
    auto* finds = new QHBoxLayout;
    finds->addWidget(FindEditEvc);
    finds->addWidget(ButtonEvc);
    finds->addWidget(FindEdit);
    finds->addWidget(FindEditD);
    finds->addWidget(ButtonD);
    finds->addStretch(1);
    finds->addWidget(OprBitBtn);
    const int boxWidth = FindEdit->fontMetrics().horizontalAdvance(QStringLiteral("00.00.00000")) + 16;
    for (QLineEdit* e : {FindEditEvc, FindEdit, FindEditD}) e->setFixedWidth(boxWidth);
    FindEdit->setFixedWidth(boxWidth * 2);
    auto* group = new QVBoxLayout(GroupBox1);
    group->addLayout(choices);
    group->addLayout(finds);

    DBGridHdok3 = new TDBGrid(this);
    DBGridHdok3->setObjectName(QStringLiteral("DBGridHdok3"));
    DBGridHdok3->setDataSource(DM1->Hdok3Source);
    // Titles are the fields' display labels.
    DBGridHdok3->setColumns({{QStringLiteral("Neh"), QString(), 22},
                             {QStringLiteral("Evc"), QString(), 42},
                             {QStringLiteral("Nla"), QString(), 229},
                             {QStringLiteral("Nce"), QString(), 170},
                             {QStringLiteral("Lk"), QString(), 210},
                             {QStringLiteral("D"), QString(), 59}});
    DBGridHdok3->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGridHdok3->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGridHdok3->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGridHdok3->horizontalHeader()->setVisible(true);
    QPalette info = DBGridHdok3->palette();
    info.setColor(QPalette::Base, info.color(QPalette::ToolTipBase));
    info.setColor(QPalette::Text, info.color(QPalette::ToolTipText));
    // The selected row stays marked when the focus is elsewhere.
    info.setColor(QPalette::Inactive, QPalette::Highlight, info.color(QPalette::Active, QPalette::Highlight));
    info.setColor(QPalette::Inactive, QPalette::HighlightedText,
                  info.color(QPalette::Active, QPalette::HighlightedText));
    DBGridHdok3->setPalette(info);
    connect(DBGridHdok3, &QAbstractItemView::doubleClicked, this, &TEkovForm::Opravy1);

    DBNavigator = new TDBNavigator(this);
    DBNavigator->setObjectName(QStringLiteral("DBNavigator"));
    DBNavigator->setDataSource(DM1->Hdok3Source);
    DBNavigator->setVisibleButtons({TDBNavigator::First, TDBNavigator::Prior, TDBNavigator::Next, TDBNavigator::Last});
    DBNavigator->setHints({QStringLiteral("První záznam (Ctrl+Home)"), QStringLiteral("Předchozí záznam (PgUp)"),
                           QStringLiteral("Další záznam (PgDn)"), QStringLiteral("Poslední záznam (Ctrl+End)"),
                           QString(), QString(), QString(), QString(), QString()});

    RozButton = boldButton(new QPushButton(QStringLiteral("&Rozšířené vyhledávání - F3"), this));
    RozButton->setObjectName(QStringLiteral("RozButton"));
    connect(RozButton, &QPushButton::clicked, this, &TEkovForm::Rozsirene1);
    LabelPocet = new QLabel(QStringLiteral("Počet druhů:"), this);
    LabelPocet->setObjectName(QStringLiteral("LabelPocet"));
    QFont bold = LabelPocet->font();
    bold.setBold(true);
    LabelPocet->setFont(bold);
    LabelPocet->setMinimumWidth(LabelPocet->fontMetrics().horizontalAdvance(QStringLiteral("Počet druhů: 0000000")));
    PrnBitBtn = new QPushButton(QStringLiteral("&Tisk"), this);
    PrnBitBtn->setObjectName(QStringLiteral("PrnBitBtn"));
    connect(PrnBitBtn, &QPushButton::clicked, this, [this] { done(PrintResult); });
    CloseButton = new QPushButton(QStringLiteral("&Zavřít"), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);
    for (QPushButton* b : {ButtonEvc, ButtonD, OprBitBtn, RozButton, PrnBitBtn, CloseButton}) b->setAutoDefault(false);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(DBNavigator);
    bottom->addWidget(RozButton);
    bottom->addWidget(LabelPocet, 1);
    bottom->addWidget(PrnBitBtn);
    bottom->addWidget(CloseButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addWidget(DBGridHdok3, 1);
    layout->addLayout(bottom);

    ensurePolished();
    layout->activate();
    setFixedSize(sizeHint().expandedTo(QSize(727, 426)));
}


void TEkovForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        QLineEdit* box = choice() == 0 ? FindEditEvc : choice() == 4 ? FindEditD : FindEdit;
        if (box->isVisible()) box->setFocus(Qt::OtherFocusReason);
        LabelPocet->clear();
        if (goToFirst) {
            forms::guarded(this, [] { DM1->Hdok3.First(); });
            goToFirst = false;
        }
        forms::guarded(this, [] { DM1->Hdok3R1(); });
    }
}

// ---- the order -----------------------------------------------------------------------------

int TEkovForm::choice() const {
    const QRadioButton* radios[] = {RadioButtonEvc1, RadioButtonNla1, RadioButtonNce1, RadioButtonLk1, RadioButtonD1};
    for (int i = 0; i < int(std::size(radios)); ++i) {
        if (radios[i]->isChecked()) return i;
    }
    return 0;
}

const char* const TEkovForm::kMarksKey = "OznaceneKarty1";

void TEkovForm::unmarkAll() {
    if (forms::readFirmInteger(QLatin1String(kMarksKey), 1) == 0) return;
    TQuery& query = DM1->HdokQr;
    query.Close();
    query.SQL = {QStringLiteral("Update Hdok set Neh = \"N\"")};
    query.ExecSQL();
    query.Close();
    forms::writeFirmInteger(QLatin1String(kMarksKey), 0);
}

void TEkovForm::markingStarts() {
    forms::writeFirmInteger(QLatin1String(kMarksKey), 1);
}

bool TEkovForm::selectionActive() {
    return DM1->Hdok3.Active() && DM1->Hdok3.Filtered();
}

void TEkovForm::applyChoice(int index) {
    QRadioButton* radios[] = {RadioButtonEvc1, RadioButtonNla1, RadioButtonNce1, RadioButtonLk1, RadioButtonD1};
    if (!radios[index]->isChecked()) {
        radios[index]->setChecked(true);  // comes back here through the toggle
        return;
    }
    if (index == 0) {
        TextEvc1();
    } else if (index == 4) {
        TextD1();
    } else {
        Text1();
    }
}

void TEkovForm::showFindControls() {
    const int c = choice();
    const bool finding = !selectionActive();
    FindEditEvc->setVisible(finding && c == 0);
    ButtonEvc->setVisible(finding && c == 0);
    FindEdit->setVisible(finding && c >= 1 && c <= 3);
    FindEditD->setVisible(finding && c == 4);
    ButtonD->setVisible(finding && c == 4);
}

// The three choices share what they do: empty the find boxes, show those of the choice and set
// the order (the current card stays current).
void TEkovForm::TextEvc1() {
    Text1();
}

void TEkovForm::TextD1() {
    Text1();
}

void TEkovForm::Text1() {
    for (QLineEdit* e : {FindEditEvc, FindEdit, FindEditD}) e->clear();
    showFindControls();
    if (!DM1->Hdok3.Active()) return;
    forms::guarded(this, [this] { DM1->Hdok3.setIndexFieldNames(QLatin1String(kOrderFields[choice()])); });
}

// ---- finding -------------------------------------------------------------------------------

void TEkovForm::ButtonEvcClick() {
    const QString text = FindEditEvc->text();
    bool number = false;
    const int evc = text.trimmed().toInt(&number);
    bool found = false;
    forms::guarded(this, [&] { found = number && DM1->Hdok3.Locate(QStringLiteral("Evc"), evc); });
    if (found) {
        OprBitBtn->setFocus(Qt::OtherFocusReason);
        return;
    }
    MessageBox::information(QStringLiteral("Zápis číslo ") + text + QStringLiteral(" není zapsán v kartotéce."), this);
    FindEditEvc->setFocus(Qt::OtherFocusReason);
}

void TEkovForm::ButtonDClick() {
    const QString completed = TDM1::DatumAll(FindEditD->text());
    QDate date = QDate::fromString(completed, QStringLiteral("d.M.yyyy"));
    if (!date.isValid()) {
        // What the date fields say about text that is no date.
        MessageBox::error(QStringLiteral("''%1'' není platný datum").arg(completed), this);
        FindEditD->setFocus(Qt::OtherFocusReason);
        return;
    }
    const QString shown = date.toString(QStringLiteral("dd.MM.yyyy"));
    FindEditD->setText(shown);
    TTable& t = DM1->Hdok3;
    bool found = false;
    if (!forms::guarded(this, [&] { found = t.FindKey({date}); })) return;
    if (found) {
        OprBitBtn->setFocus(Qt::OtherFocusReason);
        return;
    }
    forms::guarded(this, [&] { t.FindNearest({date}); });
    MessageBox::information(QStringLiteral("Datum ") + shown + QStringLiteral(" není zapsán v kartotéce."), this);
    FindEditD->setFocus(Qt::OtherFocusReason);
}

void TEkovForm::FindEditChange(const QString& text) {
    const int c = choice();
    if (c < 1 || c > 3) return;
    // The grid follows the typing; a failed search leaves the cursor where it was.
    try {
        DM1->Hdok3.FindNearest({text});
    } catch (const std::exception&) {
    }
}

// ---- correction, extended search, species count --------------------------------------------

void TEkovForm::Opravy1() {
    TTable& search = DM1->Hdok3;
    if (!search.Active()) return;
    if (forms::editing(search) && !forms::guarded(this, [&] { search.Post(); })) return;
    if (search.IsEmpty()) return;
    TTable& card = DM1->Hdok;
    const bool ready = forms::guarded(this, [&] {
        card.setFilter(search.Filter());
        card.setFiltered(search.Filtered());
        card.setIndexFieldNames(search.IndexFieldNames());
        card.Refresh();
        card.GotoBookmark(search.GetBookmark());
    });
    if (ready) {
        cards::cataloguesGoToFirst = false;
        TEkzpForm::ShowForCorrection(this);
    }
    forms::guarded(this, [&] {
        card.setFiltered(false);
        card.setFilter(QString());
    });
    forms::guarded(this, [] { DM1->Hdok3R1(); });
    OprBitBtn->setEnabled(!search.IsEmpty());
    ZobrPocet();
}

void TEkovForm::Rozsirene1() {
    RozButton->setFocus(Qt::OtherFocusReason);
    TTable& search = DM1->Hdok3;
    if (forms::editing(search) && !forms::guarded(this, [&] { search.Post(); })) return;
    (new TEkvhForm(this))->exec();
    const bool finding = !selectionActive();
    for (QWidget* w : std::initializer_list<QWidget*>{FindEditEvc, ButtonEvc, FindEdit, FindEditD, ButtonD}) {
        w->setEnabled(finding);
    }
    showFindControls();
    OprBitBtn->setEnabled(search.Active() && !search.IsEmpty());
    forms::guarded(this, [] { DM1->Hdok3R1(); });
    DBGridHdok3->setFocus(Qt::OtherFocusReason);
}

void TEkovForm::ZobrPocet() {
    const TTable& common = DM1->Hspl;
    auto filled = [&](const char* field) { return !common.FieldByName(QLatin1String(field))->AsString().isEmpty(); };
    const bool byLocality = selectionActive() && filled("Lk1") && !filled("Nla1") && !filled("Nce1") &&
                            !filled("Evc1o") && !filled("Evc1d") && !filled("D1o") && !filled("D1d");
    if (!byLocality) {
        LabelPocet->clear();
        return;
    }
    HourglassCursor wait;
    TQuery& query = DM1->HdokQr1;
    forms::guarded(this, [&] {
        query.Close();
        // The locality is quoted so that a quote in its name cannot end the literal early.
        query.SQL = {QStringLiteral("Select distinct Lk, Nla, Nce from Hdok where Lk = ") +
                         engine::sql::quoteLiteral(common.FieldByName(QStringLiteral("Lk1"))->AsString()),
                     common.FieldByName(QStringLiteral("Pr"))->AsBoolean() ? QStringLiteral("order by Nla")
                                                                           : QStringLiteral("order by Nce")};
        query.Open();
        LabelPocet->setText(QStringLiteral("Počet druhů: ") + QString::number(query.RecordCount()));
        query.Close();
    });
}

// ---- keys ----------------------------------------------------------------------------------

bool TEkovForm::eventFilter(QObject* watched, QEvent* event) {
    if (forms::routeHint(event)) return true;
    if (event->type() == QEvent::KeyPress && !forms::forwardingKey() &&
        handleKey(qobject_cast<QWidget*>(watched), static_cast<QKeyEvent*>(event))) {
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

bool TEkovForm::event(QEvent* event) {
    if (forms::routeHint(event)) return true;
    // Back from the card window or the extended search: the status bar shows this cursor again.
    if (event->type() == QEvent::WindowActivate && !m_closing && DM1->Hdok3.Active()) {
        forms::guarded(this, [] { DM1->Hdok3R1(); });
    }
    return QDialog::event(event);
}

bool TEkovForm::handleKey(QWidget* target, QKeyEvent* key) {
    const Qt::KeyboardModifiers mods = forms::modifiers(key);
    const bool plain = mods == Qt::NoModifier;
    const bool ctrl = mods == Qt::ControlModifier;
    TTable& t = DM1->Hdok3;
    switch (key->key()) {
        case Qt::Key_Home:
            if (!ctrl) return false;
            if (t.Active() && !t.Bof()) forms::guarded(this, [&] { t.First(); });
            return target == DBGridHdok3;  // an edit box moves its caret as well
        case Qt::Key_PageUp:
            if (!plain) return false;
            if (t.Active() && !t.Bof()) forms::guarded(this, [&] { t.Prior(); });
            return true;
        case Qt::Key_PageDown:
            if (!plain) return false;
            if (t.Active() && !t.Eof()) forms::guarded(this, [&] { t.Next(); });
            return true;
        case Qt::Key_End:
            if (!ctrl) return false;
            if (t.Active() && !t.Eof()) forms::guarded(this, [&] { t.Last(); });
            if (target != DBGridHdok3) forms::sendHome(focusWidget(), mods);
            return true;
        case Qt::Key_Delete:
        case Qt::Key_Y:
            // The grid is for looking only: cards are deleted in the card window.
            return ctrl && target == DBGridHdok3;
        case Qt::Key_F4:
            if (!plain) return false;
            Opravy1();
            return true;
        case Qt::Key_F3:
            if (!plain) return false;
            Rozsirene1();
            return true;
        case Qt::Key_F6:
            if (!plain) return false;
            done(PrintResult);
            return true;
        case Qt::Key_Escape:
            if (!plain) return false;
            reject();
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (!plain) return false;
            if (qobject_cast<QRadioButton*>(target)) {
                QLineEdit* box = choice() == 0 ? FindEditEvc : choice() == 4 ? FindEditD : FindEdit;
                if (box->isVisible() && box->isEnabled()) box->setFocus(Qt::TabFocusReason);
                return true;
            }
            if (target == FindEditEvc) ButtonEvc->click();
            else if (target == FindEditD) ButtonD->click();
            else if (auto* button = qobject_cast<QPushButton*>(target)) button->click();
            else return false;
            return true;
        default:
            return false;
    }
}

// ---- closing -------------------------------------------------------------------------------

void TEkovForm::done(int result) {
    if (m_closing) return;
    m_closing = true;
    closingSequence(result);
    QDialog::done(result);
}

void TEkovForm::closingSequence(int result) {
    forms::setStatus(1, QString());
    forms::setStatus(2, QString());
    // A minimised window keeps the position it had before.
    if (!(windowState() & Qt::WindowMinimized)) WindowPlacement::save(this, kWindowKey);
    forms::writeFirmInteger(kChoiceKey, choice());
    TTable& common = DM1->Hspl;
    if (forms::editing(common)) forms::guarded(this, [&] { common.Post(); });
    TTable& search = DM1->Hdok3;
    if (result == PrintResult && search.Active()) {
        // The label range is the card the grid stands on.
        forms::guarded(this, [&] {
            forms::setLabelRange(search.FieldByName(QStringLiteral("Evc"))->AsInteger());
        });
    }
    DM1->statusUpdate = false;
    forms::guarded(this, [&] {
        if (search.Active()) {
            search.setFiltered(false);
            search.setFilter(QString());
            forms::reopen(search);
        }
        forms::reopen(DM1->Hdok);
        forms::reopen(common);
    });
    DM1->statusUpdate = true;
}
