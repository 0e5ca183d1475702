#include "DwcArchive.h"

#include <zip.h>

#include <QDir>
#include <QFile>
#include <QXmlStreamWriter>

#include "DwcOccurrence.h"
#include "EngineError.h"

namespace interchange {
namespace {

// Deflate level of occurrence.txt: the fastest. libzip would take the slowest, which costs the
// export twice the time for a quarter fewer bytes.
constexpr zip_uint32_t kLevel = 1;

QByteArray xml(const std::function<void(QXmlStreamWriter&)>& body) {
    QByteArray out;
    QXmlStreamWriter w(&out);
    w.setAutoFormatting(true);
    w.setAutoFormattingIndent(2);
    w.writeStartDocument();
    body(w);
    w.writeEndDocument();
    return out;
}

// Adds `data` (which must live until the archive is closed) as `name`.
bool addBuffer(zip_t* archive, const char* name, const QByteArray& data) {
    zip_source_t* source = zip_source_buffer(archive, data.constData(), zip_uint64_t(data.size()), 0);
    if (!source) return false;
    if (zip_file_add(archive, name, source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) < 0) {
        zip_source_free(source);
        return false;
    }
    return true;
}

}  // namespace

QByteArray DwcArchive::metaXml(const QStringList& terms) {
    return xml([&](QXmlStreamWriter& w) {
        w.writeDefaultNamespace(QStringLiteral("http://rs.tdwg.org/dwc/text/"));
        w.writeStartElement(QStringLiteral("archive"));
        w.writeAttribute(QStringLiteral("metadata"), QStringLiteral("eml.xml"));
        w.writeStartElement(QStringLiteral("core"));
        w.writeAttribute(QStringLiteral("encoding"), QStringLiteral("UTF-8"));
        w.writeAttribute(QStringLiteral("fieldsTerminatedBy"), QStringLiteral("\\t"));
        w.writeAttribute(QStringLiteral("linesTerminatedBy"), QStringLiteral("\\n"));
        w.writeAttribute(QStringLiteral("fieldsEnclosedBy"), QString());
        w.writeAttribute(QStringLiteral("ignoreHeaderLines"), QStringLiteral("1"));
        w.writeAttribute(QStringLiteral("rowType"), DwcOccurrence::termNamespace() + QStringLiteral("Occurrence"));
        w.writeStartElement(QStringLiteral("files"));
        w.writeTextElement(QStringLiteral("location"), QStringLiteral("occurrence.txt"));
        w.writeEndElement();
        // The first column, occurrenceID, identifies the rows.
        w.writeEmptyElement(QStringLiteral("id"));
        w.writeAttribute(QStringLiteral("index"), QStringLiteral("0"));
        for (int i = 0; i < terms.size(); ++i) {
            w.writeEmptyElement(QStringLiteral("field"));
            w.writeAttribute(QStringLiteral("index"), QString::number(i));
            w.writeAttribute(QStringLiteral("term"), DwcOccurrence::termNamespace() + terms[i]);
        }
        w.writeEndElement();
        w.writeEndElement();
    });
}

QByteArray DwcArchive::emlXml(const Metadata& meta) {
    return xml([&](QXmlStreamWriter& w) {
        const QString eml = QStringLiteral("eml://ecoinformatics.org/eml-2.1.1");
        w.writeNamespace(eml, QStringLiteral("eml"));
        w.writeStartElement(eml, QStringLiteral("eml"));
        w.writeAttribute(QStringLiteral("packageId"), meta.id);
        w.writeAttribute(QStringLiteral("system"), QStringLiteral("Lamelin"));
        w.writeAttribute(QStringLiteral("xml:lang"), QStringLiteral("ces"));
        w.writeStartElement(QStringLiteral("dataset"));
        w.writeTextElement(QStringLiteral("title"), meta.title);
        // The creator, the provider of the metadata and the contact are the collector.
        for (const char* role : {"creator", "metadataProvider", "contact"}) {
            w.writeStartElement(QLatin1String(role));
            w.writeStartElement(QStringLiteral("individualName"));
            w.writeTextElement(QStringLiteral("surName"), meta.creator.isEmpty() ? meta.title : meta.creator);
            w.writeEndElement();
            w.writeEndElement();
        }
        w.writeTextElement(QStringLiteral("pubDate"), meta.published.toString(Qt::ISODate));
        w.writeTextElement(QStringLiteral("language"), QStringLiteral("ces"));
        w.writeStartElement(QStringLiteral("abstract"));
        w.writeTextElement(QStringLiteral("para"),
                           QStringLiteral("Nálezy hub z kartotéky ") + meta.title + QLatin1Char('.'));
        w.writeEndElement();
        w.writeEndElement();
        w.writeEndElement();
    });
}

void DwcArchive::write(const QString& path, const QString& occurrenceFile, const QStringList& terms,
                       const Metadata& meta) {
    const QString failure = QStringLiteral("Soubor %1 nelze vytvořit.").arg(QDir::toNativeSeparators(path));
    int code = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!archive) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        const QString reason = QString::fromLocal8Bit(zip_error_strerror(&error));
        zip_error_fini(&error);
        throw EDatabaseError(failure + QLatin1Char('\n') + reason);
    }
    const QByteArray metaData = metaXml(terms);
    const QByteArray emlData = emlXml(meta);
    zip_source_t* occurrences = zip_source_file(archive, QFile::encodeName(occurrenceFile).constData(), 0, -1);
    bool ok = occurrences != nullptr;
    const zip_int64_t index =
        ok ? zip_file_add(archive, "occurrence.txt", occurrences, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) : -1;
    if (ok && index < 0) zip_source_free(occurrences);
    ok = index >= 0 && zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_DEFLATE, kLevel) == 0;
    ok = ok && addBuffer(archive, "meta.xml", metaData) && addBuffer(archive, "eml.xml", emlData);
    if (!ok || zip_close(archive) < 0) {
        const QString reason = QString::fromLocal8Bit(zip_strerror(archive));
        zip_discard(archive);
        throw EDatabaseError(failure + QLatin1Char('\n') + reason);
    }
}

}  // namespace interchange
