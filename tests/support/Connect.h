#pragma once

// Connections for window tests: the database on a connection thread, as the program has it.

#include "db/DbConnection.h"

#include <memory>

namespace zemo::test {

// A database opened by the test, used from here on on a connection thread of its own (SQLite files
// and test wrappers around them may change threads between calls).
inline std::shared_ptr<DbConnection> onItsThread(std::shared_ptr<OracleDatabase> db) {
    return DbConnection::openNow([db] { return db; });
}

inline std::shared_ptr<DbConnection> openDemo() {
    return DbConnection::openNow(QStringLiteral(ZEMO_DEMO_DB), QStringLiteral("demo/demo"));
}

} // namespace zemo::test
