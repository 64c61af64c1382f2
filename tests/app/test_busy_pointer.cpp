// Every database call of the windows runs under the busy pointer, and the pointer is back to normal
// afterwards: the table list and the column queries of the table dialog, the statement of the result
// window when it opens and when 抽出 runs it again. The result window takes input while its rows
// arrive, so its pointer is the arrow with the hourglass beside it.

#include "catalogue/Form2.h"
#include "mainwindow/Form1.h"
#include "results/Form4.h"
#include "session/Module1.h"
#include "support/Connect.h"
#include "support/WindowTests.h"
#include "ui/FormSupport.h"
#include "ui/MessagePresenter.h"

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

namespace {

// The pointer the user sees: an application-wide override, else a window's own busy pointer.
Qt::CursorShape pointerNow() {
    if (const QCursor* c = QApplication::overrideCursor())
        return c->shape();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->testAttribute(Qt::WA_SetCursor) &&
            (w->cursor().shape() == Qt::WaitCursor || w->cursor().shape() == Qt::BusyCursor))
            return w->cursor().shape();
    return Qt::ArrowCursor;
}

// The demo database, noting the pointer at every query it is asked to run.
class PointerRecorder : public zemo::OracleDatabase {
public:
    explicit PointerRecorder(std::shared_ptr<zemo::OracleDatabase> inner) : m_inner(std::move(inner)) {}
    // Runs on the connection's thread: the pointer is read on the window's thread, which waits for it.
    std::unique_ptr<zemo::OracleResultSet> createResultSet(const QString& sql) override {
        Qt::CursorShape shape = Qt::ArrowCursor;
        QMetaObject::invokeMethod(
            qApp, [&shape] { shape = pointerNow(); }, Qt::BlockingQueuedConnection);
        pointers << shape;
        return m_inner->createResultSet(sql);
    }
    QString backendName() const override { return m_inner->backendName(); }
    QList<Qt::CursorShape> pointers;

private:
    std::shared_ptr<zemo::OracleDatabase> m_inner;
};

} // namespace

class TestBusyPointer : public QObject {
    Q_OBJECT

private:
    Form1* m_main = nullptr;
    std::shared_ptr<PointerRecorder> m_db;

    // Every query so far ran under the busy pointer, and it is gone now.
    void verifyBusyThenNormal(qsizetype expectedQueries, Qt::CursorShape busy = Qt::WaitCursor) {
        QCOMPARE(m_db->pointers.size(), expectedQueries);
        for (Qt::CursorShape shape : m_db->pointers)
            QCOMPARE(shape, busy);
        QCOMPARE(pointerNow(), Qt::ArrowCursor);
        m_db->pointers.clear();
    }

private slots:
    void init() {
        zemo::resetSession();
        m_main = new Form1;
        m_main->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_main));
        gOraSession = std::make_shared<zemo::OracleSession>();
        m_db = std::make_shared<PointerRecorder>(
            gOraSession->OpenDatabase(QStringLiteral(ZEMO_DEMO_DB), QStringLiteral("demo/demo"), 0));
        gOraDatabase = zemo::test::onItsThread(m_db);
        gServiceName = QStringLiteral(ZEMO_DEMO_DB);
        gUserName = QStringLiteral("demo");
    }

    void cleanup() {
        delete m_main;
        m_main = nullptr;
        zemo::resetSession();
        m_db.reset();
    }

    void tableDialog() {
        Form2 dlg(m_main);
        zemo::test::showWindow(dlg);
        verifyBusyThenNormal(1); // the table list
        auto* list = dlg.findChild<QListWidget*>(QStringLiteral("List1"));
        QVERIFY(list);
        for (const QString& name : {QStringLiteral("CUSTOMERS"), QStringLiteral("ORDERS")}) {
            const auto found = list->findItems(name, Qt::MatchExactly);
            QVERIFY2(!found.isEmpty(), qPrintable(name));
            found.first()->setSelected(true);
        }
        dlg.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        verifyBusyThenNormal(2); // the columns of each marked table
    }

    void resultWindow() {
        gSqlText = QStringLiteral("SELECT DEPT_ID, DEPT_NAME FROM DEPARTMENTS");
        Form4 dlg(m_main);
        zemo::test::showWindow(dlg);
        verifyBusyThenNormal(1, Qt::BusyCursor);
        dlg.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        QVERIFY(zemo::test::waitForRuns());
        verifyBusyThenNormal(1, Qt::BusyCursor);
    }

    // A failing statement restores the pointer too.
    void failureRestoresThePointer() {
        gSqlText = QStringLiteral("SELECT NO_SUCH_COLUMN FROM DEPARTMENTS");
        QString shown;
        zemo::MessagePresenter::setHandler(
            [&](QWidget*, const QString&, const QString& text) { shown = text; });
        {
            Form4 dlg(m_main);
            zemo::test::showWindow(dlg);
            verifyBusyThenNormal(1, Qt::BusyCursor);
        }
        zemo::MessagePresenter::setHandler({});
        QVERIFY2(shown.startsWith(QStringLiteral("エラー番号：")), qPrintable(shown));
    }
};

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    zemo::setUpApplication();
    TestBusyPointer t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_busy_pointer.moc"
