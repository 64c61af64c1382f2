#pragma once

#include "base/ZemoError.h"
#include "db/OracleAccess.h"

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

namespace zemo {

// How the ODBC result path cuts its work. The defaults suit any driver; tests make them small to
// reach the edges of a row array with few rows.
struct OdbcFetchTuning {
    size_t blockBytes = size_t(1) << 20; // bound buffers of one row array, all columns together
    int maxRows = 2000;                  // rows per fetch call, at most
    int longCellChars = 256;             // bound room for text of unknown or large size
    size_t pieceBytes = 64 * 1024;       // buffer of one call reading a long value in pieces
    bool rowByRow = false;               // one row per call and every value in pieces, the way a
                                         // driver that cannot read pieces out of a row array is read
};

// A statement the connection runs, as cancel() sees it. The result set that owns it keeps it
// registered from before execution until its handle is freed.
struct OdbcRunning {
    void* statement = nullptr;
    std::atomic<bool> cancelled{false};
};

// A database reached through the ODBC driver manager with our own calls: the connection, the
// dictionary views for PostgreSQL, and result sets that fetch arrays of rows into bound buffers.
class OdbcDatabase : public OracleDatabase, public std::enable_shared_from_this<OdbcDatabase> {
public:
    // Connects with `connectString` as written. psqlODBC reads a whole result before it hands out a
    // row unless told otherwise: without UseDeclareFetch in the string (or the data source), the
    // connection is made again with UseDeclareFetch=1 and, unless Fetch is given, Fetch=kStreamFetchRows.
    // A psqlODBC connection that chose Parse is made again with Parse=0 (see serverParsesFirst).
    static std::shared_ptr<OdbcDatabase> open(const QString& connectString, const QString& backend);
    ~OdbcDatabase() override;

    std::unique_ptr<OracleResultSet> createResultSet(const QString& sql) override;
    // The placeholders as "?", a value for each.
    std::unique_ptr<OracleResultSet> createBoundResultSet(const BoundStatement& statement) override;
    QString backendName() const override { return m_backend; }
    SqlDialect dialect() const override { return m_dialect; }
    // Set from the product the driver names; a test may take it for another.
    void setDialect(SqlDialect dialect) { m_dialect = dialect; }
    void cancel() override;

    // Comments from the dictionary views for Oracle and PostgreSQL, from the REMARKS of SQLTables and
    // SQLColumns for another product; keys from Oracle's views, or SQLForeignKeys.
    CommentMap tableComments() override;
    CommentMap columnComments(const QString& table) override;
    QList<ForeignKey> foreignKeys(const QStringList& tables) override;

    // Runs a statement that returns no rows (session set-up); throws on failure.
    void execute(const QString& sql);
    QString dbmsName() const { return m_dbms; }
    QString driverName() const { return m_driver; }
    // Whether UseDeclareFetch was added to the user's connection string.
    bool streamingAdded() const { return m_streamingAdded; }
    // Whether a statement is prepared and described before it runs, so that the server parses the
    // text first and refuses a second command (psqlODBC: a text it reads as one statement goes to
    // the server's Parse, whatever UseDeclareFetch; a text it splits itself is sent as it is, and
    // only the statement check guards that).
    bool serverParsesFirst() const { return m_serverParsesFirst; }
    OdbcFetchTuning& tuning() { return m_tuning; }
    const OdbcFetchTuning& tuning() const { return m_tuning; }

    static constexpr int kStreamFetchRows = 200;

    // For the result sets of this connection.
    void* connectionHandle() const { return m_dbc; }
    unsigned getDataExtensions() const { return m_getData; }
    // The failure a handle of this connection reports; err::ConnectionLost, with the driver's words,
    // when the SQLSTATE or the driver says the connection is gone.
    ZemoError failure(int handleType, void* handle, const QString& fallback) const;
    void attach(OdbcRunning* running);
    void detach(OdbcRunning* running); // waits for a cancel() that is using it

private:
    explicit OdbcDatabase(QString backend) : m_backend(std::move(backend)) {}
    void connect(const QString& connectString);
    void disconnect();
    void identify();
    bool connectionDead() const; // as the driver knows it (SQL_ATTR_CONNECTION_DEAD)
    // The schema the catalog functions look in: the session's own for PostgreSQL, else every one.
    QString catalogSchema();
    bool commentsFromRemarks() const;
    // A name as the table dialog lists it, from the name the database stores; the stored names a
    // listed one may stand for.
    QString listedName(const QString& stored) const;
    QStringList storedNames(const QString& listed) const;

    void* m_env = nullptr;
    void* m_dbc = nullptr;
    bool m_connected = false;
    QString m_backend;
    QString m_dbms;
    QString m_driver;
    unsigned m_getData = 0;
    bool m_streamingAdded = false;
    bool m_serverParsesFirst = false;
    SqlDialect m_dialect = SqlDialect::Generic;
    OdbcFetchTuning m_tuning;
    std::mutex m_runningLock;
    std::vector<OdbcRunning*> m_running;
};

} // namespace zemo
