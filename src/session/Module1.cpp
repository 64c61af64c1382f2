#include "session/Module1.h"

#include "base/WindowThread.h"

std::shared_ptr<zemo::OracleSession> gOraSession;
std::shared_ptr<zemo::DbConnection> gOraDatabase;
QString gServiceName;
QString gUserName;
QString gPassword;
QString gProfileName;
ProfileEditRecord gProfileEdit;
QList<TableListRow> gTableList;
int gTableCount = 0;
QString gTableListService;
QString gTableListUser;
int gCondCount = 0;
QStringList gCondConnector;
QStringList gCondLeft;
QStringList gCondOperator;
QStringList gCondRight;
QString gSqlText;
zemo::ParameterValues gSqlValues;
QString gFromList;
bool gNameColumnPicked = false;

namespace zemo {

DbConnection& connectedDatabase() {
    requireWindowThread("connectedDatabase");
    if (!gOraDatabase)
        throwNotConnected();
    return *gOraDatabase;
}

void setConnection(std::shared_ptr<DbConnection> connection) {
    requireWindowThread("setConnection");
    gOraDatabase = std::move(connection);
}

void releaseConnection() {
    requireWindowThread("releaseConnection");
    gOraDatabase.reset();
    gServiceName.clear();
    gUserName.clear();
    gPassword.clear();
    gProfileName.clear();
}

void clearConditionStore() {
    requireWindowThread("clearConditionStore");
    gCondCount = 0;
    gCondConnector.clear();
    gCondLeft.clear();
    gCondOperator.clear();
    gCondRight.clear();
}

bool closeConnections() {
    requireWindowThread("closeConnections");
    gOraDatabase.reset();
    gOraSession.reset();
    return finishDatabaseThreads(kExitWaitMs);
}

void resetSession() {
    requireWindowThread("resetSession");
    closeConnections();
    gServiceName.clear();
    gUserName.clear();
    gPassword.clear();
    gProfileEdit = {};
    gTableList.clear();
    gTableCount = 0;
    gTableListService.clear();
    gTableListUser.clear();
    clearConditionStore();
    gSqlText.clear();
    gSqlValues.clear();
    gProfileName.clear();
    gFromList.clear();
    gNameColumnPicked = false;
}

} // namespace zemo
