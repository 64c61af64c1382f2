#include "mainwindow/QueryRestore.h"

#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueReads.h"
#include "db/DbConnection.h"

#include <QRegularExpression>
#include <QSet>

namespace zemo {

QueryRestoreRead readForRestore(OracleDatabase& db, const QList<SavedTable>& tables, const DbCall& call) {
    QueryRestoreRead read;
    readTableNames(db, [&read](const QString& name) { read.tableNames << name; });
    read.tableLogical = readTableLogicalNames(db);
    for (const SavedTable& t : tables) {
        if (call.stopRequested())
            throwStopped();
        if (!read.tableNames.contains(t.name))
            continue;
        TableColumns columns = readNamedTableColumns(db, t.name);
        if (columns.failure)
            throw *columns.failure;
        read.columns.insert(t.ordinal, columns.columns);
    }
    return read;
}

namespace {

bool hasColumn(const QList<TableColumn>& columns, const QString& name) {
    for (const TableColumn& c : columns)
        if (c.name.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

} // namespace

QStringList vanishedNames(const SavedQuery& query, const QueryRestoreRead& read) {
    QStringList names;
    const auto note = [&names](const QString& name) {
        if (!names.contains(name))
            names << name;
    };
    QHash<QString, int> ordinalOfAlias;
    for (const SavedTable& t : query.tables) {
        ordinalOfAlias.insert(tableAlias(t.ordinal), t.ordinal);
        if (!read.columns.contains(t.ordinal))
            note(t.name + QStringLiteral("（") + tableAlias(t.ordinal) + QStringLiteral("）"));
    }
    // "T2.STATUS": the alias of a table still there and a column it lacks.
    const auto check = [&](const QString& alias, const QString& column) {
        const auto ordinal = ordinalOfAlias.constFind(alias);
        if (ordinal == ordinalOfAlias.cend() || !read.columns.contains(*ordinal))
            return;
        if (!hasColumn(read.columns.value(*ordinal), column))
            note(alias + QLatin1Char('.') + column);
    };
    for (const QString& item : query.items)
        check(item.section(QLatin1Char('.'), 0, 0), displayItemColumn(item));
    static const QRegularExpression qualified(QStringLiteral("(?<![\\w$#.])(T[1-9][0-9]*)\\.([\\w$#]+)"),
                                              QRegularExpression::UseUnicodePropertiesOption);
    for (const Condition& c : query.conditions) {
        for (const QString& side : {c.left, c.right}) {
            for (const QRegularExpressionMatch& m : qualified.globalMatch(side))
                check(m.captured(1), m.captured(2));
        }
    }
    return names;
}

QString vanishedMessage(const QStringList& names) {
    return QStringLiteral("メッセージ：保存したときのテーブル・列のうち、次のものはもうありません。"
                          "残りを元に戻しました。\r") +
           names.join(QStringLiteral("、"));
}

QList<TableListRow> restoredCatalogue(const QueryRestoreRead& read, const QList<SavedTable>& tables) {
    QSet<QString> marked;
    for (const SavedTable& t : tables)
        if (read.columns.contains(t.ordinal))
            marked.insert(t.name);
    QList<TableListRow> rows;
    for (const QString& name : read.tableNames)
        rows.append({name, marked.contains(name) ? QStringLiteral("1") : QStringLiteral("0"),
                     read.tableLogical.value(name)});
    return rows;
}

} // namespace zemo
