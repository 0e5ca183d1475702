#pragma once

#include <QFile>
#include <QString>
#include <QVariant>
#include <QVector>
#include <cstdio>

struct px_doc;

namespace interchange {

// A table of the classic Paradox file format, read only: the tables of the earlier editions
// (".DB"), possibly encrypted with a table password, text in a code page named by the header.
// pxlib opens the file, walks its data blocks and takes care of the encryption; the field
// values are decoded here from the raw record bytes after the public descriptions of the format,
// because pxlib 0.6 does not tell an empty long integer from the smallest one and converts text
// only between code pages that iconv knows under the header's number. pxlib reads the file
// through a stream over its memory mapping: through stdio it would seek and read the disk file
// several times for every record.
//
// The file is opened read-only and never changed.
class ParadoxTable {
public:
    // Field types of the format (the byte stored in the header's field list).
    enum Type {
        Alpha = 0x01,
        Date = 0x02,
        Short = 0x03,
        Long = 0x04,
        Currency = 0x05,
        Number = 0x06,
        Logical = 0x09,
        Memo = 0x0C,
        Blob = 0x0D,
        FormattedMemo = 0x0E,
        Ole = 0x0F,
        Graphic = 0x10,
        Time = 0x14,
        Timestamp = 0x15,
        AutoInc = 0x16,
        Bcd = 0x17,
        Bytes = 0x18,
    };

    struct Field {
        QString name;
        int type = 0;
        int length = 0;  // bytes in the record
        int offset = 0;  // position in the record
    };

    // Opens `path`. Throws EDatabaseError "Tabulku <path> nelze přečíst." when the file is not a
    // readable Paradox table.
    explicit ParadoxTable(const QString& path);
    ~ParadoxTable();
    ParadoxTable(const ParadoxTable&) = delete;
    ParadoxTable& operator=(const ParadoxTable&) = delete;

    const QString& path() const { return m_path; }
    const QVector<Field>& fields() const { return m_fields; }
    // Position of the field `name` (letter case ignored), -1 when the table has none.
    int fieldIndex(const QString& name) const;
    int recordCount() const { return m_recordCount; }
    // The code page of the header (1250, 852, ...; 0 when the header names none).
    int codePage() const { return m_codePage; }
    bool encrypted() const { return m_encrypted; }
    // Whether values of `type` can be read (text, numbers, dates, times, logicals).
    static bool typeSupported(int type);

    // The values of record `recno` (0-based), one per field: QString, int, double, bool, QDate,
    // QTime or QDateTime; an empty value is a null QVariant, and so is a value of a type that
    // typeSupported() refuses. Throws EDatabaseError when the record cannot be read.
    QVector<QVariant> record(int recno);

    // Decodes one field value from its bytes in a record. Public for the tests of the format.
    QVariant decode(const Field& field, const char* bytes) const;

private:
    void release();

    QString m_path;
    QFile m_file;
    uchar* m_mapped = nullptr;
    FILE* m_stream = nullptr;
    px_doc* m_doc = nullptr;
    QVector<Field> m_fields;
    int m_recordCount = 0;
    int m_recordSize = 0;
    int m_codePage = 0;
    bool m_encrypted = false;
    QByteArray m_codecName;
    QByteArray m_buffer;
    QString m_lastError;
};

}  // namespace interchange
