#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueReads.h"
#include "db/OracleAccess.h"
#include "grid/GridModel.h"
#include "grid/TextTable.h"
#include "session/Module1.h"

#include <QtTest>

using namespace zemo;

class TestCatalogueCore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { zemo::resetSession(); }

    void columnQueryQuotesTheName() {
        QCOMPARE(columnQuery(QStringLiteral("EMP")),
                 QStringLiteral(
                     "select column_name,DATA_TYPE||'['||DATA_LENGTH||']' TypeLen from user_tab_columns "
                     "where table_name = 'EMP'"));
        QVERIFY(
            columnQuery(QStringLiteral("O'BRIEN")).endsWith(QStringLiteral("where table_name = 'O''BRIEN'")));
        QVERIFY(columnQuery(QStringLiteral("X' OR '1'='1"))
                    .endsWith(QStringLiteral("where table_name = 'X'' OR ''1''=''1'")));
    }

    void aliasesAndFromBody() {
        QCOMPARE(tableAlias(0), QStringLiteral("T1"));
        QCOMPARE(tableAlias(9), QStringLiteral("T10"));
        QCOMPARE(tableAlias(10), QStringLiteral("T11"));
        QString from;
        appendFromEntry(from, QStringLiteral("EMP"), 0);
        appendFromEntry(from, QStringLiteral("DEPT"), 1);
        QCOMPARE(from, QStringLiteral("EMP T1,\r\nDEPT T2"));
    }

    void cacheBelongsToItsConnection() {
        QVERIFY(!catalogueSavedForConnection());
        gServiceName = QStringLiteral("a.db");
        gUserName = QStringLiteral("scott");
        saveCatalogue({{"EMP", "1"}, {"DEPT", "0"}});
        QCOMPARE(gTableCount, 2);
        QVERIFY(catalogueSavedForConnection());

        gServiceName = QStringLiteral("b.db");
        QVERIFY(!catalogueSavedForConnection());
        gServiceName = QStringLiteral("a.db");
        gUserName = QStringLiteral("adams");
        QVERIFY(!catalogueSavedForConnection());
        gUserName = QStringLiteral("scott");
        QVERIFY(catalogueSavedForConnection());

        // an empty list saves a count of 0 and keeps the old rows
        saveCatalogue({});
        QCOMPARE(gTableCount, 0);
        QCOMPARE(gTableList.size(), 2);
        QVERIFY(!catalogueSavedForConnection());
    }

    void markedTablesInListOrder() {
        QCOMPARE(markedTableNames({{"A", "1"}, {"B", "0"}, {"C", "1"}, {"D", ""}}), QStringList({"A", "C"}));
        QCOMPARE(markedTableNames({}), QStringList());
    }

    // The first line of a comment that is not blank; the rest stays in the dictionary.
    void logicalNamesFromComments() {
        QCOMPARE(logicalName(QStringLiteral("顧客名")), QStringLiteral("顧客名"));
        QCOMPARE(logicalName(QStringLiteral("\r\n　 \n  顧客名  \r\n正式な社名。略称は不可")),
                 QStringLiteral("顧客名"));
        QCOMPARE(logicalName(QStringLiteral(" \n\t")), QString());
        QCOMPARE(withLogicalName(QStringLiteral("CUST_NAME"), QStringLiteral("顧客名")),
                 QStringLiteral("CUST_NAME（顧客名）"));
        QCOMPARE(withLogicalName(QStringLiteral("T1.CUST_NAME"), QString()), QStringLiteral("T1.CUST_NAME"));
    }
};

QTEST_GUILESS_MAIN(TestCatalogueCore)
#include "test_catalogue_core.moc"
