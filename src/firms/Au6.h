#pragma once

#include <QDialog>

class QListWidget;
class QPushButton;

// The positions dialog ("Pozice firem"): the firms of the register one per line ("Cislo Nazev")
// in their own order, and buttons that move the selected line. The firm selection fills the
// list before showing it, reads the order back after it closes and then frees the dialog.
class TAu6Form : public QDialog {
    Q_OBJECT
public:
    explicit TAu6Form(QWidget* parent = nullptr);

    QListWidget* ListBox1;
    QPushButton* ButtonNahoru;
    QPushButton* ButtonDolu;
    QPushButton* ButtonPrvni;
    QPushButton* ButtonPosledni;
    QPushButton* CloseButton;

public slots:
    // Each moves the selected line and keeps it selected; the other lines keep their order.
    // Nothing happens without a selection or when the line is already where it would go.
    void moveUp();
    void moveDown();
    void moveFirst();
    void moveLast();

private:
    void moveTo(int row);
};
