#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QLabel>
#include <QStyle>

#include "FileIO.h"
#include "FirmFixture.h"

using FirmAccess = FirmFixture;

namespace {

// Another program working on a firm: a forked copy of the test program that opens the firm's
// Hdatl through its own session (as every program that has the firm open does) and keeps it
// open until this object is destroyed. The child closes every inherited descriptor, so the
// only locks it holds are its own.
class FirmHolder {
public:
    FirmHolder(const QString& dataDir, const QString& dirName) {
        int sockets[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0) std::abort();
        m_pid = ::fork();
        if (m_pid < 0) std::abort();
        if (m_pid == 0) {
            for (int fd = 3; fd < 4096; ++fd)
                if (fd != sockets[1]) ::close(fd);
            char reply = 'E';
            try {
                TSession session("HolderSession");
                session.setNetFileDir(dataDir);
                session.AddPassword(storage::tablePassword());
                TDatabase db(&session, "HolderDb");
                db.Params = {"PATH=" + dataDir + dirName, "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"};
                TTable hdatl;
                hdatl.setDatabase(&db);
                hdatl.TableName = "Hdatl.DB";
                hdatl.Open();
                reply = 'L';
                ::send(sockets[1], &reply, 1, MSG_NOSIGNAL);
                char go;
                ::recv(sockets[1], &go, 1, 0);  // returns when the parent closes its end
            } catch (...) {
                ::send(sockets[1], &reply, 1, MSG_NOSIGNAL);
            }
            ::_exit(0);
        }
        ::close(sockets[1]);
        m_socket = sockets[0];
        char c = 0;
        m_holding = ::recv(m_socket, &c, 1, 0) == 1 && c == 'L';
    }
    ~FirmHolder() { release(); }
    bool holding() const { return m_holding; }
    void release() {
        if (m_pid <= 0) return;
        ::close(m_socket);
        int status = 0;
        while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    int m_socket = -1;
    bool m_holding = false;
};

}  // namespace

TEST_F(FirmAccess, FirmInUseByAnotherProgramIsRefused) {
    addFirm(1, "Les");
    storeRow("Uziv.DB", {1, "heslo"});
    FirmHolder other(dataDir, "D1");
    ASSERT_TRUE(other.holding());
    startApp();
    showSelection();

    // Neither opened (no password prompt either) nor deleted.
    click(sel()->OKButton);
    click(sel()->Button2);
    EXPECT_EQ(messages.texts(), QStringList(2, "Tuto firmu právě zpracovává jiný uživatel."));
    EXPECT_TRUE(sel()->isVisible());
    EXPECT_EQ(storedRegister().size(), 1);
    EXPECT_EQ(tableFilesIn("D1"), 27);
    EXPECT_FALSE(DM1->Hdatl.Active());
    EXPECT_FALSE(DM1->Hdatl.Exclusive);
    EXPECT_FALSE(DM1->Database.Connected());
    EXPECT_TRUE(QFileInfo::exists(dataDir + "D1/Paradox.lck"));  // a held lock is not stale

    other.release();
    messages.boxes.clear();
    whenShown<TAu4Form>([](TAu4Form* p) {
        typeText(p->Edit1, "heslo");
        click(p->OKButton);
    });
    click(sel()->OKButton);
    EXPECT_TRUE(messages.boxes.isEmpty()) << messages.last().toStdString();
    EXPECT_EQ(sel()->result(), QDialog::Accepted);
}

TEST_F(FirmAccess, PasswordsShowAsStars) {
    addFirm(1, "Les");
    startApp();
    auto star = [](QLineEdit* e) { return e->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, e); };
    EXPECT_EQ(star(Au4Form->Edit1), int('*'));
    TAu3Form window(&sel()->UzivSource);
    EXPECT_EQ(star(window.DBEditVozidlo), int('*'));
}

TEST_F(FirmAccess, PasswordAddedChangedAndRemoved) {
    addFirm(1, "Les");
    startApp();
    showSelection();

    whenShown<TAu3Form>([](TAu3Form* d) {
        EXPECT_EQ(d->windowTitle(), QString("Heslo pro firmu Les"));
        EXPECT_EQ(d->Button1->text(), QString("&Přidat"));
        EXPECT_TRUE(d->Label3->isHidden());
        EXPECT_TRUE(d->Edit2->isHidden());
        EXPECT_EQ(d->Edit1->maxLength(), 10);
        typeText(d->Edit1, "Tajné");
        click(d->Button1);
    });
    click(sel()->Button5);
    EXPECT_EQ(messages.texts(), QStringList({"Opravdu přidat heslo ?", "Heslo bylo přidáno."}));
    EXPECT_EQ(storedPasswords(), QStringList{"1 Tajné"});

    // A wrong old password (letter case matters) keeps the window open on the first edit.
    messages.boxes.clear();
    whenShown<TAu3Form>([this](TAu3Form* d) {
        EXPECT_EQ(d->Button1->text(), QString("&Změnit"));
        EXPECT_FALSE(d->Edit2->isHidden());
        typeText(d->Edit1, "tajné");
        typeText(d->Edit2, "Nové");
        click(d->Button1);
        EXPECT_EQ(messages.texts(), QStringList{"Neplatné heslo."});
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(d->focusWidget(), d->Edit1);
        d->Edit1->setText("Tajné");
        click(d->Button1);
    });
    click(sel()->Button5);
    EXPECT_EQ(messages.texts(), QStringList({"Neplatné heslo.", "Opravdu změnit heslo ?", "Heslo bylo změněno."}));
    EXPECT_EQ(storedPasswords(), QStringList{"1 Nové"});

    // "Ne" and the close box change nothing.
    messages.answer(MsgResult::No);
    whenShown<TAu3Form>([](TAu3Form* d) {
        d->Edit1->setText("Nové");
        click(d->Button1);
        d->close();
    });
    click(sel()->Button5);
    EXPECT_EQ(storedPasswords(), QStringList{"1 Nové"});

    // An empty new password removes the protection: the next opening does not ask.
    whenShown<TAu3Form>([](TAu3Form* d) {
        d->Edit1->setText("Nové");
        click(d->Button1);
    });
    click(sel()->Button5);
    EXPECT_EQ(storedPasswords(), QStringList{"1 "});
    click(sel()->OKButton);
    EXPECT_EQ(sel()->result(), QDialog::Accepted);
}

TEST_F(FirmAccess, WrongPasswordKeepsTheFirmClosed) {
    addFirm(1, "Les");
    storeRow("Uziv.DB", {1, "Heslo"});
    startApp();
    showSelection();
    for (const char* typed : {"heslo", ""}) {
        whenShown<TAu4Form>([typed](TAu4Form* p) {
            EXPECT_EQ(p->windowTitle(), QString("Zadejte heslo"));
            EXPECT_EQ(p->Edit1->echoMode(), QLineEdit::Password);
            EXPECT_EQ(p->Edit1->maxLength(), 10);
            EXPECT_EQ(p->focusWidget(), p->Edit1);
            p->Edit1->setText(typed);
            p->close();  // what was typed counts however the prompt is closed
        });
        click(sel()->OKButton);
        EXPECT_EQ(messages.last(), QString("Neplatné heslo pro tuto firmu."));
        EXPECT_TRUE(sel()->isVisible());
        EXPECT_EQ(sel()->focusWidget(), sel()->DBGridAuto1);
        EXPECT_TRUE(Au4Form->Edit1->text().isEmpty());
    }

    // Deleting asks for the password too.
    whenShown<TAu4Form>([](TAu4Form* p) { click(p->OKButton); });
    click(sel()->Button2);
    EXPECT_EQ(messages.last(), QString("Neplatné heslo pro tuto firmu."));
    EXPECT_EQ(storedRegister().size(), 1);
}

// While the password table cannot be read, whether a firm is protected is unknown: it is
// neither opened nor deleted.
TEST_F(FirmAccess, UnreadablePasswordTableKeepsTheFirmClosed) {
    addFirm(1, "Les");
    storeRow("Uziv.DB", {1, "heslo"});
    startApp();
    showSelection();
    sel()->Uziv.Close();
    struct NoPasswordTable : engine::PosixFileSystem {
        std::unique_ptr<engine::FileHandle> open(const QString& p, OpenMode mode, QString* error) override {
            if (p.endsWith("/Uziv.DB")) {
                if (error) *error = "busy";
                return nullptr;
            }
            return PosixFileSystem::open(p, mode, error);
        }
    } fs;
    engine::FileSystem::setCurrent(&fs);
    click(sel()->OKButton);
    click(sel()->Button2);
    engine::FileSystem::setCurrent(nullptr);
    ASSERT_EQ(messages.texts().size(), 2);
    for (const QString& text : messages.texts()) EXPECT_TRUE(text.startsWith("Tabulku ")) << text.toStdString();
    EXPECT_TRUE(sel()->isVisible());
    EXPECT_EQ(tableFilesIn("D1"), 27);
}

TEST_F(FirmAccess, EmptyRegister) {
    startApp();
    showSelection();
    EXPECT_EQ(sel()->focusWidget(), sel()->Button1);
    click(sel()->Button3);
    click(sel()->Button2);
    click(sel()->Button5);
    sel()->Zmenitpozicefirem1->trigger();
    EXPECT_EQ(messages.texts(), QStringList(4, "Není k dispozici žádná firma. Spusťte akci nová firma."));

    // "&Otevřít" passes the checks; the opening itself then fails.
    sel()->hide();
    messages.boxes.clear();
    whenShown<TAuto1Form>([](TAuto1Form* s) {
        click(s->OKButton);
        if (s->isVisible()) s->hide();  // refused: end the selection instead of waiting
    });
    MainForm->VyberDanoveho();
    EXPECT_EQ(messages.texts(), QStringList{"Nepodařilo se otevřít všechny tabulky."});
    const IniFile local(dataDir + "Sporin.ini");
    EXPECT_EQ(local.readInteger("Vyber", "Cislo", -1), 0);
    // No firm and no conversion: the next start looks for an earlier release again.
    EXPECT_TRUE(local.hasKey("Sporin", "Prevod213"));
    EXPECT_EQ(local.readString("Sporin", "Prevod213", "x"), QString());
}

TEST_F(FirmAccess, CtrlPRearmsTheConversionOnlyWithAnEmptyRegister) {
    IniFile(dataDir + "Sporin.ini").writeString("Sporin", "Prevod213", "1");
    startApp();
    showSelection();
    QTest::keyClick(sel()->DBGridAuto1, Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);  // not Ctrl alone
    EXPECT_TRUE(sel()->isVisible());
    QTest::keyClick(sel()->Button1, Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(messages.texts(), QStringList{"Změny se projeví při novém spuštění programu."});
    EXPECT_FALSE(sel()->isVisible());
    EXPECT_EQ(sel()->result(), TAuto1Form::EndResult);
    IniFile local(dataDir + "Sporin.ini");
    EXPECT_EQ(local.readString("Sporin", "Prevod213o"), QString("1"));
    EXPECT_EQ(local.readString("Sporin", "Prevod213", "x"), QString());

    // With a firm the key does nothing.
    destroyStartupWindows();
    addFirm(1, "Les");
    local.reload();
    local.writeString("Sporin", "Prevod213", "1");
    local.writeString("Sporin", "Prevod213o", "");
    startApp();
    showSelection();
    messages.boxes.clear();
    QTest::keyClick(sel()->DBGridAuto1, Qt::Key_P, Qt::ControlModifier);
    EXPECT_TRUE(sel()->isVisible());
    EXPECT_TRUE(messages.boxes.isEmpty());
    click(sel()->Button4);
    local.reload();
    EXPECT_EQ(local.readString("Sporin", "Prevod213"), QString("1"));
}

// A damaged Hdatl is no sign of another user: choosing the firm reports its tables, and the
// firm can still be deleted.
TEST_F(FirmAccess, DamagedCatalogueIsNotTakenForAnotherUser) {
    addFirm(1, "Les");
    QFile damaged(dataDir + "D1/Hdatl.DB");
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write("no table");
    damaged.close();
    startApp();
    whenShown<TAuto1Form>([](TAuto1Form* s) {
        click(s->OKButton);
        if (s->isVisible()) s->hide();  // refused: end the selection instead of waiting
    });
    MainForm->VyberDanoveho();
    EXPECT_EQ(messages.texts(), QStringList{"Nepodařilo se otevřít všechny tabulky."});

    messages.boxes.clear();
    showSelection();
    click(sel()->Button2);
    EXPECT_EQ(messages.texts(), QStringList(2, "Opravdu smazat firmu Les ?"));
    EXPECT_TRUE(storedRegister().isEmpty());
}
