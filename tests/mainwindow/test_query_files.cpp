// Saved queries through the real windows on the demo file: ファイル → 名前を付けて保存 and 開く, the
// window brought back by a fresh main window that connects through the saved profile, and the one
// dialog that asks the placeholders' values at 抽出.
#include "base/ZemoError.h"
#include "mainwindow/ParameterDialog.h"
#include "mainwindow/SavedQuery.h"
#include "profiles/ProfileStore.h"
#include "session/Module1.h"
#include "support/Files.h"
#include "support/MainWindowDriver.h"
#include "support/WindowTests.h"
#include "ui/DbWait.h"

#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QtTest>
#include <sqlite3.h>

using namespace zemo::test;

namespace {

const QString kProfile = QStringLiteral("デモ");

// One way to build a query through the windows, after 接続 with the demo profile.
using Build = std::function<void(MainWindowDriver&)>;

void conditions(MainWindowDriver& ui, const QList<QStringList>& lines) {
    for (const QStringList& l : lines)
        ui.addCondition(l[0], l[1], l[2], l[3]);
}

// The demo's count of rows for a statement, from SQLite itself.
int demoCount(const QString& sql) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(ZEMO_DEMO_DB, &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr);
    const int n = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int(st, 0) : -1;
    sqlite3_finalize(st);
    sqlite3_close(db);
    return n;
}

} // namespace

Q_DECLARE_METATYPE(Build)

class TestQueryFiles : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QStringList m_boxes;
    std::unique_ptr<Form1> m_form;
    std::unique_ptr<MainWindowDriver> m_ui;
    QString m_chosen; // what the file dialog answers

    // 抽出 with every placeholder answered from `values`; the statement it assembled and the result
    // window's statement box and row count.
    QString extract(const QStringList& values = {}, QString* box = nullptr, QString* count = nullptr) {
        if (!values.isEmpty())
            whenModal<ParameterDialog>([&](ParameterDialog* d) {
                for (qsizetype i = 0; i < values.size(); ++i)
                    child<QLineEdit>(d, QStringLiteral("Text%1").arg(i + 1))->setText(values[i]);
                click(d, "Command1");
            });
        m_ui->extract([&](Form4* f) {
            QTRY_VERIFY(!zemo::CallWait::waiting());
            if (box)
                *box = child<QPlainTextEdit>(f, QStringLiteral("Text1"))->toPlainText();
            if (count)
                *count = child<QLabel>(f, QStringLiteral("Label3"))->text();
            click(f, "Command2");
        });
        return gSqlText;
    }
    // The window as 抽出 reads it and as the user sees it.
    QStringList windowState() {
        QStringList state = texts(m_ui->list(1));
        for (const QListWidgetItem* item : m_ui->list(2)->selectedItems())
            state << QStringLiteral("item ") + item->text();
        state << QStringLiteral("attributes %1").arg(m_ui->menu("TypeDisp")->isChecked())
              << QStringLiteral("logical %1").arg(m_ui->menu("LogicalDisp")->isChecked())
              << QStringLiteral("change %1").arg(m_ui->button(5)->isEnabled())
              << QStringLiteral("grid %1x%2").arg(m_ui->grid()->Rows()).arg(m_ui->grid()->Cols());
        for (int c = 0; c < m_ui->grid()->Cols(); ++c)
            state << QStringLiteral("column %1 %2").arg(c).arg(m_ui->grid()->colHidden(c));
        return state;
    }
    void freshMainWindow() {
        closeMainWindow(m_form, m_ui);
        QVERIFY(openMainWindow(m_form, m_ui));
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        startWindowTests(m_boxes, m_dir.path());
        zemo::WriteProfile(QStringLiteral(ZEMO_DEMO_DB), QStringLiteral("demo"), QStringLiteral("demo"),
                           kProfile, zemo::profileFilePath());
        Form1::setQueryFileChooser([this](QWidget*, bool) { return m_chosen; });
        zemo::DbWait::setProgressDelay(100);
    }
    void init() {
        m_boxes.clear();
        QVERIFY(openMainWindow(m_form, m_ui));
    }
    void cleanup() {
        closeAllModals();
        closeMainWindow(m_form, m_ui);
    }

    void menu() {
        QCOMPARE(child<QMenu>(m_form.get(), QStringLiteral("QueryFile"))->title(),
                 QStringLiteral("ファイル"));
        QCOMPARE(m_ui->menu("QueryOpen")->text(), QStringLiteral("開く..."));
        QCOMPARE(m_ui->menu("QueryOpen")->shortcut(), QKeySequence(QKeySequence::Open));
        QCOMPARE(m_ui->menu("QuerySave")->text(), QStringLiteral("上書き保存"));
        QCOMPARE(m_ui->menu("QuerySave")->shortcut(), QKeySequence(QKeySequence::Save));
        QCOMPARE(m_ui->menu("QuerySaveAs")->text(), QStringLiteral("名前を付けて保存..."));
    }

    // Each shape saved, then opened by a new main window that is not connected: the window as it
    // was, and 抽出 assembles the same statement byte for byte.
    void reopenedQueryAssemblesTheSameStatement_data() {
        QTest::addColumn<Build>("build");
        QTest::addColumn<QStringList>("values");
        QTest::newRow("join") << Build([](MainWindowDriver& ui) {
            ui.markTables({QStringLiteral("CUSTOMERS"), QStringLiteral("ORDERS")});
            ui.pickDisplayItems({QStringLiteral("T1.CUST_NAME"), QStringLiteral("T2.ORDER_NO")});
            ui.menu("JoinAdd")->trigger();
            conditions(ui, {{"And", "T2.STATUS", "=", "'出荷済'"}});
        }) << QStringList();
        QTest::newRow("count(*)") << Build([](MainWindowDriver& ui) {
            ui.markTables({QStringLiteral("ORDERS")});
            conditions(ui, {{"Where", "T1.CUST_ID", "<", "100"}});
        }) << QStringList();
        QTest::newRow("every connector and operator") << Build([](MainWindowDriver& ui) {
            ui.markTables({QStringLiteral("ORDERS")});
            ui.pickDisplayItems({QStringLiteral("T1.ORDER_NO"), QStringLiteral("T1.STATUS")});
            conditions(ui, {{"Where", "T1.ORDER_NO", "=", "1"},
                            {"Or", "T1.ORDER_NO", "!=", "2"},
                            {"And", "T1.ORDER_NO", "<>", "3"},
                            {"Not", "T1.ORDER_NO", "^=", "4"},
                            {"Or", "T1.ORDER_NO", ">=", "5"},
                            {"Or", "T1.ORDER_NO", "<=", "6"},
                            {"Or", "T1.ORDER_NO", ">", "7"},
                            {"Or", "T1.ORDER_NO", "<", "8"},
                            {"Or", "T1.ORDER_NO", "In", "(1,2)"},
                            {"Or", "T1.ORDER_NO", "Not In", "(3)"},
                            {"Or", "T1.NOTE", "Is Null", ""},
                            {"Or", "T1.NOTE", "Is Not Null", ""},
                            {"Or", "T1.STATUS", "Like", "'出%'"},
                            {"Or", "T1.STATUS", "Not Like", "'取%'"},
                            {"Or", "T1.ORDER_NO", "Between", "1 And 9"},
                            {"Or", "T1.ORDER_NO", "Not Between", "2 And 3"}});
            ui.menu("TypeDisp")->trigger();
        }) << QStringList();
        QTest::newRow("Japanese and quotes") << Build([](MainWindowDriver& ui) {
            ui.markTables({QStringLiteral("部署別売上"), QStringLiteral("CUSTOMERS")});
            ui.pickDisplayItems({QStringLiteral("T2.部署名"), QStringLiteral("T2.売上金額")});
            conditions(ui, {{"Where", "T2.部署名", "<>", "'O''Reilly \"営業\" ; --'"},
                            {"and", " T1.CUST_NAME ", "like", "'%株式会社%'"}});
            ui.menu("LogicalDisp")->trigger();
        }) << QStringList();
        QTest::newRow("placeholders") << Build([](MainWindowDriver& ui) {
            ui.markTables({QStringLiteral("ORDERS")});
            ui.pickDisplayItems({QStringLiteral("T1.ORDER_NO")});
            conditions(ui, {{"Where", "T1.ORDER_DATE", ">=", ":開始日"}, {"And", "T1.STATUS", "=", ":状態"}});
        }) << QStringList{QStringLiteral("2024-11-01"), QStringLiteral("出荷済")};
    }
    void reopenedQueryAssemblesTheSameStatement() {
        QFETCH(Build, build);
        QFETCH(QStringList, values);
        QVERIFY(!m_ui->connectWith(kProfile));
        build(*m_ui);
        const QString before = extract(values);
        QVERIFY(!before.isEmpty());
        const QStringList state = windowState();
        m_chosen = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".zemoq"));
        m_ui->menu("QuerySaveAs")->trigger();
        QVERIFY(QFileInfo::exists(m_chosen));

        // A statement SQLite refuses ("Not" joins no two conditions) is told as it ran; not here.
        freshMainWindow();
        m_boxes.clear();
        QVERIFY(!zemo::isConnected());
        m_ui->menu("QueryOpen")->trigger();
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join(QLatin1Char('\n'))));
        QVERIFY(zemo::isConnected());
        QCOMPARE(gProfileName, kProfile);
        QVERIFY(m_ui->button(7)->isEnabled());
        QCOMPARE(windowState(), state);
        // The values come back too: the dialog starts with them.
        QStringList shown;
        if (!values.isEmpty())
            whenModal<ParameterDialog>([&](ParameterDialog* d) {
                for (qsizetype i = 0; i < values.size(); ++i)
                    shown << child<QLineEdit>(d, QStringLiteral("Text%1").arg(i + 1))->text();
                click(d, "Command1");
            });
        m_ui->extract([&](Form4* f) {
            QTRY_VERIFY(!zemo::CallWait::waiting());
            click(f, "Command2");
        });
        QCOMPARE(gSqlText, before);
        QCOMPARE(shown, values);
        // 上書き保存 writes the same file again.
        const QByteArray saved = readFile(m_chosen);
        m_ui->menu("QuerySave")->trigger();
        QCOMPARE(readFile(m_chosen), saved);
    }

    // One dialog for every placeholder, in the order of their first use; the values go to the
    // database as parameters while the statement box shows the placeholders; the next 抽出 starts
    // with the last values, and ＣＡＮＣＥＬ runs nothing.
    void placeholderValuesAreAskedOnce() {
        QVERIFY(!m_ui->connectWith(kProfile));
        m_ui->markTables({QStringLiteral("ORDERS")});
        m_ui->pickDisplayItems({QStringLiteral("T1.ORDER_NO")});
        conditions(*m_ui, {{"Where", "T1.ORDER_DATE", ">=", ":開始日"},
                           {"And", "T1.STATUS", "=", ":状態"},
                           {"Or", "T1.ORDER_DATE", "=", ":開始日"}});
        QStringList labels;
        whenModal<ParameterDialog>([&](ParameterDialog* d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("ZEMO-DB　値の入力"));
            labels << child<QLabel>(d, QStringLiteral("Label1"))->text()
                   << child<QLabel>(d, QStringLiteral("Label2"))->text();
            QVERIFY(!child<QLabel>(d, QStringLiteral("Label3")));
            child<QLineEdit>(d, QStringLiteral("Text1"))->setText(QStringLiteral("2024-11-01"));
            child<QLineEdit>(d, QStringLiteral("Text2"))->setText(QStringLiteral("出荷済"));
            click(d, "Command1");
        });
        QString box, count;
        m_ui->extract([&](Form4* f) {
            QTRY_VERIFY(!zemo::CallWait::waiting());
            box = child<QPlainTextEdit>(f, QStringLiteral("Text1"))->toPlainText();
            count = child<QLabel>(f, QStringLiteral("Label3"))->text();
            click(f, "Command2");
        });
        QCOMPARE(labels, (QStringList{QStringLiteral(":開始日"), QStringLiteral(":状態")}));
        QVERIFY(box.contains(QStringLiteral(">= :開始日")));
        QVERIFY(!box.contains(QStringLiteral("2024-11-01")));
        const int expected =
            demoCount(QStringLiteral("select count(*) from ORDERS where ORDER_DATE >= '2024-11-01' "
                                     "and STATUS = '出荷済' or ORDER_DATE = '2024-11-01'"));
        QVERIFY(expected > 0);
        QCOMPARE(count, QStringLiteral(":%1件").arg(expected));

        bool resultShown = false;
        QStringList again;
        whenModal<ParameterDialog>([&](ParameterDialog* d) {
            again << child<QLineEdit>(d, QStringLiteral("Text1"))->text()
                  << child<QLineEdit>(d, QStringLiteral("Text2"))->text();
            click(d, "Command2");
        });
        m_ui->extract([&](Form4*) { resultShown = true; });
        QCOMPARE(again, (QStringList{QStringLiteral("2024-11-01"), QStringLiteral("出荷済")}));
        QVERIFY(!resultShown);
        closeAllModals();
    }

    // A table and columns that are gone are named in one message; the rest comes back.
    void goneTablesAndColumnsAreNamed() {
        zemo::SavedQuery q;
        q.profile = kProfile;
        q.tables = {{0, QStringLiteral("NO_SUCH_TABLE")}, {1, QStringLiteral("ORDERS")}};
        q.items = {QStringLiteral("T2.ORDER_NO"), QStringLiteral("T2.FAX")};
        q.conditions = {{QStringLiteral("Where"), QStringLiteral("T2.OLD_COLUMN"), QStringLiteral("="),
                         QStringLiteral("T1.X")}};
        m_chosen = m_dir.filePath(QStringLiteral("gone.zemoq"));
        zemo::writeSavedQuery(q, m_chosen);
        m_ui->menu("QueryOpen")->trigger();
        QCOMPARE(m_boxes,
                 QStringList{QStringLiteral("エラーメッセージ|メッセージ：保存したときのテーブル・列のうち、"
                                            "次のものはもうありません。残りを元に戻しました。\r"
                                            "NO_SUCH_TABLE（T1）、T2.FAX、T2.OLD_COLUMN")});
        QCOMPARE(m_ui->grid()->TextMatrix(0, 2), QStringLiteral("ORDERS"));
        QCOMPARE(m_ui->grid()->TextMatrix(1, 2), QStringLiteral("T2"));
        QCOMPARE(m_ui->list(2)->selectedItems().size(), 1);
        QCOMPARE(texts(m_ui->list(1)), QStringList{QStringLiteral("Where T2.OLD_COLUMN = T1.X ")});
        QCOMPARE(gFromList, QStringLiteral(",\r\nORDERS T2"));
    }

    // A profile the file does not hold: told with its number, and nothing connects.
    void missingProfileIsTold() {
        zemo::SavedQuery q;
        q.profile = QStringLiteral("どこにもない");
        q.tables = {{0, QStringLiteral("ORDERS")}};
        m_chosen = m_dir.filePath(QStringLiteral("noprofile.zemoq"));
        zemo::writeSavedQuery(q, m_chosen);
        m_ui->menu("QueryOpen")->trigger();
        QCOMPARE(m_boxes.size(), 1);
        QVERIFY(m_boxes[0].startsWith(QStringLiteral("エラーメッセージ|エラー番号：1104\r")));
        QVERIFY(m_boxes[0].contains(QStringLiteral("どこにもない")));
        QVERIFY(!zemo::isConnected());
        QVERIFY(!m_ui->button(7)->isEnabled());
        QCOMPARE(m_ui->list(2)->count(), 0);
    }
};

QTEST_MAIN(TestQueryFiles)
#include "test_query_files.moc"
