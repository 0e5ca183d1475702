#pragma once

#include "FileIO.h"

// A file system for tests that passes everything to the real one but can make one write or
// sync fail: the Nth write (counted over every file opened through it) fails outright, or
// stores only the first half of its buffer and then fails (a torn write), or the Nth sync
// fails. With `sticky` every later write or sync of that kind fails too (a full or broken
// disk), until disarm().
//
// Install it with engine::FileSystem::setCurrent(&fs) and restore the real one with
// setCurrent(nullptr) before it goes away.
class FaultyFileSystem : public engine::FileSystem {
public:
    enum class Fault { None, FailWrite, TornWrite, FailSync };

    // Arms `fault` for the `n`th (1-based) write or sync from now and resets the counters.
    void arm(Fault fault, int n, bool sticky = false);
    void disarm();
    // Whether the armed fault has struck since arm().
    bool fired() const { return m_fired; }
    // Writes and syncs seen since the last arm() or disarm().
    int writes() const { return m_writes; }
    int syncs() const { return m_syncs; }

    std::unique_ptr<engine::FileHandle> open(const QString& path, OpenMode mode, QString* error) override;
    bool rename(const QString& from, const QString& to, QString* error) override;
    bool remove(const QString& path) override;
    bool syncDirectory(const QString& dir) override;

    // Used by the handles it hands out.
    enum class Outcome { Pass, Fail, Torn };
    Outcome nextWrite();
    bool nextSync();

private:
    engine::PosixFileSystem m_real;
    Fault m_fault = Fault::None;
    int m_n = 0;
    bool m_sticky = false;
    bool m_fired = false;
    int m_writes = 0;
    int m_syncs = 0;
};
