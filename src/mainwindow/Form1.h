#pragma once

#include "mainwindow/Form1Layout.h"
#include "ui/FormSupport.h"
#include "ui/QueryBuilderWindow.h"

#include <QMainWindow>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QMimeData;
class QPushButton;

namespace zemo {
class GridWidget;
}

// The main window and query builder.
class Form1 : public zemo::SizableWindow<QMainWindow, zemo::Form1Rects>, public zemo::QueryBuilderWindow {
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);

    void resetColumnPicker() override;
    void clearColumnPicker() override;
    void showTableColumns(int ordinal, const QString& tableName, const QList<zemo::TableColumn>& columns,
                          const QString& tableLogical) override;
    void applyAttributeColumns() override;
    QStringList displayItemTexts() const override;
    QList<zemo::DisplayItem> displayItems() const override;
    bool logicalNamesShown() const override;

    // The outer size remembered by the last layout pass (twips).
    zemo::TwipsSize rememberedSize() const { return m_resize.remembered(); }
    const zemo::TwipsPlacer& placer() const { return m_placer; }

protected:
    zemo::TwipsSize layoutSize() const override;

private Q_SLOTS:
    void Connection_Click();
    void UnConnection_Click();
    void TypeDisp_Click();
    void LogicalDisp_Click();
    void JoinAdd_Click();
    void List1_ContextMenu(const QPoint& pos);
    void Version_Click();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void Command8_Click();
    void List1_Click();
    void VSFlexGrid1_MouseRelease(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void VSFlexGrid1_BeforePress(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y,
                                 bool& cancel);
    void Text2_OLEDragDrop(const QMimeData* data);
    void Text4_OLEDragDrop(const QMimeData* data);

private:
    void buildControls();
    void buildMenus();
    void Form_Load();
    void RefreshConditionList();
    void ShowAddedConditions();
    void ClearConditions();
    void CopyCurrentCell(QLineEdit* target);
    void setConnectedCommands(bool enabled);

    QPushButton *Command1 = nullptr, *Command2 = nullptr, *Command3 = nullptr, *Command4 = nullptr,
                *Command5 = nullptr, *Command6 = nullptr, *Command7 = nullptr, *Command8 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr, *Label5 = nullptr,
           *Label6 = nullptr, *Label7 = nullptr;
    zemo::GridWidget* VSFlexGrid1 = nullptr;
    QComboBox *Combo1 = nullptr, *Combo2 = nullptr;
    QLineEdit *Text2 = nullptr, *Text4 = nullptr;
    QListWidget *List1 = nullptr, *List2 = nullptr;
    QMenu *DB = nullptr, *Disp = nullptr, *Cond = nullptr, *etc = nullptr;
    QAction *Connection = nullptr, *UnConnection = nullptr, *TypeDisp = nullptr, *LogicalDisp = nullptr,
            *JoinAdd = nullptr, *Version = nullptr;
    // The tables in the column grid by ordinal (the table of alias T(k+1) is entry k); an entry is empty
    // when its table could not be loaded.
    QStringList m_loadedTables;
    QMenu* m_conditionMenu = nullptr; // the condition list's right-click menu
};
