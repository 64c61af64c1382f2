#pragma once

#include "db/Dictionary.h"
#include "db/StatementCheck.h"
#include "db/StatementParameters.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <string_view>

namespace zemo {

class OracleResultSet;

// How a backend reports one value; the result grid sorts numbers as numbers, the rest as text.
enum class ValueKind { Null, Integer, Real, Decimal, Text, DateTime, Blob };

// The kind of a value by its type: Qt's integer, floating, date/time and byte-array types; the rest
// text; a null QVariant is Null.
ValueKind valueKindOf(const QVariant& value);

// One column of the current row.
class OracleField {
public:
    OracleField(const OracleResultSet* rs, int pos) : m_rs(rs), m_pos(pos) {}
    QVariant Value() const;

private:
    const OracleResultSet* m_rs;
    int m_pos;
};

// The field collection of a result set.
class OracleFields {
public:
    explicit OracleFields(const OracleResultSet* rs) : m_rs(rs) {}
    int Count() const;
    OracleField operator()(int pos) const;
    OracleField operator()(const QString& name) const;

private:
    const OracleResultSet* m_rs;
};

// A result set positioned on its first row, or at its end when it has none. A failing fetch throws
// ZemoError: it is never taken for the end of the data.
class OracleResultSet {
public:
    virtual ~OracleResultSet() = default;

    // `EOF` is a macro of <cstdio>, so the end-of-data test is spelled Eof.
    bool Eof() const { return atEnd(); }
    void MoveNext() { next(); }
    OracleFields Fields() const { return OracleFields(this); }
    OracleField Fields(int pos) const;
    OracleField Fields(const QString& name) const;
    QString FieldName(int pos) const;

    // Backend interface.
    virtual int columnCount() const = 0;
    virtual QString columnName(int col) const = 0;
    virtual bool atEnd() const = 0;
    virtual void next() = 0;
    // The value as the database gives it: exact numbers (integers as qlonglong, other numbers as
    // their decimal text when the backend has it), text, date/time; a null QVariant for NULL.
    virtual QVariant value(int col) const = 0;
    virtual ValueKind kind(int col) const;
    // The current cell as UTF-8 display text, always valid UTF-8 (binary values as binaryText); false
    // for NULL. The view stays valid until the next call on this result set. Backends override it to
    // skip QVariant and QString on the fast path.
    virtual bool textUtf8(int col, std::string_view& out) const;

    int fieldIndex(const QString& name) const; // case-insensitive; throws when missing

private:
    mutable QByteArray m_scratch;
};

class OracleDatabase {
public:
    virtual ~OracleDatabase() = default;
    // Runs a query; options are accepted for the caller's sake and ignored. Nothing reaches the
    // backend unless the text holds one statement: names from the dictionary go in unquoted, and a
    // table named "T; DROP TABLE X" must not run a second statement. The text is cut at a NUL, so
    // the check judges exactly what is sent; where the database can refuse a second statement
    // itself, the backend has it do so as well. The text's `:name` placeholders take their values
    // from `values`, sent as parameters (see StatementParameters.h).
    std::unique_ptr<OracleResultSet> CreateDynaset(const QString& sql, int options = 0,
                                                   const ParameterValues& values = {}) {
        Q_UNUSED(options);
        const QString sent = textAsSent(sql).toString();
        requireOneStatement(sent, dialect());
        const BoundStatement bound = bindStatement(sent, dialect(), values);
        if (!bound.hasPlaceholders())
            return createResultSet(sent);
        return createBoundResultSet(bound);
    }
    virtual std::unique_ptr<OracleResultSet> createResultSet(const QString& sql) = 0;
    // A statement with placeholders, its values sent as the backend's parameters.
    virtual std::unique_ptr<OracleResultSet> createBoundResultSet(const BoundStatement& statement);
    // A short name of the backend, for messages and tests ("sqlite", "postgresql", ...).
    virtual QString backendName() const = 0;
    // How the database behind the backend reads quotes and comments.
    virtual SqlDialect dialect() const { return SqlDialect::Generic; }
    // Asks the server to stop the statement this connection is running, so that the blocked call on the
    // connection's thread returns (with an error or the end of its rows). Called from another thread
    // while that call runs; it may wait on the network, so never from the window's thread. Does nothing
    // when nothing runs.
    virtual void cancel() {}

    // The dictionary beyond the column list, by the names the table dialog lists. A database that
    // keeps no comments or keys gives none; a failure throws ZemoError.
    // Comments on the user's tables and views.
    virtual CommentMap tableComments() { return {}; }
    // Comments on the columns of one table or view.
    virtual CommentMap columnComments(const QString& table) {
        Q_UNUSED(table);
        return {};
    }
    // The foreign keys held by the given tables, table by table in the order given (a table named
    // twice gives its keys once), each table's keys in the same order on every call.
    virtual QList<ForeignKey> foreignKeys(const QStringList& tables) {
        Q_UNUSED(tables);
        return {};
    }
};

class OracleSession {
public:
    // connect is user & "/" & password. The backend is chosen from the service name.
    std::shared_ptr<OracleDatabase> OpenDatabase(const QString& serviceName, const QString& connect,
                                                 int options = 0);
};

// A text as an SQL string literal: in single quotes, with the quotes inside doubled.
QString sqlText(const QString& text);

// A binary value as the grid, the clipboard and the CSV show it: upper-case hex digits, two a byte.
QByteArray binaryText(QByteArrayView bytes);

// Service-name forms.
enum class ServiceKind { Sqlite, Odbc, Postgres, Oracle };
ServiceKind classifyService(const QString& serviceName);

// The SQLite file a service name denotes; relative paths are taken from the program's folder.
QString sqlitePathOf(const QString& serviceName);

// Splits "user/password" at the first "/".
void splitConnect(const QString& connect, QString& user, QString& password);

// Opens a server database (ODBC, PostgreSQL, Oracle). Defined with the server adapters.
std::shared_ptr<OracleDatabase> openServerDatabase(ServiceKind kind, const QString& serviceName,
                                                   const QString& user, const QString& password);

// The environment the client libraries read (NLS_LANG for Oracle's character set, TZ pinned to the
// local zone file so that the drivers' time conversions stay cheap). Called once at the program's
// start, before any thread: the environment is process-wide, and setting it while another thread
// reads it is a data race.
void prepareClientEnvironment();

} // namespace zemo
