#pragma once

#include "db/Dictionary.h"
#include "session/Module1.h"

#include <QList>
#include <QString>
#include <functional>

namespace zemo {

class GridModel;

// The catalogue as the windows keep it: the saved table list, the FROM body and the column grid. Window
// thread only; what the connection's thread reads is in CatalogueReads.h.

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

// Writes one marked table into the column grid: its name and alias in rows 0 and 1 of column 2k, the
// alias-qualified column names below them and the type texts in column 2k+1. The grid gets 2(k+1)
// columns and at least the rows the table needs; it never loses rows. Each display item (the
// column-name cell's text) goes to `addDisplayItem`, in column order. The name cells carry the
// table's and the columns' logical names.
void writeTableColumns(GridModel& grid, const QString& tableName, int ordinal,
                       const QList<TableColumn>& columns,
                       const std::function<void(const QString&)>& addDisplayItem,
                       const QString& tableLogical = {});

// The column a display item stands for: its text after the alias and the dot.
QString displayItemColumn(const QString& itemText);

} // namespace zemo
