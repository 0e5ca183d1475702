#pragma once

#include <QDialog>

class QLabel;

// The small window "Lamelin" shown while pages are being sent to the printer. Created at
// program start and kept for the whole run; centred on the screen, hourglass cursor.
class TTiskInfoForm : public QDialog {
    Q_OBJECT
public:
    explicit TTiskInfoForm(QWidget* parent = nullptr);
    ~TTiskInfoForm() override;

    // Sets the window up for printing: "Odesílám data do tiskárny ..." and height 105.
    void TypTisku();

    QLabel* StatusLabel;

protected:
    void showEvent(QShowEvent* event) override;
};
