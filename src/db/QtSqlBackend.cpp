#include "db/QtSqlBackend.h"

#include "app/ZemoError.h"
#include "db/OdbcDrivers.h"

#include <QDateTime>
#include <QLibrary>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlResult>

namespace zemo {

namespace {

// Digits written by hand: the result window formats every timestamp of a large result.
void appendDigits(QString& out, int value, int width) {
    char buf[12];
    int n = 0;
    unsigned v = static_cast<unsigned>(value < 0 ? -value : value);
    do {
        buf[n++] = char('0' + v % 10);
        v /= 10;
    } while (v);
    if (value < 0)
        out += QLatin1Char('-');
    for (int i = n; i < width; ++i)
        out += QLatin1Char('0');
    while (n)
        out += QLatin1Char(buf[--n]);
}

void appendDate(QString& out, int year, int month, int day) {
    appendDigits(out, year, 4);
    out += QLatin1Char('-');
    appendDigits(out, month, 2);
    out += QLatin1Char('-');
    appendDigits(out, day, 2);
}

// A fraction of a second in nanoseconds, without trailing zeros.
void appendTime(QString& out, int hour, int minute, int second, quint32 nanos) {
    appendDigits(out, hour, 2);
    out += QLatin1Char(':');
    appendDigits(out, minute, 2);
    out += QLatin1Char(':');
    appendDigits(out, second, 2);
    if (nanos == 0 || nanos >= 1000000000u)
        return;
    int width = 9;
    while (nanos % 10 == 0) {
        nanos /= 10;
        --width;
    }
    out += QLatin1Char('.');
    appendDigits(out, int(nanos), width);
}

void appendDate(QString& out, const QDate& d) {
    appendDate(out, d.year(), d.month(), d.day());
}

void appendTime(QString& out, const QTime& t) {
    appendTime(out, t.hour(), t.minute(), t.second(), quint32(t.msec()) * 1000000u);
}

bool isDateOrTime(int type) {
    return type == QMetaType::QDate || type == QMetaType::QTime || type == QMetaType::QDateTime;
}

// The pointer behind a driver handle (PGresult*, SQLHSTMT); null when there is none.
void* handlePointer(const QVariant& handle) {
    if (!handle.isValid() || handle.metaType().sizeOf() != int(sizeof(void*)))
        return nullptr;
    return *static_cast<void* const*>(handle.constData());
}

// The few libpq calls that read a value as the server sent it. Qt's PostgreSQL driver has loaded
// libpq already; resolving them at run time keeps libpq out of the build.
struct LibPq {
    using Count = int (*)(const void*);
    using Cell = char* (*)(const void*, int, int);
    using IsNull = int (*)(const void*, int, int);
    using GetCancel = void* (*)(void*);
    using Cancel = int (*)(void*, char*, int);
    using FreeCancel = void (*)(void*);
    Count ntuples = nullptr;
    Count nfields = nullptr;
    Cell getvalue = nullptr;
    IsNull getisnull = nullptr;
    GetCancel getCancel = nullptr;
    Cancel cancel = nullptr;
    FreeCancel freeCancel = nullptr;
    Count status = nullptr; // of a connection: 0 CONNECTION_OK, 1 CONNECTION_BAD

    bool ok() const {
        return ntuples && nfields && getvalue && getisnull && getCancel && cancel && freeCancel && status;
    }
    static const LibPq& get() {
        static const LibPq pq = [] {
            LibPq p;
            for (int version : {5, -1}) {
                // Never unloaded: the driver keeps using it.
                QLibrary lib(QStringLiteral("pq"), version);
                if (!lib.load()) {
                    lib.setFileName(QStringLiteral("libpq"));
                    if (!lib.load())
                        continue;
                }
                p.ntuples = reinterpret_cast<Count>(lib.resolve("PQntuples"));
                p.nfields = reinterpret_cast<Count>(lib.resolve("PQnfields"));
                p.getvalue = reinterpret_cast<Cell>(lib.resolve("PQgetvalue"));
                p.getisnull = reinterpret_cast<IsNull>(lib.resolve("PQgetisnull"));
                p.getCancel = reinterpret_cast<GetCancel>(lib.resolve("PQgetCancel"));
                p.cancel = reinterpret_cast<Cancel>(lib.resolve("PQcancel"));
                p.freeCancel = reinterpret_cast<FreeCancel>(lib.resolve("PQfreeCancel"));
                p.status = reinterpret_cast<Count>(lib.resolve("PQstatus"));
                if (p.ok())
                    break;
            }
            return p;
        }();
        return pq;
    }
};

} // namespace

QString dateTimeText(const QVariant& value) {
    QString out;
    out.reserve(24);
    switch (value.typeId()) {
    case QMetaType::QDate:
        appendDate(out, value.toDate());
        return out;
    case QMetaType::QTime:
        appendTime(out, value.toTime());
        return out;
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        appendDate(out, dt.date());
        out += QLatin1Char(' ');
        appendTime(out, dt.time());
        return out;
    }
    default:
        return value.toString();
    }
}

ZemoError QtSqlDatabase::toZemoError(const QSqlError& error, const QString& context) {
    QString text = error.databaseText().trimmed();
    // Qt's PostgreSQL driver appends "(SQLSTATE)" also when the server sent none.
    if (text.endsWith(QLatin1String("()")))
        text = text.chopped(2).trimmed();
    if (text.isEmpty())
        text = error.driverText().trimmed();
    const QString code = error.nativeErrorCode().trimmed();
    if (!context.isEmpty())
        text = context + QStringLiteral("：") + text;
    bool numeric = false;
    const int number = code.toInt(&numeric);
    if (numeric && number != 0)
        return ZemoError(number, text);
    // PostgreSQL's SQLSTATE has letters (28P01); it stays readable in the text.
    if (!code.isEmpty() && code != QLatin1String("0") && !text.contains(code))
        text += QStringLiteral(" (") + code + QLatin1Char(')');
    return ZemoError(err::ServerError, text);
}

QtSqlDatabase::QtSqlDatabase(QSqlDatabase db, QString name, QString backend)
    : m_db(std::move(db)), m_name(std::move(name)), m_backend(std::move(backend)) {
    // Made now, on the connection's own thread; PQcancel may then use it from any thread.
    if (m_db.driverName() == QLatin1String("QPSQL") && LibPq::get().ok())
        if (void* conn = handlePointer(m_db.driver()->handle()))
            m_pgCancel = LibPq::get().getCancel(conn);
}

void QtSqlDatabase::cancel() {
    if (m_pgCancel) {
        char why[256];
        LibPq::get().cancel(m_pgCancel, why, int(sizeof why));
        return;
    }
    const std::lock_guard<std::mutex> hold(m_statementLock);
    odbcCancel(m_activeStatement);
}

void QtSqlDatabase::setActiveStatement(void* statement) {
    const std::lock_guard<std::mutex> hold(m_statementLock);
    m_activeStatement = statement;
}

bool QtSqlDatabase::connectionLost() {
    void* conn = handlePointer(m_db.driver()->handle());
    if (m_db.driverName() == QLatin1String("QPSQL"))
        return conn && LibPq::get().ok() && LibPq::get().status(conn) != 0;
    if (m_db.driverName() == QLatin1String("QODBC"))
        return odbcConnectionDead(conn);
    return false;
}

ZemoError QtSqlDatabase::failure(const QSqlError& error) {
    // SQLSTATE class 08 (connection exception) and the server's own shutdown (57P01-57P03) say so
    // before the connection's state does.
    const QString state = error.nativeErrorCode().trimmed();
    const bool gone = state.startsWith(QLatin1String("08")) || state == QLatin1String("57P01") ||
                      state == QLatin1String("57P02") || state == QLatin1String("57P03");
    if (!gone && !connectionLost())
        return toZemoError(error);
    QString words = error.databaseText().trimmed();
    if (words.endsWith(QLatin1String("()")))
        words = words.chopped(2).trimmed();
    if (words.isEmpty())
        words = error.driverText().trimmed();
    QString text = QStringLiteral("データベースとの接続が切れています。メニューの「切断」のあと「接続」し直してください。");
    if (!words.isEmpty())
        text += QStringLiteral("（") + words + QStringLiteral("）");
    return ZemoError(err::ConnectionLost, text);
}

std::shared_ptr<QtSqlDatabase> QtSqlDatabase::open(const Params& params) {
    static int serial = 0;
    const QString name = QStringLiteral("zemo-%1-%2").arg(params.backend).arg(++serial);
    QSqlError failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(params.driver, name);
        if (db.isValid()) {
            db.setDatabaseName(params.databaseName);
            if (!params.host.isEmpty())
                db.setHostName(params.host);
            if (params.port > 0)
                db.setPort(params.port);
            if (!params.user.isEmpty())
                db.setUserName(params.user);
            if (!params.password.isEmpty())
                db.setPassword(params.password);
            db.setConnectOptions(params.options);
            db.setNumericalPrecisionPolicy(QSql::HighPrecision);
            if (db.open())
                return std::shared_ptr<QtSqlDatabase>(new QtSqlDatabase(db, name, params.backend));
            failure = db.lastError();
        }
    }
    QSqlDatabase::removeDatabase(name);
    if (!failure.isValid())
        throw ZemoError(err::NoDriver,
                        QStringLiteral("Qt の SQL ドライバ %1 を読み込めません").arg(params.driver));
    throw toZemoError(failure);
}

QtSqlDatabase::~QtSqlDatabase() {
    if (m_pgCancel)
        LibPq::get().freeCancel(m_pgCancel);
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

std::unique_ptr<OracleResultSet> QtSqlDatabase::createResultSet(const QString& sql) {
    return std::make_unique<QtSqlResultSet>(shared_from_this(), sql);
}

void* QtSqlDatabase::connectionHandle() const {
    return handlePointer(m_db.driver()->handle());
}

void QtSqlDatabase::execute(const QString& sql) {
    QSqlQuery q(m_db);
    if (!q.exec(sql))
        throw failure(q.lastError());
}

QtSqlResultSet::QtSqlResultSet(std::shared_ptr<QtSqlDatabase> db, const QString& sql)
    : m_db(std::move(db)), m_query(m_db->connection()) {
    m_query.setForwardOnly(true);
    m_query.setNumericalPrecisionPolicy(QSql::HighPrecision);
    if (!m_query.exec(sql))
        throw m_db->failure(m_query.lastError());
    m_record = m_query.record();
    for (int i = 0; i < m_record.count(); ++i)
        m_declared.push_back(m_record.field(i).metaType().id());
    const QString driver = m_db->connection().driverName();
    if (driver == QLatin1String("QPSQL"))
        m_driver = Driver::Postgres;
    else if (driver == QLatin1String("QODBC"))
        m_driver = Driver::Odbc;
    if (m_driver == Driver::Odbc)
        m_db->setActiveStatement(handlePointer(m_query.result()->handle()));
    m_end = !fetchRow(m_row);
}

QtSqlResultSet::~QtSqlResultSet() {
    if (m_driver == Driver::Odbc)
        m_db->setActiveStatement(nullptr);
}

bool QtSqlResultSet::exactDateTime(int col, QVariant& out) {
    const int type = m_declared[size_t(col)];
    if (m_driver == Driver::Postgres) {
        // The server's text: microseconds, time zone offsets, BC dates and infinity, as psql prints them.
        const LibPq& pq = LibPq::get();
        const void* res = handlePointer(m_query.result()->handle());
        const int row = m_query.isForwardOnly() ? 0 : m_query.at();
        if (!pq.ok() || !res || row < 0 || row >= pq.ntuples(res) || col >= pq.nfields(res))
            return false;
        if (pq.getisnull(res, row, col))
            out = QVariant();
        else
            out = QString::fromUtf8(pq.getvalue(res, row, col));
        return true;
    }
    if (m_driver != Driver::Odbc || type == QMetaType::QDate)
        return false;
    // Read before Qt reads the column: the driver hands each value out once.
    void* stmt = handlePointer(m_query.result()->handle());
    if (type == QMetaType::QTime) {
        QString text;
        const OdbcGet got = odbcTimeText(stmt, col, text);
        if (got == OdbcGet::Failed)
            return false;
        out = got == OdbcGet::Null ? QVariant() : QVariant(text.trimmed());
        return true;
    }
    OdbcTimestamp ts;
    const OdbcGet got = odbcTimestamp(stmt, col, ts);
    if (got == OdbcGet::Failed)
        return false;
    if (got == OdbcGet::Null) {
        out = QVariant();
        return true;
    }
    QString text;
    text.reserve(29);
    appendDate(text, ts.year, ts.month, ts.day);
    text += QLatin1Char(' ');
    appendTime(text, ts.hour, ts.minute, ts.second, ts.nanos);
    out = text;
    return true;
}

bool QtSqlResultSet::fetchRow(QList<QVariant>& row) {
    if (!m_query.next()) {
        // A failed fetch also ends with next() == false; it must not pass for the end of the data.
        const QSqlError error = m_query.lastError();
        if (error.isValid())
            throw m_db->failure(error);
        return false;
    }
    const int n = m_record.count();
    row.resize(n);
    for (int i = 0; i < n; ++i)
        if (!isDateOrTime(m_declared[size_t(i)]) || !exactDateTime(i, row[i]))
            row[i] = m_query.value(i);
    return true;
}

void QtSqlResultSet::next() {
    if (m_end)
        return;
    try {
        m_end = !fetchRow(m_row);
    } catch (...) {
        m_end = true;
        throw;
    }
}

const QVariant& QtSqlResultSet::cell(int col) const {
    if (m_end)
        throw ZemoError(err::NoSuchField, QStringLiteral("現在の行がありません"));
    if (col < 0 || col >= m_row.size())
        throw ZemoError(err::NoSuchField, QStringLiteral("列番号 %1 はありません").arg(col));
    return m_row[col];
}

QVariant QtSqlResultSet::value(int col) const {
    return cell(col);
}

ValueKind QtSqlResultSet::kind(int col) const {
    const QVariant& v = cell(col);
    if (v.isNull() || v.typeId() != QMetaType::QString)
        return valueKindOf(v);
    // Exact numbers and exact dates and times arrive as their text.
    const int declared = m_declared[size_t(col)];
    if (isDateOrTime(declared))
        return ValueKind::DateTime;
    return declared == QMetaType::Double || declared == QMetaType::Float ? ValueKind::Decimal
                                                                         : ValueKind::Text;
}

bool QtSqlResultSet::textUtf8(int col, std::string_view& out) const {
    const QVariant& v = cell(col);
    if (v.isNull())
        return false;
    switch (kind(col)) {
    case ValueKind::DateTime:
        m_text = dateTimeText(v).toUtf8();
        break;
    case ValueKind::Blob: // binary as hex digits, as Oracle's tools show RAW
        m_text = binaryText(v.toByteArray());
        break;
    default:
        m_text = v.toString().toUtf8();
    }
    out = std::string_view(m_text.constData(), static_cast<size_t>(m_text.size()));
    return true;
}

} // namespace zemo
