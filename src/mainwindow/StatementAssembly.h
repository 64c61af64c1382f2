#pragma once

#include <QString>
#include <QStringList>

namespace zemo {

// The pieces of the SELECT statement, each appending to `sql`, one clause part per CR LF line.
void appendSelectHead(QString& sql);
// The selected display items in list order joined by "," CR LF; none selected counts the rows.
void appendSelectList(QString& sql, const QStringList& selectedItems);
void appendFromHead(QString& sql);
void appendFromClause(QString& sql, const QString& fromList);
// Condition lines joined by " " CR LF, the last one followed by " " CR LF; nothing without lines.
void appendConditions(QString& sql, const QStringList& conditionLines);

// The whole statement; empty when no table is chosen (empty FROM body).
QString assembleSelect(const QStringList& selectedItems, const QString& fromList,
                       const QStringList& conditionLines);

} // namespace zemo
