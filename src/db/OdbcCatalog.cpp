// The ODBC catalog functions, through the wide-character calls: names and remarks are UTF-16 on
// Windows and on unixODBC alike, whatever the locale's narrow character set.
#include "db/OdbcCatalog.h"

#include "db/OdbcBackend.h"
#include "db/OdbcCall.h"

namespace zemo {

namespace {

// A text as the catalog functions take it; a null pointer (no restriction) for an empty one.
class Arg {
public:
    explicit Arg(const QString& text) : m_text(text) {}
    SQLWCHAR* ptr() const { return m_text.isEmpty() ? nullptr : const_cast<SQLWCHAR*>(odbc::wide(m_text)); }
    SQLSMALLINT len() const { return m_text.isEmpty() ? 0 : SQLSMALLINT(m_text.size()); }

private:
    QString m_text;
};

class Statement {
public:
    explicit Statement(const OdbcDatabase& db)
        : m_db(db), m_stmt(odbc::Handle::allocate(SQL_HANDLE_STMT, SQL_HANDLE_DBC, db.connectionHandle())) {}

    SQLHSTMT handle() const { return m_stmt.get(); }
    void check(SQLRETURN r) const {
        if (!SQL_SUCCEEDED(r) && r != SQL_NO_DATA)
            throw m_db.failure(SQL_HANDLE_STMT, m_stmt.get(),
                               QStringLiteral("ODBC のカタログ関数が失敗しました"));
    }
    bool fetch() const {
        const SQLRETURN r = SQLFetch(handle());
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
            const SQLRETURN r = SQLGetData(handle(), col, SQL_C_WCHAR, buf, sizeof buf, &indicator);
            if (r == SQL_NO_DATA || indicator == SQL_NULL_DATA)
                return out;
            check(r);
            const qsizetype room = qsizetype(sizeof buf / sizeof(SQLWCHAR)) - 1;
            const qsizetype got = indicator == SQL_NO_TOTAL || indicator / qsizetype(sizeof(SQLWCHAR)) > room
                                      ? room
                                      : indicator / qsizetype(sizeof(SQLWCHAR));
            out += odbc::fromWide(buf, got);
            if (r == SQL_SUCCESS)
                return out;
        }
    }
    int integer(SQLUSMALLINT col) const {
        SQLINTEGER v = 0;
        SQLLEN indicator = 0;
        check(SQLGetData(handle(), col, SQL_C_SLONG, &v, sizeof v, &indicator));
        return indicator == SQL_NULL_DATA ? 0 : int(v);
    }

private:
    const OdbcDatabase& m_db;
    odbc::Handle m_stmt;
};

const QString kTableTypes = QStringLiteral("TABLE,VIEW");

// The rows of SQLTables or SQLColumns: schema and table in columns 2 and 3, the column name in
// `columnCol` (0: none), the remarks in `remarksCol`; with `onlyTable`, rows of other tables dropped.
QList<OdbcRemark> readRemarks(Statement& st, int columnCol, int remarksCol, const QString& onlyTable) {
    QList<OdbcRemark> out;
    while (st.fetch()) {
        OdbcRemark r;
        r.schema = st.text(2);
        r.table = st.text(3);
        if (columnCol > 0)
            r.column = st.text(columnCol);
        r.remarks = st.text(remarksCol);
        if (onlyTable.isEmpty() || r.table == onlyTable)
            out << r;
    }
    return out;
}

} // namespace

QList<OdbcRemark> odbcTableRemarks(const OdbcDatabase& db, const QString& schema) {
    Statement st(db);
    const Arg sch(schema), any(QStringLiteral("%")), types(kTableTypes);
    st.check(SQLTablesW(st.handle(), nullptr, 0, sch.ptr(), sch.len(), any.ptr(), any.len(), types.ptr(),
                        types.len()));
    return readRemarks(st, 0, 5, {});
}

QList<OdbcRemark> odbcColumnRemarks(const OdbcDatabase& db, const QString& schema, const QString& table) {
    Statement st(db);
    // The table argument is a pattern ("_" matches any character): rows of other tables are dropped.
    const Arg sch(schema), tab(table), any(QStringLiteral("%"));
    st.check(SQLColumnsW(st.handle(), nullptr, 0, sch.ptr(), sch.len(), tab.ptr(), tab.len(), any.ptr(),
                         any.len()));
    return readRemarks(st, 4, 12, table);
}

QList<OdbcKeyColumn> odbcForeignKeys(const OdbcDatabase& db, const QString& schema, const QString& table) {
    Statement st(db);
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
