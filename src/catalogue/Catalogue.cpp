#include "catalogue/Catalogue.h"

#include "base/WindowThread.h"
#include "grid/GridModel.h"

namespace zemo {

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
    requireWindowThread("saveCatalogue");
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

} // namespace zemo
