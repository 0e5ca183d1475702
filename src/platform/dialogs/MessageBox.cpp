#include "MessageBox.h"

#include <QApplication>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>

#include "TitleFit.h"

namespace {
MessageBox::Responder& responder() {
    static MessageBox::Responder r;
    return r;
}
}  // namespace

QString MessageBox::title(MsgKind kind) {
    switch (kind) {
        case MsgKind::Warning: return QStringLiteral("Varování");
        case MsgKind::Error: return QStringLiteral("Chyba");
        case MsgKind::Information: return QStringLiteral("Informace");
        case MsgKind::Confirmation: return QStringLiteral("Potvrzení");
    }
    return {};
}

void MessageBox::setResponder(Responder r) { responder() = std::move(r); }

MsgResult MessageBox::show(MsgKind kind, const QString& text, MsgButtons buttons, QWidget* parent) {
    if (responder()) return responder()(kind, text, buttons);

    QMessageBox box(parent ? parent : QApplication::activeWindow());
    box.setWindowTitle(title(kind));
    box.setText(text);
    switch (kind) {
        case MsgKind::Warning: box.setIcon(QMessageBox::Warning); break;
        case MsgKind::Error: box.setIcon(QMessageBox::Critical); break;
        case MsgKind::Information: box.setIcon(QMessageBox::Information); break;
        case MsgKind::Confirmation: box.setIcon(QMessageBox::Question); break;
    }
    QPushButton* yes = nullptr;
    QPushButton* no = nullptr;
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    QPushButton* close = nullptr;
    switch (buttons) {
        case MsgButtons::Ok:
            ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
            box.setDefaultButton(ok);
            box.setEscapeButton(ok);
            break;
        case MsgButtons::YesNo:
            yes = box.addButton(QStringLiteral("&Ano"), QMessageBox::YesRole);
            no = box.addButton(QStringLiteral("&Ne"), QMessageBox::NoRole);
            box.setDefaultButton(yes);
            box.setEscapeButton(no);
            break;
        case MsgButtons::YesNoCancel:
            yes = box.addButton(QStringLiteral("&Ano"), QMessageBox::YesRole);
            no = box.addButton(QStringLiteral("&Ne"), QMessageBox::NoRole);
            cancel = box.addButton(QStringLiteral("Storno"), QMessageBox::RejectRole);
            box.setDefaultButton(yes);
            box.setEscapeButton(cancel);
            break;
        case MsgButtons::OkCancel:
            ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
            cancel = box.addButton(QStringLiteral("Storno"), QMessageBox::RejectRole);
            box.setDefaultButton(ok);
            box.setEscapeButton(cancel);
            break;
        case MsgButtons::Close:
            close = box.addButton(QStringLiteral("&Zavřít"), QMessageBox::AcceptRole);
            box.setDefaultButton(close);
            box.setEscapeButton(close);
            break;
    }
    // The box sizes itself to its text; a strut row keeps its caption whole as well.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(TitleFit::titleWidth(box.windowTitle()), 0, QSizePolicy::Fixed, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    if (clicked && clicked == yes) return MsgResult::Yes;
    if (clicked && clicked == no) return MsgResult::No;
    if (clicked && clicked == cancel) return MsgResult::Cancel;
    if (clicked && clicked == close) return MsgResult::Close;
    if (clicked && clicked == ok) return MsgResult::Ok;
    switch (buttons) {
        case MsgButtons::Ok: return MsgResult::Ok;
        case MsgButtons::YesNo: return MsgResult::No;
        case MsgButtons::YesNoCancel: return MsgResult::Cancel;
        case MsgButtons::OkCancel: return MsgResult::Cancel;
        case MsgButtons::Close: return MsgResult::Close;
    }
    return MsgResult::Cancel;
}
