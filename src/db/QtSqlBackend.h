#pragma once

#include "app/ZemoError.h"
#include "db/OracleAccess.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <mutex>
#include <vector>

class QSqlError;

namespace zemo {

// A database reached through one of Qt's SQL drivers (QPSQL, QODBC, QOCI). Each open database has
// its own named Qt connection, removed again when the object goes.
class QtSqlDatabase : public OracleDatabase, public std::enable_shared_from_this<QtSqlDatabase> {
public:
    struct Params {
        QString driver;       // "QPSQL", "QODBC", "QOCI"
        QString databaseName; // database, connection string or service
        QString host;
        int port = -1;
        QString user; // left empty when the credentials travel inside databaseName
        QString password;
        QString options; // Qt connect options
        QString backend; // name for messages and tests
    };

    // Opens the connection; throws ZemoError with the server's number and message.
    static std::shared_ptr<QtSqlDatabase> open(const Params& params);
    ~QtSqlDatabase() override;

    std::unique_ptr<OracleResultSet> createResultSet(const QString& sql) override;
    QString backendName() const override { return m_backend; }
    SqlDialect dialect() const override { return m_dialect; }
    // Set once the product behind the driver is known; an ODBC source starts as Generic.
    void setDialect(SqlDialect dialect) { m_dialect = dialect; }

    QSqlDatabase& connection() { return m_db; }
    // The driver's own connection handle (PGconn*, SQLHDBC); null when it has none.
    void* connectionHandle() const;
    // Runs a statement that returns no rows (session set-up); throws on failure.
    void execute(const QString& sql);
    // Adds temporary dictionary views over a PostgreSQL session's schema with the names and columns
    // of Oracle's: USER_OBJECTS, user_tab_columns, USER_TAB_COMMENTS, USER_COL_COMMENTS, and
    // user_foreign_key_columns for the keys.
    void addPostgresDictionaryViews();

    // Comments from USER_TAB_COMMENTS and USER_COL_COMMENTS (Oracle, and the views over PostgreSQL);
    // from the REMARKS of SQLTables and SQLColumns for another product behind ODBC. Keys from
    // USER_CONSTRAINTS and USER_CONS_COLUMNS (Oracle), from the view (PostgreSQL), from SQLForeignKeys
    // (ODBC).
    CommentMap tableComments() override;
    CommentMap columnComments(const QString& table) override;
    QList<ForeignKey> foreignKeys(const QStringList& tables) override;

    // The ZemoError for a Qt SQL error: the server's code as number when it is numeric, otherwise
    // err::ServerError with the code kept in the text.
    static ZemoError toZemoError(const QSqlError& error, const QString& context = {});
    // The same for an error of this connection; when the connection is gone, err::ConnectionLost
    // saying so, with the server's words.
    ZemoError failure(const QSqlError& error);

    // Cancels on the server: PostgreSQL's cancel request, or SQLCancel on the statement an ODBC
    // connection is fetching. A statement still being executed over ODBC has no handle yet and is left.
    void cancel() override;
    // The ODBC statement a result set is reading, for cancel(); null when it is done with it.
    void setActiveStatement(void* statement);

private:
    QtSqlDatabase(QSqlDatabase db, QString name, QString backend);
    bool connectionLost();
    bool isOdbc() const;
    bool commentsFromRemarks() const;
    // The schema the ODBC catalog calls look in: the session's own for PostgreSQL, else every one.
    QString odbcSchema();
    // A name as the table dialog lists it, from the name the database stores.
    QString listedName(const QString& stored) const;
    // Whether a stored name is listed as `listed`; the stored names it may stand for.
    QStringList storedNames(const QString& listed) const;
    QSqlDatabase m_db;
    void* m_pgCancel = nullptr; // PGcancel of a PostgreSQL connection, made when it opened
    std::mutex m_statementLock; // m_activeStatement, against cancel() from another thread
    void* m_activeStatement = nullptr;
    QString m_name;
    QString m_backend;
    SqlDialect m_dialect = SqlDialect::Generic;
};

class QtSqlResultSet : public OracleResultSet {
public:
    QtSqlResultSet(std::shared_ptr<QtSqlDatabase> db, const QString& sql);
    ~QtSqlResultSet() override;

    int columnCount() const override { return m_record.count(); }
    QString columnName(int col) const override { return m_record.fieldName(col); }
    bool atEnd() const override { return m_end; }
    void next() override;
    QVariant value(int col) const override;
    ValueKind kind(int col) const override;
    bool textUtf8(int col, std::string_view& out) const override;

private:
    bool fetchRow(QList<QVariant>& row); // false at the end of data; throws on a failed fetch
    // A date or time column's value as the server wrote it, past Qt's milliseconds; false when the
    // driver's own value has to do.
    bool exactDateTime(int col, QVariant& out);
    const QVariant& cell(int col) const; // the current row's value; throws without a current row
    std::shared_ptr<QtSqlDatabase> m_db;
    QSqlQuery m_query;
    QSqlRecord m_record;
    std::vector<int> m_declared; // each column's type as the driver declares it
    enum class Driver { Other, Postgres, Odbc } m_driver = Driver::Other;
    QList<QVariant> m_row;
    bool m_end = true;
    mutable QByteArray m_text;
};

// A name PostgreSQL stores as the dictionary views list it: unchanged when it holds an upper-case
// ASCII letter, otherwise with its ASCII letters in upper case. The stored names that are listed as
// `listedName` (at most two: "abc" and "ABC" are both listed as "ABC").
QString postgresListedName(const QString& stored);
QStringList postgresStoredNames(const QString& listedName);

// Display text of a date, time or timestamp in the ISO form that servers print ("2024-05-01
// 13:45:00.25"); fractions of a second without trailing zeros.
QString dateTimeText(const QVariant& value);

} // namespace zemo
