#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QString>
#include <functional>

class TDataSource;
class TField;

// An edit box bound to one field of a data source's dataset. It shows the field's text for
// the current record, starts an edit when the user types into a browsing dataset (AutoEdit)
// and writes the typed text back on focus-out, on Enter and when the source asks for pending
// input before a post (updateData).
class TDBEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TDBEdit(QWidget* parent = nullptr);
    ~TDBEdit() override;

    void setDataSource(TDataSource* source);
    TDataSource* DataSource() const;
    void setDataField(const QString& field);
    QString DataField() const;
    // The bound field; nullptr when unbound, when the dataset is closed or lacks the field.
    TField* Field() const;

    // Writes the typed text into the field (through the field's text conversion, or through
    // setTextHandler when set); shows the field's message in an error box and keeps the focus
    // on failure. Returns false on failure. Does nothing (returns true) when the text was not
    // changed by the user since it was last shown.
    //
    // When the dataset posts, the source's updateData signal writes pending text the same way,
    // but a refused value is not shown here: the focus returns to this edit and the field's
    // EDatabaseError propagates out of Post(), so the record stays in edit state with the
    // user's text and the caller reports the message once.
    bool updateRecord();
    // Replaces the plain text conversion (date fields pass their text through the data module).
    void setTextHandler(std::function<void(TField*, const QString&)> handler);

    // Shows the field's current text again, dropping what the user typed.
    void reset();
    // True when the text was changed by the user and not yet written into the field.
    bool isPending() const { return m_pending; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void bind();
    void showField();
    void onDataChanged(TField* field);
    void onUpdateData();
    void onTextEdited(const QString& text);
    // Puts the dataset into edit state when the user starts changing the text: true when the
    // field can take the change now. A browsing dataset is edited only with the source's
    // AutoEdit; a failure to start the edit is shown in an error box.
    bool prepareEdit();
    bool fieldWritable(const TField* field) const;
    // Writes the text into the field; throws what the field or the handler throws.
    void writeField();

    QPointer<TDataSource> m_source;
    QString m_fieldName;
    std::function<void(TField*, const QString&)> m_textHandler;
    bool m_pending = false;    // the text was changed by the user and not yet written
    bool m_showing = false;    // the text is being set from the field
    bool m_reporting = false;  // an error box about this edit is open
};
