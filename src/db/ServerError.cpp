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

int numericSqlState(const QString& sqlState) {
    bool ok = false;
    const int n = sqlState.toInt(&ok);
    return ok && sqlState.size() == 5 ? n : 0;
}

} // namespace zemo
