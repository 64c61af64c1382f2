#pragma once

#include "base/ZemoError.h"

#include <QString>

namespace zemo {

// The message that names the profile values a connect needs and lacks, in the editor's order
// ("メッセージ：ユーザ、パスワードが入力されていません！"); empty when nothing is missing. A service is
// always needed; user and password only for a server, as a database file has no use for them.
// Values are taken as they are: only "" counts as missing.
QString missingConnectValuesMessage(const QString& service, const QString& user, const QString& password);

// Whether connecting to `service` takes a password: every server; not a database file.
bool needsPassword(const QString& service);
// The failure of a connect by name (a saved query's profile) when the profile file at `path` has no
// such profile (err::ProfileMissing).
ZemoError profileMissing(const QString& section, const QString& path);

} // namespace zemo
