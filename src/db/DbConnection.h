#pragma once

#include "db/OracleAccess.h"

#include <QString>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>

namespace zemo {

class DbWorker;

// How long the program's end, or a wait the program's end cuts short, waits for a call or a connection
// thread to let go.
inline constexpr int kExitWaitMs = 5000;

// The one text for a command that needs an open database and has none (err::NotConnected).
[[noreturn]] void throwNotConnected();
// What work throws when it ends early because its call was asked to stop (err::Cancelled).
[[noreturn]] void throwStopped();

// One piece of work on a connection's thread, shared by the window that waits for it and the thread
// that runs it.
//
// Its outcome is decided by what happened to the work, never by when 中止 was pressed: a stop counts
// only when it arrived while the work still ran (recorded under the call's lock), and then only when
// the work did not complete. A stop that lands after the last row, after a failure or after a
// successful open changes nothing.
class DbCall : public std::enable_shared_from_this<DbCall> {
public:
    enum class Outcome {
        Running,   // not finished yet
        Completed, // the work ran to its end
        Failed,    // the work failed, with no stop asked for while it ran
        Stopped,   // a stop arrived while it ran and the work ended without completing
    };

    explicit DbCall(std::weak_ptr<DbWorker> worker) : m_worker(std::move(worker)) {}

    bool finished() const;
    Outcome outcome() const;
    // The failure the work ended with; null while it runs and when it succeeded.
    std::exception_ptr failure() const;
    // Throws the failure the work ended with, if any.
    void rethrow() const;

    // Asks the work to stop: stopRequested() turns true for the work to see, and the server is asked,
    // from a thread of its own, to cancel what the connection is running. Returns at once; after the
    // work has finished it does nothing.
    void stop();
    bool stopRequested() const { return m_stop.load(std::memory_order_acquire); }
    // Whether a stop arrived before the work finished: a work that keeps a failure of its own (a read
    // that keeps the rows before it) may have failed because of it.
    bool stoppedWhileRunning() const;
    const std::atomic<bool>& stopFlag() const { return m_stop; }

    // `callback` runs on the connection's thread when the work finishes, or here and now when it has.
    // An empty callback removes the earlier one; once that call returns, the earlier one is not running
    // and will not run.
    void onFinished(std::function<void()> callback);
    // Blocks until the work finishes or `ms` milliseconds have passed (-1: no limit); true when it has
    // finished. For tools and tests that have no window to keep alive, and for the program's end.
    bool waitFinished(int ms = -1) const;

    // Called by the connection's thread when the work ends.
    void finish(std::exception_ptr failure);

private:
    std::weak_ptr<DbWorker> m_worker;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_lock;
    mutable std::condition_variable m_done;
    bool m_finished = false;
    bool m_stoppedWhileRunning = false;
    std::exception_ptr m_failure;
    std::function<void()> m_onFinished;
};

// A database connection on a thread of its own that owns it for its whole life: the database is opened,
// used and closed there, one call after the other (Qt's SQL connections may only be used from the thread
// that opened them, and a server that does not answer then blocks that thread, never the window's).
class DbConnection {
public:
    using Factory = std::function<std::shared_ptr<OracleDatabase>()>;
    using Work = std::function<void(OracleDatabase& db, const DbCall& call)>;

    // A new thread, with no database yet.
    DbConnection();
    // Closes the database on its thread and lets the thread end, without waiting for either.
    ~DbConnection();
    DbConnection(const DbConnection&) = delete;
    DbConnection& operator=(const DbConnection&) = delete;

    // Opens the database on the connection's thread: through `session`, or with `factory`.
    std::shared_ptr<DbCall> open(std::shared_ptr<OracleSession> session, const QString& serviceName,
                                 const QString& connect);
    std::shared_ptr<DbCall> open(Factory factory);
    // Runs `work` with the open database on the connection's thread, after the calls before it. Without
    // an open database the call fails with err::NotConnected.
    std::shared_ptr<DbCall> run(Work work);

    // For tools and tests without a window: opens and waits, throwing the failure.
    static std::shared_ptr<DbConnection> openNow(const QString& serviceName, const QString& connect);
    static std::shared_ptr<DbConnection> openNow(Factory factory);
    // Runs and waits, throwing the failure.
    void runNow(const std::function<void(OracleDatabase& db)>& work);

private:
    std::shared_ptr<DbWorker> m_worker;
};

// Waits up to `ms` milliseconds for the threads of the connections released so far to close their
// databases and end; false when one is still busy (a server that does not answer).
bool finishDatabaseThreads(int ms);

} // namespace zemo
