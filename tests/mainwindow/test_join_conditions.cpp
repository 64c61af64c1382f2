// Join conditions from the foreign keys of the marked tables, on the demo's keys as the SQLite adapter
// reads them, and what they do to the statement that runs.
#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueReads.h"
#include "db/OracleAccess.h"
#include "mainwindow/JoinConditions.h"
#include "mainwindow/StatementAssembly.h"
#include "session/Module1.h"

#include <QtTest>

using namespace zemo;

namespace {

QStringList lines(const QList<Condition>& conditions) {
    QStringList out;
    for (const Condition& c : conditions)
        out << conditionLine(c);
    return out;
}

QString fromList(const QStringList& tables) {
    QString from;
    for (int k = 0; k < tables.size(); ++k)
        appendFromEntry(from, tables[k], k);
    return from;
}

} // namespace

class TestJoinConditions : public QObject {
    Q_OBJECT

    std::shared_ptr<OracleDatabase> m_db;

    QStringList joinLines(const QStringList& marked) {
        return lines(joinConditions(marked, readForeignKeys(*m_db, marked)));
    }
    qlonglong count(const QStringList& marked) {
        const QString sql = assembleSelect({}, fromList(marked), storedConditionLines());
        auto rs = m_db->CreateDynaset(sql);
        return rs->Fields(0).Value().toLongLong();
    }

private Q_SLOTS:
    void initTestCase() {
        m_db = OracleSession().OpenDatabase(QStringLiteral(ZEMO_DEMO_DB), QStringLiteral("demo/demo"));
    }
    void init() { zemo::resetSession(); }

    // Orders with customers, employees, lines and products: one line per key between marked tables,
    // the table marked first on the left; the statement then gives each order line once.
    void demoOrderChain() {
        const QStringList marked{"ORDERS", "CUSTOMERS", "EMPLOYEES", "ORDER_LINES", "PRODUCTS"};
        QCOMPARE(addJoinConditions(marked, readForeignKeys(*m_db, marked)), 4);
        QCOMPARE(storedConditionLines(),
                 QStringList({"Where T1.CUST_ID = T2.CUST_ID ", "And T1.EMP_ID = T3.EMP_ID ",
                              "And T1.ORDER_NO = T4.ORDER_NO ", "And T4.PRODUCT_ID = T5.PRODUCT_ID "}));
        QCOMPARE(count(marked), 10000);

        // Asked again, nothing is added twice.
        QCOMPARE(addJoinConditions(marked, readForeignKeys(*m_db, marked)), 0);
        QCOMPARE(gCondCount, 4);

        // The key's table marked second is on the right.
        QCOMPARE(joinLines({"PRODUCTS", "DEPARTMENTS", "ORDER_LINES"}),
                 QStringList({" T1.PRODUCT_ID = T3.PRODUCT_ID "}));
    }

    void twoColumnKeyAndTwoKeysToOneTable() {
        QCOMPARE(joinLines({"ORDER_LINES", "ORDER_RETURNS"}),
                 QStringList({" T1.ORDER_NO = T2.ORDER_NO ", " T1.LINE_NO = T2.LINE_NO "}));
        // The employee who took the return and the one who approved it: a line for each key.
        QCOMPARE(joinLines({"ORDER_RETURNS", "EMPLOYEES"}),
                 QStringList({" T1.RECEIVED_BY = T2.EMP_ID ", " T1.APPROVED_BY = T2.EMP_ID "}));
        QCOMPARE(joinLines({"EMPLOYEES", "ORDER_RETURNS"}),
                 QStringList({" T1.EMP_ID = T2.RECEIVED_BY ", " T1.EMP_ID = T2.APPROVED_BY "}));
        const QStringList marked{"ORDER_RETURNS", "ORDER_LINES"};
        QCOMPARE(addJoinConditions(marked, readForeignKeys(*m_db, marked)), 2);
        QCOMPARE(count(marked), 40);
    }

    // A key to its own table joins the first marking to the second; marked once there is no line.
    void keyToItself() {
        QCOMPARE(joinLines({"EMPLOYEES"}), QStringList());
        QCOMPARE(joinLines({"EMPLOYEES", "DEPARTMENTS"}), QStringList({" T1.DEPT_ID = T2.DEPT_ID "}));
        const QStringList twice{"EMPLOYEES", "DEPARTMENTS", "EMPLOYEES"};
        QCOMPARE(joinLines(twice), QStringList({" T1.DEPT_ID = T2.DEPT_ID ", " T1.MANAGER_ID = T3.EMP_ID "}));
        QCOMPARE(addJoinConditions(twice, readForeignKeys(*m_db, twice)), 2);
        // Employees 1006 to 1030 have a manager.
        QCOMPARE(count(twice), 25);
    }

    // Lines the user wrote already, in either order, in other case or with blanks, are not added; a
    // condition with another operator is no join line; the same key twice gives one line.
    void storedLinesAreNotRepeated() {
        QVERIFY(addCondition({"Where", "  t2.cust_id", "=", "T1.CUST_ID "}));
        QVERIFY(addCondition({"And", "T1.EMP_ID", "!=", "T3.EMP_ID"}));
        const QStringList marked{"ORDERS", "CUSTOMERS", "EMPLOYEES"};
        QList<ForeignKey> keys = readForeignKeys(*m_db, marked);
        keys += keys;
        QCOMPARE(addJoinConditions(marked, keys), 1);
        QCOMPARE(storedConditionLines(),
                 QStringList({"Where   t2.cust_id = T1.CUST_ID  ", "And T1.EMP_ID != T3.EMP_ID ",
                              "And T1.EMP_ID = T3.EMP_ID "}));
    }

    void keysOutsideTheMarkedTablesGiveNothing() {
        QCOMPARE(joinLines({"CUSTOMERS", "PRODUCTS", "部署別売上"}), QStringList());
        QCOMPARE(addJoinConditions({}, readForeignKeys(*m_db, {"ORDERS"})), 0);
        QCOMPARE(gCondCount, 0);
        // A key whose referenced columns are unknown gives no line for them.
        const ForeignKey broken{QString(), "A", "B", {{"X", ""}, {"Y", "Y"}}};
        QCOMPARE(lines(joinConditions({"B", "A"}, {broken})), QStringList({" T1.Y = T2.Y "}));
    }

    void aFullStoreTakesWhatFits() {
        for (int i = gCondCount; i < kMaxConditions - 1; ++i)
            QVERIFY(addCondition({"And", "T1.X", "=", QString::number(i)}));
        const QStringList marked{"ORDERS", "CUSTOMERS", "EMPLOYEES"};
        QCOMPARE(addJoinConditions(marked, readForeignKeys(*m_db, marked)), 1);
        QCOMPARE(gCondCount, kMaxConditions);
        QCOMPARE(storedCondition(kMaxConditions - 1), (Condition{"And", "T1.CUST_ID", "=", "T2.CUST_ID"}));
    }
};

QTEST_GUILESS_MAIN(TestJoinConditions)
#include "test_join_conditions.moc"
