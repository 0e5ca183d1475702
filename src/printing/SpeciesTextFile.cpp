#include "SpeciesTextFile.h"

#include <QFile>
#include <QSaveFile>
#include <array>

#include "Rplk1.h"
#include "TDataSet.h"
#include "TField.h"
#include "Win1250.h"

namespace {

// Windows-1250 codes that ISO-8859-2 puts elsewhere, and where it puts them.
constexpr unsigned char kIsoRecode[][2] = {
    {0x8A, 0xA9}, {0x8C, 0xA6}, {0x8D, 0xAB}, {0x8E, 0xAE}, {0x8F, 0xAC}, {0x9A, 0xB9}, {0x9C, 0xB6}, {0x9D, 0xBB},
    {0x9E, 0xBE}, {0x9F, 0xBC}, {0xA5, 0xA1}, {0xB9, 0xB1}, {0xBC, 0xA5}, {0xBE, 0xB5}, {0xA1, 0xB7},
};

QByteArray windows1250(const QString& text) {
    QByteArray out;
    if (engine::Win1250::encode(text, out)) return out;
    QString kept;
    kept.reserve(text.size());
    for (QChar c : text) kept += engine::Win1250::representable(QString(c)) ? c : QLatin1Char('?');
    engine::Win1250::encode(kept, out);
    return out;
}

// Buffered lines; written out in blocks so that a million lines do not mean a million writes.
class LineWriter {
public:
    LineWriter(QFileDevice& file, int encoding) : m_file(file), m_encoding(encoding) {}
    void line(const QString& text) {
        m_buffer += SpeciesTextFile::encode(text, m_encoding);
        m_buffer += "\r\n";
        if (m_buffer.size() >= 64 * 1024) flush();
    }
    bool flush() {
        if (!m_ok || m_buffer.isEmpty()) return m_ok;
        m_ok = m_file.write(m_buffer) == m_buffer.size() && m_file.flush();
        m_buffer.clear();
        return m_ok;
    }
    bool ok() const { return m_ok; }

private:
    QFileDevice& m_file;
    int m_encoding;
    QByteArray m_buffer;
    bool m_ok = true;
};

}  // namespace

QByteArray SpeciesTextFile::encode(const QString& text, int encoding) {
    if (encoding == Utf8) return text.toUtf8();
    QByteArray bytes = windows1250(text);
    if (encoding != Iso88592) return bytes;
    static const auto table = [] {
        std::array<unsigned char, 256> t{};
        for (int i = 0; i < 256; ++i) t[i] = static_cast<unsigned char>(i);
        for (const auto& pair : kIsoRecode) t[pair[0]] = pair[1];
        return t;
    }();
    for (char& c : bytes) c = static_cast<char>(table[static_cast<unsigned char>(c)]);
    return bytes;
}

QString SpeciesTextFile::field(const QString& value) {
    const bool plain = !value.contains(QLatin1Char(';')) && !value.contains(QLatin1Char('"')) &&
                       !value.contains(QLatin1Char('\n')) && !value.contains(QLatin1Char('\r'));
    if (plain) return value;
    QString quoted = value;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QStringList SpeciesTextFile::statement(const QString& locality, bool byLatinName) {
    if (!locality.isEmpty()) return TRplk1Report::speciesStatement(locality, byLatinName);
    return {QStringLiteral("Select distinct Lk, Nla, Nce from Hdok"),
            byLatinName ? QStringLiteral("order by Nla") : QStringLiteral("order by Nce")};
}

int SpeciesTextFile::write(const QString& path, TDataSet& rows, const QString& locality, int encoding) {
    // The lines go to a temporary file beside the target that replaces it only when all of them
    // are written: a failure (a full disk, an engine error while reading) keeps the file an
    // earlier run wrote instead of leaving half a list. Where the folder allows no new file but
    // the target may be overwritten, it is written in place.
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) return -1;
    LineWriter out(file, encoding);
    const bool one = !locality.isEmpty();
    const int count = rows.RecordCount();
    out.line(one ? QStringLiteral("Název latinsky;Název česky") : QStringLiteral("Název latinsky;Název česky;Název lokality"));
    out.line(one ? field(locality) + QLatin1Char(';') + QString::number(count) : QString::number(count) + QStringLiteral(";;"));
    if (!out.flush()) return -1;
    const TField* lk = rows.FieldByName(QStringLiteral("Lk"));
    const TField* nla = rows.FieldByName(QStringLiteral("Nla"));
    const TField* nce = rows.FieldByName(QStringLiteral("Nce"));
    int written = 0;
    for (rows.First(); !rows.Eof() && out.ok(); rows.Next()) {
        QString text = field(nla->AsString()) + QLatin1Char(';') + field(nce->AsString());
        if (!one) text += QLatin1Char(';') + field(lk->AsString());
        out.line(text);
        ++written;
    }
    if (!out.flush() || !file.commit()) return -1;
    return written;
}
