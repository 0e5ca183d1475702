#pragma once

#include <QString>
#include <QVector>
#include <deque>

#include "MessageBox.h"

// Answers message boxes in tests and records each one. Answers are taken from a queue; when
// it is empty, questions are answered Yes, notices and OK/Storno questions OK. Restores the real boxes when destroyed.
class MessageRecorder {
public:
    struct Box {
        MsgKind kind;
        QString text;
        MsgButtons buttons;
    };

    MessageRecorder() {
        MessageBox::setResponder([this](MsgKind kind, const QString& text, MsgButtons buttons) {
            boxes.append(Box{kind, text, buttons});
            if (!answers.empty()) {
                const MsgResult r = answers.front();
                answers.pop_front();
                return r;
            }
            return buttons == MsgButtons::Ok || buttons == MsgButtons::OkCancel ? MsgResult::Ok : MsgResult::Yes;
        });
    }
    ~MessageRecorder() { MessageBox::setResponder(nullptr); }

    void answer(MsgResult r) { answers.push_back(r); }
    QStringList texts() const {
        QStringList out;
        for (const Box& b : boxes) out << b.text;
        return out;
    }
    QString last() const { return boxes.isEmpty() ? QString() : boxes.last().text; }

    QVector<Box> boxes;
    std::deque<MsgResult> answers;
};
