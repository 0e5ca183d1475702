#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <memory>
#include <stdexcept>

#include "BenchSupport.h"
#include "CardGenerator.h"
#include "Collation.h"
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

// Makes every file of `dir` and the directory itself durable.
void syncDirectoryFiles(const QString& dir) {
    for (const QFileInfo& fi : QDir(dir).entryInfoList(QDir::Files)) {
        const int fd = ::open(QFile::encodeName(fi.filePath()).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 || ::fsync(fd) != 0) throw std::runtime_error("cannot sync " + fi.filePath().toStdString());
        ::close(fd);
    }
    engine::PosixFileSystem().syncDirectory(dir);
}

// Cards [from, to) of `gen` as rows of the card table's fields.
QVector<QVector<QVariant>> cardRows(const engine::TableLayout& layout, const CardGenerator& gen, int from, int to) {
    const auto at = [&](const char* name) { return layout.indexOf(QLatin1String(name)); };
    const int evc = at("Evc"), kdh = at("Kdh"), nla = at("Nla"), ato = at("Ato"), nce = at("Nce"), kdl = at("Kdl"),
              lk = at("Lk"), cmp = at("Cmp"), nmv = at("Nmv"), sd = at("Sd"), plo1 = at("Plo1"), plo2 = at("Plo2"),
              le = at("Le"), d = at("D"), dt = at("Dt"), pdh = at("Pdh"), pdl = at("Pdl"), neh = at("Neh"),
              obr = at("Obr");
    QVector<QVector<QVariant>> rows;
    rows.reserve(to - from);
    for (int i = from; i < to; ++i) {
        const Card c = gen.card(i);
        QVector<QVariant> v(layout.fields.size());
        v[evc] = c.evc;
        v[kdh] = c.kdh;
        v[nla] = c.nla;
        v[ato] = c.ato;
        v[nce] = c.nce;
        v[kdl] = c.kdl;
        v[lk] = c.lk;
        v[cmp] = c.cmp;
        v[nmv] = c.nmv;
        v[sd] = c.sd;
        v[plo1] = c.plo1;
        v[plo2] = c.plo2;
        v[le] = c.le;
        v[d] = c.d;
        v[dt] = c.dt;
        v[pdh] = c.pdh;
        v[pdl] = c.pdl;
        v[neh] = c.neh;
        v[obr] = c.obr;
        rows.push_back(std::move(v));
    }
    return rows;
}

// Appends every card of `gen` to the empty card table of `dir`, a durable batch per
// 100 000 cards (so that a million cards never sit in memory at once).
void appendAll(const QString& dir, const CardGenerator& gen) {
    const storage::TableDefinition def = storage::hdokTable();
    Connection c(dir);
    auto t = cardTable(c.db);
    t->Open();
    const int n = gen.count();
    for (int from = 0; from < n; from += 100000) {
        QVector<QVector<QVariant>> rows = cardRows(def.layout, gen, from, std::min(n, from + 100000));
        t->AppendRecords(rows);
        if (n > 100000) progress(QStringLiteral("ours: %1/%2 cards").arg(std::min(n, from + 100000)).arg(n));
    }
    t->Close();
}

}  // namespace

void buildOurs(const QString& dir, const CardGenerator& gen) {
    QDir().mkpath(dir);
    const storage::TableDefinition def = storage::hdokTable();
    TTable::CreateTable(dir, def.name, def.layout, def.indexes, storage::tablePassword());
    Stopwatch total;
    appendAll(dir, gen);
    syncDirectoryFiles(dir);
    emitInfo(QStringLiteral("build_ours"), QStringLiteral("cards=%1 s=%2 rate=%3/s")
                                               .arg(gen.count())
                                               .arg(total.ms() / 1000, 0, 'f', 1)
                                               .arg(gen.count() * 1000.0 / total.ms(), 0, 'f', 0));
}

void bulkOurs(const QString& dir, const CardGenerator& gen) {
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    const storage::TableDefinition def = storage::hdokTable();
    operationStarts("bulk_insert");
    Stopwatch sw;
    TTable::CreateTable(dir, def.name, def.layout, def.indexes, storage::tablePassword());
    appendAll(dir, gen);
    emitResult("bulk_insert", sw);
    emitMemory();
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

    // The fixed share: what the process holds before the engine opens anything (Qt, the card
    // generator of the benchmark), and what the Czech collator (ICU) adds once it is made.
    const qint64 beforeIcu = rssKib();
    engine::Collation::compare(QStringLiteral("a"), QStringLiteral("b"));
    const qint64 fixedKib = rssKib();
    emitInfo(QStringLiteral("memory_fixed"), QStringLiteral("cards=%1 qt_and_bench_mib=%2 icu_mib=%3")
                                                 .arg(n)
                                                 .arg(beforeIcu / 1024.0, 0, 'f', 1)
                                                 .arg((fixedKib - beforeIcu) / 1024.0, 0, 'f', 1));
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
    // The engine's own share: the peak above the fixed share, against the record file.
    const double recordMib = QFileInfo(QDir(dir).filePath(QStringLiteral("Hdok.DB"))).size() / 1048576.0;
    const double engineMib = (peakKib() - fixedKib) / 1024.0;
    emitInfo(QStringLiteral("memory_engine"), QStringLiteral("cards=%1 engine_peak_mib=%2 record_file_mib=%3 ratio=%4")
                                                  .arg(n)
                                                  .arg(engineMib, 0, 'f', 1)
                                                  .arg(recordMib, 0, 'f', 1)
                                                  .arg(engineMib / recordMib, 0, 'f', 2));
    emitMemory();
}

}  // namespace bench
