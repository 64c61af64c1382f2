// Logical names from the `--` comments ending the lines of CREATE texts, as SQLite keeps them.
#include "db/DefinitionComments.h"

#include <QtTest>

using namespace zemo;

class TestDefinitionComments : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tableAndColumnsOnTheirLines() {
        const auto c = definitionComments(u"CREATE TABLE CUSTOMERS ( -- 顧客\n"
                                          "  CUST_ID NUMBER(8) NOT NULL PRIMARY KEY, -- 顧客ID\n"
                                          "  CUST_NAME VARCHAR2(80),   --   顧客名  \r\n"
                                          "  PHONE VARCHAR2(20)\n"
                                          "  , NOTE VARCHAR2(200) --備考\n"
                                          ")");
        QCOMPARE(c.table, QStringLiteral("顧客"));
        QCOMPARE(c.entries, QStringList({"顧客ID", "顧客名", "", "備考"}));
    }

    // Quotes, brackets and backticks hide dashes, commas and parentheses; a comment belongs to the
    // entry whose tokens share its line.
    void quotedTextIsNotStructure() {
        const auto c = definitionComments(u"CREATE TABLE \"A--B\" (\n"
                                          "  \"x, (y\" TEXT DEFAULT 'it''s -- not, a (comment', -- 一\n"
                                          "  [p--q)] INT, `r``,s` INT CHECK (`r``,s` > 0), -- 三\n"
                                          "  t TEXT DEFAULT \"--\" -- 四\n"
                                          ")");
        QCOMPARE(c.table, QString());
        QCOMPARE(c.entries, QStringList({"一", "", "三", "四"}));
        QCOMPARE(c.names, QStringList({"x, (y", "p--q)", "r`,s", "t"}));
    }

    // A comment on a line of its own, or after the column list, names nothing; the first comment of
    // an entry that spans lines wins; block comments are skipped.
    void commentsThatNameNothing() {
        const auto c = definitionComments(u"CREATE TABLE T\n"
                                          "-- a note above the list\n"
                                          "( /* the list */\n"
                                          "  -- a note above the column\n"
                                          "  A NUMBER(4) -- 番号\n"
                                          "    CHECK (A > 0), -- 正の数\n"
                                          "  B INT /* no */ -- 二\n"
                                          ") -- after\n"
                                          "WITHOUT ROWID -- trailer");
        QCOMPARE(c.table, QString());
        QCOMPARE(c.entries, QStringList({"番号", "二"}));
    }

    // The head's comment may sit on the name's line before the parenthesis; the closing parenthesis
    // on the last entry's line keeps that entry's comment; a comma opening the next entry on the
    // first entry's line makes the comment the second entry's.
    void headAndClosingLines() {
        const auto c = definitionComments(u"CREATE TABLE IF NOT EXISTS main.T -- 表\n"
                                          "(A INT, B INT -- 二\n"
                                          ", C INT) -- 三");
        QCOMPARE(c.table, QStringLiteral("表"));
        QCOMPARE(c.entries, QStringList({"", "二", "三"}));
    }

    // Table constraints are entries too, after the columns; the caller maps entries to columns.
    void constraintsAreEntries() {
        const auto c = definitionComments(u"CREATE TABLE L ( -- 明細\n"
                                          "  ORDER_NO INT, -- 受注番号\n"
                                          "  LINE_NO INT,  -- 明細番号\n"
                                          "  PRIMARY KEY (ORDER_NO, LINE_NO), -- 主キー\n"
                                          "  FOREIGN KEY (ORDER_NO) REFERENCES O (ORDER_NO)\n"
                                          ")");
        QCOMPARE(c.entries, QStringList({"受注番号", "明細番号", "主キー", ""}));
        QCOMPARE(c.names, QStringList({"ORDER_NO", "LINE_NO", "", ""}));
    }

    // A view's column list, or a view (or CREATE TABLE AS) without one: the head ends at AS and the
    // query's own comments and parentheses name nothing.
    void views() {
        const auto listed = definitionComments(u"CREATE VIEW V ( -- 集計\n"
                                               "  N, -- 件数\n"
                                               "  S  -- 合計\n"
                                               ") AS SELECT count(*), -- not a column\n"
                                               " sum(x) FROM T");
        QCOMPARE(listed.table, QStringLiteral("集計"));
        QCOMPARE(listed.entries, QStringList({"件数", "合計"}));

        const auto plain = definitionComments(u"CREATE VIEW W AS -- 一覧\n"
                                              "SELECT a, -- not a column\n"
                                              "  (b) FROM T");
        QCOMPARE(plain.table, QStringLiteral("一覧"));
        QVERIFY(plain.entries.isEmpty());

        const auto as = definitionComments(u"create table X as select (1) as a -- none");
        QCOMPARE(as.table, QString());
        QVERIFY(as.entries.isEmpty());
    }

    // Cut texts end without a crash and keep what was read before the cut.
    void unterminatedTexts() {
        QCOMPARE(definitionComments(u"CREATE TABLE T ( -- 表\n A TEXT DEFAULT 'open -- x").entries,
                 QStringList({""}));
        QCOMPARE(definitionComments(u"CREATE TABLE T ( -- 表\n A INT, -- 一\n B [open").entries,
                 QStringList({"一", ""}));
        QCOMPARE(definitionComments(u"CREATE TABLE T ( -- 表\n A INT /* open").table, QStringLiteral("表"));
        QCOMPARE(definitionComments(u"").table, QString());
        QCOMPARE(definitionComments(u"--").table, QString());
    }
};

QTEST_GUILESS_MAIN(TestDefinitionComments)
#include "test_definition_comments.moc"
