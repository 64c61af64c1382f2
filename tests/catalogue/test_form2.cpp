#include "base/ZemoError.h"
#include "catalogue/Form2.h"
#include "grid/GridWidget.h"
#include "mainwindow/Form1.h"
#include "results/Form4.h"
#include "session/Module1.h"
#include "support/Connect.h"
#include "support/Modal.h"
#include "support/WindowTests.h"
#include "ui/FormSupport.h"
#include "ui/MessagePresenter.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <sqlite3.h>

using zemo::OracleDatabase;
using zemo::OracleResultSet;

namespace {

// Passes every call to a real result set, but fails the fetch after `failAfter` rows.
class FailingResultSet : public OracleResultSet {
public:
    FailingResultSet(std::unique_ptr<OracleResultSet> inner, int failAfter)
        : m_inner(std::move(inner)), m_left(failAfter) {}
    int columnCount() const override { return m_inner->columnCount(); }
    QString columnName(int col) const override { return m_inner->columnName(col); }
    bool atEnd() const override { return m_inner->atEnd(); }
    void next() override {
        if (--m_left <= 0)
            throw zemo::ZemoError(-20001, QStringLiteral("fetch failed"));
        m_inner->next();
    }
    QVariant value(int col) const override { return m_inner->value(col); }

private:
    std::unique_ptr<OracleResultSet> m_inner;
    int m_left;
};

// The demo database with failures injected: the column query of one table, or the table list fetch.
class FlakyDatabase : public OracleDatabase {
public:
    explicit FlakyDatabase(std::shared_ptr<OracleDatabase> real) : m_real(std::move(real)) {}
    QString failingTable;
    int listFailsAfter = 0;
    std::unique_ptr<OracleResultSet> createResultSet(const QString& sql) override {
        if (!failingTable.isEmpty() && sql.endsWith(QLatin1Char('\'') + failingTable + QLatin1Char('\'')))
            throw zemo::ZemoError(942, QStringLiteral("ORA-00942: table or view does not exist"));
        auto rs = m_real->CreateDynaset(sql);
        if (listFailsAfter > 0 && sql.contains(QLatin1String("USER_OBJECTS")))
            return std::make_unique<FailingResultSet>(std::move(rs), listFailsAfter);
        return rs;
    }
    QString backendName() const override { return m_real->backendName(); }

private:
    std::shared_ptr<OracleDatabase> m_real;
};

std::shared_ptr<OracleDatabase> openDb(const QString& path) {
    return zemo::OracleSession().OpenDatabase(path, QStringLiteral("demo/demo"));
}

QString demoCopyWith(const QTemporaryDir& dir, const QString& file, const char* ddl) {
    const QString path = dir.filePath(file);
    if (!QFile::copy(QStringLiteral(ZEMO_DEMO_DB), path))
        return {};
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    const int rc = sqlite3_exec(db, ddl, nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return rc == SQLITE_OK ? path : QString();
}

QStringList texts(const QListWidget* l) {
    QStringList out;
    for (int i = 0; i < l->count(); ++i)
        out << l->item(i)->text();
    return out;
}

QList<int> marked(const QListWidget* l) {
    QList<int> out;
    for (int i = 0; i < l->count(); ++i)
        if (l->item(i)->isSelected())
            out << i;
    return out;
}

void clickItem(QListWidget* l, int row) {
    QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, l->visualItemRect(l->item(row)).center());
}

} // namespace

class TestForm2 : public QObject {
    Q_OBJECT

    QStringList m_boxes;
    std::unique_ptr<Form1> m_form;
    QTemporaryDir m_dir;

    QPushButton* mainButton(int n) {
        return m_form->findChild<QPushButton*>(QStringLiteral("Command%1").arg(n));
    }
    QListWidget* mainList(int n) { return m_form->findChild<QListWidget*>(QStringLiteral("List%1").arg(n)); }
    QLineEdit* mainText(int n) { return m_form->findChild<QLineEdit*>(QStringLiteral("Text%1").arg(n)); }
    zemo::GridWidget* grid() { return m_form->findChild<zemo::GridWidget*>(QStringLiteral("VSFlexGrid1")); }
    QAction* typeDisp() { return m_form->findChild<QAction*>(QStringLiteral("TypeDisp")); }

    void connectTo(const QString& service, std::shared_ptr<OracleDatabase> db = {}) {
        gServiceName = service;
        gUserName = QStringLiteral("demo");
        gPassword = QStringLiteral("demo");
        gOraDatabase = zemo::test::onItsThread(db ? db : openDb(service));
        for (int n : {3, 4, 7})
            mainButton(n)->setEnabled(true);
    }

    // Opens the table dialog with テーブル選択 and lets `act` drive it; a dialog left open is cancelled.
    // Returns the entries and marks that the dialog showed when it opened.
    QPair<QStringList, QList<int>> runDialog(const std::function<void(Form2*, QListWidget*)>& act) {
        QPair<QStringList, QList<int>> shown;
        zemo::test::whenModal<Form2>([&](Form2* dlg) {
            auto* list = dlg->findChild<QListWidget*>(QStringLiteral("List1"));
            shown = {texts(list), marked(list)};
            act(dlg, list);
        });
        QTest::mouseClick(mainButton(3), Qt::LeftButton);
        return shown;
    }
    static void pressOk(Form2* dlg) {
        QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
    }
    static void markAndOk(Form2* dlg, QListWidget* list, const QList<int>& rows) {
        for (int r : rows)
            clickItem(list, r);
        pressOk(dlg);
    }
    QString extract() {
        zemo::test::whenModal<Form4>([](Form4* f) { f->close(); });
        QTest::mouseClick(mainButton(7), Qt::LeftButton);
        return gSqlText;
    }

private Q_SLOTS:
    void initTestCase() { zemo::test::startWindowTests(m_boxes); }
    void init() {
        zemo::resetSession();
        m_boxes.clear();
        m_form = std::make_unique<Form1>();
        m_form->move(60, 45);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    }
    void cleanup() {
        m_form.reset();
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    void endToEndOnTheDemo() {
        connectTo(QStringLiteral(ZEMO_DEMO_DB));
        QPoint pos;
        QSize size;
        QString title;
        const auto shown = runDialog([&](Form2* dlg, QListWidget* list) {
            pos = dlg->pos();
            dlg->resize(dlg->width() + 50, dlg->height() + 80); // snaps back
            QApplication::processEvents();
            size = dlg->size();
            title = dlg->windowTitle();
            QCOMPARE(list->selectionMode(), QAbstractItemView::MultiSelection);
            markAndOk(dlg, list, {0, 2});
        });
        QCOMPARE(title, QStringLiteral("ZEMO-DB　テーブル選択"));
        const zemo::TwipsPlacer& tw = m_form->placer();
        QCOMPARE(size, tw.clientPixels(5250, 4710));
        const zemo::TwipsPoint at = zemo::centreOver(tw.toTwips(60), tw.toTwips(45), 10650, 8295, 5370, 5115);
        QCOMPARE(pos, QPoint(tw.toPixels(at.left), tw.toPixels(at.top)));
        QCOMPARE(shown.first.mid(0, 3), QStringList({"DEPARTMENTS", "EMPLOYEES", "CUSTOMERS"}));
        QVERIFY(shown.second.isEmpty());
        QVERIFY(m_boxes.isEmpty());

        zemo::GridWidget* g = grid();
        QCOMPARE(g->Cols(), 4);
        QCOMPARE(g->Rows(), 8); // CUSTOMERS has 6 columns
        QCOMPARE(g->TextMatrix(0, 0), QStringLiteral("DEPARTMENTS"));
        QCOMPARE(g->TextMatrix(1, 0), QStringLiteral("T1"));
        QCOMPARE(g->TextMatrix(2, 0), QStringLiteral("T1.DEPT_ID"));
        QCOMPARE(g->TextMatrix(2, 1), QStringLiteral("NUMBER[4]"));
        QCOMPARE(g->TextMatrix(4, 0), QStringLiteral("T1.LOCATION"));
        QCOMPARE(g->TextMatrix(5, 0), QString());
        QCOMPARE(g->TextMatrix(0, 1), QString());
        QCOMPARE(g->TextMatrix(1, 1), QString());
        QCOMPARE(g->TextMatrix(0, 2), QStringLiteral("CUSTOMERS"));
        QCOMPARE(g->TextMatrix(1, 2), QStringLiteral("T2"));
        QCOMPARE(g->TextMatrix(7, 2), QStringLiteral("T2.CREATED_AT"));
        QCOMPARE(g->TextMatrix(7, 3), QStringLiteral("DATE[7]"));
        QCOMPARE(g->TextMatrix(6, 3), QStringLiteral("NUMBER[12]"));
        QVERIFY(g->colHidden(1) && g->colHidden(3));
        QVERIFY(!g->colHidden(0) && !g->colHidden(2));
        QCOMPARE(texts(mainList(2)),
                 QStringList({"T1.DEPT_ID", "T1.DEPT_NAME", "T1.LOCATION", "T2.CUST_ID", "T2.CUST_NAME",
                              "T2.PREFECTURE", "T2.PHONE", "T2.CREDIT_LIMIT", "T2.CREATED_AT"}));
        QCOMPARE(gFromList, QStringLiteral("DEPARTMENTS T1,\r\nCUSTOMERS T2"));
        QCOMPARE(gTableCount, shown.first.size());
        QCOMPARE(gTableList.at(0).selected, QStringLiteral("1"));
        QCOMPARE(gTableList.at(1).selected, QStringLiteral("0"));
        QCOMPARE(gTableList.at(2).selected, QStringLiteral("1"));

        // display items chosen in reverse order come out in list order; conditions follow
        mainList(2)->item(4)->setSelected(true);
        mainList(2)->item(1)->setSelected(true);
        auto* c1 = m_form->findChild<QComboBox*>(QStringLiteral("Combo1"));
        auto* c2 = m_form->findChild<QComboBox*>(QStringLiteral("Combo2"));
        c1->setEditText(QStringLiteral("Where"));
        mainText(2)->setText(QStringLiteral("T2.PREFECTURE"));
        c2->setEditText(QStringLiteral("Is Not Null"));
        QTest::mouseClick(mainButton(4), Qt::LeftButton);
        c1->setEditText(QStringLiteral("And"));
        mainText(2)->setText(QStringLiteral("T1.DEPT_ID"));
        c2->setEditText(QStringLiteral("<"));
        mainText(4)->setText(QStringLiteral("50"));
        QTest::mouseClick(mainButton(4), Qt::LeftButton);
        const QString expected = QStringLiteral("select \r\n"
                                                "T1.DEPT_NAME,\r\n"
                                                "T2.CUST_NAME \r\n"
                                                "FROM \r\n"
                                                "DEPARTMENTS T1,\r\n"
                                                "CUSTOMERS T2 \r\n"
                                                "Where T2.PREFECTURE Is Not Null   \r\n"
                                                "And T1.DEPT_ID < 50  \r\n");
        QCOMPARE(extract(), expected);
        QCOMPARE(extract(), expected);
        for (int i = 0; i < mainList(2)->count(); ++i)
            mainList(2)->item(i)->setSelected(false);
        QCOMPARE(extract(),
                 QStringLiteral("select \r\ncount(*) \r\nFROM \r\nDEPARTMENTS T1,\r\nCUSTOMERS T2 \r\n"
                                "Where T2.PREFECTURE Is Not Null   \r\nAnd T1.DEPT_ID < 50  \r\n"));

        // another table choice keeps the conditions, refills the items with nothing selected
        mainList(2)->item(0)->setSelected(true);
        typeDisp()->trigger();
        runDialog([](Form2* dlg, QListWidget* list) { markAndOk(dlg, list, {0, 1}); }); // unmark 0, mark 1
        QCOMPARE(gFromList, QStringLiteral("EMPLOYEES T1,\r\nCUSTOMERS T2"));
        QCOMPARE(mainList(1)->count(), 2);
        QVERIFY(mainList(2)->selectedItems().isEmpty());
        QCOMPARE(mainList(2)->item(0)->text(), QStringLiteral("T1.EMP_ID"));
        QCOMPARE(g->Rows(), 10); // raised for EMPLOYEES' 8 columns
        QCOMPARE(g->TextMatrix(8, 2), QString());
        for (int c = 0; c < 4; ++c)
            QVERIFY(!g->colHidden(c)); // 属性表示 checked
        QVERIFY(m_boxes.isEmpty());
    }

    void savedCatalogueAcrossReopen() {
        const QString copy =
            demoCopyWith(m_dir, QStringLiteral("other.db"), "CREATE TABLE ZZ_NEW (A NUMBER(1));");
        QVERIFY(!copy.isEmpty());
        connectTo(QStringLiteral(ZEMO_DEMO_DB));
        const auto first = runDialog([](Form2* dlg, QListWidget* list) { markAndOk(dlg, list, {0, 2}); });

        // same service and user, though the database now holds another table: the saved list and marks
        gOraDatabase = zemo::test::onItsThread(openDb(copy));
        const auto again = runDialog([](Form2*, QListWidget*) {});
        QCOMPARE(again.first, first.first);
        QCOMPARE(again.second, QList<int>({0, 2}));

        // another service: the dictionary is read again, nothing marked
        m_form->findChild<QAction*>(QStringLiteral("UnConnection"))->trigger();
        connectTo(copy);
        const auto other = runDialog([](Form2*, QListWidget*) {});
        QVERIFY(other.first.contains(QStringLiteral("ZZ_NEW")));
        QVERIFY(other.second.isEmpty());
        // another user on the first service: read again too
        connectTo(QStringLiteral(ZEMO_DEMO_DB), openDb(copy));
        gUserName = QStringLiteral("scott");
        const auto user = runDialog([](Form2*, QListWidget*) {});
        QVERIFY(user.first.contains(QStringLiteral("ZZ_NEW")));
        QCOMPARE(gTableCount, first.first.size()); // cancelled: the old catalogue stays
    }

    void cancelSavesNothing() {
        const QString copy =
            demoCopyWith(m_dir, QStringLiteral("cancel.db"), "CREATE TABLE ZZ_LATE (A NUMBER(1));");
        connectTo(QStringLiteral(ZEMO_DEMO_DB));
        grid()->setTextMatrix(0, 0, QStringLiteral("untouched"));
        runDialog([](Form2* dlg, QListWidget* list) {
            clickItem(list, 1);
            QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("Command2")), Qt::LeftButton);
        });
        QCOMPARE(gTableCount, 0);
        QCOMPARE(grid()->TextMatrix(0, 0), QStringLiteral("untouched"));
        QCOMPARE(mainList(2)->count(), 0);
        gOraDatabase = zemo::test::onItsThread(openDb(copy));
        const auto next = runDialog([](Form2*, QListWidget*) {});
        QVERIFY(next.first.contains(QStringLiteral("ZZ_LATE"))); // queried again
    }

    void okWithNothingMarked() {
        const QString copy =
            demoCopyWith(m_dir, QStringLiteral("empty.db"), "CREATE TABLE ZZ_LATE (A NUMBER(1));");
        connectTo(QStringLiteral(ZEMO_DEMO_DB));
        runDialog([](Form2* dlg, QListWidget* list) { markAndOk(dlg, list, {1}); });
        mainText(2)->setText(QStringLiteral("T1.EMP_ID"));
        m_form->findChild<QComboBox*>(QStringLiteral("Combo1"))->setEditText(QStringLiteral("Where"));
        m_form->findChild<QComboBox*>(QStringLiteral("Combo2"))->setEditText(QStringLiteral("Is Null"));
        QTest::mouseClick(mainButton(4), Qt::LeftButton);
        QCOMPARE(gCondCount, 1);

        const auto shown =
            runDialog([](Form2* dlg, QListWidget* list) { markAndOk(dlg, list, {1}); }); // unmark
        QCOMPARE(shown.second, QList<int>({1}));
        QCOMPARE(grid()->Rows(), 2);
        QCOMPARE(grid()->Cols(), 1);
        QCOMPARE(grid()->TextMatrix(0, 0), QString());
        QCOMPARE(grid()->TextMatrix(1, 0), QString());
        QCOMPARE(gCondCount, 0);
        QCOMPARE(mainList(1)->count(), 0);
        QCOMPARE(mainList(2)->count(), 0);
        QCOMPARE(gFromList, QString());
        QCOMPARE(gTableCount, shown.first.size());
        for (const TableListRow& row : gTableList)
            QCOMPARE(row.selected, QStringLiteral("0"));
        QCOMPARE(mainText(2)->text(), QStringLiteral("T1.EMP_ID")); // the editor fields stay
        QCOMPARE(extract(), QString());

        gOraDatabase = zemo::test::onItsThread(openDb(copy));
        const auto next = runDialog([](Form2*, QListWidget*) {});
        QCOMPARE(next.first, shown.first); // saved, not queried
        QVERIFY(next.second.isEmpty());
    }

    // A schema without tables: OK saves a count of 0, so the next opening asks the database again.
    void emptySchemaIsQueriedAgain() {
        const QString path = m_dir.filePath(QStringLiteral("nothing.db"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly)); // an empty file is an empty database
        file.close();
        connectTo(path);
        const auto shown = runDialog([](Form2* dlg, QListWidget*) { pressOk(dlg); });
        QVERIFY(shown.first.isEmpty());
        QCOMPARE(gTableCount, 0);
        QCOMPARE(grid()->Cols(), 1);
        QCOMPARE(gFromList, QString());

        sqlite3* db = nullptr;
        sqlite3_open(path.toUtf8().constData(), &db);
        QCOMPARE(sqlite3_exec(db, "CREATE TABLE LATE_ONE (A NUMBER(1));", nullptr, nullptr, nullptr),
                 SQLITE_OK);
        sqlite3_close(db);
        gOraDatabase = zemo::test::onItsThread(openDb(path));
        const auto next = runDialog([](Form2*, QListWidget*) {});
        QCOMPARE(next.first, QStringList({"LATE_ONE"}));
        QVERIFY(m_boxes.isEmpty());
    }

    void tableNameWithAQuote() {
        const QString copy = demoCopyWith(m_dir, QStringLiteral("quote.db"),
                                          "CREATE TABLE \"O'BRIEN\" (ID NUMBER(4), NOTE VARCHAR2(30));");
        QVERIFY(!copy.isEmpty());
        connectTo(copy);
        const auto shown = runDialog([](Form2* dlg, QListWidget* list) {
            for (int i = 0; i < list->count(); ++i)
                if (list->item(i)->text() == QStringLiteral("O'BRIEN"))
                    clickItem(list, i);
            pressOk(dlg);
        });
        QVERIFY(shown.first.contains(QStringLiteral("O'BRIEN")));
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join(QLatin1Char('\n'))));
        QCOMPARE(texts(mainList(2)), QStringList({"T1.ID", "T1.NOTE"}));
        QCOMPARE(grid()->TextMatrix(0, 0), QStringLiteral("O'BRIEN"));
        QCOMPARE(grid()->TextMatrix(3, 1), QStringLiteral("VARCHAR2[30]"));
        QCOMPARE(gFromList, QStringLiteral("O'BRIEN T1"));
    }

    void aFailingTableKeepsItsNumber() {
        auto flaky = std::make_shared<FlakyDatabase>(openDb(QStringLiteral(ZEMO_DEMO_DB)));
        flaky->failingTable = QStringLiteral("EMPLOYEES");
        connectTo(QStringLiteral(ZEMO_DEMO_DB), flaky);
        runDialog([](Form2* dlg, QListWidget* list) { markAndOk(dlg, list, {0, 1, 2}); });
        QCOMPARE(m_boxes, QStringList({QStringLiteral(
                              "エラーメッセージ|エラー番号：942\rメッセージ：ORA-00942: table or view "
                              "does not exist")}));
        QCOMPARE(gFromList, QStringLiteral("DEPARTMENTS T1,\r\nCUSTOMERS T3"));
        QCOMPARE(grid()->Cols(), 6);
        QCOMPARE(grid()->TextMatrix(1, 0), QStringLiteral("T1"));
        QCOMPARE(grid()->TextMatrix(0, 2), QString());
        QCOMPARE(grid()->TextMatrix(0, 4), QStringLiteral("CUSTOMERS"));
        QCOMPARE(grid()->TextMatrix(1, 4), QStringLiteral("T3"));
        QCOMPARE(mainList(2)->item(3)->text(), QStringLiteral("T3.CUST_ID"));
        QVERIFY(grid()->colHidden(1) && grid()->colHidden(3) && grid()->colHidden(5));
    }

    void aFailingCatalogueReadKeepsWhatWasRead() {
        auto flaky = std::make_shared<FlakyDatabase>(openDb(QStringLiteral(ZEMO_DEMO_DB)));
        flaky->listFailsAfter = 2;
        connectTo(QStringLiteral(ZEMO_DEMO_DB), flaky);
        bool stillOpen = false;
        const auto shown = runDialog([&](Form2* dlg, QListWidget*) { stillOpen = dlg->isVisible(); });
        QVERIFY(stillOpen);
        QCOMPARE(shown.first, QStringList({"DEPARTMENTS", "EMPLOYEES"}));
        QCOMPARE(
            m_boxes,
            QStringList({QStringLiteral("エラーメッセージ|エラー番号：-20001\rメッセージ：fetch failed")}));
    }

    void notConnectedOpensNothing() {
        QCOMPARE(
            zemo::test::modalsDuring([this] { QMetaObject::invokeMethod(m_form.get(), "Command3_Click"); }),
            0);
    }

    // While 属性表示 is checked a press on a type column is refused before the current cell moves.
    void pressOnAnAttributeColumnIsVetoed() {
        connectTo(QStringLiteral(ZEMO_DEMO_DB));
        runDialog([](Form2* dlg, QListWidget* list) { markAndOk(dlg, list, {0, 2}); });
        typeDisp()->trigger();
        QVERIFY(typeDisp()->isChecked());
        zemo::GridWidget* g = grid();
        QVERIFY(!g->colHidden(1));
        QApplication::processEvents();
        g->setCurrentCell(2, 0);
        mainText(2)->setText(QStringLiteral("before"));

        const auto cellCentre = [g](int row, int col) {
            return g->visualRect(g->model()->index(row - 1, col)).center(); // model row 0 is grid row 1
        };
        gNameColumnPicked = true;
        QTest::mousePress(g->viewport(), Qt::LeftButton, {}, cellCentre(3, 1));
        QCOMPARE(g->Row(), 2);
        QCOMPARE(g->Col(), 0);
        QVERIFY(!gNameColumnPicked);
        QTest::mouseRelease(g->viewport(), Qt::LeftButton, {}, cellCentre(3, 1));
        QVERIFY(!gNameColumnPicked);
        QTest::mouseClick(mainButton(1), Qt::LeftButton);
        QTest::mouseClick(mainButton(8), Qt::LeftButton);
        QCOMPARE(mainText(2)->text(), QStringLiteral("before"));
        QCOMPARE(mainText(4)->text(), QString());

        // a name column is taken and copied
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, cellCentre(3, 2));
        QCOMPARE(g->Row(), 3);
        QCOMPARE(g->Col(), 2);
        QVERIFY(gNameColumnPicked);
        QTest::mouseClick(mainButton(1), Qt::LeftButton);
        QCOMPARE(mainText(2)->text(), QStringLiteral("T2.CUST_NAME"));

        // the heading row is a row of cells too: a press on a type column's heading is refused
        QWidget* headings = g->horizontalHeader()->viewport();
        const QPoint typeHeading(g->columnViewportPosition(1) + g->columnWidth(1) / 2,
                                 headings->height() / 2);
        QTest::mousePress(headings, Qt::LeftButton, {}, typeHeading);
        QTest::mouseRelease(headings, Qt::LeftButton, {}, typeHeading);
        QVERIFY(!gNameColumnPicked);
        QCOMPARE(g->MouseCol(), 1);
        QCOMPARE(g->Row(), 3);
        QCOMPARE(g->Col(), 2);
        mainText(2)->setText(QStringLiteral("before"));
        QTest::mouseClick(mainButton(1), Qt::LeftButton);
        QCOMPARE(mainText(2)->text(), QStringLiteral("before"));

        // after a refused pick, switching 属性表示 off lets the buttons copy at once
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, cellCentre(2, 3));
        QVERIFY(!gNameColumnPicked);
        typeDisp()->trigger();
        QTest::mouseClick(mainButton(8), Qt::LeftButton);
        QCOMPARE(mainText(4)->text(), QStringLiteral("T2.CUST_NAME"));
    }
};

QTEST_MAIN(TestForm2)
#include "test_form2.moc"
