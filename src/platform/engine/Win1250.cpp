#include "Win1250.h"

#include <QHash>
#include <QStringDecoder>
#include <array>

namespace engine {
namespace {

struct Tables {
    std::array<char16_t, 256> toUnicode{};
    QHash<char16_t, unsigned char> fromUnicode;

    Tables() {
        QStringDecoder decoder("windows-1250");
        for (int b = 0; b < 256; ++b) {
            const char byte = static_cast<char>(b);
            QString s = decoder.decode(QByteArrayView(&byte, 1));
            decoder.resetState();
            const char16_t u = s.size() == 1 ? s.at(0).unicode() : 0xFFFD;
            toUnicode[b] = u;
            // Undefined codes decode to U+FFFD; that character must not encode back.
            if (u != 0xFFFD && !fromUnicode.contains(u)) fromUnicode.insert(u, static_cast<unsigned char>(b));
        }
    }
};

const Tables& tables() {
    static const Tables t;
    return t;
}

}  // namespace

bool Win1250::encode(const QString& text, QByteArray& out, QChar* badChar) {
    const Tables& t = tables();
    out.resize(text.size());
    char* dst = out.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        if (u < 0x80) {
            dst[i] = static_cast<char>(u);
            continue;
        }
        auto it = t.fromUnicode.constFind(u);
        if (it == t.fromUnicode.constEnd()) {
            if (badChar) *badChar = text.at(i);
            return false;
        }
        dst[i] = static_cast<char>(it.value());
    }
    return true;
}

bool Win1250::representable(const QString& text, QChar* badChar) {
    QByteArray scratch;
    return encode(text, scratch, badChar);
}

QString Win1250::decode(const char* data, qsizetype size) {
    const Tables& t = tables();
    QString out(size, Qt::Uninitialized);
    QChar* dst = out.data();
    for (qsizetype i = 0; i < size; ++i) dst[i] = QChar(t.toUnicode[static_cast<unsigned char>(data[i])]);
    return out;
}

bool Win1250::decodesDistinctly(QByteArrayView bytes) {
    const Tables& t = tables();
    for (const char c : bytes) {
        if (t.toUnicode[static_cast<unsigned char>(c)] == 0xFFFD) return false;
    }
    return true;
}

QString Win1250::upper(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        const QChar u = c.toUpper();
        // Keep the character when its upper case lies outside the character set (ß, ÿ...).
        if (u != c && (u.unicode() < 0x80 || tables().fromUnicode.contains(u.unicode()))) c = u;
    }
    return out;
}

}  // namespace engine
