#include "TDBNavigator.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QToolButton>

#include "DbCtrlsError.h"
#include "MessageBox.h"
#include "TDataSet.h"
#include "TDataSource.h"

namespace {

// Glyphs of the buttons: arrows to the ends and by one record, plus, minus, edit, save, drop.
const char* const kGlyphs[TDBNavigator::kButtonCount] = {"|◀", "◀", "▶", "▶|", "+", "−", "✎", "✔", "✘"};
const char* const kNames[TDBNavigator::kButtonCount] = {"First",  "Prior", "Next", "Last",  "Insert",
                                                        "Delete", "Edit",  "Post", "Cancel"};

bool editing(const TDataSet* ds) {
    return ds->State() == TDataSetState::Edit || ds->State() == TDataSetState::Insert;
}

}  // namespace

TDBNavigator::TDBNavigator(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const int side = fontMetrics().height() + 10;
    for (int i = 0; i < kButtonCount; ++i) {
        auto* b = new QToolButton(this);
        b->setObjectName(QStringLiteral("NavButton") + QLatin1String(kNames[i]));
        b->setText(QString::fromUtf8(kGlyphs[i]));
        b->setMinimumSize(side + 6, side);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        // The navigator is one tab stop; its chosen button takes the focus for it.
        b->setFocusPolicy(Qt::ClickFocus);
        b->installEventFilter(this);
        connect(b, &QToolButton::clicked, this, [this, i] { BtnClick(Button(i)); });
        layout->addWidget(b);
        m_buttons[i] = b;
    }
    setFocusPolicy(Qt::StrongFocus);
    setFocusProxy(m_buttons[0]);
    updateButtons();
}

TDBNavigator::~TDBNavigator() = default;

void TDBNavigator::setDataSource(TDataSource* source) {
    if (m_source == source) return;
    if (m_source) disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    if (m_source) {
        connect(m_source, &TDataSource::stateChanged, this, &TDBNavigator::updateButtons);
        connect(m_source, &TDataSource::dataChanged, this, [this](TField* field) {
            if (!field) updateButtons();
        });
    }
    updateButtons();
}

void TDBNavigator::setTabStop(bool on) {
    setFocusPolicy(on ? Qt::StrongFocus : Qt::NoFocus);
    for (QToolButton* b : m_buttons) b->setFocusPolicy(on ? Qt::ClickFocus : Qt::NoFocus);
    setFocusProxy(on ? m_buttons[m_chosen] : nullptr);
}

TDataSource* TDBNavigator::DataSource() const {
    return m_source;
}

void TDBNavigator::setVisibleButtons(const QVector<Button>& buttons) {
    for (int i = 0; i < kButtonCount; ++i) m_buttons[i]->setVisible(buttons.contains(Button(i)));
    if (!m_buttons[m_chosen]->isVisibleTo(this)) {
        for (int i = 0; i < kButtonCount; ++i) {
            if (buttons.contains(Button(i))) {
                choose(i);
                break;
            }
        }
    }
}

void TDBNavigator::setHints(const QStringList& hints) {
    for (int i = 0; i < kButtonCount && i < hints.size(); ++i) {
        m_buttons[i]->setToolTip(hints[i]);
        m_buttons[i]->setStatusTip(hints[i]);
    }
}

// The enabling of the buttons follows the dataset: moves towards an end the cursor has not
// reached, changes only where the dataset can be changed and in the fitting state.
void TDBNavigator::updateButtons() {
    TDataSet* ds = m_source ? m_source->DataSet() : nullptr;
    const bool active = ds && ds->Active();
    const bool canModify = active && ds->CanModify();
    const bool edits = active && editing(ds);
    const bool up = active && !ds->Bof();
    const bool down = active && !ds->Eof();
    m_buttons[First]->setEnabled(up);
    m_buttons[Prior]->setEnabled(up);
    m_buttons[Next]->setEnabled(down);
    m_buttons[Last]->setEnabled(down);
    m_buttons[Insert]->setEnabled(canModify);
    m_buttons[Delete]->setEnabled(canModify && !(ds->Bof() && ds->Eof() && !edits));
    m_buttons[Edit]->setEnabled(canModify && !edits);
    m_buttons[Post]->setEnabled(canModify && edits);
    m_buttons[Cancel]->setEnabled(canModify && edits);
}

void TDBNavigator::BtnClick(Button which) {
    TDataSet* ds = m_source ? m_source->DataSet() : nullptr;
    if (!ds || !ds->Active()) return;
    try {
        switch (which) {
            case First:
                ds->First();
                break;
            case Prior:
                ds->Prior();
                break;
            case Next:
                ds->Next();
                break;
            case Last:
                ds->Last();
                break;
            case Insert:
                ds->Insert();
                break;
            case Delete:
                if (ConfirmDelete && MessageBox::show(MsgKind::Confirmation, QStringLiteral("Smazat záznam?"),
                                                      MsgButtons::OkCancel, window()) != MsgResult::Ok) {
                    return;
                }
                ds->Delete();
                break;
            case Edit:
                ds->Edit();
                break;
            case Post:
                ds->Post();
                break;
            case Cancel:
                ds->Cancel();
                break;
        }
    } catch (const std::exception& e) {
        dbctrls::reportError(e, window());
        updateButtons();
        return;
    }
    updateButtons();
    emit clicked(which);
}

void TDBNavigator::choose(int index) {
    m_chosen = index;
    const bool hadFocus = focusWidget() && isAncestorOf(focusWidget());
    setFocusProxy(m_buttons[index]);
    if (hadFocus) m_buttons[index]->setFocus(Qt::TabFocusReason);
}

bool TDBNavigator::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const int step = key->key() == Qt::Key_Left ? -1 : key->key() == Qt::Key_Right ? 1 : 0;
        if (step != 0 && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            for (int i = m_chosen + step; i >= 0 && i < kButtonCount; i += step) {
                if (m_buttons[i]->isVisibleTo(this)) {
                    choose(i);
                    break;
                }
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
