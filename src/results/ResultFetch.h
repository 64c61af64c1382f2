#pragma once

#include "db/StatementParameters.h"
#include "results/ResultStore.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <memory>
#include <mutex>

namespace zemo {

class OracleDatabase;

// A statement run and its rows fetched on the connection's thread while the window waits; the window
// takes the rows when the fetch ends, or at once when the wait ends first (a server that does not let go
// after 中止, the program quitting). From the take on the fetch writes nothing more.
class ResultFetch {
public:
    // On the connection's thread: runs `sql` with `values` for its placeholders and fetches its rows
    // until the end, a failure (thrown) or `stop` or the take (throwStopped, the rows before it kept).
    void run(OracleDatabase& db, const QString& sql, const std::atomic<bool>& stop,
             const ParameterValues& values = {});

    // On the window's thread, at any time: the rows fetched so far.
    int rowsTaken() const { return m_rowsTaken.load(std::memory_order_acquire); }

    struct Taken {
        bool executed = false; // the statement ran and its fields are known
        QStringList fieldNames;
        std::unique_ptr<ResultStore> store;
    };
    // On the window's thread, once: what was fetched. A fetch still running writes nothing more and ends
    // at its next row.
    Taken take();

private:
    std::mutex m_lock; // the store and the field names, between the two threads
    bool m_taken = false;
    Taken m_result;
    std::atomic<int> m_rowsTaken{0};
};

} // namespace zemo
