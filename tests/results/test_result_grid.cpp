#include "app/FormSupport.h"
#include "app/MessagePresenter.h"
#include "app/Module1.h"
#include "grid/GridWidget.h"
#include "results/Form4.h"
#include "support/AllocationLimit.h"
#include "support/GridText.h"
#include "support/Connect.h"

#include <QHeaderView>
#include <QListWidget>
#include <QtTest>

using namespace zemo;
using test::clickHeading;
using test::gridColumn;

// The result grid beyond its design: what a heading click does when memory runs out.
class TestResultGrid : public QObject {
    Q_OBJECT

    QWidget* m_main = nullptr;
    QStringList m_boxes;

    GridWidget* grid(Form4& f) { return f.findChild<GridWidget*>(QStringLiteral("VSFlexGrid1")); }

private Q_SLOTS:
    void initTestCase() {
        installFontSubstitutes();
        m_main = new QWidget;
        new QListWidget(m_main);
        setMainWindow(m_main);
        MessagePresenter::setHandler([this](QWidget*, const QString& title, const QString& text) {
            m_boxes << title + QLatin1Char('|') + text;
        });
        gOraDatabase = zemo::test::openDemo();
    }
    void cleanupTestCase() {
        MessagePresenter::setHandler({});
        ResetGlobals();
        delete m_main;
    }
    void init() { m_boxes.clear(); }

    void sortWithoutMemoryShowsTheErrorBox() {
        gSqlText =
            QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < 20000) "
                           "select (i * 7919) % 20000 as N from n");
        Form4 f(m_main);
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        GridWidget* g = grid(f);
        const QStringList before = gridColumn(g, 1);
        QCOMPARE(before.size(), 20000);
        {
            const test::AllocationLimit limit(256 * 1024);
            clickHeading(g, 0);
        }
        QCOMPARE(m_boxes, QStringList({QStringLiteral(
                              "エラーメッセージ|エラー番号：7\rメッセージ：メモリが不足しています")}));
        QCOMPARE(gridColumn(g, 1), before);
        QCOMPARE(g->horizontalHeader()->sortIndicatorSection(), -1);
        // With memory again the same click sorts.
        clickHeading(g, 0);
        QCOMPARE(g->TextMatrix(1, 1), QStringLiteral("0"));
        QCOMPARE(g->TextMatrix(20000, 1), QStringLiteral("19999"));
        QCOMPARE(m_boxes.size(), 1);
    }
};

QTEST_MAIN(TestResultGrid)
#include "test_result_grid.moc"
