// The Oracle path without an Oracle server: which driver is found, the connection string built for
// it, and what the user is told when a driver is missing or cannot be loaded. The ODBC driver list
// comes from a test odbcinst.ini through ODBCSYSINI (set by CMake for each run of this program).
#include "base/ZemoError.h"
#include "db/OdbcDrivers.h"
#include "db/OracleAccess.h"

#include <QSqlDatabase>
#include <QtTest>

using namespace zemo;

class TestServerOracle : public QObject {
    Q_OBJECT

    static ZemoError openFails(const QString& service, const QString& connect) {
        try {
            OracleSession().OpenDatabase(service, connect, 0);
        } catch (const ZemoError& e) {
            return e;
        }
        return ZemoError(0, QStringLiteral("opened"));
    }

private Q_SLOTS:
    void connectionStringsKeepEveryValueWhole() {
        // Braces round the password and any value that could end early, "}" doubled: nothing in a
        // value can end it or add a key.
        QCOMPARE(odbcBraced(QStringLiteral("a;b}c{=d")), QStringLiteral("{a;b}}c{=d}"));
        QCOMPARE(odbcValue(QStringLiteral("(DESCRIPTION=(ADDRESS=(HOST=h)))")),
                 QStringLiteral("{(DESCRIPTION=(ADDRESS=(HOST=h)))}"));
        QCOMPARE(odbcValue(QStringLiteral("scott")), QStringLiteral("scott"));
        QCOMPARE(oracleOdbcConnectString(QStringLiteral("Oracle 21 ODBC driver"),
                                         QStringLiteral("db:1521/ORCL"), QStringLiteral("scott"),
                                         QStringLiteral("p; }{=\\ ,q  r")),
                 QStringLiteral("DRIVER={Oracle 21 ODBC driver};DBQ=db:1521/ORCL;UID=scott;"
                                "PWD={p; }}{=\\ ,q  r};FWC=T"));
        QCOMPARE(
            odbcServiceConnectString(QStringLiteral("odbc:sales"), QStringLiteral("u"), QStringLiteral("x}")),
            QStringLiteral("DSN=sales;UID=u;PWD={x}}}"));
        QCOMPARE(odbcServiceConnectString(QStringLiteral("odbc:sales"), QStringLiteral(" a;b"),
                                          QStringLiteral("")),
                 QStringLiteral("DSN=sales;UID={ a;b};PWD={}"));
        QCOMPARE(odbcServiceConnectString(QStringLiteral(" odbc:DRIVER={PostgreSQL Unicode};SERVER=h "),
                                          QStringLiteral("u"), QStringLiteral("p")),
                 QStringLiteral("DRIVER={PostgreSQL Unicode};SERVER=h;UID=u;PWD={p}"));
        QCOMPARE(odbcServiceConnectString(QStringLiteral("odbc:DSN=sales;Fetch=10;"), QStringLiteral("u"),
                                          QStringLiteral("p")),
                 QStringLiteral("DSN=sales;Fetch=10;UID=u;PWD={p}"));
    }

    void connectionStringsAreReadAsTheDriverManagerReadsThem() {
        using Pairs = QList<QPair<QString, QString>>;
        QCOMPARE(
            odbcAttributes(
                QStringLiteral("DRIVER={PostgreSQL Unicode}; PORT = 5432 ;PWD={a;b}}c=};x;Fetch=")),
            Pairs({{"DRIVER", "PostgreSQL Unicode"}, {"PORT", "5432"}, {"PWD", "a;b}c="}, {"Fetch", ""}}));
        // A key written inside a braced value is part of the value, not a setting.
        const QString hidden = QStringLiteral("DRIVER={x};PWD={;UseDeclareFetch=1;}");
        QVERIFY(odbcAttribute(hidden, {"UseDeclareFetch", "B6"}).isNull());
        QCOMPARE(odbcAttribute(hidden + QStringLiteral(";b6=0"), {"UseDeclareFetch", "B6"}),
                 QStringLiteral("0"));
        // Set but empty differs from not set; the last one written wins.
        QCOMPARE(odbcAttribute(QStringLiteral("DSN=a;Fetch=;"), {"Fetch"}), QStringLiteral(""));
        QVERIFY(!odbcAttribute(QStringLiteral("DSN=a;Fetch=;"), {"Fetch"}).isNull());
        QCOMPARE(odbcAttribute(QStringLiteral("dsn=a;DSN={b}"), {"DSN"}), QStringLiteral("b"));
    }

    void oracleDriverIsPickedByName() {
        QCOMPARE(pickOracleDriver({QStringLiteral("PostgreSQL Unicode"),
                                   QStringLiteral("Microsoft ODBC for Oracle"),
                                   QStringLiteral("Oracle in instantclient_21_9")}),
                 QStringLiteral("Oracle in instantclient_21_9"));
        QCOMPARE(pickOracleDriver({QStringLiteral("Microsoft ODBC for Oracle")}),
                 QStringLiteral("Microsoft ODBC for Oracle"));
        QCOMPARE(pickOracleDriver({QStringLiteral("PostgreSQL Unicode"), QStringLiteral("SQLite3")}),
                 QString());
    }

    // The driver manager reads its list once per process, so CTest runs this program once per list.
    void listedOracleDriverIsTriedAndItsFailureShown() {
        if (qgetenv("ZEMO_ODBC_LIST") != "oracle-listed")
            QSKIP("needs the driver list naming \"Oracle 21 ODBC driver\" with a missing library");
        if (QSqlDatabase::isDriverAvailable(QStringLiteral("QOCI")))
            QSKIP("Qt's own Oracle driver is installed and is used instead of ODBC");
        const QStringList drivers = installedOdbcDrivers();
        QVERIFY2(drivers.contains(QStringLiteral("Oracle 21 ODBC driver")), qPrintable(drivers.join(u',')));
        QVERIFY(drivers.contains(QStringLiteral("PostgreSQL Unicode")));
        const ZemoError e = openFails(QStringLiteral("dbhost:1521/ORCLPDB1"), QStringLiteral("scott/tiger"));
        qInfo().noquote() << "error box:" << e.number() << e.description();
        QVERIFY(e.number() != 0);
        QVERIFY2(e.description().contains(QStringLiteral("Oracle 21 ODBC driver")),
                 qPrintable(e.description()));
        // The driver manager's own words on the missing library.
        QVERIFY2(e.description().contains(QStringLiteral("libsqora")), qPrintable(e.description()));
    }

    void withoutAnyOracleDriverTheMessageSaysWhatToInstall() {
        if (qgetenv("ZEMO_ODBC_LIST") != "no-oracle")
            QSKIP("needs a driver list without an Oracle driver");
        if (QSqlDatabase::isDriverAvailable(QStringLiteral("QOCI")))
            QSKIP("Qt's own Oracle driver is installed");
        QVERIFY(pickOracleDriver(installedOdbcDrivers()).isEmpty());
        const ZemoError e = openFails(QStringLiteral("ORCL"), QStringLiteral("scott/tiger"));
        qInfo().noquote() << "error box:" << e.number() << e.description();
        QCOMPARE(e.number(), err::NoDriver);
        QVERIFY(e.description().contains(QStringLiteral("QOCI")));
        QVERIFY(e.description().contains(QStringLiteral("ODBC")));
        QVERIFY(e.description().contains(QStringLiteral("導入してください")));
    }
};

QTEST_GUILESS_MAIN(TestServerOracle)
#include "test_server_oracle.moc"
