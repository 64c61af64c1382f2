#pragma once

#include "base/ZemoError.h"
#include "db/OracleAccess.h"
#include "db/ServerDictionary.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <vector>

class QSqlError;

namespace zemo {

// A database reached through one of Qt's SQL drivers: Oracle through Qt's own Oracle driver (QOCI)
// where it is installed. Each open database has its own named Qt connection, removed again when the
// object goes.
class QtSqlDatabase : public ViewDictionaryDatabase, public std::enable_shared_from_this<QtSqlDatabase> {
public:
    struct Params {
        QString driver;       // "QOCI"
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
    // The placeholders as "?", a value for each; Qt turns them into the driver's form.
    std::unique_ptr<OracleResultSet> createBoundResultSet(const BoundStatement& statement) override;
    QString backendName() const override { return m_backend; }
    SqlDialect dialect() const override { return m_dialect; }
    void setDialect(SqlDialect dialect) { m_dialect = dialect; }

    QSqlDatabase& connection() { return m_db; }
    // Runs a statement that returns no rows (session set-up); throws on failure.
    void execute(const QString& sql);

    // The ZemoError for a Qt SQL error: the server's code as number when it is numeric, otherwise
    // err::ServerError with the code kept in the text.
    static ZemoError toZemoError(const QSqlError& error, const QString& context = {});

private:
    QtSqlDatabase(QSqlDatabase db, QString name, QString backend);
    QSqlDatabase m_db;
    QString m_name;
    QString m_backend;
    SqlDialect m_dialect = SqlDialect::Generic;
};

class QtSqlResultSet : public OracleResultSet {
public:
    // `values` go to the "?" parameters of `sql`, one each, as text.
    QtSqlResultSet(std::shared_ptr<QtSqlDatabase> db, const QString& sql, const QStringList& values = {});

    int columnCount() const override { return m_record.count(); }
    QString columnName(int col) const override { return m_record.fieldName(col); }
    bool atEnd() const override { return m_end; }
    void next() override;
    QVariant value(int col) const override;
    ValueKind kind(int col) const override;
    bool textUtf8(int col, std::string_view& out) const override;

private:
    bool fetchRow(QList<QVariant>& row); // false at the end of data; throws on a failed fetch
    const QVariant& cell(int col) const; // the current row's value; throws without a current row
    std::shared_ptr<QtSqlDatabase> m_db;
    QSqlQuery m_query;
    QSqlRecord m_record;
    std::vector<int> m_declared; // each column's type as the driver declares it
    QList<QVariant> m_row;
    bool m_end = true;
    mutable QByteArray m_text;
};

// Display text of a date, time or timestamp in the ISO form that servers print ("2024-05-01
// 13:45:00.25"); fractions of a second without trailing zeros.
QString dateTimeText(const QVariant& value);

} // namespace zemo
