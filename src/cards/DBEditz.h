#pragma once

#include "TDBEdit.h"

// A data-bound edit box whose Enter key moves the focus to the next control in tab order
// (Shift+Enter to the previous one). The typed text is written into the field when the focus
// leaves; a refused value keeps the focus here. With EnterTab off, Enter goes the usual way.
class TDBEditz : public TDBEdit {
    Q_OBJECT
public:
    explicit TDBEditz(QWidget* parent = nullptr);

    bool EnterTab() const { return m_enterTab; }
    void setEnterTab(bool on) { m_enterTab = on; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool m_enterTab = true;
};
