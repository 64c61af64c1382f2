#pragma once

#include "app/Module1.h"

#include <QString>
#include <functional>

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

// Runs the table-list query and hands each name to `add` as it is read, so that the names read
// before a failure stay.
void readTableNames(OracleDatabase& db, const std::function<void(const QString&)>& add);

// Loads the columns of one marked table into the column grid (names in column 2k, type texts in
// column 2k+1, rows from 2), the FROM body and the display items. What was written before a failure
// stays; the failure is thrown as ZemoError.
void loadTableColumns(OracleDatabase& db, GridModel& grid, const QString& tableName, int ordinal,
                      QString& fromList, const std::function<void(const QString&)>& addDisplayItem);

} // namespace zemo
