#include "catalogue/Catalogue.h"

#include "app/ZemoError.h"
#include "db/OracleAccess.h"
#include "grid/GridModel.h"

namespace zemo {

QString columnQuery(const QString& tableName) {
    QString quoted = tableName;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    return QStringLiteral("select column_name,DATA_TYPE||'['||DATA_LENGTH||']' TypeLen from user_tab_columns "
                          "where table_name = '") +
           quoted + QLatin1Char('\'');
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
                       const std::function<void(const QString&)>& addDisplayItem) {
    const int nameCol = 2 * ordinal;
    grid.setGridCols(2 * (ordinal + 1));
    const int needed = int(columns.size()) + 2;
    if (grid.gridRows() < needed)
        grid.setGridRows(needed);
    const QString alias = tableAlias(ordinal);
    grid.setCellText(0, nameCol, tableName);
    grid.setCellText(1, nameCol, alias);
    for (int i = 0; i < columns.size(); ++i) {
        const QString item = alias + QLatin1Char('.') + columns[i].name;
        grid.setCellText(i + 2, nameCol, item);
        grid.setCellText(i + 2, nameCol + 1, columns[i].typeLen);
        addDisplayItem(item);
    }
}

} // namespace zemo
