#pragma once

#include "TDBCheckBox.h"

// A data-bound check box whose Enter key moves the focus to the next control in tab order
// (Shift+Enter to the previous one). With EnterTab off, Enter goes the usual way.
class TDBCheckBoxz : public TDBCheckBox {
    Q_OBJECT
public:
    explicit TDBCheckBoxz(QWidget* parent = nullptr);

    bool EnterTab() const { return m_enterTab; }
    void setEnterTab(bool on) { m_enterTab = on; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool m_enterTab = true;
};
