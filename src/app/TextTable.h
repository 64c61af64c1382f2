#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace zemo {

// Quotes a field when it holds one of `specials`: wrapped in double quotes, inner quotes doubled.
QString quoteField(const QString& field, const QString& specials);

// A block of cells as spreadsheet clipboard text: tab between cells, CR LF after each row, cells
// with a tab, a line break or a double quote quoted so that rows and columns survive a paste.
QString tabSeparatedText(const QList<QStringList>& rows);

} // namespace zemo
