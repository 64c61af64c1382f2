// Saved queries: the file's round trip for every shape the builder makes, what a file that is not one
// gives, a failed save leaving the old file whole, and what opening names as gone.
#include "base/ZemoError.h"
#include "mainwindow/QueryRestore.h"
#include "mainwindow/SavedQuery.h"
#include "support/DiskFull.h"
#include "support/Files.h"

#include "support/ErrorNumber.h"
#include <QTemporaryDir>

#include <QtTest>

using namespace zemo;

Q_DECLARE_METATYPE(zemo::SavedQuery)

namespace {

Condition cond(const QString& connector, const QString& left, const QString& op, const QString& right) {
    return {connector, left, op, right};
}

SavedQuery query(QList<SavedTable> tables, QStringList items, QList<Condition> conditions) {
    SavedQuery q;
    q.profile = QStringLiteral("デモ");
    q.tables = std::move(tables);
    q.items = std::move(items);
    q.conditions = std::move(conditions);
    return q;
}

const SavedTable kCustomers{0, QStringLiteral("CUSTOMERS")};
const SavedTable kOrders{1, QStringLiteral("ORDERS")};

} // namespace

class TestSavedQuery : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private Q_SLOTS:
    // Each shape written and read back is the same query and assembles the same statement.
    void roundTrip_data() {
        QTest::addColumn<SavedQuery>("saved");
        QTest::addColumn<QString>("statement");
        QTest::newRow("join") << query({kCustomers, kOrders},
                                       {QStringLiteral("T1.CUST_NAME"), QStringLiteral("T2.ORDER_NO")},
                                       {cond("Where", "T1.CUST_ID", "=", "T2.CUST_ID"),
                                        cond("And", "T2.STATUS", "=", "'出荷済'")})
                              << QStringLiteral(
                                     "select \r\nT1.CUST_NAME,\r\nT2.ORDER_NO \r\nFROM \r\n"
                                     "CUSTOMERS T1,\r\nORDERS T2 \r\n"
                                     "Where T1.CUST_ID = T2.CUST_ID  \r\nAnd T2.STATUS = '出荷済'  \r\n");
        QTest::newRow("count(*)") << query({kOrders}, {}, {})
                                  << QStringLiteral("select \r\ncount(*) \r\nFROM \r\n,\r\nORDERS T2 \r\n");
        QList<Condition> every;
        const QStringList connectors{"Where", "And", "Or", "Not"};
        const QStringList ops{
            "=",  "!=",     "<>",      "^=",          ">=",   "<=",       ">",       "<",
            "In", "Not In", "Is Null", "Is Not Null", "Like", "Not Like", "Between", "Not Between"};
        for (qsizetype i = 0; i < ops.size(); ++i) {
            const QString right = ops[i].startsWith(QLatin1String("Is"))      ? QString()
                                  : ops[i].contains(QLatin1String("Between")) ? QStringLiteral("1 And 9")
                                  : ops[i].contains(QLatin1String("In"))      ? QStringLiteral("(1,2)")
                                                                              : QStringLiteral("5");
            every << cond(connectors[i % 4], QStringLiteral("T2.ORDER_NO"), ops[i], right);
        }
        QTest::newRow("every connector and operator")
            << query({kOrders}, {QStringLiteral("T2.STATUS")}, every) << QString();
        QTest::newRow("Japanese, quotes and blanks")
            << query({{0, QStringLiteral("部署別売上")}},
                     {QStringLiteral("T1.部署名"), QStringLiteral("T1.売上金額")},
                     {cond("Where", " T1.部署名 ", "like", "'%営業%' -- \"x\" ; '"),
                      cond("and 受注件数", "T1.売上金額", "is null", ""), cond("Or", "T1.部署名", "=", " ")})
            << QString();
        SavedQuery params = query(
            {kOrders}, {QStringLiteral("T2.ORDER_NO")},
            {cond("Where", "T2.ORDER_DATE", ">=", ":開始日"), cond("And", "T2.ORDER_DATE", "<", ":終了日")});
        params.values = {{QStringLiteral("開始日"), QStringLiteral("2024-01-01")},
                         {QStringLiteral("終了日"), QStringLiteral("';\"\\ 値")}};
        params.attributesShown = true;
        params.logicalNamesShown = true;
        QTest::newRow("placeholders, values and flags")
            << params
            << QStringLiteral("select \r\nT2.ORDER_NO \r\nFROM \r\n,\r\nORDERS T2 \r\n"
                              "Where T2.ORDER_DATE >= :開始日  \r\nAnd T2.ORDER_DATE < :終了日  \r\n");
    }
    void roundTrip() {
        QFETCH(SavedQuery, saved);
        const QString path =
            dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".zemoq"));
        writeSavedQuery(saved, path);
        const SavedQuery read = readSavedQuery(path);
        QCOMPARE(read, saved);
        QCOMPARE(assembleSavedQuery(read), assembleSavedQuery(saved));
        QFETCH(QString, statement);
        if (!statement.isEmpty())
            QCOMPARE(assembleSavedQuery(read), statement);
        // Text a person reads: one value a line, Japanese as it is, the version, no password.
        const QString text = QString::fromUtf8(test::readFile(path));
        QVERIFY(text.contains(QStringLiteral("\"version\": 1")));
        QVERIFY(text.contains(QStringLiteral("\"profile\": \"デモ\"")));
        QVERIFY(text.count(QLatin1Char('\n')) > saved.conditions.size() * 4);
    }

    void notASavedQuery_data() {
        QTest::addColumn<QByteArray>("text");
        const QByteArray good = savedQueryText(query({kCustomers}, {}, {}));
        const auto edited = [&](const char* from, const char* to) {
            return QByteArray(good).replace(from, to);
        };
        QTest::newRow("not JSON") << QByteArray("[KESTO]\r\nNAME=x\r\n");
        QTest::newRow("another format") << edited("ZEMO-DB saved query", "something else");
        QTest::newRow("a later version") << edited("\"version\": 1", "\"version\": 2");
        QTest::newRow("no version") << edited("\"version\": 1", "\"versio\": 1");
        QTest::newRow("an alias out of form") << edited("\"T1\"", "\"T01\"");
        QTest::newRow("a table without a name") << edited("\"table\": \"CUSTOMERS\"", "\"table\": 7");
        QTest::newRow("a flag not a flag") << edited("\"attributes\": false", "\"attributes\": \"no\"");
        QTest::newRow("two tables one alias") << savedQueryText(query({kCustomers, {0, "ORDERS"}}, {}, {}));
        QTest::newRow("a condition the editor refuses")
            << savedQueryText(query({kCustomers}, {}, {cond("Where", "T1.CUST_ID", "=", "")}));
    }
    void notASavedQuery() {
        QFETCH(QByteArray, text);
        QCOMPARE(test::errorNumberOf([&] { parseSavedQuery(text, QStringLiteral("x.zemoq")); }),
                 err::QueryFileRead);
    }

    void failedSaveLeavesTheOldFile() {
        const QString path = dir.filePath(QStringLiteral("kept.zemoq"));
        const SavedQuery old = query({kCustomers}, {}, {});
        writeSavedQuery(old, path);
        const QByteArray before = test::readFile(path);
        SavedQuery big = old;
        big.values.insert(QStringLiteral("長い"), QString(100000, QLatin1Char('x')));
        QCOMPARE(test::errorNumberWithDiskFullAfter(4096, [&] { writeSavedQuery(big, path); }),
                 err::QueryFileWrite);
        QCOMPARE(test::readFile(path), before);
        QCOMPARE(test::errorNumberOf([&] { readSavedQuery(dir.filePath(QStringLiteral("none.zemoq"))); }),
                 err::QueryFileRead);
    }

    // What opening names as gone: a table by name and alias, the items and the qualified columns of
    // the conditions of tables still there; the catalogue marks what is left.
    void vanished() {
        const SavedQuery q =
            query({kCustomers, kOrders, {2, QStringLiteral("EMPLOYEES")}},
                  {QStringLiteral("T1.CUST_NAME"), QStringLiteral("T1.FAX"), QStringLiteral("T2.X")},
                  {cond("Where", "T1.CUST_ID", "=", "T3.EMP_ID"),
                   cond("And", "T1.PHONE", "=", "T1.NOTE||T1.cust_name||T2.X")});
        QueryRestoreRead read;
        read.tableNames = {QStringLiteral("CUSTOMERS"), QStringLiteral("EMPLOYEES"), QStringLiteral("OTHER")};
        read.columns.insert(0, {{QStringLiteral("CUST_ID"), {}}, {QStringLiteral("CUST_NAME"), {}}});
        read.columns.insert(2, {{QStringLiteral("EMP_ID"), {}}});
        const QStringList gone = vanishedNames(q, read);
        QCOMPARE(gone, (QStringList{QStringLiteral("ORDERS（T2）"), QStringLiteral("T1.FAX"),
                                    QStringLiteral("T1.PHONE"), QStringLiteral("T1.NOTE")}));
        QVERIFY(vanishedMessage(gone).contains(QStringLiteral("ORDERS（T2）、T1.FAX")));
        const QList<TableListRow> rows = restoredCatalogue(read, q.tables);
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0].selected, QStringLiteral("1"));
        QCOMPARE(rows[1].selected, QStringLiteral("1"));
        QCOMPARE(rows[2].selected, QStringLiteral("0"));
    }
};

QTEST_GUILESS_MAIN(TestSavedQuery)
#include "test_saved_query.moc"
