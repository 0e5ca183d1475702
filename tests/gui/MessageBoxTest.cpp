#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "MessageBox.h"

// The real boxes, answered with the keys a user presses: no responder is installed here.
TEST(MessageBoxKeys, EscEnterAndHotkeysGiveTheButtonsAnswer) {
    struct Case {
        MsgButtons buttons;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        MsgResult expected;
    };
    const Case cases[] = {
        {MsgButtons::YesNo, Qt::Key_Escape, Qt::NoModifier, MsgResult::No},
        {MsgButtons::YesNo, Qt::Key_Return, Qt::NoModifier, MsgResult::Yes},
        {MsgButtons::YesNo, Qt::Key_A, Qt::AltModifier, MsgResult::Yes},
        {MsgButtons::YesNo, Qt::Key_N, Qt::AltModifier, MsgResult::No},
        {MsgButtons::YesNo, Qt::Key_N, Qt::NoModifier, MsgResult::No},
        {MsgButtons::YesNoCancel, Qt::Key_Escape, Qt::NoModifier, MsgResult::Cancel},
        {MsgButtons::YesNoCancel, Qt::Key_N, Qt::AltModifier, MsgResult::No},
        {MsgButtons::Ok, Qt::Key_Escape, Qt::NoModifier, MsgResult::Ok},
        {MsgButtons::Close, Qt::Key_Return, Qt::NoModifier, MsgResult::Close},
    };
    for (const Case& c : cases) {
        QStringList buttonTexts;
        QString title;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            ASSERT_TRUE(QTest::qWaitForWindowActive(box));
            title = box->windowTitle();
            for (QAbstractButton* b : box->buttons()) buttonTexts << b->text();
            QTest::keyClick(box, c.key, c.modifiers);
            // A box that ignored the key would otherwise stay open and hang the test.
            QTimer::singleShot(2000, box, [box] { box->done(-1); });
        });
        const MsgResult result = MessageBox::show(MsgKind::Confirmation, "Opravdu ?", c.buttons);
        EXPECT_EQ(result, c.expected) << "buttons " << int(c.buttons) << ", key " << c.key;
        EXPECT_EQ(title, QString("Potvrzení"));
        if (c.buttons == MsgButtons::YesNoCancel) {
            buttonTexts.sort();
            EXPECT_EQ(buttonTexts, QStringList({"&Ano", "&Ne", "Storno"}));
        }
    }
}
