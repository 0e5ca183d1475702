#pragma once

#include <memory>

#include "FileIO.h"

// The real file system without the wait for the disk after each write: for tests that fill
// large tables through Append/Post, where durability is not what they test. Installs itself
// for its lifetime.
class DeferredSyncFileSystem : public engine::FileSystem {
public:
    DeferredSyncFileSystem() { engine::FileSystem::setCurrent(this); }
    ~DeferredSyncFileSystem() override { engine::FileSystem::setCurrent(nullptr); }

    std::unique_ptr<engine::FileHandle> open(const QString& path, OpenMode mode, QString* error) override {
        auto file = m_real.open(path, mode, error);
        return file ? std::make_unique<Handle>(std::move(file)) : nullptr;
    }
    bool rename(const QString& from, const QString& to, QString* error) override {
        return m_real.rename(from, to, error);
    }
    bool remove(const QString& path) override { return m_real.remove(path); }
    bool syncDirectory(const QString&) override { return true; }

private:
    class Handle : public engine::FileHandle {
    public:
        explicit Handle(std::unique_ptr<engine::FileHandle> real) : m_real(std::move(real)) {}
        int fd() const override { return m_real->fd(); }
        qint64 readAt(qint64 offset, char* data, qint64 size) override { return m_real->readAt(offset, data, size); }
        bool writeAt(qint64 offset, const char* data, qint64 size) override {
            return m_real->writeAt(offset, data, size);
        }
        bool sync() override { return true; }
        bool truncate(qint64 size) override { return m_real->truncate(size); }
        qint64 size() override { return m_real->size(); }
        QString errorString() const override { return m_real->errorString(); }

    private:
        std::unique_ptr<engine::FileHandle> m_real;
    };
    engine::PosixFileSystem m_real;
};
