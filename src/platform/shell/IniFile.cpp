#include "IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

IniFile::IniFile(const QString& path) : m_path(path) { reload(); }

void IniFile::reload() {
    m_sections.clear();
    m_sectionIndex.clear();
    m_preamble.clear();
    m_error.clear();
    QFile f(m_path);
    if (!f.open(QIODevice::ReadOnly)) return;
    if (f.size() > MaxFileSize) {
        m_error = QStringLiteral("Soubor nastavení %1 je větší než 16 MB, nebyl přečten.").arg(m_path);
        return;
    }
    QStringDecoder decode("windows-1250");
    const QString text = decode(f.readAll());
    Section* current = nullptr;
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        const QStringView trimmed = line.trimmed();
        if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'))) {
            // A repeated section adds to the first one of its name.
            current = &sectionFor(trimmed.mid(1, trimmed.size() - 2).trimmed().toString());
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (current && eq > 0 && !trimmed.startsWith(QLatin1Char(';'))) {
            const QString key = line.left(eq).trimmed().toString();
            if (!findEntry(*current, key)) addEntry(*current, key, line.mid(eq + 1).trimmed().toString());
            continue;  // of a repeated key the first one counts
        }
        if (trimmed.isEmpty()) continue;
        (current ? current->comments : m_preamble).append(line.toString());
    }
}

IniFile::Section* IniFile::findSection(const QString& name) {
    const auto it = m_sectionIndex.constFind(folded(name));
    return it == m_sectionIndex.constEnd() ? nullptr : &m_sections[*it];
}

const IniFile::Section* IniFile::findSection(const QString& name) const {
    return const_cast<IniFile*>(this)->findSection(name);
}

IniFile::Section& IniFile::sectionFor(const QString& name) {
    if (Section* s = findSection(name)) return *s;
    m_sectionIndex.insert(folded(name), m_sections.size());
    m_sections.append(Section{name, {}, {}, {}});
    return m_sections.last();
}

const IniFile::Entry* IniFile::findEntry(const Section& s, const QString& key) {
    const auto it = s.keyIndex.constFind(folded(key));
    return it == s.keyIndex.constEnd() ? nullptr : &s.entries[*it];
}

void IniFile::addEntry(Section& s, const QString& key, const QString& value) {
    s.keyIndex.insert(folded(key), s.entries.size());
    s.entries.append(Entry{key, value});
}

void IniFile::reindexSections() {
    m_sectionIndex.clear();
    for (qsizetype i = 0; i < m_sections.size(); ++i) m_sectionIndex.insert(folded(m_sections[i].name), i);
}

bool IniFile::hasKey(const QString& section, const QString& key) const {
    const Section* s = findSection(section);
    return s && findEntry(*s, key);
}

QString IniFile::readString(const QString& section, const QString& key, const QString& defaultValue) const {
    const Section* s = findSection(section);
    const Entry* e = s ? findEntry(*s, key) : nullptr;
    return e ? e->value : defaultValue;
}

int IniFile::readInteger(const QString& section, const QString& key, int defaultValue) const {
    bool ok = false;
    const int v = readString(section, key).trimmed().toInt(&ok);
    return ok ? v : defaultValue;
}

bool IniFile::readBool(const QString& section, const QString& key, bool defaultValue) const {
    const QString v = readString(section, key).trimmed();
    if (v == QLatin1String("1")) return true;
    if (v == QLatin1String("0")) return false;
    return defaultValue;
}

bool IniFile::writeString(const QString& section, const QString& key, const QString& value) {
    if (!m_error.isEmpty()) return false;
    Section& s = sectionFor(section);
    const auto it = s.keyIndex.constFind(folded(key));
    if (it == s.keyIndex.constEnd()) {
        addEntry(s, key, value);
    } else {
        s.entries[*it].value = value;
    }
    return save();
}

bool IniFile::writeInteger(const QString& section, const QString& key, int value) {
    return writeString(section, key, QString::number(value));
}

bool IniFile::writeBool(const QString& section, const QString& key, bool value) {
    return writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool IniFile::deleteKey(const QString& section, const QString& key) {
    if (!m_error.isEmpty()) return false;
    Section* s = findSection(section);
    if (!s) return true;
    const auto it = s->keyIndex.constFind(folded(key));
    if (it == s->keyIndex.constEnd()) return true;
    s->entries.remove(*it);
    s->keyIndex.clear();
    for (qsizetype i = 0; i < s->entries.size(); ++i) s->keyIndex.insert(folded(s->entries[i].key), i);
    return save();
}

bool IniFile::eraseSection(const QString& section) {
    if (!m_error.isEmpty()) return false;
    const auto it = m_sectionIndex.constFind(folded(section));
    if (it == m_sectionIndex.constEnd()) return true;
    m_sections.remove(*it);
    reindexSections();
    return save();
}

bool IniFile::save() {
    QString text;
    for (const QString& line : m_preamble) text += line + QLatin1String("\r\n");
    for (const Section& s : m_sections) {
        text += QLatin1Char('[') + s.name + QLatin1String("]\r\n");
        for (const Entry& e : s.entries) text += e.key + QLatin1Char('=') + e.value + QLatin1String("\r\n");
        for (const QString& c : s.comments) text += c + QLatin1String("\r\n");
        text += QLatin1String("\r\n");
    }
    QStringEncoder encode("windows-1250");
    const QByteArray bytes = encode(text);
    // A value outside the character set would come back altered; refuse it rather than
    // store something else than was written.
    if (encode.hasError()) return false;
    QSaveFile f(m_path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    if (f.write(bytes) != bytes.size()) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
}
