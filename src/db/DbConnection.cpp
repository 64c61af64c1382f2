#include "db/DbConnection.h"

#include "base/ZemoError.h"

#include <chrono>
#include <deque>
#include <thread>
#include <vector>

namespace zemo {

// The thread of one connection and the queue of its calls.
class DbWorker {
public:
    using Job = std::function<void(DbWorker& worker, DbCall& call)>;

    ~DbWorker() {
        if (!m_thread.joinable())
            return;
        // A thread that still waits on its server is left to the process's end.
        if (m_ended.load() && m_thread.get_id() != std::this_thread::get_id())
            m_thread.join();
        else
            m_thread.detach();
    }

    void start() {
        m_thread = std::thread([this] { loop(); });
    }

    std::shared_ptr<DbCall> post(const std::shared_ptr<DbWorker>& self, Job job) {
        auto call = std::make_shared<DbCall>(self);
        {
            const std::lock_guard<std::mutex> hold(m_queueLock);
            m_queue.push_back({call, std::move(job)});
        }
        m_wake.notify_one();
        return call;
    }

    // No calls after the queued ones: the database is released on this thread and the thread ends.
    void close() {
        {
            const std::lock_guard<std::mutex> hold(m_queueLock);
            m_closing = true;
        }
        m_wake.notify_one();
    }
    bool closing() {
        const std::lock_guard<std::mutex> hold(m_queueLock);
        return m_closing;
    }
    bool ended() const { return m_ended.load(); }
    void join() {
        if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
            m_thread.join();
    }

    // On the connection's thread, inside a call.
    OracleDatabase* database() const { return m_db.get(); }
    void setDatabase(std::shared_ptr<OracleDatabase> db) {
        const std::lock_guard<std::mutex> hold(m_dbLock);
        m_db = std::move(db);
    }

    // From a thread of the canceller's own: cancels on the server what `call` is running, if it is the
    // call that runs now. Holding the lock keeps the database open and the call running meanwhile.
    void cancelRunning(const DbCall* call) {
        const std::lock_guard<std::mutex> hold(m_dbLock);
        if (m_running == call && m_db)
            m_db->cancel();
    }

private:
    struct Queued {
        std::shared_ptr<DbCall> call;
        Job job;
    };

    void loop() {
        for (;;) {
            Queued next;
            {
                std::unique_lock<std::mutex> hold(m_queueLock);
                m_wake.wait(hold, [this] { return !m_queue.empty() || m_closing; });
                if (m_queue.empty())
                    break;
                next = std::move(m_queue.front());
                m_queue.pop_front();
            }
            runOne(next);
        }
        setDatabase(nullptr);
        markEnded();
    }

    void runOne(Queued& next) {
        // Stopped before it started: the work never runs.
        if (next.call->stopRequested()) {
            std::exception_ptr stopped;
            try {
                throwStopped();
            } catch (...) {
                stopped = std::current_exception();
            }
            next.job = nullptr;
            next.call->finish(stopped);
            return;
        }
        {
            const std::lock_guard<std::mutex> hold(m_dbLock);
            m_running = next.call.get();
        }
        std::exception_ptr failure;
        try {
            next.job(*this, *next.call);
        } catch (...) {
            failure = std::current_exception();
        }
        {
            const std::lock_guard<std::mutex> hold(m_dbLock);
            m_running = nullptr;
        }
        next.job = nullptr; // what the work holds goes on this thread
        next.call->finish(failure);
    }

    void markEnded();

    std::thread m_thread;
    std::mutex m_queueLock;
    std::condition_variable m_wake;
    std::deque<Queued> m_queue;
    bool m_closing = false;
    std::mutex m_dbLock; // m_db and m_running, against a cancel from another thread
    std::shared_ptr<OracleDatabase> m_db;
    const DbCall* m_running = nullptr;
    std::atomic<bool> m_ended{false};
};

namespace {

// How often, and for how long, a stop asks the server again.
constexpr int kCancelRepeatMs = 200;
constexpr int kCancelRepeats = kExitWaitMs / kCancelRepeatMs;

// Every connection thread that has not been joined yet. Never destroyed: threads of servers that do not
// answer may outlive main().
struct Registry {
    std::mutex lock;
    std::condition_variable ended;
    std::vector<std::shared_ptr<DbWorker>> workers;
};

Registry& registry() {
    static auto* r = new Registry;
    return *r;
}

// Joins the threads that have ended; the caller holds the registry's lock.
void joinEnded(Registry& r) {
    for (auto it = r.workers.begin(); it != r.workers.end();) {
        if ((*it)->ended()) {
            (*it)->join();
            it = r.workers.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace

// Set under the registry's lock: whoever holds that lock and sees the flag joins this thread there
// and then, so nothing this thread does after the flag may wait for that lock.
void DbWorker::markEnded() {
    Registry& r = registry();
    {
        const std::lock_guard<std::mutex> hold(r.lock);
        m_ended.store(true);
    }
    r.ended.notify_all();
}

bool finishDatabaseThreads(int ms) {
    Registry& r = registry();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    std::unique_lock<std::mutex> hold(r.lock);
    for (;;) {
        joinEnded(r);
        bool busy = false;
        for (const auto& w : r.workers)
            busy = busy || w->closing();
        if (!busy)
            return true;
        if (r.ended.wait_until(hold, deadline) == std::cv_status::timeout) {
            joinEnded(r);
            for (const auto& w : r.workers)
                if (w->closing())
                    return false;
            return true;
        }
    }
}

void throwNotConnected() {
    throw ZemoError(err::NotConnected, QStringLiteral("データベースに接続されていません。"));
}

void throwStopped() {
    throw ZemoError(err::Cancelled, QStringLiteral("処理を中止しました。"));
}

bool DbCall::finished() const {
    const std::lock_guard<std::mutex> hold(m_lock);
    return m_finished;
}

DbCall::Outcome DbCall::outcome() const {
    const std::lock_guard<std::mutex> hold(m_lock);
    if (!m_finished)
        return Outcome::Running;
    if (!m_failure)
        return Outcome::Completed;
    return m_stoppedWhileRunning ? Outcome::Stopped : Outcome::Failed;
}

bool DbCall::stoppedWhileRunning() const {
    const std::lock_guard<std::mutex> hold(m_lock);
    return m_stoppedWhileRunning;
}

std::exception_ptr DbCall::failure() const {
    const std::lock_guard<std::mutex> hold(m_lock);
    return m_failure;
}

void DbCall::rethrow() const {
    if (const std::exception_ptr f = failure())
        std::rethrow_exception(f);
}

void DbCall::stop() {
    {
        // Under the lock that finish() takes: the stop either arrived while the work ran, or it came
        // too late and changes nothing.
        const std::lock_guard<std::mutex> hold(m_lock);
        if (m_finished)
            return;
        m_stoppedWhileRunning = true;
    }
    if (m_stop.exchange(true, std::memory_order_acq_rel))
        return;
    // The server's cancel may wait on the network: never on the caller's thread. It is asked again
    // until the call ends: a cancel that lands while the work is still on its way to the server (the
    // call has just started) finds nothing to cancel there.
    if (std::shared_ptr<DbWorker> worker = m_worker.lock())
        std::thread([worker, self = shared_from_this()] {
            for (int i = 0; i < kCancelRepeats; ++i) {
                worker->cancelRunning(self.get());
                if (self->waitFinished(kCancelRepeatMs))
                    return;
            }
        }).detach();
}

void DbCall::onFinished(std::function<void()> callback) {
    std::unique_lock<std::mutex> hold(m_lock);
    if (m_finished) {
        hold.unlock();
        if (callback)
            callback();
        return;
    }
    m_onFinished = std::move(callback);
}

bool DbCall::waitFinished(int ms) const {
    std::unique_lock<std::mutex> hold(m_lock);
    if (ms < 0) {
        m_done.wait(hold, [this] { return m_finished; });
        return true;
    }
    return m_done.wait_for(hold, std::chrono::milliseconds(ms), [this] { return m_finished; });
}

void DbCall::finish(std::exception_ptr failure) {
    const std::lock_guard<std::mutex> hold(m_lock);
    m_finished = true;
    m_failure = std::move(failure);
    // Under the lock, so that a waiter that removes its callback never has it called afterwards.
    if (m_onFinished)
        m_onFinished();
    m_onFinished = nullptr;
    m_done.notify_all();
}

DbConnection::DbConnection() : m_worker(std::make_shared<DbWorker>()) {
    Registry& r = registry();
    const std::lock_guard<std::mutex> hold(r.lock);
    joinEnded(r);
    r.workers.push_back(m_worker);
    m_worker->start();
}

DbConnection::~DbConnection() {
    m_worker->close();
}

std::shared_ptr<DbCall> DbConnection::open(std::shared_ptr<OracleSession> session, const QString& serviceName,
                                           const QString& connect) {
    return open([session = std::move(session), serviceName, connect] {
        return session->OpenDatabase(serviceName, connect, 0);
    });
}

std::shared_ptr<DbCall> DbConnection::open(Factory factory) {
    return m_worker->post(m_worker, [factory = std::move(factory)](DbWorker& worker, DbCall&) {
        worker.setDatabase(factory());
    });
}

std::shared_ptr<DbCall> DbConnection::run(Work work) {
    return m_worker->post(m_worker, [work = std::move(work)](DbWorker& worker, DbCall& call) {
        OracleDatabase* db = worker.database();
        if (!db)
            throwNotConnected();
        work(*db, call);
    });
}

std::shared_ptr<DbConnection> DbConnection::openNow(const QString& serviceName, const QString& connect) {
    auto session = std::make_shared<OracleSession>();
    return openNow(
        [session, serviceName, connect] { return session->OpenDatabase(serviceName, connect, 0); });
}

std::shared_ptr<DbConnection> DbConnection::openNow(Factory factory) {
    auto connection = std::make_shared<DbConnection>();
    const std::shared_ptr<DbCall> call = connection->open(std::move(factory));
    call->waitFinished();
    call->rethrow();
    return connection;
}

void DbConnection::runNow(const std::function<void(OracleDatabase& db)>& work) {
    const std::shared_ptr<DbCall> call = run([&work](OracleDatabase& db, const DbCall&) { work(db); });
    call->waitFinished();
    call->rethrow();
}

} // namespace zemo
