#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <memory>
#include <stdexcept>

#include "BenchSupport.h"
#include "CardGenerator.h"
#include "FileIO.h"
#include "Sides.h"
#include "TDatabase.h"
#include "TQuery.h"
#include "TSession.h"
#include "TTable.h"
#include "TableLayouts.h"
#include "TablePassword.h"

namespace bench {
namespace {

// The fields of the card table, looked up once.
struct CardFields {
    explicit CardFields(TTable& t)
        : evc(t.FieldByName("Evc")),
          kdh(t.FieldByName("Kdh")),
          nla(t.FieldByName("Nla")),
          ato(t.FieldByName("Ato")),
          nce(t.FieldByName("Nce")),
          kdl(t.FieldByName("Kdl")),
          lk(t.FieldByName("Lk")),
          cmp(t.FieldByName("Cmp")),
          nmv(t.FieldByName("Nmv")),
          sd(t.FieldByName("Sd")),
          plo1(t.FieldByName("Plo1")),
          plo2(t.FieldByName("Plo2")),
          le(t.FieldByName("Le")),
          d(t.FieldByName("D")),
          dt(t.FieldByName("Dt")),
          pdh(t.FieldByName("Pdh")),
          pdl(t.FieldByName("Pdl")),
          neh(t.FieldByName("Neh")),
          obr(t.FieldByName("Obr")) {}

    void set(const Card& c) const {
        evc->setAsInteger(c.evc);
        kdh->setAsString(c.kdh);
        nla->setAsString(c.nla);
        ato->setAsString(c.ato);
        nce->setAsString(c.nce);
        kdl->setAsString(c.kdl);
        lk->setAsString(c.lk);
        cmp->setAsString(c.cmp);
        nmv->setAsString(c.nmv);
        sd->setAsString(c.sd);
        plo1->setAsString(c.plo1);
        plo2->setAsString(c.plo2);
        le->setAsString(c.le);
        d->setAsDate(c.d);
        dt->setAsString(c.dt);
        pdh->setAsBoolean(c.pdh);
        pdl->setAsBoolean(c.pdl);
        neh->setAsString(c.neh);
        obr->setAsString(c.obr);
    }

    TField *evc, *kdh, *nla, *ato, *nce, *kdl, *lk, *cmp, *nmv, *sd, *plo1, *plo2, *le, *d, *dt, *pdh, *pdl, *neh, *obr;
};

// A session and a database over `dir`, as the program sets them up for a firm's data.
struct Connection {
    explicit Connection(const QString& dir) {
        session.setNetFileDir(dir);
        session.AddPassword(storage::tablePassword());
        session.Open();
        db.Params = {QStringLiteral("PATH=") + dir, QStringLiteral("DEFAULT DRIVER=PARADOX"),
                     QStringLiteral("ENABLE BCD=FALSE")};
    }
    TSession session{QStringLiteral("Bench")};
    TDatabase db{&session, QStringLiteral("BenchDb")};
};

std::unique_ptr<TTable> cardTable(TDatabase& db) {
    auto t = std::make_unique<TTable>();
    t->setDatabase(&db);
    t->TableName = QStringLiteral("Hdok.DB");
    return t;
}

// The real file system with each file's sync left to the end of the data build. Every card
// still goes through Append/Post and the engine's write path; only the wait for the disk after
// each Post is skipped, which would otherwise make a million-card build take hours (the cost
// of a durable Post is what the "post" operation measures).
class DeferredSyncFileSystem : public engine::FileSystem {
public:
    DeferredSyncFileSystem() { engine::FileSystem::setCurrent(this); }
    ~DeferredSyncFileSystem() override { engine::FileSystem::setCurrent(nullptr); }

    std::unique_ptr<engine::FileHandle> open(const QString& path, OpenMode mode, QString* error) override {
        auto file = m_real.open(path, mode, error);
        return file ? std::make_unique<Handle>(std::move(file)) : nullptr;
    }
    bool rename(const QString& from, const QString& to, QString* error) override {
        return m_real.rename(from, to, error);
    }
    bool remove(const QString& path) override { return m_real.remove(path); }
    bool syncDirectory(const QString& dir) override { return m_real.syncDirectory(dir); }

private:
    class Handle : public engine::FileHandle {
    public:
        explicit Handle(std::unique_ptr<engine::FileHandle> real) : m_real(std::move(real)) {}
        int fd() const override { return m_real->fd(); }
        qint64 readAt(qint64 offset, char* data, qint64 size) override { return m_real->readAt(offset, data, size); }
        bool writeAt(qint64 offset, const char* data, qint64 size) override {
            return m_real->writeAt(offset, data, size);
        }
        bool sync() override { return true; }
        bool truncate(qint64 size) override { return m_real->truncate(size); }
        qint64 size() override { return m_real->size(); }
        QString errorString() const override { return m_real->errorString(); }

    private:
        std::unique_ptr<engine::FileHandle> m_real;
    };
    engine::PosixFileSystem m_real;
};

// Makes every file of `dir` and the directory itself durable.
void syncDirectoryFiles(const QString& dir) {
    for (const QFileInfo& fi : QDir(dir).entryInfoList(QDir::Files)) {
        const int fd = ::open(QFile::encodeName(fi.filePath()).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 || ::fsync(fd) != 0) throw std::runtime_error("cannot sync " + fi.filePath().toStdString());
        ::close(fd);
    }
    engine::PosixFileSystem().syncDirectory(dir);
}

}  // namespace

void buildOurs(const QString& dir, const CardGenerator& gen, bool durable) {
    std::unique_ptr<DeferredSyncFileSystem> deferred;
    if (!durable) deferred = std::make_unique<DeferredSyncFileSystem>();
    QDir().mkpath(dir);
    const storage::TableDefinition def = storage::hdokTable();
    TTable::CreateTable(dir, def.name, def.layout, def.indexes, storage::tablePassword());
    Connection c(dir);
    auto t = cardTable(c.db);
    t->Open();
    const CardFields f(*t);
    Stopwatch total, step;
    const int n = gen.count();
    const int every = std::max(1000, n / 50);
    for (int i = 0; i < n; ++i) {
        t->Append();
        f.set(gen.card(i));
        t->Post();
        if ((i + 1) % every == 0 || i + 1 == n) {
            progress(QStringLiteral("ours: %1/%2 cards, %3 cards/s now, %4 s so far")
                         .arg(i + 1)
                         .arg(n)
                         .arg(every * 1000.0 / step.ms(), 0, 'f', 0)
                         .arg(total.ms() / 1000, 0, 'f', 1));
            step.restart();
        }
    }
    Stopwatch closing;
    t->Close();
    t.reset();
    syncDirectoryFiles(dir);
    emitInfo(QStringLiteral("build_ours"), QStringLiteral("cards=%1 s=%2 rate=%3/s close_ms=%4 sync_per_post=%5")
                                               .arg(n)
                                               .arg(total.ms() / 1000, 0, 'f', 1)
                                               .arg(n * 1000.0 / total.ms(), 0, 'f', 0)
                                               .arg(closing.ms(), 0, 'f', 1)
                                               .arg(durable ? QStringLiteral("yes") : QStringLiteral("deferred")));
}

void openOnce(const QString& dir) {
    Stopwatch sw;
    Connection c(dir);
    auto t = cardTable(c.db);
    t->setIndexFieldNames(QStringLiteral("Nla"));
    t->Open();
    const QString first = t->FieldByName(QStringLiteral("Nla"))->AsString();
    emitResult("open", sw);
    sw.restart();
    t->Close();
    emitInfo(QStringLiteral("close_ms"), QString::number(sw.ms(), 'f', 3));
}

void runOurs(const QString& dir, const CardGenerator& gen) {
    const int n = gen.count();
    Stopwatch sw;

    operationStarts("open");
    sw.restart();
    // open: a fresh session and database, the card table in Latin-name order, first record.
    auto conn = std::make_unique<Connection>(dir);
    auto t = cardTable(conn->db);
    t->setIndexFieldNames(QStringLiteral("Nla"));
    t->Open();
    const CardFields f(*t);
    const QString firstNla = f.nla->AsString();
    const int firstEvc = f.evc->AsInteger();
    emitResult("open", sw);
    emitCheck("open", QStringLiteral("%1 %2").arg(firstEvc).arg(firstNla));

    operationStarts("traverse");
    // traverse: every record in Latin-name order, reading Nla and Evc.
    {
        sw.restart();
        Hash h;
        qint64 chars = 0;
        int count = 0;
        for (t->First(); !t->Eof(); t->Next()) {
            const QString nla = f.nla->AsString();
            chars += nla.size();
            h.add(quint64(f.evc->AsInteger()));
            ++count;
        }
        emitResult("traverse", sw);
        emitCheck("traverse", QStringLiteral("rows=%1 chars=%2 evc_sequence=%3").arg(count).arg(chars).arg(h.hex()));
    }

    operationStarts("switch_order");
    // switch_order: to locality order, first record (averaged); back to Latin names untimed.
    {
        Laps laps;
        QString seen;
        for (int k = 0; k < kSwitches; ++k) {
            sw.restart();
            t->setIndexFieldNames(QStringLiteral("Lk"));
            t->First();
            const QString lk = f.lk->AsString();
            const int evc = f.evc->AsInteger();
            laps.add(sw);
            seen = QStringLiteral("%1 %2").arg(evc).arg(lk);
            t->setIndexFieldNames(QStringLiteral("Nla"));
        }
        emitResult("switch_order", laps.wall / kSwitches, laps.cpu / kSwitches);
        emitCheck("switch_order", seen);
    }

    operationStarts("nearest");
    // nearest: typed prefixes in Latin-name order.
    {
        const QStringList prefixes = gen.nearestPrefixes(kNearestSearches);
        Hash h;
        sw.restart();
        for (const QString& p : prefixes) {
            t->FindNearest({p});
            h.add(quint64(f.evc->AsInteger()));
            h.add(f.nla->AsString());
        }
        emitResult("nearest", sw);
        emitCheck("nearest", h.hex());
    }

    operationStarts("locate_evc");
    // locate_evc: registration numbers through Locate.
    {
        const std::vector<int> numbers = gen.locateNumbers(kLocates);
        Hash h;
        int missing = 0;
        sw.restart();
        for (int number : numbers) {
            if (!t->Locate(QStringLiteral("Evc"), number)) {
                ++missing;
                continue;
            }
            h.add(f.nla->AsString());
        }
        emitResult("locate_evc", sw);
        emitCheck("locate_evc", QStringLiteral("missing=%1 names=%2").arg(missing).arg(h.hex()));
    }

    operationStarts("extended_update");
    // extended_update: the card window's "mark the cards matching" statement, then the reset.
    {
        TQuery q;
        q.setDatabase(&conn->db);
        q.SQL =
            QStringList{QStringLiteral("Update Hdok set Neh = \"A\""), QStringLiteral(" where"),
                        QStringLiteral(" Upper(Nla) like \"BO%\""), QStringLiteral(" and Upper(Nce) like \"%HŘIB%\""),
                        QStringLiteral(" and Upper(Lk) like \"%HORA%\"")};
        sw.restart();
        q.ExecSQL();
        const int marked = q.RowsAffected();
        const double markMs = sw.ms();
        q.SQL = QStringList{QStringLiteral("Update Hdok set Neh = \"N\"")};
        q.ExecSQL();
        const int reset = q.RowsAffected();
        emitResult("extended_update", sw);
        emitInfo(QStringLiteral("ours_extended_update_mark_ms"), QString::number(markMs, 'f', 3));
        emitCheck("extended_update", QStringLiteral("marked=%1 reset=%2").arg(marked).arg(reset));
    }

    operationStarts("distinct_locality");
    // distinct_locality: what was found at the favourite locality.
    {
        TQuery q;
        q.setDatabase(&conn->db);
        q.SQL = QStringList{QStringLiteral("Select distinct Lk, Nla, Nce from Hdok"),
                            QStringLiteral("where Lk = \"%1\"").arg(gen.frequentLocality()),
                            QStringLiteral("order by Nla")};
        Hash h;
        int rows = 0;
        sw.restart();
        q.Open();
        TField* lk = q.FieldByName(QStringLiteral("Lk"));
        TField* nla = q.FieldByName(QStringLiteral("Nla"));
        TField* nce = q.FieldByName(QStringLiteral("Nce"));
        for (q.First(); !q.Eof(); q.Next()) {
            h.add(lk->AsString());
            h.add(nla->AsString());
            h.add(nce->AsString());
            ++rows;
        }
        q.Close();
        emitResult("distinct_locality", sw);
        emitCheck("distinct_locality", QStringLiteral("rows=%1 %2").arg(rows).arg(h.hex()));
    }

    operationStarts("post");
    // post: new cards appended one by one, each durable when Post returns.
    {
        sw.restart();
        for (int k = 0; k < kPosts; ++k) {
            t->Append();
            f.set(gen.card(n + k));
            t->Post();
        }
        emitResult("post", sw, kPosts);
        emitCheck("post", QStringLiteral("records=%1").arg(t->RecordCount()));
    }

    operationStarts("regenerate");
    // regenerate: the maintenance command, which needs the table to itself.
    {
        sw.restart();
        t->Close();
        emitInfo(QStringLiteral("ours_close_ms"), QString::number(sw.ms(), 'f', 3));
        sw.restart();
        auto ex = cardTable(conn->db);
        ex->Exclusive = true;
        ex->Open();
        const double openMs = sw.ms();
        ex->RegenerateIndexes();
        emitResult("regenerate", sw);
        emitInfo(QStringLiteral("ours_regenerate_exclusive_open_ms"), QString::number(openMs, 'f', 3));
        emitCheck("regenerate", QStringLiteral("records=%1").arg(ex->RecordCount()));
        sw.restart();
        ex->Close();
        emitInfo(QStringLiteral("ours_exclusive_close_ms"), QString::number(sw.ms(), 'f', 3));
    }
    operationStarts("end");
    t.reset();
    emitMemory();
}

}  // namespace bench
