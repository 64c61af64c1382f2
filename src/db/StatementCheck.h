#pragma once

#include <QString>
#include <QStringView>
#include <vector>

namespace zemo {

// How a database splits text into tokens: which quotes and comments it knows. Generic stands for a
// product we cannot name (an unknown ODBC driver) and covers all the others and a few more.
enum class SqlDialect { Generic, Oracle, Postgres, Sqlite };

struct StatementCount {
    int statements = 0;        // the most statements any reading of the text finds
    int fewest = 0;            // the fewest any reading finds
    bool unterminated = false; // some reading ends inside a quote, a block comment or a body
};

// The part of a text that reaches a database: every client library stops at the first NUL.
QStringView textAsSent(QStringView sql);

// Counts the statements of the text as sent under every lexical reading the dialect allows (server
// settings, product versions). Blanks, comments and semicolons alone make no statement; SQLite's
// trigger bodies, PostgreSQL's BEGIN ATOMIC bodies and rule actions keep their semicolons. Linear
// in the text.
StatementCount countStatements(QStringView sql, SqlDialect dialect);

inline bool holdsOneStatement(QStringView sql, SqlDialect dialect) {
    return countStatements(sql, dialect).statements <= 1;
}

// A parameter marker: where it starts and its length. Named is `:name` (colon included); Question a
// "?" and Dollar a "$1", the forms other databases take.
struct PlaceholderSpan {
    enum class Kind { Named, Question, Dollar };
    qsizetype offset = 0;
    qsizetype length = 0;
    Kind kind = Kind::Named;
    bool operator==(const PlaceholderSpan&) const = default;
};

// The parameter markers outside quotes and comments, found by the same scan as the statements, once per
// lexical reading of the dialect (the readings may disagree about where a quote ends).
std::vector<std::vector<PlaceholderSpan>> placeholderSpans(QStringView sql, SqlDialect dialect);

// Throws ZemoError(err::MultiStatement) unless every reading finds at most one statement.
void requireOneStatement(QStringView sql, SqlDialect dialect);

// The text of that error, shared with the SQLite adapter's own check.
QString multiStatementMessage();

} // namespace zemo
