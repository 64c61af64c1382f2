// Choosing and opening the server backend for a service name.
#include "app/ZemoError.h"
#include "db/OdbcDrivers.h"
#include "db/OracleAccess.h"
#include "db/QtSqlBackend.h"

#include <QFileInfo>
#include <QSqlDriver>
#include <QUrl>

namespace zemo {

namespace {

constexpr int kConnectTimeoutSeconds = 10;

void requireQtDriver(const char* driver, const QString& what) {
    if (!QSqlDatabase::isDriverAvailable(QLatin1String(driver)))
        throw ZemoError(err::NoDriver, QStringLiteral("%1 に接続する Qt の SQL ドライバ（%2）がありません。")
                                           .arg(what, QLatin1String(driver)));
}

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
    requireQtDriver("QPSQL", QStringLiteral("PostgreSQL"));
    QtSqlDatabase::Params p;
    p.driver = QStringLiteral("QPSQL");
    p.host = url.host();
    p.port = url.port(-1);
    p.databaseName = database;
    p.user = user;
    p.password = password;
    // TCP keepalives notice a server that vanished while a statement waits for it.
    p.options = QStringLiteral("connect_timeout=%1;keepalives=1;keepalives_idle=30;keepalives_interval=10;"
                               "keepalives_count=3")
                    .arg(kConnectTimeoutSeconds);
    p.backend = QStringLiteral("postgresql");
    auto db = QtSqlDatabase::open(p);
    db->setDialect(SqlDialect::Postgres);
    db->addPostgresDictionaryViews();
    return db;
}

// The product behind an ODBC connection, as its driver reports it.
QString dbmsOf(QtSqlDatabase& db) {
    QString name = odbcDbmsName(db.connectionHandle());
    if (name.isEmpty()) {
        QSqlQuery q(db.connection());
        if (q.exec(QStringLiteral("select version()")) && q.next() &&
            q.value(0).toString().startsWith(QLatin1String("PostgreSQL")))
            name = QStringLiteral("PostgreSQL");
    }
    return name;
}

std::shared_ptr<OracleDatabase> openOdbc(const QString& connectString, const QString& backend) {
    requireQtDriver("QODBC", QStringLiteral("ODBC データソース"));
    QtSqlDatabase::Params p;
    p.driver = QStringLiteral("QODBC");
    // User and password are inside the connection string, braced; Qt would append them unescaped.
    p.databaseName = qtOdbcDatabaseName(connectString);
    p.options = QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1").arg(kConnectTimeoutSeconds);
    p.backend = backend;
    auto db = QtSqlDatabase::open(p);
    const QString dbms = dbmsOf(*db);
    if (dbms.contains(QLatin1String("PostgreSQL"), Qt::CaseInsensitive)) {
        db->setDialect(SqlDialect::Postgres);
        db->addPostgresDictionaryViews();
    } else if (dbms.contains(QLatin1String("Oracle"), Qt::CaseInsensitive)) {
        db->setDialect(SqlDialect::Oracle);
    } else if (dbms.contains(QLatin1String("SQLite"), Qt::CaseInsensitive)) {
        db->setDialect(SqlDialect::Sqlite);
    }
    return db;
}

std::shared_ptr<OracleDatabase> openOracle(const QString& serviceName, const QString& user,
                                           const QString& password) {
    // The Oracle client reads its character set from NLS_LANG; without it text outside ASCII is lost.
    if (qEnvironmentVariableIsEmpty("NLS_LANG"))
        qputenv("NLS_LANG", "JAPANESE_JAPAN.AL32UTF8");
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
    if (!driver.isEmpty() && QSqlDatabase::isDriverAvailable(QStringLiteral("QODBC"))) {
        try {
            return openOdbc(oracleOdbcConnectString(driver, service, user, password),
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

// Qt's SQL drivers turn every timestamp of a result into local time. With TZ unset glibc checks
// /etc/localtime on each conversion, which more than doubles the time to fetch a large result;
// naming the same file keeps the zone and drops the check.
void pinLocalTimeZone() {
#ifdef Q_OS_LINUX
    if (!qEnvironmentVariableIsSet("TZ") && QFileInfo::exists(QStringLiteral("/etc/localtime")))
        qputenv("TZ", ":/etc/localtime");
#endif
}

} // namespace

std::shared_ptr<OracleDatabase> openServerDatabase(ServiceKind kind, const QString& serviceName,
                                                   const QString& user, const QString& password) {
    pinLocalTimeZone();
    switch (kind) {
    case ServiceKind::Postgres:
        return openPostgres(serviceName, user, password);
    case ServiceKind::Odbc:
        return openOdbc(odbcServiceConnectString(serviceName, user, password), QStringLiteral("odbc"));
    default:
        return openOracle(serviceName, user, password);
    }
}

} // namespace zemo
