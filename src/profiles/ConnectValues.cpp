#include "profiles/ConnectValues.h"

#include "db/OracleAccess.h"

#include <QStringList>

namespace zemo {

bool needsPassword(const QString& service) {
    return service.isEmpty() || classifyService(service) != ServiceKind::Sqlite;
}

QString missingConnectValuesMessage(const QString& service, const QString& user, const QString& password) {
    const bool server = needsPassword(service);
    QStringList missing;
    if (server && user.isEmpty())
        missing << QStringLiteral("ユーザ");
    if (server && password.isEmpty())
        missing << QStringLiteral("パスワード");
    if (service.isEmpty())
        missing << QStringLiteral("サービス");
    if (missing.isEmpty())
        return {};
    return QStringLiteral("メッセージ：") + missing.join(QStringLiteral("、")) +
           QStringLiteral("が入力されていません！");
}

ZemoError profileMissing(const QString& section, const QString& path) {
    return ZemoError(err::ProfileMissing,
                     QStringLiteral("プロファイル「%1」がありません：%2").arg(section, path));
}

} // namespace zemo
