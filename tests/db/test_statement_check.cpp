// The one-statement check: quotes and comments of each dialect, texts built to look like one
// statement to one reading and two to another, and the check standing in front of every adapter.
#include "base/ZemoError.h"
#include "db/OracleAccess.h"
#include "db/ParserVerdicts.h"
#include "db/StatementCheck.h"
#include "support/RealParsers.h"

#include <QtTest>
#include <algorithm>

using namespace zemo;
using namespace zemo::test;

Q_DECLARE_METATYPE(zemo::SqlDialect)

namespace {

constexpr SqlDialect kAll[] = {SqlDialect::Generic, SqlDialect::Oracle, SqlDialect::Postgres,
                               SqlDialect::Sqlite};

// A backend that only records what reached it.
class RecordingDatabase : public OracleDatabase {
public:
    explicit RecordingDatabase(SqlDialect d) : m_dialect(d) {}
    std::unique_ptr<OracleResultSet> createResultSet(const QString& sql) override {
        received << sql;
        throw ZemoError(err::Unexpected, QStringLiteral("reached the backend"));
    }
    QString backendName() const override { return QStringLiteral("recording"); }
    SqlDialect dialect() const override { return m_dialect; }
    QStringList received;

private:
    SqlDialect m_dialect;
};

} // namespace

class TestStatementCheck : public QObject {
    Q_OBJECT

    static void addCase(const char* name, const char* sql, SqlDialect d, int statements) {
        QTest::newRow(name) << QString::fromUtf8(sql) << d << statements;
    }
    static void addEverywhere(const char* name, const char* sql, int statements) {
        for (SqlDialect d : kAll)
            QTest::addRow("%s/%d", name, int(d)) << QString::fromUtf8(sql) << d << statements;
    }

private Q_SLOTS:
    // Texts every dialect reads alike.
    void commonQuotesAndComments_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<SqlDialect>("dialect");
        QTest::addColumn<int>("statements");
        addEverywhere("empty", "", 0);
        addEverywhere("only blanks, semicolons, comments", " ;\t; -- x\n/* y */;", 0);
        addEverywhere("plain", "select 1 from t", 1);
        addEverywhere("trailing semicolons and comments", "select 1 from t ; ; -- done\r\n/* end */ ;", 1);
        addEverywhere("leading comment", "/* a; b */ select 1 -- c; d", 1);
        addEverywhere("two", "select 1; drop table t", 2);
        addEverywhere("two without blanks", "select 1;select 2;", 2);
        addEverywhere("three", "a;b;c", 3);
        addEverywhere("semicolon in a string", "select ';' from t where a = 'x;y'", 1);
        addEverywhere("doubled quote", "select 'it''s; fine' from t", 1);
        addEverywhere("doubled quote then a second", "select 'it''s'; drop table t", 2);
        addEverywhere("semicolon in a quoted name", "select \"a;b\" from t", 1);
        addEverywhere("doubled double quote", "select \"a\"\"; drop table t\" from t", 1);
        addEverywhere("line comment hides nothing after its line", "select 1 -- x\n; drop table t", 2);
        addEverywhere("dashes in a string", "select '--' ; drop table t", 2);
        addEverywhere("block comment opener in a string", "select '/*' ; drop table t; '*/'", 3);
        addEverywhere("block comment", "select 1 /* ; drop table t */ from t", 1);
        addEverywhere("comment opener in a comment line", "select 1 -- /*\n; drop table t -- */", 2);
        addEverywhere("hostile table name in the FROM list",
                      "select T1.A\r\nfrom T; DROP TABLE VICTIM; -- T1", 2);
        addEverywhere(
            "hostile table name as a literal",
            "select column_name from user_tab_columns where table_name = 'T; DROP TABLE VICTIM; --'", 1);
    }
    void commonQuotesAndComments() { check(); }

    // Where the dialects part ways; each case is a text one reading takes for one statement and
    // another for two.
    void dialectQuotesAndComments_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<SqlDialect>("dialect");
        QTest::addColumn<int>("statements");
        const auto O = SqlDialect::Oracle, P = SqlDialect::Postgres, S = SqlDialect::Sqlite,
                   G = SqlDialect::Generic;

        // PostgreSQL nests block comments, the others end at the first */.
        const char* nested = "select 1 /* /* */ ; drop table t */";
        addCase("nested: postgres one", nested, P, 1);
        addCase("nested: oracle two", nested, O, 2);
        addCase("nested: sqlite two", nested, S, 2);
        const char* nestedHides = "select 1 /* /* */ ' */ ; drop table t; -- '";
        addCase("nested hides a quote: postgres two", nestedHides, P, 2);
        addCase("nested hides a quote: oracle one", nestedHides, O, 1);
        addCase("nested hides a quote: generic two", nestedHides, G, 2);
        addCase("a lone CR ends a postgres comment", "select 1 -- x\r; drop table t", P, 2);
        addCase("a lone CR does not end a sqlite comment", "select 1 -- x\r; drop table t", S, 1);

        // Dollar quotes: $tag$ opens, V$SESSION and $1 do not.
        addCase("dollar quote", "select $$a; b$$ from t", P, 1);
        addCase("tagged dollar quote", "select $x$ $$; $y$ ; $x$ ;", P, 1);
        addCase("dollar quote closed, then more", "select $x$ ; $x$; drop table t", P, 2);
        addCase("dollar quote unknown to sqlite", "select $$a; b$$ from t", S, 2);
        addCase("dollar in a name", "select V$x$; drop table t; -- $x$", P, 2);
        addCase("dollar in a name with digits", "select a1$x$; drop table t; -- $x$", P, 2);
        addCase("positional parameter", "select $1 ; drop table t ; $1", P, 3);
        addCase("dollar quote after a number", "select 1$a$ ' $a$; drop table t; -- '", P, 2);
        addCase("V$SESSION and a string", "select * from V$SESSION where a = '$x$;'", O, 1);
        addCase("dollar quote with a Japanese tag", "select $名前$ ; $名前$", P, 1);

        // Backslashes: E'...' always, plain strings when standard_conforming_strings is off.
        const char* eString = "select E'\\'; drop table t; --'";
        addCase("E string", eString, P, 1);
        addCase("E string unknown to sqlite", eString, S, 2);
        addCase("E after a name is no prefix", "select xE'\\'; drop table t; --'", P, 2);
        addCase("backslash ends a plain string with conforming strings", "select '\\'; drop table t; --'", P,
                2);
        const char* offReading = "select 'x\\' ' ; drop table t; -- '";
        addCase("backslash escapes with conforming strings off", offReading, P, 2);
        addCase("backslash is a character in sqlite", offReading, S, 1);
        addCase("doubled quote inside an E string", "select E'a''\\'; drop table t; --'", P, 1);

        // Oracle's q'...' quotes with paired and plain delimiters.
        addCase("q quote", "select q'[it's; fine]' from dual", O, 1);
        addCase("q quote braces", "select Q'{a'; b}' from dual", O, 1);
        addCase("q quote angle", "select nq'<a'; b>' from dual", O, 1);
        addCase("q quote plain delimiter", "select q'!a'; b!' from dual", O, 1);
        addCase("q quote ends at its delimiter", "select q'[ ' ]'; drop table t; --'", O, 2);
        addCase("q quote unknown to sqlite", "select q'[it's; fine]' from dual", S, 2);
        addCase("q after a name is no prefix", "select xq'[ ' ]'; drop table t; --'", O, 1);
        addCase("q after a Japanese letter may be a prefix", "select あq'[ ' ]'; drop table t; --'", O, 2);

        // SQLite's [name] and `name`.
        addCase("bracket name", "select [a;b] from t", S, 1);
        addCase("sqlite parameter holds a quote", "select $a(') ; drop table t; -- '", S, 2);
        addCase("sqlite parameter holds a semicolon", "select :a(x;y), @b::c(;) from t", S, 1);
        addCase("parameter suffix ends at a blank", "select $a(' ;x') from t", S, 2);
        addCase("backtick name", "select `a;b` from t", S, 1);
        addCase("bracket has no doubling in sqlite", "select [a]]; drop table t; --]", S, 2);
        addCase("brackets are no quotes to postgres", "select [ ' ] ; drop table t; -- '", P, 1);
        addCase("brackets are quotes to sqlite", "select [ ' ] ; drop table t; -- '", S, 2);

        // An unknown product: every reading, MySQL's among them.
        addCase("generic: dashes without a blank", "select 1 --x; drop table t", G, 2);
        addCase("postgres: dashes without a blank", "select 1 --x; drop table t", P, 1);
        addCase("generic: MySQL runs /*! */", "select 1 /*!; drop table t */", G, 2);
        addCase("generic: hash comment", "select 1 # ' \n ; drop table t ; -- '", G, 2);
        addCase("generic: what postgres refuses", nestedHides, G, 2);
        addCase("generic: what oracle refuses", "select q'[ ' ]'; drop table t; --'", G, 2);
        addCase("generic: one plain statement", "select a, 'b;c' from t -- end", G, 1);
    }
    void dialectQuotesAndComments() { check(); }

    // The check reads as the real parsers read: each text of the shared table against SQLite's own
    // verdict here (PostgreSQL's is checked in test_server_statements), and the check against both.
    void realParsers_data() { addParserCaseRows(); }
    void realParsers() {
        QFETCH(int, row);
        const ParserCase& c = kParserCases[row];
        const QString text = textOf(c);
        const ParserVerdict lite = m_sqlite.judge(textAsSent(text).toUtf8());
        QVERIFY2(lite.whole || lite.runs == 0, "SQLite ran statements before an error");
        QCOMPARE(lite.whole ? lite.runs : kUnread, c.sqlite);
        agrees(countStatements(text, SqlDialect::Sqlite).statements, c.sqlite, kUnread, c.refusedThoughOne);
        agrees(std::min(countStatements(text, SqlDialect::Postgres).statements, 2), c.postgresOn,
               c.postgresOff, c.refusedThoughOne);
    }

    void unterminatedQuotesAreOneStatement_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<SqlDialect>("dialect");
        QTest::newRow("string") << "select 'abc; drop" << SqlDialect::Sqlite;
        QTest::newRow("block comment") << "select 1 /* ; x" << SqlDialect::Oracle;
        QTest::newRow("nested comment") << "select 1 /* /* */ ; x" << SqlDialect::Postgres;
        QTest::newRow("dollar quote") << "select $a$ ; x $b$" << SqlDialect::Postgres;
        QTest::newRow("q quote") << "select q'[ ; x ]" << SqlDialect::Oracle;
        QTest::newRow("q at the very end") << "select q'" << SqlDialect::Oracle;
        // A body left open: a semicolon appended would not end the statement.
        QTest::newRow("trigger body")
            << "create trigger x after insert on t begin select 1; x" << SqlDialect::Sqlite;
        QTest::newRow("routine body") << "create procedure p() begin atomic ; x" << SqlDialect::Postgres;
        QTest::newRow("rule actions") << "create rule r as on insert to t do (x" << SqlDialect::Postgres;
    }
    void unterminatedQuotesAreOneStatement() {
        QFETCH(QString, sql);
        QFETCH(SqlDialect, dialect);
        const StatementCount n = countStatements(sql, dialect);
        QCOMPARE(n.statements, 1);
        QVERIFY(n.unterminated);
        QVERIFY(!countStatements(QStringLiteral("select 'a' /* b */ -- c"), dialect).unterminated);
    }

    // MySQL takes "--x" for code, every other reading for a comment.
    void readingsDisagree() {
        const StatementCount n = countStatements(QStringLiteral("--x; y"), SqlDialect::Generic);
        QCOMPARE(n.statements, 2);
        QCOMPARE(n.fewest, 0);
        const StatementCount p = countStatements(QStringLiteral("--x; y"), SqlDialect::Postgres);
        QCOMPARE(p.statements, 0);
        QCOMPARE(p.fewest, 0);
    }

    // The check stands in CreateDynaset, in front of every backend, with one number and message.
    void createDynasetRefusesBeforeTheBackend() {
        for (SqlDialect d : kAll) {
            RecordingDatabase db(d);
            try {
                db.CreateDynaset(QStringLiteral("select 1; drop table t"), 0);
                QFAIL("two statements reached the backend");
            } catch (const ZemoError& e) {
                QCOMPARE(e.number(), err::MultiStatement);
                QCOMPARE(e.description(), QStringLiteral("一度に実行できるSQL文は一つだけです"));
            }
            QVERIFY(db.received.isEmpty());
            QVERIFY_THROWS_EXCEPTION(ZemoError, db.CreateDynaset(QStringLiteral("select 1 ;-- end"), 0));
            QCOMPARE(db.received, QStringList{QStringLiteral("select 1 ;-- end")});
            // What follows a NUL is neither judged nor sent.
            QVERIFY_THROWS_EXCEPTION(ZemoError, db.CreateDynaset(QStringLiteral("select 2") + QChar(0) +
                                                                 QStringLiteral("; drop table t")));
            QCOMPARE(db.received.last(), QStringLiteral("select 2"));
        }
        // The adapter's dialect decides: PostgreSQL's nesting lets this through, Oracle's does not.
        RecordingDatabase pg(SqlDialect::Postgres), ora(SqlDialect::Oracle);
        const QString nested = QStringLiteral("select 1 /* /* */ ; x */");
        QVERIFY_THROWS_EXCEPTION(ZemoError, pg.CreateDynaset(nested));
        QCOMPARE(pg.received.size(), 1);
        QVERIFY_THROWS_EXCEPTION(ZemoError, ora.CreateDynaset(nested));
        QVERIFY(ora.received.isEmpty());
    }

    // The SQLite adapter: a hostile table name in the FROM list is refused and the table it names
    // to drop stays.
    void sqliteRefusesAHostileTableName() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("hostile.db"));
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly)); // an empty file is an empty database
        }
        auto db = OracleSession().OpenDatabase(path, QStringLiteral("u/p"), 0);
        QCOMPARE(db->dialect(), SqlDialect::Sqlite);
        db->CreateDynaset(QStringLiteral("create table VICTIM (A integer)"));
        db->CreateDynaset(QStringLiteral("create table [T; DROP TABLE VICTIM; --] (A integer)"));
        try {
            db->CreateDynaset(QStringLiteral("select T1.A\r\nfrom T; DROP TABLE VICTIM; -- T1"));
            QFAIL("the hostile statement ran");
        } catch (const ZemoError& e) {
            QCOMPARE(e.number(), err::MultiStatement);
        }
        auto rs = db->CreateDynaset(
            QStringLiteral("select count(*) from sqlite_master where name = 'VICTIM' and type = 'table'"));
        QCOMPARE(rs->Fields(0).Value().toInt(), 1);
    }

private:
    SqliteParser m_sqlite;

    // The check's count against the parsers that read the text whole (kUnread: nothing runs there).
    static void agrees(int check, int parser, int other, bool refusedThoughOne) {
        const int expected = std::max(parser, other);
        if (expected == kUnread)
            return;
        if (refusedThoughOne) {
            QCOMPARE(expected, 1);
            QVERIFY(check > 1);
        } else {
            QCOMPARE(check, expected);
        }
    }

    void check() {
        QFETCH(QString, sql);
        QFETCH(SqlDialect, dialect);
        QFETCH(int, statements);
        QCOMPARE(countStatements(sql, dialect).statements, statements);
        QCOMPARE(holdsOneStatement(sql, dialect), statements <= 1);
        if (statements > 1)
            QVERIFY_THROWS_EXCEPTION(ZemoError, requireOneStatement(sql, dialect));
        else
            requireOneStatement(sql, dialect);
    }
};

QTEST_GUILESS_MAIN(TestStatementCheck)
#include "test_statement_check.moc"
