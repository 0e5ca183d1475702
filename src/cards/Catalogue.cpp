#include "Catalogue.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "CardFlags.h"
#include "DBEditz.h"
#include "DataM1.h"
#include "DbCtrlsError.h"
#include "FindCatalogue.h"
#include "FormSupport.h"
#include "Globals.h"
#include "MessageBox.h"
#include "TDBNavigator.h"
#include "TDataSource.h"
#include "TTable.h"
#include "TitleFit.h"
#include "WindowPlacement.h"

namespace {

bool editing(const TDataSet& ds) {
    return ds.State() == TDataSetState::Edit || ds.State() == TDataSetState::Insert;
}

}  // namespace

TCatalogueForm::TCatalogueForm(const Setup& setup, TTable* table, TDataSource* source, QWidget* parent)
    : QDialog(parent), m_setup(setup), m_table(table), m_source(source) {
    setObjectName(setup.objectName);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(setup.caption);
    TitleFit::install(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    forms::setHint(this, QStringLiteral("F3 - vyhledávání"));
    m_pickMode = cards::pickMode;
}

TCatalogueForm::~TCatalogueForm() = default;

template <typename F>
void TCatalogueForm::guarded(F action) {
    try {
        action();
    } catch (const std::exception& e) {
        dbctrls::reportError(e, this);
    }
}

void TCatalogueForm::build() {
    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("EditFrame"));
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFrameShadow(QFrame::Raised);
    for (int i = 0; i < m_setup.edits.size(); ++i) {
        const EditField& f = m_setup.edits[i];
        auto* e = new TDBEditz(frame);
        e->setObjectName(f.objectName);
        e->setDataSource(m_source);
        e->setDataField(f.field);
        forms::setHint(e, f.hint);
        // The last box has its own Enter: back to the first (see handleKey).
        e->setEnterTab(i + 1 < m_setup.edits.size());
        m_edits << e;
    }
    layOutEditFrame(frame);

    m_grid = new TDBGrid(this);
    m_grid->setObjectName(m_setup.gridName);
    m_grid->setColumns(m_setup.columns);
    m_grid->setIndicator(true);
    m_grid->setTabKeyNavigation(true);  // Tab steps through the columns and rows
    m_grid->TabWrapsRows = true;
    m_grid->setDataSource(m_source);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    int width = m_grid->verticalHeader()->width() + 24;
    for (const TDBGrid::Column& c : m_setup.columns) width += c.width;
    m_grid->setMinimumWidth(width);
    connect(m_grid, &QAbstractItemView::doubleClicked, this, [this] {
        if (m_pickMode) CopyButtonClick();
    });

    DBNavigator = new TDBNavigator(this);
    DBNavigator->setObjectName(QStringLiteral("DBNavigator"));
    DBNavigator->setDataSource(m_source);
    DBNavigator->ConfirmDelete = false;
    DBNavigator->setHints({QStringLiteral("První záznam (Ctrl+Home)"), QStringLiteral("Předchozí záznam (PgUp)"),
                           QStringLiteral("Další záznam (PgDn)"), QStringLiteral("Poslední záznam (Ctrl+End)"),
                           QStringLiteral("Vložit záznam (Insert nebo F2)"),
                           QStringLiteral("Smazat záznam (Ctrl+Del nebo Ctrl+Y)"),
                           QStringLiteral("Opravit záznam (F4)"), QStringLiteral("Uložit záznam (F9)"),
                           QStringLiteral("Stornovat změny (Esc)")});

    CopyButton = new QPushButton(QStringLiteral("&Přenést"), this);
    CopyButton->setObjectName(QStringLiteral("CopyButton"));
    forms::setHint(CopyButton, QStringLiteral("Přenese vybraný zápis"));
    CopyButton->setVisible(m_pickMode);
    CloseButton = new QPushButton(QStringLiteral("&Zavřít"), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    // No default button: Enter belongs to the edit boxes and the grid.
    for (QPushButton* b : {CopyButton, CloseButton}) b->setAutoDefault(false);
    connect(CopyButton, &QPushButton::clicked, this, &TCatalogueForm::CopyButtonClick);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(DBNavigator, 3);
    bottom->addStretch(1);
    bottom->addWidget(CopyButton);
    bottom->addWidget(CloseButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addWidget(m_grid, 1);
    layout->addLayout(bottom);

    QWidget* previous = m_edits.first();
    for (QWidget* w : std::initializer_list<QWidget*>{m_edits.value(1), m_edits.value(2), m_edits.value(3), m_grid,
                                                      DBNavigator, CopyButton, CloseButton}) {
        if (!w || w == previous) continue;
        setTabOrder(previous, w);
        previous = w;
    }

    ensurePolished();
    layout->activate();
    setFixedSize(sizeHint().expandedTo(m_setup.clientSize));
    WindowPlacement::restore(this, m_setup.placementName, m_setup.narrowPosition, m_setup.widePosition);
    setOpenFlag(true);
    forms::installKeyPreview(this, this);
}

void TCatalogueForm::focusFirstEdit() {
    if (!m_edits.isEmpty()) m_edits.first()->setFocus(Qt::OtherFocusReason);
}

bool TCatalogueForm::gridHasFocus() const {
    return m_grid->hasFocus();
}

// ---- activation and order ------------------------------------------------------------------

void TCatalogueForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_activated) return;
    m_activated = true;
    guarded([this] { countRows(); });
    if (m_pickMode) {
        m_grid->setFocus(Qt::OtherFocusReason);
    } else {
        focusFirstEdit();
    }
    guarded([this] {
        Podle1();
        if (cards::cataloguesGoToFirst) {
            m_table->First();
            cards::cataloguesGoToFirst = false;
        }
    });
}

void TCatalogueForm::Podle1() {
    const int value = forms::readFirmInteger(m_setup.orderKey, 0);
    if (value < 0 || value >= m_setup.orders.size()) return;
    m_table->setIndexFieldNames(m_setup.orders[value].field);
    setWindowTitle(m_setup.orders[value].caption);
}

// ---- picking and closing -------------------------------------------------------------------

void TCatalogueForm::CopyButtonClick() {
    done(PickResult);
}

bool TCatalogueForm::closeQuery() {
    if (!m_table->Active() || !editing(*m_table)) return true;
    const QString question = QStringLiteral("V tabulce ") + windowTitle() + QStringLiteral(" byly provedeny změny.") +
                             QLatin1Char('\n') + QStringLiteral("Uložit záznam?");
    switch (MessageBox::show(MsgKind::Confirmation, question, MsgButtons::YesNoCancel, this)) {
        case MsgResult::Yes:
            try {
                m_table->Post();
            } catch (const std::exception& e) {
                dbctrls::reportError(e, this);
                return false;
            }
            return true;
        case MsgResult::No:
            m_table->Cancel();
            return true;
        default:
            return false;
    }
}

void TCatalogueForm::done(int result) {
    if (m_closing) return;
    if (!closeQuery()) return;
    m_closing = true;
    closingSequence();
    QDialog::done(result);
}

// The cursor goes back to its default order, so that other windows see the catalogue in it,
// and is re-read, staying on the row that was current (the one a caller picks).
void TCatalogueForm::closingSequence() {
    try {
        m_table->setIndexFieldNames(m_setup.orders.first().field);
    } catch (const std::exception&) {
    }
    forms::setStatus(1, QString());
    forms::setStatus(2, QString());
    if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)))
        WindowPlacement::save(this, m_setup.placementName);
    if (DM1) DM1->statusUpdate = false;
    try {
        forms::reopen(*m_table);
    } catch (const std::exception& e) {
        dbctrls::reportError(e, this);
    }
    if (DM1) {
        DM1->statusUpdate = true;
        DM1->Hdok1Ref1();
    }
    setOpenFlag(false);
}

// ---- keys ----------------------------------------------------------------------------------

bool TCatalogueForm::eventFilter(QObject* watched, QEvent* event) {
    if (forms::routeHint(event)) return true;
    if (event->type() == QEvent::KeyPress && !forms::forwardingKey()) {
        if (handleKey(qobject_cast<QWidget*>(watched), static_cast<QKeyEvent*>(event))) return true;
    }
    return QDialog::eventFilter(watched, event);
}

bool TCatalogueForm::event(QEvent* event) {
    if (forms::routeHint(event)) return true;
    return QDialog::event(event);
}

bool TCatalogueForm::handleKey(QWidget* target, QKeyEvent* key) {
    const Qt::KeyboardModifiers mods = forms::modifiers(key);
    const bool plain = mods == Qt::NoModifier;
    const bool ctrl = mods == Qt::ControlModifier;
    TTable& t = *m_table;
    const bool active = t.Active();
    switch (key->key()) {
        case Qt::Key_Home:
            if (!ctrl) return false;
            if (active && !t.Bof()) guarded([&] { t.First(); });
            // The control sees Ctrl+Home as well (an edit box moves its caret to the start).
            forms::sendHome(focusWidget(), mods);
            return true;
        case Qt::Key_PageUp:
            if (!plain) return false;
            if (active && !t.Bof()) guarded([&] { t.Prior(); });
            return true;
        case Qt::Key_PageDown:
            if (!plain) return false;
            if (active && !t.Eof()) guarded([&] { t.Next(); });
            return true;
        case Qt::Key_End:
            if (!ctrl || !active || t.Eof()) return false;
            guarded([&] { t.Last(); });
            // Outside the grid the control gets Home instead, once the window has done its part.
            if (!gridHasFocus()) forms::sendHome(focusWidget(), mods);
            return true;
        case Qt::Key_Insert:
        case Qt::Key_F2:
            if (!plain) return false;
            if (active) guarded([&] { t.Insert(); });
            return true;
        case Qt::Key_Y:
        case Qt::Key_Delete:
            if (!ctrl || (key->key() == Qt::Key_Delete && gridHasFocus())) return false;
            // Deleting asks nothing here; a new row is just dropped. The grid stays on the row
            // after the deleted one: only an edit box gets Home, which in the grid would be a
            // move to the first row.
            if (active) guarded([&] { t.Delete(); });
            if (!gridHasFocus()) forms::sendHome(focusWidget(), mods);
            return true;
        case Qt::Key_F4:
            if (!plain) return false;
            if (active && t.State() == TDataSetState::Browse) {
                if (gridHasFocus()) focusFirstEdit();
                guarded([&] { t.Edit(); });
            }
            return true;
        case Qt::Key_F9:
            if (!plain) return false;
            if (active && editing(t)) guarded([&] { t.Post(); });
            return true;
        case Qt::Key_Escape:
            if (!plain) return false;
            if (active && editing(t)) {
                if (MessageBox::confirm(QStringLiteral("Uložit provedené změny?"), this)) {
                    guarded([&] { t.Post(); });
                } else {
                    t.Cancel();
                }
            } else {
                reject();
            }
            return true;
        case Qt::Key_F3:
            if (!plain) return false;
            createFindForm()->exec();
            guarded([this] { Podle1(); });
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return handleEnter(target, mods);
        default:
            return false;
    }
}

bool TCatalogueForm::handleEnter(QWidget* target, Qt::KeyboardModifiers mods) {
    if (target == m_grid || (target && m_grid->isAncestorOf(target))) {
        // Enter in the grid picks the row, whatever the modifiers; outside pick mode it does nothing.
        if (m_pickMode) CopyButtonClick();
        return true;
    }
    if (target == m_edits.last() && (mods == Qt::NoModifier || mods == Qt::ShiftModifier)) {
        if (!m_edits.last()->updateRecord()) return true;  // a refused value keeps the focus
        TDBEditz* next = m_edits.first();
        if (mods == Qt::ShiftModifier && m_setup.shiftEnterToPrevious && m_edits.size() > 1) {
            next = m_edits[m_edits.size() - 2];
        }
        next->setFocus(Qt::TabFocusReason);
        return true;
    }
    if (auto* button = qobject_cast<QPushButton*>(target); button && mods == Qt::NoModifier) {
        button->click();  // Enter presses the button that has the focus
        return true;
    }
    return false;
}
