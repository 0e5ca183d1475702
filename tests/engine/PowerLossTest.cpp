// A power cut during a write leaves the record file with what was synced before it and any
// part of what was written since, its pages in any order. Every such image must open with the
// table as it was before the statement or as it is after it, never a mix, and a writer must be
// able to go on from it.

#include <gtest/gtest.h>

#include <QFileInfo>
#include <functional>

#include "CrashTestSupport.h"
#include "EngineFixture.h"
#include "SyncHookFileSystem.h"

using namespace crashtest;

namespace {

constexpr qint64 kPage = 4096;

// What the record file held after its previous sync, and what it holds at the next one.
struct Moment {
    QByteArray durable;
    QByteArray current;
};

// What the disk may hold after a power cut at `m`: nothing of the unsynced bytes, all of them,
// a cut half way, a tail of zeros (the size reached the disk, the data did not), and every
// other page lost (pages reach the disk in any order).
std::vector<std::pair<const char*, QByteArray>> imagesOf(const Moment& m) {
    const QByteArray& old = m.durable;
    const QByteArray& now = m.current;
    auto pageLost = [&](int parity) {
        QByteArray image = now;
        for (qint64 at = 0; at < image.size(); at += kPage) {
            if ((at / kPage) % 2 != parity) continue;
            for (qint64 i = at; i < std::min<qint64>(at + kPage, image.size()); ++i) {
                if (i >= old.size() || old[i] != now[i]) image[i] = i < old.size() ? old[i] : '\0';
            }
        }
        return image;
    };
    QByteArray zeros = now;
    for (qint64 i = 0; i < zeros.size(); ++i) {
        if (i >= old.size() || old[i] != now[i]) zeros[i] = '\0';
    }
    const qint64 common = std::min(old.size(), now.size());
    return {{"none", old},
            {"all", now},
            {"cut", now.left(common + (now.size() - common) / 2)},
            {"zero tail", zeros},
            {"even pages lost", pageLost(0)},
            {"odd pages lost", pageLost(1)}};
}

class PowerLoss : public EngineFixture {
protected:
    // Cards with long enough texts that a statement over them spans many pages.
    void makeTable(int count) {
        createCards();
        auto t = table();
        QVector<QVector<QVariant>> rows;
        for (int i = 1; i <= count; ++i) {
            rows.push_back({QVariant(), i, QStringLiteral("Hřib smrkový %1 ").arg(i).repeated(2), QStringLiteral("Chlum"),
                            QDate(2020, 1, 1).addDays(i), QStringLiteral("N")});
        }
        t->AppendRecords(rows);
        pristine = tableFiles(dir.path(), "Cards");
    }

    // Opens the table files of `dir` with `image` as their record file; its rows, and whether a
    // card can then be added to it.
    Rows openImage(const QByteArray& image, bool appendAfter) {
        auto files = tableFiles(dir.path(), "Cards");
        files["Cards.DB"] = image;
        putTableFiles(scratch.path(), "Cards", files);
        DirTable copy(&session, scratch.path());
        copy.t.Open();
        Rows rows = readRows(copy.t);
        if (appendAfter) {
            addCard(copy.t, 999999, "Bedla");
            copy.t.Close();
            copy.t.Open();
            EXPECT_EQ(int(readRows(copy.t).size()), int(rows.size()) + 1);
        }
        copy.t.Close();
        copy.db.Close();
        return rows;
    }

    ScratchDir scratch;
    std::map<QString, QByteArray> pristine;
};

TEST_F(PowerLoss, EveryImageOfAStatementsWriteHoldsTheStateBeforeOrAfterIt) {
    makeTable(120);
    const std::vector<std::pair<const char*, std::function<void(TTable&)>>> statements = {
        {"post", [](TTable& t) { addCard(t, 5000, "Liška obecná", "Žďár"); }},
        {"update", [this](TTable&) {
             TQuery q;
             q.setDatabase(&db);
             q.SQL = QStringList{"UPDATE Cards SET Lk = 'Černá hora' WHERE Evc > 10"};
             q.ExecSQL();
         }},
        {"empty", [](TTable& t) { t.EmptyTable(); }},
        {"append many", [](TTable& t) {
             QVector<QVector<QVariant>> rows;
             for (int i = 0; i < 150; ++i) rows.push_back({QVariant(), 1000 + i, QStringLiteral("Ryzec pravý %1 ").arg(i).repeated(2)});
             t.AppendRecords(rows);
         }},
    };
    int images = 0, before = 0, after = 0;
    for (const auto& [name, statement] : statements) {
        putTableFiles(dir.path(), "Cards", pristine);
        const QString recordFile = dir.file("Cards.DB");
        QByteArray durable = readFile(recordFile);
        std::vector<Moment> moments;
        SyncHookFileSystem fs;
        fs.beforeSync = [&](const QString& path) {
            if (QFileInfo(path) == QFileInfo(recordFile)) {
                moments.push_back({durable, readFile(recordFile)});
                durable = moments.back().current;
            }
            return true;
        };
        engine::FileSystem::setCurrent(&fs);
        Rows was, is;
        {
            auto t = table();
            t->Open();
            was = readRows(*t);
            moments.clear();
            statement(*t);
            is = readRows(*t);
            t->Close();
        }
        engine::FileSystem::setCurrent(nullptr);
        ASSERT_FALSE(moments.empty()) << name;
        ASSERT_NE(was, is) << name;
        for (const auto& moment : moments) {
            for (const auto& [kind, image] : imagesOf(moment)) {
                SCOPED_TRACE(std::string(name) + ", " + kind);
                Rows got;
                ASSERT_NO_THROW(got = openImage(image, images % 3 == 0));
                EXPECT_TRUE(got == was || got == is) << describe(got);
                before += got == was;
                after += got == is;
                ++images;
            }
        }
    }
    // Both outcomes occur, so the images really reach into the statement's write.
    EXPECT_GT(before, 0);
    EXPECT_GT(after, 0);
    std::printf("power-loss images: %d (before %d, after %d)\n", images, before, after);
}

}  // namespace
