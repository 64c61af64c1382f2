#include "app/Module1.h"
#include "catalogue/Catalogue.h"

#include <QtTest>

using namespace zemo;

class TestCatalogueCore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { ResetGlobals(); }

    void queryTexts() {
        QCOMPARE(
            kTableListQuery,
            QStringLiteral("select OBJECT_NAME from USER_OBJECTS where OBJECT_TYPE IN ('TABLE','VIEW')"));
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
};

QTEST_GUILESS_MAIN(TestCatalogueCore)
#include "test_catalogue_core.moc"
