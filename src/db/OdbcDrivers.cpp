#include "db/OdbcDrivers.h"

#include "app/ZemoError.h"

namespace zemo {

QString pickOracleDriver(const QStringList& drivers) {
    QString fallback;
    for (const QString& name : drivers) {
        if (!name.contains(QLatin1String("oracle"), Qt::CaseInsensitive))
            continue;
        // Microsoft's "ODBC for Oracle" is a retired 32-bit driver; use it only when nothing else is there.
        if (name.contains(QLatin1String("microsoft"), Qt::CaseInsensitive)) {
            if (fallback.isEmpty())
                fallback = name;
            continue;
        }
        return name;
    }
    return fallback;
}

QString odbcBraced(const QString& value) {
    QString out = value;
    out.replace(QLatin1Char('}'), QLatin1String("}}"));
    return QLatin1Char('{') + out + QLatin1Char('}');
}

QString odbcValue(const QString& value) {
    const bool plain = !value.contains(QLatin1Char(';')) && !value.contains(QLatin1Char('{')) &&
                       !value.contains(QLatin1Char('}')) && !value.contains(QLatin1Char('=')) &&
                       value.trimmed() == value;
    return plain ? value : odbcBraced(value);
}

namespace {

// Some drivers (psqlODBC) take braces literally in every attribute but the password, so the user name
// is braced only when it has to be; the password always is.
QString credentials(const QString& user, const QString& password) {
    return QLatin1String("UID=") + odbcValue(user) + QLatin1String(";PWD=") + odbcBraced(password);
}

} // namespace

QString oracleOdbcConnectString(const QString& driver, const QString& service, const QString& user,
                                const QString& password) {
    // FWC=T makes the driver describe character columns as wide ones, so text arrives as Unicode.
    return QLatin1String("DRIVER=") + odbcBraced(driver) + QLatin1String(";DBQ=") + odbcValue(service) +
           QLatin1Char(';') + credentials(user, password) + QLatin1String(";FWC=T");
}

QString odbcServiceConnectString(const QString& serviceName, const QString& user, const QString& password) {
    QString rest = serviceName.trimmed().mid(5); // after "odbc:"
    if (!rest.contains(QLatin1Char('='))) {
        // A data source name. unixODBC and Windows take it as written, so it is not braced.
        return QLatin1String("DSN=") + rest.trimmed() + QLatin1Char(';') + credentials(user, password);
    }
    rest = rest.trimmed();
    if (!rest.endsWith(QLatin1Char(';')))
        rest += QLatin1Char(';');
    return rest + credentials(user, password);
}

QString qtOdbcDatabaseName(const QString& connectString) {
    // Qt's ODBC driver passes a text on unchanged only when it names a driver or server; it puts
    // "FILEDSN=" before any text containing ".dsn" and "DSN=" before the rest.
    const auto has = [](const QString& s, const char* what) {
        return s.contains(QLatin1String(what), Qt::CaseInsensitive);
    };
    const auto passedUnchanged = [&](const QString& s) {
        return !has(s, ".dsn") && (has(s, "DRIVER=") || has(s, "SERVER="));
    };
    if (passedUnchanged(connectString))
        return connectString;
    if (connectString.startsWith(QLatin1String("DSN="), Qt::CaseInsensitive)) {
        const QString tail = connectString.mid(4);
        if (!has(tail, ".dsn") && !has(tail, "DRIVER=") && !has(tail, "SERVER="))
            return tail;
    }
    if (connectString.startsWith(QLatin1String("FILEDSN="), Qt::CaseInsensitive) &&
        has(connectString.mid(8), ".dsn"))
        return connectString.mid(8);
    throw ZemoError(err::BadConnect,
                    QStringLiteral("この接続文字列は Qt の ODBC ドライバで正しく渡せません"
                                   "（値に「.dsn」を含むなど）。DRIVER= で始まる形にしてください。"));
}

} // namespace zemo
