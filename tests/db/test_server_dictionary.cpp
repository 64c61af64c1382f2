// Comments and foreign keys on the private PostgreSQL cluster, through libpq and
// through psqlODBC, against what the SQLite adapter reads from the demo file built from the same SQL.
#include "base/ZemoError.h"
#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueReads.h"
#include "db/OdbcBackend.h"
#include "db/OdbcCatalog.h"
#include "db/OracleAccess.h"
#include "mainwindow/JoinConditions.h"
#include "mainwindow/StatementAssembly.h"
#include "session/Module1.h"
#include "support/PgCluster.h"

#include <QtTest>

using namespace zemo;
using zemo::test::guarded;
using zemo::test::PgCluster;

namespace {

const QStringList kDemoTables{"DEPARTMENTS", "EMPLOYEES",     "CUSTOMERS",  "PRODUCTS",     "ORDERS",
                              "ORDER_LINES", "ORDER_SUMMARY", "部署別売上", "ORDER_RETURNS"};

// A key without its name, which SQLite does not keep; sorted, since the adapters order a table's
// keys differently (declared order, constraint names).
QStringList unnamed(const QList<ForeignKey>& keys) {
    QStringList out;
    for (const ForeignKey& k : keys) {
        QString text = k.table + QStringLiteral(" -> ") + k.refTable + QLatin1Char(':');
        for (const ColumnPair& p : k.columns)
            text += QLatin1Char(' ') + p.column + QLatin1Char('=') + p.refColumn;
        out << text;
    }
    out.sort();
    return out;
}

} // namespace

class TestServerDictionary : public QObject {
    Q_OBJECT

    PgCluster pg;
    std::shared_ptr<OracleDatabase> m_demo; // the SQLite demo file

    std::shared_ptr<OracleDatabase> open(const QString& via) {
        const QString service = via == QLatin1String("QPSQL") ? pg.postgresService() : pg.odbcService();
        return OracleSession().OpenDatabase(service, pg.connect(), 0);
    }
    static void run(OracleDatabase& db, const QString& sql) { db.CreateDynaset(sql); }
    static qlonglong count(OracleDatabase& db, const QStringList& marked) {
        QString from;
        for (int k = 0; k < marked.size(); ++k)
            appendFromEntry(from, marked[k], k);
        return db.CreateDynaset(assembleSelect({}, from, storedConditionLines()))
            ->Fields(0)
            .Value()
            .toLongLong();
    }
    // A schema of the test's own, the session's current one until it is dropped.
    static void useOwnSchema(OracleDatabase& db) {
        run(db, QStringLiteral("set client_min_messages = warning"));
        run(db, QStringLiteral("drop schema if exists zemo_dictionary cascade"));
        run(db, QStringLiteral("create schema zemo_dictionary"));
        run(db, QStringLiteral("set search_path = zemo_dictionary"));
    }
    static void backends() { zemo::test::addBackendRows(); }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(pg.ok(), "no cluster info: run through ctest (fixture pg_cluster)");
        m_demo = OracleSession().OpenDatabase(QStringLiteral(ZEMO_DEMO_DB), QStringLiteral("demo/demo"));
    }
    void init() { zemo::resetSession(); }

    // The COMMENT ON statements the cluster made from the demo SQL give what SQLite reads from it.
    void demoCommentsAsInTheFile_data() { backends(); }
    void demoCommentsAsInTheFile() {
        guarded([&] {
            QFETCH(QString, via);
            auto db = open(via);
            const CommentMap tables = db->tableComments();
            QCOMPARE(tables, m_demo->tableComments());
            QCOMPARE(tables.size(), kDemoTables.size());
            for (const QString& t : kDemoTables)
                QCOMPARE(db->columnComments(t), m_demo->columnComments(t));
            QCOMPARE(db->columnComments(QStringLiteral("ORDERS")).value(QStringLiteral("EMP_ID")),
                     QStringLiteral("担当社員ID"));
            QVERIFY(db->columnComments(QStringLiteral("VALUE_SAMPLES")).isEmpty());
            QVERIFY(db->columnComments(QStringLiteral("NO_SUCH_TABLE")).isEmpty());
        });
    }

    void demoKeysAsInTheFile_data() { backends(); }
    void demoKeysAsInTheFile() {
        guarded([&] {
            QFETCH(QString, via);
            auto db = open(via);
            const QList<ForeignKey> keys = db->foreignKeys(kDemoTables);
            QCOMPARE(unnamed(keys), unnamed(m_demo->foreignKeys(kDemoTables)));
            QCOMPARE(keys.size(), 9);
            for (const ForeignKey& k : keys)
                QVERIFY(k.name.endsWith(QLatin1String("_fkey")));
            // Table by table in the order asked for.
            const QList<ForeignKey> two = db->foreignKeys({"ORDER_LINES", "ORDERS"});
            QCOMPARE(two.size(), 4);
            QCOMPARE(two[0].table, QStringLiteral("ORDER_LINES"));
            QCOMPARE(two[3].table, QStringLiteral("ORDERS"));
            QVERIFY(db->foreignKeys({"NO_SUCH_TABLE"}).isEmpty());
        });
    }

    // The join lines run on the server and give one row per order line, per return, per employee
    // with a manager.
    void joinLinesRunOnTheServer_data() { backends(); }
    void joinLinesRunOnTheServer() {
        guarded([&] {
            QFETCH(QString, via);
            auto db = open(via);
            const QStringList chain{"ORDERS", "CUSTOMERS", "EMPLOYEES", "ORDER_LINES", "PRODUCTS"};
            QCOMPARE(addJoinConditions(chain, readForeignKeys(*db, chain)), 4);
            QCOMPARE(storedConditionLines(),
                     QStringList({"Where T1.CUST_ID = T2.CUST_ID ", "And T1.EMP_ID = T3.EMP_ID ",
                                  "And T1.ORDER_NO = T4.ORDER_NO ", "And T4.PRODUCT_ID = T5.PRODUCT_ID "}));
            QCOMPARE(count(*db, chain), 10000);
            QCOMPARE(addJoinConditions(chain, readForeignKeys(*db, chain)), 0);

            for (const auto& [marked, rows] :
                 {std::pair{QStringList{"ORDER_RETURNS", "ORDER_LINES"}, 40},
                  std::pair{QStringList{"EMPLOYEES", "DEPARTMENTS", "EMPLOYEES"}, 25}}) {
                zemo::clearConditionStore();
                QCOMPARE(addJoinConditions(marked, readForeignKeys(*db, marked)), 2);
                QCOMPARE(count(*db, marked), qlonglong(rows));
            }
        });
    }

    // Quoted names stay as stored, unquoted ones are listed in upper case; a key pairs its columns as
    // declared, not in the order of the referenced primary key; whole comments, quotes and all.
    void namesAndOrderOnTheServer_data() { backends(); }
    void namesAndOrderOnTheServer() {
        guarded([&] {
            QFETCH(QString, via);
            auto db = open(via);
            useOwnSchema(*db);
            run(*db, QStringLiteral("create table \"Kunde\" (\"Nr\" int primary key, name text)"));
            run(*db, QStringLiteral("create table pair (x int, y int, primary key (y, x))"));
            run(*db, QStringLiteral(
                         "create table lower_t (id int, kunde_nr int, a int, b int, constraint \"Fk One\" "
                         "foreign key (kunde_nr) references \"Kunde\" (\"Nr\"), "
                         "foreign key (a, b) references pair (x, y))"));
            run(*db, QStringLiteral("comment on table \"Kunde\" is E'顧客\\n取引先の会社'"));
            run(*db, QStringLiteral("comment on column \"Kunde\".\"Nr\" is '顧客''番号'"));
            run(*db, QStringLiteral("comment on column lower_t.kunde_nr is '顧客番号'"));
            QCOMPARE(db->tableComments(), CommentMap({{"Kunde", "顧客\n取引先の会社"}}));
            QCOMPARE(readTableLogicalNames(*db), CommentMap({{"Kunde", "顧客"}}));
            QCOMPARE(db->columnComments(QStringLiteral("Kunde")), CommentMap({{"Nr", "顧客'番号"}}));
            QCOMPARE(db->columnComments(QStringLiteral("LOWER_T")), CommentMap({{"KUNDE_NR", "顧客番号"}}));
            QCOMPARE(db->foreignKeys({"LOWER_T"}),
                     QList<ForeignKey>({{"Fk One", "LOWER_T", "Kunde", {{"KUNDE_NR", "Nr"}}},
                                        {"lower_t_a_b_fkey", "LOWER_T", "PAIR", {{"A", "X"}, {"B", "Y"}}}}));
            QVERIFY(db->foreignKeys({"lower_t"}).isEmpty()); // not a name the dialog lists
            run(*db, QStringLiteral("drop schema zemo_dictionary cascade"));
        });
    }

    void dictionaryFailuresAreErrors() {
        auto db = open(QStringLiteral("QPSQL"));
        run(*db, QStringLiteral("drop view user_tab_comments"));
        try {
            db->tableComments();
            QFAIL("no error raised");
        } catch (const ZemoError& e) {
            QVERIFY(e.number() != 0);
            QVERIFY2(e.description().contains(QLatin1String("user_tab_comments")),
                     qPrintable(e.description()));
        }
        auto odbc = std::dynamic_pointer_cast<OdbcDatabase>(open(QStringLiteral("QODBC")));
        QVERIFY(odbc);
        // Neither table named: the driver manager refuses the call.
        QVERIFY_THROWS_EXCEPTION(ZemoError, odbcForeignKeys(*odbc, QString(), QString()));
    }

    // The catalog functions as another product behind ODBC would be read: psqlODBC leaves REMARKS
    // empty, so the rows are checked, not the remarks; names come as stored, "_" in a table name
    // matches only itself.
    void odbcCatalogFunctions() {
        guarded([&] {
            auto db = std::dynamic_pointer_cast<OdbcDatabase>(open(QStringLiteral("QODBC")));
            QVERIFY(db);
            useOwnSchema(*db);
            run(*db, QStringLiteral("create table a_b (one int primary key, two text)"));
            run(*db, QStringLiteral("create table axb (three int references a_b (one))"));
            QStringList tables;
            for (const OdbcRemark& r : odbcTableRemarks(*db, QStringLiteral("public")))
                tables << r.table;
            QVERIFY(tables.contains(QStringLiteral("部署別売上")));
            QVERIFY(tables.contains(QStringLiteral("order_returns")));
            QStringList columns;
            for (const OdbcRemark& r :
                 odbcColumnRemarks(*db, QStringLiteral("zemo_dictionary"), QStringLiteral("a_b")))
                columns << r.table + QLatin1Char('.') + r.column;
            QCOMPARE(columns, QStringList({"a_b.one", "a_b.two"}));

            // A product the adapter cannot name: REMARKS for comments, names as stored.
            db->setDialect(SqlDialect::Generic);
            QVERIFY(db->tableComments().isEmpty());
            QCOMPARE(db->foreignKeys({"axb"}),
                     QList<ForeignKey>({{"axb_three_fkey", "axb", "a_b", {{"three", "one"}}}}));
            run(*db, QStringLiteral("drop schema zemo_dictionary cascade"));
        });
    }
};

QTEST_GUILESS_MAIN(TestServerDictionary)
#include "test_server_dictionary.moc"
