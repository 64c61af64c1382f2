#include "catalogue/Form2.h"

#include "app/BusyPointer.h"
#include "app/ErrorTrap.h"
#include "app/Module1.h"
#include "app/ZemoError.h"
#include "catalogue/Catalogue.h"
#include "grid/GridWidget.h"
#include "mainwindow/Form1.h"

#include <QListWidget>
#include <QPushButton>

namespace {

constexpr double kClientWidth = 5250;
constexpr double kClientHeight = 4710;

Form1* theMainForm() {
    return qobject_cast<Form1*>(zemo::mainWindow());
}

zemo::OracleDatabase& openDatabase() {
    if (!gOraDatabase)
        throw zemo::ZemoError(zemo::err::NotConnected, QStringLiteral("データベースに接続されていません。"));
    return *gOraDatabase;
}

} // namespace

Form2::Form2(QWidget* parent) : QDialog(parent), m_placer(this) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("ZEMO-DB　テーブル選択"));
    setFont(zemo::gothicFont(9));

    Command1 = new QPushButton(QStringLiteral("ＯＫ"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setAutoDefault(false);
    m_placer.place(Command1, {720, 4080, 1335, 375});
    Command2 = new QPushButton(QStringLiteral("ＣＡＮＣＥＬ"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setAutoDefault(false);
    m_placer.place(Command2, {3120, 4080, 1335, 375});
    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    // A click marks or unmarks one entry and leaves the others alone.
    List1->setSelectionMode(QAbstractItemView::MultiSelection);
    m_placer.place(List1, {240, 360, 4695, 3480});
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, List1);

    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form2::Command2_Click);

    setFixedSize(m_placer.clientPixels(kClientWidth, kClientHeight));
    Form_Load();
}

void Form2::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Form_Resize();
}

// One fixed size: a resize snaps back, minimising stays possible.
void Form2::Form_Resize() {
    if (!isMinimized())
        setFixedSize(m_placer.clientPixels(kClientWidth, kClientHeight));
}

void Form2::Form_Load() {
    zemo::centreOverMainWindow(this, kOuterSize);
    runTrapped(this, [this] {
        if (!zemo::catalogueSavedForConnection()) {
            // Listing a server schema's objects can take a while.
            zemo::BusyPointer busy;
            zemo::readTableNames(openDatabase(), [this](const QString& name) { List1->addItem(name); });
            return;
        }
        for (int i = 0; i < gTableCount; ++i) {
            auto* item = new QListWidgetItem(gTableList.at(i).name, List1);
            item->setSelected(gTableList.at(i).selected == QLatin1String("1"));
        }
    });
}

void Form2::Command1_Click() {
    zemo::BusyPointer busy;
    runTrapped(this, [this] {
        const int n = List1->count();
        bool anyMarked = false;
        QList<TableListRow> rows;
        rows.reserve(n);
        for (int i = 0; i < n; ++i) {
            const QListWidgetItem* item = List1->item(i);
            anyMarked = anyMarked || item->isSelected();
            rows.append({item->text(), item->isSelected() ? QStringLiteral("1") : QStringLiteral("0")});
        }
        zemo::saveCatalogue(rows);

        Form1* main = theMainForm();
        if (!anyMarked) {
            if (main) {
                zemo::GridWidget* grid = main->columnGrid();
                grid->Clear();
                grid->setCols(1);
                grid->setRows(2);
            }
            ClearConditions();
            if (main)
                main->displayItems()->clear();
            gFromList.clear();
            return;
        }
        LoadSelectedTables();
        if (!main)
            return;
        zemo::GridWidget* grid = main->columnGrid();
        const int cols = grid->Cols();
        if (cols >= 2) {
            const bool shown = main->attributesShown();
            for (int c = shown ? 0 : 1; c < cols; c += shown ? 1 : 2)
                grid->setColHidden(c, !shown);
        }
    });
    accept();
}

void Form2::LoadSelectedTables() {
    runTrapped(this, [this] {
        Form1* main = theMainForm();
        if (main) {
            main->displayItems()->clear();
            main->columnGrid()->Clear();
        }
        gFromList.clear();
        int ordinal = 0;
        for (int i = 0; i < gTableCount; ++i) {
            if (gTableList.at(i).selected != QLatin1String("1"))
                continue;
            LoadTableColumns(i, ordinal);
            ++ordinal; // a failed table keeps its number
        }
    });
}

void Form2::LoadTableColumns(const int& tableIndex, const int& ordinal) {
    runTrapped(this, [&] {
        Form1* main = theMainForm();
        if (!main)
            return;
        zemo::GridWidget* grid = main->columnGrid();
        QListWidget* items = main->displayItems();
        zemo::loadTableColumns(openDatabase(), *grid->gridModel(), gTableList.at(tableIndex).name, ordinal,
                               gFromList, [items](const QString& item) { items->addItem(item); });
        grid->AutoSize(0, grid->Cols() - 1);
    });
}

void Form2::Command2_Click() {
    reject();
}
