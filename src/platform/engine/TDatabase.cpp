#include "TDatabase.h"

#include <QDir>
#include <QFileInfo>

#include "EngineError.h"
#include "TDataSet.h"
#include "TSession.h"

TDatabase::TDatabase(TSession* session, const QString& name) : DatabaseName(name), m_session(session) {}

TDatabase::~TDatabase() {
    try {
        Close();
    } catch (...) {
    }
    const auto dataSets = m_dataSets;
    for (TDataSet* ds : dataSets) ds->detachDatabase();
}

QString TDatabase::directory() const {
    for (const QString& line : Params) {
        if (line.startsWith(QLatin1String("PATH="), Qt::CaseInsensitive)) {
            QString dir = QDir::fromNativeSeparators(line.mid(5).trimmed());
            while (dir.size() > 1 && dir.endsWith(QLatin1Char('/'))) dir.chop(1);
            return dir;
        }
    }
    return QString();
}

void TDatabase::Open() {
    if (m_connected) return;
    const QString dir = directory();
    if (dir.isEmpty() || !QFileInfo(dir).isDir()) {
        throw EDBEngineError(EngineErrorCode::FileNotFound,
                             QStringLiteral("Adresář %1 neexistuje.").arg(QDir::toNativeSeparators(dir)));
    }
    if (m_session && !m_session->Active()) m_session->Open();
    m_connected = true;
}

void TDatabase::Close() {
    const auto dataSets = m_dataSets;
    for (TDataSet* ds : dataSets) ds->Close();
    m_connected = false;
}

void TDatabase::registerDataSet(TDataSet* dataSet) {
    if (!m_dataSets.contains(dataSet)) m_dataSets << dataSet;
}

void TDatabase::unregisterDataSet(TDataSet* dataSet) { m_dataSets.removeAll(dataSet); }
