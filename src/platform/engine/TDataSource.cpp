#include "TDataSource.h"

#include "TDataSet.h"

TDataSource::~TDataSource() {
    if (m_dataSet) m_dataSet->detachSource(this);
}

void TDataSource::setDataSet(TDataSet* dataSet) {
    if (m_dataSet == dataSet) return;
    if (m_dataSet) m_dataSet->detachSource(this);
    m_dataSet = dataSet;
    if (m_dataSet) m_dataSet->attachSource(this);
    emit stateChanged();
    emit dataChanged(nullptr);
}

void TDataSource::notifyStateChange() {
    if (m_enabled) emit stateChanged();
}

void TDataSource::notifyDataChange(TField* field) {
    if (m_enabled) emit dataChanged(field);
}

void TDataSource::notifyUpdateData() {
    if (m_enabled) emit updateData();
}
