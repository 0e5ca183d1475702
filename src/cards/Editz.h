#pragma once

#include <QLineEdit>

// An edit box whose Enter key moves the focus to the next control in tab order (Shift+Enter
// to the previous one), so that a form can be filled without Tab or the mouse. With EnterTab
// off, Enter goes the usual way (the dialog's default button).
class TEditz : public QLineEdit {
    Q_OBJECT
public:
    explicit TEditz(QWidget* parent = nullptr);

    bool EnterTab() const { return m_enterTab; }
    void setEnterTab(bool on) { m_enterTab = on; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool m_enterTab = true;
};
