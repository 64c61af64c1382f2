#pragma once

#include "db/DbConnection.h"
#include "db/StatementParameters.h"
#include "results/ResultStore.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <exception>
#include <memory>

namespace zemo {

class CallWatch;
class ResultFetch;
class ResultModel;

// A statement run on the connection's thread with its rows shown as they arrive. The window is not
// held meanwhile: the model shows the field names once the statement has run, then grows by the rows
// fetched so far as soon as the first screenful is in and every kHandOverMs after that, reading only
// rows handed over to it (which never move) until the fetch writes nothing more.
//
// The run's outcome is the call's (DbCall::outcome): a run whose 中止 the server did not honour within
// a second ends with the call still Running, its rows so far shown.
class ResultRun : public QObject {
    Q_OBJECT
public:
    static constexpr int kHandOverMs = 100;
    // Past 2,000,000 rows the pause between hand-overs grows with the rows shown (see show()).
    static constexpr int kRowsPerHandOverMs = 20000;

    explicit ResultRun(ResultModel& model, QObject* parent = nullptr);
    // A run still going is left as by leave().
    ~ResultRun() override;

    // Runs `sql` with `values` for its placeholders on `connection`; a run still going is left first.
    // The model is shown the new result once the statement has run.
    void start(DbConnection& connection, const QString& sql, const ParameterValues& values = {});
    bool running() const { return m_watch != nullptr; }
    // 中止: asks the call to stop; the run ends once the fetch lets go, or a second later with the rows
    // that arrived.
    void stop();
    bool stopping() const;
    // Ends the run at once, telling nothing: the call is stopped and left to end on its thread, which
    // writes nothing more; the model keeps the rows that arrived (a window closing, a new run).
    void leave();

    // Data rows the model shows of this run.
    int rowsShown() const { return m_rowsShown; }
    // How the last run ended (Running: a stop the server did not honour) and its failure, if any.
    DbCall::Outcome outcome() const { return m_outcome; }
    std::exception_ptr failure() const { return m_failure; }

Q_SIGNALS:
    // The statement ran: the headings show the field names.
    void fieldsShown();
    // The grid grew to `rows` data rows.
    void rowsAdded(int rows);
    // The run is over and every row it fetched is shown; outcome() tells how it ended.
    void ended();

private:
    void handOver();
    void show(const QStringList& fieldNames, const std::shared_ptr<ResultStore>& store,
              const std::shared_ptr<const ResultStore::View>& view, uint32_t rows);
    void finish(bool watchEnded);

    QPointer<ResultModel> m_model; // gone with its grid when a window is destroyed
    std::shared_ptr<ResultFetch> m_fetch;
    std::shared_ptr<DbCall> m_call;
    CallWatch* m_watch = nullptr;
    bool m_fieldsShown = false;
    int m_rowsShown = 0;
    DbCall::Outcome m_outcome = DbCall::Outcome::Completed;
    std::exception_ptr m_failure;
};

} // namespace zemo
