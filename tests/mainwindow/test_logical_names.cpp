// Logical names and join conditions through the real windows on the demo file: the table dialog,
// 表示 → 論理名表示 over the column grid, the display items and the result headings, and
// 結合条件の追加 from the menu and from the condition list's right-click menu.
#include "base/ZemoError.h"
#include "session/Module1.h"
#include "support/Connect.h"
#include "support/CsvReader.h"
#include "support/Files.h"
#include "support/MainWindowDriver.h"
#include "support/WindowTests.h"
#include "support/XlsxReader.h"
#include "ui/DbWait.h"
#include "ui/FormSupport.h"
#include "ui/LogicalNameList.h"
#include "ui/MessagePresenter.h"

#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <atomic>

using namespace zemo::test;
using zemo::OracleDatabase;

namespace {

// The demo file with its dictionary reads passed through, except the key read, which can be made to
// wait (until the connection is cancelled when `letGo`, else for the whole wait) or to fail.
class KeyReadDatabase : public OracleDatabase {
public:
    explicit KeyReadDatabase(std::shared_ptr<OracleDatabase> real) : m_real(std::move(real)) {}
    std::atomic<int> waitMs{0};
    std::atomic<bool> letGo{true};
    std::atomic<bool> fail{false};
    std::atomic<bool> cancelled{false};
    std::atomic<bool> finished{false};
    // Without comments: what a database that keeps none gives.
    std::atomic<bool> noComments{false};
    // Column comments refused, as by a dictionary view the user may not read.
    std::atomic<bool> commentsRefused{false};

    std::unique_ptr<zemo::OracleResultSet> createResultSet(const QString& sql) override {
        return m_real->CreateDynaset(sql);
    }
    QString backendName() const override { return m_real->backendName(); }
    zemo::SqlDialect dialect() const override { return m_real->dialect(); }
    zemo::CommentMap tableComments() override {
        return noComments ? zemo::CommentMap() : m_real->tableComments();
    }
    zemo::CommentMap columnComments(const QString& table) override {
        if (commentsRefused)
            throw zemo::ZemoError(-1031, QStringLiteral("ORA-01031: insufficient privileges"));
        return noComments ? zemo::CommentMap() : m_real->columnComments(table);
    }
    QList<zemo::ForeignKey> foreignKeys(const QStringList& tables) override {
        finished = false;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < waitMs && !(letGo && cancelled))
            QThread::msleep(10);
        finished = true;
        if (cancelled && letGo)
            throw zemo::ZemoError(-1013, QStringLiteral("canceling statement due to user request"));
        if (fail)
            throw zemo::ZemoError(-2289, QStringLiteral("ORA-02289: keys unreadable"));
        return m_real->foreignKeys(tables);
    }
    void cancel() override { cancelled = true; }

private:
    std::shared_ptr<OracleDatabase> m_real;
};

// Each entry's tip.
QStringList tips(const QListWidget* l) {
    QStringList out;
    for (int i = 0; i < l->count(); ++i)
        out << l->item(i)->toolTip();
    return out;
}

// The row of the column grid's column `col` that holds `text`, or -1.
int rowOf(const zemo::GridWidget* g, int col, const QString& text) {
    for (int r = 0; r < g->Rows(); ++r)
        if (g->TextMatrix(r, col) == text)
            return r;
    return -1;
}

// What the grid's view shows for a cell (row 0 is the heading), in `role`.
QString viewed(const zemo::GridWidget* g, int row, int col, int role = Qt::DisplayRole) {
    const zemo::GridModel* m = g->gridModel();
    if (row < m->headerRows())
        return m->headerData(col - m->headerCols(), Qt::Horizontal, role).toString();
    return m->data(m->index(row - m->headerRows(), col - m->headerCols()), role).toString();
}

} // namespace

class TestLogicalNames : public QObject {
    Q_OBJECT

    QStringList m_boxes;
    QTemporaryDir m_dir;
    std::unique_ptr<Form1> m_form;
    std::unique_ptr<MainWindowDriver> m_ui;
    std::shared_ptr<KeyReadDatabase> m_db;

    void connectDemo() {
        m_db = std::make_shared<KeyReadDatabase>(
            zemo::OracleSession().OpenDatabase(QStringLiteral(ZEMO_DEMO_DB), QStringLiteral("demo/demo")));
        gServiceName = QStringLiteral(ZEMO_DEMO_DB);
        gUserName = QStringLiteral("demo");
        gPassword = QStringLiteral("demo");
        gOraDatabase = onItsThread(m_db);
        for (int n : {3, 4, 7})
            m_ui->button(n)->setEnabled(true);
    }
    QAction* logicalDisp() { return m_ui->menu("LogicalDisp"); }
    QStringList conditionLines() { return texts(m_ui->list(1)); }
    // 結合条件の追加 through the condition list's right-click menu.
    void joinFromConditionList() {
        QListWidget* list = m_ui->list(1);
        const QPoint at = list->viewport()->rect().center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list->viewport(), &event);
        auto* menu = m_form->findChild<QMenu*>(QStringLiteral("ConditionListMenu"));
        QVERIFY(menu);
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(menu->actions().size(), 1);
        QAction* join = menu->actions().first();
        QCOMPARE(join->text(), QStringLiteral("結合条件の追加"));
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(join).center());
    }
    // 抽出 with nothing selected counts the joined rows.
    QString countedRows() {
        QString count;
        m_ui->extract([&](Form4* f) {
            count = child<zemo::GridWidget>(f, QStringLiteral("VSFlexGrid1"))->TextMatrix(1, 1);
        });
        return count;
    }

    struct Extracted {
        QString sql;
        QStringList items, itemTips, headings, headingTips, fields;
        QByteArray csv;
        QList<QStringList> xlsx;
        QString copied;
    };
    // 抽出: what the result window shows, and what it copies and saves.
    Extracted extractAll(const QString& tag) {
        Extracted out;
        const QString csv = m_dir.filePath(tag + QStringLiteral(".csv"));
        const QString xlsx = m_dir.filePath(tag + QStringLiteral(".xlsx"));
        m_ui->extract([&](Form4* f) {
            out.sql = gSqlText;
            auto* items = child<QListWidget>(f, QStringLiteral("List2"));
            out.items = shownTexts(items);
            out.itemTips = tips(items);
            auto* g = child<zemo::GridWidget>(f, QStringLiteral("VSFlexGrid1"));
            for (int c = 1; c < g->Cols(); ++c) {
                out.headings << viewed(g, 0, c);
                out.headingTips << viewed(g, 0, c, Qt::ToolTipRole);
                out.fields << g->TextMatrix(0, c);
            }
            g->selectAll();
            out.copied = g->selectionText(true).section(QLatin1Char('\n'), 0, 0);
            for (const QString& path : {csv, xlsx}) {
                Form4::setSaveFileChooser([path](QWidget*) { return path; });
                click(f, "Command3");
            }
            Form4::setSaveFileChooser({});
        });
        out.csv = readFile(csv);
        out.xlsx = xlsxTexts(readXlsx(xlsx));
        return out;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        zemo::test::startWindowTests(m_boxes);
        zemo::DbWait::setProgressDelay(100);
    }
    void init() {
        m_boxes.clear();
        QVERIFY(openMainWindow(m_form, m_ui));
    }
    void cleanup() {
        closeMainWindow(m_form, m_ui);
        m_db.reset();
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    // The menu items: 論理名表示 beside 属性表示, unchecked; 結合条件の追加 in a menu of its own.
    void menuItems() {
        auto* disp = child<QMenu>(m_form.get(), QStringLiteral("Disp"));
        QCOMPARE(disp->actions().size(), 2);
        QCOMPARE(disp->actions().at(1), logicalDisp());
        QCOMPARE(logicalDisp()->text(), QStringLiteral("論理名表示"));
        QVERIFY(logicalDisp()->isCheckable());
        QVERIFY(!logicalDisp()->isChecked());
        QVERIFY(logicalDisp()->isEnabled());
        auto* cond = child<QMenu>(m_form.get(), QStringLiteral("Cond"));
        QCOMPARE(cond->title(), QStringLiteral("条件"));
        QCOMPARE(cond->actions(), QList<QAction*>({m_ui->menu("JoinAdd")}));
        QCOMPARE(m_ui->menu("JoinAdd")->text(), QStringLiteral("結合条件の追加"));
        QStringList titles;
        for (QAction* a : m_form->menuBar()->actions())
            titles << a->text();
        QCOMPARE(titles, QStringList({"ファイル", "接続", "表示", "条件", "その他"}));
    }

    // Each table with its logical name beside it; what is saved and assembled is the name alone. The
    // saved catalogue keeps the logical names for the next opening.
    void tableDialogShowsLogicalNames() {
        connectDemo();
        QStringList entries, shown, entryTips;
        whenModal<Form2>([&](Form2* dlg) {
            auto* list = child<QListWidget>(dlg, QStringLiteral("List1"));
            entries = texts(list);
            shown = shownTexts(list);
            entryTips = tips(list);
            select(list, QStringLiteral("CUSTOMERS"));
            select(list, QStringLiteral("ORDERS"));
            click(dlg, "Command1");
        });
        m_ui->button(3)->click();
        QCOMPARE(entries.mid(0, 6),
                 QStringList({"DEPARTMENTS", "EMPLOYEES", "CUSTOMERS", "PRODUCTS", "ORDERS", "ORDER_LINES"}));
        QCOMPARE(shown.mid(0, 6),
                 QStringList({"DEPARTMENTS（部署）", "EMPLOYEES（社員）", "CUSTOMERS（顧客）",
                              "PRODUCTS（商品）", "ORDERS（受注）", "ORDER_LINES（受注明細）"}));
        QCOMPARE(entryTips.at(2), QStringLiteral("顧客"));
        QCOMPARE(gTableCount, int(entries.size()));
        QCOMPARE(gTableList.at(2).name, QStringLiteral("CUSTOMERS"));
        QCOMPARE(gTableList.at(2).selected, QStringLiteral("1"));
        QCOMPARE(gFromList, QStringLiteral("CUSTOMERS T1,\r\nORDERS T2"));
        QCOMPARE(m_ui->grid()->TextMatrix(0, 0), QStringLiteral("CUSTOMERS"));
        QVERIFY(m_boxes.isEmpty());

        // Comments gone from the database: the saved list still shows the names read the first time.
        m_db->noComments = true;
        QStringList again;
        whenModal<Form2>(
            [&](Form2* dlg) { again = shownTexts(child<QListWidget>(dlg, QStringLiteral("List1"))); });
        m_ui->button(3)->click();
        QCOMPARE(again, shown);
    }

    // Column comments that cannot be read: each table's columns are still loaded, without logical
    // names, and the failure is told once per table.
    void refusedColumnComments() {
        connectDemo();
        m_db->commentsRefused = true;
        m_ui->markTables({QStringLiteral("CUSTOMERS"), QStringLiteral("ORDERS")});
        const QString refused = QStringLiteral(
            "エラーメッセージ|エラー番号：-1031\rメッセージ：ORA-01031: insufficient privileges");
        QCOMPARE(m_boxes, QStringList({refused, refused}));
        QCOMPARE(gFromList, QStringLiteral("CUSTOMERS T1,\r\nORDERS T2"));
        QCOMPARE(texts(m_ui->list(2)).size(), 13);
        logicalDisp()->trigger();
        QCOMPARE(shownTexts(m_ui->list(2)), texts(m_ui->list(2)));
        QCOMPARE(viewed(m_ui->grid(), 0, 0), QStringLiteral("CUSTOMERS（顧客）"));
    }

    // 論理名表示 shows the logical names in the grid, the display items and the result headings (with
    // tips); the picks, the statement, the copies and both files stay the same as without it.
    void logicalNamesAreShownNeverAssembled() {
        connectDemo();
        m_ui->markTables({QStringLiteral("CUSTOMERS"), QStringLiteral("ORDERS")});
        zemo::GridWidget* g = m_ui->grid();
        const int nameRow = rowOf(g, 0, QStringLiteral("T1.CUST_NAME"));
        QVERIFY(nameRow >= 2);
        QCOMPARE(viewed(g, nameRow, 0), QStringLiteral("T1.CUST_NAME"));
        QVERIFY(viewed(g, nameRow, 0, Qt::ToolTipRole) != QStringLiteral("顧客名"));
        QCOMPARE(viewed(g, 0, 0), QStringLiteral("CUSTOMERS"));
        QCOMPARE(shownTexts(m_ui->list(2)), texts(m_ui->list(2)));
        QVERIFY(tips(m_ui->list(2)).join(QString()).isEmpty());
        const int widthBefore = g->columnWidth(0);

        m_ui->pickDisplayItems(
            {QStringLiteral("T1.CUST_NAME"), QStringLiteral("T2.ORDER_NO"), QStringLiteral("T2.ORDER_DATE")});
        m_ui->addCondition(QStringLiteral("Where"), QStringLiteral("T1.CUST_ID"), QStringLiteral("="),
                           QStringLiteral("T2.CUST_ID"));
        const Extracted plain = extractAll(QStringLiteral("plain"));
        QCOMPARE(plain.headings, QStringList({"CUST_NAME", "ORDER_NO", "ORDER_DATE"}));
        QCOMPARE(plain.items, texts(m_ui->list(2)));

        logicalDisp()->trigger();
        QVERIFY(logicalDisp()->isChecked());
        QCOMPARE(viewed(g, nameRow, 0), QStringLiteral("T1.CUST_NAME（顧客名）"));
        QCOMPARE(viewed(g, nameRow, 0, Qt::ToolTipRole), QStringLiteral("顧客名"));
        QCOMPARE(viewed(g, 0, 0), QStringLiteral("CUSTOMERS（顧客）"));
        QCOMPARE(viewed(g, 0, 0, Qt::ToolTipRole), QStringLiteral("顧客"));
        QCOMPARE(viewed(g, 0, 2), QStringLiteral("ORDERS（受注）"));
        QCOMPARE(viewed(g, 1, 0), QStringLiteral("T1")); // the alias has no logical name
        QVERIFY(g->columnWidth(0) > widthBefore);        // fitted to what it shows now
        // The alias row above the body keeps the body's column widths.
        auto* strip = g->findChild<QTableView*>(QStringLiteral("frozenRows"));
        QVERIFY(strip);
        QTRY_COMPARE(strip->columnWidth(2), g->columnWidth(2));
        QCOMPARE(strip->columnWidth(0), g->columnWidth(0));
        const QStringList items = shownTexts(m_ui->list(2));
        QCOMPARE(items.at(texts(m_ui->list(2)).indexOf(QStringLiteral("T1.CUST_NAME"))),
                 QStringLiteral("T1.CUST_NAME（顧客名）"));
        QCOMPARE(tips(m_ui->list(2)).at(texts(m_ui->list(2)).indexOf(QStringLiteral("T2.EMP_ID"))),
                 QStringLiteral("担当社員ID"));

        // Picked, dragged and copied as the name alone.
        g->setCurrentCell(nameRow, 0);
        m_ui->button(1)->click();
        QCOMPARE(child<QLineEdit>(m_form.get(), QStringLiteral("Text2"))->text(),
                 QStringLiteral("T1.CUST_NAME"));
        std::unique_ptr<QMimeData> dragged(
            g->gridModel()->mimeData({g->model()->index(nameRow - g->gridModel()->headerRows(), 0)}));
        QCOMPARE(dragged->text(), QStringLiteral("T1.CUST_NAME"));

        const Extracted named = extractAll(QStringLiteral("named"));
        QCOMPARE(named.sql, plain.sql);
        QVERIFY(!named.sql.contains(QStringLiteral("顧客")));
        QCOMPARE(named.headings,
                 QStringList({"CUST_NAME（顧客名）", "ORDER_NO（受注番号）", "ORDER_DATE（受注日）"}));
        QCOMPARE(named.headingTips, QStringList({"顧客名", "受注番号", "受注日"}));
        QCOMPARE(named.fields, plain.fields);
        QCOMPARE(named.items.at(0), QStringLiteral("T1.CUST_ID（顧客ID）"));
        QCOMPARE(named.itemTips.at(0), QStringLiteral("顧客ID"));
        QCOMPARE(named.copied, plain.copied);
        QVERIFY(!named.copied.isEmpty());
        QCOMPARE(named.csv, plain.csv);
        QList<QStringList> csv;
        QVERIFY(readCsv(named.csv, csv));
        QCOMPARE(csv.value(0).mid(1), QStringList({"CUST_NAME", "ORDER_NO", "ORDER_DATE"}));
        QCOMPARE(named.xlsx, plain.xlsx);
        QCOMPARE(named.xlsx.value(0).mid(1), QStringList({"CUST_NAME", "ORDER_NO", "ORDER_DATE"}));
        QVERIFY(m_boxes.isEmpty());

        // Unchecked again: as before.
        logicalDisp()->trigger();
        QCOMPARE(viewed(g, nameRow, 0), QStringLiteral("T1.CUST_NAME"));
        QCOMPARE(viewed(g, 0, 0, Qt::ToolTipRole), QString());
        QCOMPARE(shownTexts(m_ui->list(2)), texts(m_ui->list(2)));
        QVERIFY(tips(m_ui->list(2)).join(QString()).isEmpty());
        QCOMPARE(extractAll(QStringLiteral("again")).headings, plain.headings);
    }

    // A statement typed in the result window: a field takes the logical name its column has among the
    // display items when they agree on one, and none when they do not know it.
    void typedStatementHeadings() {
        connectDemo();
        m_ui->markTables({QStringLiteral("CUSTOMERS"), QStringLiteral("ORDERS")});
        logicalDisp()->trigger();
        QStringList headings;
        m_ui->extract([&](Form4* f) {
            child<QPlainTextEdit>(f, QStringLiteral("Text1"))
                ->setPlainText(QStringLiteral("select o.CUST_ID, c.PREFECTURE, 1 AS ONE from CUSTOMERS c "
                                              "join ORDERS o on o.CUST_ID = c.CUST_ID"));
            runStatement(f);
            auto* g = child<zemo::GridWidget>(f, QStringLiteral("VSFlexGrid1"));
            for (int c = 1; c < g->Cols(); ++c)
                headings << viewed(g, 0, c);
        });
        QCOMPARE(headings, QStringList({"CUST_ID（顧客ID）", "PREFECTURE（都道府県）", "ONE"}));
        QVERIFY(m_boxes.isEmpty());
    }

    // The five tables of an order: one line per key between them, in alias order, "Where" first; a
    // second use adds nothing; the joined statement gives one row per order line.
    void joinLinesFromTheMenu() {
        connectDemo();
        m_ui->markTables({QStringLiteral("ORDERS"), QStringLiteral("CUSTOMERS"), QStringLiteral("EMPLOYEES"),
                          QStringLiteral("ORDER_LINES"), QStringLiteral("PRODUCTS")});
        // Aliases follow the dialog's order, not the order of the clicks.
        QCOMPARE(gFromList, QStringLiteral("EMPLOYEES T1,\r\nCUSTOMERS T2,\r\nPRODUCTS T3,\r\nORDERS T4,\r\n"
                                           "ORDER_LINES T5"));
        QVERIFY(!m_ui->button(5)->isEnabled());
        m_ui->menu("JoinAdd")->trigger();
        const QStringList expected{"Where T1.EMP_ID = T4.EMP_ID ", "And T2.CUST_ID = T4.CUST_ID ",
                                   "And T3.PRODUCT_ID = T5.PRODUCT_ID ", "And T4.ORDER_NO = T5.ORDER_NO "};
        QCOMPARE(conditionLines(), expected);
        QCOMPARE(gCondCount, 4);
        QVERIFY(m_ui->button(5)->isEnabled());
        QVERIFY(m_ui->button(6)->isEnabled());
        m_ui->menu("JoinAdd")->trigger();
        QCOMPARE(conditionLines(), expected);

        QCOMPARE(countedRows(), QStringLiteral("10000"));
        QVERIFY(m_boxes.isEmpty());
    }

    // A key of two columns, through the right-click menu; a line the user typed already, sides swapped,
    // is not added again, and the new line follows with "And".
    void twoColumnKeyFromTheConditionList() {
        connectDemo();
        m_ui->markTables({QStringLiteral("ORDER_LINES"), QStringLiteral("ORDER_RETURNS")});
        m_ui->addCondition(QStringLiteral("Where"), QStringLiteral("t2.line_no"), QStringLiteral("="),
                           QStringLiteral("T1.LINE_NO"));
        joinFromConditionList();
        QCOMPARE(conditionLines(),
                 QStringList({"Where t2.line_no = T1.LINE_NO ", "And T1.ORDER_NO = T2.ORDER_NO "}));
        QCOMPARE(countedRows(), QStringLiteral("40"));

        // A deleted line comes back behind the others, which stay as they are.
        m_ui->list(1)->setCurrentRow(0);
        m_ui->button(6)->click();
        joinFromConditionList();
        QCOMPARE(conditionLines(),
                 QStringList({"And T1.ORDER_NO = T2.ORDER_NO ", "And T1.LINE_NO = T2.LINE_NO "}));
        QVERIFY(m_boxes.isEmpty());
    }

    // Nothing to join: not connected, one table (a key to itself needs the table marked twice), or
    // tables without a key between them. Nothing is added and nothing is said.
    void nothingToJoin() {
        m_ui->menu("JoinAdd")->trigger();
        joinFromConditionList();
        QVERIFY(conditionLines().isEmpty());

        connectDemo();
        m_ui->menu("JoinAdd")->trigger();
        QVERIFY(conditionLines().isEmpty());
        m_ui->markTables({QStringLiteral("EMPLOYEES")});
        m_ui->menu("JoinAdd")->trigger();
        QVERIFY(conditionLines().isEmpty());
        // A click unmarks EMPLOYEES, marked by the last ＯＫ.
        m_ui->markTables(
            {QStringLiteral("EMPLOYEES"), QStringLiteral("CUSTOMERS"), QStringLiteral("PRODUCTS")});
        QCOMPARE(gFromList, QStringLiteral("CUSTOMERS T1,\r\nPRODUCTS T2"));
        m_ui->menu("JoinAdd")->trigger();
        QVERIFY(conditionLines().isEmpty());
        QVERIFY(!m_ui->button(5)->isEnabled());
        QVERIFY(!m_ui->button(6)->isEnabled());
        QVERIFY(m_boxes.isEmpty());
    }

    // 中止 while the keys are read adds nothing and says nothing, whether the server lets go at once or
    // only after the wait was given up; the next use works. A failed read is told with its number.
    void stoppedAndFailedKeyReads() {
        connectDemo();
        m_ui->markTables({QStringLiteral("ORDER_LINES"), QStringLiteral("ORDER_RETURNS")});
        for (const bool letGo : {true, false}) {
            m_db->waitMs = 2500;
            m_db->letGo = letGo;
            m_db->cancelled = false;
            bool stopped = false;
            whenModal<QProgressDialog>([&](QProgressDialog* d) {
                d->findChild<QPushButton*>()->click();
                stopped = true;
            });
            m_ui->menu("JoinAdd")->trigger();
            QVERIFY(stopped);
            QVERIFY(m_db->cancelled);
            QVERIFY(conditionLines().isEmpty());
            QVERIFY(!m_ui->button(5)->isEnabled());
            QVERIFY(m_boxes.isEmpty());
            QTRY_VERIFY_WITH_TIMEOUT(m_db->finished, 5000);
        }
        m_db->waitMs = 0;
        m_db->cancelled = false;
        m_db->fail = true;
        m_ui->menu("JoinAdd")->trigger();
        QCOMPARE(m_boxes,
                 QStringList({"エラーメッセージ|エラー番号：-2289\rメッセージ：ORA-02289: keys unreadable"}));
        QVERIFY(conditionLines().isEmpty());
        m_db->fail = false;
        m_ui->menu("JoinAdd")->trigger();
        QCOMPARE(conditionLines(),
                 QStringList({"Where T1.ORDER_NO = T2.ORDER_NO ", "And T1.LINE_NO = T2.LINE_NO "}));
    }
};

QTEST_MAIN(TestLogicalNames)
#include "test_logical_names.moc"
