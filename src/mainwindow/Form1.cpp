#include "mainwindow/Form1.h"

#include "about/Form5.h"
#include "catalogue/Form2.h"
#include "grid/GridWidget.h"
#include "mainwindow/ConditionStore.h"
#include "mainwindow/StatementAssembly.h"
#include "profiles/Form6.h"
#include "results/Form4.h"
#include "session/Module1.h"
#include "ui/ErrorTrap.h"
#include "ui/LogicalNameList.h"

#include <QComboBox>
#include <QDropEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <functional>

using zemo::TwipsRect;

namespace {

constexpr double kClientWidth = 10530;
constexpr double kClientHeight = 7890;

// A text box that takes a dropped text as its whole new content.
class DropLineEdit : public QLineEdit {
public:
    using QLineEdit::QLineEdit;
    std::function<void(const QMimeData*)> dropped;

protected:
    void dropEvent(QDropEvent* event) override {
        if (dropped)
            dropped(event->mimeData());
        event->setDropAction(Qt::CopyAction);
        event->accept();
    }
};

} // namespace

Form1::Form1(QWidget* parent) : SizableWindow(parent, zemo::kForm1Resize) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("ZEMO-DB"));
    setWindowIcon(zemo::programIcon());
    setCentralWidget(new QWidget(this));
    buildMenus();
    buildControls();

    const QSize client = m_placer.clientPixels(kClientWidth, kClientHeight);
    const int menuHeight = menuBar()->sizeHint().height();
    centralWidget()->resize(client);
    resize(client.width(), client.height() + menuHeight);
    holdMinimumSize(menuHeight);

    zemo::setMainWindow(this);
    Form_Load();
}

void Form1::buildMenus() {
    const auto menu = [this](const char* name, const QString& title) {
        QMenu* m = menuBar()->addMenu(title);
        m->setObjectName(QLatin1String(name));
        return m;
    };
    const auto item = [this](QMenu* m, const char* name, const QString& text) {
        QAction* a = m->addAction(text);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    QueryFile = menu("QueryFile", QStringLiteral("ファイル"));
    QueryOpen = item(QueryFile, "QueryOpen", QStringLiteral("開く..."));
    QueryOpen->setShortcut(QKeySequence::Open);
    QuerySave = item(QueryFile, "QuerySave", QStringLiteral("上書き保存"));
    QuerySave->setShortcut(QKeySequence::Save);
    QuerySaveAs = item(QueryFile, "QuerySaveAs", QStringLiteral("名前を付けて保存..."));
    QuerySaveAs->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    DB = menu("DB", QStringLiteral("接続"));
    Connection = item(DB, "Connection", QStringLiteral("接続"));
    UnConnection = item(DB, "UnConnection", QStringLiteral("切断"));
    Disp = menu("Disp", QStringLiteral("表示"));
    TypeDisp = item(Disp, "TypeDisp", QStringLiteral("属性表示"));
    TypeDisp->setCheckable(true);
    LogicalDisp = item(Disp, "LogicalDisp", QStringLiteral("論理名表示"));
    LogicalDisp->setCheckable(true);
    Cond = menu("Cond", QStringLiteral("条件"));
    JoinAdd = item(Cond, "JoinAdd", QStringLiteral("結合条件の追加"));
    etc = menu("etc", QStringLiteral("その他"));
    Version = item(etc, "Version", QStringLiteral("ツールについて"));

    connect(QueryOpen, &QAction::triggered, this, &Form1::QueryOpen_Click);
    connect(QuerySave, &QAction::triggered, this, &Form1::QuerySave_Click);
    connect(QuerySaveAs, &QAction::triggered, this, &Form1::QuerySaveAs_Click);
    connect(Connection, &QAction::triggered, this, &Form1::Connection_Click);
    connect(UnConnection, &QAction::triggered, this, &Form1::UnConnection_Click);
    connect(TypeDisp, &QAction::triggered, this, &Form1::TypeDisp_Click);
    connect(LogicalDisp, &QAction::triggered, this, &Form1::LogicalDisp_Click);
    connect(JoinAdd, &QAction::triggered, this, &Form1::JoinAdd_Click);
    connect(Version, &QAction::triggered, this, &Form1::Version_Click);
}

void Form1::buildControls() {
    QWidget* client = centralWidget();
    const QFont gothic = zemo::gothicFont(9);

    zemo::ControlMaker make(client, m_placer);
    const auto button = [&](const char* name, const QString& caption, const TwipsRect& r, bool bold = false) {
        QPushButton* b = make.button(name, caption, r);
        b->setFont(zemo::gothicFont(9, bold));
        return b;
    };
    const auto label = [&](const char* name, const QString& caption, const TwipsRect& r, bool centred) {
        QLabel* l = make.label(name, caption, r);
        if (centred)
            l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        return l;
    };
    const auto combo = [&](const char* name, const TwipsRect& r) {
        auto* c = make.add<QComboBox>(name, r);
        c->setEditable(true);
        c->setInsertPolicy(QComboBox::NoInsert);
        // What is typed is stored as typed: no completion from the list, no change of case.
        c->setCompleter(nullptr);
        c->setFont(gothic);
        return c;
    };
    const auto textBox = [&](const char* name, const TwipsRect& r, void (Form1::*onDrop)(const QMimeData*)) {
        auto* t = make.add<DropLineEdit>(name, r);
        t->setFont(gothic);
        t->dropped = [this, onDrop](const QMimeData* data) { (this->*onDrop)(data); };
        return t;
    };
    const auto list = [&](const char* name, const TwipsRect& r, QAbstractItemView::SelectionMode mode) {
        auto* l = make.add<QListWidget>(name, r);
        l->setFont(gothic);
        l->setSelectionMode(mode);
        return l;
    };

    Command3 = button("Command3", QStringLiteral("テーブル選択"), {480, 120, 1575, 375});
    Command2 = button("Command2", QStringLiteral("終了"), {8880, 120, 1215, 375});
    Label6 = label("Label6", QStringLiteral("条件項目"), {360, 720, 1095, 255}, false);

    VSFlexGrid1 = make.add<zemo::GridWidget>("VSFlexGrid1", {360, 960, 9735, 2535});
    VSFlexGrid1->setFont(gothic);
    VSFlexGrid1->setFixed(2, 0);
    VSFlexGrid1->setRows(2);
    VSFlexGrid1->setCols(1);

    Command1 = button("Command1", QStringLiteral("↓↓"), {3000, 3600, 615, 375}, true);
    Command8 = button("Command8", QStringLiteral("↓↓"), {8040, 3600, 615, 375}, true);
    Label1 = label("Label1", QStringLiteral("演算子"), {480, 4080, 735, 255}, true);
    Label2 = label("Label2", QStringLiteral("左辺"), {3000, 4080, 615, 255}, true);
    Label4 = label("Label4", QStringLiteral("比較"), {5400, 4080, 615, 255}, true);
    Label3 = label("Label3", QStringLiteral("右辺"), {8040, 4080, 615, 255}, true);
    Combo1 = combo("Combo1", {360, 4320, 1095, 300});
    Text2 = textBox("Text2", {1560, 4320, 3495, 270}, &Form1::Text2_OLEDragDrop);
    Combo2 = combo("Combo2", {5160, 4320, 1335, 300});
    Text4 = textBox("Text4", {6600, 4320, 3495, 270}, &Form1::Text4_OLEDragDrop);
    Command4 = button("Command4", QStringLiteral("追加"), {1440, 4800, 1095, 375});
    Command5 = button("Command5", QStringLiteral("変更"), {2760, 4800, 1095, 375});
    Command6 = button("Command6", QStringLiteral("削除"), {4080, 4800, 1095, 375});
    Command7 = button("Command7", QStringLiteral("抽出"), {9000, 4800, 1095, 375});
    Label7 = label("Label7", QStringLiteral("条件"), {360, 5040, 1095, 255}, false);
    Label5 = label("Label5", QStringLiteral("表示項目"), {6000, 5040, 1095, 255}, false);
    List1 = list("List1", {360, 5280, 5415, 2220}, QAbstractItemView::SingleSelection);
    List2 = list("List2", {6000, 5280, 4095, 2220}, QAbstractItemView::MultiSelection);
    zemo::useLogicalNames(List2, false);
    List1->setContextMenuPolicy(Qt::CustomContextMenu);

    zemo::setTabChain({Command3, Command4, Command5, Command6, Command7, Command2, List1, VSFlexGrid1, Text2,
                       Text4, Combo1, Combo2, List2, Command1, Command8});

    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &Form1::Command6_Click);
    connect(Command7, &QPushButton::clicked, this, &Form1::Command7_Click);
    connect(Command8, &QPushButton::clicked, this, &Form1::Command8_Click);
    connect(List1, &QListWidget::itemSelectionChanged, this, &Form1::List1_Click);
    connect(List1, &QWidget::customContextMenuRequested, this, &Form1::List1_ContextMenu);
    connect(VSFlexGrid1, &zemo::GridWidget::MouseUp, this, &Form1::VSFlexGrid1_MouseRelease);
    connect(VSFlexGrid1, &zemo::GridWidget::BeforeMouseDown, this, &Form1::VSFlexGrid1_BeforePress);
}

zemo::TwipsSize Form1::layoutSize() const {
    return m_placer.outerSize(centralWidget());
}

void Form1::setConnectedCommands(bool enabled) {
    Command3->setEnabled(enabled);
    Command4->setEnabled(enabled);
    Command7->setEnabled(enabled);
}

void Form1::Form_Load() {
    gTableCount = 0;
    zemo::clearConditionStore();
    using R = zemo::Form1Rects;
    m_resize.start({{&R::Label2, Label2},
                    {&R::Label3, Label3},
                    {&R::Label4, Label4},
                    {&R::Label5, Label5},
                    {&R::Text2, Text2},
                    {&R::Text4, Text4},
                    {&R::Combo2, Combo2},
                    {&R::Command1, Command1},
                    {&R::Command2, Command2},
                    {&R::Command4, Command4},
                    {&R::Command5, Command5},
                    {&R::Command6, Command6},
                    {&R::Command7, Command7},
                    {&R::Command8, Command8},
                    {&R::List1, List1},
                    {&R::List2, List2},
                    {&R::VSFlexGrid1, VSFlexGrid1}},
                   layoutSize());
    Combo1->addItems(
        {QStringLiteral("Where"), QStringLiteral("And"), QStringLiteral("Or"), QStringLiteral("Not")});
    Combo2->addItems({QStringLiteral("="), QStringLiteral("!="), QStringLiteral("<>"), QStringLiteral("^="),
                      QStringLiteral(">="), QStringLiteral("<="), QStringLiteral(">"), QStringLiteral("<"),
                      QStringLiteral("In"), QStringLiteral("Not In"), QStringLiteral("Is Null"),
                      QStringLiteral("Is Not Null"), QStringLiteral("Like"), QStringLiteral("Not Like"),
                      QStringLiteral("Between"), QStringLiteral("Not Between")});
    // Filling a list selects its first entry; the boxes start empty.
    Combo1->setCurrentIndex(-1);
    Combo2->setCurrentIndex(-1);
    Command5->setEnabled(false);
    Command6->setEnabled(false);
    setConnectedCommands(false);
}

void Form1::Connection_Click() {
    zemo::runTrapped(this, [this] {
        {
            Form6 dlg(this);
            dlg.exec();
        }
        setConnectedCommands(zemo::isConnected());
    });
}

void Form1::UnConnection_Click() {
    if (!zemo::isConnected())
        return;
    zemo::releaseConnection();
    VSFlexGrid1->Clear();
    ClearConditions();
    List2->clear();
    m_loadedTables.clear();
    // The FROM body would otherwise outlive the grid and list it was built with.
    gFromList.clear();
    Text2->setText(QString());
    Text4->setText(QString());
    Combo1->setEditText(QString());
    Combo2->setEditText(QString());
    Command5->setEnabled(false);
    Command6->setEnabled(false);
    setConnectedCommands(false);
    VSFlexGrid1->setRows(2);
    VSFlexGrid1->setCols(1);
}

void Form1::TypeDisp_Click() {
    // The checkable action has already inverted its mark when it is triggered.
    applyAttributeColumns();
}

void Form1::Version_Click() {
    Form5 dlg(this);
    dlg.exec();
}

void Form1::Command2_Click() {
    close();
}

void Form1::Command3_Click() {
    zemo::runTrapped(this, [this] {
        if (!zemo::isConnected())
            return;
        Form2 dlg(this);
        dlg.exec();
    });
}

// ---- column picking ----

void Form1::CopyCurrentCell(QLineEdit* target) {
    const QString text = VSFlexGrid1->currentCellText();
    if (text.isEmpty())
        return;
    if (!TypeDisp->isChecked() || gNameColumnPicked)
        target->setText(text);
}

void Form1::Command1_Click() {
    CopyCurrentCell(Text2);
}
void Form1::Command8_Click() {
    CopyCurrentCell(Text4);
}

void Form1::VSFlexGrid1_MouseRelease(Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
    const int c = VSFlexGrid1->MouseCol();
    gNameColumnPicked = !TypeDisp->isChecked() || c % 2 == 0;
}

void Form1::VSFlexGrid1_BeforePress(Qt::MouseButton, Qt::KeyboardModifiers, int, int, bool& cancel) {
    const int c = VSFlexGrid1->MouseCol();
    if (!TypeDisp->isChecked()) {
        gNameColumnPicked = true;
        return;
    }
    // -1 (over no column) counts as odd.
    const bool nameColumn = c % 2 == 0;
    gNameColumnPicked = nameColumn;
    cancel = !nameColumn;
}

void Form1::Text2_OLEDragDrop(const QMimeData* data) {
    if (data && data->hasText())
        Text2->setText(data->text());
}

void Form1::Text4_OLEDragDrop(const QMimeData* data) {
    if (data && data->hasText())
        Text4->setText(data->text());
}

// ---- condition editor ----

void Form1::RefreshConditionList() {
    List1->clear();
    List1->addItems(zemo::storedConditionLines());
}

// Empties the stored conditions and the condition list together.
void Form1::ClearConditions() {
    zemo::clearConditionStore();
    List1->clear();
}

namespace {
zemo::Condition editorFields(const QComboBox* connector, const QLineEdit* left, const QComboBox* op,
                             const QLineEdit* right) {
    return {connector->currentText(), left->text(), op->currentText(), right->text()};
}
} // namespace

void Form1::Command4_Click() {
    if (!zemo::addCondition(editorFields(Combo1, Text2, Combo2, Text4)))
        return;
    ShowAddedConditions();
}

// After conditions were added to the store: the list shows them, 変更 and 削除 are enabled.
void Form1::ShowAddedConditions() {
    RefreshConditionList();
    if (List1->count() >= 1) {
        Command5->setEnabled(true);
        Command6->setEnabled(true);
    }
}

void Form1::Command5_Click() {
    const int row = List1->currentRow();
    if (row < 0 || !List1->item(row)->isSelected())
        return;
    if (!zemo::changeCondition(row, editorFields(Combo1, Text2, Combo2, Text4)))
        return;
    RefreshConditionList();
}

void Form1::Command6_Click() {
    const int row = List1->currentRow();
    if (row < 0 || !List1->item(row)->isSelected())
        return;
    const int before = List1->count();
    zemo::deleteCondition(row);
    RefreshConditionList();
    if (before < 2) {
        Command5->setEnabled(false);
        Command6->setEnabled(false);
    }
}

void Form1::List1_Click() {
    const QList<QListWidgetItem*> selected = List1->selectedItems();
    if (selected.isEmpty())
        return;
    const int row = List1->row(selected.first());
    if (row < 0 || row >= gCondCount)
        return;
    const zemo::Condition c = zemo::storedCondition(row);
    Combo1->setEditText(c.connector);
    Text2->setText(c.left);
    Combo2->setEditText(c.op);
    Text4->setText(c.right);
}

// ---- statement assembly ----

void Form1::Command7_Click() {
    zemo::runTrapped(this, [this] {
        if (!zemo::isConnected())
            return;
        QStringList selected;
        for (int i = 0; i < List2->count(); ++i)
            if (List2->item(i)->isSelected())
                selected << List2->item(i)->text();
        QStringList conditions;
        for (int i = 0; i < List1->count(); ++i)
            conditions << List1->item(i)->text();
        gSqlText = zemo::assembleSelect(selected, gFromList, conditions);
        if (!AskPlaceholderValues())
            return;
        Form4 dlg(this);
        dlg.exec();
    });
}
