#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

// The password prompt "Zadejte heslo", created at program start and kept for the whole run.
// The caller reads Edit1 after the prompt closes, however it was closed, and clears it.
class TAu4Form : public QDialog {
    Q_OBJECT
public:
    explicit TAu4Form(QWidget* parent = nullptr);
    ~TAu4Form() override;

    QLineEdit* Edit1;  // masked, at most 10 characters
    QPushButton* OKButton;

protected:
    void showEvent(QShowEvent* event) override;
};
