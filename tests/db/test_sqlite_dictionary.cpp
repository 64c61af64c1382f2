// The SQLite adapter's comments and foreign keys, on the demo database and on files made here.
#include "base/ZemoError.h"
#include "db/OracleAccess.h"

#include <QTemporaryDir>
#include <QtTest>
#include <sqlite3.h>

using namespace zemo;

namespace {

std::shared_ptr<OracleDatabase> openDemo() {
    return OracleSession().OpenDatabase(QStringLiteral(ZEMO_DEMO_DB), QStringLiteral("demo/demo"));
}

QStringList values(OracleDatabase& db, const QString& sql) {
    QStringList out;
    for (auto rs = db.CreateDynaset(sql); !rs->Eof(); rs->MoveNext())
        out << rs->Fields(0).Value().toString();
    return out;
}

ForeignKey key(const QString& table, const QString& refTable, const QList<ColumnPair>& pairs) {
    return {QString(), table, refTable, pairs};
}

} // namespace

class TestSqliteDictionary : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    // A database file built from `sql`, opened through the adapter.
    std::shared_ptr<OracleDatabase> openBuilt(const QString& name, const char* sql) {
        const QString path = m_dir.filePath(name);
        sqlite3* db = nullptr;
        if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK ||
            sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            qFatal("cannot build %s: %s", qPrintable(name), sqlite3_errmsg(db));
        sqlite3_close(db);
        return OracleSession().OpenDatabase(path, QStringLiteral("u/p"));
    }

private Q_SLOTS:
    void demoTablesHaveTheirLogicalNames() {
        auto db = openDemo();
        const CommentMap expected{{"DEPARTMENTS", "部署"},
                                  {"EMPLOYEES", "社員"},
                                  {"CUSTOMERS", "顧客"},
                                  {"PRODUCTS", "商品"},
                                  {"ORDERS", "受注"},
                                  {"ORDER_LINES", "受注明細"},
                                  {"ORDER_SUMMARY", "受注集計"},
                                  {"部署別売上", "部署別の売上"},
                                  {"ORDER_RETURNS", "返品"}};
        QCOMPARE(db->tableComments(), expected);
        QCOMPARE(db->columnComments(QStringLiteral("CUSTOMERS")), CommentMap({{"CUST_ID", "顧客ID"},
                                                                              {"CUST_NAME", "顧客名"},
                                                                              {"PREFECTURE", "都道府県"},
                                                                              {"PHONE", "電話番号"},
                                                                              {"CREDIT_LIMIT", "与信限度額"},
                                                                              {"CREATED_AT", "登録日"}}));
        QCOMPARE(db->columnComments(QStringLiteral("部署別売上")),
                 CommentMap({{"部署名", "部署の名称"},
                             {"受注件数", "担当した受注の件数"},
                             {"売上金額", "明細金額の合計"}}));
        // The two-column primary key of ORDER_LINES is an entry after the columns, not a column.
        QCOMPARE(db->columnComments(QStringLiteral("ORDER_LINES")).size(), 6);
    }

    // Every column the column list shows has a comment, under the name the list gives it.
    void everyDemoColumnHasALogicalName() {
        auto db = openDemo();
        const QStringList tables = values(*db, QStringLiteral("select OBJECT_NAME from USER_OBJECTS"));
        QCOMPARE(tables.size(), 9);
        for (const QString& table : tables) {
            const QStringList columns =
                values(*db, QStringLiteral("select column_name from user_tab_columns where table_name = ") +
                                sqlText(table));
            const CommentMap comments = db->columnComments(table);
            QCOMPARE(QSet<QString>(columns.begin(), columns.end()),
                     QSet<QString>(comments.keyBegin(), comments.keyEnd()));
            for (const QString& c : comments)
                QVERIFY2(!c.isEmpty() && !c.contains(QLatin1String("--")), qPrintable(table));
        }
        QVERIFY(db->columnComments(QStringLiteral("NO_SUCH_TABLE")).isEmpty());
    }

    void demoKeysInTheOrderDeclared() {
        auto db = openDemo();
        const QList<ForeignKey> keys =
            db->foreignKeys({"ORDERS", "EMPLOYEES", "ORDER_RETURNS", "CUSTOMERS", "ORDERS"});
        const QList<ForeignKey> expected{
            key("ORDERS", "CUSTOMERS", {{"CUST_ID", "CUST_ID"}}),
            key("ORDERS", "EMPLOYEES", {{"EMP_ID", "EMP_ID"}}),
            key("EMPLOYEES", "DEPARTMENTS", {{"DEPT_ID", "DEPT_ID"}}),
            key("EMPLOYEES", "EMPLOYEES", {{"MANAGER_ID", "EMP_ID"}}),
            key("ORDER_RETURNS", "EMPLOYEES", {{"RECEIVED_BY", "EMP_ID"}}),
            key("ORDER_RETURNS", "EMPLOYEES", {{"APPROVED_BY", "EMP_ID"}}),
            key("ORDER_RETURNS", "ORDER_LINES", {{"ORDER_NO", "ORDER_NO"}, {"LINE_NO", "LINE_NO"}}),
        };
        QCOMPARE(keys, expected);
        QVERIFY(db->foreignKeys({}).isEmpty());
        QVERIFY(db->foreignKeys({"NO_SUCH_TABLE"}).isEmpty());
    }

    // SQLite takes names in any ASCII case and a key without columns means the primary key: the keys
    // come back with the names as the referenced table declares them.
    void keysWrittenLoosely() {
        auto db = openBuilt(
            QStringLiteral("loose.db"),
            "CREATE TABLE \"Head Office\" (Code TEXT, Year INT, Name TEXT, PRIMARY KEY (Year, Code));\n"
            "CREATE TABLE PLAIN (ID INTEGER PRIMARY KEY, NOTE TEXT);\n"
            "CREATE TABLE \"O'Brien\" (\n"
            "A INT, B TEXT, P INT REFERENCES plain, Q INT REFERENCES Plain (id),\n"
            "G INT REFERENCES GONE,\n"
            "FOREIGN KEY (A, B) REFERENCES \"head office\",\n"
            "FOREIGN KEY (B, A) REFERENCES [HEAD OFFICE] (code, YEAR));\n");
        const QList<ForeignKey> expected{
            key("O'Brien", "PLAIN", {{"P", "ID"}}),
            key("O'Brien", "PLAIN", {{"Q", "ID"}}),
            key("O'Brien", "GONE", {{"G", ""}}),
            key("O'Brien", "Head Office", {{"A", "Year"}, {"B", "Code"}}),
            key("O'Brien", "Head Office", {{"B", "Code"}, {"A", "Year"}}),
        };
        QCOMPARE(db->foreignKeys({"O'Brien"}), expected);
        QVERIFY(db->tableComments().isEmpty());
        QVERIFY(db->columnComments(QStringLiteral("O'Brien")).isEmpty());
    }

    // Columns added later are appended to the CREATE text with their comment; a view over a table
    // keeps its own comments only.
    void commentsFollowTheStoredText() {
        auto db = openBuilt(QStringLiteral("altered.db"), "CREATE TABLE T ( -- 表\n"
                                                          "A INT, -- 一\n"
                                                          "B INT\n"
                                                          ");\n"
                                                          "ALTER TABLE T ADD COLUMN C TEXT DEFAULT '--';\n"
                                                          "ALTER TABLE T RENAME COLUMN A TO AA;\n"
                                                          "CREATE VIEW V AS SELECT * FROM T;\n");
        QCOMPARE(db->tableComments(), CommentMap({{"T", "表"}}));
        QCOMPARE(db->columnComments(QStringLiteral("T")), CommentMap({{"AA", "一"}}));
        QVERIFY(db->columnComments(QStringLiteral("V")).isEmpty());
    }

    // Generated columns are columns like any other: listed where the table's columns are, each column
    // with its own comment, paired by name. A virtual table's hidden columns stay out.
    void generatedColumnsKeepEveryNameInPlace() {
        auto db =
            openBuilt(QStringLiteral("generated.db"), "CREATE TABLE G ( -- 生成\n"
                                                      "  A INT, -- 一\n"
                                                      "  B INT GENERATED ALWAYS AS (A * 2) VIRTUAL, -- 二\n"
                                                      "  c INT AS (A + 1) STORED, -- 三\n"
                                                      "  \"D \"\"d\"\"\" TEXT, -- 四\n"
                                                      "  [E e] INT, -- 五\n"
                                                      "  CONSTRAINT K CHECK (A > 0), -- 制約\n"
                                                      "  UNIQUE (A) -- 一意\n"
                                                      ");\n"
                                                      "INSERT INTO G (A) VALUES (20);\n"
                                                      "CREATE VIRTUAL TABLE F USING fts5(X, Y);\n");
        const auto columnsOf = [&](const char* table) {
            return values(*db,
                          QStringLiteral("select column_name from user_tab_columns where table_name = '%1' "
                                         "order by column_id")
                              .arg(QLatin1String(table)));
        };
        QCOMPARE(columnsOf("G"), QStringList({"A", "B", "c", "D \"d\"", "E e"}));
        QCOMPARE(db->columnComments(QStringLiteral("G")),
                 CommentMap({{"A", "一"}, {"B", "二"}, {"c", "三"}, {"D \"d\"", "四"}, {"E e", "五"}}));
        QCOMPARE(values(*db, QStringLiteral("select T1.B || ',' || T1.c from G T1")), QStringList({"40,21"}));
        QCOMPARE(columnsOf("F"), QStringList({"X", "Y"}));
    }
};

QTEST_GUILESS_MAIN(TestSqliteDictionary)
#include "test_sqlite_dictionary.moc"
