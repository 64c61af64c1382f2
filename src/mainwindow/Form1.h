#pragma once

#include "db/StatementParameters.h"
#include "mainwindow/Form1Layout.h"
#include "ui/FormSupport.h"
#include "ui/QueryBuilderWindow.h"

#include <QMainWindow>
#include <functional>

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
struct SavedQuery;
} // namespace zemo

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

    // Asks for the file of a saved query to open (`forSaving` false) or to save under; an empty path
    // means the user cancelled. Tests put a function here instead of the file dialog; an empty function
    // restores the dialog.
    using QueryFileChooser = std::function<QString(QWidget* parent, bool forSaving)>;
    static void setQueryFileChooser(QueryFileChooser chooser);

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
    void QueryOpen_Click();
    void QuerySave_Click();
    void QuerySaveAs_Click();
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
    void ApplyLogicalNames();
    // The query as the window holds it, for its file.
    zemo::SavedQuery BuiltQuery() const;
    void SaveQueryAs(const QString& path);
    // Puts the window into the state the saved query describes, read from the open database; false
    // when the read was stopped (the window is left as it was).
    bool RestoreQuery(const zemo::SavedQuery& query);
    // The values of the placeholders of gSqlText, asked in one dialog; false when the user cancelled.
    bool AskPlaceholderValues();

    QPushButton *Command1 = nullptr, *Command2 = nullptr, *Command3 = nullptr, *Command4 = nullptr,
                *Command5 = nullptr, *Command6 = nullptr, *Command7 = nullptr, *Command8 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr, *Label5 = nullptr,
           *Label6 = nullptr, *Label7 = nullptr;
    zemo::GridWidget* VSFlexGrid1 = nullptr;
    QComboBox *Combo1 = nullptr, *Combo2 = nullptr;
    QLineEdit *Text2 = nullptr, *Text4 = nullptr;
    QListWidget *List1 = nullptr, *List2 = nullptr;
    QMenu *QueryFile = nullptr, *DB = nullptr, *Disp = nullptr, *Cond = nullptr, *etc = nullptr;
    QAction *QueryOpen = nullptr, *QuerySave = nullptr, *QuerySaveAs = nullptr, *Connection = nullptr,
            *UnConnection = nullptr, *TypeDisp = nullptr, *LogicalDisp = nullptr, *JoinAdd = nullptr,
            *Version = nullptr;
    // The tables in the column grid by ordinal (the table of alias T(k+1) is entry k); an entry is empty
    // when its table could not be loaded.
    QStringList m_loadedTables;
    QMenu* m_conditionMenu = nullptr; // the condition list's right-click menu
    QString m_queryPath;              // the saved query last opened or saved
    zemo::ParameterValues m_values;   // the placeholders' last values
};
