// One statement per run against the private PostgreSQL cluster, through Qt's PostgreSQL driver and
// through psqlODBC: texts holding a second statement never reach the server, also when the second
// statement hides in a table name read from the dictionary. The tables live in a database of their
// own so that the other server tests see the schema they expect.
#include "base/ZemoError.h"
#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueReads.h"
#include "db/OracleAccess.h"
#include "db/ParserVerdicts.h"
#include "grid/GridModel.h"
#include "mainwindow/StatementAssembly.h"
#include "support/PgCluster.h"
#include "support/PostgresParser.h"

#include <QtTest>

using namespace zemo;
using namespace zemo::test;

namespace {

const QString kDatabase = QStringLiteral("zemo_hostile");
const QString kHostile = QStringLiteral("T; DROP TABLE VICTIM; --");

int countOf(OracleDatabase& db, const QString& sql) {
    auto rs = db.CreateDynaset(sql, 0);
    return rs->Eof() ? -1 : rs->Fields(0).Value().toInt();
}

int tablesNamed(OracleDatabase& db, const QString& name) {
    return countOf(db, QStringLiteral("select count(*) from pg_tables where tablename = '%1'").arg(name));
}

} // namespace

class TestServerStatements : public QObject {
    Q_OBJECT

    PgCluster pg;
    std::unique_ptr<PostgresParser> m_on, m_off;

    std::shared_ptr<OracleDatabase> open(const QString& via) {
        const QString service =
            via == QLatin1String("QPSQL") ? pg.postgresService(kDatabase) : pg.odbcService(kDatabase);
        return OracleSession().OpenDatabase(service, pg.connect(), 0);
    }
    // The refusal, with the number every adapter uses.
    static void expectRefused(OracleDatabase& db, const QString& sql) {
        try {
            db.CreateDynaset(sql, 0);
            QFAIL(qPrintable(QStringLiteral("ran: ") + sql));
        } catch (const ZemoError& e) {
            QCOMPARE(e.number(), err::MultiStatement);
            QCOMPARE(e.description(), QStringLiteral("一度に実行できるSQL文は一つだけです"));
        }
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(pg.ok(), "no cluster info: run through ctest (fixture pg_cluster)");
        auto admin = OracleSession().OpenDatabase(
            pg.postgresService(), QStringLiteral("postgres/") + pg.value("SUPERUSER_PASSWORD"), 0);
        if (countOf(*admin,
                    QStringLiteral("select count(*) from pg_database where datname = '%1'").arg(kDatabase)) ==
            0)
            admin->CreateDynaset(QStringLiteral("create database %1 owner %2").arg(kDatabase, pg.user()));
        auto db = open(QStringLiteral("QPSQL"));
        db->CreateDynaset(QStringLiteral("create table if not exists t (a integer)"));
        db->CreateDynaset(QStringLiteral("create table if not exists victim (a integer)"));
        db->CreateDynaset(QStringLiteral("create table if not exists \"%1\" (a integer)").arg(kHostile));
    }

    void secondStatementNeverRuns_data() { backends(); }
    void secondStatementNeverRuns() {
        QFETCH(QString, via);
        auto db = open(via);
        QCOMPARE(db->dialect(), SqlDialect::Postgres);
        expectRefused(*db, QStringLiteral("select 1; drop table t"));
        expectRefused(*db, QStringLiteral("select 1 as a; select * from nosuchtable"));
        // Hidden from a reading that does not know the server's quoting rules.
        expectRefused(*db, QStringLiteral("select 'x\\' ' ; drop table t; -- '"));
        expectRefused(*db, QStringLiteral("select 1 /* /* */ ' */ ; drop table t; -- '"));
        QCOMPARE(tablesNamed(*db, QStringLiteral("t")), 1);
        // One statement with its semicolon and comments still runs, quotes the server knows included.
        auto rs = db->CreateDynaset(QStringLiteral("select $x$a;b$x$ as v, E'c\\';d' as w; -- end"), 0);
        QCOMPARE(rs->Fields(QStringLiteral("v")).Value().toString(), QStringLiteral("a;b"));
        QCOMPARE(rs->Fields(QStringLiteral("w")).Value().toString(), QStringLiteral("c';d"));
    }

    // The table dialog's functions read the hostile name from the dictionary and load its columns;
    // the statement built from them is refused and VICTIM stays.
    void hostileTableNameFromTheDictionary_data() { backends(); }
    void hostileTableNameFromTheDictionary() {
        QFETCH(QString, via);
        auto db = open(via);
        QStringList names;
        readTableNames(*db, [&](const QString& name) { names << name; });
        QVERIFY2(names.contains(kHostile), qPrintable(names.join(QLatin1Char('|'))));

        SimpleGridModel grid(2, 2);
        QString fromList;
        QStringList items;
        const TableColumns read = readTableColumns(*db, kHostile);
        QVERIFY(!read.failure);
        writeTableColumns(grid, kHostile, 0, read.columns, [&](const QString& item) { items << item; });
        appendFromEntry(fromList, kHostile, 0);
        QCOMPARE(items, QStringList{QStringLiteral("T1.A")});
        QCOMPARE(fromList, kHostile + QStringLiteral(" T1"));

        expectRefused(*db, assembleSelect(items, fromList, {}));
        expectRefused(*db, assembleSelect({}, fromList, {}));
        QCOMPARE(tablesNamed(*db, QStringLiteral("victim")), 1);
    }

    // The server's own verdict on each text of the shared table, under both settings (the check's
    // agreement with it is tested in test_statement_check).
    void serverVerdicts_data() { addParserCaseRows(); }
    void serverVerdicts() {
        QFETCH(int, row);
        if (!m_on) {
            const QMap<QString, QString> info = readClusterInfo(QStringLiteral(ZEMO_PG_INFO));
            m_on = std::make_unique<PostgresParser>(info, true);
            m_off = std::make_unique<PostgresParser>(info, false);
        }
        const ParserCase& c = kParserCases[row];
        const QByteArray sent = textAsSent(textOf(c)).toUtf8();
        const auto [on, off] = PostgresParser::judge(*m_on, *m_off, sent);
        QCOMPARE(on.whole ? on.runs : kUnread, c.postgresOn);
        QCOMPARE(off.whole ? off.runs : kUnread, c.postgresOff);
    }

    // Behind the check, the server refuses a second command on its own: over libpq (the extended
    // protocol) and over psqlODBC (the statement is prepared and described first) in each fetch mode,
    // also when the user chose psqlODBC's own parse. The text is one statement to psqlODBC's reading
    // and two to the server's; it goes in past the check.
    void serverRefusesASecondStatement_data() {
        QTest::addColumn<QString>("service");
        const QString odbc =
            QStringLiteral("odbc:DRIVER={PostgreSQL Unicode};SERVER=127.0.0.1;PORT=%1;DATABASE=%2")
                .arg(pg.port())
                .arg(kDatabase);
        QTest::newRow("libpq") << pg.postgresService(kDatabase);
        QTest::newRow("psqlODBC, streaming added") << odbc;
        QTest::newRow("psqlODBC, UseDeclareFetch=0") << odbc + QStringLiteral(";UseDeclareFetch=0");
        QTest::newRow("psqlODBC, UseDeclareFetch=1, Parse=1")
            << odbc + QStringLiteral(";UseDeclareFetch=1;Parse=1");
    }
    void serverRefusesASecondStatement() {
        QFETCH(QString, service);
        auto db = OracleSession().OpenDatabase(service, pg.connect(), 0);
        const QString hidden = QStringLiteral("select 1 as a --x\r; drop table t");
        QVERIFY(!holdsOneStatement(hidden, SqlDialect::Postgres)); // CreateDynaset refuses it before
        try {
            db->createResultSet(hidden);
            QFAIL("the server ran it");
        } catch (const ZemoError& e) {
            QVERIFY2(e.description().contains(QLatin1String("multiple commands")),
                     qPrintable(e.description()));
        }
        QCOMPARE(tablesNamed(*db, QStringLiteral("t")), 1);
    }

private:
    void backends() { zemo::test::addBackendRows(); }
};

QTEST_GUILESS_MAIN(TestServerStatements)
#include "test_server_statements.moc"
