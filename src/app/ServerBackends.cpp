#include "app/OracleAccess.h"
#include "app/ZemoError.h"

namespace zemo {

std::shared_ptr<OracleDatabase> openServerDatabase(ServiceKind kind, const QString& serviceName, const QString& user,
                                                   const QString& password) {
    Q_UNUSED(kind);
    Q_UNUSED(user);
    Q_UNUSED(password);
    throw ZemoError(err::NoDriver, QStringLiteral("Oracle クライアントドライバがありません（サービス：%1）。"
                                                  "Qt の Oracle ドライバ（QOCI）か Oracle ODBC ドライバを導入してください。")
                                       .arg(serviceName));
}

} // namespace zemo
