#include "db/OdbcResultSet.h"

#include "db/CellText.h"
#include "db/ServerError.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace zemo {

namespace {

constexpr SQLULEN kMaxBoundChars = 4000; // text declared longer is bound with the long-cell room
constexpr SQLULEN kMaxBoundBytes = 8000;
constexpr SQLULEN kMaxBoundDigits = 480;
constexpr int kFirstRows = 16; // rows the first call of a statement asks for; each next call four times more

bool isLongType(SQLSMALLINT t) {
    return t == SQL_LONGVARCHAR || t == SQL_WLONGVARCHAR || t == SQL_LONGVARBINARY;
}

void planAscii(OdbcColumn& c, ValueKind kind, size_t bytes) {
    c.form = OdbcColumn::Form::Ascii;
    c.kind = kind;
    c.cType = SQL_C_CHAR;
    c.cellBytes = bytes;
    c.terminator = 1;
}

void planFixed(OdbcColumn& c, OdbcColumn::Form form, SQLSMALLINT cType, size_t bytes) {
    c.form = form;
    c.kind = ValueKind::DateTime;
    c.cType = cType;
    c.cellBytes = bytes;
    c.terminator = 0;
}

QString cancelledText() {
    return QStringLiteral("問い合わせを中止しました");
}

} // namespace

OdbcColumn planOdbcColumn(SQLSMALLINT sqlType, SQLULEN size, const OdbcFetchTuning& tuning) {
    OdbcColumn c;
    const SQLULEN longChars = SQLULEN(std::max(tuning.longCellChars, 8));
    switch (sqlType) {
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT:
        planAscii(c, ValueKind::Integer, 24);
        break;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
        // Sign, point, a leading zero and the terminator beside the digits; room for 40 digits at least.
        planAscii(c, ValueKind::Decimal, size_t(std::clamp<SQLULEN>(size, 40, kMaxBoundDigits) + 8));
        c.mayOverflow = size == 0 || size > kMaxBoundDigits;
        break;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
        planAscii(c, ValueKind::Decimal, 40);
        break;
    case SQL_BIT:
        planAscii(c, ValueKind::Text, 8);
        break;
    case SQL_TYPE_TIME:
    case SQL_TIME: // the time struct has no fraction of a second: the driver's text keeps it
        planAscii(c, ValueKind::DateTime, 40);
        break;
    case SQL_TYPE_DATE:
    case SQL_DATE:
        planFixed(c, OdbcColumn::Form::Date, SQL_C_TYPE_DATE, sizeof(SQL_DATE_STRUCT));
        break;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
        planFixed(c, OdbcColumn::Form::Timestamp, SQL_C_TYPE_TIMESTAMP, sizeof(SQL_TIMESTAMP_STRUCT));
        break;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY: {
        const bool bounded = size > 0 && size <= kMaxBoundBytes && !isLongType(sqlType);
        c.form = OdbcColumn::Form::Binary;
        c.kind = ValueKind::Blob;
        c.cType = SQL_C_BINARY;
        c.cellBytes = size_t(bounded ? size : longChars * 2);
        c.terminator = 0;
        c.mayOverflow = !bounded;
        break;
    }
    default: { // character types and whatever else the driver can hand out as text
        const bool bounded = size > 0 && size <= kMaxBoundChars && !isLongType(sqlType);
        c.cellBytes = size_t((bounded ? size : longChars) + 1) * 2;
        c.mayOverflow = !bounded;
        break;
    }
    }
    return c;
}

OdbcResultSet::OdbcResultSet(std::shared_ptr<OdbcDatabase> db, const QString& sql, const QStringList& values)
    : m_db(std::move(db)),
      m_stmt(odbc::Handle::allocate(SQL_HANDLE_STMT, SQL_HANDLE_DBC, m_db->connectionHandle())),
      m_running{m_stmt.get()}, m_attachment(m_db.get(), &m_running) {
    if (m_running.cancelled.load()) // cancelled before it ran
        throw ZemoError(err::Cancelled, cancelledText());
    bindParameters(values);
    SQLWCHAR* text = const_cast<SQLWCHAR*>(odbc::wide(sql));
    SQLRETURN r;
    if (m_db->serverParsesFirst()) {
        // Describing a prepared statement before it runs has the server parse the text.
        SQLSMALLINT columns = 0;
        if (!SQL_SUCCEEDED(SQLPrepareW(stmt(), text, SQL_NTS)) ||
            !SQL_SUCCEEDED(SQLNumResultCols(stmt(), &columns)))
            fail(QStringLiteral("SQL文を実行できません"));
        r = SQLExecute(stmt());
    } else {
        r = SQLExecDirectW(stmt(), text, SQL_NTS);
    }
    if (r != SQL_NO_DATA && !SQL_SUCCEEDED(r))
        fail(QStringLiteral("SQL文を実行できません"));
    describe();
    if (m_cols.empty()) { // a statement without rows
        finish();
        return;
    }
    bind();
    if (fetchBlock()) {
        m_end = false;
        loadRow();
    }
}

// One UTF-16 text parameter for each "?"; the buffers live as long as the statement.
void OdbcResultSet::bindParameters(const QStringList& values) {
    m_params = values;
    m_paramBytes.assign(size_t(values.size()), 0);
    for (qsizetype i = 0; i < m_params.size(); ++i) {
        const QString& v = m_params.at(i);
        m_paramBytes[size_t(i)] = SQLLEN(v.size()) * 2;
        const SQLSMALLINT type = v.size() > qsizetype(kMaxBoundChars) ? SQL_WLONGVARCHAR : SQL_WVARCHAR;
        const SQLRETURN r =
            SQLBindParameter(stmt(), SQLUSMALLINT(i + 1), SQL_PARAM_INPUT, SQL_C_WCHAR, type,
                             SQLULEN(std::max<qsizetype>(v.size(), 1)), 0, const_cast<ushort*>(v.utf16()),
                             SQLLEN(v.size() + 1) * 2, &m_paramBytes[size_t(i)]);
        if (!SQL_SUCCEEDED(r))
            fail(QStringLiteral("パラメータを渡せません"));
    }
}

void OdbcResultSet::fail(const QString& fallback) const {
    const ZemoError e = m_db->failure(SQL_HANDLE_STMT, m_stmt.get(), fallback);
    if (m_running.cancelled.load())
        throw ZemoError(err::Cancelled, e.description());
    throw e;
}

void OdbcResultSet::describe() {
    SQLSMALLINT count = 0;
    if (!SQL_SUCCEEDED(SQLNumResultCols(stmt(), &count)))
        fail(QStringLiteral("結果の列数を読めません"));
    const OdbcFetchTuning& tuning = m_db->tuning();
    for (SQLUSMALLINT i = 1; i <= SQLUSMALLINT(std::max<SQLSMALLINT>(count, 0)); ++i) {
        SQLWCHAR name[256];
        SQLSMALLINT nameLen = 0, type = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        if (!SQL_SUCCEEDED(SQLDescribeColW(stmt(), i, name, 256, &nameLen, &type, &size, &digits, &nullable)))
            fail(QStringLiteral("結果の列を読めません"));
        OdbcColumn c = planOdbcColumn(type, size, tuning);
        c.name = odbc::fromWide(name, std::clamp<qsizetype>(nameLen, 0, 255));
        m_cols.push_back(std::move(c));
    }
}

// Sizes the row array from the cells' room and binds every column, unless values can only be read
// in pieces: a driver that cannot read a cell of a row array again (SQL_GD_BLOCK, SQL_GD_BOUND)
// gets one row per call when a value may outgrow its room, and no bound column at all when it cannot
// read a bound one again.
void OdbcResultSet::bind() {
    const OdbcFetchTuning& tuning = m_db->tuning();
    const unsigned gd = m_db->getDataExtensions();
    const bool mayOverflow =
        std::any_of(m_cols.begin(), m_cols.end(), [](const auto& c) { return c.mayOverflow; });
    m_reread = (gd & SQL_GD_BOUND) != 0;
    m_rowByRow = tuning.rowByRow || (mayOverflow && !m_reread);
    size_t rowBytes = 0;
    for (const OdbcColumn& c : m_cols)
        rowBytes += c.cellBytes + sizeof(SQLLEN);
    m_rows = int(std::clamp<size_t>(tuning.blockBytes / std::max<size_t>(rowBytes, 1), 1,
                                    size_t(std::max(tuning.maxRows, 1))));
    if (m_rowByRow || (mayOverflow && !(gd & SQL_GD_BLOCK)))
        m_rows = 1;
    SQLSetStmtAttrW(stmt(), SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(SQLULEN(m_rows)), 0);
    SQLULEN granted = 0;
    if (SQL_SUCCEEDED(SQLGetStmtAttrW(stmt(), SQL_ATTR_ROW_ARRAY_SIZE, &granted, 0, nullptr)) && granted > 0)
        m_rows = int(std::min<SQLULEN>(granted, SQLULEN(m_rows)));
    // A call returns when its whole array is filled: the first calls ask for few rows, so that the
    // first rows of a slow statement show (and stay, should the server go away) without waiting for
    // thousands.
    m_ask = std::min(m_rows, kFirstRows);
    setRowArraySize(m_ask);
    m_status.assign(size_t(m_rows), SQL_ROW_NOROW);
    SQLSetStmtAttrW(stmt(), SQL_ATTR_ROW_STATUS_PTR, m_status.data(), 0);
    SQLSetStmtAttrW(stmt(), SQL_ATTR_ROWS_FETCHED_PTR, &m_fetched, 0);
    if (m_rowByRow)
        return;
    for (size_t i = 0; i < m_cols.size(); ++i) {
        OdbcColumn& c = m_cols[i];
        c.cells.assign(c.cellBytes * size_t(m_rows), 0);
        c.lengths.assign(size_t(m_rows), SQL_NULL_DATA);
        if (!SQL_SUCCEEDED(SQLBindCol(stmt(), SQLUSMALLINT(i + 1), c.cType, c.cells.data(),
                                      SQLLEN(c.cellBytes), c.lengths.data())))
            fail(QStringLiteral("結果の列を結び付けられません"));
    }
}

void OdbcResultSet::setRowArraySize(int rows) {
    SQLSetStmtAttrW(stmt(), SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(SQLULEN(rows)), 0);
}

bool OdbcResultSet::fetchBlock() {
    if (m_running.cancelled.load())
        throw ZemoError(err::Cancelled, cancelledText());
    constexpr SQLULEN kUnset = ~SQLULEN(0);
    m_fetched = kUnset;
    if (m_ask < m_rows && !m_end) {
        m_ask = std::min(m_ask * 4, m_rows);
        setRowArraySize(m_ask);
    }
    std::fill(m_status.begin(), m_status.end(), SQLUSMALLINT(SQL_ROW_NOROW));
    const SQLRETURN r = SQLFetch(stmt());
    if (r == SQL_NO_DATA) {
        if (m_running.cancelled.load())
            throw ZemoError(err::Cancelled, cancelledText());
        finish();
        return false;
    }
    if (!SQL_SUCCEEDED(r))
        fail(QStringLiteral("行を読めません"));
    if (m_fetched == kUnset) // a driver that does not count: the rows it marked, one at least
        m_fetched =
            std::max<SQLULEN>(1, SQLULEN(std::count_if(m_status.begin(), m_status.end(),
                                                       [](SQLUSMALLINT st) { return st != SQL_ROW_NOROW; })));
    m_pos = 0;
    if (m_fetched == 0) {
        finish();
        return false;
    }
    return true;
}

// Reads the results after this one, if the statement gave several, so that a failure in any of
// them is not taken for success.
void OdbcResultSet::finish() {
    for (int i = 0; i < 64; ++i) {
        const SQLRETURN r = SQLMoreResults(stmt());
        if (r == SQL_NO_DATA)
            return;
        if (!SQL_SUCCEEDED(r)) {
            const QString state = odbc::firstSqlState(SQL_HANDLE_STMT, m_stmt.get());
            if (state.startsWith(QLatin1String("IM")) || state == QLatin1String("HYC00"))
                return; // the driver has no further results to offer
            fail(QStringLiteral("SQL文を実行できません"));
        }
    }
}

void OdbcResultSet::next() {
    if (m_end)
        return;
    try {
        if (++m_pos >= m_fetched && !fetchBlock()) {
            m_end = true;
            return;
        }
        loadRow();
    } catch (...) {
        m_end = true;
        throw;
    }
}

// Makes the current row readable: a failed row raises its error; values that did not fit their
// room, and every value when nothing is bound, are read in pieces, in column order.
void OdbcResultSet::loadRow() {
    if (m_status[m_pos] == SQL_ROW_ERROR)
        fail(QStringLiteral("行を読めません"));
    bool positioned = m_ask == 1;
    for (size_t i = 0; i < m_cols.size(); ++i) {
        OdbcColumn& c = m_cols[i];
        c.pieced = false;
        if (!m_rowByRow) {
            const SQLLEN len = c.lengths[m_pos];
            if (len == SQL_NULL_DATA || (len != SQL_NO_TOTAL && size_t(len) + c.terminator <= c.cellBytes))
                continue;
            if (!m_reread)
                throw ZemoError(
                    err::ServerError,
                    QStringLiteral("列 %1 の値が ODBC ドライバの示した長さを超えています").arg(c.name));
            if (!positioned) {
                if (!SQL_SUCCEEDED(
                        SQLSetPos(stmt(), SQLSETPOSIROW(m_pos + 1), SQL_POSITION, SQL_LOCK_NO_CHANGE)))
                    fail(QStringLiteral("行を読めません"));
                positioned = true;
            }
        }
        readPieces(c, int(i));
    }
}

void OdbcResultSet::readPieces(OdbcColumn& c, int index) {
    c.pieced = true;
    c.piecedNull = false;
    c.pieces.clear();
    const bool fixed = c.form == OdbcColumn::Form::Timestamp || c.form == OdbcColumn::Form::Date;
    // An even room keeps UTF-16 pieces whole.
    const size_t cap = fixed ? c.cellBytes : std::max<size_t>(m_db->tuning().pieceBytes & ~size_t(1), 16);
    m_piece.resize(cap);
    const size_t room = cap - (fixed ? 0 : c.terminator);
    for (;;) {
        SQLLEN len = 0;
        const SQLRETURN r =
            SQLGetData(stmt(), SQLUSMALLINT(index + 1), c.cType, m_piece.data(), SQLLEN(cap), &len);
        if (r == SQL_NO_DATA)
            return;
        if (!SQL_SUCCEEDED(r))
            fail(QStringLiteral("列 %1 の値を読めません").arg(c.name));
        if (len == SQL_NULL_DATA) {
            c.piecedNull = true;
            return;
        }
        const bool more = !fixed && (len == SQL_NO_TOTAL || size_t(len) > room);
        c.pieces.append(m_piece.data(), fixed ? cap : more ? room : size_t(len));
        if (!more)
            return;
    }
}

QString OdbcResultSet::columnName(int col) const {
    return m_cols.at(size_t(col)).name;
}

bool OdbcResultSet::raw(int col, const char*& data, size_t& size) const {
    if (m_end)
        throw ZemoError(err::NoSuchField, QStringLiteral("現在の行がありません"));
    if (col < 0 || col >= columnCount())
        throw ZemoError(err::NoSuchField, QStringLiteral("列番号 %1 はありません").arg(col));
    const OdbcColumn& c = m_cols[size_t(col)];
    if (c.pieced) {
        data = c.pieces.data();
        size = c.pieces.size();
        return !c.piecedNull;
    }
    const SQLLEN len = c.lengths[m_pos];
    if (len == SQL_NULL_DATA)
        return false;
    data = c.cells.data() + m_pos * c.cellBytes;
    size = c.terminator == 0 && c.form != OdbcColumn::Form::Binary ? c.cellBytes : size_t(len);
    return true;
}

bool OdbcResultSet::textUtf8(int col, std::string_view& out) const {
    const char* p = nullptr;
    size_t n = 0;
    if (!raw(col, p, n))
        return false;
    const OdbcColumn& c = m_cols[size_t(col)];
    m_text.clear();
    switch (c.form) {
    case OdbcColumn::Form::Ascii:
        if (isAscii(p, n)) {
            out = std::string_view(p, n);
            return true;
        }
        m_text = QString::fromLocal8Bit(p, qsizetype(n)).toStdString();
        break;
    case OdbcColumn::Form::Text: {
        // The buffers are 2-byte aligned: cells have an even room and pieces come from std::string.
        appendUtf8(m_text, reinterpret_cast<const char16_t*>(p), n / 2);
        break;
    }
    case OdbcColumn::Form::Timestamp: {
        SQL_TIMESTAMP_STRUCT ts;
        std::memcpy(&ts, p, sizeof ts);
        appendTimestamp(m_text, ts.year, ts.month, ts.day, ts.hour, ts.minute, ts.second, ts.fraction);
        break;
    }
    case OdbcColumn::Form::Date: {
        SQL_DATE_STRUCT d;
        std::memcpy(&d, p, sizeof d);
        appendDate(m_text, d.year, d.month, d.day);
        break;
    }
    case OdbcColumn::Form::Binary:
        appendHex(m_text, reinterpret_cast<const unsigned char*>(p), n);
        break;
    }
    out = m_text;
    return true;
}

ValueKind OdbcResultSet::kind(int col) const {
    const char* p = nullptr;
    size_t n = 0;
    return raw(col, p, n) ? m_cols[size_t(col)].kind : ValueKind::Null;
}

QVariant OdbcResultSet::value(int col) const {
    const char* p = nullptr;
    size_t n = 0;
    if (!raw(col, p, n))
        return QVariant();
    const OdbcColumn& c = m_cols[size_t(col)];
    if (c.form == OdbcColumn::Form::Text)
        return QString::fromUtf16(reinterpret_cast<const char16_t*>(p), qsizetype(n / 2));
    if (c.form == OdbcColumn::Form::Binary)
        return QByteArray(p, qsizetype(n));
    if (c.kind == ValueKind::Integer) {
        qlonglong v = 0;
        const auto r = std::from_chars(p, p + n, v);
        if (r.ec == std::errc() && r.ptr == p + n)
            return v;
    }
    std::string_view text;
    textUtf8(col, text);
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

} // namespace zemo
