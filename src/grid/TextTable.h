#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace zemo {

// Quotes a field when it holds one of `specials`: wrapped in double quotes, inner quotes doubled.
QString quoteField(const QString& field, const QString& specials);
// The same, appended to `out` without a temporary per field.
void appendQuotedField(QString& out, QStringView field, QStringView specials);

// Characters that make a clipboard cell need quotes.
inline constexpr QStringView kTabSeparatedSpecials = u"\t\r\n\"";

// A block of cells as spreadsheet clipboard text: tab between cells, CR LF after each row, cells
// with a tab, a line break or a double quote quoted so that rows and columns survive a paste.
QString tabSeparatedText(const QList<QStringList>& rows);

// A name with its logical name beside it, "CUST_NAME（顧客名）"; the name alone when there is none.
inline QString withLogicalName(const QString& name, const QString& logical) {
    if (logical.isEmpty())
        return name;
    return name + QStringLiteral("（") + logical + QStringLiteral("）");
}

} // namespace zemo
