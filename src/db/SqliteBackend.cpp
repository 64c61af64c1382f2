#include "db/SqliteBackend.h"

#include "base/ZemoError.h"
#include "db/CellText.h"

#include <QFileInfo>
#include <sqlite3.h>

namespace zemo {

namespace {

// Dictionary views over this file's own tables and views, with the names and columns of the
// server dictionaries that the table dialog queries. Declared types such as VARCHAR2(20) are split
// into the type name and its length. Generated columns are listed (they can be selected), a virtual
// table's hidden columns are not.
const char* const kDictionaryViews = R"SQL(
CREATE TEMP VIEW USER_OBJECTS AS
  SELECT name AS OBJECT_NAME, upper(type) AS OBJECT_TYPE
  FROM main.sqlite_master
  WHERE type IN ('table', 'view') AND name NOT LIKE 'sqlite\_%' ESCAPE '\';
CREATE TEMP VIEW user_tab_columns AS
  SELECT TABLE_NAME, COLUMN_NAME,
         CASE WHEN instr(t, '(') > 0 THEN rtrim(substr(t, 1, instr(t, '(') - 1)) ELSE t END AS DATA_TYPE,
         CASE WHEN instr(t, '(') > 0 THEN CAST(substr(t, instr(t, '(') + 1) AS INTEGER)
              WHEN t IN ('NUMBER', 'INTEGER', 'INT', 'REAL', 'NUMERIC') THEN 22
              WHEN t = 'DATE' THEN 7
              ELSE 0 END AS DATA_LENGTH,
         COLUMN_ID
  FROM (SELECT m.name AS TABLE_NAME, p.name AS COLUMN_NAME, upper(trim(p.type)) AS t, p.cid + 1 AS COLUMN_ID
        FROM main.sqlite_master AS m JOIN pragma_table_xinfo(m.name) AS p
        WHERE m.type IN ('table', 'view') AND m.name NOT LIKE 'sqlite\_%' ESCAPE '\'
          AND p.hidden IN (0, 2, 3)
        ORDER BY m.name, p.cid);
)SQL";

// Whether the text after the first statement holds another one (blanks, semicolons and comments do
// not count). A tail that does not parse counts as one.
bool anotherStatementFollows(sqlite3* db, const char* rest) {
    while (rest && *rest) {
        sqlite3_stmt* extra = nullptr;
        const char* tail = nullptr;
        if (sqlite3_prepare_v2(db, rest, -1, &extra, &tail) != SQLITE_OK)
            return true;
        if (extra) {
            sqlite3_finalize(extra);
            return true;
        }
        if (!tail || tail == rest)
            break;
        rest = tail;
    }
    return false;
}

} // namespace

std::shared_ptr<SqliteDatabase> SqliteDatabase::open(const QString& path) {
    if (!QFileInfo(path).isFile())
        throw ZemoError(SQLITE_CANTOPEN, QStringLiteral("データベースファイルがありません：") + path);
    sqlite3* db = nullptr;
    const int rc =
        sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const QString msg = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
        const int code = db ? sqlite3_extended_errcode(db) : rc;
        sqlite3_close_v2(db);
        throw ZemoError(code, msg + QStringLiteral("：") + path);
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, 3000);
    std::shared_ptr<SqliteDatabase> self(new SqliteDatabase(db));
    char* errmsg = nullptr;
    // Reading the schema here also rejects a file that is not a database.
    if (sqlite3_exec(db, kDictionaryViews, nullptr, nullptr, &errmsg) != SQLITE_OK) {
        const QString msg = QString::fromUtf8(errmsg ? errmsg : sqlite3_errmsg(db));
        sqlite3_free(errmsg);
        throw ZemoError(sqlite3_extended_errcode(db), msg + QStringLiteral("：") + path);
    }
    return self;
}

SqliteDatabase::~SqliteDatabase() {
    sqlite3_close_v2(m_db);
}

void SqliteDatabase::cancel() {
    sqlite3_interrupt(m_db);
}

void SqliteDatabase::raise() const {
    throw ZemoError(sqlite3_extended_errcode(m_db), QString::fromUtf8(sqlite3_errmsg(m_db)));
}

std::unique_ptr<OracleResultSet> SqliteDatabase::createResultSet(const QString& sql) {
    return std::make_unique<SqliteResultSet>(shared_from_this(), sql);
}

std::unique_ptr<OracleResultSet> SqliteDatabase::createBoundResultSet(const BoundStatement& statement) {
    return std::make_unique<SqliteResultSet>(
        shared_from_this(), boundText(statement, ParameterStyle::NumberedQuestion), statement.values);
}

SqliteResultSet::SqliteResultSet(std::shared_ptr<SqliteDatabase> db, const QString& sql,
                                 const QStringList& values)
    : m_db(std::move(db)), m_sql(sql.toUtf8()) {
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(m_db->handle(), m_sql.constData(), static_cast<int>(m_sql.size()), &m_stmt,
                           &tail) != SQLITE_OK)
        m_db->raise();
    if (!m_stmt)
        throw ZemoError(SQLITE_MISUSE, QStringLiteral("SQL文がありません"));
    if (anotherStatementFollows(m_db->handle(), tail)) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        throw ZemoError(err::MultiStatement, multiStatementMessage());
    }
    bind(values);
    m_columns = sqlite3_column_count(m_stmt);
    step();
}

// SQLite's own parser names the parameters it found: beside values they must be exactly ?1 ... ?n,
// so that a parameter written in another form ($x, @x, ?) is never left unbound.
void SqliteResultSet::bind(const QStringList& values) {
    if (values.isEmpty())
        return;
    const int count = sqlite3_bind_parameter_count(m_stmt);
    bool ours = count == values.size();
    for (int i = 1; ours && i <= count; ++i)
        ours = qstrcmp(sqlite3_bind_parameter_name(m_stmt, i), QByteArray('?' + QByteArray::number(i))) == 0;
    if (!ours) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        throw ZemoError(err::ParameterForm, QStringLiteral("「:名前」のパラメータとほかの形のパラメータを"
                                                           "一つの文に混ぜることはできません"));
    }
    for (int i = 0; i < count; ++i) {
        const QByteArray v = values.at(i).toUtf8();
        if (sqlite3_bind_text(m_stmt, i + 1, v.constData(), int(v.size()), SQLITE_TRANSIENT) != SQLITE_OK)
            m_db->raise();
    }
}

SqliteResultSet::~SqliteResultSet() {
    sqlite3_finalize(m_stmt);
}

void SqliteResultSet::step() {
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) {
        m_end = false;
    } else if (rc == SQLITE_DONE) {
        m_end = true;
    } else {
        m_end = true;
        m_db->raise();
    }
}

void SqliteResultSet::next() {
    if (!m_end)
        step();
}

QString SqliteResultSet::columnName(int col) const {
    return QString::fromUtf8(sqlite3_column_name(m_stmt, col));
}

QVariant SqliteResultSet::value(int col) const {
    if (m_end)
        throw ZemoError(SQLITE_MISUSE, QStringLiteral("現在の行がありません"));
    switch (sqlite3_column_type(m_stmt, col)) {
    case SQLITE_INTEGER:
        return QVariant(static_cast<qlonglong>(sqlite3_column_int64(m_stmt, col)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(m_stmt, col));
    case SQLITE_TEXT:
        return QVariant(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, col)),
                                          sqlite3_column_bytes(m_stmt, col)));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char*>(sqlite3_column_blob(m_stmt, col)),
                                   sqlite3_column_bytes(m_stmt, col)));
    default:
        return QVariant();
    }
}

ValueKind SqliteResultSet::kind(int col) const {
    switch (sqlite3_column_type(m_stmt, col)) {
    case SQLITE_INTEGER:
        return ValueKind::Integer;
    case SQLITE_FLOAT:
        return ValueKind::Real;
    case SQLITE_TEXT:
        return ValueKind::Text;
    case SQLITE_BLOB:
        return ValueKind::Blob;
    default:
        return ValueKind::Null;
    }
}

bool SqliteResultSet::textUtf8(int col, std::string_view& out) const {
    if (m_end)
        return false;
    const int type = sqlite3_column_type(m_stmt, col);
    if (type == SQLITE_NULL)
        return false;
    if (type == SQLITE_BLOB) {
        m_text = binaryText(QByteArrayView(static_cast<const char*>(sqlite3_column_blob(m_stmt, col)),
                                           sqlite3_column_bytes(m_stmt, col)));
        out = std::string_view(m_text.constData(), static_cast<size_t>(m_text.size()));
        return true;
    }
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, col));
    out = std::string_view(p ? p : "", static_cast<size_t>(sqlite3_column_bytes(m_stmt, col)));
    // SQLite stores what it is given: text that is not UTF-8 is decoded as value() decodes it.
    if (!isAscii(out.data(), out.size()) &&
        !QByteArrayView(out.data(), qsizetype(out.size())).isValidUtf8()) {
        m_text = QString::fromUtf8(out.data(), qsizetype(out.size())).toUtf8();
        out = std::string_view(m_text.constData(), static_cast<size_t>(m_text.size()));
    }
    return true;
}

} // namespace zemo
