// Where a statement's `:name` placeholders stand, as the statement check's own scan finds them, and
// the text libpq gets in their place; the texts that cannot be bound.
#include "base/ZemoError.h"
#include "db/StatementParameters.h"
#include "support/ErrorNumber.h"

#include <QtTest>

using namespace zemo;

Q_DECLARE_METATYPE(zemo::SqlDialect)

class TestStatementParameters : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // `sent` is the text libpq gets, or the error's number.
    void placeholders_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<SqlDialect>("dialect");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("sent");
        const auto row = [](const char* tag, const char* sql, SqlDialect d, const QStringList& names,
                            const char* sent) {
            QTest::newRow(tag) << QString::fromUtf8(sql) << d << names << QString::fromUtf8(sent);
        };
        row("in quotes and comments", "x = ':a' and \":a\" = :a -- :b\r\n/* :b */", SqlDialect::Sqlite, {"a"},
            "x = ':a' and \":a\" = $1 -- :b\r\n/* :b */");
        row("a cast is none", "x::text = :a::text", SqlDialect::Postgres, {"a"}, "x::text = $1::text");
        row("a dollar quote", "$t$ :b $t$ || :a", SqlDialect::Postgres, {"a"}, "$t$ :b $t$ || $1");
        row("where a name ends", ":a$1,:開始日+:b_2;:1 :", SqlDialect::Generic, {"a$1", "開始日", "b_2"},
            "$1,$2+$3;:1 :");
        row("a value missing", ":a = :c", SqlDialect::Generic, {"a", "c"}, "1006");
        row("$1 beside :name", "$1 = :a", SqlDialect::Postgres, {"a"}, "1007"); // "?" likewise for ODBC
        // With standard_conforming_strings off the backslash ends no string: the readings disagree.
        row("readings disagree", "'\\' = :a'", SqlDialect::Postgres, {"a"}, "1007");
    }
    void placeholders() {
        QFETCH(QString, sql);
        QFETCH(SqlDialect, dialect);
        QFETCH(QStringList, names);
        QFETCH(QString, sent);
        QCOMPARE(placeholderNames(sql, dialect), names);
        ParameterValues values; // every name but "c"
        for (const QString& n : names)
            if (n != QLatin1String("c"))
                values.insert(n, n);
        QString text;
        const int number = test::errorNumberOf(
            [&] { text = boundText(bindStatement(sql, dialect, values), ParameterStyle::Dollar); });
        QCOMPARE(number ? QString::number(number) : (names.isEmpty() ? QString() : text), sent);
    }
};

QTEST_GUILESS_MAIN(TestStatementParameters)
#include "test_statement_parameters.moc"
