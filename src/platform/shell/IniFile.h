#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// A settings file in the classic INI form, read and written in Windows-1250 with CRLF line
// ends. Section and key names are matched without regard to case, as the system has always
// treated them. Every write goes to disk at once (the file is rewritten through a temporary
// file and a rename) and reports whether it succeeded; a file that cannot be read acts as empty.
class IniFile {
public:
    explicit IniFile(const QString& path);

    const QString& path() const { return m_path; }

    QString readString(const QString& section, const QString& key, const QString& defaultValue = QString()) const;
    // The value as an integer; `defaultValue` when missing or not a number.
    int readInteger(const QString& section, const QString& key, int defaultValue) const;
    // "1" is true and "0" false; other values give `defaultValue`.
    bool readBool(const QString& section, const QString& key, bool defaultValue) const;
    bool hasKey(const QString& section, const QString& key) const;

    // Each returns false when the file could not be written (the value is kept in memory).
    bool writeString(const QString& section, const QString& key, const QString& value);
    bool writeInteger(const QString& section, const QString& key, int value);
    bool writeBool(const QString& section, const QString& key, bool value);
    bool deleteKey(const QString& section, const QString& key);
    // Removes the section with all its keys (nothing to do when there is none).
    bool eraseSection(const QString& section);

    // Re-reads the file from disk.
    void reload();

private:
    struct Entry {
        QString key;
        QString value;
    };
    struct Section {
        QString name;
        QVector<Entry> entries;
        QStringList comments;  // lines that are neither keys nor sections, kept as they were
    };

    Section* findSection(const QString& name);
    const Section* findSection(const QString& name) const;
    bool save();

    QString m_path;
    QVector<Section> m_sections;
    QStringList m_preamble;
};
