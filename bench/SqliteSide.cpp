#include <sqlite3.h>

#include <QDir>
#include <stdexcept>

#include "BenchSupport.h"
#include "CardGenerator.h"
#include "Collation.h"
#include "Sides.h"

namespace bench {
namespace {

[[noreturn]] void fail(sqlite3* db, const QString& what) {
    throw std::runtime_error(
        QStringLiteral("SQLite: %1: %2").arg(what, QString::fromUtf8(db ? sqlite3_errmsg(db) : "?")).toStdString());
}

// The engine's Czech collation on SQLite's UTF-8 text, so that both order text the same way.
int czechCollation(void*, int n1, const void* s1, int n2, const void* s2) {
    return engine::Collation::compare(QString::fromUtf8(static_cast<const char*>(s1), n1),
                                      QString::fromUtf8(static_cast<const char*>(s2), n2));
}

// Upper case of every letter, Czech ones included; SQLite's own upper() knows ASCII only.
void upperCzech(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const char* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    QString s = QString::fromUtf8(text, sqlite3_value_bytes(argv[0]));
    for (QChar& c : s) c = c.toUpper();
    const QByteArray out = s.toUtf8();
    sqlite3_result_text(ctx, out.constData(), int(out.size()), SQLITE_TRANSIENT);
}

class Db {
public:
    Db(const QString& path, bool create) {
        const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, flags, nullptr) != SQLITE_OK)
            fail(m_db, QStringLiteral("open"));
        if (sqlite3_create_collation(m_db, "CS", SQLITE_UTF8, nullptr, czechCollation) != SQLITE_OK)
            fail(m_db, QStringLiteral("collation"));
        if (sqlite3_create_function(m_db, "UPPERCS", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, upperCzech,
                                    nullptr, nullptr) != SQLITE_OK) {
            fail(m_db, QStringLiteral("function"));
        }
    }
    ~Db() { sqlite3_close_v2(m_db); }
    Db(const Db&) = delete;
    Db& operator=(const Db&) = delete;

    void exec(const char* sql) {
        char* err = nullptr;
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
            const QString message = QString::fromUtf8(err ? err : "?");
            sqlite3_free(err);
            throw std::runtime_error(
                QStringLiteral("SQLite: %1: %2").arg(QString::fromUtf8(sql), message).toStdString());
        }
    }
    int changes() const { return sqlite3_changes(m_db); }
    sqlite3* handle() const { return m_db; }

private:
    sqlite3* m_db = nullptr;
};

class Stmt {
public:
    Stmt(Db& db, const QString& sql) : m_db(db.handle()) {
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &m_stmt, nullptr) != SQLITE_OK)
            fail(m_db, sql);
    }
    ~Stmt() { sqlite3_finalize(m_stmt); }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;

    // True while there is a row.
    bool step() {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW) return true;
        if (rc != SQLITE_DONE) fail(m_db, QStringLiteral("step"));
        return false;
    }
    void reset() {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
    void bind(int i, const QString& text) {
        if (text.isEmpty()) {
            sqlite3_bind_null(m_stmt, i);
            return;
        }
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(m_stmt, i, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    void bind(int i, qint64 v) { sqlite3_bind_int64(m_stmt, i, v); }
    QString text(int col) const {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, col)),
                                 sqlite3_column_bytes(m_stmt, col));
    }
    qint64 integer(int col) const { return sqlite3_column_int64(m_stmt, col); }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
};

const char* const kInsert =
    "INSERT INTO Hdok(ID, Evc, Kdh, Nla, Ato, Nce, Kdl, Lk, Cmp, Nmv, Sd, Plo1, Plo2, Le, D, Dt, Pdh, Pdl, Neh, Obr) "
    "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17, ?18, ?19, ?20)";

// Binds a card; `id` 0 lets SQLite assign the key.
void bindCard(Stmt& s, qint64 id, const Card& c) {
    if (id > 0) s.bind(1, id);
    s.bind(2, qint64(c.evc));
    s.bind(3, c.kdh);
    s.bind(4, c.nla);
    s.bind(5, c.ato);
    s.bind(6, c.nce);
    s.bind(7, c.kdl);
    s.bind(8, c.lk);
    s.bind(9, c.cmp);
    s.bind(10, c.nmv);
    s.bind(11, c.sd);
    s.bind(12, c.plo1);
    s.bind(13, c.plo2);
    s.bind(14, c.le);
    s.bind(15, c.d.toString(Qt::ISODate));
    s.bind(16, c.dt);
    s.bind(17, qint64(c.pdh));
    s.bind(18, qint64(c.pdl));
    s.bind(19, c.neh);
    s.bind(20, c.obr);
}

QString dbPath(const QString& dir) {
    return QDir(dir).filePath(QStringLiteral("hdok.sqlite"));
}

// How SQLite means to run a statement, for the report (an index scan is expected everywhere
// but in the UPDATE).
QString plan(Db& db, const QString& sql) {
    Stmt s(db, QStringLiteral("EXPLAIN QUERY PLAN ") + sql);
    QStringList steps;
    while (s.step()) steps << s.text(3);
    return steps.join(QStringLiteral("; "));
}

void createTable(Db& db) {
    db.exec(
        "CREATE TABLE Hdok(ID INTEGER PRIMARY KEY, Evc INTEGER NOT NULL, Kdh TEXT, Nla TEXT COLLATE CS, Ato TEXT, "
        "Nce TEXT COLLATE CS, Kdl TEXT, Lk TEXT COLLATE CS, Cmp TEXT, Nmv TEXT, Sd TEXT, Plo1 TEXT, Plo2 TEXT, Le "
        "TEXT, "
        "D TEXT, Dt TEXT, Pdh INTEGER, Pdl INTEGER, Neh TEXT, Obr TEXT)");
}

void createIndexes(Db& db) {
    db.exec("CREATE UNIQUE INDEX Hdok_Evc ON Hdok(Evc)");
    db.exec("CREATE INDEX Hdok_Nla ON Hdok(Nla)");
    db.exec("CREATE INDEX Hdok_Nce ON Hdok(Nce)");
    db.exec("CREATE INDEX Hdok_Lk ON Hdok(Lk)");
    db.exec("CREATE INDEX Hdok_D ON Hdok(D)");
}

}  // namespace

void buildSqlite(const QString& dir, const CardGenerator& gen) {
    QDir().mkpath(dir);
    QFile::remove(dbPath(dir));
    Db db(dbPath(dir), true);
    db.exec("PRAGMA journal_mode=WAL");
    db.exec("PRAGMA synchronous=FULL");
    // Text columns that are ordered and searched use the Czech collation, so their indexes,
    // comparisons and ORDER BY follow it without naming it in every statement.
    createTable(db);
    Stopwatch total;
    db.exec("BEGIN");
    {
        Stmt ins(db, QString::fromLatin1(kInsert));
        const int n = gen.count();
        const int every = std::max(1000, n / 20);
        for (int i = 0; i < n; ++i) {
            bindCard(ins, i + 1, gen.card(i));
            ins.step();
            ins.reset();
            if ((i + 1) % every == 0) progress(QStringLiteral("sqlite: %1/%2 cards").arg(i + 1).arg(n));
        }
    }
    db.exec("COMMIT");
    const double insertMs = total.ms();
    createIndexes(db);
    db.exec("PRAGMA wal_checkpoint(TRUNCATE)");
    emitInfo(QStringLiteral("build_sqlite"), QStringLiteral("cards=%1 s=%2 insert_s=%3")
                                                 .arg(gen.count())
                                                 .arg(total.ms() / 1000, 0, 'f', 1)
                                                 .arg(insertMs / 1000, 0, 'f', 1));
}

void bulkSqlite(const QString& dir, const CardGenerator& gen) {
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    operationStarts("bulk_insert");
    Stopwatch sw;
    {
        Db db(dbPath(dir), true);
        db.exec("PRAGMA journal_mode=WAL");
        db.exec("PRAGMA synchronous=FULL");
        createTable(db);
        createIndexes(db);
        db.exec("BEGIN");
        {
            Stmt ins(db, QString::fromLatin1(kInsert));
            for (int i = 0; i < gen.count(); ++i) {
                bindCard(ins, i + 1, gen.card(i));
                ins.step();
                ins.reset();
            }
        }
        db.exec("COMMIT");
    }
    emitResult("bulk_insert", sw);
    emitMemory();
}

void runSqlite(const QString& dir, const CardGenerator& gen) {
    const int n = gen.count();
    Stopwatch sw;
    const QString byNla = QStringLiteral("SELECT Nla, Evc FROM Hdok ORDER BY Nla");
    const QString byLk = QStringLiteral("SELECT Lk, Evc FROM Hdok ORDER BY Lk");

    operationStarts("open");
    sw.restart();
    // open: the database with durable commits, first row in Latin-name order.
    auto db = std::make_unique<Db>(dbPath(dir), false);
    db->exec("PRAGMA synchronous=FULL");
    {
        Stmt s(*db, byNla);
        if (!s.step()) throw std::runtime_error("SQLite: empty table");
        const QString firstNla = s.text(0);
        const qint64 firstEvc = s.integer(1);
        emitResult("open", sw);
        emitCheck("open", QStringLiteral("%1 %2").arg(firstEvc).arg(firstNla));
    }

    operationStarts("traverse");
    // traverse
    {
        sw.restart();
        Stmt s(*db, byNla);
        Hash h;
        qint64 chars = 0;
        int count = 0;
        while (s.step()) {
            const QString nla = s.text(0);
            chars += nla.size();
            h.add(quint64(s.integer(1)));
            ++count;
        }
        emitResult("traverse", sw);
        emitCheck("traverse", QStringLiteral("rows=%1 chars=%2 evc_sequence=%3").arg(count).arg(chars).arg(h.hex()));
    }

    operationStarts("switch_order");
    // switch_order: a query in locality order, its first row.
    {
        Laps laps;
        QString seen;
        for (int k = 0; k < kSwitches; ++k) {
            sw.restart();
            Stmt s(*db, byLk);
            if (!s.step()) throw std::runtime_error("SQLite: empty table");
            const QString lk = s.text(0);
            const qint64 evc = s.integer(1);
            laps.add(sw);
            seen = QStringLiteral("%1 %2").arg(evc).arg(lk);
        }
        emitResult("switch_order", laps.wall / kSwitches, laps.cpu / kSwitches);
        emitCheck("switch_order", seen);
    }

    operationStarts("nearest");
    // nearest: the first name at or after the prefix; past the last name, the last record,
    // which is where the table cursor ends up too.
    {
        const QStringList prefixes = gen.nearestPrefixes(kNearestSearches);
        Hash h;
        sw.restart();
        Stmt s(*db, QStringLiteral("SELECT Nla, Evc FROM Hdok WHERE Nla >= ?1 ORDER BY Nla LIMIT 1"));
        Stmt last(*db, QStringLiteral("SELECT Nla, Evc FROM Hdok ORDER BY Nla DESC LIMIT 1"));
        for (const QString& p : prefixes) {
            s.bind(1, p);
            Stmt* from = &s;
            if (!s.step()) {
                from = &last;
                last.step();
            }
            h.add(quint64(from->integer(1)));
            h.add(from->text(0));
            s.reset();
            last.reset();
        }
        emitResult("nearest", sw);
        emitCheck("nearest", h.hex());
    }

    operationStarts("locate_evc");
    // locate_evc
    {
        const std::vector<int> numbers = gen.locateNumbers(kLocates);
        Hash h;
        int missing = 0;
        sw.restart();
        Stmt s(*db, QStringLiteral("SELECT Nla FROM Hdok WHERE Evc = ?1"));
        for (int number : numbers) {
            s.bind(1, qint64(number));
            if (s.step()) {
                h.add(s.text(0));
            } else {
                ++missing;
            }
            s.reset();
        }
        emitResult("locate_evc", sw);
        emitCheck("locate_evc", QStringLiteral("missing=%1 names=%2").arg(missing).arg(h.hex()));
    }

    operationStarts("extended_update");
    // extended_update: the same marking; the reset rewrites only the cards it changes, as
    // our engine does.
    {
        const QString mark = QStringLiteral(
            "UPDATE Hdok SET Neh = 'A' WHERE UPPERCS(Nla) LIKE 'BO%' AND UPPERCS(Nce) LIKE '%HŘIB%' AND UPPERCS(Lk) "
            "LIKE '%HORA%'");
        emitInfo(QStringLiteral("sqlite_plan_extended_update"), plan(*db, mark));
        sw.restart();
        db->exec(mark.toUtf8().constData());
        const int marked = db->changes();
        const double markMs = sw.ms();
        db->exec("UPDATE Hdok SET Neh = 'N' WHERE Neh IS NOT 'N'");
        const int reset = db->changes();
        emitResult("extended_update", sw);
        emitInfo(QStringLiteral("sqlite_extended_update_mark_ms"), QString::number(markMs, 'f', 3));
        emitCheck("extended_update", QStringLiteral("marked=%1 reset=%2").arg(marked).arg(reset));
    }

    operationStarts("distinct_locality");
    // distinct_locality
    {
        const QString sql = QStringLiteral("SELECT DISTINCT Lk, Nla, Nce FROM Hdok WHERE Lk = ?1 ORDER BY Nla");
        emitInfo(QStringLiteral("sqlite_plan_distinct_locality"), plan(*db, sql));
        Hash h;
        int rows = 0;
        sw.restart();
        Stmt s(*db, sql);
        s.bind(1, gen.frequentLocality());
        while (s.step()) {
            h.add(s.text(0));
            h.add(s.text(1));
            h.add(s.text(2));
            ++rows;
        }
        emitResult("distinct_locality", sw);
        emitCheck("distinct_locality", QStringLiteral("rows=%1 %2").arg(rows).arg(h.hex()));
    }

    operationStarts("post");
    // post: one card per transaction, synchronous=FULL.
    {
        sw.restart();
        Stmt ins(*db, QString::fromLatin1(kInsert));
        for (int k = 0; k < kPosts; ++k) {
            bindCard(ins, 0, gen.card(n + k));
            ins.step();
            ins.reset();
        }
        emitResult("post", sw, kPosts);
        Stmt count(*db, QStringLiteral("SELECT count(*) FROM Hdok"));
        count.step();
        emitCheck("post", QStringLiteral("records=%1").arg(count.integer(0)));
    }

    operationStarts("regenerate");
    // regenerate
    {
        sw.restart();
        db->exec("REINDEX");
        emitResult("regenerate", sw);
        Stmt count(*db, QStringLiteral("SELECT count(*) FROM Hdok"));
        count.step();
        emitCheck("regenerate", QStringLiteral("records=%1").arg(count.integer(0)));
    }

    emitInfo(QStringLiteral("sqlite_plan_order"), plan(*db, byNla));
    emitInfo(QStringLiteral("sqlite_plan_nearest"),
             plan(*db, QStringLiteral("SELECT Nla, Evc FROM Hdok WHERE Nla >= 'Bol' ORDER BY Nla LIMIT 1")));
    operationStarts("end");
    db.reset();
    emitMemory();
}

}  // namespace bench
