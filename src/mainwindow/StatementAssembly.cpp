#include "mainwindow/StatementAssembly.h"

namespace zemo {

void appendSelectHead(QString& sql) {
    sql += QStringLiteral("select \r\n");
}

void appendSelectList(QString& sql, const QStringList& selectedItems) {
    if (selectedItems.isEmpty()) {
        sql += QStringLiteral("count(*) \r\n");
        return;
    }
    sql += selectedItems.join(QStringLiteral(",\r\n"));
    sql += QStringLiteral(" \r\n");
}

void appendFromHead(QString& sql) {
    sql += QStringLiteral("FROM \r\n");
}

void appendFromClause(QString& sql, const QString& fromList) {
    sql += fromList + QStringLiteral(" \r\n");
}

void appendConditions(QString& sql, const QStringList& conditionLines) {
    if (conditionLines.isEmpty())
        return;
    sql += conditionLines.join(QStringLiteral(" \r\n"));
    sql += QStringLiteral(" \r\n");
}

QString assembleSelect(const QStringList& selectedItems, const QString& fromList,
                       const QStringList& conditionLines) {
    QString sql;
    if (fromList.isEmpty())
        return sql;
    appendSelectHead(sql);
    appendSelectList(sql, selectedItems);
    appendFromHead(sql);
    appendFromClause(sql, fromList);
    appendConditions(sql, conditionLines);
    return sql;
}

} // namespace zemo
