#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueReads.h"
#include "db/OracleAccess.h"
#include "grid/GridModel.h"
#include "mainwindow/ConditionStore.h"
#include "mainwindow/Form1Layout.h"
#include "mainwindow/StatementAssembly.h"
#include "session/Module1.h"

#include <QtTest>

using namespace zemo;

namespace {

Form1Rects designRects() {
    Form1Rects r;
    r.Label2 = {3000, 4080, 615, 255};
    r.Label3 = {8040, 4080, 615, 255};
    r.Label4 = {5400, 4080, 615, 255};
    r.Label5 = {6000, 5040, 1095, 255};
    r.Text2 = {1560, 4320, 3495, 270};
    r.Text4 = {6600, 4320, 3495, 270};
    r.Combo2 = {5160, 4320, 1335, 300};
    r.Command1 = {3000, 3600, 615, 375};
    r.Command2 = {8880, 120, 1215, 375};
    r.Command4 = {1440, 4800, 1095, 375};
    r.Command5 = {2760, 4800, 1095, 375};
    r.Command6 = {4080, 4800, 1095, 375};
    r.Command7 = {9000, 4800, 1095, 375};
    r.Command8 = {8040, 3600, 615, 375};
    r.List1 = {360, 5280, 5415, 2220};
    r.List2 = {6000, 5280, 4095, 2220};
    r.VSFlexGrid1 = {360, 960, 9735, 2535};
    return r;
}

const TwipsSize kDesignOuter{10650, 8295};

Condition cond(const char* connector, const char* left, const char* op, const char* right) {
    return {QString::fromUtf8(connector), QString::fromUtf8(left), QString::fromUtf8(op),
            QString::fromUtf8(right)};
}

} // namespace

class TestQueryBuilderCore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The demo's logical names reach the columns, while the grid, the display items and the
    // statement keep the physical names.
    void logicalNamesNeverReachTheStatement() {
        auto db = OracleSession().OpenDatabase(QStringLiteral(ZEMO_DEMO_DB), QStringLiteral("demo/demo"));
        const CommentMap tables = readTableLogicalNames(*db);
        QCOMPARE(tables.value(QStringLiteral("CUSTOMERS")), QStringLiteral("顧客"));

        TableColumns read = readTableColumns(*db, QStringLiteral("CUSTOMERS"));
        QVERIFY(!read.failure);
        attachLogicalNames(read.columns, readColumnLogicalNames(*db, QStringLiteral("CUSTOMERS")));
        QCOMPARE(read.columns.size(), 6);
        QCOMPARE(read.columns[1], (TableColumn{"CUST_NAME", "VARCHAR2[80]", "顧客名"}));
        for (const TableColumn& c : read.columns)
            QVERIFY2(!c.logical.isEmpty(), qPrintable(c.name));

        SimpleGridModel grid(2, 1);
        QStringList items;
        writeTableColumns(grid, QStringLiteral("CUSTOMERS"), 0, read.columns,
                          [&](const QString& item) { items << item; });
        QString from;
        appendFromEntry(from, QStringLiteral("CUSTOMERS"), 0);
        const QString sql = assembleSelect(items, from, {});
        for (const TableColumn& c : read.columns) {
            QVERIFY(sql.contains(QStringLiteral("T1.") + c.name));
            QVERIFY2(!sql.contains(c.logical), qPrintable(c.logical));
        }
        QVERIFY(!sql.contains(tables.value(QStringLiteral("CUSTOMERS"))));
        for (int r = 0; r < grid.gridRows(); ++r)
            for (int col = 0; col < grid.gridCols(); ++col)
                for (const TableColumn& c : read.columns)
                    QVERIFY(!grid.cellText(r, col).contains(c.logical));
        QCOMPARE(db->CreateDynaset(sql)->FieldName(1), QStringLiteral("CUST_NAME"));
    }

    void init() { zemo::resetSession(); }

    // ---- resize layout ----

    void widenBy600MovesAndStretches() {
        const Form1Rects d = designRects();
        const auto res = layoutWindow(kForm1Resize, d, kDesignOuter, {11250, 8295}, false);
        QVERIFY(res.laidOut);
        const Form1Rects& r = res.rects;
        // full difference
        QCOMPARE(r.Command7.left, 9600.f);
        QCOMPARE(r.Command2.left, 9480.f);
        QCOMPARE(r.Command8.left, 8640.f);
        QCOMPARE(r.Label3.left, 8640.f);
        QCOMPARE(r.VSFlexGrid1.width, 10335.f);
        // half
        QCOMPARE(r.Command4.left, 1740.f);
        QCOMPARE(r.Command5.left, 3060.f);
        QCOMPARE(r.Command6.left, 4380.f);
        QCOMPARE(r.Label4.left, 5700.f);
        QCOMPARE(r.Combo2.left, 5460.f);
        QCOMPARE(r.Label5.left, 6300.f);
        QCOMPARE(r.List2.left, 6300.f);
        QCOMPARE(r.Text2.width, 3795.f);
        QCOMPARE(r.Text4.width, 3795.f);
        QCOMPARE(r.Text4.left, 6900.f);
        QCOMPARE(r.List1.width, 5715.f);
        QCOMPARE(r.List2.width, 4395.f);
        // third
        QCOMPARE(r.Label2.left, 3200.f);
        QCOMPARE(r.Command1.left, 3200.f);
        // nothing vertical, heights unchanged, fixed controls' other fields unchanged
        QCOMPARE(r.List1.height, 2220.f);
        QCOMPARE(r.List2.height, 2220.f);
        QCOMPARE(r.VSFlexGrid1.height, 2535.f);
        QCOMPARE(r.Text2.left, 1560.f);
        QCOMPARE(r.List1.left, 360.f);
        QCOMPARE(r.Command7.top, 4800.f);
        QCOMPARE(res.remembered, (TwipsSize{11250, 8295}));
        QCOMPARE(res.enforced, (TwipsSize{11250, 8295}));
    }

    void listsGrowFasterThanTheWindowAndShrinkSlower() {
        const Form1Rects d = designRects();
        const auto taller = layoutWindow(kForm1Resize, d, kDesignOuter, {10650, 9195}, false);
        QCOMPARE(taller.rects.List1.height, 3220.f);
        QCOMPARE(taller.rects.List2.height, 3220.f);
        QCOMPARE(taller.rects.VSFlexGrid1.height, 2535.f);
        QCOMPARE(taller.rects.Command7, d.Command7);

        const auto lower = layoutWindow(kForm1Resize, d, kDesignOuter, {10650, 7395}, false);
        QCOMPARE(lower.rects.List1.height, toSingle(2220.0 - 900.0 / 1.1));
        QVERIFY(qAbs(lower.rects.List2.height - 1401.818f) < 0.01f);
        QCOMPARE(lower.remembered, (TwipsSize{10650, 7395}));
    }

    void thirdsAreRoundedToSinglePrecision() {
        const auto res = layoutWindow(kForm1Resize, designRects(), kDesignOuter, {10750, 8295}, false);
        QCOMPARE(res.rects.Label2.left, static_cast<float>(3000.0 + 100.0 / 3.0));
        QCOMPARE(res.rects.Command5.left, 2810.f);
    }

    void smallerThanTheMinimumIsLaidOutForTheMinimum() {
        const Form1Rects d = designRects();
        const auto res = layoutWindow(kForm1Resize, d, kDesignOuter, {9000, 7000}, false);
        QCOMPARE(res.enforced, (TwipsSize{9375, 7230}));
        QCOMPARE(res.remembered, (TwipsSize{9375, 7230}));
        const auto direct = layoutWindow(kForm1Resize, d, kDesignOuter, {9375, 7230}, false);
        QCOMPARE(res.rects, direct.rects);
        QCOMPARE(res.rects.Command7.left, 9000.f - 1275.f);
        QCOMPARE(res.rects.List1.height, toSingle(2220.0 - 1065.0 / 1.1));

        // only the dimension that is too small is raised
        const auto narrow = layoutWindow(kForm1Resize, d, kDesignOuter, {5000, 9000}, false);
        QCOMPARE(narrow.enforced, (TwipsSize{9375, 9000}));
    }

    void minimizedChangesNothing() {
        const Form1Rects d = designRects();
        const auto res = layoutWindow(kForm1Resize, d, kDesignOuter, {2000, 500}, true);
        QVERIFY(!res.laidOut);
        QCOMPARE(res.rects, d);
        QCOMPARE(res.remembered, kDesignOuter);
    }

    void sizesBeyond16BitsWork() {
        const Form1Rects d = designRects();
        const auto big = layoutWindow(kForm1Resize, d, kDesignOuter, {40000, 36000}, false);
        QCOMPARE(big.remembered, (TwipsSize{40000, 36000}));
        QCOMPARE(big.rects.Command7.left, 9000.f + 29350.f);
        QCOMPARE(big.rects.List1.height, toSingle(2220.0 + 27705.0 / 0.9));
        // the next pass measures from the large remembered size, not from a wrapped one
        const auto next = layoutWindow(kForm1Resize, big.rects, big.remembered, {40600, 36000}, false);
        QCOMPARE(next.rects.Command7.left, 9000.f + 29950.f);
        QCOMPARE(next.rects.List1.height, big.rects.List1.height);
        // and back to the design size restores the design places
        const auto back = layoutWindow(kForm1Resize, next.rects, next.remembered, kDesignOuter, false);
        QCOMPARE(back.rects.Command7.left, 9000.f);
        QCOMPARE(back.rects.VSFlexGrid1.width, 9735.f);
    }

    // ---- condition store ----

    void validation_data() {
        QTest::addColumn<QString>("connector");
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("op");
        QTest::addColumn<QString>("right");
        QTest::addColumn<bool>("ok");
        QTest::newRow("complete") << "Where"
                                  << "T1.A"
                                  << "="
                                  << "1" << true;
        QTest::newRow("empty connector") << ""
                                         << "T1.A"
                                         << "="
                                         << "1" << false;
        QTest::newRow("empty left") << "Where"
                                    << ""
                                    << "="
                                    << "1" << false;
        QTest::newRow("empty operator") << "Where"
                                        << "T1.A"
                                        << ""
                                        << "1" << false;
        QTest::newRow("= with empty right") << "Where"
                                            << "T1.A"
                                            << "="
                                            << "" << false;
        QTest::newRow("Is Null empty right") << "Where"
                                             << "T1.A"
                                             << "Is Null"
                                             << "" << true;
        QTest::newRow("is not null lower") << "And"
                                           << "T1.A"
                                           << "is not null"
                                           << "" << true;
        QTest::newRow("Is  Null two blanks") << "Where"
                                             << "T1.A"
                                             << "Is  Null"
                                             << "" << false;
        QTest::newRow("Is Null trailing blank") << "Where"
                                                << "T1.A"
                                                << "Is Null "
                                                << "" << false;
        QTest::newRow("Is Null with right") << "Where"
                                            << "T1.A"
                                            << "Is Null"
                                            << "x" << true;
        QTest::newRow("blank right") << "Where"
                                     << "T1.A"
                                     << "="
                                     << " " << true;
        QTest::newRow("blank fields") << " "
                                      << " "
                                      << " "
                                      << " " << true;
    }
    void validation() {
        QFETCH(QString, connector);
        QFETCH(QString, left);
        QFETCH(QString, op);
        QFETCH(QString, right);
        QFETCH(bool, ok);
        QCOMPARE(conditionAcceptable({connector, left, op, right}), ok);
    }

    void lineFormatKeepsEveryTrailingSpace() {
        QCOMPARE(conditionLine(cond("Where", "T1.AMOUNT", ">", "100")),
                 QStringLiteral("Where T1.AMOUNT > 100 "));
        QCOMPARE(conditionLine(cond("Where", "T1.CODE", "Is Null", "")),
                 QStringLiteral("Where T1.CODE Is Null  "));
        QCOMPARE(conditionLine(cond("and", "T1.X", "is not null", "")),
                 QStringLiteral("and T1.X is not null  "));
    }

    void addChangeDeleteKeepTheListsParallel() {
        QVERIFY(addCondition(cond("Where", "T1.A", "=", "1")));
        QVERIFY(addCondition(cond("And", "T1.B", "Is Null", "")));
        QVERIFY(addCondition(cond("Or", "T1.C", "Like", "'%x%'")));
        QVERIFY(!addCondition(cond("And", "T1.D", "=", "")));
        QCOMPARE(gCondCount, 3);

        QVERIFY(deleteCondition(1));
        QCOMPARE(gCondCount, 2);
        QCOMPARE(storedConditionLines(), QStringList({"Where T1.A = 1 ", "Or T1.C Like '%x%' "}));
        QCOMPARE(storedCondition(1), cond("Or", "T1.C", "Like", "'%x%'"));
        for (const QStringList* l : {&gCondConnector, &gCondLeft, &gCondOperator, &gCondRight})
            QCOMPARE(l->size(), 2);

        QVERIFY(changeCondition(0, cond("Where", "T1.Z", "<>", "2")));
        QCOMPARE(storedConditionLines().first(), QStringLiteral("Where T1.Z <> 2 "));
        QVERIFY(!changeCondition(0, cond("Where", "T1.Z", "<>", "")));
        QVERIFY(!changeCondition(2, cond("Where", "T1.Z", "<>", "3")));
        QVERIFY(!deleteCondition(2));
        QVERIFY(!deleteCondition(-1));
        QCOMPARE(storedCondition(0), cond("Where", "T1.Z", "<>", "2"));
        QCOMPARE(gCondCount, 2);
    }

    void aFullStoreRefusesWithoutWrapping() {
        const Condition c = cond("Where", "T1.A", "=", "1");
        for (int i = 0; i < kMaxConditions; ++i)
            QVERIFY(addCondition(c));
        QCOMPARE(gCondCount, 32767);
        QVERIFY(!addCondition(c));
        QCOMPARE(gCondCount, 32767);
        QCOMPARE(gCondRight.size(), 32767);
        QVERIFY(deleteCondition(0));
        QVERIFY(addCondition(c));
        QCOMPARE(gCondCount, 32767);
    }

    // ---- statement assembly ----

    void workedExample() {
        const QString sql = assembleSelect({"T1.ORDER_NO", "T1.AMOUNT"}, "ORDERS T1",
                                           {"Where T1.AMOUNT > 100 ", "And T1.ORDER_NO < 50 "});
        QCOMPARE(sql, QStringLiteral("select \r\n"
                                     "T1.ORDER_NO,\r\n"
                                     "T1.AMOUNT \r\n"
                                     "FROM \r\n"
                                     "ORDERS T1 \r\n"
                                     "Where T1.AMOUNT > 100  \r\n"
                                     "And T1.ORDER_NO < 50  \r\n"));
    }

    void variants() {
        QCOMPARE(assembleSelect({}, "ORDERS T1", {}),
                 QStringLiteral("select \r\ncount(*) \r\nFROM \r\nORDERS T1 \r\n"));
        QCOMPARE(assembleSelect({"T1.A"}, "ORDERS T1", {"Where T1.A Is Null  "}),
                 QStringLiteral("select \r\nT1.A \r\nFROM \r\nORDERS T1 \r\nWhere T1.A Is Null   \r\n"));
        QCOMPARE(
            assembleSelect({"T1.A", "T2.B", "T2.C"}, "ORDERS T1,\r\nCUSTOMERS T2", {"Where T1.X = 'a,b' "}),
            QStringLiteral("select \r\nT1.A,\r\nT2.B,\r\nT2.C \r\nFROM \r\nORDERS T1,\r\nCUSTOMERS T2 \r\n"
                           "Where T1.X = 'a,b'  \r\n"));
        // no table chosen: nothing, whatever else is there
        QCOMPARE(assembleSelect({"T1.A"}, "", {"Where T1.A = 1 "}), QString());
    }

    void piecesAppendToWhatIsThere() {
        QString sql = QStringLiteral("x");
        appendConditions(sql, {});
        QCOMPARE(sql, QStringLiteral("x"));
        appendSelectList(sql, {"T1.A"});
        QCOMPARE(sql, QStringLiteral("xT1.A \r\n"));
    }
};

QTEST_GUILESS_MAIN(TestQueryBuilderCore)
#include "test_query_builder_core.moc"
