#include "IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

IniFile::IniFile(const QString& path) : m_path(path) { reload(); }

void IniFile::reload() {
    m_sections.clear();
    m_preamble.clear();
    QFile f(m_path);
    if (!f.open(QIODevice::ReadOnly)) return;
    QStringDecoder decode("windows-1250");
    const QString text = decode(f.readAll());
    Section* current = nullptr;
    for (QString line : text.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'))) {
            const QString name = trimmed.mid(1, trimmed.size() - 2).trimmed();
            current = findSection(name);
            if (!current) {
                m_sections.append(Section{name, {}, {}});
                current = &m_sections.last();
            }
            continue;
        }
        const int eq = line.indexOf(QLatin1Char('='));
        if (current && eq > 0 && !trimmed.startsWith(QLatin1Char(';'))) {
            const QString key = line.left(eq).trimmed();
            const QString value = line.mid(eq + 1).trimmed();
            auto it = std::find_if(current->entries.begin(), current->entries.end(),
                                   [&](const Entry& e) { return e.key.compare(key, Qt::CaseInsensitive) == 0; });
            if (it == current->entries.end()) current->entries.append(Entry{key, value});  // the first one counts
            continue;
        }
        if (trimmed.isEmpty()) continue;
        (current ? current->comments : m_preamble).append(line);
    }
}

IniFile::Section* IniFile::findSection(const QString& name) {
    for (Section& s : m_sections) {
        if (s.name.compare(name, Qt::CaseInsensitive) == 0) return &s;
    }
    return nullptr;
}

const IniFile::Section* IniFile::findSection(const QString& name) const {
    return const_cast<IniFile*>(this)->findSection(name);
}

bool IniFile::hasKey(const QString& section, const QString& key) const {
    const Section* s = findSection(section);
    if (!s) return false;
    return std::any_of(s->entries.begin(), s->entries.end(),
                       [&](const Entry& e) { return e.key.compare(key, Qt::CaseInsensitive) == 0; });
}

QString IniFile::readString(const QString& section, const QString& key, const QString& defaultValue) const {
    const Section* s = findSection(section);
    if (!s) return defaultValue;
    for (const Entry& e : s->entries) {
        if (e.key.compare(key, Qt::CaseInsensitive) == 0) return e.value;
    }
    return defaultValue;
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
    Section* s = findSection(section);
    if (!s) {
        m_sections.append(Section{section, {}, {}});
        s = &m_sections.last();
    }
    auto it = std::find_if(s->entries.begin(), s->entries.end(),
                           [&](const Entry& e) { return e.key.compare(key, Qt::CaseInsensitive) == 0; });
    if (it == s->entries.end()) {
        s->entries.append(Entry{key, value});
    } else {
        it->value = value;
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
    Section* s = findSection(section);
    if (!s) return true;
    s->entries.erase(std::remove_if(s->entries.begin(), s->entries.end(),
                                    [&](const Entry& e) { return e.key.compare(key, Qt::CaseInsensitive) == 0; }),
                     s->entries.end());
    return save();
}

bool IniFile::eraseSection(const QString& section) {
    const auto before = m_sections.size();
    m_sections.removeIf([&](const Section& s) { return s.name.compare(section, Qt::CaseInsensitive) == 0; });
    return m_sections.size() == before || save();
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
