#include "app/Module1.h"

std::shared_ptr<zemo::OracleSession> gOraSession;
std::shared_ptr<zemo::DbConnection> gOraDatabase;
QString gServiceName;
QString gUserName;
QString gPassword;
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
QString gFromList;
bool gNameColumnPicked = false;

void ClearConditionStore() {
    gCondCount = 0;
    gCondConnector.clear();
    gCondLeft.clear();
    gCondOperator.clear();
    gCondRight.clear();
}

namespace {
constexpr int kCloseWaitMs = 5000;
}

bool CloseConnections() {
    gOraDatabase.reset();
    gOraSession.reset();
    return zemo::finishDatabaseThreads(kCloseWaitMs);
}

void ResetGlobals() {
    CloseConnections();
    gServiceName.clear();
    gUserName.clear();
    gPassword.clear();
    gProfileEdit = {};
    gTableList.clear();
    gTableCount = 0;
    gTableListService.clear();
    gTableListUser.clear();
    ClearConditionStore();
    gSqlText.clear();
    gFromList.clear();
    gNameColumnPicked = false;
}
