#pragma once

#include "base/ZemoError.h"
#include "db/Dictionary.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace zemo {

class OracleDatabase;

// The catalogue's reads. They run on the connection's thread and touch nothing of the session: what
// they read is handed back, and the window files it once the call has finished (Catalogue.h).

// The user's tables and views.
inline const QString kTableListQuery =
    QStringLiteral("select OBJECT_NAME from USER_OBJECTS where OBJECT_TYPE IN ('TABLE','VIEW')");

// The column list of one table; quotes inside the name are doubled so the name stays one literal.
QString columnQuery(const QString& tableName);

// Runs the table-list query and hands each name to `add` as it is read, so that the names read
// before a failure stay.
void readTableNames(OracleDatabase& db, const std::function<void(const QString&)>& add);

// The columns of one table, in the order the query returns them. A failure after the query ran keeps
// the columns read before it beside the error; a failure of the query itself is thrown.
struct TableColumns {
    QList<TableColumn> columns;
    std::optional<ZemoError> failure;
};
TableColumns readTableColumns(OracleDatabase& db, const QString& tableName);

// Logical names: the schema's own names for its tables and columns (顧客名 for CUST_NAME), kept in
// the dictionary's comments. They are shown beside the names; what is picked, copied and assembled
// is always the name itself.

// The logical name a comment gives: its first line that is not blank, without blanks around it.
QString logicalName(const QString& comment);

// The logical names of the user's tables and views, by name.
CommentMap readTableLogicalNames(OracleDatabase& db);

// The logical names of one table's columns, by column name.
CommentMap readColumnLogicalNames(OracleDatabase& db, const QString& tableName);

// Gives each column the logical name `logical` holds for it, or none.
void attachLogicalNames(QList<TableColumn>& columns, const CommentMap& logical);

// The columns of one table with their logical names. A failure to read the comments is kept beside
// the columns, as a failing fetch is.
TableColumns readNamedTableColumns(OracleDatabase& db, const QString& tableName);

// The foreign keys held by the marked tables (the table dialog calls this on the database thread and
// keeps the result for the join conditions).
QList<ForeignKey> readForeignKeys(OracleDatabase& db, const QStringList& markedTables);

} // namespace zemo
