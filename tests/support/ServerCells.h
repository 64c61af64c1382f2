#pragma once

// A cell as the result store receives it, for the server tests.

#include "db/OracleAccess.h"

#include <QString>

namespace zemo::test {

// The cell's text as the adapter hands it to the store; "<NULL>" for NULL, as PgCluster::psqlRows.
inline QString cellText(const OracleResultSet& rs, int col) {
    std::string_view v;
    return rs.textUtf8(col, v) ? QString::fromUtf8(v.data(), qsizetype(v.size())) : QStringLiteral("<NULL>");
}

} // namespace zemo::test
