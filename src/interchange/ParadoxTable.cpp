#include "ParadoxTable.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QtEndian>
#include <cstring>
#include <mutex>

extern "C" {
#include <paradox.h>
}

#include "EngineError.h"
#include "Win1250.h"

namespace interchange {
namespace {

// Day numbers of the format count from 1 January of the year 1 (day 1); a Julian day number is
// that plus this constant.
constexpr qint64 kJulianDayOfDayZero = 1721425;

void collectError(pxdoc_t*, int, const char* message, void* data) {
    if (data && message) *static_cast<QString*>(data) = QString::fromLocal8Bit(message).trimmed();
}

// Integers are stored big-endian with the sign bit inverted, so that the bytes sort like the
// numbers; all bytes zero is an empty value.
bool readInteger(const uchar* p, int size, qint64& value) {
    quint64 raw = 0;
    bool empty = true;
    for (int i = 0; i < size; ++i) {
        raw = (raw << 8) | p[i];
        empty = empty && p[i] == 0;
    }
    if (empty) return false;
    const quint64 sign = quint64(1) << (size * 8 - 1);
    raw ^= sign;
    value = (raw & sign) ? qint64(raw) - qint64(sign << 1) : qint64(raw);
    return true;
}

// Floating-point numbers: big-endian IEEE doubles; a positive number has its sign bit set, a
// negative one has every bit inverted; all bytes zero is an empty value.
bool readDouble(const uchar* p, double& value) {
    uchar b[8];
    std::memcpy(b, p, 8);
    bool empty = true;
    for (uchar c : b) empty = empty && c == 0;
    if (empty) return false;
    if (b[0] & 0x80) {
        b[0] ^= 0x80;
    } else {
        for (uchar& c : b) c = uchar(~c);
    }
    const quint64 bits = qFromBigEndian<quint64>(b);
    std::memcpy(&value, &bits, 8);
    return true;
}

// The earlier editions wrote their text in Windows-1250 through a Windows language driver;
// a driver for a DOS code page (852, 437, ...) stored it converted into that code page. A
// Windows code page number in the header (1250, or 1252 of a driver that did no conversion on a
// Czech system) or none at all means the bytes are Windows-1250.
QByteArray codecFor(int codePage) {
    switch (codePage) {
        case 437:
        case 850:
        case 852:
        case 866:
            return "IBM" + QByteArray::number(codePage);
        default:
            return QByteArray();  // Windows-1250
    }
}

}  // namespace

ParadoxTable::ParadoxTable(const QString& path) : m_path(path) {
    static std::once_flag booted;
    std::call_once(booted, [] { PX_boot(); });
    const QString failure = QStringLiteral("Tabulku %1 nelze přečíst.").arg(QDir::toNativeSeparators(path));
    m_doc = PX_new3(collectError, nullptr, nullptr, nullptr, &m_lastError);
    if (!m_doc) throw EDatabaseError(failure);
    m_file.setFileName(path);
    if (m_file.open(QIODevice::ReadOnly) && m_file.size() > 0) m_mapped = m_file.map(0, m_file.size());
    if (m_mapped) m_stream = fmemopen(m_mapped, size_t(m_file.size()), "r");
    const int opened =
        m_stream ? PX_open_fp(m_doc, m_stream) : PX_open_file(m_doc, QFile::encodeName(path).constData());
    if (opened < 0 || !m_doc->px_head) {
        release();
        throw EDatabaseError(failure);
    }
    const pxhead_t* head = m_doc->px_head;
    m_recordCount = PX_get_num_records(m_doc);
    m_recordSize = PX_get_recordsize(m_doc);
    m_codePage = head->px_doscodepage;
    m_encrypted = head->px_encryption != 0;
    m_codecName = codecFor(m_codePage);
    int offset = 0;
    const int count = PX_get_num_fields(m_doc);
    for (int i = 0; i < count; ++i) {
        const pxfield_t* f = PX_get_field(m_doc, i);
        if (!f) break;
        Field field;
        field.name = engine::Win1250::decode(f->px_fname, qsizetype(std::strlen(f->px_fname))).trimmed();
        field.type = static_cast<uchar>(f->px_ftype);
        field.length = f->px_flen;
        field.offset = offset;
        offset += f->px_flen;
        m_fields.append(field);
    }
    if (m_recordCount < 0 || m_recordSize <= 0 || offset > m_recordSize || m_fields.size() != count) {
        release();
        throw EDatabaseError(failure);
    }
    m_buffer.resize(m_recordSize);
}

ParadoxTable::~ParadoxTable() {
    release();
}

void ParadoxTable::release() {
    if (m_doc) {
        PX_close(m_doc);
        PX_delete(m_doc);
        m_doc = nullptr;
    }
    if (m_stream) std::fclose(m_stream);
    m_stream = nullptr;
    if (m_mapped) m_file.unmap(m_mapped);
    m_mapped = nullptr;
    m_file.close();
}

int ParadoxTable::fieldIndex(const QString& name) const {
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_fields[i].name.compare(name, Qt::CaseInsensitive) == 0) return i;
    }
    return -1;
}

bool ParadoxTable::typeSupported(int type) {
    switch (type) {
        case Alpha:
        case Date:
        case Short:
        case Long:
        case AutoInc:
        case Currency:
        case Number:
        case Logical:
        case Time:
        case Timestamp:
            return true;
        default:
            return false;
    }
}

QVector<QVariant> ParadoxTable::record(int recno) {
    if (recno < 0 || recno >= m_recordCount || !PX_get_record(m_doc, recno, m_buffer.data())) {
        QString message =
            QStringLiteral("Záznam %1 tabulky %2 nelze přečíst.").arg(recno + 1).arg(QDir::toNativeSeparators(m_path));
        if (!m_lastError.isEmpty()) message += QLatin1Char(' ') + m_lastError;
        throw EDatabaseError(message);
    }
    QVector<QVariant> values;
    values.reserve(m_fields.size());
    for (const Field& f : m_fields) values.append(decode(f, m_buffer.constData() + f.offset));
    return values;
}

QVariant ParadoxTable::decode(const Field& field, const char* bytes) const {
    const auto* p = reinterpret_cast<const uchar*>(bytes);
    qint64 n = 0;
    double d = 0;
    switch (field.type) {
        case Alpha: {
            const auto* end = static_cast<const char*>(std::memchr(bytes, 0, size_t(field.length)));
            const qsizetype size = end ? end - bytes : field.length;
            if (size == 0) return QVariant();
            if (m_codecName.isEmpty()) return engine::Win1250::decode(bytes, size);
            QStringDecoder decoder(m_codecName.constData());
            return QString(decoder.decode(QByteArrayView(bytes, size)));
        }
        case Short:
        case Long:
        case AutoInc:
            if (!readInteger(p, field.length, n)) return QVariant();
            return int(n);
        case Date:
            if (!readInteger(p, 4, n)) return QVariant();
            return QDate::fromJulianDay(n + kJulianDayOfDayZero);
        case Time:
            if (!readInteger(p, 4, n)) return QVariant();
            return QTime::fromMSecsSinceStartOfDay(int(n % 86400000));
        case Logical:
            if (p[0] == 0) return QVariant();
            return (p[0] & 0x7F) != 0;
        case Number:
        case Currency:
            if (!readDouble(p, d)) return QVariant();
            return d;
        case Timestamp: {
            if (!readDouble(p, d)) return QVariant();
            const qint64 ms = qint64(d);
            const QDate date = QDate::fromJulianDay(ms / 86400000 + kJulianDayOfDayZero);
            return QDateTime(date, QTime::fromMSecsSinceStartOfDay(int(ms % 86400000)));
        }
        default:
            return QVariant();
    }
}

}  // namespace interchange
