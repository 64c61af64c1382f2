// Values of `:name` placeholders reach every adapter as parameters: SQLite, PostgreSQL through libpq
// and through psqlODBC, and Qt's SQL drivers (Qt's PostgreSQL driver standing in for its Oracle one).
// A value with quotes, ";", Japanese and 4,000 (or 5,000) characters matches exactly its own row,
// and a value written like a second statement is only ever a value. The rows live in temporary
// tables.
#include "db/OracleAccess.h"
#include "db/QtSqlBackend.h"
#include "support/PgCluster.h"

#include <QtTest>

using namespace zemo;
using zemo::test::PgCluster;

namespace {

QList<QPair<int, QString>> samples() {
    QString long4000;
    while (long4000.size() < 4000)
        long4000 += QStringLiteral("日本語';\"x--/*");
    long4000.truncate(4000);
    return {{1, QStringLiteral("O'Reilly \"quoted\"")},
            {2, QStringLiteral("a;b; select 1;")},
            {3, QStringLiteral("'; DROP TABLE VICTIM; --")},
            {4, QStringLiteral("開始日：㈱髙﨑・二〇二四年")},
            {5, long4000},
            {6, QStringLiteral("O'Reilly \"quoted\" ")},
            {7, long4000.left(3999)},
            {8, QStringLiteral(":v")},
            {9, long4000 + long4000.left(1000)}};
}

QList<int> ids(OracleDatabase& db, const QString& sql, const ParameterValues& values) {
    QList<int> out;
    for (auto rs = db.CreateDynaset(sql, 0, values); !rs->Eof(); rs->MoveNext())
        out << rs->Fields(0).Value().toInt();
    return out;
}

} // namespace

class TestBoundValues : public QObject {
    Q_OBJECT

    PgCluster pg;

    std::shared_ptr<OracleDatabase> open(const QString& via) {
        if (via == QLatin1String("sqlite"))
            return OracleSession().OpenDatabase(QStringLiteral(ZEMO_DEMO_DB), QString());
        if (via != QLatin1String("Qt QPSQL"))
            return OracleSession().OpenDatabase(pg.serviceVia(via), pg.connect());
        auto db = QtSqlDatabase::open({QStringLiteral("QPSQL"),
                                       QStringLiteral("zemo_demo"),
                                       QStringLiteral("127.0.0.1"),
                                       pg.port(),
                                       pg.user(),
                                       pg.password(),
                                       {},
                                       QStringLiteral("qt-psql")});
        db->setDialect(SqlDialect::Postgres);
        return db;
    }

private Q_SLOTS:
    void eachValueFindsItsOwnRow_data() {
        QTest::addColumn<QString>("via");
        for (const char* via : {"sqlite", "QPSQL", "QODBC", "Qt QPSQL"}) // QPSQL: libpq; QODBC: psqlODBC
            QTest::newRow(via) << QString::fromLatin1(via);
    }
    void eachValueFindsItsOwnRow() {
        QFETCH(QString, via);
        QVERIFY2(pg.ok(), "no cluster info: run through ctest (fixture pg_cluster)");
        test::guarded([&] {
            auto db = open(via);
            db->CreateDynaset(
                QStringLiteral("create temp table BOUND_VALUES (ID integer, V varchar(5000), D date)"));
            db->CreateDynaset(QStringLiteral("create temp table VICTIM (A integer)"));
            for (const auto& [id, value] : samples())
                db->CreateDynaset(QStringLiteral("insert into BOUND_VALUES values (%1, %2, '2024-01-0%1')")
                                      .arg(id)
                                      .arg(sqlText(value)));
            for (const auto& [id, value] : samples())
                QCOMPARE(ids(*db, QStringLiteral("select ID from BOUND_VALUES where V = :値"),
                             {{QStringLiteral("値"), value}}),
                         QList<int>{id});
            // One name twice is one value.
            QCOMPARE(ids(*db,
                         QStringLiteral("select ID from BOUND_VALUES where V = :v or (V = :v and ID = :id)"),
                         {{QStringLiteral("v"), QStringLiteral(":v")},
                          {QStringLiteral("id"), QStringLiteral("8")}}),
                     QList<int>{8});
            // The server reads a date from where the value stands, as it reads a literal there.
            QCOMPARE(ids(*db,
                         QStringLiteral(
                             "select ID from BOUND_VALUES where D >= :開始日 and D < :終了日 order by ID"),
                         {{QStringLiteral("開始日"), QStringLiteral("2024-01-03")},
                          {QStringLiteral("終了日"), QStringLiteral("2024-01-05")}}),
                     (QList<int>{3, 4}));
            QCOMPARE(ids(*db, QStringLiteral("select count(*) from VICTIM"), {}), QList<int>{0});
        });
    }
};

QTEST_GUILESS_MAIN(TestBoundValues)
#include "test_bound_values.moc"
