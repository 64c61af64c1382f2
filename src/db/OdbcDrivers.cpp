#include "db/OdbcDrivers.h"

#include "base/ZemoError.h"

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

QList<QPair<QString, QString>> odbcAttributes(const QString& connectString) {
    QList<QPair<QString, QString>> out;
    const qsizetype n = connectString.size();
    qsizetype i = 0;
    while (i < n) {
        const qsizetype eq = connectString.indexOf(QLatin1Char('='), i);
        const qsizetype semi = connectString.indexOf(QLatin1Char(';'), i);
        if (eq < 0 || (semi >= 0 && semi < eq)) { // a piece without "=": skipped
            if (semi < 0)
                break;
            i = semi + 1;
            continue;
        }
        const QString key = connectString.mid(i, eq - i).trimmed();
        QString value;
        i = eq + 1;
        while (i < n && connectString[i] == QLatin1Char(' '))
            ++i;
        if (i < n && connectString[i] == QLatin1Char('{')) {
            for (++i; i < n; ++i) {
                if (connectString[i] == QLatin1Char('}')) {
                    if (i + 1 < n && connectString[i + 1] == QLatin1Char('}')) {
                        value += QLatin1Char('}');
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += connectString[i];
            }
            const qsizetype end = connectString.indexOf(QLatin1Char(';'), i);
            i = end < 0 ? n : end + 1;
        } else {
            const qsizetype end = connectString.indexOf(QLatin1Char(';'), i);
            value = connectString.mid(i, (end < 0 ? n : end) - i).trimmed();
            i = end < 0 ? n : end + 1;
        }
        if (!key.isEmpty())
            out.append({key, value});
    }
    return out;
}

QString odbcAttribute(const QString& connectString, std::initializer_list<const char*> keys) {
    QString found;
    for (const auto& [key, value] : odbcAttributes(connectString))
        for (const char* k : keys)
            if (key.compare(QLatin1String(k), Qt::CaseInsensitive) == 0)
                found = value.isNull() ? QStringLiteral("") : value;
    return found;
}

} // namespace zemo
