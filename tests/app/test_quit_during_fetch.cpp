// The program told to quit (a desktop session ending, a platform quit command) while the result window
// fetches: every event loop ends at once, the fetch is stopped before anything it writes goes, and the
// process ends normally, whatever moment the quit lands on. The program runs in child processes.
#include "support/PgCluster.h"

#include <QProcess>
#include <QtTest>
#include <array>

using namespace zemo::test;

class TestQuitDuringFetch : public QObject {
    Q_OBJECT

    PgCluster pg;

private Q_SLOTS:
    void quitDuringAFetch_data() {
        QTest::addColumn<QString>("service");
        QTest::addColumn<QString>("statement");
        QTest::addColumn<int>("runs");
        QTest::newRow("SQLite") << QStringLiteral(ZEMO_DEMO_DB)
                                << QStringLiteral(
                                       "with recursive c(x) as (select 1 union all select x + 1 from c) "
                                       "select x, 'row ' || x as t from c")
                                << 100;
        QTest::newRow("PostgreSQL") << pg.postgresService()
                                    << QStringLiteral(
                                           "select g, 'row ' || g as t from generate_series(1, 100000000) g")
                                    << 20;
    }
    void quitDuringAFetch() {
        QVERIFY2(pg.ok(), "no cluster info: run through ctest (fixture pg_cluster)");
        QFETCH(QString, service);
        QFETCH(QString, statement);
        QFETCH(int, runs);
        // Two at a time; the quits spread over the start, the first rows and a running fetch.
        for (int i = 0; i < runs; i += 2) {
            std::array<QProcess, 2> children;
            for (int k = 0; k < 2; ++k)
                children[k].start(QStringLiteral(ZEMO_EXIT_CHILD),
                                  {service, pg.user(), pg.password(), QStringLiteral("quit-during-fetch"),
                                   QString::number(20 + ((i + k) * 37) % 300), statement});
            for (int k = 0; k < 2; ++k) {
                QProcess& child = children[k];
                const QString where = QStringLiteral("run %1: ").arg(i + k);
                QVERIFY2(child.waitForFinished(30000), qPrintable(where + QStringLiteral("hangs")));
                const QString said = QString::fromLocal8Bit(child.readAllStandardError());
                QVERIFY2(child.exitStatus() == QProcess::NormalExit, qPrintable(where + said));
                QVERIFY2(child.exitCode() == 0, qPrintable(where + said));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestQuitDuringFetch)
#include "test_quit_during_fetch.moc"
