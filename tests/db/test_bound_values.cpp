// Values of `:name` placeholders reach every adapter as parameters: SQLite, PostgreSQL through libpq
// and through psqlODBC, and Qt's SQL drivers (Qt's PostgreSQL driver standing in for its Oracle one).
// A value with quotes, ";", Japanese and 4,000 characters matches exactly its own rows, and a value
// written like a second statement is only ever a value. The server tables live in a database of
// their own.
#include "base/ZemoError.h"
#include "db/OracleAccess.h"
#include "db/QtSqlBackend.h"
#include "db/SqliteBackend.h"
#include "support/PgCluster.h"

#include <QTemporaryDir>
#include <QtTest>
#include <sqlite3.h>

using namespace zemo;
using zemo::test::PgCluster;

namespace {

const QString kDatabase = QStringLiteral("zemo_bound");

QString longValue() {
    QString v;
    while (v.size() < 4000)
        v += QStringLiteral("日本語';\"x--/*");
    return v.left(4000);
}

// The values the table holds, by ID; the rows the tests look for.
QList<QPair<int, QString>> samples() {
    return {{1, QStringLiteral("O'Reilly \"quoted\"")},
            {2, QStringLiteral("a;b; select 1;")},
            {3, QStringLiteral("'; DROP TABLE VICTIM; --")},
            {4, QStringLiteral("開始日：㈱髙﨑・二〇二四年")},
            {5, longValue()},
            {6, QStringLiteral("O'Reilly \"quoted\" ")},
            {7, longValue().left(3999)},
            {8, QStringLiteral(":v")}};
}

QList<int> ids(OracleDatabase& db, const QString& sql, const ParameterValues& values) {
    QList<int> out;
    for (auto rs = db.CreateDynaset(sql, 0, values); !rs->Eof(); rs->MoveNext())
        out << rs->Fields(0).Value().toInt();
    return out;
}

void fill(OracleDatabase& db) {
    db.CreateDynaset(QStringLiteral("create table BOUND_VALUES (ID integer, V varchar(5000), D date)"));
    db.CreateDynaset(QStringLiteral("create table VICTIM (A integer)"));
    for (const auto& [id, value] : samples())
        db.CreateDynaset(QStringLiteral("insert into BOUND_VALUES values (%1, %2, '2024-01-%3')")
                             .arg(id)
                             .arg(sqlText(value))
                             .arg(id, 2, 10, QLatin1Char('0')));
}

} // namespace

class TestBoundValues : public QObject {
    Q_OBJECT

    PgCluster pg;
    QTemporaryDir dir;

    std::shared_ptr<OracleDatabase> open(const QString& via) {
        if (via == QLatin1String("sqlite"))
            return SqliteDatabase::open(dir.filePath(QStringLiteral("bound.db")));
        if (via == QLatin1String("Qt QPSQL")) {
            QtSqlDatabase::Params p;
            p.driver = QStringLiteral("QPSQL");
            p.databaseName = kDatabase;
            p.host = QStringLiteral("127.0.0.1");
            p.port = pg.port();
            p.user = pg.user();
            p.password = pg.password();
            p.backend = QStringLiteral("qt-psql");
            auto db = QtSqlDatabase::open(p);
            db->setDialect(SqlDialect::Postgres);
            return db;
        }
        const QString service =
            via == QLatin1String("libpq") ? pg.postgresService(kDatabase) : pg.odbcService(kDatabase);
        return OracleSession().OpenDatabase(service, pg.connect(), 0);
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(pg.ok(), "no cluster info: run through ctest (fixture pg_cluster)");
        test::guarded([&] {
            auto admin = OracleSession().OpenDatabase(
                pg.postgresService(), QStringLiteral("postgres/") + pg.value("SUPERUSER_PASSWORD"), 0);
            admin->CreateDynaset(QStringLiteral("drop database if exists %1").arg(kDatabase));
            admin->CreateDynaset(QStringLiteral("create database %1 owner %2").arg(kDatabase, pg.user()));
            fill(*open(QStringLiteral("libpq")));
            sqlite3* file = nullptr;
            QCOMPARE(sqlite3_open(dir.filePath(QStringLiteral("bound.db")).toUtf8().constData(), &file),
                     SQLITE_OK);
            sqlite3_close(file);
            fill(*open(QStringLiteral("sqlite")));
        });
    }

    void cleanupTestCase() {
        test::guarded([&] {
            OracleSession()
                .OpenDatabase(pg.postgresService(),
                              QStringLiteral("postgres/") + pg.value("SUPERUSER_PASSWORD"), 0)
                ->CreateDynaset(QStringLiteral("drop database if exists %1").arg(kDatabase));
        });
    }

    void eachValueFindsItsOwnRow_data() {
        QTest::addColumn<QString>("via");
        for (const char* via : {"sqlite", "libpq", "psqlODBC", "Qt QPSQL"})
            QTest::newRow(via) << QString::fromLatin1(via);
    }
    void eachValueFindsItsOwnRow() {
        QFETCH(QString, via);
        test::guarded([&] {
            auto db = open(via);
            const QString sql = QStringLiteral("select ID from BOUND_VALUES where V = :値 order by ID");
            for (const auto& [id, value] : samples())
                QCOMPARE(ids(*db, sql, {{QStringLiteral("値"), value}}), QList<int>{id});
            // The same name twice is one value; a value that looks like a placeholder is a value.
            QCOMPARE(ids(*db,
                         QStringLiteral("select ID from BOUND_VALUES where V = :v or (V = :v and ID = :id) "
                                        "order by ID"),
                         {{QStringLiteral("v"), QStringLiteral(":v")},
                          {QStringLiteral("id"), QStringLiteral("8")}}),
                     QList<int>{8});
            // The server infers a date from where the value stands, as a literal would be.
            QCOMPARE(ids(*db,
                         QStringLiteral(
                             "select ID from BOUND_VALUES where D >= :開始日 and D < :終了日 order by ID"),
                         {{QStringLiteral("開始日"), QStringLiteral("2024-01-03")},
                          {QStringLiteral("終了日"), QStringLiteral("2024-01-05")}}),
                     (QList<int>{3, 4}));
            QCOMPARE(ids(*db, QStringLiteral("select count(*) from VICTIM"), {}), QList<int>{0});
            // A placeholder in a literal or a comment is text; the one outside needs its value.
            QCOMPARE(ids(*db, QStringLiteral("select ID from BOUND_VALUES where V = ':v' -- :x\n"), {}),
                     QList<int>{8});
            try {
                ids(*db, sql, {});
                QFAIL("ran without the value");
            } catch (const ZemoError& e) {
                QCOMPARE(e.number(), err::MissingValue);
                QVERIFY(e.description().contains(QStringLiteral(":値")));
            }
        });
    }
};

QTEST_GUILESS_MAIN(TestBoundValues)
#include "test_bound_values.moc"
