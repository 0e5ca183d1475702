#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

// A settings file in the classic INI form, read and written in Windows-1250 with CRLF line
// ends. Section and key names are matched without regard to case, as the system has always
// treated them. Every write goes to disk at once (the file is rewritten through a temporary
// file and a rename) and reports whether it succeeded; a file that cannot be read acts as empty.
// Sections and keys are found through hash tables, so a file of tens of thousands of entries
// reads in linear time; where a section or a key occurs twice, the first occurrence counts.
class IniFile {
public:
    // Settings files are a few kilobytes; anything above this is not one of ours (a data file
    // picked by mistake, a damaged disk) and is refused rather than read for minutes.
    static constexpr qint64 MaxFileSize = 16 * 1024 * 1024;

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

    // Why the file was not read, empty when it was read (or simply does not exist yet). A file
    // refused as too large reads as empty and refuses every write, so that it is never replaced
    // by the few keys written in this run.
    const QString& errorString() const { return m_error; }

private:
    struct Entry {
        QString key;
        QString value;
    };
    struct Section {
        QString name;
        QVector<Entry> entries;                // in file order
        QHash<QString, qsizetype> keyIndex;    // case-folded key -> position in `entries`
        QStringList comments;  // lines that are neither keys nor sections, kept as they were
    };

    static QString folded(const QString& name) { return name.toCaseFolded(); }
    Section* findSection(const QString& name);
    const Section* findSection(const QString& name) const;
    Section& sectionFor(const QString& name);
    static const Entry* findEntry(const Section& s, const QString& key);
    static void addEntry(Section& s, const QString& key, const QString& value);
    void reindexSections();
    bool save();

    QString m_path;
    QString m_error;
    QVector<Section> m_sections;                   // in file order
    QHash<QString, qsizetype> m_sectionIndex;      // case-folded name -> position in `m_sections`
    QStringList m_preamble;
};
