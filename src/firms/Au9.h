#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The information window ("Informace"): the directories this computer works with, read once
// when the window is created, each shown as held (with or without its trailing separator).
// "INI" beside the data path says that Data.ini named it.
class TAu9Form : public QDialog {
    Q_OBJECT
public:
    explicit TAu9Form(QWidget* parent = nullptr);

    QLabel* LabelDd2;  // "INI" or empty
    QLabel* LabelDd1;
    QLabel* LabelFdp1;
    QLabel* LabelFdl1;
    QLabel* LabelFd1;
    QLabel* LabelCd1;
    QLabel* LabelNfd1;
    QLabel* LabelPd1;
    QLabel* LabelCadt1;
    QLabel* LabelPers1;
    QPushButton* OkButton;

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;  // Esc closes with the OK result, as the button does
};
