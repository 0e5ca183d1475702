#pragma once

// Helpers shared by the crash, corruption and fault tests: what a table holds, whether its
// orders are right, the state stamp of a record file, and copying table files around.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <map>
#include <ostream>
#include <vector>

#include "Collation.h"
#include "EngineError.h"
#include "FileIO.h"
#include "IndexFile.h"
#include "RecordCodec.h"
#include "RecordFile.h"
#include "TDatabase.h"
#include "TSession.h"
#include "TTable.h"
#include "TempDir.h"

// Readable failure messages for values of the engine.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QVariant& v, std::ostream* os) {
    *os << (v.isValid() ? v.toString().toStdString() : std::string("NULL"));
}

namespace crashtest {

// The records of a table by their ID (the autoincrement key): every field's value.
using Rows = std::map<int, QVector<QVariant>>;

inline Rows readRows(TTable& t) {
    Rows rows;
    const QString saved = t.IndexFieldNames();
    t.setIndexFieldNames("");
    for (t.First(); !t.Eof(); t.Next()) {
        QVector<QVariant> v;
        for (TField* f : t.Fields()) v << f->Value();
        rows[t.FieldByName("ID")->AsInteger()] = v;
    }
    t.setIndexFieldNames(saved);
    return rows;
}

// Text of the rows for failure messages.
inline std::string describe(const Rows& rows) {
    QStringList out;
    for (const auto& [id, v] : rows) {
        QStringList cells;
        for (const QVariant& c : v) cells << (c.isValid() ? c.toString() : QStringLiteral("NULL"));
        out << cells.join(QLatin1Char('|'));
    }
    return out.join(QLatin1Char('\n')).toStdString();
}

// The order an index must give: the key (NULL and empty text first, text in the Czech
// collation), equal keys by ID. Computed from the data alone, independently of the engine.
inline std::vector<int> expectedOrder(const Rows& rows, int field, engine::FieldType type) {
    std::vector<std::pair<int, const QVector<QVariant>*>> items;
    for (const auto& [id, v] : rows) items.emplace_back(id, &v);
    auto cmp = [&](const QVariant& a, const QVariant& b) {
        const bool an = !a.isValid() || (type == engine::FieldType::String && a.toString().isEmpty());
        const bool bn = !b.isValid() || (type == engine::FieldType::String && b.toString().isEmpty());
        if (an || bn) return an == bn ? 0 : (an ? -1 : 1);
        if (type == engine::FieldType::String) return engine::Collation::compare(a.toString(), b.toString());
        if (type == engine::FieldType::Date) return a.toDate() < b.toDate() ? -1 : (b.toDate() < a.toDate() ? 1 : 0);
        return a.toInt() < b.toInt() ? -1 : (a.toInt() > b.toInt() ? 1 : 0);
    };
    std::stable_sort(items.begin(), items.end(), [&](const auto& x, const auto& y) {
        if (field >= 0) {
            const int c = cmp(x.second->value(field), y.second->value(field));
            if (c != 0) return c < 0;
        }
        return x.first < y.first;
    });
    std::vector<int> ids;
    for (const auto& item : items) ids.push_back(item.first);
    return ids;
}

// The IDs in the table's order `indexFieldNames`.
inline std::vector<int> actualOrder(TTable& t, const QString& indexFieldNames) {
    const QString saved = t.IndexFieldNames();
    t.setIndexFieldNames(indexFieldNames);
    std::vector<int> ids;
    for (t.First(); !t.Eof(); t.Next()) ids.push_back(t.FieldByName("ID")->AsInteger());
    t.setIndexFieldNames(saved);
    return ids;
}

// Every order of the card table (key, Evc, Nla, Lk, D) lists exactly the records, sorted.
inline void expectOrdersCorrect(TTable& t, const Rows& rows, const std::string& context = {}) {
    using engine::FieldType;
    const struct {
        const char* name;
        int field;
        FieldType type;
    } orders[] = {{"", -1, FieldType::Integer},
                  {"Evc", 1, FieldType::Integer},
                  {"Nla", 2, FieldType::String},
                  {"Lk", 3, FieldType::String},
                  {"D", 4, FieldType::Date}};
    for (const auto& o : orders) {
        EXPECT_EQ(actualOrder(t, o.name), expectedOrder(rows, o.field, o.type))
            << "order '" << o.name << "' " << context;
    }
}

// A scratch directory on tmpfs when there is one. Tests that open hundreds of copies of a
// table put them there: on a disk the file creation and truncation would dominate their time,
// and what they test does not depend on the medium.
class ScratchDir {
public:
    ScratchDir() : m_shm(QStringLiteral("/dev/shm/lamelin-test-XXXXXX")) {}
    QString path() const { return m_shm.isValid() ? m_shm.path() + "/" : m_fallback.path(); }
    QString file(const QString& name) const { return path() + name; }

private:
    QTemporaryDir m_shm;
    TempDir m_fallback;
};

// A database over another directory and one table of it: opens copies of a table.
struct DirTable {
    DirTable(TSession* session, const QString& dir, const QString& name = "Cards") : db(session, "CopyDb") {
        db.Params = {"PATH=" + dir, "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"};
        t.setDatabase(&db);
        t.TableName = name + ".DB";
    }
    TDatabase db;
    TTable t;
};

inline QByteArray readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// The files of table `base` in `dir` (record file and every index file), by file name.
inline std::map<QString, QByteArray> tableFiles(const QString& dir, const QString& base) {
    std::map<QString, QByteArray> files;
    const QStringList names =
        QDir(dir).entryList({base + ".DB", base + ".PX", base + ".X??", base + ".Y??"}, QDir::Files);
    for (const QString& n : names) files[n] = readFile(QDir(dir).filePath(n));
    return files;
}

// Makes the files of table `base` in `dir` exactly `files`; files already right are left alone.
inline void putTableFiles(const QString& dir, const QString& base, const std::map<QString, QByteArray>& files) {
    const auto present = tableFiles(dir, base);
    for (const auto& [name, bytes] : present) {
        if (!files.count(name)) QFile::remove(QDir(dir).filePath(name));
    }
    for (const auto& [name, bytes] : files) {
        auto it = present.find(name);
        if (it == present.end() || it->second != bytes) writeFile(QDir(dir).filePath(name), bytes);
    }
}

// The state a valid index snapshot of the record file at `path` must be stamped with:
// computed by reading the file with the format's own helpers.
inline engine::IndexStamp stampOf(const QString& path) {
    auto file = engine::FileSystem::current().open(path, engine::FileSystem::OpenMode::ReadOnly, nullptr);
    if (!file) return {};
    const engine::RecordHeader header = engine::RecordFile::readHeader(*file, path);
    const engine::RecordCodec codec(header.layout);
    const qint64 n = file->size() - header.size;
    QByteArray body(n, Qt::Uninitialized);
    file->readAt(header.size, body.data(), n);
    engine::IndexStamp stamp{header.epoch, 0, header.size, 0};
    engine::RecordFile::scan(
        body.constData(), header.size, n, path, [&](const char* p, quint32 len) { return codec.validate(p, int(len)); },
        [&](const engine::Slot& s) {
            stamp.seq = s.seq;
            stamp.end = s.end;
            stamp.lastCrc = engine::RecordFile::chainCrc(stamp.lastCrc, s.crc);
        });
    return stamp;
}

// Inode of a file: a rewritten index file (temporary file and rename) gets a new one.
inline quint64 inodeOf(const QString& path) {
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return 0;
    return quint64(st.st_ino);
}

}  // namespace crashtest
