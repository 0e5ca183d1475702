#pragma once

#include <functional>

#include "FileIO.h"

// The real file system with a hook before every sync of a file: the hook gets the file's path
// and says whether the sync goes ahead (true) or fails (false). For tests of what a power cut
// or another connection meets at the moment of a sync.
//
// Install it with engine::FileSystem::setCurrent(&fs) before the files are opened, and restore
// the real one with setCurrent(nullptr) before it goes away.
class SyncHookFileSystem : public engine::FileSystem {
public:
    std::function<bool(const QString& path)> beforeSync;

    std::unique_ptr<engine::FileHandle> open(const QString& path, OpenMode mode, QString* error) override {
        auto file = m_real.open(path, mode, error);
        return file ? std::make_unique<Handle>(std::move(file), path, *this) : nullptr;
    }
    bool rename(const QString& from, const QString& to, QString* error) override { return m_real.rename(from, to, error); }
    bool remove(const QString& path) override { return m_real.remove(path); }
    bool syncDirectory(const QString& dir) override { return m_real.syncDirectory(dir); }

private:
    class Handle : public engine::FileHandle {
    public:
        Handle(std::unique_ptr<engine::FileHandle> real, QString path, SyncHookFileSystem& fs)
            : m_real(std::move(real)), m_path(std::move(path)), m_fs(fs) {}
        int fd() const override { return m_real->fd(); }
        qint64 readAt(qint64 offset, char* data, qint64 size) override { return m_real->readAt(offset, data, size); }
        bool writeAt(qint64 offset, const char* data, qint64 size) override { return m_real->writeAt(offset, data, size); }
        bool sync() override {
            if (m_fs.beforeSync && !m_fs.beforeSync(m_path)) {
                m_failed = true;
                return false;
            }
            return m_real->sync();
        }
        bool truncate(qint64 size) override { return m_real->truncate(size); }
        qint64 size() override { return m_real->size(); }
        QString errorString() const override { return m_failed ? QStringLiteral("simulovaná chyba disku") : m_real->errorString(); }

    private:
        std::unique_ptr<engine::FileHandle> m_real;
        QString m_path;
        SyncHookFileSystem& m_fs;
        bool m_failed = false;
    };
    engine::PosixFileSystem m_real;
};
