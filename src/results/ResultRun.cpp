#include "results/ResultRun.h"

#include "db/CallWatch.h"
#include "results/ResultFetch.h"
#include "results/ResultModel.h"

#include <algorithm>

namespace zemo {

ResultRun::ResultRun(ResultModel& model, QObject* parent) : QObject(parent), m_model(&model) {}

ResultRun::~ResultRun() {
    leave();
}

void ResultRun::start(DbConnection& connection, const QString& sql, const ParameterValues& values) {
    leave();
    m_fetch = std::make_shared<ResultFetch>();
    m_fieldsShown = false;
    m_rowsShown = 0;
    m_outcome = DbCall::Outcome::Running;
    m_failure = nullptr;
    m_call = connection.run([fetch = m_fetch, sql, values](OracleDatabase& db, const DbCall& c) {
        fetch->run(db, sql, c.stopFlag(), values);
    });
    m_watch = new CallWatch(
        m_call, kHandOverMs, [this] { handOver(); }, [this](CallWatch::End) { finish(true); }, this);
    // The first look comes as soon as the fetch has something to show, not at the next tick.
    m_fetch->onNews([watch = m_watch] { watch->poke(); });
}

bool ResultRun::stopping() const {
    return m_watch && m_watch->stopping();
}

void ResultRun::stop() {
    if (m_watch)
        m_watch->stop();
}

void ResultRun::leave() {
    if (!m_watch)
        return;
    finish(false);
}

void ResultRun::handOver() {
    const ResultFetch::Arrived now = m_fetch->arrived();
    if (now.executed && now.store && now.view)
        show(now.fieldNames, now.store, now.view, now.view->rows());
}

void ResultRun::show(const QStringList& fieldNames, const std::shared_ptr<ResultStore>& store,
                     const std::shared_ptr<const ResultStore::View>& view, uint32_t rows) {
    if (!m_model)
        return;
    if (!m_fieldsShown) {
        m_model->follow(fieldNames, store, view);
        m_fieldsShown = true;
        Q_EMIT fieldsShown();
    }
    if (int(rows) > m_rowsShown) {
        m_model->showRows(rows);
        m_rowsShown = int(rows);
        // Each hand-over re-places every row heading (the view's header keeps one section per row), so
        // at a fixed pace the window thread's share would grow with the rows and slow the fetch.
        if (m_watch)
            m_watch->setTickMs(std::max(kHandOverMs, m_rowsShown / kRowsPerHandOverMs));
        Q_EMIT rowsAdded(m_rowsShown);
    }
}

// The end of a run, however it comes: the watch saw the call end or gave up on a stop, or the window
// leaves the run. The outcome is read before the take, which ends a call still running; from the take
// on the store is the model's alone.
void ResultRun::finish(bool watchEnded) {
    m_outcome = m_call->outcome();
    m_failure = m_call->failure();
    m_fetch->onNews({});
    const ResultFetch::Taken taken = m_fetch->take();
    if (m_model)
        m_model->stopFollowing();
    if (watchEnded && taken.executed && taken.store)
        show(taken.fieldNames, taken.store, nullptr, taken.store->rows());
    CallWatch* watch = m_watch;
    m_watch = nullptr;
    if (!watchEnded) {
        delete watch; // stops the call when it still runs
        return;
    }
    watch->deleteLater();
    Q_EMIT ended();
}

} // namespace zemo
