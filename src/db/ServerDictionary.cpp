// The server adapters' dictionary: Oracle's views (and PostgreSQL's views of the same names), or
// the ODBC catalog functions.
#include "db/ServerDictionary.h"

#include "db/OdbcBackend.h"
#include "db/OdbcCatalog.h"
#include "db/PostgresDictionary.h"

#include <QSet>
#include <algorithm>

namespace zemo {

namespace {

const QString kTableComments =
    QStringLiteral("select TABLE_NAME, COMMENTS from USER_TAB_COMMENTS where COMMENTS is not null");

QString columnCommentsQuery(const QString& table) {
    return QStringLiteral("select COLUMN_NAME, COMMENTS from USER_COL_COMMENTS where TABLE_NAME = ") +
           sqlText(table) + QStringLiteral(" and COMMENTS is not null");
}

// Each query reads the keys of at most this many tables: Oracle takes 1000 items in an IN list.
constexpr qsizetype kTablesPerQuery = 500;

// Rows: constraint, table, column, referenced table, referenced column; a key's rows together, in
// its column order.
QString oracleKeysQuery(const QString& tableList) {
    return QStringLiteral(
               "select c.CONSTRAINT_NAME, c.TABLE_NAME, a.COLUMN_NAME, r.TABLE_NAME R_TABLE_NAME, "
               "b.COLUMN_NAME R_COLUMN_NAME from USER_CONSTRAINTS c "
               "join USER_CONS_COLUMNS a on a.CONSTRAINT_NAME = c.CONSTRAINT_NAME and a.TABLE_NAME = "
               "c.TABLE_NAME "
               "join USER_CONSTRAINTS r on r.OWNER = c.R_OWNER and r.CONSTRAINT_NAME = c.R_CONSTRAINT_NAME "
               "join USER_CONS_COLUMNS b on b.CONSTRAINT_NAME = r.CONSTRAINT_NAME and b.TABLE_NAME = "
               "r.TABLE_NAME "
               "and b.POSITION = a.POSITION "
               "where c.CONSTRAINT_TYPE = 'R' and c.TABLE_NAME in (") +
           tableList + QStringLiteral(") order by c.TABLE_NAME, c.CONSTRAINT_NAME, a.POSITION");
}

QString postgresKeysQuery(const QString& tableList) {
    return QStringLiteral("select CONSTRAINT_NAME, TABLE_NAME, COLUMN_NAME, R_TABLE_NAME, R_COLUMN_NAME "
                          "from user_foreign_key_columns where TABLE_NAME in (") +
           tableList + QStringLiteral(") order by TABLE_NAME, CONSTRAINT_NAME, POSITION");
}

CommentMap readComments(OracleDatabase& db, const QString& sql, const QString& nameField) {
    CommentMap out;
    auto rs = db.CreateDynaset(sql);
    for (; !rs->Eof(); rs->MoveNext()) {
        const QString comment = rs->Fields(QStringLiteral("COMMENTS")).Value().toString();
        if (!comment.isEmpty())
            out.insert(rs->Fields(nameField).Value().toString(), comment);
    }
    return out;
}

QList<ForeignKey> readKeys(OracleDatabase& db, const QString& sql) {
    QList<ForeignKey> keys;
    auto rs = db.CreateDynaset(sql);
    for (; !rs->Eof(); rs->MoveNext()) {
        QString row[5];
        for (int i = 0; i < 5; ++i)
            row[i] = rs->Fields(i).Value().toString();
        if (keys.isEmpty() || keys.last().name != row[0] || keys.last().table != row[1])
            keys.append(ForeignKey{row[0], row[1], row[3], {}});
        keys.last().columns.append({row[2], row[4]});
    }
    return keys;
}

// The keys table by table in the order asked for, each table's keys in the order read.
QList<ForeignKey> inTableOrder(const QList<ForeignKey>& keys, const QStringList& tables) {
    QList<ForeignKey> out;
    QSet<QString> done;
    for (const QString& table : tables) {
        if (done.contains(table))
            continue;
        done.insert(table);
        for (const ForeignKey& k : keys)
            if (k.table == table)
                out << k;
    }
    return out;
}

// Rows of SQLForeignKeys come sorted by the referenced table, so the pairs of two keys to one table
// interleave: a pair joins the key of its name, or without names the key it continues.
QList<ForeignKey> groupOdbcKeys(const QList<OdbcKeyColumn>& rows) {
    QList<ForeignKey> keys;
    QList<QString> schemas;
    for (const OdbcKeyColumn& r : rows) {
        if (r.refSchema != r.schema) // a table the dialog does not list
            continue;
        auto it = std::find_if(keys.begin(), keys.end(), [&](const ForeignKey& k) {
            return k.refTable == r.refTable && k.table == r.table &&
                   (r.name.isEmpty() ? k.name.isEmpty() && k.columns.size() == r.position - 1
                                     : k.name == r.name);
        });
        if (it == keys.end() || (r.name.isEmpty() && r.position == 1)) {
            keys.append(ForeignKey{r.name, r.table, r.refTable, {}});
            schemas << r.schema;
            it = keys.end() - 1;
        }
        it->columns.append({r.column, r.refColumn});
    }
    // Without a schema to look in, a table of the same name in another schema is not ours.
    QList<ForeignKey> out;
    for (qsizetype i = 0; i < keys.size(); ++i)
        if (schemas[i] == schemas.first())
            out << keys[i];
    std::stable_sort(out.begin(), out.end(),
                     [](const ForeignKey& a, const ForeignKey& b) { return a.name < b.name; });
    return out;
}

} // namespace

CommentMap viewTableComments(OracleDatabase& db) {
    return readComments(db, kTableComments, QStringLiteral("TABLE_NAME"));
}

CommentMap viewColumnComments(OracleDatabase& db, const QString& table) {
    return readComments(db, columnCommentsQuery(table), QStringLiteral("COLUMN_NAME"));
}

QList<ForeignKey> viewForeignKeys(OracleDatabase& db, const QStringList& tables) {
    QList<ForeignKey> keys;
    for (qsizetype from = 0; from < tables.size(); from += kTablesPerQuery) {
        QStringList literals;
        for (const QString& t : tables.mid(from, kTablesPerQuery))
            literals << sqlText(t);
        const QString list = literals.join(QLatin1Char(','));
        keys += readKeys(db, db.dialect() == SqlDialect::Oracle ? oracleKeysQuery(list)
                                                                : postgresKeysQuery(list));
    }
    return inTableOrder(keys, tables);
}

QString OdbcDatabase::catalogSchema() {
    if (m_dialect != SqlDialect::Postgres)
        return {};
    auto rs = CreateDynaset(QStringLiteral("select current_schema()"));
    return rs->Eof() ? QString() : rs->Fields(0).Value().toString();
}

QString OdbcDatabase::listedName(const QString& stored) const {
    return m_dialect == SqlDialect::Postgres ? postgresListedName(stored) : stored;
}

QStringList OdbcDatabase::storedNames(const QString& listed) const {
    return m_dialect == SqlDialect::Postgres ? postgresStoredNames(listed) : QStringList{listed};
}

// psqlODBC gives empty REMARKS and Oracle's driver gives them only when told to: both have the views.
bool OdbcDatabase::commentsFromRemarks() const {
    return m_dialect != SqlDialect::Oracle && m_dialect != SqlDialect::Postgres;
}

CommentMap OdbcDatabase::tableComments() {
    if (!commentsFromRemarks())
        return viewTableComments(*this);
    CommentMap out;
    for (const OdbcRemark& r : odbcTableRemarks(*this, catalogSchema()))
        if (!r.remarks.isEmpty() && !out.contains(listedName(r.table)))
            out.insert(listedName(r.table), r.remarks);
    return out;
}

CommentMap OdbcDatabase::columnComments(const QString& table) {
    if (!commentsFromRemarks())
        return viewColumnComments(*this, table);
    CommentMap out;
    const QString schema = catalogSchema();
    for (const QString& stored : storedNames(table))
        for (const OdbcRemark& r : odbcColumnRemarks(*this, schema, stored))
            if (!r.remarks.isEmpty() && !out.contains(listedName(r.column)))
                out.insert(listedName(r.column), r.remarks);
    return out;
}

// Oracle has its views for keys; any other product behind ODBC is asked through SQLForeignKeys.
QList<ForeignKey> OdbcDatabase::foreignKeys(const QStringList& tables) {
    if (m_dialect == SqlDialect::Oracle)
        return viewForeignKeys(*this, tables);
    QList<ForeignKey> keys;
    const QString schema = catalogSchema();
    for (const QString& table : tables)
        for (const QString& stored : storedNames(table))
            keys += groupOdbcKeys(odbcForeignKeys(*this, schema, stored));
    for (ForeignKey& k : keys) {
        k.table = listedName(k.table);
        k.refTable = listedName(k.refTable);
        for (ColumnPair& p : k.columns)
            p = {listedName(p.column), listedName(p.refColumn)};
    }
    return inTableOrder(keys, tables);
}

} // namespace zemo
