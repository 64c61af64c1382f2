#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace zemo::test {

// The whole file, or "<missing>" when it cannot be read, so that a comparison shows why it failed.
inline QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace zemo::test
