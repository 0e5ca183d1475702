#pragma once

#include <QDialog>
#include <QPageLayout>

class QComboBox;
class QLabel;
class QPushButton;

// The printer set-up of "Nastavení tisku ...": the choice of the printer and its properties
// (paper, orientation, margins), without printing anything. With no printer installed the list
// is empty and printing goes to a PDF file.
class TPrinterSetupDialog : public QDialog {
    Q_OBJECT
public:
    TPrinterSetupDialog(const QString& printerName, const QPageLayout& layout, QWidget* parent = nullptr);

    // The chosen printer (empty when none is installed) and page layout; read after OK.
    QString printerName() const;
    QPageLayout pageLayout() const { return m_layout; }

    QComboBox* ComboPrinter;
    QLabel* LabelTyp;
    QLabel* LabelUmisteni;
    QPushButton* ButtonVlastnosti;
    QPushButton* OKButton;
    QPushButton* CancelButton;

private:
    void showPrinterDetails();
    void editProperties();

    QPageLayout m_layout;
};
