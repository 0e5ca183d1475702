// Fuzz target: loading index files. A small card table is made once; each input replaces one
// of its index files, and the table is opened. The first byte chooses the file (low bits) and
// how the rest is used: as the whole file with a valid checksum appended (so that the fuzzer
// reaches the code behind the check), as the whole file as it is (bit 7), or as the record
// identities of a snapshot that carries the file's own definition and stamp (bit 6), which
// reaches the code that takes a snapshot's order over. The
// open must fail with the engine's error or give every order sorted and complete, whatever the
// file holds: an index file is only a snapshot and a wrong one is rebuilt.

#include <QByteArray>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>

#include "ByteIO.h"
#include "Collation.h"
#include "EngineError.h"
#include "IndexFile.h"
#include "TDatabase.h"
#include "TField.h"
#include "TSession.h"
#include "TTable.h"

namespace {

const char* const kPassword = "314159";
const char* const kFiles[] = {"Cards.PX",  "Cards.X03", "Cards.Y03", "Cards.X04", "Cards.Y04",
                              "Cards.X05", "Cards.Y05", "Cards.XG0", "Cards.YG0"};
constexpr int kCards = 30;

// A directory on tmpfs when there is one: each run writes files, and on a disk their syncs
// would take most of the fuzzer's time.
QString scratchRoot() { return QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath(); }

engine::TableLayout cardLayout() {
    using engine::FieldType;
    engine::TableLayout l;
    l.fields = {{"ID", FieldType::AutoInc, 0}, {"Evc", FieldType::Integer, 0}, {"Nla", FieldType::String, 40},
                {"Lk", FieldType::String, 40}, {"D", FieldType::Date, 0}};
    l.primaryKey = 0;
    return l;
}

struct Fixture {
    QTemporaryDir dir{scratchRoot() + QStringLiteral("/lamelin-fuzz-index-XXXXXX")};
    TSession session{QStringLiteral("FuzzSession")};
    TDatabase db{&session, QStringLiteral("FuzzDb")};
    std::map<QString, QByteArray> pristine;

    Fixture() {
        session.setNetFileDir(dir.path());
        session.AddPassword(QString::fromLatin1(kPassword));
        session.Open();
        db.Params = {"PATH=" + dir.path(), "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"};
        TTable::CreateTable(dir.path(), QStringLiteral("Cards"), cardLayout(),
                            {{"G0", "Evc", 1, true}, {"03", "Nla", 2, false}, {"04", "Lk", 3, false}, {"05", "D", 4, false}},
                            QString::fromLatin1(kPassword));
        static const QStringList names = {"Hřib smrkový", "Chroš", "Čirůvka", "Cirůvka", "hřib smrkový", "", "Ryzec"};
        TTable t;
        t.setDatabase(&db);
        t.TableName = QStringLiteral("Cards.DB");
        t.Open();
        for (int i = 0; i < kCards; ++i) {
            t.Append();
            t.FieldByName("Evc")->setAsInteger(1000 - 7 * i);
            t.FieldByName("Nla")->setAsString(names[i % names.size()]);
            t.FieldByName("Lk")->setAsString(names[(i * 3) % names.size()]);
            if (i % 4) t.FieldByName("D")->setAsDate(QDate(2000, 1, 1).addDays((i * 37) % 400));
            t.Post();
        }
        t.Close();
        for (const char* name : kFiles) pristine[name] = read(name);
    }

    // The table's own snapshot in `name` with the record identities taken from `data`.
    void writeSnapshotOf(const QString& name, const uint8_t* data, size_t size) const {
        auto snap = engine::IndexFile::readSnapshot(dir.filePath(name));
        if (!snap) return;  // a definition file
        snap->rids.clear();
        for (size_t i = 0; i + 4 <= size; i += 4) snap->rids.push_back(engine::getU32(reinterpret_cast<const char*>(data + i)));
        if (!engine::IndexFile::writeSnapshot(dir.filePath(name), *snap)) std::abort();
    }

    QByteArray read(const QString& name) const {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void write(const QString& name, const QByteArray& bytes) const {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) std::abort();
    }
};

// Every record once, in the order of `field` when the table has an index on it.
void checkOrder(TTable& t, const QString& field, engine::FieldType type) {
    try {
        t.setIndexFieldNames(field);
    } catch (const EDatabaseError&) {
        return;  // no such index
    }
    int count = 0;
    QVariant previous;
    for (t.First(); !t.Eof(); t.Next(), ++count) {
        const QVariant v = t.FieldByName(field)->Value();
        if (count > 0) {
            bool ok = true;
            if (type == engine::FieldType::String) {
                ok = previous.toString().isEmpty() || engine::Collation::compare(previous.toString(), v.toString()) <= 0;
            } else if (type == engine::FieldType::Date) {
                ok = !v.isValid() ? !previous.isValid() : (!previous.isValid() || previous.toDate() <= v.toDate());
            } else {
                ok = previous.toInt() < v.toInt();
            }
            if (!ok) std::abort();
        }
        previous = v;
    }
    if (count != kCards) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Fixture fx;
    if (size < 1) return 0;
    for (const auto& [name, bytes] : fx.pristine) fx.write(name, bytes);
    const QString target = QString::fromLatin1(kFiles[(data[0] & 0x3F) % std::size(kFiles)]);
    if (data[0] & 0x40) {
        fx.writeSnapshotOf(target, data + 1, size - 1);
    } else {
        QByteArray file(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
        if (!(data[0] & 0x80)) engine::putU32(file, engine::crc32Of(file.constData(), file.size()));
        fx.write(target, file);
    }
    TTable t;
    t.setDatabase(&fx.db);
    t.TableName = QStringLiteral("Cards.DB");
    try {
        t.Open();
        checkOrder(t, QStringLiteral("ID"), engine::FieldType::AutoInc);
        checkOrder(t, QStringLiteral("Evc"), engine::FieldType::Integer);
        checkOrder(t, QStringLiteral("Nla"), engine::FieldType::String);
        checkOrder(t, QStringLiteral("Lk"), engine::FieldType::String);
        checkOrder(t, QStringLiteral("D"), engine::FieldType::Date);
    } catch (const EDatabaseError&) {
    }
    return 0;
}
