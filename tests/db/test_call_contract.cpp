// The contract of a call on a connection's thread and the window thread's wait for it, with a database
// whose work and cancel the test releases by hand: no window, no server.
#include "base/ZemoError.h"
#include "db/CallWait.h"
#include "db/DbConnection.h"

#include <QElapsedTimer>
#include <QtTest>
#include <condition_variable>
#include <mutex>

using namespace zemo;
using Outcome = DbCall::Outcome;
using End = CallWait::End;

namespace {

// Opened by the test (or by a cancel that gets through); the work waits on it.
class Gate {
public:
    void open() {
        {
            const std::lock_guard<std::mutex> hold(m_lock);
            m_open = true;
        }
        m_changed.notify_all();
    }
    void waitOpen() {
        std::unique_lock<std::mutex> hold(m_lock);
        m_changed.wait(hold, [this] { return m_open; });
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_open = false;
};

// The server side: a cancel lets the work go only when the test says the server answers, and only
// once the work has reached the server (a cancel before that finds nothing to cancel, as on a real
// server while the statement is still on its way).
class GateDatabase : public OracleDatabase {
public:
    GateDatabase(Gate& gate, bool cancelLetsGo) : m_gate(gate), m_cancelLetsGo(cancelLetsGo) {}
    std::unique_ptr<OracleResultSet> createResultSet(const QString&) override { return nullptr; }
    QString backendName() const override { return QStringLiteral("gate"); }
    void cancel() override {
        if (m_cancelLetsGo && atServer)
            m_gate.open();
    }
    std::atomic<bool> atServer{false};

private:
    Gate& m_gate;
    bool m_cancelLetsGo;
};

enum class WorkEnd { Completes, Fails, HonoursStop };
enum class StopAt { Never, BeforeStart, OnTheWay, During, AfterEnd };

struct Probe {
    std::atomic<bool> started{false};
    std::atomic<bool> ran{false};
};

DbConnection::Work gatedWork(Gate& gate, Probe& probe, WorkEnd end) {
    return [&gate, &probe, end](OracleDatabase& db, const DbCall& call) {
        probe.ran = true;
        probe.started = true;
        // On its way to the server for a moment, as a statement being sent is.
        QThread::msleep(20);
        static_cast<GateDatabase&>(db).atServer = true;
        gate.waitOpen();
        static_cast<GateDatabase&>(db).atServer = false;
        if (end == WorkEnd::Fails || (end == WorkEnd::HonoursStop && call.stopRequested())) {
            if (end == WorkEnd::Fails)
                throw ZemoError(42, QStringLiteral("the work failed"));
            throwStopped();
        }
    };
}

int failureNumber(const DbCall& call) {
    try {
        call.rethrow();
    } catch (const ZemoError& e) {
        return e.number();
    }
    return -1;
}

} // namespace

Q_DECLARE_METATYPE(WorkEnd)
Q_DECLARE_METATYPE(StopAt)
Q_DECLARE_METATYPE(DbCall::Outcome)

class TestCallContract : public QObject {
    Q_OBJECT

    std::shared_ptr<DbConnection> openGate(Gate& gate, bool cancelLetsGo,
                                           std::shared_ptr<GateDatabase>* opened = nullptr) {
        return DbConnection::openNow([&gate, cancelLetsGo, opened] {
            auto db = std::make_shared<GateDatabase>(gate, cancelLetsGo);
            if (opened)
                *opened = db;
            return db;
        });
    }

private Q_SLOTS:
    // Every connection thread the tests started has closed its database and ended.
    void cleanupTestCase() { QVERIFY(finishDatabaseThreads(kExitWaitMs)); }

    void outcomeFollowsWhatHappened_data() {
        QTest::addColumn<StopAt>("stopAt");
        QTest::addColumn<WorkEnd>("work");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<bool>("ran");
        QTest::addColumn<int>("failure");
        QTest::newRow("no stop, completes")
            << StopAt::Never << WorkEnd::Completes << Outcome::Completed << true << -1;
        QTest::newRow("no stop, fails") << StopAt::Never << WorkEnd::Fails << Outcome::Failed << true << 42;
        QTest::newRow("stop before start: never runs")
            << StopAt::BeforeStart << WorkEnd::Completes << Outcome::Stopped << false << int(err::Cancelled);
        // The first cancel finds nothing at the server yet; the stop is asked again until it lands.
        QTest::newRow("stop while the statement is on its way")
            << StopAt::OnTheWay << WorkEnd::HonoursStop << Outcome::Stopped << true << int(err::Cancelled);
        QTest::newRow("stop during, work stops")
            << StopAt::During << WorkEnd::HonoursStop << Outcome::Stopped << true << int(err::Cancelled);
        // An open that got through although 中止 was pressed: the connection is there to keep.
        QTest::newRow("stop during, work completes anyway")
            << StopAt::During << WorkEnd::Completes << Outcome::Completed << true << -1;
        QTest::newRow("stop during, work fails")
            << StopAt::During << WorkEnd::Fails << Outcome::Stopped << true << 42;
        // The last row was in: the result is complete, not "（中止）".
        QTest::newRow("stop after the end")
            << StopAt::AfterEnd << WorkEnd::HonoursStop << Outcome::Completed << true << -1;
        // The failure happened first: its error box is owed.
        QTest::newRow("stop after a failure")
            << StopAt::AfterEnd << WorkEnd::Fails << Outcome::Failed << true << 42;
    }
    void outcomeFollowsWhatHappened() {
        QFETCH(StopAt, stopAt);
        QFETCH(WorkEnd, work);
        QFETCH(Outcome, outcome);
        QFETCH(bool, ran);
        QFETCH(int, failure);

        Gate gate;
        std::shared_ptr<GateDatabase> database;
        const auto connection = openGate(gate, true, &database);
        GateDatabase& gated = *database;
        // A call in front keeps the thread busy, so that a stop can land before the call starts.
        Gate front;
        Probe frontProbe, probe;
        const auto first = connection->run(gatedWork(front, frontProbe, WorkEnd::Completes));
        const auto call = connection->run(gatedWork(gate, probe, work));
        if (stopAt == StopAt::BeforeStart)
            call->stop();
        front.open();
        if (stopAt == StopAt::AfterEnd || stopAt == StopAt::Never)
            gate.open();

        CallWait wait(*call);
        wait.setTick([&] {
            if (stopAt == StopAt::During && probe.started && gated.atServer)
                wait.stop(); // the server lets go: the cancel opens the gate
        });
        if (stopAt == StopAt::OnTheWay) {
            while (!probe.started)
                QThread::yieldCurrentThread();
            call->stop();
        }
        QCOMPARE(wait.wait(), End::Finished);
        if (stopAt == StopAt::AfterEnd)
            call->stop();
        QCOMPARE(call->outcome(), outcome);
        QCOMPARE(probe.ran.load(), ran);
        QCOMPARE(failureNumber(*call), failure);
        gate.open();
    }

    // 中止 on a server that does not let go: the wait gives up a second later and the call runs on; when
    // it ends at last it counts as stopped.
    void waitGivesUpOnAServerThatHoldsOn() {
        Gate gate;
        const auto connection = openGate(gate, false);
        Probe probe;
        const auto call = connection->run(gatedWork(gate, probe, WorkEnd::HonoursStop));
        CallWait wait(*call);
        wait.setTick([&] {
            if (probe.started)
                wait.stop();
        });
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(wait.wait(), End::Abandoned);
        QVERIFY(clock.elapsed() >= CallWait::kGiveUpMs);
        QCOMPARE(call->outcome(), Outcome::Running);
        gate.open();
        QVERIFY(call->waitFinished(5000));
        QCOMPARE(call->outcome(), Outcome::Stopped);
    }

    void nestedWaitsAreRefused() {
        Gate gate;
        const auto connection = openGate(gate, true);
        Probe probe, other;
        const auto call = connection->run(gatedWork(gate, probe, WorkEnd::Completes));
        const auto second = connection->run(gatedWork(gate, other, WorkEnd::Completes));
        int refused = 0;
        CallWait wait(*call);
        wait.setTick([&] {
            try {
                CallWait inner(*second);
                inner.wait();
            } catch (const ZemoError& e) {
                refused = e.number();
            }
            gate.open();
        });
        QCOMPARE(wait.wait(), End::Finished);
        QCOMPARE(refused, int(err::Busy));
        QVERIFY(second->waitFinished(5000));
    }

    // The program told to quit while a call runs: every event loop ends at once, and the wait stops the
    // call and waits for it before it hands back, so nothing runs on what the window destroys next.
    void quitDuringAWaitStopsTheCallFirst() {
        Gate gate;
        const auto connection = openGate(gate, true);
        Probe probe;
        const auto call = connection->run(gatedWork(gate, probe, WorkEnd::HonoursStop));
        End end = End::Finished;
        QTimer::singleShot(0, [&] {
            CallWait wait(*call);
            wait.setTick([&] {
                if (probe.started)
                    QCoreApplication::exit(0);
            });
            end = wait.wait();
        });
        QCoreApplication::exec();
        QCOMPARE(end, End::Quit);
        QVERIFY(call->finished());
        QCOMPARE(call->outcome(), Outcome::Stopped);
    }
};

QTEST_GUILESS_MAIN(TestCallContract)
#include "test_call_contract.moc"
