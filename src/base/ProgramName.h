#pragma once

#include <QCoreApplication>

namespace zemo {

// The program's names, which name its per-user configuration folder (where an installed copy keeps
// its profile file): set once, right after the application object is created.
inline void nameApplication() {
    QCoreApplication::setApplicationName(QStringLiteral("ZEMO-DB"));
    QCoreApplication::setOrganizationName(QStringLiteral("ZEMO-DB"));
}

} // namespace zemo
