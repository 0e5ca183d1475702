#pragma once

#include <QObject>

class TDataSet;
class TField;

// Connects data-aware controls to a dataset: they hear of state changes (browse, edit,
// insert), of data changes (another record, or one field when `field` is set), and are asked
// to write pending input into the fields before a post (updateData).
class TDataSource : public QObject {
    Q_OBJECT
public:
    explicit TDataSource(QObject* parent = nullptr) : QObject(parent) {}
    ~TDataSource() override;

    TDataSet* DataSet() const { return m_dataSet; }
    void setDataSet(TDataSet* dataSet);
    bool Enabled() const { return m_enabled; }
    void setEnabled(bool enabled) { m_enabled = enabled; }
    // Typing into a control of a browsing dataset starts an edit.
    bool AutoEdit = true;

    // Called by the dataset.
    void notifyStateChange();
    void notifyDataChange(TField* field);
    void notifyUpdateData();
    void datasetDestroyed() { m_dataSet = nullptr; }

signals:
    void stateChanged();
    void dataChanged(TField* field);
    void updateData();

private:
    TDataSet* m_dataSet = nullptr;
    bool m_enabled = true;
};
