#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class TEditz;

// "Převod dat z předchozích verzí": offered at start-up when the register is empty and an
// earlier release was found (or the user asked for the offer with Ctrl+P). Shows the path of
// the earlier release's register (Data.DB), lets the user pick another one with "..." and
// choose whether to convert. Closing (OK, Esc or the close box) is refused while the path names
// the current installation or a file that does not exist; afterwards path() and convert() give
// the choice.
class TAu8Form : public QDialog {
    Q_OBJECT
public:
    // `path`: the remembered path of the earlier Data.DB (may be empty); `convert`: the
    // convert flag. Both are shown when the window opens.
    TAu8Form(const QString& path, bool convert, QWidget* parent = nullptr);

    // The choice after closing: the edit's text, and the check box (false when the path is empty).
    QString path() const { return m_path; }
    bool convert() const { return m_convert; }

    QLabel* Label1;
    QLabel* Label2;
    TEditz* Edit3;
    QToolButton* BitBtnAdr1;
    QCheckBox* CheckBoxPd4;
    QPushButton* OKButton;

public slots:
    void BitBtnAdr1Click();

protected:
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Refuses (with its message, the edit reset and focused) a path in the current
    // installation or naming no file.
    bool pathAcceptable();
    void refuse(const QString& message);
    QString startDirectory() const;

    QString m_path;
    bool m_convert;
};
