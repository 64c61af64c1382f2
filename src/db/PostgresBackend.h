#pragma once

#include "base/ZemoError.h"
#include "db/OracleAccess.h"
#include "db/ServerDictionary.h"

#include <atomic>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

struct pg_conn;
struct pg_result;
struct pg_cancel;

namespace zemo {

class PgResultSet;

// A PostgreSQL server straight on libpq: rows arrive one by one in single-row mode as the server's
// text, and the result store takes that text as it is.
class PgDatabase : public ViewDictionaryDatabase, public std::enable_shared_from_this<PgDatabase> {
public:
    struct Params {
        QString host;
        int port = -1;
        QString database;
        QString user;
        QString password;
    };
    // Connects (10 s at most, TCP keepalives on, UTF-8) and adds the dictionary views the table
    // dialog queries. Throws ZemoError with the server's message.
    static std::shared_ptr<PgDatabase> open(const Params& params);
    ~PgDatabase() override;

    std::unique_ptr<OracleResultSet> createResultSet(const QString& sql) override;
    // The placeholders as $1, $2, ..., one for each name.
    std::unique_ptr<OracleResultSet> createBoundResultSet(const BoundStatement& statement) override;
    QString backendName() const override { return QStringLiteral("postgresql"); }
    SqlDialect dialect() const override { return SqlDialect::Postgres; }
    void cancel() override;

    // Runs a statement that returns no rows; throws on failure.
    void execute(const QString& sql);

    // For the result sets of this connection.
    pg_conn* connection() const { return m_conn; }
    void setRunning(bool running); // a statement has been sent and its results are not all read
    // The result set still reading from the connection. A new statement first has it read the rest
    // of its rows into memory: the connection carries one statement's results at a time.
    void setStreaming(PgResultSet* rs) { m_streaming = rs; }
    PgResultSet* streaming() const { return m_streaming; }
    bool cancelRequested() const { return m_cancelRequested.load(); }
    // The connection's error; err::ConnectionLost, with the server's words, once an open connection
    // is gone.
    [[noreturn]] void raiseConnectionError(const QString& fallback) const;
    // The failure a result reports: err::Cancelled after cancel(), err::ConnectionLost when the
    // SQLSTATE or the connection's state says it is gone.
    ZemoError failure(const pg_result* result) const;

private:
    PgDatabase() = default;
    bool lost(const QString& sqlState) const;
    pg_conn* m_conn = nullptr;
    pg_cancel* m_cancel = nullptr;
    PgResultSet* m_streaming = nullptr;
    std::mutex m_cancelLock;
    bool m_running = false;
    bool m_opened = false;
    std::atomic<bool> m_cancelRequested{false};
};

class PgResultSet : public OracleResultSet {
public:
    friend class PgDatabase;
    // `values` go to the parameters $1, $2, ... of `sql`.
    PgResultSet(std::shared_ptr<PgDatabase> db, const QString& sql, const QStringList& values = {});
    ~PgResultSet() override;

    int columnCount() const override { return m_columns; }
    QString columnName(int col) const override;
    bool atEnd() const override { return m_end; }
    void next() override;
    QVariant value(int col) const override;
    ValueKind kind(int col) const override;
    bool textUtf8(int col, std::string_view& out) const override;

private:
    void take(pg_result* result); // the next result of the statement
    void endRows();
    void describe(const pg_result* result);
    void drain();      // reads what is left so that the connection can run the next statement
    void bufferRest(); // reads what is left into m_pending, for the rows still to be asked for
    const char* cell(int col, int& length) const;
    std::shared_ptr<PgDatabase> m_db;
    pg_result* m_row = nullptr; // holds the current row
    int m_index = 0;            // the current row's place in m_row
    std::deque<pg_result*> m_pending;
    std::vector<QString> m_names;
    std::vector<ValueKind> m_kinds;
    std::vector<bool> m_bytea;
    int m_columns = 0;
    bool m_checkUtf8 = false; // a SQL_ASCII database hands out its bytes unchecked
    bool m_end = true;
    bool m_sent = false;
    mutable std::string m_text;
};

} // namespace zemo
