#pragma once

#include "db/Dictionary.h"
#include "mainwindow/SavedQuery.h"
#include "session/Module1.h"

#include <QMap>

namespace zemo {

class DbCall;
class OracleDatabase;

// Opening a saved query: what the database holds now of its tables, read on the connection's thread,
// and what of the query it no longer has.

struct QueryRestoreRead {
    QStringList tableNames;                // the user's tables and views, as the table dialog lists them
    CommentMap tableLogical;               // their logical names
    QMap<int, QList<TableColumn>> columns; // by ordinal, for each saved table the database still has
};

// Reads the table list and the columns of each saved table that is in it. A failure is thrown; a
// stop of `call` ends the read (throwStopped).
QueryRestoreRead readForRestore(OracleDatabase& db, const QList<SavedTable>& tables, const DbCall& call);

// What the saved query uses that the database no longer has, once each in the file's order: the
// tables ("CUSTOMERS（T1）"), then the display items and the alias-qualified columns the conditions
// name ("T2.STATUS") of the tables that are still there.
QStringList vanishedNames(const SavedQuery& query, const QueryRestoreRead& read);
// The one message that names them.
QString vanishedMessage(const QStringList& names);

// The table list as the table dialog keeps it, the saved tables that are still there marked.
QList<TableListRow> restoredCatalogue(const QueryRestoreRead& read, const QList<SavedTable>& tables);

} // namespace zemo
