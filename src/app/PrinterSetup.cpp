#include "PrinterSetup.h"
#include "TitleFit.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QVBoxLayout>

TPrinterSetupDialog::TPrinterSetupDialog(const QString& printerName, const QPageLayout& layout, QWidget* parent)
    : QDialog(parent), m_layout(layout) {
    setObjectName(QStringLiteral("PrinterSetupDialog"));
    setWindowTitle(QStringLiteral("Nastavení tisku"));

    ComboPrinter = new QComboBox(this);
    ComboPrinter->setObjectName(QStringLiteral("ComboPrinter"));
    ComboPrinter->addItems(QPrinterInfo::availablePrinterNames());
    ComboPrinter->setCurrentIndex(std::max(0, int(ComboPrinter->findText(printerName))));
    ComboPrinter->setMinimumContentsLength(24);
    LabelTyp = new QLabel(this);
    LabelTyp->setObjectName(QStringLiteral("LabelTyp"));
    LabelUmisteni = new QLabel(this);
    LabelUmisteni->setObjectName(QStringLiteral("LabelUmisteni"));

    ButtonVlastnosti = new QPushButton(QStringLiteral("&Vlastnosti..."), this);
    ButtonVlastnosti->setObjectName(QStringLiteral("ButtonVlastnosti"));
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("Storno"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Tiskárna:"), ComboPrinter);
    form->addRow(QStringLiteral("Typ:"), LabelTyp);
    form->addRow(QStringLiteral("Umístění:"), LabelUmisteni);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ButtonVlastnosti);
    buttons->addStretch(1);
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    auto* layoutBox = new QVBoxLayout(this);
    layoutBox->addLayout(form);
    if (ComboPrinter->count() == 0) {
        auto* none = new QLabel(QStringLiteral("Není nainstalována žádná tiskárna; tiskne se do souboru PDF."), this);
        none->setObjectName(QStringLiteral("LabelZadna"));
        layoutBox->addWidget(none);
        ComboPrinter->setEnabled(false);
    }
    layoutBox->addLayout(buttons);
    layoutBox->setSizeConstraint(QLayout::SetFixedSize);
    TitleFit::install(this);

    connect(ComboPrinter, &QComboBox::currentIndexChanged, this, &TPrinterSetupDialog::showPrinterDetails);
    connect(ButtonVlastnosti, &QPushButton::clicked, this, &TPrinterSetupDialog::editProperties);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    showPrinterDetails();
}

QString TPrinterSetupDialog::printerName() const {
    return ComboPrinter->currentText();
}

void TPrinterSetupDialog::showPrinterDetails() {
    const QPrinterInfo info = QPrinterInfo::printerInfo(printerName());
    LabelTyp->setText(info.isNull() ? QString() : info.makeAndModel());
    LabelUmisteni->setText(info.isNull() ? QString() : info.location());
}

// Qt's page set-up of the chosen printer: paper size, orientation and margins.
void TPrinterSetupDialog::editProperties() {
    QPrinter printer;
    if (!printerName().isEmpty()) printer.setPrinterName(printerName());
    printer.setPageLayout(m_layout);
    QPageSetupDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("Vlastnosti tiskárny"));
    if (dialog.exec() == QDialog::Accepted) m_layout = printer.pageLayout();
}
