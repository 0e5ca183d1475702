#include "TDBCheckBox.h"

#include "DbCtrlsError.h"
#include "TDataSet.h"
#include "TDataSource.h"
#include "TField.h"

TDBCheckBox::TDBCheckBox(QWidget* parent) : QCheckBox(parent) {}

TDBCheckBox::~TDBCheckBox() = default;

void TDBCheckBox::setDataSource(TDataSource* source) {
    if (m_source == source) return;
    if (m_source) disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    bind();
}

TDataSource* TDBCheckBox::DataSource() const {
    return m_source;
}

void TDBCheckBox::setDataField(const QString& field) {
    m_fieldName = field;
    showField();
}

QString TDBCheckBox::DataField() const {
    return m_fieldName;
}

TField* TDBCheckBox::Field() const {
    if (!m_source || m_fieldName.isEmpty()) return nullptr;
    TDataSet* ds = m_source->DataSet();
    if (!ds || !ds->Active()) return nullptr;
    return ds->FindField(m_fieldName);
}

void TDBCheckBox::bind() {
    if (m_source) {
        connect(m_source, &TDataSource::dataChanged, this, [this](TField* field) {
            if (!field || field == Field()) showField();
        });
        connect(m_source, &TDataSource::stateChanged, this, &TDBCheckBox::showField);
    }
    showField();
}

void TDBCheckBox::showField() {
    bool on = false;
    if (const TField* f = Field()) {
        try {
            on = f->AsBoolean();
        } catch (const std::exception&) {
            on = false;
        }
    }
    setChecked(on);
}

// A click or Space does not toggle the box by itself: the field is changed, and the box shows
// the field. So a box whose record cannot be edited stays as it is.
void TDBCheckBox::nextCheckState() {
    TField* f = Field();
    if (!f || f->Calculated()) return;
    TDataSet* ds = f->DataSet();
    try {
        const bool editingNow = ds->State() == TDataSetState::Edit || ds->State() == TDataSetState::Insert;
        if (!editingNow) {
            if (!m_source->AutoEdit || !ds->CanModify()) return;
            ds->Edit();  // an empty table gets a new record
        }
        f->setAsBoolean(!f->AsBoolean());
    } catch (const std::exception& e) {
        dbctrls::reportError(e, this);
    }
    showField();
}
