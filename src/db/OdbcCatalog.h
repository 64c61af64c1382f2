#pragma once

#include <QList>
#include <QString>

namespace zemo {

class OdbcDatabase;

// The ODBC catalog functions on an ODBC connection, each on a statement of its own. Names come back
// as the database stores them. An empty schema means every schema. A failure throws the connection's
// ZemoError with the driver's message.

// A table or view (SQLTables) or a column (SQLColumns) with its REMARKS ("" when it has none).
struct OdbcRemark {
    QString schema;
    QString table;
    QString column; // empty for a table
    QString remarks;
};
// The tables and views.
QList<OdbcRemark> odbcTableRemarks(const OdbcDatabase& db, const QString& schema);
// The columns of the table named exactly `table`, in column order.
QList<OdbcRemark> odbcColumnRemarks(const OdbcDatabase& db, const QString& schema, const QString& table);

// One column pair of a foreign key held by a table (SQLForeignKeys).
struct OdbcKeyColumn {
    QString schema; // of the table holding the key
    QString table;  // the table holding the key
    QString column;
    QString refSchema;
    QString refTable;
    QString refColumn;
    QString name;     // FK_NAME; may be empty
    int position = 0; // KEY_SEQ, from 1
};
// The keys held by the table named exactly `table`.
QList<OdbcKeyColumn> odbcForeignKeys(const OdbcDatabase& db, const QString& schema, const QString& table);

} // namespace zemo
