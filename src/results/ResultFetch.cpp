#include "results/ResultFetch.h"

#include "db/DbConnection.h"
#include "db/OracleAccess.h"

namespace zemo {

void ResultFetch::run(OracleDatabase& db, const QString& sql, const std::atomic<bool>& stop,
                      const ParameterValues& values) {
    std::unique_ptr<OracleResultSet> rs = db.CreateDynaset(sql, 0, values);
    std::shared_ptr<ResultStore> store;
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        if (m_taken)
            return;
        const int fields = rs->columnCount();
        for (int j = 0; j < fields; ++j)
            m_fieldNames << rs->FieldName(j);
        m_store = std::make_shared<ResultStore>(fields);
        m_view = std::make_shared<ResultStore::View>(*m_store);
        m_executed = true;
        store = m_store;
        tell();
    }
    FetchControl control;
    control.storeLock = &m_lock;
    control.stop = &stop;
    control.taken = &m_taken;
    control.rowsTaken = &m_rowsTaken;
    control.tellAt = kFirstRows;
    control.tell = [this] { tell(); };
    if (!fetchRows(*store, *rs, control))
        throwStopped();
}

void ResultFetch::tell() {
    if (m_news)
        m_news();
}

void ResultFetch::onNews(std::function<void()> news) {
    const std::lock_guard<std::mutex> hold(m_lock);
    m_news = std::move(news);
}

ResultFetch::Arrived ResultFetch::arrived() {
    const std::lock_guard<std::mutex> hold(m_lock);
    if (m_view)
        m_view->refresh();
    return {m_executed, m_fieldNames, m_store, m_view};
}

ResultFetch::Taken ResultFetch::take() {
    const std::lock_guard<std::mutex> hold(m_lock);
    m_taken = true;
    m_news = nullptr;
    m_view.reset();
    Taken t{m_executed, m_fieldNames, std::move(m_store)};
    return t;
}

} // namespace zemo
