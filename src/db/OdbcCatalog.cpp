// The ODBC catalog functions, through the wide-character calls: names and remarks are UTF-16 on
// Windows and on unixODBC alike, whatever the locale's narrow character set.
#include "db/OdbcCatalog.h"

#include "app/ZemoError.h"

#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

namespace zemo {

namespace {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "ODBC wide characters are UTF-16 units");

// A text as the catalog functions take it; a null pointer (no restriction) for an empty one.
class Arg {
public:
    explicit Arg(const QString& text) : m_text(text) {}
    SQLWCHAR* ptr() const {
        return m_text.isEmpty() ? nullptr : reinterpret_cast<SQLWCHAR*>(const_cast<ushort*>(m_text.utf16()));
    }
    SQLSMALLINT len() const { return m_text.isEmpty() ? 0 : SQLSMALLINT(m_text.size()); }

private:
    QString m_text;
};

class Statement {
public:
    explicit Statement(void* connectionHandle) {
        if (!connectionHandle)
            throw ZemoError(err::NotConnected, QStringLiteral("ODBC の接続ハンドルがありません"));
        const SQLRETURN r = SQLAllocHandle(SQL_HANDLE_STMT, static_cast<SQLHDBC>(connectionHandle), &m_stmt);
        if (!SQL_SUCCEEDED(r))
            fail(SQL_HANDLE_DBC, connectionHandle);
    }
    ~Statement() { SQLFreeHandle(SQL_HANDLE_STMT, m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    SQLHSTMT handle() const { return m_stmt; }
    void check(SQLRETURN r) const {
        if (!SQL_SUCCEEDED(r) && r != SQL_NO_DATA)
            fail(SQL_HANDLE_STMT, m_stmt);
    }
    bool fetch() const {
        const SQLRETURN r = SQLFetch(m_stmt);
        if (r == SQL_NO_DATA)
            return false;
        check(r);
        return true;
    }
    // Column `col` (from 1) of the current row; "" for NULL. Long values arrive in pieces.
    QString text(SQLUSMALLINT col) const {
        QString out;
        SQLWCHAR buf[512];
        for (;;) {
            SQLLEN indicator = 0;
            const SQLRETURN r = SQLGetData(m_stmt, col, SQL_C_WCHAR, buf, sizeof buf, &indicator);
            if (r == SQL_NO_DATA || indicator == SQL_NULL_DATA)
                return out;
            check(r);
            const qsizetype room = qsizetype(sizeof buf / sizeof(SQLWCHAR)) - 1;
            const qsizetype got = indicator == SQL_NO_TOTAL || indicator / qsizetype(sizeof(SQLWCHAR)) > room
                                      ? room
                                      : indicator / qsizetype(sizeof(SQLWCHAR));
            out += QStringView(reinterpret_cast<const char16_t*>(buf), got);
            if (r == SQL_SUCCESS)
                return out;
        }
    }
    int integer(SQLUSMALLINT col) const {
        SQLINTEGER v = 0;
        SQLLEN indicator = 0;
        check(SQLGetData(m_stmt, col, SQL_C_SLONG, &v, sizeof v, &indicator));
        return indicator == SQL_NULL_DATA ? 0 : int(v);
    }

private:
    [[noreturn]] static void fail(SQLSMALLINT type, void* handle) {
        SQLWCHAR state[6] = {};
        SQLWCHAR message[1024] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT len = 0;
        QString text = QStringLiteral("ODBC のカタログ関数が失敗しました");
        if (SQL_SUCCEEDED(SQLGetDiagRecW(type, handle, 1, state, &native, message, 1024, &len))) {
            text = QString::fromUtf16(reinterpret_cast<const char16_t*>(message), qMin<int>(len, 1023))
                       .trimmed();
            text += QStringLiteral(" (") + QString::fromUtf16(reinterpret_cast<const char16_t*>(state), 5) +
                    QLatin1Char(')');
        }
        throw ZemoError(native != 0 ? int(native) : err::ServerError, text);
    }

    SQLHSTMT m_stmt = SQL_NULL_HSTMT;
};

const QString kTableTypes = QStringLiteral("TABLE,VIEW");

} // namespace

QList<OdbcRemark> odbcTableRemarks(void* connectionHandle, const QString& schema) {
    Statement st(connectionHandle);
    const Arg sch(schema), any(QStringLiteral("%")), types(kTableTypes);
    st.check(SQLTablesW(st.handle(), nullptr, 0, sch.ptr(), sch.len(), any.ptr(), any.len(), types.ptr(),
                        types.len()));
    QList<OdbcRemark> out;
    while (st.fetch()) {
        OdbcRemark r;
        r.schema = st.text(2);
        r.table = st.text(3);
        r.remarks = st.text(5);
        out << r;
    }
    return out;
}

QList<OdbcRemark> odbcColumnRemarks(void* connectionHandle, const QString& schema, const QString& table) {
    Statement st(connectionHandle);
    // The table argument is a pattern ("_" matches any character): rows of other tables are dropped.
    const Arg sch(schema), tab(table), any(QStringLiteral("%"));
    st.check(SQLColumnsW(st.handle(), nullptr, 0, sch.ptr(), sch.len(), tab.ptr(), tab.len(), any.ptr(),
                         any.len()));
    QList<OdbcRemark> out;
    while (st.fetch()) {
        OdbcRemark r;
        r.schema = st.text(2);
        r.table = st.text(3);
        r.column = st.text(4);
        r.remarks = st.text(12);
        if (r.table == table)
            out << r;
    }
    return out;
}

QList<OdbcKeyColumn> odbcForeignKeys(void* connectionHandle, const QString& schema, const QString& table) {
    Statement st(connectionHandle);
    const Arg sch(schema), tab(table);
    st.check(SQLForeignKeysW(st.handle(), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0, sch.ptr(),
                             sch.len(), tab.ptr(), tab.len()));
    QList<OdbcKeyColumn> out;
    while (st.fetch()) {
        OdbcKeyColumn k;
        k.refSchema = st.text(2);
        k.refTable = st.text(3);
        k.refColumn = st.text(4);
        k.schema = st.text(6);
        k.table = st.text(7);
        k.column = st.text(8);
        k.position = st.integer(9);
        k.name = st.text(12);
        out << k;
    }
    return out;
}

} // namespace zemo
