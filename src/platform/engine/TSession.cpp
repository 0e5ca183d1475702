#include "TSession.h"

#include <QDir>

#include "OsFileLock.h"

TSession::TSession(const QString& name) : SessionName(name) {}

TSession::~TSession() = default;

void TSession::Close() { m_active = false; }

void TSession::AddPassword(const QString& password) {
    if (!m_passwords.contains(password)) m_passwords << password;
}

void TSession::acquire(const QString& file) {
    Held& h = m_held[file];
    if (h.count == 0) {
        try {
            h.handle = engine::LockFileHandle::acquireShared(file);
        } catch (...) {
            m_held.erase(file);
            throw;
        }
    }
    ++h.count;
}

void TSession::release(const QString& file) {
    auto it = m_held.find(file);
    if (it == m_held.end()) return;
    if (--it->second.count > 0) return;
    if (it->second.handle) it->second.handle->removeIfUnshared();
    m_held.erase(it);
}

TSession::LockTicket TSession::acquireTableLocks(const QString& dir) {
    const QString tableDir = QDir(dir).absolutePath();
    const QString netDir = m_netFileDir.isEmpty() ? tableDir : QDir(m_netFileDir).absolutePath();
    LockTicket ticket{netDir + QStringLiteral("/Pdoxusrs.lck"), tableDir + QStringLiteral("/Paradox.lck")};
    acquire(ticket.netLock);
    try {
        acquire(ticket.dirLock);
    } catch (...) {
        release(ticket.netLock);
        throw;
    }
    ++m_openTables;
    return ticket;
}

void TSession::releaseTableLocks(const LockTicket& ticket) {
    release(ticket.dirLock);
    release(ticket.netLock);
    if (m_openTables > 0) --m_openTables;
}
