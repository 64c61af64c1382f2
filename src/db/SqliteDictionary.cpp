// The SQLite adapter's dictionary: comments from the CREATE texts, keys from the pragmas.
#include "db/DefinitionComments.h"
#include "db/SqliteBackend.h"

#include <QHash>
#include <sqlite3.h>

namespace zemo {

namespace {

// A prepared statement with bound names: the names come from the dictionary and are never pasted
// into the text.
class Query {
public:
    Query(const SqliteDatabase& db, const char* sql) : m_db(db) {
        if (sqlite3_prepare_v2(db.handle(), sql, -1, &m_stmt, nullptr) != SQLITE_OK)
            db.raise();
    }
    ~Query() { sqlite3_finalize(m_stmt); }
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    Query& bind(int index, const QString& value) {
        const QByteArray utf8 = value.toUtf8();
        if (sqlite3_bind_text(m_stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT) !=
            SQLITE_OK)
            m_db.raise();
        return *this;
    }
    bool next() {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            m_db.raise();
        return false;
    }
    bool isNull(int col) const { return sqlite3_column_type(m_stmt, col) == SQLITE_NULL; }
    QString text(int col) const {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, col)),
                                 sqlite3_column_bytes(m_stmt, col));
    }
    int integer(int col) const { return sqlite3_column_int(m_stmt, col); }

private:
    const SqliteDatabase& m_db;
    sqlite3_stmt* m_stmt = nullptr;
};

constexpr const char* kObjects = "SELECT name, sql FROM main.sqlite_master WHERE type IN ('table', 'view') "
                                 "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'";
constexpr const char* kObjectText =
    "SELECT sql FROM main.sqlite_master WHERE type IN ('table', 'view') AND name = ?1";
// Every column a query can select: generated ones too (hidden 2 and 3), not a virtual table's hidden
// ones (1).
constexpr const char* kColumns =
    "SELECT name FROM pragma_table_xinfo(?1, 'main') WHERE hidden IN (0, 2, 3) ORDER BY cid";
// Declared first is listed last.
constexpr const char* kKeys =
    "SELECT id, \"table\", \"from\", \"to\" FROM pragma_foreign_key_list(?1, 'main') "
    "ORDER BY id DESC, seq";
// SQLite matches names without regard to ASCII case: a key may name its table as it likes.
constexpr const char* kTableNamed =
    "SELECT name FROM main.sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE";
constexpr const char* kColumnNamed =
    "SELECT name FROM pragma_table_xinfo(?1, 'main') WHERE hidden IN (0, 2, 3) AND name = ?2 COLLATE NOCASE";
constexpr const char* kPrimaryKey = "SELECT name FROM pragma_table_info(?1, 'main') WHERE pk > 0 ORDER BY pk";

// A name as SQLite compares names: ASCII letters in any case, every other character as it is.
QString asciiLower(const QString& name) {
    QString out = name;
    for (QChar& c : out)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + 32);
    return out;
}

// The name as its table declares it; the name as written when nothing matches.
QString declaredTable(const SqliteDatabase& db, const QString& name) {
    Query q(db, kTableNamed);
    q.bind(1, name);
    return q.next() ? q.text(0) : name;
}

QString declaredColumn(const SqliteDatabase& db, const QString& table, const QString& name) {
    Query q(db, kColumnNamed);
    q.bind(1, table).bind(2, name);
    return q.next() ? q.text(0) : name;
}

QStringList primaryKey(const SqliteDatabase& db, const QString& table) {
    QStringList names;
    Query q(db, kPrimaryKey);
    q.bind(1, table);
    while (q.next())
        names << q.text(0);
    return names;
}

// The referenced columns written in the key, or the referenced table's primary key when the key
// names none.
void resolveReferences(const SqliteDatabase& db, ForeignKey& key, const QList<bool>& named) {
    key.refTable = declaredTable(db, key.refTable);
    const QStringList pk = primaryKey(db, key.refTable);
    for (int i = 0; i < key.columns.size(); ++i) {
        QString& ref = key.columns[i].refColumn;
        if (named[i])
            ref = declaredColumn(db, key.refTable, ref);
        else
            ref = i < pk.size() ? pk[i] : QString();
    }
}

} // namespace

CommentMap SqliteDatabase::tableComments() {
    CommentMap out;
    Query q(*this, kObjects);
    while (q.next()) {
        const QString comment = definitionComments(q.text(1)).table;
        if (!comment.isEmpty())
            out.insert(q.text(0), comment);
    }
    return out;
}

CommentMap SqliteDatabase::columnComments(const QString& table) {
    CommentMap out;
    Query text(*this, kObjectText);
    text.bind(1, table);
    if (!text.next())
        return out;
    const DefinitionComments found = definitionComments(text.text(0));
    // Paired by name, under the name as the column list gives it; SQLite matches names in any ASCII
    // case.
    QHash<QString, QString> byName;
    for (qsizetype i = 0; i < found.entries.size(); ++i)
        if (!found.entries[i].isEmpty() && !found.names[i].isEmpty())
            byName.insert(asciiLower(found.names[i]), found.entries[i]);
    Query columns(*this, kColumns);
    columns.bind(1, table);
    while (columns.next()) {
        const auto it = byName.constFind(asciiLower(columns.text(0)));
        if (it != byName.constEnd())
            out.insert(columns.text(0), *it);
    }
    return out;
}

QList<ForeignKey> SqliteDatabase::foreignKeys(const QStringList& tables) {
    QList<ForeignKey> out;
    QStringList done;
    for (const QString& table : tables) {
        if (done.contains(table))
            continue;
        done << table;
        QList<ForeignKey> keys;
        QList<QList<bool>> named;
        Query q(*this, kKeys);
        q.bind(1, table);
        int id = -1;
        while (q.next()) {
            if (keys.isEmpty() || q.integer(0) != id) {
                id = q.integer(0);
                keys.append(ForeignKey{QString(), table, q.text(1), {}});
                named.append(QList<bool>());
            }
            keys.last().columns.append({q.text(2), q.isNull(3) ? QString() : q.text(3)});
            named.last().append(!q.isNull(3));
        }
        for (int k = 0; k < keys.size(); ++k)
            resolveReferences(*this, keys[k], named[k]);
        out += keys;
    }
    return out;
}

} // namespace zemo
