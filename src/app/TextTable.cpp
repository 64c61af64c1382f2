#include "app/TextTable.h"

namespace zemo {

QString quoteField(const QString& field, const QString& specials) {
    bool needs = false;
    for (const QChar c : field) {
        if (specials.contains(c)) {
            needs = true;
            break;
        }
    }
    if (!needs)
        return field;
    QString out;
    out.reserve(field.size() + 2);
    out += QLatin1Char('"');
    for (const QChar c : field) {
        if (c == QLatin1Char('"'))
            out += QLatin1Char('"');
        out += c;
    }
    out += QLatin1Char('"');
    return out;
}

QString tabSeparatedText(const QList<QStringList>& rows) {
    static const QString specials = QStringLiteral("\t\r\n\"");
    QString out;
    for (const QStringList& row : rows) {
        for (qsizetype c = 0; c < row.size(); ++c) {
            if (c > 0)
                out += QLatin1Char('\t');
            out += quoteField(row[c], specials);
        }
        out += QStringLiteral("\r\n");
    }
    return out;
}

} // namespace zemo
