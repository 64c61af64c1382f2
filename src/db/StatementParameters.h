#pragma once

#include "db/StatementCheck.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <vector>

namespace zemo {

// Values for a statement's `:name` placeholders, by name (without the colon).
using ParameterValues = QMap<QString, QString>;

// A statement with its named placeholders and the values that go with them. The text stays as
// written; each adapter sends the values as parameters in its own form, never inside the text.
struct BoundStatement {
    QString text;
    std::vector<PlaceholderSpan> uses;   // the `:name` placeholders, in text order
    QList<int> useNames;                 // for each use, its name's place in `names`
    QStringList names;                   // in the order of their first use
    QStringList values;                  // a value for each name
    std::vector<PlaceholderSpan> others; // markers of other parameter forms ("?", "$1")

    bool hasPlaceholders() const { return !uses.empty(); }
};

// How an adapter writes a parameter into the text it sends.
enum class ParameterStyle {
    NumberedQuestion, // ?1, ?2 for each name (SQLite)
    Dollar,           // $1, $2 for each name (libpq)
    Question,         // ? for each use, a value each (ODBC, Qt's drivers)
};

// The names of the placeholders that any reading of the dialect finds, in the order of their first
// use, for asking their values before the statement runs.
QStringList placeholderNames(QStringView sql, SqlDialect dialect);

// The statement with its placeholders and their values. Throws ZemoError: err::ParameterForm when
// the readings of the dialect disagree about where a placeholder stands, err::MissingValue naming
// the placeholders `values` lacks. Values for names the text does not use are left out.
BoundStatement bindStatement(const QString& sql, SqlDialect dialect, const ParameterValues& values);

// The text to send: each placeholder in `style`'s form. Throws err::ParameterForm when the text also
// holds markers of that form, which the database would take for ours.
QString boundText(const BoundStatement& statement, ParameterStyle style);

// The values in the order of the uses, one per "?" (ParameterStyle::Question).
QStringList useValues(const BoundStatement& statement);

// How a service name's database reads quotes and comments, as far as the name tells it: an ODBC
// data source may be any product.
SqlDialect dialectOfService(const QString& serviceName);

} // namespace zemo
