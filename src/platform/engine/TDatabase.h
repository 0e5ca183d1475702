#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class TSession;
class TDataSet;

// A database: a directory of tables given by parameter lines ("PATH=<dir>",
// "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"). Its tables open through it; disconnecting closes
// every dataset of the database. Cursors of one database on one file share their records.
class TDatabase {
public:
    TDatabase(TSession* session, const QString& name);
    ~TDatabase();
    TDatabase(const TDatabase&) = delete;
    TDatabase& operator=(const TDatabase&) = delete;

    QString DatabaseName;
    QStringList Params;
    bool LoginPrompt = false;

    TSession* Session() const { return m_session; }
    void setSession(TSession* session) { m_session = session; }

    // Connects; throws EDBEngineError(FileNotFound) when the PATH directory does not exist.
    void Open();
    // Closes every dataset of the database, then disconnects.
    void Close();
    bool Connected() const { return m_connected; }
    void setConnected(bool connected) { connected ? Open() : Close(); }

    // The PATH parameter as given, without a trailing "/".
    QString directory() const;

    void registerDataSet(TDataSet* dataSet);
    void unregisterDataSet(TDataSet* dataSet);
    const QList<TDataSet*>& DataSets() const { return m_dataSets; }

private:
    TSession* m_session;
    bool m_connected = false;
    QList<TDataSet*> m_dataSets;
};
