#pragma once

#include "db/Dictionary.h"
#include "session/Module1.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace zemo {

// The main window as the other windows see it: what they ask of its query builder, in their own
// terms. They never reach into its controls.
class QueryBuilderWindow {
public:
    virtual ~QueryBuilderWindow() = default;

    // The column picker as after 切断: the grid empty at 2 rows × 1 column, no conditions, no display
    // items. The table dialog's ＯＫ with no table marked.
    virtual void resetColumnPicker() = 0;
    // Before the marked tables are loaded: no display items, every grid cell empty, the counts kept.
    virtual void clearColumnPicker() = 0;
    // One marked table's columns into the grid's column pair 2k, 2k+1 and the display items, with the
    // table's and the columns' logical names for 表示 → 論理名表示.
    virtual void showTableColumns(int ordinal, const QString& tableName, const QList<TableColumn>& columns,
                                  const QString& tableLogical) = 0;
    // Shows or hides the attribute columns as 表示 → 属性表示 says.
    virtual void applyAttributeColumns() = 0;
    // The display items in list order.
    virtual QStringList displayItemTexts() const = 0;
    // The display items in list order with their logical names and whether they are selected; a
    // window that keeps no logical names gives the texts alone.
    virtual QList<DisplayItem> displayItems() const {
        QList<DisplayItem> items;
        for (const QString& text : displayItemTexts())
            items.append({text, QString()});
        return items;
    }
    // Whether 表示 → 論理名表示 is checked.
    virtual bool logicalNamesShown() const { return false; }
};

// The main window, or null when there is none (a dialog tested on its own).
QueryBuilderWindow* queryBuilder();

} // namespace zemo
