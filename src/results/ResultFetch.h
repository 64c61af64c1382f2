#pragma once

#include "db/StatementParameters.h"
#include "results/ResultStore.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

namespace zemo {

class OracleDatabase;

// A statement run and its rows fetched on the connection's thread while the window shows them. The
// fetch writes each row into the store holding the store's lock (never while the driver advances);
// the window takes a look under the same lock now and then (arrived), and reads the rows handed over
// that way without any lock, because they never move. From the take on the fetch writes nothing more,
// so the window may take at any moment (the fetch's end, 中止 that the server does not honour, the
// window closing, the program quitting).
class ResultFetch {
public:
    // On the connection's thread: runs `sql` with `values` for its placeholders and fetches its rows
    // until the end, a failure (thrown) or `stop` or the take (throwStopped, the rows before it kept).
    void run(OracleDatabase& db, const QString& sql, const std::atomic<bool>& stop,
             const ParameterValues& values = {});

    // On any thread, at any time: the rows fetched so far.
    int rowsTaken() const { return m_rowsTaken.load(std::memory_order_acquire); }

    // On the window's thread, while the fetch may run: what has arrived so far. Until the take the
    // store is read only through `view`, which this refreshes; nothing else may hold a view of it.
    struct Arrived {
        bool executed = false; // the statement ran and its fields are known
        QStringList fieldNames;
        std::shared_ptr<ResultStore> store;
        std::shared_ptr<const ResultStore::View> view;
    };
    Arrived arrived();

    // `news` runs on the fetch's thread, under the store's lock, once the fields are known and once the
    // first screenful of rows is in (kFirstRows), so that the window need not wait for its next look.
    // An empty function removes the earlier one: once that call returns, the earlier one is not running
    // and will not run.
    void onNews(std::function<void()> news);
    static constexpr uint32_t kFirstRows = 100;

    struct Taken {
        bool executed = false; // the statement ran and its fields are known
        QStringList fieldNames;
        std::shared_ptr<ResultStore> store;
    };
    // On the window's thread, once: what was fetched. A fetch still running writes nothing more and ends
    // at its next row.
    Taken take();

private:
    void tell(); // the caller holds the lock

    mutable std::mutex m_lock; // the store, the field names and the news, between the threads
    bool m_taken = false;
    bool m_executed = false;
    QStringList m_fieldNames;
    std::shared_ptr<ResultStore> m_store;
    std::shared_ptr<ResultStore::View> m_view;
    std::function<void()> m_news;
    std::atomic<int> m_rowsTaken{0};
};

} // namespace zemo
