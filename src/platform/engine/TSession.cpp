#include "TSession.h"

#include <QDir>
#include <QFileInfo>

#include "OsFileLock.h"

TSession::TSession(const QString& name) : SessionName(name) {}

TSession::~TSession() = default;

void TSession::Close() { m_active = false; }

void TSession::AddPassword(const QString& password) {
    if (!m_passwords.contains(password)) m_passwords << password;
}

QString TSession::resolvePath(const QString& path) {
    if (path.isEmpty() || QFileInfo::exists(path)) return path;
    const QString clean = QDir::cleanPath(QDir::fromNativeSeparators(path));
    const bool absolute = clean.startsWith(QLatin1Char('/'));
    const QStringList parts = clean.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString current = absolute ? QStringLiteral("/") : QStringLiteral(".");
    for (const QString& part : parts) {
        QString next = QDir(current).filePath(part);
        if (!QFileInfo::exists(next)) {
            const QStringList entries = QDir(current).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
            auto it = std::find_if(entries.begin(), entries.end(),
                                   [&](const QString& e) { return e.compare(part, Qt::CaseInsensitive) == 0; });
            if (it == entries.end()) return path;
            next = QDir(current).filePath(*it);
        }
        current = next;
    }
    if (!absolute && current.startsWith(QLatin1String("./"))) current = current.mid(2);
    return current;
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
    if (--it->second.count <= 0) m_held.erase(it);
}

TSession::LockTicket TSession::acquireTableLocks(const QString& dir) {
    const QString tableDir = QDir(resolvePath(dir)).absolutePath();
    const QString netDir = m_netFileDir.isEmpty() ? tableDir : QDir(resolvePath(m_netFileDir)).absolutePath();
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
