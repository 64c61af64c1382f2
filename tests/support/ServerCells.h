#pragma once

// Helpers of the server tests: a cell as the result store receives it, and a test body whose
// ZemoError fails that test alone with the error's number and text.

#include "app/ZemoError.h"
#include "db/OracleAccess.h"

#include <QString>
#include <QTest>

namespace zemo::test {

// The cell's text as the adapter hands it to the store; "<NULL>" for NULL, as PgCluster::psqlRows.
inline QString cellText(const OracleResultSet& rs, int col) {
    std::string_view v;
    return rs.textUtf8(col, v) ? QString::fromUtf8(v.data(), qsizetype(v.size())) : QStringLiteral("<NULL>");
}

template <class F> void guarded(F&& body) {
    try {
        body();
    } catch (const ZemoError& e) {
        QTest::qFail(qPrintable(QStringLiteral("ZemoError %1: %2").arg(e.number()).arg(e.description())),
                     __FILE__, __LINE__);
    }
}

} // namespace zemo::test
