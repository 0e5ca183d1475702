#include "ZipReader.h"

#include <zip.h>

#include <QFile>
#include <QFileInfo>
#include <memory>

#include "FileIO.h"

namespace backup {
namespace {

QString codeMessage(int code) {
    zip_error_t e;
    zip_error_init_with_code(&e, code);
    const QString text = QString::fromLocal8Bit(zip_error_strerror(&e));
    zip_error_fini(&e);
    return text;
}

struct EntryCloser {
    void operator()(zip_file_t* f) const {
        if (f) zip_fclose(f);
    }
};

}  // namespace

ZipReader::~ZipReader() {
    close();
}

void ZipReader::close() {
    if (m_archive) zip_discard(m_archive);
    m_archive = nullptr;
}

bool ZipReader::open(const QString& path, QString* error) {
    close();
    int code = 0;
    m_archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &code);
    if (!m_archive && error) *error = codeMessage(code);
    return m_archive != nullptr;
}

qint64 ZipReader::locate(const QString& name) const {
    if (!m_archive) return -1;
    const zip_int64_t count = zip_get_num_entries(m_archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* stored = zip_get_name(m_archive, zip_uint64_t(i), ZIP_FL_ENC_GUESS);
        if (!stored) continue;
        // A name with a folder part never counts, whatever its last part is.
        if (QString::fromUtf8(stored).compare(name, Qt::CaseInsensitive) == 0) return i;
    }
    return -1;
}

quint64 ZipReader::size(qint64 index) const {
    zip_stat_t st;
    zip_stat_init(&st);
    if (!m_archive || zip_stat_index(m_archive, zip_uint64_t(index), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
        return 0;
    return st.size;
}

bool ZipReader::extract(qint64 index, const QString& target, const Progress& progress, QString* error) {
    if (!m_archive) return false;
    const quint64 declared = size(index);
    std::unique_ptr<zip_file_t, EntryCloser> entry(zip_fopen_index(m_archive, zip_uint64_t(index), 0));
    if (!entry) {
        if (error) *error = QString::fromLocal8Bit(zip_strerror(m_archive));
        return false;
    }
    engine::FileSystem& fs = engine::FileSystem::current();
    auto file = fs.open(target, engine::FileSystem::OpenMode::CreateTruncate, error);
    if (!file) return false;
    auto fail = [&](const QString& reason) {
        if (error) *error = reason;
        file.reset();
        fs.remove(target);
        return false;
    };
    std::unique_ptr<char[]> buffer(new char[1 << 18]);
    quint64 written = 0;
    for (;;) {
        const zip_int64_t n = zip_fread(entry.get(), buffer.get(), 1 << 18);
        if (n < 0) return fail(QString::fromLocal8Bit(zip_file_strerror(entry.get())));
        if (n == 0) break;
        // The library stops at the declared size; this guards against trusting it blindly.
        if (written + quint64(n) > declared) return fail(QStringLiteral("Položka archivu je delší, než uvádí."));
        if (!file->writeAt(qint64(written), buffer.get(), n)) return fail(file->errorString());
        written += quint64(n);
        if (progress) progress(written);
    }
    if (written != declared) return fail(QStringLiteral("Položka archivu je kratší, než uvádí."));
    if (!file->sync()) return fail(file->errorString());
    return true;
}

}  // namespace backup
