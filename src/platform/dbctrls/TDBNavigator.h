#pragma once

#include <QPointer>
#include <QStringList>
#include <QVector>
#include <QWidget>

class QToolButton;
class TDataSet;
class TDataSource;

// The record navigator: a row of buttons on a data source's dataset that move its cursor
// (first, prior, next, last) and start, save or drop changes (insert, delete, edit, post,
// cancel). Buttons are enabled as the dataset's state allows. Delete asks "Smazat záznam?"
// (OK, Storno) first unless ConfirmDelete is off. A failing action is shown in an error box;
// after a successful one the navigator emits clicked(), which windows use to act afterwards.
//
// The navigator is one stop of the tab order; Left and Right choose among its buttons there
// and Space presses the chosen one.
class TDBNavigator : public QWidget {
    Q_OBJECT
public:
    enum Button { First, Prior, Next, Last, Insert, Delete, Edit, Post, Cancel };
    static constexpr int kButtonCount = 9;

    explicit TDBNavigator(QWidget* parent = nullptr);
    ~TDBNavigator() override;

    void setDataSource(TDataSource* source);
    TDataSource* DataSource() const;
    // Which buttons are shown (all by default), in button order.
    void setVisibleButtons(const QVector<Button>& buttons);
    // The hints of the nine buttons in button order (tool tip and status-bar hint).
    void setHints(const QStringList& hints);
    // Whether the navigator is a stop of the tab order (it is by default). Without, neither it
    // nor its buttons ever take the focus, also not when clicked.
    void setTabStop(bool on);
    // Ask before deleting. On by default.
    bool ConfirmDelete = true;

    QToolButton* button(Button which) const { return m_buttons[which]; }
    // Does what a click on `which` does, clicked() included.
    void BtnClick(Button which);

signals:
    // A button's action has been carried out.
    void clicked(TDBNavigator::Button which);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateButtons();
    void choose(int index);

    QToolButton* m_buttons[kButtonCount];
    QPointer<TDataSource> m_source;
    int m_chosen = 0;
};
