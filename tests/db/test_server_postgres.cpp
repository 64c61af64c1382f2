// The server backends against a live PostgreSQL 15 on 127.0.0.1, through Qt's PostgreSQL driver and
// through psqlODBC: the dictionary queries of the table dialog, exact values and every fault the user
// can meet. The cluster is started and removed by CTest (tests/support/pg_cluster.sh).
#include "base/ZemoError.h"
#include "db/OdbcBackend.h"
#include "db/OracleAccess.h"
#include "profiles/ProfileStore.h"
#include "support/PgCluster.h"
#include "support/ServerCells.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

using namespace zemo;
using zemo::test::cellText;
using zemo::test::guarded;
using zemo::test::PgCluster;

namespace {

QStringList column(OracleResultSet& rs, const QString& name) {
    QStringList out;
    for (; !rs.Eof(); rs.MoveNext())
        out << rs.Fields(name).Value().toString();
    return out;
}

} // namespace

class TestServerPostgres : public QObject {
    Q_OBJECT

    PgCluster pg;

    QString service(const QString& via, const QString& database = QStringLiteral("zemo_demo"),
                    int port = 0) const {
        return via == QLatin1String("QPSQL") ? pg.postgresService(database, port)
                                             : pg.odbcService(database, port);
    }
    std::shared_ptr<OracleDatabase> open(const QString& via) {
        return OracleSession().OpenDatabase(service(via), pg.connect(), 0);
    }
    static ZemoError failure(const std::function<void()>& f) {
        try {
            f();
        } catch (const ZemoError& e) {
            return e;
        }
        return ZemoError(0, QStringLiteral("no error"));
    }
    void backends() { zemo::test::addBackendRows(); }

private Q_SLOTS:
    void initTestCase() { QVERIFY2(pg.ok(), "no cluster info: run through ctest (fixture pg_cluster)"); }

    void dictionaryQueriesRunUnchanged_data() { backends(); }
    void dictionaryQueriesRunUnchanged() {
        guarded([&] {
            QFETCH(QString, via);
            auto db = open(via);
            QCOMPARE(db->backendName(),
                     via == QLatin1String("QPSQL") ? QStringLiteral("postgresql") : QStringLiteral("odbc"));
            auto tables = db->CreateDynaset(
                QStringLiteral("select OBJECT_NAME from USER_OBJECTS where OBJECT_TYPE IN ('TABLE','VIEW')"),
                0);
            const QStringList names = column(*tables, QStringLiteral("OBJECT_NAME"));
            QCOMPARE(names, QStringList({"CUSTOMERS", "DEPARTMENTS", "EMPLOYEES", "ORDERS", "ORDER_LINES",
                                         "ORDER_RETURNS", "ORDER_SUMMARY", "PRODUCTS", "VALUE_SAMPLES",
                                         "部署別売上"}));

            auto cols = db->CreateDynaset(
                QStringLiteral("select column_name,DATA_TYPE||'['||DATA_LENGTH||']' TypeLen from "
                               "user_tab_columns where table_name = 'VALUE_SAMPLES'"),
                0);
            QStringList got;
            for (; !cols->Eof(); cols->MoveNext())
                got << cols->Fields(QStringLiteral("column_name")).Value().toString() + QLatin1Char(' ') +
                           cols->Fields(QStringLiteral("TypeLen")).Value().toString();
            QCOMPARE(got, QStringList({"ID INTEGER[4]", "BIG_NUM NUMERIC[38]", "FRAC NUMERIC[20]",
                                       "STAMP TIMESTAMP WITHOUT TIME ZONE[8]", "DAY DATE[4]",
                                       "LABEL CHARACTER VARYING[40]", "NOTE TEXT[0]"}));

            // The names as listed resolve unquoted in the statement the main window assembles.
            auto rows = db->CreateDynaset(
                QStringLiteral("select T1.DEPT_NAME FROM DEPARTMENTS T1 WHERE T1.DEPT_ID = 10"));
            QCOMPARE(column(*rows, QStringLiteral("DEPT_NAME")), QStringList({"営業部"}));
            auto jp = db->CreateDynaset(QStringLiteral("select T1.部署名,T1.受注件数 FROM 部署別売上 T1"));
            QCOMPARE(jp->FieldName(0), QStringLiteral("部署名"));
            QCOMPARE(column(*jp, QStringLiteral("部署名")).size(), 6);
        });
    }

    void mixedCaseTablesAreListedAsStored() {
        guarded([&] {
            // A quoted upper-case name does not fold; it is listed as stored so its column query finds it.
            auto db = open(QStringLiteral("QPSQL"));
            auto q =
                db->CreateDynaset(QStringLiteral("create temp table \"MixedCase\" (\"Id\" int, plain int)"));
            Q_UNUSED(q);
            auto cols = db->CreateDynaset(
                QStringLiteral("select column_name from user_tab_columns where table_name = 'MixedCase'"));
            QCOMPARE(column(*cols, QStringLiteral("column_name")), QStringList());
            auto real =
                db->CreateDynaset(QStringLiteral("create table \"MixedCase\" (\"Id\" int, plain int)"));
            real.reset();
            cols = db->CreateDynaset(
                QStringLiteral("select column_name from user_tab_columns where table_name = 'MixedCase'"));
            QCOMPARE(column(*cols, QStringLiteral("column_name")), QStringList({"Id", "PLAIN"}));
            db->CreateDynaset(QStringLiteral("drop table \"MixedCase\""));
        });
    }

    void valuesComeBackExact_data() { backends(); }
    void valuesComeBackExact() {
        guarded([&] {
            QFETCH(QString, via);
            auto db = open(via);
            auto rs = db->CreateDynaset(QStringLiteral(
                "select ID, BIG_NUM, FRAC, STAMP, DAY, LABEL, NOTE from VALUE_SAMPLES order by ID"));
            QStringList rows;
            for (; !rs->Eof(); rs->MoveNext()) {
                QStringList cells;
                for (int c = 0; c < rs->Fields().Count(); ++c)
                    cells << cellText(*rs, c);
                rows << cells.join(u'|');
                if (rs->Fields(0).Value().toInt() == 1) {
                    QCOMPARE(rs->kind(0), ValueKind::Integer);
                    QCOMPARE(rs->kind(1), ValueKind::Decimal);
                    QCOMPARE(rs->Fields(1).Value().toString(),
                             QStringLiteral("12345678901234567890123456789012345678"));
                    QCOMPARE(rs->kind(3), ValueKind::DateTime);
                    QCOMPARE(rs->kind(5), ValueKind::Text);
                    // '' is a value, not NULL.
                    QVERIFY(!rs->Fields(6).Value().isNull());
                    QCOMPARE(rs->kind(6), ValueKind::Text);
                }
                if (rs->Fields(0).Value().toInt() == 3) {
                    QVERIFY(rs->Fields(1).Value().isNull());
                    QCOMPARE(rs->kind(1), ValueKind::Null);
                }
            }
            QCOMPARE(
                rows,
                QStringList({
                    "1|12345678901234567890123456789012345678|0.000001|2024-02-29 23:59:59.123|2024-02-29|"
                    "日本語のラベル|",
                    "2|-99999999999999999999999999999999999999|-12345678901234.500000|1999-12-31 00:00:00|"
                    "1999-12-31||<NULL>",
                    "3|<NULL>|<NULL>|<NULL>|<NULL>|<NULL>|カンマ, \"引用符\" と改行\nの入った値",
                    "4|0|100.000000|2000-01-01 12:00:00.5|2000-01-01|ＡＢＣ|㈱髙﨑",
                }));
            // The same text as psql prints for it.
            QStringList fromPsql;
            for (const QStringList& r : pg.psqlRows(QStringLiteral(
                     "select ID, BIG_NUM, FRAC, STAMP, DAY, LABEL, NOTE from VALUE_SAMPLES order by ID")))
                fromPsql << r.join(u'|');
            QCOMPARE(rows, fromPsql);
            // Past Qt's milliseconds: microseconds and the fraction of a time of day; over Qt's own
            // driver also offsets and infinity, as psql prints them.
            QString fine =
                QStringLiteral("select '2024-01-01 12:00:00.123456'::timestamp, '13:14:15.000001'::time, "
                               "null::timestamp, 7");
            if (via == QLatin1String("QPSQL"))
                fine += QStringLiteral(", '2024-01-01 12:00:00.5+00'::timestamptz, 'infinity'::timestamp");
            auto exact = db->CreateDynaset(fine);
            QStringList cells;
            for (int c = 0; c < exact->Fields().Count(); ++c)
                cells << cellText(*exact, c);
            QCOMPARE(exact->kind(0), ValueKind::DateTime);
            QCOMPARE(cells, pg.psqlRows(fine).value(0));
            // Binary values as hex digits rather than raw bytes in the grid.
            auto bin = db->CreateDynaset(QStringLiteral("select '\\x0a1bff'::bytea as b"));
            QCOMPARE(bin->kind(0), ValueKind::Blob);
            QCOMPARE(cellText(*bin, 0), QStringLiteral("0A1BFF"));
        });
    }

    void passwordWithSeparatorsRoundTripsFromTheProfileFile_data() {
        backends();
        QTest::newRow("QODBC-DSN") << QStringLiteral("DSN");
    }
    void passwordWithSeparatorsRoundTripsFromTheProfileFile() {
        guarded([&] {
            QFETCH(QString, via);
            const QString password = pg.value("ODD_PASSWORD");
            QCOMPARE(password, QStringLiteral("p; }{=\\ ,q  r"));
            const QString svc = via == QLatin1String("DSN") ? QStringLiteral("odbc:zemo_pg") : service(via);
            QTemporaryDir dir;
            const QString ini = dir.filePath(QStringLiteral("KESTO.ini"));
            WriteProfile(svc, pg.value("ODD_USER"), password, QStringLiteral("odd"), ini);
            const Profile p = ReadProfile(QStringLiteral("odd"), ini);
            QCOMPARE(p.password, password);
            auto db = OracleSession().OpenDatabase(p.service, p.user + QLatin1Char('/') + p.password, 0);
            auto who = db->CreateDynaset(QStringLiteral("select current_user as who"));
            QCOMPARE(who->Fields(QStringLiteral("who")).Value().toString(), QStringLiteral("zemo_odd"));
            // One character less must not get in: the password really was checked.
            const ZemoError e = failure([&] {
                OracleSession().OpenDatabase(p.service, p.user + QLatin1Char('/') + password.chopped(1), 0);
            });
            QVERIFY2(e.description().contains(QStringLiteral("password authentication failed")),
                     qPrintable(e.description()));
        });
    }

    void connectFaultsCarryTheServersMessage_data() {
        QTest::addColumn<QString>("via");
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("expected");
        for (const char* via : {"QPSQL", "QODBC"}) {
            const QString v = QLatin1String(via);
            QTest::addRow("%s wrong password", via) << v << "password"
                                                    << "password authentication failed";
            QTest::addRow("%s unknown port", via) << v << "port"
                                                  << "127.0.0.1";
            QTest::addRow("%s unknown host", via) << v << "host"
                                                  << "127.0.0.2";
            QTest::addRow("%s unknown database", via) << v << "database"
                                                      << "database \"no_such_db\" does not exist";
        }
    }
    void connectFaultsCarryTheServersMessage() {
        guarded([&] {
            QFETCH(QString, via);
            QFETCH(QString, what);
            QFETCH(QString, expected);
            QString svc = service(via);
            QString connect = pg.connect();
            if (what == QLatin1String("password"))
                connect += QLatin1Char('x');
            else if (what == QLatin1String("port"))
                svc = service(via, QStringLiteral("zemo_demo"), 1); // nothing listens on port 1
            else if (what == QLatin1String("host"))
                svc = via == QLatin1String("QPSQL")
                          ? QStringLiteral("postgresql://127.0.0.2:%1/zemo_demo").arg(pg.port())
                          : pg.odbcService(QStringLiteral("zemo_demo"), 0, QStringLiteral("127.0.0.2"));
            else
                svc = service(via, QStringLiteral("no_such_db"));
            QElapsedTimer t;
            t.start();
            const ZemoError e = failure([&] { OracleSession().OpenDatabase(svc, connect, 0); });
            qInfo().noquote() << "error box:" << e.number() << e.description();
            QVERIFY2(e.number() != 0, qPrintable(e.description()));
            QVERIFY2(e.description().contains(expected), qPrintable(e.description()));
            QVERIFY(t.elapsed() < 15000);
            // Qt's PostgreSQL driver hands no SQLSTATE over for a refused connection: 1401 and the
            // server's text alone, as the README says.
            if (via == QLatin1String("QPSQL")) {
                QCOMPARE(e.number(), int(err::ServerError));
                QVERIFY2(!e.description().contains(QStringLiteral("28P01")), qPrintable(e.description()));
            }
        });
    }

    void rejectedStatement_data() { backends(); }
    void rejectedStatement() {
        guarded([&] {
            QFETCH(QString, via);
            auto db = open(via);
            const ZemoError e =
                failure([&] { db->CreateDynaset(QStringLiteral("select * from NO_SUCH_TABLE")); });
            qInfo().noquote() << "error box:" << e.number() << e.description();
            QVERIFY2(e.description().contains(QStringLiteral("no_such_table")), qPrintable(e.description()));
            QVERIFY(e.number() != 0);
            // An SQLSTATE with letters: the number is 1401 and the SQLSTATE ends the message.
            if (via == QLatin1String("QPSQL")) {
                QCOMPARE(e.number(), int(err::ServerError));
                QVERIFY2(e.description().endsWith(QStringLiteral("(42P01)")), qPrintable(e.description()));
            }
            // A syntax error has a numeric SQLSTATE, which becomes the number over Qt's driver.
            const ZemoError syntax = failure([&] { db->CreateDynaset(QStringLiteral("select from where")); });
            if (via == QLatin1String("QPSQL"))
                QCOMPARE(syntax.number(), 42601);
            QVERIFY(syntax.number() != 0);
            // The connection goes on working.
            QCOMPARE(db->CreateDynaset(QStringLiteral("select 7 as n"))->Fields(0).Value().toInt(), 7);
        });
    }

    void statementFailingAfterSomeRows_data() { backends(); }
    void statementFailingAfterSomeRows() {
        guarded([&] {
            QFETCH(QString, via);
            // psqlODBC fetches 2 rows a server round trip and we ask for 3 a call: the call that meets
            // the failing row 6 (rows 4 to 6) fails whole, the rows of the call before it stay.
            const bool odbc = via == QLatin1String("QODBC");
            auto db = OracleSession().OpenDatabase(
                odbc ? pg.odbcService(QStringLiteral("zemo_demo"), 0, QStringLiteral("127.0.0.1"), 2)
                     : pg.postgresService(),
                pg.connect(), 0);
            if (odbc)
                std::dynamic_pointer_cast<OdbcDatabase>(db)->tuning().maxRows = 3;
            auto rs =
                db->CreateDynaset(QStringLiteral("select 1/(x-6) as v from generate_series(1,100000) x"));
            int rows = 0;
            const ZemoError e = failure([&] {
                for (; !rs->Eof(); rs->MoveNext())
                    ++rows;
            });
            QCOMPARE(rows, odbc ? 3 : 5);
            QVERIFY2(e.description().contains(QStringLiteral("division by zero")),
                     qPrintable(e.description()));
            QVERIFY2(e.description().contains(QStringLiteral("(22012)")), qPrintable(e.description()));
            if (!odbc)
                QCOMPARE(e.number(), 22012);
            QVERIFY(rs->Eof());
            rs.reset();
            QCOMPARE(db->CreateDynaset(QStringLiteral("select 8 as n"))->Fields(0).Value().toInt(), 8);
        });
    }

    void movingThroughTheRows_data() { backends(); }
    void movingThroughTheRows() {
        guarded([&] {
            QFETCH(QString, via);
            auto db = open(via);
            auto rs = db->CreateDynaset(QStringLiteral("select x from generate_series(1,5) x"));
            rs->MoveNext();
            QCOMPARE(column(*rs, QStringLiteral("x")), QStringList({"2", "3", "4", "5"}));
            auto none = db->CreateDynaset(QStringLiteral("select 1 as x where false"));
            QVERIFY(none->Eof());
        });
    }

    void serverStoppedBetweenTwoQueries_data() { backends(); }
    void serverStoppedBetweenTwoQueries() {
        guarded([&] {
            QFETCH(QString, via);
            auto db = open(via);
            QCOMPARE(db->CreateDynaset(QStringLiteral("select 1 as n"))->Fields(0).Value().toInt(), 1);
            QVERIFY(PgCluster::run("halt"));
            const ZemoError e = failure([&] { db->CreateDynaset(QStringLiteral("select 2 as n")); });
            QVERIFY(PgCluster::run("resume"));
            qInfo().noquote() << "error box:" << e.number() << e.description();
            QVERIFY2(e.number() != 0 && !e.description().isEmpty(), qPrintable(e.description()));
            QVERIFY2(e.description() != QLatin1String("no error"), "the query ran on a stopped server");
            // A new connection works without restarting anything.
            db.reset();
            auto again = open(via);
            QCOMPARE(again->CreateDynaset(QStringLiteral("select 3 as n"))->Fields(0).Value().toInt(), 3);
        });
    }

    void serverStoppedDuringALongFetch_data() { backends(); }
    void serverStoppedDuringALongFetch() {
        guarded([&] {
            QFETCH(QString, via);
            auto db = open(via);
            auto rs = db->CreateDynaset(
                QStringLiteral("select x, repeat('x', 200) as pad from generate_series(1, 3000000) x"));
            int rows = 0;
            for (; rows < 1000 && !rs->Eof(); rs->MoveNext())
                ++rows;
            QCOMPARE(rows, 1000);
            QVERIFY(PgCluster::run("halt"));
            const ZemoError e = failure([&] {
                for (; !rs->Eof(); rs->MoveNext())
                    ++rows;
            });
            QVERIFY(PgCluster::run("resume"));
            qInfo().noquote() << "error box after" << rows << "rows:" << e.number() << e.description();
            QVERIFY2(e.description() != QLatin1String("no error"),
                     "the fetch ended as if the data were complete");
            QVERIFY2(e.number() != 0, qPrintable(e.description()));
            QVERIFY(rows >= 1000 && rows < 3000000);
            rs.reset();
            db.reset();
            QCOMPARE(open(via)->CreateDynaset(QStringLiteral("select 4 as n"))->Fields(0).Value().toInt(), 4);
        });
    }
};

QTEST_GUILESS_MAIN(TestServerPostgres)
#include "test_server_postgres.moc"
