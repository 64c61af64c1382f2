#include "base/ZemoError.h"
#include "db/OracleAccess.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace zemo;

class TestSqliteBackend : public QObject {
    Q_OBJECT

    std::shared_ptr<OracleDatabase> openDemo() {
        OracleSession session;
        return session.OpenDatabase(QStringLiteral(ZEMO_DEMO_DB), QStringLiteral("demo/demo"), 0);
    }

private Q_SLOTS:
    void dictionaryQueriesRunOnTheDemo() {
        auto db = openDemo();
        auto rs = db->CreateDynaset(
            QStringLiteral("select OBJECT_NAME from USER_OBJECTS where OBJECT_TYPE IN ('TABLE','VIEW')"), 0);
        QStringList names;
        while (!rs->Eof()) {
            names << rs->Fields(QStringLiteral("OBJECT_NAME")).Value().toString();
            rs->MoveNext();
        }
        for (const char* t :
             {"DEPARTMENTS", "EMPLOYEES", "CUSTOMERS", "PRODUCTS", "ORDERS", "ORDER_LINES", "ORDER_SUMMARY"})
            QVERIFY2(names.contains(QString::fromLatin1(t)), t);
        QVERIFY(names.contains(QStringLiteral("部署別売上")));

        auto cols = db->CreateDynaset(
            QStringLiteral(
                "select column_name,DATA_TYPE||'['||DATA_LENGTH||']' TypeLen from user_tab_columns "
                "where table_name = 'DEPARTMENTS'"),
            0);
        QStringList got;
        while (!cols->Eof()) {
            got << cols->Fields(QStringLiteral("column_name")).Value().toString() + QLatin1Char(' ') +
                       cols->Fields(QStringLiteral("TypeLen")).Value().toString();
            cols->MoveNext();
        }
        QCOMPARE(got, QStringList({"DEPT_ID NUMBER[4]", "DEPT_NAME VARCHAR2[40]", "LOCATION VARCHAR2[40]"}));
    }

    void valuesComeBackExact() {
        auto db = openDemo();
        auto rs = db->CreateDynaset(QStringLiteral("select 9223372036854775807, NULL, 99.99, '日本語', ''"));
        QCOMPARE(rs->Fields().Count(), 5);
        QCOMPARE(rs->Fields(0).Value().toString(), QStringLiteral("9223372036854775807"));
        QVERIFY(rs->Fields(1).Value().isNull());
        QCOMPARE(rs->Fields(2).Value().toString(), QStringLiteral("99.99"));
        QCOMPARE(rs->Fields(3).Value().toString(), QStringLiteral("日本語"));
        QVERIFY(!rs->Fields(4).Value().isNull());
        std::string_view v;
        QVERIFY(rs->textUtf8(0, v));
        QCOMPARE(QByteArray(v.data(), qsizetype(v.size())), QByteArray("9223372036854775807"));
        QVERIFY(!rs->textUtf8(1, v));
        QCOMPARE(rs->FieldName(3), QStringLiteral("'日本語'"));
    }

    // Semicolons and comments around one statement are allowed.
    void oneStatementWithComments_data() {
        QTest::addColumn<QString>("sql");
        QTest::newRow("plain") << "select * from DEPARTMENTS";
        QTest::newRow("semicolon") << "select * from DEPARTMENTS ;";
        QTest::newRow("line comment") << "select * from DEPARTMENTS -- every one";
        QTest::newRow("comment after semicolon") << "select * from DEPARTMENTS; -- every one\r\n";
        QTest::newRow("block comments") << "/* all */ select * from DEPARTMENTS /* done */";
    }
    void oneStatementWithComments() {
        QFETCH(QString, sql);
        auto rs = openDemo()->CreateDynaset(sql);
        int rows = 0;
        for (; !rs->Eof(); rs->MoveNext())
            ++rows;
        QCOMPARE(rows, 6);
    }

    void badInputBecomesAnError_data() {
        QTest::addColumn<QString>("what");
        QTest::newRow("missing file") << "missing";
        QTest::newRow("not a database") << "garbage";
        QTest::newRow("rejected statement") << "rejected";
        QTest::newRow("empty statement") << "empty";
        QTest::newRow("two statements") << "two";
        QTest::newRow("junk after the statement") << "junk";
        QTest::newRow("oracle without driver") << "oracle";
    }
    void badInputBecomesAnError() {
        QFETCH(QString, what);
        QTemporaryDir dir;
        OracleSession session;
        try {
            if (what == "missing") {
                session.OpenDatabase(dir.filePath("none.db"), "u/p");
            } else if (what == "garbage") {
                QFile f(dir.filePath("junk.db"));
                QVERIFY(f.open(QIODevice::WriteOnly));
                f.write(QByteArray(4096, '\x5a'));
                f.close();
                session.OpenDatabase(f.fileName(), "u/p");
            } else if (what == "rejected") {
                openDemo()->CreateDynaset("select * from NO_SUCH_TABLE");
            } else if (what == "empty") {
                openDemo()->CreateDynaset("   ");
            } else if (what == "two") {
                openDemo()->CreateDynaset("select 1; -- and\n select 2");
            } else if (what == "junk") {
                openDemo()->CreateDynaset("select 1; drop");
            } else {
                session.OpenDatabase("ORCLPDB1", "scott/tiger");
            }
            QFAIL("no error raised");
        } catch (const ZemoError& e) {
            QVERIFY(e.number() != 0);
            QVERIFY(!e.description().isEmpty());
            if (what == "missing")
                QVERIFY(!QFile::exists(dir.filePath("none.db")));
        }
    }

    void failureAfterSomeRowsIsAnErrorNotTheEnd() {
        auto db = openDemo();
        auto rs = db->CreateDynaset(
            QStringLiteral("with recursive t(x) as (select 1 union all select x + 1 from t where x < 10) "
                           "select x, case when x = 6 then abs(-9223372036854775808) end from t"));
        int rows = 0;
        bool failed = false;
        try {
            while (!rs->Eof()) {
                ++rows;
                rs->MoveNext();
            }
        } catch (const ZemoError& e) {
            failed = true;
            QVERIFY(e.description().contains(QStringLiteral("overflow")));
        }
        QVERIFY(failed);
        QCOMPARE(rows, 5);
    }

    void serviceNamesPickTheBackend() {
        QCOMPARE(classifyService("sqlite:/x/y"), ServiceKind::Sqlite);
        QCOMPARE(classifyService("demo.db"), ServiceKind::Sqlite);
        QCOMPARE(classifyService("C:/data/a.SQLITE3"), ServiceKind::Sqlite);
        QCOMPARE(classifyService("odbc:MyDsn"), ServiceKind::Odbc);
        QCOMPARE(classifyService("postgresql://127.0.0.1:5432/demo"), ServiceKind::Postgres);
        QCOMPARE(classifyService("dbhost:1521/ORCLPDB1"), ServiceKind::Oracle);
        QString u, p;
        splitConnect("scott/ti/ger", u, p);
        QCOMPARE(u, QStringLiteral("scott"));
        QCOMPARE(p, QStringLiteral("ti/ger"));
    }
};

QTEST_GUILESS_MAIN(TestSqliteBackend)
#include "test_sqlite_backend.moc"
