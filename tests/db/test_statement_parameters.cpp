// Where a statement's `:name` placeholders stand, as the statement check's own scan finds them, and
// the text each adapter sends in their place.
#include "base/ZemoError.h"
#include "db/StatementParameters.h"

#include "support/ErrorNumber.h"

#include <QtTest>

using namespace zemo;

Q_DECLARE_METATYPE(zemo::SqlDialect)

namespace {

ParameterValues valuesFor(const QStringList& names) {
    ParameterValues v;
    for (const QString& n : names)
        v.insert(n, QStringLiteral("x"));
    return v;
}

} // namespace

class TestStatementParameters : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void placeholdersAndTheirText_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<SqlDialect>("dialect");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("dollar");   // libpq
        QTest::addColumn<QString>("numbered"); // SQLite
        QTest::addColumn<QString>("question"); // ODBC, Qt
        const auto row = [](const char* name, const QString& sql, SqlDialect d, const QStringList& names,
                            const QString& dollar, const QString& numbered, const QString& question) {
            QTest::newRow(name) << sql << d << names << dollar << numbered << question;
        };
        const QString builder =
            QStringLiteral("select \r\ncount(*) \r\nFROM \r\nORDERS T1 \r\n"
                           "Where T1.ORDER_DATE >= :開始日  \r\nAnd T1.ORDER_DATE < :終了日  \r\n");
        row("assembled", builder, SqlDialect::Oracle, {QStringLiteral("開始日"), QStringLiteral("終了日")},
            QString(builder)
                .replace(QStringLiteral(":開始日"), QStringLiteral("$1"))
                .replace(QStringLiteral(":終了日"), QStringLiteral("$2")),
            QString(builder)
                .replace(QStringLiteral(":開始日"), QStringLiteral("?1"))
                .replace(QStringLiteral(":終了日"), QStringLiteral("?2")),
            QString(builder)
                .replace(QStringLiteral(":開始日"), QStringLiteral("?"))
                .replace(QStringLiteral(":終了日"), QStringLiteral("?")));
        row("a name used twice", QStringLiteral(":a = :b or :a"), SqlDialect::Generic,
            {QStringLiteral("a"), QStringLiteral("b")}, QStringLiteral("$1 = $2 or $1"),
            QStringLiteral("?1 = ?2 or ?1"), QStringLiteral("? = ? or ?"));
        row("in quotes and comments", QStringLiteral("x = ':a' and \":b\" = :c -- :d\r\n/* :e */ + :f"),
            SqlDialect::Sqlite, {QStringLiteral("c"), QStringLiteral("f")},
            QStringLiteral("x = ':a' and \":b\" = $1 -- :d\r\n/* :e */ + $2"),
            QStringLiteral("x = ':a' and \":b\" = ?1 -- :d\r\n/* :e */ + ?2"),
            QStringLiteral("x = ':a' and \":b\" = ? -- :d\r\n/* :e */ + ?"));
        row("a cast is no placeholder", QStringLiteral("x::text = :a::text"), SqlDialect::Postgres,
            {QStringLiteral("a")}, QStringLiteral("x::text = $1::text"), QStringLiteral("x::text = ?1::text"),
            QStringLiteral("x::text = ?::text"));
        row("Oracle's q-quote", QStringLiteral("q'[:a ']' || :b"), SqlDialect::Oracle, {QStringLiteral("b")},
            QStringLiteral("q'[:a ']' || $1"), QStringLiteral("q'[:a ']' || ?1"),
            QStringLiteral("q'[:a ']' || ?"));
        row("PostgreSQL's dollar quote", QStringLiteral("$t$ :a $t$ || :b"), SqlDialect::Postgres,
            {QStringLiteral("b")}, QStringLiteral("$t$ :a $t$ || $1"), QStringLiteral("$t$ :a $t$ || ?1"),
            QStringLiteral("$t$ :a $t$ || ?"));
        row("where a name ends", QStringLiteral(":a$1,:b_2+:ｃ日;:1 :"), SqlDialect::Generic,
            {QStringLiteral("a$1"), QStringLiteral("b_2"), QStringLiteral("ｃ日")},
            QStringLiteral("$1,$2+$3;:1 :"), QStringLiteral("?1,?2+?3;:1 :"), QStringLiteral("?,?+?;:1 :"));
        row("none", QStringLiteral("select 'a:b' from t"), SqlDialect::Generic, QStringList(),
            QStringLiteral("select 'a:b' from t"), QStringLiteral("select 'a:b' from t"),
            QStringLiteral("select 'a:b' from t"));
    }
    void placeholdersAndTheirText() {
        QFETCH(QString, sql);
        QFETCH(SqlDialect, dialect);
        QFETCH(QStringList, names);
        QCOMPARE(placeholderNames(sql, dialect), names);
        const BoundStatement b = bindStatement(sql, dialect, valuesFor(names));
        QCOMPARE(b.names, names);
        QCOMPARE(b.hasPlaceholders(), !names.isEmpty());
        if (!b.hasPlaceholders())
            return;
        QTEST(boundText(b, ParameterStyle::Dollar), "dollar");
        QTEST(boundText(b, ParameterStyle::NumberedQuestion), "numbered");
        QTEST(boundText(b, ParameterStyle::Question), "question");
    }

    void valuesGoWithTheirNames() {
        const BoundStatement b = bindStatement(QStringLiteral(":b, :a, :b"), SqlDialect::Generic,
                                               {{QStringLiteral("a"), QStringLiteral("1")},
                                                {QStringLiteral("b"), QStringLiteral("2")},
                                                {QStringLiteral("unused"), QStringLiteral("3")}});
        QCOMPARE(b.values, (QStringList{QStringLiteral("2"), QStringLiteral("1")}));
        QCOMPARE(useValues(b), (QStringList{QStringLiteral("2"), QStringLiteral("1"), QStringLiteral("2")}));
    }

    void refusals_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<SqlDialect>("dialect");
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("number");
        const int question = int(ParameterStyle::Question), dollar = int(ParameterStyle::Dollar);
        QTest::newRow("a value missing")
            << QStringLiteral(":a = :missing") << SqlDialect::Generic << question << err::MissingValue;
        QTest::newRow("? beside :name for ?")
            << QStringLiteral("? = :a") << SqlDialect::Generic << question << err::ParameterForm;
        QTest::newRow("$1 beside :name for $n")
            << QStringLiteral("$1 = :a") << SqlDialect::Postgres << dollar << err::ParameterForm;
        QTest::newRow("? beside :name for $n")
            << QStringLiteral("? = :a") << SqlDialect::Postgres << dollar << 0;
        // With standard_conforming_strings off the backslash ends no string: the readings disagree.
        QTest::newRow("readings disagree")
            << QStringLiteral("'\\' = :a'") << SqlDialect::Postgres << dollar << err::ParameterForm;
    }
    void refusals() {
        QFETCH(QString, sql);
        QFETCH(SqlDialect, dialect);
        QFETCH(int, style);
        QTEST(test::errorNumberOf([&] {
                  boundText(bindStatement(sql, dialect, {{QStringLiteral("a"), QStringLiteral("1")}}),
                            ParameterStyle(style));
              }),
              "number");
    }

    void dialectOfServiceName() {
        QCOMPARE(dialectOfService(QStringLiteral("demo.db")), SqlDialect::Sqlite);
        QCOMPARE(dialectOfService(QStringLiteral("postgresql://h/db")), SqlDialect::Postgres);
        QCOMPARE(dialectOfService(QStringLiteral("ORCL")), SqlDialect::Oracle);
        QCOMPARE(dialectOfService(QStringLiteral("odbc:DSN=x")), SqlDialect::Generic);
    }
};

QTEST_GUILESS_MAIN(TestStatementParameters)
#include "test_statement_parameters.moc"
