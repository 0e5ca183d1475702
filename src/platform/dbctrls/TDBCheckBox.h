#pragma once

#include <QCheckBox>
#include <QPointer>
#include <QString>

class TDataSource;
class TField;

// A check box bound to a logical field of a data source's dataset. It shows the field's value
// for the current record; ticking it in browse state starts an edit (an insert in an empty
// table) and writes the new value into the field at once.
class TDBCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit TDBCheckBox(QWidget* parent = nullptr);
    ~TDBCheckBox() override;

    void setDataSource(TDataSource* source);
    TDataSource* DataSource() const;
    void setDataField(const QString& field);
    QString DataField() const;
    // The bound field; nullptr when unbound, when the dataset is closed or lacks the field.
    TField* Field() const;

protected:
    void nextCheckState() override;

private:
    void bind();
    void showField();

    QPointer<TDataSource> m_source;
    QString m_fieldName;
};
