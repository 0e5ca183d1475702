#include "TDBEdit.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QKeySequence>

#include "DbCtrlsError.h"
#include "TDataSet.h"
#include "TDataSource.h"
#include "TField.h"

namespace {

bool editing(const TDataSet* ds) {
    return ds->State() == TDataSetState::Edit || ds->State() == TDataSetState::Insert;
}

// Keys that change the text of a line edit. Whatever slips through (a context-menu paste, a
// drop, input methods) is caught afterwards by the textEdited handler.
bool changesText(QKeyEvent* e) {
    static const QKeySequence::StandardKey editingKeys[] = {
        QKeySequence::Paste,
        QKeySequence::Cut,
        QKeySequence::Undo,
        QKeySequence::Redo,
        QKeySequence::Delete,
        QKeySequence::DeleteStartOfWord,
        QKeySequence::DeleteEndOfWord,
        QKeySequence::DeleteEndOfLine,
        QKeySequence::DeleteCompleteLine,
        QKeySequence::Backspace,
    };
    for (QKeySequence::StandardKey k : editingKeys) {
        if (e->matches(k)) return true;
    }
    if (e->key() == Qt::Key_Backspace || e->key() == Qt::Key_Delete) return true;
    const QString t = e->text();
    const bool commandModifier = e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    return !t.isEmpty() && t.at(0).isPrint() && !commandModifier;
}

}  // namespace

TDBEdit::TDBEdit(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textEdited, this, &TDBEdit::onTextEdited);
}

TDBEdit::~TDBEdit() = default;

void TDBEdit::setDataSource(TDataSource* source) {
    if (m_source == source) return;
    if (m_source) disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    bind();
}

TDataSource* TDBEdit::DataSource() const {
    return m_source;
}

void TDBEdit::setDataField(const QString& field) {
    m_fieldName = field;
    showField();
}

QString TDBEdit::DataField() const {
    return m_fieldName;
}

TField* TDBEdit::Field() const {
    if (!m_source || m_fieldName.isEmpty()) return nullptr;
    TDataSet* ds = m_source->DataSet();
    if (!ds || !ds->Active()) return nullptr;
    return ds->FindField(m_fieldName);
}

void TDBEdit::setTextHandler(std::function<void(TField*, const QString&)> handler) {
    m_textHandler = std::move(handler);
}

void TDBEdit::bind() {
    if (m_source) {
        connect(m_source, &TDataSource::dataChanged, this, &TDBEdit::onDataChanged);
        connect(m_source, &TDataSource::stateChanged, this, [this] {
            // A pending text survives a state change only while the record is still being
            // edited; after a post or a cancel the edit shows the stored value again.
            const TField* f = Field();
            if (!m_pending || !f || !editing(f->DataSet())) showField();
        });
        connect(m_source, &TDataSource::updateData, this, &TDBEdit::onUpdateData);
    }
    showField();
}

void TDBEdit::reset() {
    showField();
}

void TDBEdit::showField() {
    QString value;
    int maxLen = 32767;  // QLineEdit's own default: no limit of ours
    if (const TField* f = Field()) {
        try {
            value = f->AsString();
        } catch (const std::exception&) {
            value.clear();  // an unreadable record shows as empty rather than stopping the window
        }
        if (f->DataType() == engine::FieldType::String && f->Size() > 0) maxLen = f->Size();
    }
    m_showing = true;
    if (maxLength() != maxLen) setMaxLength(maxLen);
    // Setting the same text again would move the cursor to the end while the user types.
    if (text() != value) setText(value);
    m_showing = false;
    m_pending = false;
}

void TDBEdit::onDataChanged(TField* field) {
    if (!field || field == Field()) showField();
}

bool TDBEdit::fieldWritable(const TField* f) const {
    return !f->Calculated() && f->DataType() != engine::FieldType::AutoInc && f->DataSet()->CanModify();
}

bool TDBEdit::prepareEdit() {
    TField* f = Field();
    if (!f || !fieldWritable(f)) return false;
    TDataSet* ds = f->DataSet();
    if (editing(ds)) return true;
    if (!m_source->AutoEdit) return false;
    try {
        ds->Edit();
    } catch (const std::exception& e) {
        m_reporting = true;
        dbctrls::reportError(e, this);
        m_reporting = false;
        return false;
    }
    return editing(ds);
}

void TDBEdit::keyPressEvent(QKeyEvent* event) {
    if (!isReadOnly() && changesText(event)) {
        const TField* before = Field();
        const bool wasBrowsing = before && !editing(before->DataSet());
        if (!prepareEdit()) {
            event->accept();  // the record cannot be changed now: the key is dropped
            return;
        }
        // Typing into an empty table started a new record: what is typed replaces the default
        // the new record put here (the next registration number), as when the box is entered.
        const TField* now = Field();
        if (wasBrowsing && now && now->DataSet()->State() == TDataSetState::Insert) selectAll();
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !updateRecord()) {
        event->accept();  // a refused value must not reach the dialog's default button
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TDBEdit::onTextEdited(const QString& typed) {
    if (m_showing) return;
    const TField* f = Field();
    if (f && editing(f->DataSet()) && fieldWritable(f)) {
        m_pending = true;
        return;
    }
    // A change that did not come through a key (context-menu paste, drop, input method):
    // starting the edit shows the record again, so the user's text is put back afterwards.
    const int cursor = cursorPosition();
    if (!prepareEdit()) {
        showField();
        return;
    }
    m_showing = true;
    setText(typed);
    setCursorPosition(cursor);
    m_showing = false;
    m_pending = true;
}

void TDBEdit::writeField() {
    TField* f = Field();
    if (!f) {
        // The dataset was closed under the edit; there is nothing to write into.
        m_pending = false;
        return;
    }
    const QString typed = text();
    if (m_textHandler) {
        m_textHandler(f, typed);
    } else {
        f->setText(typed);
    }
    showField();  // the stored form of the value, e.g. a completed date
}

bool TDBEdit::updateRecord() {
    if (!m_pending) return true;
    try {
        writeField();
        return true;
    } catch (const std::exception& e) {
        m_reporting = true;
        dbctrls::reportError(e, this);
        m_reporting = false;
        setFocus(Qt::OtherFocusReason);
        selectAll();
        return false;
    }
}

void TDBEdit::onUpdateData() {
    if (!m_pending) return;
    try {
        writeField();
    } catch (...) {
        setFocus(Qt::OtherFocusReason);
        selectAll();
        throw;  // stops the post; its caller reports the field's message
    }
}

void TDBEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // Switching to another window, or a box or menu opening, is no leaving of the control.
    if (m_reporting || event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason) {
        return;
    }
    // A closing window writes pending text through updateData when it posts.
    if (!isVisible() || !window()->isVisible()) return;
    updateRecord();
}
