#pragma once

#include <QByteArray>
#include <QString>

namespace engine {

// Conversion between Unicode and Windows-1250, the character set of every text the system
// stores. Table-driven after the first use, so it is cheap enough for record decoding.
class Win1250 {
public:
    // Encodes `text`. Returns false and leaves `out` unspecified when a character has no
    // Windows-1250 code; `badChar` then receives the first such character.
    static bool encode(const QString& text, QByteArray& out, QChar* badChar = nullptr);
    // True when every character of `text` can be stored in Windows-1250.
    static bool representable(const QString& text, QChar* badChar = nullptr);
    static QString decode(const char* data, qsizetype size);
    // True when no byte is an undefined code: such bytes are the only ones that decode to their
    // text, so comparing them compares the text.
    static bool decodesDistinctly(QByteArrayView bytes);
    static QString decode(const QByteArray& bytes) { return decode(bytes.constData(), bytes.size()); }
    // Upper case as Windows-1250 knows it: each letter that has an upper-case partner in the
    // character set is mapped to it ("č" to "Č"); everything else is left alone.
    static QString upper(const QString& text);
};

}  // namespace engine
