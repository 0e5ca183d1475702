#include "Ekvh.h"

#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "CardFlags.h"
#include "DBCheckBoxz.h"
#include "DBEditz.h"
#include "DataM1.h"
#include "DbCtrlsError.h"
#include "Ekdh1.h"
#include "Ekdl1.h"
#include "Ekov.h"
#include "FormSupport.h"
#include "Globals.h"
#include "HourglassCursor.h"
#include "SqlQuote.h"
#include "TitleFit.h"
#include "Win1250.h"
#include "WindowPlacement.h"

TEkvhForm* EkvhForm = nullptr;

namespace {

const QString kWindowKey = QStringLiteral("RozsireneV1");
const QString kMarkAll = QStringLiteral("Update Hdok set Neh = \"A\"");
// The escape character of a pattern, used only when the typed text holds a wildcard.
const QChar kEscape = QLatin1Char('\\');

// The LIKE test of one name: the criterion in upper case, anywhere in the text or at its start.
// A % or _ the user typed is a character of the name, not a wildcard, so it is escaped.
QString likeLine(const char* field, const QString& criterion, bool inText) {
    const QString upper = engine::Win1250::upper(criterion);
    const bool wild = upper.contains(QLatin1Char('%')) || upper.contains(QLatin1Char('_')) || upper.contains(kEscape);
    QString pattern = inText ? QStringLiteral("%") : QString();
    for (QChar c : upper) {
        if (wild && (c == QLatin1Char('%') || c == QLatin1Char('_') || c == kEscape)) pattern += kEscape;
        pattern += c;
    }
    pattern += QLatin1Char('%');
    QString line = QStringLiteral(" Upper(%1) like ").arg(QLatin1String(field)) + engine::sql::quoteLiteral(pattern);
    if (wild) line += QStringLiteral(" escape ") + engine::sql::quoteLiteral(kEscape);
    return line;
}

}  // namespace

// ---- creation ------------------------------------------------------------------------------

TEkvhForm::TEkvhForm(QWidget* parent) : QDialog(parent) {
    EkvhForm = this;
    DM1->extendedSearchOpen = true;
    setObjectName(QStringLiteral("EkvhForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Rozšířené vyhledávání"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    buildWindow();
    TitleFit::install(this);
    WindowPlacement::restore(this, kWindowKey, QPoint(0, 0), QPoint(0, 0));
    const TTable& common = DM1->Hspl;
    m_speciesCode = common.FieldByName(QStringLiteral("Kdh1"))->AsString();
    m_localityCode = common.FieldByName(QStringLiteral("Kdl1"))->AsString();
    forms::installKeyPreview(this, this);
}

TEkvhForm::~TEkvhForm() {
    if (EkvhForm == this) EkvhForm = nullptr;
    if (DM1) DM1->extendedSearchOpen = false;
}

TDBEditz* TEkvhForm::makeEdit(const char* name, const char* field, const QString& hint) {
    auto* e = new TDBEditz(this);
    e->setObjectName(QLatin1String(name));
    e->setDataSource(DM1->HsplSource);
    e->setDataField(QLatin1String(field));
    forms::setHint(e, hint);
    return e;
}

TDBCheckBoxz* TEkvhForm::makeCheck(const char* name, const char* field) {
    auto* box = new TDBCheckBoxz(this);
    box->setObjectName(QLatin1String(name));
    box->setText(QStringLiteral("v textu"));
    box->setDataSource(DM1->HsplSource);
    box->setDataField(QLatin1String(field));
    forms::setHint(box, QStringLiteral("Zaškrtnuto - vyhledávání názvu v textu"));
    return box;
}

void TEkvhForm::buildWindow() {
    DBCheckBoxNlt = makeCheck("DBCheckBoxNlt", "Nlt");
    DBEditKdh1 = makeEdit("DBEditKdh1", "Kdh1", QStringLiteral("Kód názvu"));
    DBEditNla1 = makeEdit("DBEditNla1", "Nla1", QStringLiteral("Název latinsky"));
    DBCheckBoxNct = makeCheck("DBCheckBoxNct", "Nct");
    DBEditNce1 = makeEdit("DBEditNce1", "Nce1", QStringLiteral("Název česky"));
    DBCheckBoxLkt = makeCheck("DBCheckBoxLkt", "Lkt");
    DBEditKdl1 = makeEdit("DBEditKdl1", "Kdl1", QStringLiteral("Kód lokality"));
    DBEditLk1 = makeEdit("DBEditLk1", "Lk1", QStringLiteral("Lokalita"));
    DBEditEvc1o = makeEdit("DBEditEvc1o", "Evc1o", QStringLiteral("Evidenční číslo od"));
    DBEditEvc1d = makeEdit("DBEditEvc1d", "Evc1d", QStringLiteral("Evidenční číslo do"));
    DBEditD1o = makeEdit("DBEditD1o", "D1o", QStringLiteral("Datum od"));
    DBEditD1d = makeEdit("DBEditD1d", "D1d", QStringLiteral("Datum do"));
    LabelKdh1 = forms::makeLinkLabel(this, "LabelKdh1", QStringLiteral("Název latinsky"));
    LabelKdl1 = forms::makeLinkLabel(this, "LabelKdl1", QStringLiteral("Lokalita"));
    LabelD1o = forms::makeLinkLabel(this, "LabelD1o", QStringLiteral("od"));
    LabelD1d = forms::makeLinkLabel(this, "LabelD1d", QStringLiteral("do"));

    auto* box = new QGroupBox(this);
    auto* g = new QGridLayout(box);
    const int codeWidth = DBEditKdh1->fontMetrics().horizontalAdvance(QStringLiteral("WWWWW")) + 14;
    const int numberWidth = DBEditEvc1o->fontMetrics().horizontalAdvance(QStringLiteral("00.00.00000")) + 16;
    DBEditKdh1->setFixedWidth(codeWidth);
    DBEditKdl1->setFixedWidth(codeWidth);
    for (TDBEditz* e : {DBEditEvc1o, DBEditEvc1d, DBEditD1o, DBEditD1d}) e->setFixedWidth(numberWidth);
    auto nameWidth = [&](QWidget* w) { w->setMinimumWidth(DBEditNla1->fontMetrics().averageCharWidth() * 40); };
    for (TDBEditz* e : {DBEditNla1, DBEditNce1, DBEditLk1}) nameWidth(e);
    g->addWidget(LabelKdh1, 0, 0);
    g->addWidget(DBEditKdh1, 0, 1);
    g->addWidget(DBEditNla1, 0, 2, 1, 4);
    g->addWidget(DBCheckBoxNlt, 0, 6);
    g->addWidget(new QLabel(QStringLiteral("Název česky"), this), 1, 0);
    g->addWidget(DBEditNce1, 1, 1, 1, 5);
    g->addWidget(DBCheckBoxNct, 1, 6);
    g->addWidget(LabelKdl1, 2, 0);
    g->addWidget(DBEditKdl1, 2, 1);
    g->addWidget(DBEditLk1, 2, 2, 1, 4);
    g->addWidget(DBCheckBoxLkt, 2, 6);
    auto range = [&](int row, QWidget* caption, QWidget* from, QWidget* fromEdit, QWidget* to, QWidget* toEdit) {
        g->addWidget(caption, row, 0);
        auto* line = new QHBoxLayout;
        line->addWidget(from);
        line->addWidget(fromEdit);
        line->addSpacing(12);
        line->addWidget(to);
        line->addWidget(toEdit);
        line->addStretch(1);
        g->addLayout(line, row, 1, 1, 6);
    };
    range(3, new QLabel(QStringLiteral("Evidenční číslo"), this), new QLabel(QStringLiteral("od"), this), DBEditEvc1o,
          new QLabel(QStringLiteral("do"), this), DBEditEvc1d);
    range(4, new QLabel(QStringLiteral("Datum"), this), LabelD1o, DBEditD1o, LabelD1d, DBEditD1d);
    g->setColumnStretch(2, 1);
    auto* bevel = new QFrame(this);
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    g->addWidget(bevel, 5, 0, 1, 7);
    auto* note = new QLabel(QStringLiteral("Řazení záznamů si zvolte v čási Vyhledávání, opravy."), this);
    QFont bold = note->font();
    bold.setBold(true);
    note->setFont(bold);
    g->addWidget(note, 6, 0, 1, 7);

    VyberButton = new QPushButton(QStringLiteral("Vy&brat"), this);
    VyberButton->setObjectName(QStringLiteral("VyberButton"));
    forms::setHint(VyberButton, QStringLiteral("Vybrat"));
    ZrusitButton = new QPushButton(QStringLiteral("Zr&ušit výběr"), this);
    ZrusitButton->setObjectName(QStringLiteral("ZrusitButton"));
    forms::setHint(ZrusitButton, QStringLiteral("Zrušit výběr"));
    CloseButton = new QPushButton(QStringLiteral("&Zavřít"), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    for (QPushButton* b : {VyberButton, ZrusitButton, CloseButton}) b->setAutoDefault(false);
    connect(VyberButton, &QPushButton::clicked, this, &TEkvhForm::VyberButtonClick);
    connect(ZrusitButton, &QPushButton::clicked, this, &TEkvhForm::ZrusitButtonClick);
    connect(CloseButton, &QPushButton::clicked, this, [this] {
        if (postCriteria(CloseButton)) done(QDialog::Accepted);
    });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(VyberButton);
    buttons->addWidget(ZrusitButton);
    buttons->addStretch(1);
    buttons->addWidget(CloseButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(box);
    layout->addLayout(buttons);

    QWidget* order[] = {DBCheckBoxNlt, DBEditKdh1,  DBEditNla1,  DBCheckBoxNct, DBEditNce1,  DBCheckBoxLkt,
                        DBEditKdl1,    DBEditLk1,   DBEditEvc1o, DBEditEvc1d,   DBEditD1o,   DBEditD1d,
                        VyberButton,   ZrusitButton, CloseButton};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
    ensurePolished();
    layout->activate();
    setFixedSize(sizeHint());
}


void TEkvhForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) DBEditKdh1->setFocus(Qt::OtherFocusReason);
}

// ---- the statement -------------------------------------------------------------------------

QStringList TEkvhForm::selectionStatement(const TTable& common) {
    auto field = [&](const char* name) { return common.FieldByName(QLatin1String(name)); };
    QStringList lines;
    auto add = [&](const QString& test) { lines << (lines.isEmpty() ? QString() : QStringLiteral(" and")) + test; };
    struct Name {
        const char* criterion;
        const char* inText;
        const char* field;
    };
    for (const Name& n : {Name{"Nla1", "Nlt", "Nla"}, Name{"Nce1", "Nct", "Nce"}, Name{"Lk1", "Lkt", "Lk"}}) {
        const QString text = field(n.criterion)->AsString();
        if (!text.isEmpty()) add(likeLine(n.field, text, field(n.inText)->AsBoolean()));
    }
    if (!field("Evc1o")->IsNull() && !field("Evc1d")->IsNull()) {
        add(QStringLiteral(" Evc >= \"%1\" and Evc <= \"%2\"")
                .arg(field("Evc1o")->AsInteger())
                .arg(field("Evc1d")->AsInteger()));
    }
    if (!field("D1o")->IsNull() && !field("D1d")->IsNull()) {
        add(QStringLiteral(" D >= \"%1\" and D <= \"%2\"")
                .arg(field("D1o")->AsDate().toString(QStringLiteral("dd.MM.yyyy")),
                     field("D1d")->AsDate().toString(QStringLiteral("dd.MM.yyyy"))));
    }
    if (lines.isEmpty()) return {kMarkAll};
    return QStringList{kMarkAll, QStringLiteral(" where")} + lines;
}

// ---- selecting -----------------------------------------------------------------------------

bool TEkvhForm::postCriteria(QPushButton* focusTo) {
    // Leaving the edit box writes what is being typed; a refused value keeps the focus there.
    QWidget* typing = focusWidget();
    focusTo->setFocus(Qt::OtherFocusReason);
    if (typing && typing != focusTo && focusWidget() != focusTo) return false;
    TTable& common = DM1->Hspl;
    // A period that ends before it starts is told by the data module and stops here.
    return !forms::editing(common) || forms::guarded(this, [&] { common.Post(); });
}

void TEkvhForm::mark(const QStringList& sql, bool select) {
    HourglassCursor wait;
    TTable& search = DM1->Hdok3;
    TQuery& query = DM1->HdokQr;
    forms::guarded(this, [&] {
        // The cursors stay open: they share the table's records with the query, so they see
        // its changes at once and nothing is read from disk again.
        if (forms::editing(search)) search.Post();
        TEkovForm::unmarkAll();
        if (select) {
            TEkovForm::markingStarts();
            query.SQL = sql;
            query.ExecSQL();
        }
        query.Close();
    });
    DM1->selectionResetPending = select;
    forms::guarded(this, [&] {
        if (!search.Active()) search.Open();
        search.setFilter(select ? QStringLiteral("Neh = '%1'").arg(QLatin1Char('A')) : QString());
        search.setFiltered(select);
        search.Refresh();
        search.First();
        DM1->Hdok.Refresh();
        DM1->Hdok3R1();
    });
    if (EkovForm) EkovForm->ZobrPocet();
}

void TEkvhForm::VyberButtonClick() {
    if (!postCriteria(VyberButton)) return;
    mark(selectionStatement(DM1->Hspl), true);
}

void TEkvhForm::ZrusitButtonClick() {
    if (!postCriteria(ZrusitButton)) return;
    mark({}, false);
}

// ---- catalogues and dates ------------------------------------------------------------------

void TEkvhForm::PrenosSporin1() {
    TTable& species = DM1->Hdath;
    TTable& common = DM1->Hspl;
    forms::guarded(this, [&] {
        species.Refresh();
        species.First();
        // No code names no row: the catalogue stays on its first row rather than on one without a code.
        const QString code = common.FieldByName(QStringLiteral("Kdh1"))->AsString();
        if (!code.isEmpty()) species.Locate(QStringLiteral("Kodh"), code);
    });
    cards::pickMode = true;
    cards::cataloguesGoToFirst = false;
    const int result = (new TEkdh1Form(this))->exec();
    cards::pickMode = false;
    if (result == TCatalogueForm::PickResult) {
        forms::guarded(this, [&] {
            common.Edit();
            common.FieldByName(QStringLiteral("Kdh1"))->setValue(species.FieldByName(QStringLiteral("Kodh"))->Value());
            common.FieldByName(QStringLiteral("Nla1"))->setValue(species.FieldByName(QStringLiteral("Nlad"))->Value());
            common.FieldByName(QStringLiteral("Nce1"))->setValue(species.FieldByName(QStringLiteral("Nced"))->Value());
        });
        m_speciesCode = common.FieldByName(QStringLiteral("Kdh1"))->AsString();
    }
    forms::setStatus(1, QString());
    forms::setStatus(2, QString());
}

void TEkvhForm::PrenosLok1() {
    TTable& localities = DM1->Hdatl;
    TTable& common = DM1->Hspl;
    forms::guarded(this, [&] {
        localities.Refresh();
        localities.First();
        const QString code = common.FieldByName(QStringLiteral("Kdl1"))->AsString();
        if (!code.isEmpty()) localities.Locate(QStringLiteral("Kodl"), code);
    });
    cards::pickMode = true;
    cards::cataloguesGoToFirst = false;
    const int result = (new TEkdl1Form(this))->exec();
    cards::pickMode = false;
    if (result == TCatalogueForm::PickResult) {
        forms::guarded(this, [&] {
            common.Edit();
            common.FieldByName(QStringLiteral("Kdl1"))->setValue(localities.FieldByName(QStringLiteral("Kodl"))->Value());
            common.FieldByName(QStringLiteral("Lk1"))->setValue(localities.FieldByName(QStringLiteral("Lkd"))->Value());
        });
        m_localityCode = common.FieldByName(QStringLiteral("Kdl1"))->AsString();
    }
    forms::setStatus(1, QString());
    forms::setStatus(2, QString());
}

// A changed species code fills both names from the catalogue row with exactly that code, or
// empties them when the catalogue has none; the typed code stays. An emptied code names no
// species: it empties the names rather than copying a catalogue row that has no code.
void TEkvhForm::speciesCodeLeft() {
    TTable& common = DM1->Hspl;
    const QString code = common.FieldByName(QStringLiteral("Kdh1"))->AsString();
    if (code != m_speciesCode) {
        forms::guarded(this, [&] {
            common.Edit();
            const TTable& species = DM1->Hdath;
            const bool found = !code.isEmpty() && DM1->Hdath.Locate(QStringLiteral("Kodh"), code);
            common.FieldByName(QStringLiteral("Nla1"))
                ->setAsString(found ? species.FieldByName(QStringLiteral("Nlad"))->AsString() : QString());
            common.FieldByName(QStringLiteral("Nce1"))
                ->setAsString(found ? species.FieldByName(QStringLiteral("Nced"))->AsString() : QString());
        });
        m_speciesCode = code;
    }
    forms::setStatus(1, QString());
    forms::setStatus(2, QString());
}

void TEkvhForm::localityCodeLeft() {
    TTable& common = DM1->Hspl;
    const QString code = common.FieldByName(QStringLiteral("Kdl1"))->AsString();
    if (code != m_localityCode) {
        forms::guarded(this, [&] {
            common.Edit();
            const bool found = !code.isEmpty() && DM1->Hdatl.Locate(QStringLiteral("Kodl"), code);
            common.FieldByName(QStringLiteral("Lk1"))
                ->setAsString(found ? DM1->Hdatl.FieldByName(QStringLiteral("Lkd"))->AsString() : QString());
        });
        m_localityCode = code;
    }
    forms::setStatus(1, QString());
    forms::setStatus(2, QString());
}

// ---- events --------------------------------------------------------------------------------

bool TEkvhForm::eventFilter(QObject* watched, QEvent* event) {
    if (forms::routeHint(event)) return true;
    switch (event->type()) {
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(event);
            const Qt::KeyboardModifiers mods = forms::modifiers(key);
            if (key->key() == Qt::Key_F7 && mods == Qt::ShiftModifier) {
                if (watched == DBEditKdh1) PrenosSporin1();
                else if (watched == DBEditKdl1) PrenosLok1();
                else if (watched == DBEditD1o) forms::guarded(this, [] { DM1->KDatum(DM1->Hspl, QStringLiteral("D1o")); });
                else if (watched == DBEditD1d) forms::guarded(this, [] { DM1->KDatum(DM1->Hspl, QStringLiteral("D1d")); });
                else break;
                return true;
            }
            if (key->key() == Qt::Key_Escape && mods == Qt::NoModifier) {
                if (postCriteria(CloseButton)) done(QDialog::Accepted);
                return true;
            }
            if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && mods == Qt::NoModifier) {
                if (auto* button = qobject_cast<QPushButton*>(watched)) {
                    button->click();  // Enter presses the button that has the focus
                    return true;
                }
            }
            break;
        }
        case QEvent::FocusIn: {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) break;
            if (watched == DBEditKdh1) m_speciesCode = DM1->Hspl.FieldByName(QStringLiteral("Kdh1"))->AsString();
            if (watched == DBEditKdl1) m_localityCode = DM1->Hspl.FieldByName(QStringLiteral("Kdl1"))->AsString();
            break;
        }
        case QEvent::FocusOut: {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason || m_closing) break;
            if (watched != DBEditKdh1 && watched != DBEditKdl1) break;
            if (!static_cast<TDBEditz*>(watched)->updateRecord()) break;
            if (watched == DBEditKdh1) {
                speciesCodeLeft();
            } else {
                localityCodeLeft();
            }
            break;
        }
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) break;
            if (watched == LabelKdh1) PrenosSporin1();
            if (watched == LabelKdl1) PrenosLok1();
            if (watched == LabelD1o) forms::guarded(this, [] { DM1->KDatum(DM1->Hspl, QStringLiteral("D1o")); });
            if (watched == LabelD1d) forms::guarded(this, [] { DM1->KDatum(DM1->Hspl, QStringLiteral("D1d")); });
            break;
        default:
            break;
    }
    return QDialog::eventFilter(watched, event);
}

bool TEkvhForm::event(QEvent* event) {
    if (forms::routeHint(event)) return true;
    return QDialog::event(event);
}

void TEkvhForm::done(int result) {
    if (m_closing) return;
    m_closing = true;
    WindowPlacement::save(this, kWindowKey);
    TTable& common = DM1->Hspl;
    if (forms::editing(common) && !forms::guarded(this, [&] { common.Post(); })) {
        // A period that ends before it starts: the criteria stay on screen to be mended.
        m_closing = false;
        return;
    }
    forms::guarded(this, [&] { forms::reopen(common); });
    QDialog::done(result);
}
