// The main window's column picker as the table dialog fills it, its logical names, and the join
// conditions from the foreign keys of its tables.
#include "mainwindow/Form1.h"

#include "catalogue/Catalogue.h"

#include "grid/GridWidget.h"
#include "mainwindow/JoinCommand.h"
#include "ui/ErrorTrap.h"
#include "ui/LogicalNameList.h"

#include <QAction>
#include <QListWidget>
#include <QMenu>

// ---- what the other windows ask of the main window ----

void Form1::applyAttributeColumns() {
    const int cols = VSFlexGrid1->Cols();
    if (cols <= 1)
        return;
    const bool shown = TypeDisp->isChecked();
    for (int c = shown ? 0 : 1; c < cols; c += shown ? 1 : 2)
        VSFlexGrid1->setColHidden(c, !shown);
}

void Form1::resetColumnPicker() {
    VSFlexGrid1->Clear();
    VSFlexGrid1->setCols(1);
    VSFlexGrid1->setRows(2);
    ClearConditions();
    List2->clear();
    m_loadedTables.clear();
}

void Form1::clearColumnPicker() {
    List2->clear();
    VSFlexGrid1->Clear();
    m_loadedTables.clear();
}

void Form1::showTableColumns(int ordinal, const QString& tableName, const QList<zemo::TableColumn>& columns,
                             const QString& tableLogical) {
    qsizetype next = 0;
    zemo::writeTableColumns(
        *VSFlexGrid1->gridModel(), tableName, ordinal, columns,
        [&](const QString& item) { zemo::addNamedItem(List2, item, columns.at(next++).logical); },
        tableLogical);
    if (m_loadedTables.size() <= ordinal)
        m_loadedTables.resize(ordinal + 1);
    m_loadedTables[ordinal] = tableName;
    VSFlexGrid1->AutoSize(0, VSFlexGrid1->Cols() - 1);
}

QStringList Form1::displayItemTexts() const {
    QStringList items;
    for (int i = 0; i < List2->count(); ++i)
        items << List2->item(i)->text();
    return items;
}

QList<zemo::DisplayItem> Form1::displayItems() const {
    QList<zemo::DisplayItem> items;
    for (int i = 0; i < List2->count(); ++i) {
        const QListWidgetItem* item = List2->item(i);
        items.append({item->text(), item->data(zemo::kLogicalNameRole).toString(), item->isSelected()});
    }
    return items;
}

bool Form1::logicalNamesShown() const {
    return LogicalDisp->isChecked();
}

// ---- logical names and joins ----

void Form1::LogicalDisp_Click() {
    // The checkable action has already inverted its mark when it is triggered.
    ApplyLogicalNames();
}

// The column grid and the display items with their logical names as 論理名表示 says.
void Form1::ApplyLogicalNames() {
    const bool shown = LogicalDisp->isChecked();
    VSFlexGrid1->gridModel()->setLogicalNamesShown(shown);
    if (!m_loadedTables.isEmpty())
        VSFlexGrid1->AutoSize(0, VSFlexGrid1->Cols() - 1);
    zemo::showLogicalNames(List2, shown);
}

void Form1::JoinAdd_Click() {
    zemo::runTrapped(this, [this] {
        if (!zemo::isConnected())
            return;
        if (zemo::addForeignKeyJoins(this, m_loadedTables) > 0)
            ShowAddedConditions();
    });
}

void Form1::List1_ContextMenu(const QPoint& pos) {
    // One menu for the window's life, holding the menu bar's own item.
    if (!m_conditionMenu) {
        m_conditionMenu = new QMenu(this);
        m_conditionMenu->setObjectName(QStringLiteral("ConditionListMenu"));
        m_conditionMenu->addAction(JoinAdd);
    }
    m_conditionMenu->popup(List1->viewport()->mapToGlobal(pos));
}
