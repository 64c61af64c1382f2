#include "app/GridModel.h"
#include "app/Module1.h"
#include "app/OracleAccess.h"
#include "app/ZemoError.h"
#include "catalogue/Catalogue.h"

#include <QTemporaryDir>
#include <QtTest>
#include <sqlite3.h>

using namespace zemo;

namespace {

std::shared_ptr<OracleDatabase> open(const QString& path) {
    return OracleSession().OpenDatabase(path, QStringLiteral("demo/demo"), 0);
}

// A copy of the demo database with extra DDL applied.
QString demoCopyWith(const QTemporaryDir& dir, const char* ddl) {
    const QString path = dir.filePath(QStringLiteral("copy.db"));
    QFile::remove(path);
    if (!QFile::copy(QStringLiteral(ZEMO_DEMO_DB), path))
        return {};
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    char* err = nullptr;
    const int rc = sqlite3_exec(db, ddl, nullptr, nullptr, &err);
    sqlite3_free(err);
    sqlite3_close(db);
    return rc == SQLITE_OK ? path : QString();
}

} // namespace

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

    void readsTheDemoCatalogue() {
        auto db = open(QStringLiteral(ZEMO_DEMO_DB));
        QStringList names;
        readTableNames(*db, [&](const QString& n) { names << n; });
        QCOMPARE(names.mid(0, 3), QStringList({"DEPARTMENTS", "EMPLOYEES", "CUSTOMERS"}));
        QVERIFY(names.contains(QStringLiteral("ORDER_SUMMARY")));
        QVERIFY(names.contains(QStringLiteral("部署別売上")));
        QVERIFY(!names.contains(QStringLiteral("sqlite_sequence")));
    }

    void loadsTwoTablesIntoTheGrid() {
        auto db = open(QStringLiteral(ZEMO_DEMO_DB));
        SimpleGridModel grid(2, 1);
        QString from;
        QStringList items;
        auto add = [&](const QString& s) { items << s; };
        loadTableColumns(*db, grid, QStringLiteral("EMPLOYEES"), 0, from, add);
        loadTableColumns(*db, grid, QStringLiteral("DEPARTMENTS"), 1, from, add);
        QCOMPARE(grid.gridCols(), 4);
        QCOMPARE(grid.gridRows(), 10); // 8 columns of EMPLOYEES + 2; never lowered by the shorter table
        QCOMPARE(grid.cellText(0, 0), QStringLiteral("EMPLOYEES"));
        QCOMPARE(grid.cellText(1, 0), QStringLiteral("T1"));
        QCOMPARE(grid.cellText(2, 0), QStringLiteral("T1.EMP_ID"));
        QCOMPARE(grid.cellText(2, 1), QStringLiteral("NUMBER[6]"));
        QCOMPARE(grid.cellText(3, 1), QStringLiteral("VARCHAR2[40]"));
        QCOMPARE(grid.cellText(9, 0), QStringLiteral("T1.EMAIL"));
        QCOMPARE(grid.cellText(0, 1), QString());
        QCOMPARE(grid.cellText(1, 1), QString());
        QCOMPARE(grid.cellText(0, 2), QStringLiteral("DEPARTMENTS"));
        QCOMPARE(grid.cellText(1, 2), QStringLiteral("T2"));
        QCOMPARE(grid.cellText(4, 2), QStringLiteral("T2.LOCATION"));
        QCOMPARE(grid.cellText(4, 3), QStringLiteral("VARCHAR2[40]"));
        QCOMPARE(grid.cellText(5, 2), QString());
        QCOMPARE(from, QStringLiteral("EMPLOYEES T1,\r\nDEPARTMENTS T2"));
        QCOMPARE(items.size(), 11);
        QCOMPARE(items.first(), QStringLiteral("T1.EMP_ID"));
        QCOMPARE(items.last(), QStringLiteral("T2.LOCATION"));
    }

    void aQuoteInATableNameIsDoubled() {
        QTemporaryDir dir;
        const QString path = demoCopyWith(dir, "CREATE TABLE \"O'BRIEN\" (ID NUMBER(4), NOTE VARCHAR2(30));");
        QVERIFY(!path.isEmpty());
        auto db = open(path);
        QStringList names;
        readTableNames(*db, [&](const QString& n) { names << n; });
        QVERIFY(names.contains(QStringLiteral("O'BRIEN")));
        SimpleGridModel grid(2, 1);
        QString from;
        QStringList items;
        loadTableColumns(*db, grid, QStringLiteral("O'BRIEN"), 0, from,
                         [&](const QString& s) { items << s; });
        QCOMPARE(items, QStringList({"T1.ID", "T1.NOTE"}));
        QCOMPARE(grid.cellText(3, 1), QStringLiteral("VARCHAR2[30]"));
        QCOMPARE(from, QStringLiteral("O'BRIEN T1"));
    }

    void aFailingQueryThrowsAfterNothingIsWritten() {
        auto db = open(QStringLiteral(ZEMO_DEMO_DB));
        SimpleGridModel grid(2, 1);
        QString from = QStringLiteral("EMP T1");
        bool thrown = false;
        try {
            // a query that does not run: the dictionary view is dropped for this connection
            db->CreateDynaset(QStringLiteral("drop view temp.user_tab_columns"));
            loadTableColumns(*db, grid, QStringLiteral("EMPLOYEES"), 1, from, [](const QString&) {});
        } catch (const ZemoError& e) {
            thrown = true;
            QVERIFY(!e.description().isEmpty());
        }
        QVERIFY(thrown);
        QCOMPARE(from, QStringLiteral("EMP T1"));
    }
};

QTEST_GUILESS_MAIN(TestCatalogueCore)
#include "test_catalogue_core.moc"
