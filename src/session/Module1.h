#pragma once

#include "db/DbConnection.h"
#include "db/OracleAccess.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

// Process-wide state shared by the windows: the session.
//
// Thread rule: everything here belongs to the window thread. The windows read and change it in their
// handlers; the functions below that change it check that they run there (requireWindowThread). A
// connection's thread never reads or writes it: the work a window hands to a connection gets copies
// of what it needs (the statement, the table names) and gives its results back through the call,
// which the window files here once the call has finished.

// What the profile editor hands back when it closes.
struct ProfileEditRecord {
    QString ServiceName;
    QString UserName;
    QString Password;
    QString ProfileName;
};

// One entry of the cached table catalogue: the name, and "1" when it was marked, otherwise "0"; the
// logical name the dialog shows beside the name.
struct TableListRow {
    QString name;
    QString selected;
    QString logical = {};
};

namespace zemo {
// A display item as the main window lists it: its text ("T1.CUST_NAME"), its column's logical name,
// and whether the user selected it.
struct DisplayItem {
    QString text;
    QString logical;
    bool selected = false;
};
} // namespace zemo

inline constexpr int kMaxConditions = 32767;

extern std::shared_ptr<zemo::OracleSession> gOraSession;
// The open database on its own thread; set exactly while connected.
extern std::shared_ptr<zemo::DbConnection> gOraDatabase;
extern QString gServiceName;
extern QString gUserName;
extern QString gPassword;
// The profile (its section name) the open connection was made with; saved queries name it.
extern QString gProfileName;
extern ProfileEditRecord gProfileEdit;
extern QList<TableListRow> gTableList;
extern int gTableCount;
// The connection the cached catalogue was read from: another service or user reads it afresh.
extern QString gTableListService;
extern QString gTableListUser;
extern int gCondCount;
extern QStringList gCondConnector;
extern QStringList gCondLeft;
extern QStringList gCondOperator;
extern QStringList gCondRight;
extern QString gSqlText;
// The values of gSqlText's `:name` placeholders, as 抽出 asked for them.
extern zemo::ParameterValues gSqlValues;
extern QString gFromList;
extern bool gNameColumnPicked;

namespace zemo {

inline bool isConnected() {
    return gOraDatabase != nullptr;
}

// The one guard of the commands that need a connection: the open connection, or err::NotConnected.
DbConnection& connectedDatabase();

// The session after a successful open: `connection` becomes gOraDatabase.
void setConnection(std::shared_ptr<DbConnection> connection);
// 切断: releases the connection (its thread closes the database) and forgets the connect values.
void releaseConnection();

// Empties the stored conditions (the main window's list is emptied by the UI's ClearConditions).
void clearConditionStore();

// Back to the state at program start; for tests that run several scenarios in one process. A released
// connection is closed on its thread before this returns (for at most a few seconds).
void resetSession();

// At the program's end, while Qt is still alive: releases the connection and waits up to kExitWaitMs
// for every connection thread to close its database. False when a server that does not answer still
// holds one; the process must then end without running destructors that thread may still need.
bool closeConnections();

} // namespace zemo
