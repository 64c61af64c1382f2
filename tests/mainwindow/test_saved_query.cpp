// Saved queries: the file's round trip for every shape the builder makes, files that are not one, a
// failed save leaving the old file whole.
#include "base/ZemoError.h"
#include "mainwindow/SavedQuery.h"
#include "support/DiskFull.h"
#include "support/ErrorNumber.h"
#include "support/Files.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace zemo;

Q_DECLARE_METATYPE(zemo::SavedQuery)

namespace {

// A query on the tables named by alias ("T2" = "ORDERS"), conditions as four parts each.
SavedQuery query(const QStringList& tables, const QStringList& items, const QList<QStringList>& conditions) {
    SavedQuery q;
    q.profile = QStringLiteral("デモ");
    for (const QString& t : tables)
        q.tables.append(
            {t.section(QLatin1Char('='), 0, 0).mid(1).toInt() - 1, t.section(QLatin1Char('='), 1)});
    q.items = items;
    for (const QStringList& c : conditions)
        q.conditions.append({c[0], c[1], c[2], c[3]});
    return q;
}

} // namespace

class TestSavedQuery : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private Q_SLOTS:
    // Each shape written and read back is the same query and assembles the same statement.
    void roundTrip_data() {
        QTest::addColumn<SavedQuery>("saved");
        QTest::addColumn<QString>("statement");
        QTest::newRow("join")
            << query({"T1=CUSTOMERS", "T2=ORDERS"}, {"T1.CUST_NAME", "T2.ORDER_NO"},
                     {{"Where", "T1.CUST_ID", "=", "T2.CUST_ID"}, {"And", "T2.STATUS", "=", "'出荷済'"}})
            << QStringLiteral(
                   "select \r\nT1.CUST_NAME,\r\nT2.ORDER_NO \r\nFROM \r\nCUSTOMERS T1,\r\n"
                   "ORDERS T2 \r\nWhere T1.CUST_ID = T2.CUST_ID  \r\nAnd T2.STATUS = '出荷済'  \r\n");
        // The table of T1 failed to load: T2 keeps its alias.
        QTest::newRow("count(*)") << query({"T2=ORDERS"}, {}, {})
                                  << QStringLiteral("select \r\ncount(*) \r\nFROM \r\n,\r\nORDERS T2 \r\n");
        QList<QStringList> every{{"Where", " T1.部署名 ", "like", "'%営業%' -- \"x\" ; '"},
                                 {"and 受注件数", "T1.売上金額", "is null", ""}};
        for (const char* op : {"=", "!=", "<>", "^=", ">=", "<=", ">", "<", "In", "Not In", "Is Not Null",
                               "Not Like", "Between", "Not Between"})
            every.append({QStringList{"And", "Or", "Not"}[every.size() % 3], "T1.受注件数", op, " "});
        QTest::newRow("Japanese, quotes, blanks, every connector and operator")
            << query({"T1=部署別売上"}, {"T1.部署名"}, every) << QString();
        SavedQuery params =
            query({"T1=ORDERS"}, {"T1.ORDER_NO"}, {{"Where", "T1.ORDER_DATE", ">=", ":開始日"}});
        params.values = {{QStringLiteral("開始日"), QStringLiteral("';\"\\ 値")}};
        params.attributesShown = params.logicalNamesShown = true;
        QTest::newRow("placeholders, values and flags")
            << params
            << QStringLiteral(
                   "select \r\nT1.ORDER_NO \r\nFROM \r\nORDERS T1 \r\nWhere T1.ORDER_DATE >= :開始日  \r\n");
    }
    void roundTrip() {
        QFETCH(SavedQuery, saved);
        QFETCH(QString, statement);
        const QString path =
            dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".zemoq"));
        writeSavedQuery(saved, path);
        const SavedQuery read = readSavedQuery(path);
        QCOMPARE(read, saved);
        QCOMPARE(assembleSavedQuery(read), statement.isEmpty() ? assembleSavedQuery(saved) : statement);
        // Text a person reads: one value a line, Japanese as it is, the version.
        const QString text = QString::fromUtf8(test::readFile(path));
        QVERIFY(text.contains(QStringLiteral("\"version\": 1")) &&
                text.contains(QStringLiteral("\"profile\": \"デモ\"")));
        QVERIFY(text.count(QLatin1Char('\n')) > saved.conditions.size() * 4);
    }

    void notASavedQuery_data() {
        QTest::addColumn<QByteArray>("text");
        const QByteArray good = savedQueryText(query({"T1=CUSTOMERS"}, {}, {}));
        QTest::newRow("not JSON") << QByteArray("[KESTO]\r\nNAME=x\r\n");
        QTest::newRow("a later version") << QByteArray(good).replace("\"version\": 1", "\"version\": 2");
        QTest::newRow("an alias out of form") << QByteArray(good).replace("\"T1\"", "\"T01\"");
        QTest::newRow("a flag not a flag")
            << QByteArray(good).replace("\"attributes\": false", "\"attributes\": 0");
        QTest::newRow("a condition the editor refuses")
            << savedQueryText(query({"T1=A"}, {}, {{"Where", "T1.X", "=", ""}}));
    }
    void notASavedQuery() {
        QFETCH(QByteArray, text);
        QCOMPARE(test::errorNumberOf([&] { parseSavedQuery(text, QStringLiteral("x.zemoq")); }),
                 err::QueryFileRead);
    }

    void failedSaveLeavesTheOldFile() {
        const QString path = dir.filePath(QStringLiteral("kept.zemoq"));
        SavedQuery q = query({"T1=CUSTOMERS"}, {}, {});
        writeSavedQuery(q, path);
        const QByteArray before = test::readFile(path);
        q.values.insert(QStringLiteral("長い"), QString(100000, QLatin1Char('x')));
        QCOMPARE(test::errorNumberWithDiskFullAfter(4096, [&] { writeSavedQuery(q, path); }),
                 err::QueryFileWrite);
        QCOMPARE(test::readFile(path), before);
    }
};

QTEST_GUILESS_MAIN(TestSavedQuery)
#include "test_saved_query.moc"
