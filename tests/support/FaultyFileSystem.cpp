#include "FaultyFileSystem.h"

namespace {

class FaultyHandle : public engine::FileHandle {
public:
    FaultyHandle(FaultyFileSystem& fs, std::unique_ptr<engine::FileHandle> real) : m_fs(fs), m_real(std::move(real)) {}

    int fd() const override { return m_real->fd(); }
    qint64 readAt(qint64 offset, char* data, qint64 size) override { return m_real->readAt(offset, data, size); }

    bool writeAt(qint64 offset, const char* data, qint64 size) override {
        switch (m_fs.nextWrite()) {
            case FaultyFileSystem::Outcome::Pass:
                return m_real->writeAt(offset, data, size);
            case FaultyFileSystem::Outcome::Fail:
                m_error = QStringLiteral("simulovaná chyba zápisu");
                return false;
            case FaultyFileSystem::Outcome::Torn:
                // Part of the buffer reaches the file, as when the disk fills up mid-write.
                if (size > 1) m_real->writeAt(offset, data, size / 2);
                m_error = QStringLiteral("simulovaný přerušený zápis");
                return false;
        }
        return false;
    }

    bool sync() override {
        if (m_fs.nextSync()) return m_real->sync();
        m_error = QStringLiteral("simulovaná chyba synchronizace");
        return false;
    }

    bool truncate(qint64 size) override { return m_real->truncate(size); }
    qint64 size() override { return m_real->size(); }
    QString errorString() const override { return m_error.isEmpty() ? m_real->errorString() : m_error; }

private:
    FaultyFileSystem& m_fs;
    std::unique_ptr<engine::FileHandle> m_real;
    QString m_error;
};

}  // namespace

void FaultyFileSystem::arm(Fault fault, int n, bool sticky) {
    m_fault = fault;
    m_n = n;
    m_sticky = sticky;
    m_fired = false;
    m_writes = 0;
    m_syncs = 0;
}

void FaultyFileSystem::disarm() {
    arm(Fault::None, 0);
}

FaultyFileSystem::Outcome FaultyFileSystem::nextWrite() {
    ++m_writes;
    if (m_fault != Fault::FailWrite && m_fault != Fault::TornWrite) return Outcome::Pass;
    if (m_writes < m_n || (m_writes > m_n && !m_sticky)) return Outcome::Pass;
    m_fired = true;
    return m_fault == Fault::FailWrite ? Outcome::Fail : Outcome::Torn;
}

bool FaultyFileSystem::nextSync() {
    ++m_syncs;
    if (m_fault != Fault::FailSync) return true;
    if (m_syncs < m_n || (m_syncs > m_n && !m_sticky)) return true;
    m_fired = true;
    return false;
}

std::unique_ptr<engine::FileHandle> FaultyFileSystem::open(const QString& path, OpenMode mode, QString* error) {
    auto real = m_real.open(path, mode, error);
    if (!real) return nullptr;
    return std::make_unique<FaultyHandle>(*this, std::move(real));
}

bool FaultyFileSystem::rename(const QString& from, const QString& to, QString* error) {
    return m_real.rename(from, to, error);
}

bool FaultyFileSystem::remove(const QString& path) {
    return m_real.remove(path);
}

bool FaultyFileSystem::syncDirectory(const QString& dir) {
    return m_real.syncDirectory(dir);
}
