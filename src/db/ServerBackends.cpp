// Choosing and opening the server backend for a service name.
#include "base/ZemoError.h"
#include "db/OdbcBackend.h"
#include "db/OdbcDrivers.h"
#include "db/OracleAccess.h"
#include "db/PostgresBackend.h"
#include "db/QtSqlBackend.h"

#include <QFileInfo>
#include <QUrl>

namespace zemo {

namespace {

std::shared_ptr<OracleDatabase> openPostgres(const QString& serviceName, const QString& user,
                                             const QString& password) {
    const QUrl url(serviceName.trimmed(), QUrl::StrictMode);
    const QString database = url.path(QUrl::FullyDecoded).mid(1);
    if (!url.isValid() || url.host().isEmpty() || database.isEmpty() || database.contains(QLatin1Char('/')))
        throw ZemoError(
            err::BadConnect,
            QStringLiteral("PostgreSQL のサービス名は postgresql://ホスト[:ポート]/データベース名 "
                           "の形で書いてください：") +
                serviceName);
    PgDatabase::Params p;
    p.host = url.host();
    p.port = url.port(-1);
    p.database = database;
    p.user = user;
    p.password = password;
    return PgDatabase::open(p);
}

std::shared_ptr<OracleDatabase> openOracle(const QString& serviceName, const QString& user,
                                           const QString& password) {
    const QString service = serviceName.trimmed();
    if (QSqlDatabase::isDriverAvailable(QStringLiteral("QOCI"))) {
        QtSqlDatabase::Params p;
        p.driver = QStringLiteral("QOCI");
        p.databaseName = service; // TNS alias or host:port/service
        p.user = user;
        p.password = password;
        p.backend = QStringLiteral("oracle");
        auto db = QtSqlDatabase::open(p);
        db->setDialect(SqlDialect::Oracle);
        return db;
    }
    const QString driver = pickOracleDriver(installedOdbcDrivers());
    if (!driver.isEmpty()) {
        try {
            return OdbcDatabase::open(oracleOdbcConnectString(driver, service, user, password),
                                      QStringLiteral("odbc-oracle"));
        } catch (const ZemoError& e) {
            throw ZemoError(e.number(), e.description() + QStringLiteral("（ODBC ドライバ：") + driver +
                                            QStringLiteral("）"));
        }
    }
    throw ZemoError(err::NoDriver,
                    QStringLiteral("Oracle に接続するドライバがありません（サービス：%1）。"
                                   "Qt の Oracle ドライバ（QOCI）か、Oracle Instant Client の ODBC ドライバを"
                                   "導入してください。")
                        .arg(service));
}

} // namespace

void prepareClientEnvironment() {
    // The Oracle client reads its character set from NLS_LANG; without it text outside ASCII is lost.
    if (qEnvironmentVariableIsEmpty("NLS_LANG"))
        qputenv("NLS_LANG", "JAPANESE_JAPAN.AL32UTF8");
#ifdef Q_OS_LINUX
    // Qt's SQL drivers turn every timestamp of a result into local time. With TZ unset glibc checks
    // /etc/localtime on each conversion, which more than doubles the time to fetch a large result;
    // naming the same file keeps the zone and drops the check.
    if (!qEnvironmentVariableIsSet("TZ") && QFileInfo::exists(QStringLiteral("/etc/localtime")))
        qputenv("TZ", ":/etc/localtime");
#endif
}

std::shared_ptr<OracleDatabase> openServerDatabase(ServiceKind kind, const QString& serviceName,
                                                   const QString& user, const QString& password) {
    switch (kind) {
    case ServiceKind::Postgres:
        return openPostgres(serviceName, user, password);
    case ServiceKind::Odbc:
        return OdbcDatabase::open(odbcServiceConnectString(serviceName, user, password),
                                  QStringLiteral("odbc"));
    default:
        return openOracle(serviceName, user, password);
    }
}

} // namespace zemo
