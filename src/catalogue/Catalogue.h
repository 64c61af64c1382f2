#pragma once

#include "app/Module1.h"
#include "app/ZemoError.h"
#include "db/Dictionary.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace zemo {

class GridModel;
class OracleDatabase;

// The user's tables and views.
inline const QString kTableListQuery =
    QStringLiteral("select OBJECT_NAME from USER_OBJECTS where OBJECT_TYPE IN ('TABLE','VIEW')");

// The column list of one table; quotes inside the name are doubled so the name stays one literal.
QString columnQuery(const QString& tableName);

// "T" and the 1-based position among the marked tables.
QString tableAlias(int ordinal);

// Appends "name Tk" to the FROM body, after "," CR LF unless it is the first table.
void appendFromEntry(QString& fromList, const QString& tableName, int ordinal);

// Whether the saved catalogue may be shown instead of querying: it must exist and have been read over
// the connection's own service and user, so another schema's tables are never offered.
bool catalogueSavedForConnection();

// Saves the list and its marks as the catalogue of the current connection. An empty list saves a
// count of 0 and leaves the old rows, which are then never read.
void saveCatalogue(const QList<TableListRow>& rows);

// The marked tables' names in list order: the table of ordinal k is entry k.
QStringList markedTableNames(const QList<TableListRow>& rows);

// Runs the table-list query and hands each name to `add` as it is read, so that the names read
// before a failure stay.
void readTableNames(OracleDatabase& db, const std::function<void(const QString&)>& add);

// One column of a table as the column query gives it: its name and its type text ("VARCHAR2[20]"),
// and the logical name its comment gives, for display only.
struct TableColumn {
    QString name;
    QString typeLen;
    QString logical = {};
    bool operator==(const TableColumn&) const = default;
};

// The columns of one table, in the order the query returns them. A failure after the query ran keeps
// the columns read before it beside the error; a failure of the query itself is thrown.
struct TableColumns {
    QList<TableColumn> columns;
    std::optional<ZemoError> failure;
};
TableColumns readTableColumns(OracleDatabase& db, const QString& tableName);

// Writes one marked table into the column grid: its name and alias in rows 0 and 1 of column 2k, the
// alias-qualified column names below them and the type texts in column 2k+1. The grid gets 2(k+1)
// columns and at least the rows the table needs; it never loses rows. Each display item (the
// column-name cell's text) goes to `addDisplayItem`, in column order. The name cells carry the
// table's and the columns' logical names.
void writeTableColumns(GridModel& grid, const QString& tableName, int ordinal,
                       const QList<TableColumn>& columns,
                       const std::function<void(const QString&)>& addDisplayItem,
                       const QString& tableLogical = {});

// A display item as the main window lists it: its text ("T1.CUST_NAME"), its column's logical name,
// and whether the user selected it.
struct DisplayItem {
    QString text;
    QString logical;
    bool selected = false;
};

// The column a display item stands for: its text after the alias and the dot.
QString displayItemColumn(const QString& itemText);

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
