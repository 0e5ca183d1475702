#include "ZipWriter.h"

#include <zip.h>

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include "FileIO.h"

namespace backup {
namespace {

QString zipMessage(zip_error_t* error) {
    return QString::fromLocal8Bit(zip_error_strerror(error));
}

QString archiveMessage(zip_t* archive) {
    return zipMessage(zip_get_error(archive));
}

void reportProgress(zip_t*, double done, void* state) {
    const auto* progress = static_cast<const ZipWriter::Progress*>(state);
    if (progress && *progress) (*progress)(done);
}

// Makes the finished temporary archive durable before it replaces the target, so that a power
// cut right after the rename cannot leave an empty file where the older archive was.
bool syncFile(const QString& path, QString* error) {
    auto file = engine::FileSystem::current().open(path, engine::FileSystem::OpenMode::ReadOnly, error);
    if (!file) return false;
    if (!file->sync()) {
        if (error) *error = file->errorString();
        return false;
    }
    return true;
}

// Adds every entry; the files are read only when the archive is closed.
bool addEntries(zip_t* archive, const QVector<ZipWriter::Entry>& entries, ZipWriter::Compression compression,
                QString* error) {
    for (const ZipWriter::Entry& e : entries) {
        zip_source_t* source = zip_source_file(archive, QFile::encodeName(e.filePath).constData(), 0, -1);
        if (!source) {
            if (error) *error = e.filePath + QStringLiteral(": ") + archiveMessage(archive);
            return false;
        }
        const zip_int64_t index =
            zip_file_add(archive, e.name.toUtf8().constData(), source, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(source);
            if (error) *error = e.name + QStringLiteral(": ") + archiveMessage(archive);
            return false;
        }
        // Level 1 packs the tables about as small as the default level 6 does, in half the time.
        const bool store = compression == ZipWriter::Compression::Store;
        if (zip_set_file_compression(archive, zip_uint64_t(index), store ? ZIP_CM_STORE : ZIP_CM_DEFLATE,
                                     store ? 0 : 1) != 0) {
            if (error) *error = archiveMessage(archive);
            return false;
        }
    }
    return true;
}

}  // namespace

bool ZipWriter::write(const QString& archivePath, const QVector<Entry>& entries, const Progress& progress,
                      QString* error, Compression compression) {
    if (entries.isEmpty()) {
        if (error) *error = QStringLiteral("Archiv by neobsahoval žádný soubor.");
        return false;
    }
    const QString temporary =
        archivePath + QStringLiteral(".%1.tmp").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
    int code = 0;
    zip_t* archive = zip_open(QFile::encodeName(temporary).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!archive) {
        zip_error_t e;
        zip_error_init_with_code(&e, code);
        if (error) *error = zipMessage(&e);
        zip_error_fini(&e);
        return false;
    }
    Progress progressCopy = progress;
    zip_register_progress_callback_with_state(archive, 0.01, reportProgress, nullptr, &progressCopy);
    if (!addEntries(archive, entries, compression, error)) {
        zip_discard(archive);
        return false;
    }
    // zip_close writes the whole archive (through its own temporary file) or nothing.
    if (zip_close(archive) != 0) {
        if (error) *error = archiveMessage(archive);
        zip_discard(archive);
        QFile::remove(temporary);
        return false;
    }
    engine::FileSystem& fs = engine::FileSystem::current();
    if (!syncFile(temporary, error) || !fs.rename(temporary, archivePath, error)) {
        fs.remove(temporary);
        return false;
    }
    fs.syncDirectory(QFileInfo(archivePath).absolutePath());
    return true;
}

}  // namespace backup
