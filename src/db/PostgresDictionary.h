#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace zemo {

// Creates temporary views over a PostgreSQL session's schema with the names and columns of Oracle's,
// so that the table dialog's queries run unchanged on both: USER_OBJECTS, user_tab_columns,
// USER_TAB_COMMENTS, USER_COL_COMMENTS, and user_foreign_key_columns for the keys. `execute` runs one
// statement.
void addPostgresDictionaryViews(const std::function<void(const QString& sql)>& execute);

// A name PostgreSQL stores as the dictionary views list it: unchanged when it holds an upper-case
// ASCII letter, otherwise with its ASCII letters in upper case. The stored names that are listed as
// `listedName` (at most two: "abc" and "ABC" are both listed as "ABC").
QString postgresListedName(const QString& stored);
QStringList postgresStoredNames(const QString& listedName);

} // namespace zemo
