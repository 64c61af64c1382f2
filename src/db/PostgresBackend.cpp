#include "db/PostgresBackend.h"

#include "db/CellText.h"
#include "db/LibPq.h"
#include "db/PostgresDictionary.h"
#include "db/ServerError.h"

#include <charconv>
#include <iterator>

namespace zemo {

namespace {

// libpq's functions, set before the first connection is made; no result set exists before that.
std::atomic<const LibPq*> gPq{nullptr};

const LibPq& pq() {
    return *gPq.load(std::memory_order_relaxed);
}

// Type OIDs of the built-in types, fixed in PostgreSQL's catalogue.
enum : Oid {
    kBytea = 17,
    kInt8 = 20,
    kInt2 = 21,
    kInt4 = 23,
    kOid = 26,
    kFloat4 = 700,
    kFloat8 = 701,
    kDate = 1082,
    kTime = 1083,
    kTimestamp = 1114,
    kTimestampTz = 1184,
    kTimeTz = 1266,
    kNumeric = 1700,
};

ValueKind kindOfType(Oid type) {
    switch (type) {
    case kInt2:
    case kInt4:
    case kInt8:
    case kOid:
        return ValueKind::Integer;
    case kFloat4:
    case kFloat8:
        return ValueKind::Real;
    case kNumeric:
        return ValueKind::Decimal;
    case kDate:
    case kTime:
    case kTimeTz:
    case kTimestamp:
    case kTimestampTz:
        return ValueKind::DateTime;
    case kBytea:
        return ValueKind::Blob;
    default:
        return ValueKind::Text;
    }
}

} // namespace

std::shared_ptr<PgDatabase> PgDatabase::open(const Params& params) {
    gPq.store(&LibPq::get());
    const QByteArray port = params.port > 0 ? QByteArray::number(params.port) : QByteArray();
    const QByteArray values[] = {params.host.toUtf8(), port, params.database.toUtf8(), params.user.toUtf8(),
                                 params.password.toUtf8()};
    const char* const names[] = {"host", "port", "dbname", "user", "password"};
    std::vector<const char*> keys, vals;
    for (size_t i = 0; i < std::size(names); ++i) {
        if (values[i].isEmpty())
            continue;
        keys.push_back(names[i]);
        vals.push_back(values[i].constData());
    }
    // Never wait for ever: a bounded connect, and keepalives so that a vanished server is noticed.
    const char* const fixed[][2] = {{"connect_timeout", "10"},      {"keepalives", "1"},
                                    {"keepalives_idle", "30"},      {"keepalives_interval", "10"},
                                    {"keepalives_count", "3"},      {"client_encoding", "UTF8"},
                                    {"application_name", "ZEMO-DB"}};
    for (const auto& kv : fixed) {
        keys.push_back(kv[0]);
        vals.push_back(kv[1]);
    }
    keys.push_back(nullptr);
    vals.push_back(nullptr);

    std::shared_ptr<PgDatabase> db(new PgDatabase);
    db->m_conn = pq().PQconnectdbParams(keys.data(), vals.data(), 0);
    if (!db->m_conn)
        throw ZemoError(err::OutOfMemory, QStringLiteral("PostgreSQL に接続できません（メモリ不足）"));
    if (pq().PQstatus(db->m_conn) != CONNECTION_OK)
        db->raiseConnectionError(QStringLiteral("PostgreSQL に接続できません"));
    db->m_cancel = pq().PQgetCancel(db->m_conn);
    db->m_opened = true;
    addPostgresDictionaryViews([&](const QString& sql) { db->execute(sql); });
    return db;
}

PgDatabase::~PgDatabase() {
    if (m_cancel)
        pq().PQfreeCancel(m_cancel);
    if (m_conn)
        pq().PQfinish(m_conn);
}

bool PgDatabase::lost(const QString& sqlState) const {
    return m_opened && (connectionLostState(sqlState) || pq().PQstatus(m_conn) != CONNECTION_OK);
}

void PgDatabase::raiseConnectionError(const QString& fallback) const {
    QString text = QString::fromUtf8(pq().PQerrorMessage(m_conn)).trimmed();
    if (text.isEmpty())
        text = fallback;
    throw lost(QString()) ? connectionLost(text) : serverError(0, text);
}

ZemoError PgDatabase::failure(const PGresult* result) const {
    const QString text = QString::fromUtf8(pq().PQresultErrorMessage(result)).trimmed();
    const QString state = QString::fromLatin1(pq().PQresultErrorField(result, PG_DIAG_SQLSTATE));
    if (cancelRequested())
        return ZemoError(err::Cancelled, text);
    if (lost(state))
        return connectionLost(text);
    return serverError(numericSqlState(state), text, state);
}

std::unique_ptr<OracleResultSet> PgDatabase::createResultSet(const QString& sql) {
    return std::make_unique<PgResultSet>(shared_from_this(), sql);
}

std::unique_ptr<OracleResultSet> PgDatabase::createBoundResultSet(const BoundStatement& statement) {
    return std::make_unique<PgResultSet>(shared_from_this(), boundText(statement, ParameterStyle::Dollar),
                                         statement.values);
}

void PgDatabase::execute(const QString& sql) {
    PgResultSet rs(shared_from_this(), sql);
}

void PgDatabase::setRunning(bool running) {
    const std::lock_guard<std::mutex> hold(m_cancelLock);
    m_running = running;
    if (running)
        m_cancelRequested.store(false);
}

// The cancel request travels on a connection of its own; PQcancel may be called from any thread
// and uses only the cancel object, which lives as long as this database.
void PgDatabase::cancel() {
    {
        const std::lock_guard<std::mutex> hold(m_cancelLock);
        if (!m_running || !m_cancel)
            return;
        m_cancelRequested.store(true);
    }
    char error[256];
    pq().PQcancel(m_cancel, error, sizeof error);
}

PgResultSet::PgResultSet(std::shared_ptr<PgDatabase> db, const QString& sql, const QStringList& values)
    : m_db(std::move(db)) {
    PGconn* conn = m_db->connection();
    const char* encoding = pq().PQparameterStatus(conn, "server_encoding");
    m_checkUtf8 = encoding && qstrcmp(encoding, "SQL_ASCII") == 0;
    if (PgResultSet* earlier = m_db->streaming())
        earlier->bufferRest();
    m_db->setRunning(true);
    // The extended protocol runs one statement per text, whatever the text holds. Values travel as
    // text parameters whose types the server infers from where they stand.
    std::vector<QByteArray> bytes;
    for (const QString& v : values)
        bytes.push_back(v.toUtf8());
    std::vector<const char*> params;
    for (const QByteArray& b : bytes)
        params.push_back(b.constData());
    if (!pq().PQsendQueryParams(conn, sql.toUtf8().constData(), int(params.size()), nullptr, params.data(),
                                nullptr, nullptr, 0)) {
        m_db->setRunning(false);
        m_db->raiseConnectionError(QStringLiteral("SQL文を送れません"));
    }
    m_sent = true;
    m_db->setStreaming(this);
    pq().PQsetSingleRowMode(conn);
    if (m_db->cancelRequested()) // asked for while the text was on its way: ask again, now it runs
        m_db->cancel();
    take(pq().PQgetResult(conn));
}

PgResultSet::~PgResultSet() {
    pq().PQclear(m_row);
    for (PGresult* r : m_pending)
        pq().PQclear(r);
    if (!m_sent)
        return;
    // What the server has sent already is read without waiting; a result still coming is cancelled.
    PGconn* conn = m_db->connection();
    pq().PQconsumeInput(conn);
    while (!pq().PQisBusy(conn)) {
        PGresult* r = pq().PQgetResult(conn);
        if (!r) {
            m_sent = false;
            m_db->setRunning(false);
            m_db->setStreaming(nullptr);
            return;
        }
        pq().PQclear(r);
    }
    m_db->cancel();
    drain();
}

void PgResultSet::describe(const PGresult* result) {
    if (!m_names.empty() || pq().PQnfields(result) == 0)
        return;
    m_columns = pq().PQnfields(result);
    for (int i = 0; i < m_columns; ++i) {
        m_names.push_back(QString::fromUtf8(pq().PQfname(result, i)));
        m_kinds.push_back(kindOfType(pq().PQftype(result, i)));
        m_bytea.push_back(pq().PQftype(result, i) == kBytea);
    }
}

void PgResultSet::endRows() {
    pq().PQclear(m_row);
    m_row = nullptr;
    m_end = true;
}

// A row in single-row mode; rows after the last one, or none, as a result without rows. Should the
// connection not have taken single-row mode, a result of many rows is read the same way.
void PgResultSet::take(PGresult* result) {
    endRows();
    if (!result) {
        drain();
        return;
    }
    switch (pq().PQresultStatus(result)) {
    case PGRES_SINGLE_TUPLE:
    case PGRES_TUPLES_OK:
        describe(result);
        if (pq().PQntuples(result) > 0) {
            m_row = result;
            m_index = 0;
            m_end = false;
            return;
        }
        pq().PQclear(result);
        drain();
        return;
    case PGRES_COMMAND_OK:
    case PGRES_EMPTY_QUERY:
        describe(result);
        pq().PQclear(result);
        drain();
        return;
    default: {
        const ZemoError e = m_db->failure(result);
        pq().PQclear(result);
        drain();
        throw e;
    }
    }
}

void PgResultSet::drain() {
    if (!m_sent)
        return;
    while (PGresult* r = pq().PQgetResult(m_db->connection()))
        pq().PQclear(r);
    m_sent = false;
    m_db->setRunning(false);
    m_db->setStreaming(nullptr);
}

void PgResultSet::bufferRest() {
    if (!m_sent)
        return;
    while (PGresult* r = pq().PQgetResult(m_db->connection()))
        m_pending.push_back(r);
    m_sent = false;
    m_db->setRunning(false);
    m_db->setStreaming(nullptr);
}

void PgResultSet::next() {
    if (m_end)
        return;
    if (++m_index < pq().PQntuples(m_row))
        return;
    if (!m_pending.empty()) {
        PGresult* r = m_pending.front();
        m_pending.pop_front();
        take(r);
        return;
    }
    if (!m_sent) { // read into memory to its end already
        endRows();
        return;
    }
    if (m_db->cancelRequested()) {
        endRows();
        drain();
        throw ZemoError(err::Cancelled, QStringLiteral("問い合わせを中止しました"));
    }
    take(pq().PQgetResult(m_db->connection()));
}

QString PgResultSet::columnName(int col) const {
    return m_names.at(size_t(col));
}

const char* PgResultSet::cell(int col, int& length) const {
    if (m_end || !m_row)
        throw ZemoError(err::NoSuchField, QStringLiteral("現在の行がありません"));
    if (col < 0 || col >= m_columns)
        throw ZemoError(err::NoSuchField, QStringLiteral("列番号 %1 はありません").arg(col));
    if (pq().PQgetisnull(m_row, m_index, col))
        return nullptr;
    length = pq().PQgetlength(m_row, m_index, col);
    return pq().PQgetvalue(m_row, m_index, col);
}

ValueKind PgResultSet::kind(int col) const {
    int n = 0;
    return cell(col, n) ? m_kinds[size_t(col)] : ValueKind::Null;
}

bool PgResultSet::textUtf8(int col, std::string_view& out) const {
    int n = 0;
    const char* p = cell(col, n);
    if (!p)
        return false;
    if (m_bytea[size_t(col)]) {
        m_text.clear();
        if (n >= 2 && p[0] == '\\' && p[1] == 'x') { // hex output: the digits, upper case
            m_text.assign(p + 2, size_t(n - 2));
            for (char& c : m_text)
                if (c >= 'a' && c <= 'f')
                    c = char(c - 'a' + 'A');
        } else { // bytea_output = escape
            size_t size = 0;
            unsigned char* bytes = pq().PQunescapeBytea(reinterpret_cast<const unsigned char*>(p), &size);
            if (bytes)
                appendHex(m_text, bytes, size);
            pq().PQfreemem(bytes);
        }
        out = m_text;
        return true;
    }
    out = std::string_view(p, size_t(n));
    if (m_checkUtf8 && !isAscii(p, size_t(n)) && !QByteArrayView(p, n).isValidUtf8()) {
        m_text = QString::fromUtf8(p, n).toStdString();
        out = m_text;
    }
    return true;
}

QVariant PgResultSet::value(int col) const {
    int n = 0;
    const char* p = cell(col, n);
    if (!p)
        return QVariant();
    if (m_kinds[size_t(col)] == ValueKind::Integer) {
        qlonglong v = 0;
        const auto r = std::from_chars(p, p + n, v);
        if (r.ec == std::errc() && r.ptr == p + n)
            return v;
    }
    if (m_bytea[size_t(col)]) {
        std::string_view hex;
        textUtf8(col, hex);
        return QByteArray::fromHex(QByteArray(hex.data(), qsizetype(hex.size())));
    }
    return QString::fromUtf8(p, n);
}

} // namespace zemo
