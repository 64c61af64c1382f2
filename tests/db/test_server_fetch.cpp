// The fetch paths against the private PostgreSQL cluster: PostgreSQL on libpq (postgresql://) and
// our ODBC calls over psqlODBC, cell for cell against what psql prints; the edges of the bound row
// arrays; values read in pieces; psqlODBC's streaming option; a second statement while rows are
// still coming; cancel() from another thread, while executing, mid-fetch and racing statements that
// end on their own.
#include "base/ZemoError.h"
#include "db/OdbcBackend.h"
#include "db/OdbcResultSet.h"
#include "db/OracleAccess.h"
#include "results/ResultStore.h"
#include "support/PgCluster.h"
#include "support/ServerCells.h"

#include <QElapsedTimer>
#include <QtTest>
#include <chrono>
#include <future>
#include <thread>

using namespace zemo;
using namespace std::chrono_literals;
using zemo::test::cellText;
using zemo::test::guarded;
using zemo::test::PgCluster;

namespace {

QList<QStringList> rowsOf(OracleResultSet& rs) {
    QList<QStringList> rows;
    for (; !rs.Eof(); rs.MoveNext()) {
        QStringList cells;
        for (int c = 0; c < rs.columnCount(); ++c)
            cells << cellText(rs, c);
        rows << cells;
    }
    return rows;
}

// psql prints bytea as "\x" and lower-case digits, the program shows the upper-case digits alone.
QList<QStringList> asShown(QList<QStringList> rows, const QList<int>& byteaColumns) {
    for (QStringList& r : rows)
        for (int c : byteaColumns)
            if (r[c].startsWith(QLatin1String("\\x")))
                r[c] = r[c].mid(2).toUpper();
    return rows;
}

// 38-digit numbers, a number longer than any bound room, microseconds and the first year, Japanese
// with a character beyond the BMP, NULL beside '', a value of about 100 kB, bytea.
const QString kAwkward = QStringLiteral(
    "select id, big::numeric(38) as big, plain, stamp::timestamp(6) as stamp, label::varchar(20) as label, "
    "note, bin from (values "
    "(1, 12345678901234567890123456789012345678, 0.00000000000000000001, '2024-02-29 23:59:59.123456', "
    "'日本語のラベル', '', '\\x00ff10'::bytea), "
    "(2, -99999999999999999999999999999999999999, "
    "123456789012345678901234567890123456789012345678901234567890.125, '1999-12-31 00:00:00.000001', '', "
    "null, ''::bytea), "
    "(3, null, null, null, null, repeat('あいう𠀋x,\"', 6500), null), "
    "(4, 0, -0.5, '0001-01-01 00:00:00', 'a\"b,c', E'line1\\nline2\\r\\n', '\\xdeadbeef'::bytea)) "
    "as v(id, big, plain, stamp, label, note, bin) order by id");

// Runs a statement on another thread into a store, as the result window's fetch does.
struct Outcome {
    bool complete = false;
    int rows = 0;
    int number = 0;
    QString text;
};

std::future<Outcome> fetchElsewhere(std::shared_ptr<OracleDatabase> db, const QString& sql,
                                    std::atomic<int>& taken) {
    return std::async(std::launch::async, [db, sql, &taken] {
        Outcome o;
        try {
            auto rs = db->CreateDynaset(sql);
            ResultStore store(rs->columnCount());
            o.complete = fetchRows(store, *rs, {nullptr, nullptr, &taken});
            o.rows = int(store.rows());
        } catch (const ZemoError& e) {
            o.number = e.number();
            o.text = e.description();
            o.rows = taken.load();
        }
        return o;
    });
}

int single(OracleDatabase& db, const QString& sql) {
    auto rs = db.CreateDynaset(sql);
    return rs->Eof() ? -1 : rs->Fields(0).Value().toInt();
}

} // namespace

class TestServerFetch : public QObject {
    Q_OBJECT

    PgCluster pg;

    // "postgresql": libpq; "odbc": a plain connection string; "odbc-dsn-*": the test data sources.
    QString service(const QString& via) const {
        if (via == QLatin1String("postgresql"))
            return pg.postgresService();
        if (via == QLatin1String("odbc-dsn"))
            return QStringLiteral("odbc:zemo_pg");
        if (via == QLatin1String("odbc-dsn-buffered"))
            return QStringLiteral("odbc:zemo_pg_buffered");
        return QStringLiteral("odbc:DRIVER={PostgreSQL Unicode};SERVER=127.0.0.1;PORT=%1;DATABASE=zemo_demo")
            .arg(pg.port());
    }
    std::shared_ptr<OracleDatabase> open(const QString& via) {
        auto db = OracleSession().OpenDatabase(service(via), pg.connect(), 0);
        // A backstop: no statement of these tests waits for ever, whatever goes wrong.
        db->CreateDynaset(QStringLiteral("set statement_timeout = '20s'"));
        return db;
    }
    static OdbcDatabase& odbcOf(const std::shared_ptr<OracleDatabase>& db) {
        auto* odbc = dynamic_cast<OdbcDatabase*>(db.get());
        if (!odbc)
            throw ZemoError(0, QStringLiteral("not an ODBC database: ") + db->backendName());
        return *odbc;
    }
    static void bothPaths() {
        QTest::addColumn<QString>("via");
        QTest::newRow("postgresql") << QStringLiteral("postgresql");
        QTest::newRow("odbc") << QStringLiteral("odbc");
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY2(pg.ok(), "no cluster info: run through ctest (fixture pg_cluster)"); }

    // Every way the ODBC path can read a cell gives psql's text: bound arrays, cells too long for
    // their room read again in small pieces (a surrogate pair split between two pieces), and one row
    // a call with every value in pieces, as for a driver that cannot read pieces from an array.
    void awkwardValuesAsPsqlShowsThem_data() {
        QTest::addColumn<QString>("via");
        QTest::addColumn<int>("pieceBytes");
        QTest::addColumn<bool>("rowByRow");
        QTest::newRow("postgresql") << QStringLiteral("postgresql") << 0 << false;
        QTest::newRow("odbc arrays") << QStringLiteral("odbc") << 0 << false;
        QTest::newRow("odbc small pieces") << QStringLiteral("odbc") << 250 << false;
        QTest::newRow("odbc row by row") << QStringLiteral("odbc") << 250 << true;
    }
    void awkwardValuesAsPsqlShowsThem() {
        guarded([&] {
            QFETCH(QString, via);
            QFETCH(int, pieceBytes);
            QFETCH(bool, rowByRow);
            auto db = open(via);
            if (via == QLatin1String("odbc")) {
                OdbcFetchTuning& t = odbcOf(db).tuning();
                t.pieceBytes = pieceBytes > 0 ? size_t(pieceBytes) : t.pieceBytes;
                t.rowByRow = rowByRow;
            }
            auto rs = db->CreateDynaset(kAwkward);
            if (auto* odbc = dynamic_cast<OdbcResultSet*>(rs.get()))
                QCOMPARE(odbc->readsRowByRow(), rowByRow);
            QCOMPARE(rs->kind(0), ValueKind::Integer);
            QCOMPARE(rs->kind(1), ValueKind::Decimal);
            QCOMPARE(rs->kind(2), ValueKind::Decimal);
            QCOMPARE(rs->kind(3), ValueKind::DateTime);
            QCOMPARE(rs->kind(4), ValueKind::Text);
            QCOMPARE(rs->kind(5), ValueKind::Text); // '' is a value
            QCOMPARE(rs->kind(6), ValueKind::Blob);
            QCOMPARE(rs->Fields(1).Value().toString(),
                     QStringLiteral("12345678901234567890123456789012345678"));
            QCOMPARE(rs->Fields(6).Value().toByteArray(), QByteArray("\x00\xff\x10", 3));
            const QList<QStringList> got = rowsOf(*rs);
            const QList<QStringList> expected = asShown(pg.psqlRows(kAwkward), {6});
            QCOMPARE(got.size(), 4);
            QCOMPARE(got[2][5].toUtf8().size(), 6500 * 16); // about 100 kB, 8 UTF-16 units a repeat
            QCOMPARE(got, expected);
        });
    }

    // Other types as psql prints them. Through psqlODBC booleans, zones, infinity, intervals and
    // UUIDs (in upper case) pass the driver's own conversion, so that path is held to the types it
    // hands over as they are.
    void typesAsPsqlShowsThem_data() { bothPaths(); }
    void typesAsPsqlShowsThem() {
        guarded([&] {
            QFETCH(QString, via);
            auto db = open(via);
            QString sql = QStringLiteral(
                "select 32767::int2, '-2147483648'::int4, 9223372036854775807::int8, 1.50::numeric(5,2), "
                "0.1::float8, 1e300::float8, '2024-01-01'::date, '13:14:15.000001'::time, "
                "'{\"a\": [1, 2]}'::jsonb, ARRAY[1,2,NULL], "
                "'abc'::char(5), 'x'::name, ''::bytea");
            if (via == QLatin1String("postgresql"))
                sql += QStringLiteral(", 'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11'::uuid, true, 'NaN'::float8, "
                                      "'-Infinity'::float8, 1.1::float4, '12:00+09'::timetz, "
                                      "'2024-01-01 12:00:00.5+00'::timestamptz, 'infinity'::timestamp, "
                                      "'1 day 02:00:00'::interval, '-infinity'::date");
            auto rs = db->CreateDynaset(sql);
            QCOMPARE(rs->kind(0), ValueKind::Integer);
            QCOMPARE(rs->Fields(2).Value().toLongLong(), std::numeric_limits<qlonglong>::max());
            QCOMPARE(rs->kind(6), ValueKind::DateTime);
            QCOMPARE(rs->kind(7), ValueKind::DateTime);
            QCOMPARE(rs->kind(12), ValueKind::Blob);
            QCOMPARE(rowsOf(*rs), asShown(pg.psqlRows(sql), {12}));
        });
    }

    // More rows than one call asks for, ending part-way through the last call; then rows wider than
    // the whole array's room, one a call.
    void rowArraysEndMidBlockAndRowsWiderThanABlock() {
        guarded([&] {
            auto db = open(QStringLiteral("odbc"));
            OdbcFetchTuning& t = odbcOf(db).tuning();
            t.maxRows = 7;
            const QString sql = QStringLiteral(
                "select x, 'r' || x || repeat('語', x % 5) as label, case when x % 3 = 0 then null "
                "else x * 1.5 end as half from generate_series(1, 100) x");
            auto rs = db->CreateDynaset(sql);
            QCOMPARE(static_cast<OdbcResultSet*>(rs.get())->rowsPerFetch(), 7); // 14 full calls and 2 rows
            const QList<QStringList> expected = pg.psqlRows(sql + QStringLiteral(" order by x"));
            QCOMPARE(expected.size(), 100);
            QCOMPARE(rowsOf(*rs), expected);

            t.maxRows = 2000;
            t.blockBytes = 1000; // less than one row of a varchar(2000) column takes
            const QString wide = QStringLiteral("select x, repeat('w', 1900 + x)::varchar(2000) as w "
                                                "from generate_series(1, 25) x");
            auto rs2 = db->CreateDynaset(wide);
            QCOMPARE(static_cast<OdbcResultSet*>(rs2.get())->rowsPerFetch(), 1);
            QCOMPARE(rowsOf(*rs2), pg.psqlRows(wide + QStringLiteral(" order by x")));
        });
    }

    // psqlODBC reads a whole result before the first row unless told otherwise; without a choice of
    // the user's the connection is made with UseDeclareFetch=1 and rows come through a cursor.
    void streamingIsTurnedOnUnlessTheUserChose_data() {
        QTest::addColumn<QString>("via");
        QTest::addColumn<bool>("added");
        QTest::addColumn<bool>("cursor");
        QTest::newRow("plain string") << QStringLiteral("odbc") << true << true;
        QTest::newRow("data source") << QStringLiteral("odbc-dsn") << true << true;
        QTest::newRow("data source choosing") << QStringLiteral("odbc-dsn-buffered") << false << false;
        QTest::newRow("string choosing") << QStringLiteral("odbc;UseDeclareFetch=0") << false << false;
        QTest::newRow("string choosing, short key") << QStringLiteral("odbc;B6=1") << false << true;
    }
    void streamingIsTurnedOnUnlessTheUserChose() {
        guarded([&] {
            QFETCH(QString, via);
            QFETCH(bool, added);
            QFETCH(bool, cursor);
            const qsizetype semi = via.indexOf(QLatin1Char(';'));
            const QString svc = semi < 0 ? service(via) : service(via.left(semi)) + via.mid(semi);
            auto db = OracleSession().OpenDatabase(svc, pg.connect(), 0);
            QCOMPARE(odbcOf(db).streamingAdded(), added);
            auto streamed = db->CreateDynaset(
                QStringLiteral("select x as streamed_marker from generate_series(1, 100000) x"));
            QVERIFY(!streamed->Eof());
            // The first rows are here; the rest wait in a cursor on the server when rows stream.
            QCOMPARE(single(*db, QStringLiteral(
                                     "select count(*) from pg_cursors where strpos(statement, 'streamed' "
                                     "|| '_marker') > 0")),
                     cursor ? 1 : 0);
        });
    }

    // A second statement on the connection while the first one's rows are still coming: the first
    // goes on with all its rows.
    void secondStatementWhileRowsAreStillComing_data() { bothPaths(); }
    void secondStatementWhileRowsAreStillComing() {
        guarded([&] {
            QFETCH(QString, via);
            auto db = open(via);
            auto first = db->CreateDynaset(QStringLiteral("select x from generate_series(1, 50000) x"));
            for (int i = 0; i < 10; ++i)
                first->MoveNext();
            QCOMPARE(single(*db, QStringLiteral("select 77")), 77);
            int rows = 10, last = 0;
            for (; !first->Eof(); first->MoveNext(), ++rows)
                last = first->Fields(0).Value().toInt();
            QCOMPARE(rows, 50000);
            QCOMPARE(last, 50000);
        });
    }

    // A statement waiting on the server is stopped there; the connection works on.
    void cancelWhileExecuting_data() { bothPaths(); }
    void cancelWhileExecuting() {
        guarded([&] {
            QFETCH(QString, via);
            auto db = open(via);
            std::atomic<int> taken{0};
            auto done = fetchElsewhere(db, QStringLiteral("select pg_sleep(15), 1 as x"), taken);
            std::this_thread::sleep_for(500ms);
            QElapsedTimer t;
            t.start();
            db->cancel();
            QVERIFY2(done.wait_for(10s) == std::future_status::ready, "the statement went on after cancel()");
            const Outcome o = done.get();
            qInfo().noquote() << via << "returned" << t.elapsed() << "ms after cancel():" << o.number
                              << o.text;
            QVERIFY(t.elapsed() < 5000);
            QCOMPARE(o.number, err::Cancelled);
            QVERIFY(!o.complete);
            QCOMPARE(single(*db, QStringLiteral("select 42")), 42);
        });
    }

    // Rows streaming in: the fetch on the other thread stops soon, keeping the rows it has, and the
    // connection runs the next statement.
    void cancelMidFetch_data() { bothPaths(); }
    void cancelMidFetch() {
        guarded([&] {
            QFETCH(QString, via);
            auto db = open(via);
            std::atomic<int> taken{0};
            // Two small series joined: the rows stream, nothing is materialised first.
            auto done =
                fetchElsewhere(db,
                               QStringLiteral("select a * 100000 + b as n, repeat('y', 50) as pad from "
                                              "generate_series(0, 999) a, generate_series(1, 100000) b"),
                               taken);
            for (int i = 0; i < 300 && taken.load() < 20000; ++i)
                std::this_thread::sleep_for(50ms);
            QVERIFY2(taken.load() >= 20000, "the rows did not come");
            QElapsedTimer t;
            t.start();
            db->cancel();
            QVERIFY2(done.wait_for(10s) == std::future_status::ready, "the fetch went on after cancel()");
            const Outcome o = done.get();
            qInfo().noquote() << via << "stopped after" << o.rows << "rows," << t.elapsed()
                              << "ms after cancel():" << o.number << o.text;
            QVERIFY(t.elapsed() < 3000);
            QCOMPARE(o.number, err::Cancelled);
            QVERIFY(o.rows >= 20000 && o.rows < 100000000);
            QCOMPARE(single(*db, QStringLiteral("select 43")), 43);
        });
    }

    // cancel() called over and over from another thread while short statements start and end: every
    // statement either completes or is cancelled, nothing crashes, the connection stays usable.
    void cancelRacingStatementsThatEnd_data() { bothPaths(); }
    void cancelRacingStatementsThatEnd() {
        guarded([&] {
            QFETCH(QString, via);
            auto db = open(via);
            std::atomic<bool> stop{false};
            auto canceller = std::async(std::launch::async, [&] {
                int calls = 0;
                while (!stop.load()) {
                    db->cancel();
                    ++calls;
                    std::this_thread::sleep_for(1ms);
                }
                return calls;
            });
            int completed = 0, cancelled = 0, statements = 0;
            QElapsedTimer t;
            t.start();
            for (; statements < 100 || t.elapsed() < 1500; ++statements) {
                try {
                    auto rs = db->CreateDynaset(QStringLiteral("select x from generate_series(1, 300) x"));
                    ResultStore store(1);
                    fetchRows(store, *rs);
                    QCOMPARE(store.rows(), 300u);
                    ++completed;
                } catch (const ZemoError& e) {
                    // A cancel request that reaches the server after its statement ended can stop the
                    // next one: the server's own "query canceled" then.
                    QVERIFY2(e.number() == err::Cancelled ||
                                 e.description().contains(QStringLiteral("57014")),
                             qPrintable(QStringLiteral("%1 %2").arg(e.number()).arg(e.description())));
                    ++cancelled;
                }
            }
            stop.store(true);
            const int calls = canceller.get();
            qInfo().noquote() << via << ":" << completed << "completed," << cancelled << "cancelled," << calls
                              << "calls of cancel()";
            QCOMPARE(completed + cancelled, statements);
            QVERIFY(calls > 10);
            QCOMPARE(single(*db, QStringLiteral("select 44")), 44);
        });
    }
};

QTEST_GUILESS_MAIN(TestServerFetch)
#include "test_server_fetch.moc"
