#include "db/OdbcBackend.h"

#include "db/OdbcCall.h"
#include "db/OdbcDrivers.h"
#include "db/OdbcResultSet.h"
#include "db/PostgresDictionary.h"
#include "db/ServerError.h"

#include <algorithm>

namespace zemo {

namespace odbc {

Diagnostic readDiagnostic(SQLSMALLINT type, SQLHANDLE handle, const QString& fallback) {
    Diagnostic out;
    QStringList messages;
    for (SQLSMALLINT record = 1; handle && record <= 8; ++record) {
        SQLWCHAR state[6] = {};
        SQLWCHAR text[1024];
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        const SQLRETURN r = SQLGetDiagRecW(type, handle, record, state, &native, text, 1024, &length);
        if (!SQL_SUCCEEDED(r))
            break;
        if (record == 1) {
            out.state = fromWide(state, 5);
            out.native = int(native);
        }
        const QString message = fromWide(text, std::clamp<qsizetype>(length, 0, 1023)).trimmed();
        if (!message.isEmpty() && !messages.contains(message))
            messages << message;
    }
    out.text = messages.isEmpty() ? fallback : messages.join(QLatin1Char('\n'));
    return out;
}

ZemoError diagnostics(SQLSMALLINT type, SQLHANDLE handle, const QString& fallback) {
    const Diagnostic d = readDiagnostic(type, handle, fallback);
    return serverError(d.native, d.text, d.state);
}

QString firstSqlState(SQLSMALLINT type, SQLHANDLE handle) {
    SQLWCHAR state[6] = {};
    SQLWCHAR text[8];
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetDiagRecW(type, handle, 1, state, &native, text, 8, &length)))
        return {};
    return fromWide(state, 5);
}

Handle Handle::allocate(SQLSMALLINT type, SQLSMALLINT parentType, SQLHANDLE parent) {
    SQLHANDLE h = nullptr;
    if (!SQL_SUCCEEDED(SQLAllocHandle(type, parent, &h)))
        throw diagnostics(parentType, parent, QStringLiteral("ODBC のハンドルを確保できません"));
    return Handle(type, h);
}

} // namespace odbc

namespace {

constexpr SQLULEN kLoginTimeoutSeconds = 10;

QString infoText(SQLHDBC dbc, SQLUSMALLINT what) {
    SQLWCHAR buf[256];
    SQLSMALLINT bytes = 0;
    if (!SQL_SUCCEEDED(SQLGetInfoW(dbc, what, buf, sizeof buf, &bytes)))
        return {};
    return odbc::fromWide(buf, std::clamp<qsizetype>(bytes / 2, 0, 255));
}

// psqlODBC names its library psqlodbcw.so / psqlodbca.so, psqlodbc35w.dll on Windows.
bool isPsqlOdbc(const QString& driverFile) {
    return driverFile.startsWith(QLatin1String("psqlodbc"), Qt::CaseInsensitive);
}

// Whether the user chose psqlODBC's fetch mode, in the connection string or in the data source.
bool streamingChosen(const QString& connectString) {
    if (!odbcAttribute(connectString, {"UseDeclareFetch", "B6"}).isNull())
        return true;
    const QString dsn = odbcAttribute(connectString, {"DSN"});
    return !dsn.isEmpty() && !odbcDataSourceSetting(dsn, QStringLiteral("UseDeclareFetch")).isEmpty();
}

// Whether the user had psqlODBC describe results by its own parse of the text: then it would
// answer SQLNumResultCols without asking the server, which refuses a second command.
bool ownParseChosen(const QString& connectString) {
    if (!odbcAttribute(connectString, {"Parse", "C0"}).isNull())
        return true;
    const QString dsn = odbcAttribute(connectString, {"DSN"});
    return !dsn.isEmpty() && !odbcDataSourceSetting(dsn, QStringLiteral("Parse")).isEmpty();
}

// psqlODBC takes the last of a repeated keyword, and the connection string before the data source.
QString withPsqlOdbcSettings(QString connectString, bool streaming) {
    if (!connectString.trimmed().endsWith(QLatin1Char(';')))
        connectString += QLatin1Char(';');
    if (streaming) {
        connectString += QLatin1String("UseDeclareFetch=1");
        if (odbcAttribute(connectString, {"Fetch", "A7"}).isNull())
            connectString += QStringLiteral(";Fetch=%1").arg(OdbcDatabase::kStreamFetchRows);
        connectString += QLatin1Char(';');
    }
    return connectString + QLatin1String("Parse=0");
}

} // namespace

std::shared_ptr<OdbcDatabase> OdbcDatabase::open(const QString& connectString, const QString& backend) {
    std::shared_ptr<OdbcDatabase> db(new OdbcDatabase(backend));
    db->connect(connectString);
    if (isPsqlOdbc(db->m_driver)) {
        db->m_serverParsesFirst = true;
        const bool streaming = !streamingChosen(connectString);
        if (streaming || ownParseChosen(connectString)) {
            db->disconnect();
            db->connect(withPsqlOdbcSettings(connectString, streaming));
            db->m_streamingAdded = streaming;
        }
    }
    db->identify();
    return db;
}

void OdbcDatabase::connect(const QString& connectString) {
    auto env = odbc::Handle::allocate(SQL_HANDLE_ENV, SQL_HANDLE_ENV, SQL_NULL_HANDLE);
    SQLSetEnvAttr(env.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    auto dbc = odbc::Handle::allocate(SQL_HANDLE_DBC, SQL_HANDLE_ENV, env.get());
    SQLSetConnectAttrW(dbc.get(), SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(kLoginTimeoutSeconds),
                       0);
    SQLWCHAR out[1024];
    SQLSMALLINT outLen = 0;
    const SQLRETURN r =
        SQLDriverConnectW(dbc.get(), nullptr, const_cast<SQLWCHAR*>(odbc::wide(connectString)), SQL_NTS, out,
                          1024, &outLen, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(r))
        throw odbc::diagnostics(SQL_HANDLE_DBC, dbc.get(), QStringLiteral("ODBC の接続に失敗しました"));
    m_driver = infoText(dbc.get(), SQL_DRIVER_NAME);
    m_dbms = infoText(dbc.get(), SQL_DBMS_NAME);
    SQLUINTEGER getData = 0;
    if (SQL_SUCCEEDED(SQLGetInfoW(dbc.get(), SQL_GETDATA_EXTENSIONS, &getData, sizeof getData, nullptr)))
        m_getData = getData;
    // From here the object owns the handles; disconnect() frees them.
    m_env = env.release();
    m_dbc = dbc.release();
    m_connected = true;
}

void OdbcDatabase::disconnect() {
    if (m_dbc) {
        if (m_connected)
            SQLDisconnect(m_dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
    }
    if (m_env)
        SQLFreeHandle(SQL_HANDLE_ENV, m_env);
    m_dbc = m_env = nullptr;
    m_connected = false;
}

OdbcDatabase::~OdbcDatabase() {
    disconnect();
}

// The product behind the driver decides how statements are read and whether dictionary views are needed.
void OdbcDatabase::identify() {
    if (m_dbms.isEmpty()) {
        try {
            auto rs = createResultSet(QStringLiteral("select version()"));
            if (!rs->atEnd() && rs->value(0).toString().startsWith(QLatin1String("PostgreSQL")))
                m_dbms = QStringLiteral("PostgreSQL");
        } catch (const ZemoError&) {
            // Not PostgreSQL, whatever it is.
        }
    }
    if (m_dbms.contains(QLatin1String("PostgreSQL"), Qt::CaseInsensitive)) {
        m_dialect = SqlDialect::Postgres;
        addPostgresDictionaryViews([this](const QString& sql) { execute(sql); });
    } else if (m_dbms.contains(QLatin1String("Oracle"), Qt::CaseInsensitive)) {
        m_dialect = SqlDialect::Oracle;
    } else if (m_dbms.contains(QLatin1String("SQLite"), Qt::CaseInsensitive)) {
        m_dialect = SqlDialect::Sqlite;
    }
}

std::unique_ptr<OracleResultSet> OdbcDatabase::createResultSet(const QString& sql) {
    return std::make_unique<OdbcResultSet>(shared_from_this(), sql);
}

std::unique_ptr<OracleResultSet> OdbcDatabase::createBoundResultSet(const BoundStatement& statement) {
    return std::make_unique<OdbcResultSet>(shared_from_this(), boundText(statement, ParameterStyle::Question),
                                           useValues(statement));
}

void OdbcDatabase::execute(const QString& sql) {
    OdbcResultSet rs(shared_from_this(), sql);
}

bool OdbcDatabase::connectionDead() const {
    SQLUINTEGER dead = SQL_CD_FALSE;
    return m_dbc && SQL_SUCCEEDED(SQLGetConnectAttrW(m_dbc, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) &&
           dead == SQL_CD_TRUE;
}

ZemoError OdbcDatabase::failure(int handleType, void* handle, const QString& fallback) const {
    const odbc::Diagnostic d = odbc::readDiagnostic(SQLSMALLINT(handleType), handle, fallback);
    if (connectionLostState(d.state) || connectionDead())
        return connectionLost(d.text);
    return serverError(d.native, d.text, d.state);
}

void OdbcDatabase::attach(OdbcRunning* running) {
    const std::lock_guard<std::mutex> hold(m_runningLock);
    m_running.push_back(running);
}

void OdbcDatabase::detach(OdbcRunning* running) {
    const std::lock_guard<std::mutex> hold(m_runningLock);
    std::erase(m_running, running);
}

// SQLCancel asks the server to stop a statement that is executing; on one that is between calls it
// does nothing (ODBC 3), so the flag makes the result set stop at its next fetch. The lock keeps
// every handle alive until SQLCancel has returned.
void OdbcDatabase::cancel() {
    const std::lock_guard<std::mutex> hold(m_runningLock);
    for (OdbcRunning* running : m_running) {
        running->cancelled.store(true);
        SQLCancel(static_cast<SQLHSTMT>(running->statement));
    }
}

} // namespace zemo
