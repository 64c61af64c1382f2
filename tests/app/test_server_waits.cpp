// The windows never wait on the network: a server stopped with SIGSTOP before its first row or in the
// middle of a fetch, a first row that takes seconds, a connection that is lost, and quitting while
// connected. Through the real windows, over Qt's PostgreSQL driver and over psqlODBC, against the
// private cluster.
#include "profiles/ProfileStore.h"
#include "session/Module1.h"
#include "support/MainWindowDriver.h"
#include "support/PgCluster.h"
#include "support/WindowTests.h"
#include "ui/FormSupport.h"
#include "ui/MessagePresenter.h"

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace zemo::test;

class TestServerWaits : public QObject {
    Q_OBJECT

    PgCluster pg;
    QTemporaryDir m_dir;
    QStringList m_boxes;
    std::unique_ptr<Form1> m_form;
    std::unique_ptr<MainWindowDriver> m_ui;

    struct Run {
        QString caption;
        int rows = -1;
        qint64 msAfterStop = -1;   // from 中止 to the end of the run: the rows kept, the count written
        int ticksWhileStuck = 0;   // timer ticks of the window's event loop while the server was stopped
        int rowsWhileStuck = -1;   // data rows the grid showed then
        bool scrolled = false;     // the grid scrolled over them meanwhile, their cells on screen
        bool runningCount = false; // the count said the rows were still arriving
    };

    // Runs `sql` in the result window. Once the grid shows `rowsBefore` rows or more, `stuck` runs (it
    // may stop the server), the window's event loop is watched for a second and a half while the grid
    // is scrolled, and 中止 on the window is pressed.
    Run runAndStop(const QString& sql, int rowsBefore, const std::function<void()>& stuck) {
        Run run;
        m_ui->extract([&](Form4* f) {
            auto* g = child<zemo::GridWidget>(f, QStringLiteral("VSFlexGrid1"));
            auto* count = child<QLabel>(f, QStringLiteral("Label3"));
            child<QPlainTextEdit>(f, QStringLiteral("Text1"))->setPlainText(sql);
            child<QPushButton>(f, QStringLiteral("Command1"))->click();
            QTRY_VERIFY_WITH_TIMEOUT(g->Rows() - 1 >= rowsBefore, 20000);
            if (stuck)
                stuck();
            QTimer tick;
            QObject::connect(&tick, &QTimer::timeout, [&run] { ++run.ticksWhileStuck; });
            tick.start(50);
            QTest::qWait(500);
            run.rowsWhileStuck = g->Rows() - 1;
            run.runningCount = count->text().startsWith(QStringLiteral("取得中 "));
            if (run.rowsWhileStuck > 40) {
                g->verticalScrollBar()->setValue(20);
                QTest::qWait(100);
                const QModelIndex top = g->indexAt(QPoint(2, 2));
                run.scrolled = top.row() == 20 && top.data().toString() == g->TextMatrix(21, 1) &&
                               !g->TextMatrix(21, 1).isEmpty();
            }
            QTest::qWait(900);
            QElapsedTimer sinceStop;
            sinceStop.start();
            child<QPushButton>(f, QStringLiteral("Command4"))->click();
            QVERIFY(waitForRuns(5000));
            run.msAfterStop = sinceStop.elapsed();
            run.caption = count->text();
            run.rows = g->Rows() - 1;
        });
        return run;
    }
    // 抽出 of `sql` in a fresh result window: the row count caption.
    QString runToEnd(const QString& sql) {
        QString caption;
        m_ui->extract([&](Form4* f) {
            child<QPlainTextEdit>(f, QStringLiteral("Text1"))->setPlainText(sql);
            runStatement(f);
            caption = child<QLabel>(f, QStringLiteral("Label3"))->text();
        });
        return caption;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(pg.ok(), "no cluster info: run through ctest (fixture pg_cluster)");
        QVERIFY(m_dir.isValid());
        zemo::test::startWindowTests(m_boxes, m_dir.path());
        for (const char* via : {"QPSQL", "QODBC"})
            zemo::WriteProfile(pg.serviceVia(QLatin1String(via)), pg.user(), pg.password(),
                               QLatin1String(via), zemo::profileFilePath());
    }
    void cleanupTestCase() {
        pg.signalServer("CONT");
        zemo::MessagePresenter::setHandler({});
        zemo::resetSession();
    }
    void init() {
        m_boxes.clear();
        QVERIFY(openMainWindow(m_form, m_ui));
    }
    void cleanup() {
        pg.signalServer("CONT");
        closeMainWindow(m_form, m_ui);
    }

    void backends_data() {
        QTest::addColumn<QString>("via");
        QTest::newRow("QPSQL") << QStringLiteral("QPSQL");
        QTest::newRow("QODBC") << QStringLiteral("QODBC");
    }

    // Stopped in the middle of a fetch: the rows that arrived stay on screen and scroll, the window
    // keeps turning, 中止 on the window ends the run within a second while the server is still stopped,
    // the rows fetched so far stay and the count says the result is partial.
    void serverStoppedMidFetch_data() { backends_data(); }
    void serverStoppedMidFetch() {
        QFETCH(QString, via);
        QVERIFY(!m_ui->connectWith(via));
        const Run run =
            runAndStop(QStringLiteral("select x, pg_sleep(0.001) as s from generate_series(1, 100000) x"),
                       200, [this] { QVERIFY(pg.signalServer("STOP")); });
        QVERIFY(pg.signalServer("CONT"));
        qInfo() << via << "rows kept" << run.rows << "ticks" << run.ticksWhileStuck << "ms"
                << run.msAfterStop;
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join(u'\n')));
        QVERIFY(run.ticksWhileStuck >= 20);
        QVERIFY(run.runningCount);
        QVERIFY2(run.rowsWhileStuck >= 200, qPrintable(QString::number(run.rowsWhileStuck)));
        QVERIFY(run.scrolled);
        QVERIFY2(run.msAfterStop >= 0 && run.msAfterStop < 1000,
                 qPrintable(QString::number(run.msAfterStop)));
        QVERIFY(run.rows >= run.rowsWhileStuck && run.rows < 100000);
        QCOMPARE(run.caption, QStringLiteral(":%1件（中止）").arg(run.rows));
        // Once the server runs again the same connection answers.
        QCOMPARE(runToEnd(QStringLiteral("select 1 as one")), QStringLiteral(":1件"));
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join(u'\n')));
    }

    // Stopped before the statement's first row: the same, with no row to keep.
    void serverStoppedBeforeTheFirstRow_data() { backends_data(); }
    void serverStoppedBeforeTheFirstRow() {
        QFETCH(QString, via);
        QVERIFY(!m_ui->connectWith(via));
        QVERIFY(pg.signalServer("STOP"));
        const Run run = runAndStop(QStringLiteral("select 1 as one"), 0, {});
        QVERIFY(pg.signalServer("CONT"));
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join(u'\n')));
        QVERIFY(run.ticksWhileStuck >= 20);
        QVERIFY(run.runningCount);
        QVERIFY2(run.msAfterStop >= 0 && run.msAfterStop < 1000,
                 qPrintable(QString::number(run.msAfterStop)));
        QCOMPARE(run.caption, QStringLiteral(":0件（中止）"));
        QCOMPARE(runToEnd(QStringLiteral("select 2 as two")), QStringLiteral(":1件"));
    }

    // A first row that takes seconds: 中止 is there at once, and cancels the statement on the server
    // or leaves it (ODBC before the statement has a handle) without holding the window.
    void slowFirstRowStopped_data() { backends_data(); }
    void slowFirstRowStopped() {
        QFETCH(QString, via);
        QVERIFY(!m_ui->connectWith(via));
        QElapsedTimer clock;
        clock.start();
        const Run run = runAndStop(QStringLiteral("select pg_sleep(4), 1 as x"), 0, {});
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join(u'\n')));
        QVERIFY2(run.msAfterStop >= 0 && run.msAfterStop < 1000,
                 qPrintable(QString::number(run.msAfterStop)));
        QVERIFY2(clock.elapsed() < 4000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(run.caption, QStringLiteral(":0件（中止）"));
        QCOMPARE(runToEnd(QStringLiteral("select 3 as three")), QStringLiteral(":1件"));
    }

    // A connection lost between two commands: 抽出 and テーブル選択 both say so, in Japanese, with
    // what to do.
    void lostConnectionSaysSo_data() { backends_data(); }
    void lostConnectionSaysSo() {
        QFETCH(QString, via);
        QVERIFY(!m_ui->connectWith(via));
        QVERIFY(PgCluster::run("halt"));
        runToEnd(QStringLiteral("select 1 as one"));
        bool listed = true;
        whenModal<Form2>(
            [&](Form2* dlg) { listed = child<QListWidget>(dlg, QStringLiteral("List1"))->count() > 0; });
        click(m_form.get(), "Command3");
        QVERIFY(PgCluster::run("resume"));
        QVERIFY(!listed);
        QCOMPARE(m_boxes.size(), 2);
        for (const QString& box : m_boxes) {
            qInfo().noquote() << box;
            QVERIFY2(box.contains(QStringLiteral("エラー番号：1402")), qPrintable(box));
            QVERIFY2(box.contains(QStringLiteral("接続が切れています")), qPrintable(box));
            QVERIFY2(box.contains(QStringLiteral("「切断」")), qPrintable(box));
        }
    }

    // Quitting while connected ends the process normally with exit code 0, also when the server has
    // stopped answering meanwhile.
    void quittingWhileConnected_data() {
        QTest::addColumn<QString>("service");
        QTest::addColumn<bool>("freeze");
        QTest::newRow("QPSQL") << pg.postgresService() << false;
        QTest::newRow("QODBC") << pg.odbcService() << false;
        QTest::newRow("SQLite") << QStringLiteral(ZEMO_DEMO_DB) << false;
        QTest::newRow("QPSQL, server stopped") << pg.postgresService() << true;
        QTest::newRow("QODBC, server stopped") << pg.odbcService() << true;
    }
    void quittingWhileConnected() {
        QFETCH(QString, service);
        QFETCH(bool, freeze);
        QProcess child;
        child.setProcessChannelMode(QProcess::SeparateChannels);
        QStringList args{service, pg.user(), pg.password()};
        if (freeze)
            args << QStringLiteral("freeze");
        child.start(QStringLiteral(ZEMO_EXIT_CHILD), args);
        QVERIFY(child.waitForStarted());
        if (freeze) {
            QVERIFY(child.waitForReadyRead(30000));
            QCOMPARE(child.readLine().trimmed(), QByteArray("connected"));
            QVERIFY(pg.signalServer("STOP"));
            child.write("quit\n");
        }
        const bool ended = child.waitForFinished(30000);
        pg.signalServer("CONT");
        QVERIFY(ended);
        qInfo().noquote() << child.readAllStandardError();
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
    }
};

QTEST_MAIN(TestServerWaits)
#include "test_server_waits.moc"
