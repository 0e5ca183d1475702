#pragma once

#include <QDialog>

#include "DwcExport.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QToolButton;

// The window of the command "Export nálezů (Darwin Core) ...": the open firm's cards written as a
// Darwin Core archive for the national and international occurrence portals. The user chooses
// which cards (all, the selection marked by the extended search, a range of registration
// numbers), the basis of record, whether the country is added, and the archive's path. Its
// choices and position are kept per firm in the firm settings file.
class TDwcForm : public QDialog {
    Q_OBJECT
public:
    explicit TDwcForm(QWidget* parent = nullptr);
    ~TDwcForm() override;

    QRadioButton* RadioButtonVse;  // all cards
    QRadioButton* RadioButtonVyb;  // the selection of the extended search
    QRadioButton* RadioButtonRoz;  // a range of registration numbers
    QSpinBox* SpinEvco;
    QSpinBox* SpinEvcd;
    QRadioButton* RadioButtonDok;  // PreservedSpecimen
    QRadioButton* RadioButtonPoz;  // HumanObservation
    QCheckBox* CheckBoxZeme;
    QLineEdit* EditSoubor;
    QToolButton* ButtonSoubor;
    QPushButton* ExportButton;
    QPushButton* CloseButton;

    // The options the controls stand for (the output path as typed, made absolute).
    interchange::DwcExport::Options options() const;
    // The archive path proposed when the firm has none stored: the firm's name in the user's
    // documents folder.
    static QString defaultPath();
    // Writes the full list of cards with problems to `path` (UTF-8, like the archive), through a
    // temporary file so that an older list survives a failure. False when it could not be written.
    static bool saveProblemList(const interchange::DwcExport::Result& result, const QString& path);

public slots:
    void ExportButtonClick();
    void ButtonSouborClick();

protected:
    void done(int result) override;
    bool event(QEvent* event) override;

private:
    void buildControls();
    void readSettings();
    void writeSettings();
    // The cards the extended search's stored criteria select, marked for the export only.
    interchange::DwcExport::Result exportSelection(const interchange::DwcExport::Options& o);
    void reportResult(const interchange::DwcExport::Result& result, const QString& archive);
};
