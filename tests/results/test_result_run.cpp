// A statement's rows shown as they arrive: the model grows while the fetch runs on the connection's
// thread, every way a run ends keeps the rows that arrived, and the window thread reads them while the
// fetch appends (run under ThreadSanitizer by `make tsan`). A server in memory stands in for the
// database, so that the test decides when it holds a row and whether it honours a cancel.
#include "base/ZemoError.h"
#include "db/CallWatch.h"
#include "db/DbConnection.h"
#include "results/ResultFetch.h"
#include "results/ResultModel.h"
#include "results/ResultRun.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>
#include <condition_variable>
#include <mutex>

using namespace zemo;
using Outcome = DbCall::Outcome;

namespace {

// Rows 1, 2, 3, ... of two columns, N (the number) and S ("r" and the number). From row `holdAt` on
// the server holds the row until it is let go; a cancel lets it go with the server's cancel error when
// the server honours cancels. Row `failAt` fails.
struct ServerSettings {
    int rows = 0;
    int holdAt = -1;
    bool cancelLetsGo = true;
    int failAt = -1;
};

class RowServer : public OracleDatabase {
public:
    explicit RowServer(ServerSettings settings) : settings(settings) {}
    std::unique_ptr<OracleResultSet> createResultSet(const QString&) override;
    QString backendName() const override { return QStringLiteral("rows"); }
    void cancel() override {
        if (settings.cancelLetsGo)
            letGo(true);
    }
    void letGo(bool cancelled) {
        {
            const std::lock_guard<std::mutex> hold(m_lock);
            m_open = true;
            m_cancelled = cancelled;
        }
        m_changed.notify_all();
    }
    // On the connection's thread: waits at a held row; true when a cancel let it go.
    bool hold() {
        held = true;
        std::unique_lock<std::mutex> lock(m_lock);
        m_changed.wait(lock, [this] { return m_open; });
        return m_cancelled;
    }

    const ServerSettings settings;
    std::atomic<bool> held{false};
    std::atomic<bool> closed{false}; // the fetch let go of its rows
    std::atomic<int> rowsServed{0};

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_open = false;
    bool m_cancelled = false;
};

class ServedRows : public OracleResultSet {
public:
    explicit ServedRows(RowServer& server) : m_server(server) { arrive(); }
    ~ServedRows() override { m_server.closed = true; }
    int columnCount() const override { return 2; }
    QString columnName(int col) const override {
        return col == 0 ? QStringLiteral("N") : QStringLiteral("S");
    }
    bool atEnd() const override { return m_row > m_server.settings.rows; }
    void next() override {
        ++m_row;
        arrive();
    }
    QVariant value(int col) const override { return col == 0 ? QVariant(m_row) : QVariant(text(col)); }
    ValueKind kind(int col) const override { return col == 0 ? ValueKind::Integer : ValueKind::Text; }
    bool textUtf8(int col, std::string_view& out) const override {
        m_text = text(col).toUtf8();
        out = std::string_view(m_text.constData(), size_t(m_text.size()));
        return true;
    }

private:
    QString text(int col) const {
        return (col == 0 ? QString() : QStringLiteral("r")) + QString::number(m_row);
    }
    void arrive() {
        const ServerSettings& s = m_server.settings;
        if (m_row == s.failAt)
            throw ZemoError(22012, QStringLiteral("division by zero"));
        if (s.holdAt > 0 && m_row >= s.holdAt && m_row <= s.rows && m_server.hold())
            throw ZemoError(57014, QStringLiteral("canceling statement due to user request"));
        m_server.rowsServed = m_row;
    }

    RowServer& m_server;
    int m_row = 1;
    mutable QByteArray m_text;
};

std::unique_ptr<OracleResultSet> RowServer::createResultSet(const QString&) {
    return std::make_unique<ServedRows>(*this);
}

enum class Act { None, Stop, Leave };

// Every data row the model shows reads as the server served it.
bool rowsReadBack(const ResultModel& m, int rows) {
    for (int r = 1; r <= rows; ++r)
        if (m.cellText(r, 0) != QString::number(r) || m.cellText(r, 1) != QString::number(r) ||
            m.cellText(r, 2) != QStringLiteral("r%1").arg(r))
            return false;
    return true;
}

} // namespace

Q_DECLARE_METATYPE(Act)
Q_DECLARE_METATYPE(DbCall::Outcome)

class TestResultRun : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Every connection's thread joined before the process ends.
    void cleanupTestCase() { QVERIFY(finishDatabaseThreads(kExitWaitMs)); }

    void everyEndKeepsTheRowsThatArrived_data() {
        QTest::addColumn<ServerSettings>("server");
        QTest::addColumn<Act>("act");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<int>("rows"); // rows shown at the end; -1: the rows before the held one
        QTest::newRow("to the end") << ServerSettings{5000} << Act::None << Outcome::Completed << 5000;
        QTest::newRow("a failure after some rows")
            << ServerSettings{5000, -1, true, 3000} << Act::None << Outcome::Failed << 2999;
        QTest::newRow("中止, the server lets go")
            << ServerSettings{1000000, 2000, true} << Act::Stop << Outcome::Stopped << 1999;
        // The stop is not honoured within the watch's give-up: the run ends, the call still runs.
        QTest::newRow("中止, the server holds on")
            << ServerSettings{1000000, 2000, false} << Act::Stop << Outcome::Running << 1999;
        // A window closing or a new run: nothing told, the call stopped, its fetch writes nothing more.
        QTest::newRow("left") << ServerSettings{1000000, 2000, false} << Act::Leave << Outcome::Running
                              << 1999;
    }
    void everyEndKeepsTheRowsThatArrived() {
        QFETCH(ServerSettings, server);
        QFETCH(Act, act);
        QFETCH(Outcome, outcome);
        QFETCH(int, rows);

        auto db = std::make_shared<RowServer>(server);
        const auto connection = DbConnection::openNow([db] { return db; });
        ResultModel model;
        model.setHeaderRows(1);
        model.setHeaderCols(1);
        ResultRun run(model);
        QSignalSpy fields(&run, &ResultRun::fieldsShown);
        QSignalSpy added(&run, &ResultRun::rowsAdded);
        QSignalSpy ended(&run, &ResultRun::ended);
        run.start(*connection, QStringLiteral("select"));
        QVERIFY(run.running());
        QCOMPARE(CallWatch::active(), 1);

        if (server.holdAt > 0) {
            // The rows before the held one show while the fetch still runs.
            QTRY_COMPARE_WITH_TIMEOUT(run.rowsShown(), server.holdAt - 1, 10000);
            QVERIFY(db->held);
            QVERIFY(run.running());
            QCOMPARE(model.gridRows(), server.holdAt);
            QVERIFY(model.following());
            QVERIFY(rowsReadBack(model, run.rowsShown()));
            // A part of the result is not sorted.
            model.sort(0, Qt::DescendingOrder);
            QCOMPARE(model.cellText(1, 1), QStringLiteral("1"));
        }
        QElapsedTimer clock;
        clock.start();
        if (act == Act::Stop)
            run.stop();
        else if (act == Act::Leave)
            run.leave();
        if (act != Act::Leave)
            QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 10000);
        if (act == Act::Stop)
            QVERIFY2(clock.elapsed() < CallWatch::kGiveUpMs + 300,
                     qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!run.running());
        QCOMPARE(CallWatch::active(), 0);
        QCOMPARE(ended.size(), act == Act::Leave ? 0 : 1);
        if (act != Act::Leave)
            QCOMPARE(run.outcome(), outcome);
        QCOMPARE(fields.size(), 1);
        QVERIFY(!added.isEmpty());
        QCOMPARE(added.last().at(0).toInt(), rows);
        QCOMPARE(run.rowsShown(), rows);
        QCOMPARE(model.gridRows(), rows + 1);
        QCOMPARE(model.cellText(0, 2), QStringLiteral("S"));
        QVERIFY(!model.following());
        QVERIFY(rowsReadBack(model, rows));
        if (outcome == Outcome::Failed) {
            try {
                std::rethrow_exception(run.failure());
            } catch (const ZemoError& e) {
                QCOMPARE(e.number(), 22012);
            }
        }
        // The rows kept sort now.
        model.sortRows(1, true);
        QCOMPARE(model.cellText(1, 1), QString::number(rows));

        // A server that lets go late: the fetch it belonged to writes nothing into what the model holds.
        db->letGo(false);
        QTRY_VERIFY_WITH_TIMEOUT(db->closed, 5000);
        QCOMPARE(model.gridRows(), rows + 1);
        QCOMPARE(model.cellText(rows, 2), QStringLiteral("r%1").arg(1));
    }

    // The window thread reads the rows handed over to it, every millisecond and at random places,
    // while the fetch appends more: the two threads meet only under the store's lock.
    void readsWhileRowsArrive() {
        auto db = std::make_shared<RowServer>(ServerSettings{1000000});
        const auto connection = DbConnection::openNow([db] { return db; });
        ResultModel model;
        model.setHeaderRows(1);
        model.setHeaderCols(1);
        ResultRun run(model);
        int reads = 0, readsWhileRunning = 0, wrong = 0;
        QTimer reader;
        reader.setInterval(1);
        connect(&reader, &QTimer::timeout, [&] {
            const int shown = model.gridRows() - 1;
            for (int i = 0; i < 200 && shown > 0; ++i) {
                const int r = 1 + int(QRandomGenerator::global()->bounded(shown));
                std::string scratch;
                const std::string_view utf8 = model.cellUtf8(r, 2, scratch);
                if (model.cellText(r, 2) != QStringLiteral("r%1").arg(r) ||
                    std::string(utf8) != "r" + std::to_string(r) || model.columnKind(1) != ColumnKind::Number)
                    ++wrong;
                ++reads;
                readsWhileRunning += model.following() ? 1 : 0;
            }
        });
        QSignalSpy ended(&run, &ResultRun::ended);
        reader.start();
        run.start(*connection, QStringLiteral("select"));
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 60000);
        reader.stop();
        QCOMPARE(run.outcome(), Outcome::Completed);
        QCOMPARE(model.gridRows(), 1000001);
        QCOMPARE(wrong, 0);
        qInfo() << reads << "reads," << readsWhileRunning << "while the rows arrived";
        QVERIFY(readsWhileRunning > 0);
    }
};

QTEST_GUILESS_MAIN(TestResultRun)
#include "test_result_run.moc"
