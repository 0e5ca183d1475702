#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

// The own-directory dialog ("Vlastní výběr adresáře"): a list of the mounted volumes (this
// platform's drives) coupled to a directory list, in which a click chooses a directory and a
// double click (or Enter) opens it. Closing it in any way adopts the chosen directory as the
// own backup directory ("Cesty"/"Vlastni") and puts it into the backup and restore windows that
// are open.
class TExd2Form : public QDialog {
    Q_OBJECT
public:
    explicit TExd2Form(QWidget* parent = nullptr);

    QComboBox* DriveComboBox;
    QListWidget* DirectoryListBox;
    QLabel* LabelDir;
    QPushButton* CancelButton;

    // The chosen directory, with '/'.
    QString directory() const;
    // Shows the directory `dir` in the list and chooses it.
    void openDirectory(const QString& dir);

protected:
    void done(int result) override;
    bool event(QEvent* event) override;

private:
    void fillDrives();
    void choose(const QString& dir);

    QString m_chosen;
};
