#include "db/PostgresDictionary.h"

namespace zemo {

namespace {

// Dictionary views with the names and columns the table dialog queries, over the tables and views
// of the session's current schema. Names stored in lower case (the unquoted ones) are shown in upper
// case, the form in which they still resolve unquoted in the assembled statement; names with upper
// case letters, which only resolve quoted, are shown as stored.
const char* const kPostgresDictionaryViews[] = {
    R"SQL(
CREATE OR REPLACE TEMP VIEW user_objects AS
SELECT CASE WHEN c.relname ~ '[A-Z]' THEN c.relname
            ELSE translate(c.relname, 'abcdefghijklmnopqrstuvwxyz', 'ABCDEFGHIJKLMNOPQRSTUVWXYZ')
       END::varchar AS object_name,
       CASE WHEN c.relkind IN ('v', 'm') THEN 'VIEW' ELSE 'TABLE' END::varchar AS object_type
FROM pg_catalog.pg_class c
JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace
WHERE n.nspname = current_schema() AND c.relkind IN ('r', 'p', 'f', 'v', 'm')
ORDER BY 1
)SQL",
    R"SQL(
CREATE OR REPLACE TEMP VIEW user_tab_columns AS
SELECT o.object_name AS table_name,
       CASE WHEN a.attname ~ '[A-Z]' THEN a.attname::text
            ELSE translate(a.attname, 'abcdefghijklmnopqrstuvwxyz', 'ABCDEFGHIJKLMNOPQRSTUVWXYZ')
       END::varchar AS column_name,
       upper(regexp_replace(pg_catalog.format_type(a.atttypid, a.atttypmod), '\(.*\)', ''))::varchar AS data_type,
       (CASE WHEN a.atttypid IN (1042, 1043) AND a.atttypmod > 4 THEN a.atttypmod - 4
             WHEN a.atttypid = 1700 AND a.atttypmod > 4 THEN ((a.atttypmod - 4) >> 16) & 65535
             WHEN t.typlen > 0 THEN t.typlen
             ELSE 0 END)::integer AS data_length,
       a.attnum::integer AS column_id
FROM pg_catalog.pg_class c
JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace
JOIN pg_catalog.pg_attribute a ON a.attrelid = c.oid AND a.attnum > 0 AND NOT a.attisdropped
JOIN pg_catalog.pg_type t ON t.oid = a.atttypid
CROSS JOIN LATERAL (SELECT CASE WHEN c.relname ~ '[A-Z]' THEN c.relname
                                ELSE translate(c.relname, 'abcdefghijklmnopqrstuvwxyz', 'ABCDEFGHIJKLMNOPQRSTUVWXYZ')
                           END::varchar AS object_name) o
WHERE n.nspname = current_schema() AND c.relkind IN ('r', 'p', 'f', 'v', 'm')
ORDER BY c.relname, a.attnum
)SQL"};

} // namespace

void addPostgresDictionaryViews(const std::function<void(const char* sql)>& execute) {
    for (const char* sql : kPostgresDictionaryViews)
        execute(sql);
}

} // namespace zemo
