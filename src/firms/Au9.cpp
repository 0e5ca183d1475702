#include "Au9.h"

#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "DataM1.h"
#include "Globals.h"
#include "Main.h"
#include "TitleFit.h"

TAu9Form::TAu9Form(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Au9Form"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Informace"));
    TitleFit::install(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    auto* group = new QGroupBox(this);
    auto* grid = new QGridLayout(group);
    QFont bold = font();
    bold.setBold(true);
    int row = 0;
    auto addRow = [&](const QString& caption, const char* name, const QString& value) {
        auto* value_ = new QLabel(value, group);
        value_->setObjectName(QLatin1String(name));
        value_->setFont(bold);
        value_->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(new QLabel(caption, group), row, 0);
        grid->addWidget(value_, row, 2);
        ++row;
        return value_;
    };

    const TMainForm* m = MainForm;
    QString dataDir;
    if (m && m->dataIniConfigured) {
        dataDir = m->DataDir;
    } else if (m && !m->commonAppDataDir.isEmpty()) {
        dataDir = m->commonAppDataDir + QStringLiteral("/Corvex/Lamelin %1/").arg(TMainForm::kYear);
    }
    LabelDd1 = addRow(QStringLiteral("DataDir:"), "LabelDd1", dataDir);
    LabelDd2 = new QLabel(m && m->dataIniConfigured ? QStringLiteral("INI") : QString(), group);
    LabelDd2->setObjectName(QStringLiteral("LabelDd2"));
    grid->addWidget(LabelDd2, 0, 1);
    LabelFdp1 = addRow(QStringLiteral("FileDirPrg:"), "LabelFdp1", m ? m->FileDirPrg : QString());
    LabelFdl1 = addRow(QStringLiteral("FileDirLocal:"), "LabelFdl1", m ? m->FileDirLocal : QString());
    LabelFd1 = addRow(QStringLiteral("FileDir:"), "LabelFd1", m ? m->FileDir : QString());
    LabelCd1 = addRow(QStringLiteral("CurrentDir:"), "LabelCd1", QDir::currentPath());
    LabelNfd1 = addRow(QStringLiteral("NetFileDir:"), "LabelNfd1", DM1 ? DM1->Session.NetFileDir() : QString());
    LabelPd1 = addRow(QStringLiteral("PrivateDir:"), "LabelPd1", DM1 ? DM1->Session.PrivateDir() : QString());
    LabelCadt1 = addRow(QStringLiteral("Common AppData:"), "LabelCadt1", m ? m->commonAppDataDir : QString());
    LabelPers1 = addRow(QStringLiteral("Personal:"), "LabelPers1", m ? m->documentsDir : QString());
    grid->setColumnStretch(2, 1);

    OkButton = new QPushButton(QStringLiteral("&OK"), this);
    OkButton->setObjectName(QStringLiteral("OkButton"));
    OkButton->setDefault(true);
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OkButton);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TAu9Form::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (const QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());
}

void TAu9Form::reject() {
    accept();
}
