// Dictionary views over a PostgreSQL session's schema, under the names and with the columns of
// Oracle's, so the table dialog's queries run unchanged on both.
#include "db/PostgresDictionary.h"

#include <QStringList>

namespace zemo {

namespace {

// Names stored in lower case (the unquoted ones) are listed in upper case, the form in which they
// still resolve unquoted in the assembled statement; names with upper case letters, which only
// resolve quoted, are listed as stored. Only ASCII letters fold, as in PostgreSQL's own folding.
QString listed(const char* name) {
    return QStringLiteral(
               "(CASE WHEN %1 ~ '[A-Z]' THEN %1::text "
               "ELSE translate(%1::text, 'abcdefghijklmnopqrstuvwxyz', 'ABCDEFGHIJKLMNOPQRSTUVWXYZ') "
               "END)::varchar")
        .arg(QLatin1String(name));
}

// The tables and views of the session's schema, as `c`.
const char* const kRelations = R"SQL(
FROM pg_catalog.pg_class c
JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace
%1
WHERE n.nspname = current_schema() AND c.relkind IN ('r', 'p', 'f', 'v', 'm'))SQL";

const char* const kColumnsOf = R"SQL(
JOIN pg_catalog.pg_attribute a ON a.attrelid = c.oid AND a.attnum > 0 AND NOT a.attisdropped)SQL";

QString relationsWith(const char* joins = "") {
    return QString::fromLatin1(kRelations).arg(QLatin1String(joins));
}

QStringList views() {
    const QString kind =
        QStringLiteral("(CASE WHEN c.relkind IN ('v', 'm') THEN 'VIEW' ELSE 'TABLE' END)::varchar");
    QStringList out;
    out << QStringLiteral("CREATE OR REPLACE TEMP VIEW user_objects AS SELECT %1 AS object_name, %2 AS "
                          "object_type %3 ORDER BY 1")
               .arg(listed("c.relname"), kind, relationsWith());
    const QString typeLength = QStringLiteral(R"SQL(
       upper(regexp_replace(pg_catalog.format_type(a.atttypid, a.atttypmod), '\(.*\)', ''))::varchar AS data_type,
       (CASE WHEN a.atttypid IN (1042, 1043) AND a.atttypmod > 4 THEN a.atttypmod - 4
             WHEN a.atttypid = 1700 AND a.atttypmod > 4 THEN ((a.atttypmod - 4) >> 16) & 65535
             WHEN t.typlen > 0 THEN t.typlen
             ELSE 0 END)::integer AS data_length)SQL");
    out << QStringLiteral("CREATE OR REPLACE TEMP VIEW user_tab_columns AS SELECT %1 AS table_name, %2 AS "
                          "column_name, %3, a.attnum::integer AS column_id %4 ORDER BY c.relname, a.attnum")
               .arg(listed("c.relname"), listed("a.attname"), typeLength, relationsWith(R"SQL(
JOIN pg_catalog.pg_attribute a ON a.attrelid = c.oid AND a.attnum > 0 AND NOT a.attisdropped
JOIN pg_catalog.pg_type t ON t.oid = a.atttypid)SQL"));
    out << QStringLiteral("CREATE OR REPLACE TEMP VIEW user_tab_comments AS SELECT %1 AS table_name, %2 AS "
                          "table_type, pg_catalog.obj_description(c.oid, 'pg_class')::varchar AS comments %3")
               .arg(listed("c.relname"), kind, relationsWith());
    out << QStringLiteral("CREATE OR REPLACE TEMP VIEW user_col_comments AS SELECT %1 AS table_name, %2 AS "
                          "column_name, pg_catalog.col_description(c.oid, a.attnum)::varchar AS comments %3")
               .arg(listed("c.relname"), listed("a.attname"), relationsWith(kColumnsOf));
    // One row per column pair of each key between two tables of the schema, in key order.
    out << QStringLiteral(R"SQL(CREATE OR REPLACE TEMP VIEW user_foreign_key_columns AS
SELECT k.conname::varchar AS constraint_name, %1 AS table_name, %2 AS column_name,
       %3 AS r_table_name, %4 AS r_column_name, p.position::integer AS position
FROM pg_catalog.pg_constraint k
JOIN pg_catalog.pg_class c ON c.oid = k.conrelid
JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace
JOIN pg_catalog.pg_class r ON r.oid = k.confrelid AND r.relnamespace = c.relnamespace
CROSS JOIN LATERAL unnest(k.conkey, k.confkey) WITH ORDINALITY AS p(attnum, r_attnum, position)
JOIN pg_catalog.pg_attribute a ON a.attrelid = k.conrelid AND a.attnum = p.attnum
JOIN pg_catalog.pg_attribute ra ON ra.attrelid = k.confrelid AND ra.attnum = p.r_attnum
WHERE k.contype = 'f' AND n.nspname = current_schema())SQL")
               .arg(listed("c.relname"), listed("a.attname"), listed("r.relname"), listed("ra.attname"));
    return out;
}

bool hasAsciiUpper(const QString& name) {
    for (const QChar c : name)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            return true;
    return false;
}

QString asciiCase(QString name, bool upper) {
    const char16_t from = upper ? u'a' : u'A';
    for (QChar& c : name)
        if (c.unicode() >= from && c.unicode() <= from + 25)
            c = QChar(char16_t(c.unicode() ^ 0x20));
    return name;
}

} // namespace

void addPostgresDictionaryViews(const std::function<void(const QString& sql)>& execute) {
    for (const QString& sql : views())
        execute(sql);
}

QString postgresListedName(const QString& stored) {
    return hasAsciiUpper(stored) ? stored : asciiCase(stored, true);
}

QStringList postgresStoredNames(const QString& listedName) {
    QStringList out;
    for (const QString& stored : {asciiCase(listedName, false), listedName})
        if (postgresListedName(stored) == listedName && !out.contains(stored))
            out << stored;
    return out;
}

} // namespace zemo
