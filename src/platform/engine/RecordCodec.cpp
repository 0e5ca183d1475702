#include "RecordCodec.h"

#include <QDate>
#include <vector>

#include "ByteIO.h"
#include "EngineError.h"
#include "Win1250.h"

namespace engine {

RecordCodec::RecordCodec(const TableLayout& layout) : m_layout(layout), m_bitmapSize(int((layout.fields.size() + 7) / 8)) {}

QByteArray RecordCodec::encode(const QVector<QVariant>& values) const {
    QByteArray out(m_bitmapSize, '\0');
    const int n = int(m_layout.fields.size());
    for (int i = 0; i < n; ++i) {
        const QVariant& v = i < values.size() ? values[i] : QVariant();
        const FieldDef& f = m_layout.fields[i];
        const bool isNull = !v.isValid() || v.isNull() || (f.type == FieldType::String && v.toString().isEmpty());
        if (isNull) {
            out[i / 8] = char(quint8(out[i / 8]) | (1u << (i % 8)));
            continue;
        }
        switch (f.type) {
            case FieldType::AutoInc:
            case FieldType::Integer: putU32(out, quint32(v.toInt())); break;
            case FieldType::SmallInt: putU16(out, quint16(qint16(v.toInt()))); break;
            case FieldType::Date: putU32(out, quint32(qint32(v.toDate().toJulianDay()))); break;
            case FieldType::Boolean: putU8(out, v.toBool() ? 1 : 0); break;
            case FieldType::String: {
                QByteArray bytes;
                QChar bad;
                if (!Win1250::encode(v.toString(), bytes, &bad)) {
                    throw EDBEngineError(EngineErrorCode::InvalidValue,
                                         QStringLiteral("Znak '%1' nelze uložit do pole '%2'.").arg(bad).arg(f.name));
                }
                if (bytes.size() > 0x7FFF) {
                    throw EDBEngineError(EngineErrorCode::InvalidValue,
                                         QStringLiteral("Text je pro pole '%1' příliš dlouhý.").arg(f.name));
                }
                if (bytes.size() < 128) {
                    putU8(out, quint8(bytes.size()));
                } else {
                    putU8(out, quint8(0x80 | (bytes.size() >> 8)));
                    putU8(out, quint8(bytes.size() & 0xFF));
                }
                out.append(bytes);
                break;
            }
        }
    }
    return out;
}

int RecordCodec::valueSize(const char* at, const char* end, FieldType type) const {
    switch (type) {
        case FieldType::AutoInc:
        case FieldType::Integer:
        case FieldType::Date: return 4;
        case FieldType::SmallInt: return 2;
        case FieldType::Boolean: return 1;
        case FieldType::String: {
            if (at >= end) return -1;
            const quint8 b0 = quint8(at[0]);
            if (b0 < 128) return 1 + b0;
            if (at + 1 >= end) return -1;
            return 2 + (((b0 & 0x7F) << 8) | quint8(at[1]));
        }
    }
    return -1;
}

int RecordCodec::offsetOf(const char* payload, int size, int field) const {
    if (size < m_bitmapSize || field < 0 || field >= m_layout.fields.size()) return -1;
    auto isNull = [&](int i) { return (quint8(payload[i / 8]) >> (i % 8)) & 1; };
    if (isNull(field)) return -1;
    const char* end = payload + size;
    int off = m_bitmapSize;
    for (int i = 0; i < field; ++i) {
        if (isNull(i)) continue;
        const int n = valueSize(payload + off, end, m_layout.fields[i].type);
        if (n < 0 || off + n > size) return -1;
        off += n;
    }
    const int n = valueSize(payload + off, end, m_layout.fields[field].type);
    if (n < 0 || off + n > size) return -1;
    return off;
}

QVariant RecordCodec::decodeField(const char* payload, int size, int field) const {
    return decodeAt(payload, size, field, offsetOf(payload, size, field));
}

QVariant RecordCodec::decodeAt(const char* payload, int size, int field, int offset) const {
    if (offset < 0) return {};
    const char* p = payload + offset;
    switch (m_layout.fields[field].type) {
        case FieldType::AutoInc:
        case FieldType::Integer: return int(qint32(getU32(p)));
        case FieldType::SmallInt: return int(qint16(getU16(p)));
        case FieldType::Date: return QDate::fromJulianDay(qint32(getU32(p)));
        case FieldType::Boolean: return p[0] != 0;
        case FieldType::String: {
            Q_UNUSED(size);
            const quint8 b0 = quint8(p[0]);
            const int n = b0 < 128 ? b0 : (((b0 & 0x7F) << 8) | quint8(p[1]));
            return n == 0 ? QString() : Win1250::decode(p + (b0 < 128 ? 1 : 2), n);
        }
    }
    return {};
}

QString RecordCodec::decodeString(const char* payload, int size, int field) const {
    const QByteArrayView bytes = stringBytes(payload, size, field);
    return bytes.isEmpty() ? QString() : Win1250::decode(bytes.data(), int(bytes.size()));
}

QByteArrayView RecordCodec::stringBytes(const char* payload, int size, int field) const {
    const int off = offsetOf(payload, size, field);
    if (off < 0) return {};
    const char* p = payload + off;
    const quint8 b0 = quint8(p[0]);
    if (b0 < 128) return QByteArrayView(p + 1, b0);
    return QByteArrayView(p + 2, ((b0 & 0x7F) << 8) | quint8(p[1]));
}

QVector<QVariant> RecordCodec::decodeAll(const char* payload, int size) const {
    // One pass for the offsets instead of a walk from the start per field.
    const int n = int(m_layout.fields.size());
    QVector<QVariant> out(n);
    std::vector<int> at(size_t(n), -1);
    if (!offsets(payload, size, at.data())) {
        for (int i = 0; i < n; ++i) out[i] = decodeField(payload, size, i);
        return out;
    }
    for (int i = 0; i < n; ++i) out[i] = decodeAt(payload, size, i, at[size_t(i)]);
    return out;
}

bool RecordCodec::offsets(const char* payload, int size, int* out) const {
    if (size < m_bitmapSize) return false;
    auto isNull = [&](int i) { return (quint8(payload[i / 8]) >> (i % 8)) & 1; };
    const char* end = payload + size;
    int off = m_bitmapSize;
    for (int i = 0; i < m_layout.fields.size(); ++i) {
        out[i] = -1;
        if (isNull(i)) continue;
        const int n = valueSize(payload + off, end, m_layout.fields[i].type);
        if (n < 0 || off + n > size) return false;
        out[i] = off;
        off += n;
    }
    return true;
}

bool RecordCodec::validate(const char* payload, int size) const {
    if (size < m_bitmapSize) return false;
    auto isNull = [&](int i) { return (quint8(payload[i / 8]) >> (i % 8)) & 1; };
    const char* end = payload + size;
    int off = m_bitmapSize;
    for (int i = 0; i < m_layout.fields.size(); ++i) {
        if (isNull(i)) continue;
        const int n = valueSize(payload + off, end, m_layout.fields[i].type);
        if (n < 0 || off + n > size) return false;
        off += n;
    }
    return off == size;
}

}  // namespace engine
