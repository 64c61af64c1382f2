#include "db/ServerError.h"

namespace zemo {

ZemoError serverError(int number, QString text, const QString& sqlState) {
    text = text.trimmed();
    const QString state = sqlState.trimmed();
    if (!state.isEmpty() && state != QLatin1String("0") && !text.contains(state))
        text +=
            (text.isEmpty() ? QString() : QStringLiteral(" ")) + QLatin1Char('(') + state + QLatin1Char(')');
    return ZemoError(number != 0 ? number : err::ServerError, text);
}

bool connectionLostState(const QString& sqlState) {
    const QString state = sqlState.trimmed();
    return state.startsWith(QLatin1String("08")) || state == QLatin1String("57P01") ||
           state == QLatin1String("57P02") || state == QLatin1String("57P03");
}

ZemoError connectionLost(const QString& words) {
    QString text = QStringLiteral(
        "データベースとの接続が切れています。メニューの「切断」のあと「接続」し直してください。");
    if (!words.trimmed().isEmpty())
        text += QStringLiteral("（") + words.trimmed() + QStringLiteral("）");
    return ZemoError(err::ConnectionLost, text);
}

int numericSqlState(const QString& sqlState) {
    bool ok = false;
    const int n = sqlState.toInt(&ok);
    return ok && sqlState.size() == 5 ? n : 0;
}

} // namespace zemo
