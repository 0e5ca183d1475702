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
    // The `sending` callback of PrintOutput::print: shows the program's info window while pages
    // go out (true) and hides it again (false). Nothing when there is no such window.
    static void sending(bool on);

    QLabel* StatusLabel;

protected:
    void showEvent(QShowEvent* event) override;
};
