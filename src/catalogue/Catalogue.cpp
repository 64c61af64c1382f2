#include "catalogue/Catalogue.h"

#include "app/ZemoError.h"
#include "db/OracleAccess.h"
#include "grid/GridModel.h"

namespace zemo {

QString columnQuery(const QString& tableName) {
    return QStringLiteral("select column_name,DATA_TYPE||'['||DATA_LENGTH||']' TypeLen from user_tab_columns "
                          "where table_name = ") +
           sqlText(tableName);
}

QString tableAlias(int ordinal) {
    return QLatin1Char('T') + QString::number(ordinal + 1);
}

void appendFromEntry(QString& fromList, const QString& tableName, int ordinal) {
    if (ordinal != 0)
        fromList += QStringLiteral(",\r\n");
    fromList += tableName + QLatin1Char(' ') + tableAlias(ordinal);
}

bool catalogueSavedForConnection() {
    return gTableCount >= 1 && gTableListService == gServiceName && gTableListUser == gUserName;
}

void saveCatalogue(const QList<TableListRow>& rows) {
    if (!rows.isEmpty())
        gTableList = rows;
    gTableCount = static_cast<int>(rows.size());
    gTableListService = gServiceName;
    gTableListUser = gUserName;
}

QStringList markedTableNames(const QList<TableListRow>& rows) {
    QStringList names;
    for (const TableListRow& row : rows)
        if (row.selected == QLatin1String("1"))
            names << row.name;
    return names;
}

void readTableNames(OracleDatabase& db, const std::function<void(const QString&)>& add) {
    auto rs = db.CreateDynaset(kTableListQuery, 0);
    while (!rs->Eof()) {
        add(rs->Fields(QStringLiteral("OBJECT_NAME")).Value().toString());
        rs->MoveNext();
    }
}

TableColumns readTableColumns(OracleDatabase& db, const QString& tableName) {
    auto rs = db.CreateDynaset(columnQuery(tableName), 0);
    TableColumns out;
    try {
        while (!rs->Eof()) {
            out.columns.append({rs->Fields(QStringLiteral("column_name")).Value().toString(),
                                rs->Fields(QStringLiteral("TypeLen")).Value().toString()});
            rs->MoveNext();
        }
    } catch (...) {
        out.failure = currentFailure();
    }
    return out;
}

void writeTableColumns(GridModel& grid, const QString& tableName, int ordinal,
                       const QList<TableColumn>& columns,
                       const std::function<void(const QString&)>& addDisplayItem,
                       const QString& tableLogical) {
    const int nameCol = 2 * ordinal;
    grid.setGridCols(2 * (ordinal + 1));
    const int needed = int(columns.size()) + 2;
    if (grid.gridRows() < needed)
        grid.setGridRows(needed);
    const QString alias = tableAlias(ordinal);
    grid.setCellText(0, nameCol, tableName);
    grid.setCellLogicalName(0, nameCol, tableLogical);
    grid.setCellText(1, nameCol, alias);
    for (int i = 0; i < columns.size(); ++i) {
        const QString item = alias + QLatin1Char('.') + columns[i].name;
        grid.setCellText(i + 2, nameCol, item);
        grid.setCellLogicalName(i + 2, nameCol, columns[i].logical);
        grid.setCellText(i + 2, nameCol + 1, columns[i].typeLen);
        addDisplayItem(item);
    }
}

QString displayItemColumn(const QString& itemText) {
    return itemText.mid(itemText.indexOf(QLatin1Char('.')) + 1);
}

QString logicalName(const QString& comment) {
    for (const QStringView line : QStringView(comment).split(QLatin1Char('\n'))) {
        const QStringView name = line.trimmed();
        if (!name.isEmpty())
            return name.toString();
    }
    return {};
}

namespace {

CommentMap logicalNames(const CommentMap& comments) {
    CommentMap out;
    for (auto it = comments.cbegin(); it != comments.cend(); ++it) {
        const QString logical = logicalName(it.value());
        if (!logical.isEmpty())
            out.insert(it.key(), logical);
    }
    return out;
}

} // namespace

CommentMap readTableLogicalNames(OracleDatabase& db) {
    return logicalNames(db.tableComments());
}

CommentMap readColumnLogicalNames(OracleDatabase& db, const QString& tableName) {
    return logicalNames(db.columnComments(tableName));
}

void attachLogicalNames(QList<TableColumn>& columns, const CommentMap& logical) {
    for (TableColumn& c : columns)
        c.logical = logical.value(c.name);
}

TableColumns readNamedTableColumns(OracleDatabase& db, const QString& tableName) {
    TableColumns out = readTableColumns(db, tableName);
    if (out.failure)
        return out;
    try {
        attachLogicalNames(out.columns, readColumnLogicalNames(db, tableName));
    } catch (...) {
        out.failure = currentFailure();
    }
    return out;
}

QList<ForeignKey> readForeignKeys(OracleDatabase& db, const QStringList& markedTables) {
    return db.foreignKeys(markedTables);
}

} // namespace zemo
