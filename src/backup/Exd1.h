#pragma once

#include "ArchivePathForm.h"

// The restore window ("Obnovení dat"): replaces the open firm's tables with those of a zip
// archive made by the backup (see backup::FirmRestore for how the firm is kept whole on every
// failure). It shares the path field, recent paths and proposals with the backup window, and
// has no "obnovit indexy".
class TExd1Form : public TArchivePathForm {
    Q_OBJECT
public:
    explicit TExd1Form(QWidget* parent = nullptr);
    ~TExd1Form() override;

    QPushButton* ObnovaButton;

public slots:
    void ObnovaButtonClick();
};

// The restore window while it is open.
extern TExd1Form* Exd1Form;
