#pragma once

#include <QString>
#include <QStringList>

namespace zemo {

// The ODBC drivers installed on this machine, by name, as the driver manager lists them
// (odbcinst.ini on unixODBC, the registry on Windows). Empty when there is no driver manager.
QStringList installedOdbcDrivers();

// A setting of a data source as odbc.ini (or the registry on Windows) holds it; empty when unset.
QString odbcDataSourceSetting(const QString& dataSource, const QString& key);

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

// The attributes of a connection string in order, keys trimmed, braced values unbraced ("}}" read
// as "}"). A text that is not key=value pairs gives what can be read of it.
QList<QPair<QString, QString>> odbcAttributes(const QString& connectString);

// The value of the last attribute named one of `keys` (case-insensitive); null when none is set.
QString odbcAttribute(const QString& connectString, std::initializer_list<const char*> keys);

} // namespace zemo
