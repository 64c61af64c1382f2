// The whole program on a live PostgreSQL, through Qt's PostgreSQL driver and through psqlODBC, driven
// through the real windows offscreen: profile → 接続 → テーブル選択 → columns → display items and
// conditions → 抽出 → grid and row count → CSV, compared cell for cell with what psql returns for the
// same statement; and what the user sees when the server fails on the way.
#include "catalogue/Form2.h"
#include "grid/GridWidget.h"
#include "mainwindow/Form1.h"
#include "profiles/Form6.h"
#include "profiles/ProfileStore.h"
#include "results/Form4.h"
#include "session/Module1.h"
#include "support/CsvReader.h"
#include "support/MainWindowDriver.h"
#include "support/PgCluster.h"
#include "support/WindowTests.h"
#include "ui/DbWait.h"
#include "ui/FormSupport.h"
#include "ui/MessagePresenter.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using zemo::GridWidget;
using zemo::test::PgCluster;

using namespace zemo::test;

class TestServerWindows : public QObject {
    Q_OBJECT

    PgCluster pg;
    QTemporaryDir m_dir;
    QStringList m_boxes;
    std::unique_ptr<Form1> m_form;

    std::unique_ptr<MainWindowDriver> m_ui;

    QAction* menu(const char* name) { return m_ui->menu(name); }
    QPushButton* mainButton(int n) { return m_ui->button(n); }
    QListWidget* mainList(int n) { return m_ui->list(n); }
    GridWidget* mainGrid() { return m_ui->grid(); }

    bool connectWith(const QString& profile) { return m_ui->connectWith(profile); }
    void markTables(const QStringList& tables) { m_ui->markTables(tables); }
    void pickDisplayItems(const QStringList& items) { m_ui->pickDisplayItems(items); }
    void addCondition(const QString& connector, const QString& left, const QString& op,
                      const QString& right) {
        m_ui->addCondition(connector, left, op, right);
    }
    // The statement as the result window runs it.
    static QString runnable(QString sql) { return sql.replace(QStringLiteral("\r\n"), QStringLiteral(" ")); }

    // 抽出, then ＣＳＶ出力 into `csv`; returns the grid and the row count caption.
    QPair<QList<QStringList>, QString> extractAndExport(const QString& csv) {
        QPair<QList<QStringList>, QString> shown;
        Form4::setSaveFileChooser([csv](QWidget*) { return csv; });
        whenModal<Form4>([&](Form4* f) {
            shown = {gridCells(child<GridWidget>(f, QStringLiteral("VSFlexGrid1"))),
                     child<QLabel>(f, QStringLiteral("Label3"))->text()};
            click(f, "Command3");
        });
        click(m_form.get(), "Command7");
        Form4::setSaveFileChooser({});
        return shown;
    }
    // The CSV file compared with psql's rows for the statement: header, row numbers, then every cell.
    void compareWithPsql(const QString& csvPath, const QString& sql, int expectedRows) {
        QFile f(csvPath);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QList<QStringList> csv;
        QVERIFY(readCsv(f.readAll(), csv));
        const QList<QStringList> psql = pg.psqlRows(sql, QString());
        QCOMPARE(psql.size(), expectedRows);
        QCOMPARE(csv.size(), expectedRows + 1);
        for (int i = 0; i < psql.size(); ++i) {
            QCOMPARE(csv[i + 1].first(), QString::number(i + 1));
            QCOMPARE(csv[i + 1].mid(1), psql[i]);
        }
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(pg.ok(), "no cluster info: run through ctest (fixture pg_cluster)");
        QVERIFY(m_dir.isValid());
        zemo::test::startWindowTests(m_boxes, m_dir.path());
        zemo::DbWait::setProgressDelay(0);
        const QString ini = zemo::profileFilePath();
        for (const char* via : {"QPSQL", "QODBC"}) {
            const QString v = QLatin1String(via);
            zemo::WriteProfile(pg.serviceVia(v), pg.user(), pg.password(), v, ini);
            zemo::WriteProfile(pg.serviceVia(v), pg.value("ODD_USER"), pg.value("ODD_PASSWORD"),
                               v + QStringLiteral("-odd"), ini);
            zemo::WriteProfile(pg.serviceVia(v), pg.user(), pg.password() + QStringLiteral("x"),
                               v + QStringLiteral("-bad"), ini);
        }
    }
    void init() {
        m_boxes.clear();
        QVERIFY(openMainWindow(m_form, m_ui));
    }
    void cleanup() { closeMainWindow(m_form, m_ui); }

    void profileToCsv_data() {
        QTest::addColumn<QString>("via");
        QTest::newRow("QPSQL") << QStringLiteral("QPSQL");
        QTest::newRow("QODBC") << QStringLiteral("QODBC");
    }
    void profileToCsv() {
        QFETCH(QString, via);
        QVERIFY(!connectWith(via));
        QVERIFY(m_boxes.isEmpty());
        QVERIFY(gOraDatabase);
        QVERIFY(mainButton(3)->isEnabled() && mainButton(7)->isEnabled());

        // Two tables joined: the listed names work unquoted in the assembled statement.
        markTables({QStringLiteral("EMPLOYEES"), QStringLiteral("DEPARTMENTS")});
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join(u'\n')));
        GridWidget* grid = mainGrid();
        // Aliases in list order: DEPARTMENTS comes first.
        QCOMPARE(grid->TextMatrix(0, 0), QStringLiteral("DEPARTMENTS"));
        QCOMPARE(grid->TextMatrix(1, 2), QStringLiteral("T2"));
        QCOMPARE(grid->TextMatrix(2, 0), QStringLiteral("T1.DEPT_ID"));
        QCOMPARE(grid->TextMatrix(2, 1), QStringLiteral("NUMERIC[4]"));
        QCOMPARE(grid->TextMatrix(3, 2), QStringLiteral("T2.EMP_NAME"));
        QCOMPARE(mainList(2)->count(), 3 + 8);
        QCOMPARE(gFromList, QStringLiteral("DEPARTMENTS T1,\r\nEMPLOYEES T2"));

        pickDisplayItems({QStringLiteral("T2.EMP_ID"), QStringLiteral("T2.EMP_NAME"),
                          QStringLiteral("T2.HIRE_DATE"), QStringLiteral("T2.SALARY"),
                          QStringLiteral("T2.EMAIL"), QStringLiteral("T1.DEPT_NAME"),
                          QStringLiteral("T1.LOCATION")});
        addCondition(QStringLiteral("Where"), QStringLiteral("T2.DEPT_ID"), QStringLiteral("="),
                     QStringLiteral("T1.DEPT_ID"));
        addCondition(QStringLiteral("And"), QStringLiteral("T2.EMP_ID"), QStringLiteral("<"),
                     QStringLiteral("1025 order by T2.EMP_ID"));
        const QString csv = m_dir.filePath(via + QStringLiteral("-join.csv"));
        const auto shown = extractAndExport(csv);
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join(u'\n')));
        QCOMPARE(shown.second, QStringLiteral(":24件"));
        QCOMPARE(shown.first.size(), 25);
        QCOMPARE(shown.first[0], QStringList({"", "dept_name", "location", "emp_id", "emp_name", "hire_date",
                                              "salary", "email"}));
        compareWithPsql(csv, runnable(gSqlText), 24);

        // One table whose values must come through exactly: 38 digits, NULLs, timestamps, Japanese
        // text, a line break and quotes inside a value.
        markTables(
            {QStringLiteral("EMPLOYEES"), QStringLiteral("DEPARTMENTS"), QStringLiteral("VALUE_SAMPLES")});
        QCOMPARE(gFromList, QStringLiteral("VALUE_SAMPLES T1"));
        for (int i = 0; i < mainList(2)->count(); ++i)
            mainList(2)->item(i)->setSelected(true);
        QCOMPARE(mainList(1)->count(), 2); // the conditions stay: 削除 them
        for (int i = 0; i < 2; ++i) {
            mainList(1)->setCurrentRow(0);
            click(m_form.get(), "Command6");
        }
        QCOMPARE(mainList(1)->count(), 0);
        addCondition(QStringLiteral("Where"), QStringLiteral("T1.ID"), QStringLiteral(">"),
                     QStringLiteral("0 order by T1.ID"));
        const QString csv2 = m_dir.filePath(via + QStringLiteral("-values.csv"));
        const auto values = extractAndExport(csv2);
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join(u'\n')));
        QCOMPARE(values.second, QStringLiteral(":4件"));
        QCOMPARE(values.first[1][2], QStringLiteral("12345678901234567890123456789012345678"));
        QCOMPARE(values.first[1][4], QStringLiteral("2024-02-29 23:59:59.123"));
        QCOMPARE(values.first[4][7], QStringLiteral("㈱髙﨑"));
        compareWithPsql(csv2, runnable(gSqlText), 4);
    }

    void passwordWithSeparatorsConnectsFromTheProfile_data() { profileToCsv_data(); }
    void passwordWithSeparatorsConnectsFromTheProfile() {
        QFETCH(QString, via);
        QVERIFY(!connectWith(via + QStringLiteral("-odd")));
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join(u'\n')));
        QVERIFY(gOraDatabase);
        QCOMPARE(gPassword, pg.value("ODD_PASSWORD"));
    }

    void wrongPasswordKeepsTheProfileListOpen_data() { profileToCsv_data(); }
    void wrongPasswordKeepsTheProfileListOpen() {
        QFETCH(QString, via);
        QVERIFY(connectWith(via + QStringLiteral("-bad")));
        QCOMPARE(m_boxes.size(), 1);
        qInfo().noquote() << m_boxes.first();
        QVERIFY(m_boxes.first().startsWith(QStringLiteral("エラーメッセージ|エラー番号：")));
        QVERIFY(m_boxes.first().contains(QStringLiteral("password authentication failed")));
        QVERIFY(!gOraDatabase);
        QVERIFY(gOraSession);
        QCOMPARE(gServiceName, pg.serviceVia(via));
        QCOMPARE(gUserName, pg.user());
        QCOMPARE(gPassword, pg.password() + QStringLiteral("x"));
        QVERIFY(!mainButton(7)->isEnabled());
    }

    void serverStoppedBetweenTwoRuns_data() { profileToCsv_data(); }
    void serverStoppedBetweenTwoRuns() {
        QFETCH(QString, via);
        QVERIFY(!connectWith(via));
        markTables({QStringLiteral("DEPARTMENTS")});
        int firstRows = 0;
        bool stillUsable = false;
        QList<QStringList> afterFailure;
        QString caption;
        whenModal<Form4>([&](Form4* f) {
            auto* grid = child<GridWidget>(f, QStringLiteral("VSFlexGrid1"));
            firstRows = grid->Rows() - 1;
            QVERIFY(PgCluster::run("halt"));
            runStatement(f);
            afterFailure = gridCells(grid);
            caption = child<QLabel>(f, QStringLiteral("Label3"))->text();
            stillUsable = f->isVisible() && child<QPushButton>(f, QStringLiteral("Command1"))->isEnabled();
            QVERIFY(PgCluster::run("resume"));
        });
        click(m_form.get(), "Command7");
        QCOMPARE(firstRows, 1); // count(*) with no display item picked
        QCOMPARE(m_boxes.size(), 1);
        qInfo().noquote() << m_boxes.first();
        QVERIFY(m_boxes.first().startsWith(QStringLiteral("エラーメッセージ|エラー番号：")));
        QVERIFY(stillUsable);
        QCOMPARE(afterFailure, QList<QStringList>({{""}})); // failed at the query step: one empty cell
        QCOMPARE(caption, QStringLiteral(":1件"));          // the previous count stays

        // 切断 and 接続 again, without restarting anything.
        menu("UnConnection")->trigger();
        QVERIFY(!gOraDatabase);
        QVERIFY(!connectWith(via));
        QCOMPARE(m_boxes.size(), 1);
        markTables({}); // the saved marks: DEPARTMENTS
        pickDisplayItems({QStringLiteral("T1.DEPT_NAME")});
        const auto again = extractAndExport(m_dir.filePath(QStringLiteral("again.csv")));
        QCOMPARE(again.second, QStringLiteral(":6件"));
        QCOMPARE(m_boxes.size(), 1);
    }

    void serverStoppedDuringALongFetch_data() { profileToCsv_data(); }
    void serverStoppedDuringALongFetch() {
        QFETCH(QString, via);
        QVERIFY(!connectWith(via));
        int rowsKept = 0;
        QString caption;
        whenModal<Form4>([&](Form4* f) {
            child<QPlainTextEdit>(f, QStringLiteral("Text1"))
                ->setPlainText(QStringLiteral(
                    "select x, repeat('x', 100) as pad\r\nfrom generate_series(1, 3000000) x,\r\n"
                    "lateral (select pg_sleep(0.0002 + x * 0)) s"));
            // Rows come slowly (a pause on the server for each), so the fetch is surely running when the
            // server goes down; the window lets the timer in meanwhile.
            QTimer::singleShot(1000, [] { PgCluster::run("halt"); });
            runStatement(f);
            rowsKept = child<GridWidget>(f, QStringLiteral("VSFlexGrid1"))->Rows() - 1;
            caption = child<QLabel>(f, QStringLiteral("Label3"))->text();
            QVERIFY(PgCluster::run("resume"));
        });
        click(m_form.get(), "Command7");
        QCOMPARE(m_boxes.size(), 1);
        qInfo().noquote() << rowsKept << "rows kept;" << m_boxes.first();
        QVERIFY(m_boxes.first().startsWith(QStringLiteral("エラーメッセージ|エラー番号：")));
        QVERIFY(rowsKept > 0 && rowsKept < 3000000);
        QCOMPARE(caption, QString()); // never set: the only run failed
    }

    void statementFailingAfterSomeRowsKeepsThem() {
        QVERIFY(!connectWith(QStringLiteral("QPSQL")));
        int rowsKept = -1;
        whenModal<Form4>([&](Form4* f) {
            child<QPlainTextEdit>(f, QStringLiteral("Text1"))
                ->setPlainText(QStringLiteral("select 1/(x-6) as v from generate_series(1,100000) x"));
            runStatement(f);
            rowsKept = child<GridWidget>(f, QStringLiteral("VSFlexGrid1"))->Rows() - 1;
            child<QPlainTextEdit>(f, QStringLiteral("Text1"))
                ->setPlainText(QStringLiteral("select * from NO_SUCH"));
            runStatement(f);
        });
        click(m_form.get(), "Command7");
        QCOMPARE(rowsKept, 5);
        QCOMPARE(m_boxes.size(), 2);
        QVERIFY2(m_boxes[0].contains(QStringLiteral("エラー番号：22012")), qPrintable(m_boxes[0]));
        QVERIFY2(m_boxes[1].contains(QStringLiteral("no_such")), qPrintable(m_boxes[1]));
    }
};

QTEST_MAIN(TestServerWindows)
#include "test_server_windows.moc"
