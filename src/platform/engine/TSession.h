#pragma once

#include <map>
#include <QString>
#include <QStringList>
#include <memory>

namespace engine {
class LockFileHandle;
}

// The table engine session: the table passwords, the network control directory (where
// "Pdoxusrs.lck" is kept) and the lock files held while tables are open. "Pdoxusrs.lck" in the
// network control directory and "Paradox.lck" in each directory with open tables are held (with
// shared locks) from the first table opened until the last one is closed; then each is deleted
// unless another program holds it too, so a clean end leaves none behind (a crash leaves them
// for the stale-lock removal).
class TSession {
public:
    explicit TSession(const QString& name = QString());
    ~TSession();
    TSession(const TSession&) = delete;
    TSession& operator=(const TSession&) = delete;

    QString SessionName;

    void Open() { m_active = true; }
    void Close();
    bool Active() const { return m_active; }

    // The network control directory, used exactly as given: on a file system whose names keep
    // their case, a spelling in other letter case names another directory.
    QString NetFileDir() const { return m_netFileDir; }
    void setNetFileDir(const QString& dir) { m_netFileDir = dir; }
    QString PrivateDir() const { return m_privateDir; }
    void setPrivateDir(const QString& dir) { m_privateDir = dir; }

    void AddPassword(const QString& password);
    void RemoveAllPasswords() { m_passwords.clear(); }
    const QStringList& passwords() const { return m_passwords; }

    // The lock files one open table holds; given back to releaseTableLocks when it closes.
    struct LockTicket {
        QString netLock;
        QString dirLock;
    };
    // Called by tables: hold the lock files while a table of `dir` is open. Throws
    // EDBEngineError(IoError) when a lock file cannot be created.
    LockTicket acquireTableLocks(const QString& dir);
    void releaseTableLocks(const LockTicket& ticket);
    int openTableCount() const { return m_openTables; }

private:
    struct Held {
        std::unique_ptr<engine::LockFileHandle> handle;
        int count = 0;
    };
    void acquire(const QString& file);
    void release(const QString& file);

    bool m_active = false;
    QString m_netFileDir;
    QString m_privateDir;
    QStringList m_passwords;
    std::map<QString, Held> m_held;  // lock file path -> handle
    int m_openTables = 0;
};
