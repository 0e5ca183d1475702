#pragma once

#include <QString>
#include <functional>

class QWidget;

// The four kinds of message box, titled "Varování", "Chyba", "Informace" and "Potvrzení".
enum class MsgKind { Warning, Error, Information, Confirmation };
enum class MsgButtons { Ok, YesNo, YesNoCancel, Close, OkCancel };
enum class MsgResult { Ok, Yes, No, Cancel, Close };

// Every message box of the program goes through this class, so that the captions and Czech
// button texts ("&Ano", "&Ne", "OK", "Storno", "&Zavřít") are the same everywhere, and so that
// tests can answer the boxes: a responder installed with setResponder() receives each box
// instead of the user and returns the answer.
class MessageBox {
public:
    using Responder = std::function<MsgResult(MsgKind, const QString& text, MsgButtons)>;

    // Shows a modal box and returns the button chosen (Esc or the close box: No for Yes/No,
    // Cancel for Yes/No/Cancel and OK/Storno, the only button otherwise).
    static MsgResult show(MsgKind kind, const QString& text, MsgButtons buttons = MsgButtons::Ok, QWidget* parent = nullptr);

    static void information(const QString& text, QWidget* parent = nullptr) { show(MsgKind::Information, text, MsgButtons::Ok, parent); }
    static void error(const QString& text, QWidget* parent = nullptr) { show(MsgKind::Error, text, MsgButtons::Ok, parent); }
    static void warning(const QString& text, QWidget* parent = nullptr) { show(MsgKind::Warning, text, MsgButtons::Ok, parent); }
    // A Yes/No question; true only for Yes.
    static bool confirm(const QString& text, QWidget* parent = nullptr) {
        return show(MsgKind::Confirmation, text, MsgButtons::YesNo, parent) == MsgResult::Yes;
    }

    static QString title(MsgKind kind);
    // Installs a responder (nullptr restores the real boxes). For tests.
    static void setResponder(Responder responder);
};
