// The calls into the ODBC driver manager and its set-up library: unixODBC's narrow functions speak UTF-8,
// Windows' wide ones UTF-16.
#include "db/OdbcDrivers.h"

#ifdef _WIN32
#include <windows.h>
#endif
#include <odbcinst.h>
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
int dataSourceSetting(const QString& dsn, const QString& key, OdbcChar* buf, int cap) {
    return SQLGetPrivateProfileStringW(reinterpret_cast<LPCWSTR>(dsn.utf16()),
                                       reinterpret_cast<LPCWSTR>(key.utf16()), L"",
                                       reinterpret_cast<LPWSTR>(buf), cap, L"odbc.ini");
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
int dataSourceSetting(const QString& dsn, const QString& key, OdbcChar* buf, int cap) {
    return SQLGetPrivateProfileString(dsn.toUtf8().constData(), key.toUtf8().constData(), "",
                                      reinterpret_cast<char*>(buf), cap, "odbc.ini");
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

QString odbcDataSourceSetting(const QString& dataSource, const QString& key) {
    OdbcChar buf[512];
    const int len = dataSourceSetting(dataSource, key, buf, 512);
    return len > 0 ? fromOdbc(buf, SQLSMALLINT(qMin(len, 511))) : QString();
}

} // namespace zemo
