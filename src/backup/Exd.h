#pragma once

#include "ArchivePathForm.h"
#include "TTable.h"

// The backup window ("Zálohování dat"): packs the open firm's tables into a zip archive at the
// path of the archive path field, optionally after regenerating the indexes of the three main
// tables. An older archive at that path is replaced only by a complete new one.
class TExdForm : public TArchivePathForm {
    Q_OBJECT
public:
    explicit TExdForm(QWidget* parent = nullptr);
    ~TExdForm() override;

    QCheckBox* CheckBoxIdo;  // "obnovit indexy"
    QPushButton* ZalohaButton;
    // Opens a table of the firm exclusively for the index regeneration (database Denik).
    TTable RTable;

    // Regenerates all indexes of the firm table `tableName`. Returns false when the table cannot
    // be opened exclusively (another session has it open); a failure of the regeneration itself
    // is ignored, as the backup goes on regardless.
    bool RebuildIndexes(const QString& tableName);

public slots:
    void ZalohaButtonClick();

protected:
    void readOwnSettings(const IniFile& settings) override;
    void writeOwnSettings(IniFile& settings) override;
};

// The backup window while it is open.
extern TExdForm* ExdForm;
