// Eight programs on one register and one firm's card table at once: appends whose keys collide
// across the programs, edits, deletions and refreshes. Nothing a program was told is stored
// may be missing afterwards, and every unique key is there once.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QElapsedTimer>
#include <QTextStream>
#include <iostream>
#include <map>
#include <set>

#include "CrashTestSupport.h"
#include "EngineFixture.h"

extern char** environ;

using namespace crashtest;

namespace {

using ManyProcesses = EngineFixture;

// Starts engine_child in "mixed" mode as program `worker`, its output going to `outFile`.
pid_t startWorker(const QString& dir, int worker, int ops, const QString& outFile) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const QByteArray out = QFile::encodeName(outFile);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const QByteArray program = LAMELIN_ENGINE_CHILD_PATH;
    const QByteArray args[] = {QFile::encodeName(dir), "mixed", QByteArray::number(worker), QByteArray::number(ops)};
    char* argv[] = {const_cast<char*>(program.constData()), const_cast<char*>(args[0].constData()),
                    const_cast<char*>(args[1].constData()),  const_cast<char*>(args[2].constData()),
                    const_cast<char*>(args[3].constData()),  nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, program.constData(), &actions, nullptr, argv, environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

TEST_F(ManyProcesses, EightProgramsLoseNothingAcknowledgedAndKeepEveryKeyUnique) {
    constexpr int kWorkers = 8;
    constexpr int kOps = 2000;
    const ScratchDir scratch;
    const QString work = scratch.path();
    TTable::CreateTable(work, "Cards", cards(), cardIndexes(), kPassword);
    engine::TableLayout reg;
    reg.fields = {{"ID", engine::FieldType::AutoInc, 0}, {"Cislo", engine::FieldType::Integer, 0},
                  {"Nazev", engine::FieldType::String, 20}};
    reg.primaryKey = 0;
    TTable::CreateTable(work, "Reg", reg, {{"G0", "Cislo", 1, true}}, kPassword);

    QElapsedTimer timer;
    timer.start();
    std::vector<pid_t> pids;
    for (int w = 0; w < kWorkers; ++w) {
        pids.push_back(startWorker(work, w, kOps, dir.file(QStringLiteral("worker%1.out").arg(w))));
        ASSERT_GT(pids.back(), 0);
    }
    for (pid_t pid : pids) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a program failed, status " << status;
    }
    std::cout << "[ timing ] " << kWorkers << " x " << kOps << " mixed operations: " << timer.elapsed() << " ms\n";

    // What the programs were told: each program's own live cards (only it edits or deletes
    // them) with their last name, and the register numbers.
    std::map<int, QString> expectedCards;
    std::multiset<int> expectedReg;
    int acknowledged = 0;
    for (int w = 0; w < kWorkers; ++w) {
        std::map<int, QString> own;
        const QString text = QString::fromUtf8(readFile(dir.file(QStringLiteral("worker%1.out").arg(w))));
        for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const QStringList p = line.split(QLatin1Char(' '));
            ++acknowledged;
            if (p[0] == "a" && p[1] == "Cards") {
                own[p[2].toInt()] = QStringLiteral("W%1").arg(w);
            } else if (p[0] == "a") {
                expectedReg.insert(p[2].toInt());
            } else if (p[0] == "e") {
                own[p[1].toInt()] = line.section(QLatin1Char(' '), 2);
            } else if (p[0] == "d") {
                own.erase(p[1].toInt());
            }
        }
        for (const auto& [evc, nla] : own) {
            EXPECT_FALSE(expectedCards.count(evc)) << "card " << evc << " acknowledged to two programs";
            expectedCards[evc] = nla;
        }
    }
    EXPECT_GT(acknowledged, kWorkers * kOps / 2);

    DirTable c(&session, work);
    c.t.Open();
    std::map<int, QString> gotCards;
    for (c.t.First(); !c.t.Eof(); c.t.Next()) {
        const int evc = c.t.FieldByName("Evc")->AsInteger();
        EXPECT_FALSE(gotCards.count(evc)) << "card " << evc << " twice";
        gotCards[evc] = c.t.FieldByName("Nla")->AsString();
    }
    EXPECT_TRUE(gotCards == expectedCards) << gotCards.size() << " cards, " << expectedCards.size() << " expected";

    DirTable r(&session, work, "Reg");
    r.t.Open();
    std::multiset<int> gotReg;
    for (r.t.First(); !r.t.Eof(); r.t.Next()) gotReg.insert(r.t.FieldByName("Cislo")->AsInteger());
    EXPECT_TRUE(gotReg == expectedReg) << gotReg.size() << " register rows, " << expectedReg.size() << " expected";
    EXPECT_EQ(std::set<int>(expectedReg.begin(), expectedReg.end()).size(), expectedReg.size()) << "a number twice";
}

}  // namespace
