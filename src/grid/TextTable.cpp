#include "grid/TextTable.h"

namespace zemo {

void appendQuotedField(QString& out, QStringView field, QStringView specials) {
    bool needs = false;
    for (const QChar c : field) {
        if (specials.contains(c)) {
            needs = true;
            break;
        }
    }
    if (!needs) {
        out += field;
        return;
    }
    out += QLatin1Char('"');
    for (const QChar c : field) {
        if (c == QLatin1Char('"'))
            out += QLatin1Char('"');
        out += c;
    }
    out += QLatin1Char('"');
}

QString quoteField(const QString& field, const QString& specials) {
    QString out;
    out.reserve(field.size() + 2);
    appendQuotedField(out, field, specials);
    return out;
}

QString tabSeparatedText(const QList<QStringList>& rows) {
    QString out;
    for (const QStringList& row : rows) {
        for (qsizetype c = 0; c < row.size(); ++c) {
            if (c > 0)
                out += QLatin1Char('\t');
            appendQuotedField(out, row[c], kTabSeparatedSpecials);
        }
        out += QStringLiteral("\r\n");
    }
    return out;
}

} // namespace zemo
