#pragma once

#include <QString>
#include <QStringList>

namespace zemo {

// The ODBC drivers installed on this machine, by name, as the driver manager lists them
// (odbcinst.ini on unixODBC, the registry on Windows). Empty when there is no driver manager.
QStringList installedOdbcDrivers();

// The product name the ODBC connection reports (SQL_DBMS_NAME); empty when it cannot be read.
// `connectionHandle` is the SQLHDBC that Qt's ODBC driver hands out.
QString odbcDbmsName(void* connectionHandle);

// One timestamp as the driver hands it over, with its fraction in nanoseconds (Qt keeps milliseconds).
struct OdbcTimestamp {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    quint32 nanos = 0;
};
enum class OdbcGet { Value, Null, Failed };
// Column `column` (0-based) of the statement's current row, read before Qt reads it.
OdbcGet odbcTimestamp(void* statementHandle, int column, OdbcTimestamp& out);
// A time of day as the driver writes it; its own struct has no fraction of a second.
OdbcGet odbcTimeText(void* statementHandle, int column, QString& out);

// Asks the driver to cancel what the statement is doing (SQLCancel); false when it could not.
bool odbcCancel(void* statementHandle);
// Whether the driver knows the connection to be gone (SQL_ATTR_CONNECTION_DEAD).
bool odbcConnectionDead(void* connectionHandle);

// The driver to reach Oracle with: one whose name contains "Oracle"; Oracle's own drivers come
// before Microsoft's old one. Empty when none is installed.
QString pickOracleDriver(const QStringList& drivers);

// An attribute value in braces with "}" doubled, so that ";", "=", "{" and blanks stay inside it.
QString odbcBraced(const QString& value);

// The value as it is when nothing in it could end it or be misread; otherwise braced.
QString odbcValue(const QString& value);

// DRIVER={…};DBQ=service;UID=user;PWD={…} plus what the Oracle driver needs for Unicode text.
QString oracleOdbcConnectString(const QString& driver, const QString& service, const QString& user,
                                const QString& password);

// The connection string for a service name "odbc:DSN" or "odbc:" + a connection string.
// User and password go inside it; values the caller wrote stay as written.
QString odbcServiceConnectString(const QString& serviceName, const QString& user, const QString& password);

// What to give Qt's ODBC driver as database name so that it connects with exactly `connectString`
// (it puts "DSN=" or "FILEDSN=" in front of some texts). Throws ZemoError when Qt would change it.
QString qtOdbcDatabaseName(const QString& connectString);

} // namespace zemo
