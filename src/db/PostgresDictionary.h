#pragma once

#include <functional>

namespace zemo {

// Creates the temporary views USER_OBJECTS and user_tab_columns over a PostgreSQL session's current
// schema, with the names and columns the table dialog queries; `execute` runs one statement.
void addPostgresDictionaryViews(const std::function<void(const char* sql)>& execute);

} // namespace zemo
