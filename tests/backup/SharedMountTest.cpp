#include <sched.h>
#include <sys/mount.h>

#include <QDir>

#include "ChildProcess.h"
#include "FirmDirFixture.h"
#include "OsFileLock.h"

// Two computers reach one shared data directory through two mounts of it. The firm-level
// exclusion (an exclusive open of Hdatl) and the stale-lock rule (a lock file in use cannot be
// deleted) must hold across the mounts. Here the second mount is a bind mount made in a private
// mount namespace of the second program; network file systems are not available on the test
// machine.
class SharedMount : public FirmDirFixture {
protected:
    QString second = tmp.path() + "druhy/";
};

TEST_F(SharedMount, AFirmOpenThroughOneMountIsInUseThroughTheOther) {
    QDir().mkpath(second);
    const QString data = tmp.path();
    const QString viaSecond = second + "D1";
    testsupport::ChildProcess other([&](testsupport::MessageChannel& channel) {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount(QFile::encodeName(data).constData(), QFile::encodeName(second).constData(), nullptr, MS_BIND,
                    nullptr) != 0) {
            channel.send("no mount");
            return;
        }
        TSession session("Other");
        session.AddPassword(storage::tablePassword());
        session.setNetFileDir(second);
        TDatabase db(&session, "OtherDb");
        db.Params = {"PATH=" + viaSecond, "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"};
        TTable localities;
        localities.setDatabase(&db);
        localities.TableName = "Hdatl.DB";
        localities.Open();
        channel.send("open");
        channel.waitFor("close");
        localities.Close();
        channel.send("closed");
        channel.waitFor("end");
    });
    const QByteArray state = other.receive();
    if (state == "no mount") GTEST_SKIP() << "no mount namespace for a second mount on this machine";
    ASSERT_EQ(state, QByteArray("open"));

    TSession session("First");
    session.AddPassword(storage::tablePassword());
    TDatabase db(&session, "FirstDb");
    db.Params = {"PATH=" + firm, "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"};
    TTable hdatl;
    hdatl.setDatabase(&db);
    hdatl.TableName = "Hdatl.DB";
    hdatl.Exclusive = true;
    EXPECT_THROW(hdatl.Open(), EDatabaseError);
    EXPECT_FALSE(engine::deleteStaleLockFile(firm + "Paradox.lck"));
    EXPECT_FALSE(engine::deleteStaleLockFile(tmp.path() + "Pdoxusrs.lck"));

    other.send("close");
    ASSERT_EQ(other.receive(), QByteArray("closed"));
    EXPECT_NO_THROW(hdatl.Open());
    hdatl.Close();
    other.send("end");
}
