#pragma once

#include "db/DbConnection.h"
#include "db/OracleAccess.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

// Process-wide state shared by the windows.

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

inline constexpr int kMaxConditions = 32767;

extern std::shared_ptr<zemo::OracleSession> gOraSession;
// The open database on its own thread; set exactly while connected.
extern std::shared_ptr<zemo::DbConnection> gOraDatabase;
extern QString gServiceName;
extern QString gUserName;
extern QString gPassword;
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
extern QString gFromList;
extern bool gNameColumnPicked;

inline bool isConnected() {
    return gOraDatabase != nullptr;
}

// Empties the stored conditions (the main window's list is emptied by the UI's ClearConditions).
void ClearConditionStore();

// Back to the state at program start; for tests that run several scenarios in one process. A released
// connection is closed on its thread before this returns (for at most a few seconds).
void ResetGlobals();

// At the program's end, while Qt is still alive: releases the connection and waits a few seconds for
// every connection thread to close its database. False when a server that does not answer still holds
// one; the process must then end without running destructors that thread may still need.
bool CloseConnections();
