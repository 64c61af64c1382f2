#pragma once

#include "db/OracleAccess.h"

struct sqlite3;
struct sqlite3_stmt;

namespace zemo {

// The embedded database, straight on the SQLite C library: the result window reads a million rows
// through it, and the C API hands out UTF-8 text without a QVariant per cell.
class SqliteDatabase : public OracleDatabase, public std::enable_shared_from_this<SqliteDatabase> {
public:
    // Opens an existing database file and adds the dictionary views the table dialog queries.
    static std::shared_ptr<SqliteDatabase> open(const QString& path);
    ~SqliteDatabase() override;

    std::unique_ptr<OracleResultSet> createResultSet(const QString& sql) override;
    // The placeholders as ?1, ?2, ..., one for each name, bound as text.
    std::unique_ptr<OracleResultSet> createBoundResultSet(const BoundStatement& statement) override;
    // Interrupts the statement running on the connection (safe from any thread).
    void cancel() override;
    QString backendName() const override { return QStringLiteral("sqlite"); }
    SqlDialect dialect() const override { return SqlDialect::Sqlite; }
    sqlite3* handle() const { return m_db; }

    // Comments are the `--` comments ending the lines of the CREATE text (DefinitionComments.h); keys
    // come from pragma foreign_key_list, in the order they are declared.
    CommentMap tableComments() override;
    CommentMap columnComments(const QString& table) override;
    QList<ForeignKey> foreignKeys(const QStringList& tables) override;

    [[noreturn]] void raise() const; // throws the connection's current error

private:
    explicit SqliteDatabase(sqlite3* db) : m_db(db) {}
    sqlite3* m_db;
};

class SqliteResultSet : public OracleResultSet {
public:
    // `values` go to the parameters ?1, ?2, ... of `sql`, which must have no others.
    SqliteResultSet(std::shared_ptr<SqliteDatabase> db, const QString& sql, const QStringList& values = {});
    ~SqliteResultSet() override;

    int columnCount() const override { return m_columns; }
    QString columnName(int col) const override;
    bool atEnd() const override { return m_end; }
    void next() override;
    QVariant value(int col) const override;
    ValueKind kind(int col) const override;
    bool textUtf8(int col, std::string_view& out) const override;

private:
    void step();
    void bind(const QStringList& values);
    std::shared_ptr<SqliteDatabase> m_db;
    QByteArray m_sql;
    sqlite3_stmt* m_stmt = nullptr;
    int m_columns = 0;
    bool m_end = true;
    mutable QByteArray m_text; // a cell's display text when it is not the database's own bytes
};

} // namespace zemo
