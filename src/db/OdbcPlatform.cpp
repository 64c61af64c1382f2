// The calls into the ODBC driver manager: unixODBC's narrow functions speak UTF-8, Windows' wide
// ones UTF-16.
#include "db/OdbcDrivers.h"

#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

namespace zemo {

namespace {

#ifdef _WIN32
using OdbcChar = SQLWCHAR;
QString fromOdbc(const OdbcChar* s, SQLSMALLINT len) {
    return QString::fromWCharArray(reinterpret_cast<const wchar_t*>(s), len);
}
SQLRETURN listDriver(SQLHENV env, SQLUSMALLINT dir, OdbcChar* name, SQLSMALLINT cap, SQLSMALLINT* len) {
    SQLWCHAR attrs[2048];
    SQLSMALLINT attrLen = 0;
    return SQLDriversW(env, dir, name, cap, len, attrs, 2048, &attrLen);
}
SQLRETURN dbmsName(SQLHDBC dbc, OdbcChar* buf, SQLSMALLINT capBytes, SQLSMALLINT* lenBytes) {
    return SQLGetInfoW(dbc, SQL_DBMS_NAME, buf, capBytes, lenBytes);
}
#else
using OdbcChar = SQLCHAR;
QString fromOdbc(const OdbcChar* s, SQLSMALLINT len) {
    return QString::fromUtf8(reinterpret_cast<const char*>(s), len);
}
SQLRETURN listDriver(SQLHENV env, SQLUSMALLINT dir, OdbcChar* name, SQLSMALLINT cap, SQLSMALLINT* len) {
    SQLCHAR attrs[2048];
    SQLSMALLINT attrLen = 0;
    return SQLDrivers(env, dir, name, cap, len, attrs, 2048, &attrLen);
}
SQLRETURN dbmsName(SQLHDBC dbc, OdbcChar* buf, SQLSMALLINT capBytes, SQLSMALLINT* lenBytes) {
    return SQLGetInfo(dbc, SQL_DBMS_NAME, buf, capBytes, lenBytes);
}
#endif

} // namespace

QStringList installedOdbcDrivers() {
    QStringList names;
    SQLHENV env = SQL_NULL_HENV;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)))
        return names;
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    OdbcChar name[512];
    SQLSMALLINT len = 0;
    for (SQLUSMALLINT dir = SQL_FETCH_FIRST; SQL_SUCCEEDED(listDriver(env, dir, name, 512, &len));
         dir = SQL_FETCH_NEXT)
        names << fromOdbc(name, qMin<SQLSMALLINT>(len, 511));
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return names;
}

QString odbcDbmsName(void* connectionHandle) {
    if (!connectionHandle)
        return {};
    OdbcChar buf[256];
    SQLSMALLINT bytes = 0;
    if (!SQL_SUCCEEDED(dbmsName(static_cast<SQLHDBC>(connectionHandle), buf, sizeof buf, &bytes)))
        return {};
    const auto chars = static_cast<SQLSMALLINT>(qMin<int>(bytes / int(sizeof(OdbcChar)), 255));
    return fromOdbc(buf, chars);
}

bool odbcCancel(void* statementHandle) {
    return statementHandle && SQL_SUCCEEDED(SQLCancel(static_cast<SQLHSTMT>(statementHandle)));
}

bool odbcConnectionDead(void* connectionHandle) {
    if (!connectionHandle)
        return false;
    SQLUINTEGER dead = SQL_CD_FALSE;
    const SQLRETURN r = SQLGetConnectAttr(static_cast<SQLHDBC>(connectionHandle), SQL_ATTR_CONNECTION_DEAD,
                                          &dead, 0, nullptr);
    return SQL_SUCCEEDED(r) && dead == SQL_CD_TRUE;
}

OdbcGet odbcTimestamp(void* statementHandle, int column, OdbcTimestamp& out) {
    if (!statementHandle)
        return OdbcGet::Failed;
    SQL_TIMESTAMP_STRUCT ts{};
    SQLLEN indicator = 0;
    const SQLRETURN r = SQLGetData(static_cast<SQLHSTMT>(statementHandle), SQLUSMALLINT(column + 1),
                                   SQL_C_TYPE_TIMESTAMP, &ts, sizeof ts, &indicator);
    if (!SQL_SUCCEEDED(r))
        return OdbcGet::Failed;
    if (indicator == SQL_NULL_DATA)
        return OdbcGet::Null;
    out = {ts.year, ts.month, ts.day, ts.hour, ts.minute, ts.second, ts.fraction};
    return OdbcGet::Value;
}

OdbcGet odbcTimeText(void* statementHandle, int column, QString& out) {
    if (!statementHandle)
        return OdbcGet::Failed;
    SQLCHAR buf[64];
    SQLLEN indicator = 0;
    const SQLRETURN r = SQLGetData(static_cast<SQLHSTMT>(statementHandle), SQLUSMALLINT(column + 1),
                                   SQL_C_CHAR, buf, sizeof buf, &indicator);
    if (!SQL_SUCCEEDED(r))
        return OdbcGet::Failed;
    if (indicator == SQL_NULL_DATA)
        return OdbcGet::Null;
    const auto len = indicator >= 0 && indicator < SQLLEN(sizeof buf)
                         ? qsizetype(indicator)
                         : qsizetype(qstrnlen(reinterpret_cast<char*>(buf), sizeof buf));
    out = QString::fromLatin1(reinterpret_cast<const char*>(buf), len);
    return OdbcGet::Value;
}

} // namespace zemo
