// A table name and condition values built to smuggle a second statement, tried through the windows on
// the private cluster over libpq and psqlODBC (UseDeclareFetch=0 and =1): the program refuses them, and
// the server's log (log_statement = all for this database) holds none of them but what the windows ran.
#include "ui/DbWait.h"
#include "profiles/ProfileStore.h"
#include "support/Files.h"
#include "support/MainWindowDriver.h"
#include "support/PgCluster.h"
#include "support/WindowTests.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace zemo::test;

class TestServerSmuggle : public QObject {
    Q_OBJECT

    const QString kDatabase = QStringLiteral("zemo_smuggle"),
                  kHostile = QStringLiteral("T; DROP TABLE VICTIM; --");
    PgCluster pg;
    QTemporaryDir m_dir;
    QStringList m_boxes;
    std::unique_ptr<Form1> m_form;
    std::unique_ptr<MainWindowDriver> m_ui;

    // 抽出 with what the main window holds; whether the program refused it with its own message.
    bool refused() {
        m_boxes.clear();
        m_ui->extract([](Form4*) {});
        return m_boxes.size() == 1 &&
               m_boxes.first().contains(QStringLiteral("一度に実行できるSQL文は一つだけです"));
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(pg.ok(), "no cluster info: run through ctest (fixture pg_cluster)");
        startWindowTests(m_boxes, m_dir.path());
        zemo::DbWait::setProgressDelay(0);
        guarded([&] {
            auto admin = zemo::OracleSession().OpenDatabase(
                pg.postgresService(), QStringLiteral("postgres/") + pg.value("SUPERUSER_PASSWORD"), 0);
            if (admin
                    ->CreateDynaset(
                        QStringLiteral("select 1 from pg_database where datname = '%1'").arg(kDatabase))
                    ->Eof()) {
                admin->CreateDynaset(QStringLiteral("create database %1 owner %2").arg(kDatabase, pg.user()));
                admin->CreateDynaset(
                    QStringLiteral("alter database %1 set log_statement = 'all'").arg(kDatabase));
            }
            auto db = zemo::OracleSession().OpenDatabase(pg.postgresService(kDatabase), pg.connect(), 0);
            for (const QString& t : {QStringLiteral("victim (a integer)"), QStringLiteral("items (b text)"),
                                     QStringLiteral("\"%1\" (a integer)").arg(kHostile)})
                db->CreateDynaset(QStringLiteral("create table if not exists ") + t);
        });
        const QString odbc =
            QStringLiteral("odbc:DRIVER={PostgreSQL Unicode};SERVER=127.0.0.1;PORT=%1;DATABASE=%2;")
                .arg(pg.port())
                .arg(kDatabase);
        zemo::WriteProfile(pg.postgresService(kDatabase), pg.user(), pg.password(), QStringLiteral("libpq"),
                           zemo::profileFilePath());
        for (const char* fetch : {"UseDeclareFetch=0", "UseDeclareFetch=1"})
            zemo::WriteProfile(odbc + QLatin1String(fetch), pg.user(), pg.password(), QLatin1String(fetch),
                               zemo::profileFilePath());
    }
    void init() { QVERIFY(openMainWindow(m_form, m_ui)); }
    void cleanup() { closeMainWindow(m_form, m_ui); }

    void onlyTheFirstStatementReachesTheServer_data() {
        QTest::addColumn<QString>("profile");
        for (const char* p : {"libpq", "UseDeclareFetch=0", "UseDeclareFetch=1"})
            QTest::newRow(p) << QString::fromLatin1(p);
    }
    void onlyTheFirstStatementReachesTheServer() {
        QFETCH(QString, profile);
        const QString logFile = pg.value("DIR") + QStringLiteral("/server.log");
        const qsizetype logStart = readFile(logFile).size();
        QVERIFY(!m_ui->connectWith(profile));
        m_ui->markTables({kHostile});
        m_ui->pickDisplayItems({QStringLiteral("T1.A")});
        QVERIFY(refused());
        QStringList smuggled{kHostile + QStringLiteral(" T1")};

        // Values adding a statement hidden from a reading without nested comments or with backslash
        // escapes in bit strings; then one that runs.
        m_ui->markTables({kHostile, QStringLiteral("ITEMS")});
        for (const QString& value :
             {QStringLiteral("'x' /* /* */ ' */ ; DROP TABLE VICTIM; -- '"),
              QStringLiteral("B'1\\'; DROP TABLE VICTIM; --'"), QStringLiteral("'sent'")}) {
            m_ui->addCondition(QStringLiteral("Where"), QStringLiteral("T1.B"), QStringLiteral("="), value);
            if (value == QLatin1String("'sent'"))
                break;
            QVERIFY2(refused(), qPrintable(gSqlText + m_boxes.join(u'\n')));
            smuggled << value;
            m_ui->list(1)->setCurrentRow(0);
            click(m_form.get(), "Command6");
        }
        QVERIFY(!refused());
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join(u'\n')));

        const QString log = QString::fromUtf8(readFile(logFile).mid(logStart));
        QVERIFY2(log.contains(QStringLiteral("T1.B = 'sent'")), "the log holds nothing the windows ran");
        for (const QString& text : smuggled)
            QVERIFY2(!log.contains(text), qPrintable(text + QStringLiteral(" reached the server:\n") + log));
        auto db = zemo::OracleSession().OpenDatabase(pg.postgresService(kDatabase), pg.connect(), 0);
        QVERIFY(
            !db->CreateDynaset(QStringLiteral("select 1 from pg_tables where tablename = 'victim'"))->Eof());
    }
};

QTEST_MAIN(TestServerSmuggle)
#include "test_server_smuggle.moc"
