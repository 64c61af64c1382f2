#include "results/ResultFetch.h"

#include "db/DbConnection.h"
#include "db/OracleAccess.h"

namespace zemo {

void ResultFetch::run(OracleDatabase& db, const QString& sql, const std::atomic<bool>& stop,
                      const ParameterValues& values) {
    std::unique_ptr<OracleResultSet> rs = db.CreateDynaset(sql, 0, values);
    ResultStore* store = nullptr;
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        if (m_taken)
            return;
        const int fields = rs->columnCount();
        for (int j = 0; j < fields; ++j)
            m_result.fieldNames << rs->FieldName(j);
        m_result.store = std::make_unique<ResultStore>(fields);
        m_result.executed = true;
        store = m_result.store.get();
    }
    FetchControl control;
    control.storeLock = &m_lock;
    control.stop = &stop;
    control.taken = &m_taken;
    control.rowsTaken = &m_rowsTaken;
    if (!fetchRows(*store, *rs, control))
        throwStopped();
}

ResultFetch::Taken ResultFetch::take() {
    const std::lock_guard<std::mutex> hold(m_lock);
    m_taken = true;
    return std::move(m_result);
}

} // namespace zemo
