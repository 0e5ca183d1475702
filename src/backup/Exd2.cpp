#include "Exd2.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStatusTipEvent>
#include <QStorageInfo>
#include <QStyle>
#include <QVBoxLayout>

#include "Exd.h"
#include "Exd1.h"
#include "Globals.h"
#include "IniFile.h"
#include "Main.h"
#include "PathTemplates.h"
#include "TitleFit.h"
#include "WindowPlacement.h"

namespace {

QString withSlash(const QString& dir) {
    return dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
}

// Volumes a user keeps files on: disks, network shares and the root; not the kernel's own.
bool userVolume(const QStorageInfo& volume) {
    const QString device = QString::fromLocal8Bit(volume.device());
    return volume.isValid() && volume.isReady() &&
           (volume.isRoot() || device.startsWith(QLatin1Char('/')) || device.contains(QLatin1Char(':')));
}

}  // namespace

TExd2Form::TExd2Form(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Exd2Form"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Vlastní výběr adresáře"));
    TitleFit::install(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    DriveComboBox = new QComboBox(this);
    DriveComboBox->setObjectName(QStringLiteral("DriveComboBox"));
    DriveComboBox->setToolTip(QStringLiteral("Vlastní výběr adresáře"));
    DriveComboBox->setStatusTip(DriveComboBox->toolTip());
    DirectoryListBox = new QListWidget(this);
    DirectoryListBox->setObjectName(QStringLiteral("DirectoryListBox"));
    DirectoryListBox->setMinimumSize(300, 260);
    LabelDir = new QLabel(this);
    LabelDir->setObjectName(QStringLiteral("LabelDir"));
    LabelDir->setMinimumWidth(300);
    LabelDir->setWordWrap(true);
    CancelButton = new QPushButton(QStringLiteral("&Zavřít"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DriveComboBox);
    layout->addWidget(DirectoryListBox, 1);
    layout->addWidget(LabelDir);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(CancelButton);
    layout->addLayout(buttons);

    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(DirectoryListBox, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        if (item) choose(item->data(Qt::UserRole).toString());
    });
    connect(DirectoryListBox, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { openDirectory(item->data(Qt::UserRole).toString()); });

    WindowPlacement::restore(this, QStringLiteral("VlastniAdresar"), QPoint(197, 75), QPoint(277, 155));
    QString start = IniFile(MainForm ? MainForm->firmSettingsPath() : QString())
                        .readString(QStringLiteral("Cesty"), QStringLiteral("Vlastni"));
    if (start.isEmpty() || !QFileInfo(start).isDir()) start = MainForm ? MainForm->DirTyp(3) : QDir::rootPath();
    fillDrives();
    openDirectory(start);
    // Choosing a volume opens its top directory.
    connect(DriveComboBox, &QComboBox::activated, this,
            [this](int index) { openDirectory(DriveComboBox->itemData(index).toString()); });
}

void TExd2Form::fillDrives() {
    DriveComboBox->clear();
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!userVolume(volume)) continue;
        const QString root = withSlash(volume.rootPath());
        if (DriveComboBox->findData(root) < 0) DriveComboBox->addItem(root, root);
    }
}

void TExd2Form::openDirectory(const QString& dir) {
    const QString path = withSlash(QDir::cleanPath(dir));
    DirectoryListBox->blockSignals(true);
    DirectoryListBox->clear();
    // The directory's ancestors, each one step further in, then its subdirectories.
    QStringList chain;
    for (QString p = path; !p.isEmpty();) {
        chain.prepend(p);
        const QString parent = withSlash(QFileInfo(QDir::cleanPath(p)).path());
        if (parent == p) break;
        p = parent;
    }
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    int depth = 0;
    QListWidgetItem* current = nullptr;
    for (const QString& p : chain) {
        const QString name = p == QLatin1String("/") ? p : QFileInfo(QDir::cleanPath(p)).fileName();
        current = new QListWidgetItem(open, QString(depth * 2, QLatin1Char(' ')) + name, DirectoryListBox);
        current->setData(Qt::UserRole, p);
        ++depth;
    }
    const QStringList subdirs = QDir(path).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& sub : subdirs) {
        auto* item = new QListWidgetItem(closed, QString(depth * 2, QLatin1Char(' ')) + sub, DirectoryListBox);
        item->setData(Qt::UserRole, path + sub + QLatin1Char('/'));
    }
    DirectoryListBox->setCurrentItem(current);
    DirectoryListBox->blockSignals(false);

    const QString volume = withSlash(backup::PathTemplates::driveOf(path));
    int index = DriveComboBox->findData(volume);
    if (index < 0) {
        DriveComboBox->addItem(volume, volume);
        index = DriveComboBox->count() - 1;
    }
    DriveComboBox->setCurrentIndex(index);
    choose(path);
}

void TExd2Form::choose(const QString& dir) {
    m_chosen = withSlash(dir);
    LabelDir->setText(m_chosen);
}

QString TExd2Form::directory() const {
    return m_chosen;
}

void TExd2Form::done(int result) {
    WindowPlacement::save(this, QStringLiteral("VlastniAdresar"));
    if (MainForm)
        IniFile(MainForm->firmSettingsPath()).writeString(QStringLiteral("Cesty"), QStringLiteral("Vlastni"), m_chosen);
    if (ExdForm) ExdForm->adoptOwnDirectory(m_chosen);
    if (Exd1Form) Exd1Form->adoptOwnDirectory(m_chosen);
    QDialog::done(result);
}

bool TExd2Form::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        if (MainForm) MainForm->setStatusText(0, static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QDialog::event(event);
}
