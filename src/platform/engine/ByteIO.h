#pragma once

#include <QByteArray>
#include <cstring>

namespace engine {

// Little-endian encoding helpers for the on-disk formats.
inline void putU8(QByteArray& b, quint8 v) { b.append(char(v)); }
inline void putU16(QByteArray& b, quint16 v) { b.append(char(v & 0xFF)).append(char(v >> 8)); }
inline void putU32(QByteArray& b, quint32 v) {
    for (int i = 0; i < 4; ++i) b.append(char((v >> (8 * i)) & 0xFF));
}
inline void putU64(QByteArray& b, quint64 v) {
    for (int i = 0; i < 8; ++i) b.append(char((v >> (8 * i)) & 0xFF));
}
inline quint16 getU16(const char* p) { return quint16(quint8(p[0]) | (quint8(p[1]) << 8)); }
inline quint32 getU32(const char* p) {
    return quint32(quint8(p[0])) | (quint32(quint8(p[1])) << 8) | (quint32(quint8(p[2])) << 16) |
           (quint32(quint8(p[3])) << 24);
}
inline quint64 getU64(const char* p) { return quint64(getU32(p)) | (quint64(getU32(p + 4)) << 32); }

// CRC-32 (zlib's polynomial) of `size` bytes.
quint32 crc32Of(const char* data, qsizetype size);

// Sequential reader over a byte range that records overruns instead of reading past the end.
class ByteReader {
public:
    ByteReader(const char* data, qsizetype size) : m_p(data), m_end(data + size) {}
    bool ok() const { return m_ok; }
    qsizetype remaining() const { return m_end - m_p; }
    const char* pos() const { return m_p; }
    quint8 u8() { return need(1) ? quint8(*m_p++) : 0; }
    quint16 u16() { return need(2) ? advance(getU16(m_p), 2) : 0; }
    quint32 u32() { return need(4) ? advance(getU32(m_p), 4) : 0; }
    quint64 u64() { return need(8) ? advance(getU64(m_p), 8) : 0; }
    QByteArray bytes(qsizetype n) {
        if (!need(n)) return {};
        QByteArray r(m_p, n);
        m_p += n;
        return r;
    }

private:
    bool need(qsizetype n) {
        if (n < 0 || m_end - m_p < n) m_ok = false;
        return m_ok;
    }
    template <typename T>
    T advance(T v, int n) {
        m_p += n;
        return v;
    }
    const char* m_p;
    const char* m_end;
    bool m_ok = true;
};

}  // namespace engine
