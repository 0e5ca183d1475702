#pragma once

#include <QStringList>
#include <memory>
#include <vector>

#include "TDataSet.h"

class TDatabase;
namespace engine {
class TableStore;
}

// A query of the SQL subset on a table of its database. Open() runs a SELECT and shows its
// result (read-only); ExecSQL() runs an UPDATE. The statement text is the lines of SQL.
class TQuery : public TDataSet {
public:
    TQuery();
    ~TQuery() override;

    TDatabase* Database() const { return m_database; }
    void setDatabase(TDatabase* database);
    QStringList SQL;

    // Runs an UPDATE (or checks a SELECT without keeping its result). Throws EDBEngineError.
    void ExecSQL();
    // Records an UPDATE changed (records that already held the value are not rewritten).
    int RowsAffected() const { return m_rowsAffected; }
    void detachDatabase() override;

protected:
    void openCursor() override;
    void closeCursor() override;
    engine::TableLayout cursorLayout() const override { return m_resultLayout; }
    qsizetype orderSize() const override { return qsizetype(m_rows.size()); }
    quint32 idAt(qsizetype pos) const override { return quint32(pos + 1); }
    qsizetype positionOfId(quint32 id) const override { return id >= 1 && id <= m_rows.size() ? qsizetype(id) - 1 : -1; }
    bool idLive(quint32 id) const override { return id >= 1 && id <= m_rows.size(); }
    QVariant storedValue(quint32 id, int fieldNo) const override { return m_rows[id - 1].value(fieldNo); }
    QVector<QVariant> storedValues(quint32 id) const override { return m_rows[id - 1]; }
    quint64 dataVersion() const override { return m_version; }
    void refreshStore() override;

private:
    std::shared_ptr<engine::TableStore> openStore(const QString& tableName);
    void runSelect();

    TDatabase* m_database = nullptr;
    engine::TableLayout m_resultLayout;
    std::vector<QVector<QVariant>> m_rows;
    quint64 m_version = 0;
    int m_rowsAffected = 0;
};
