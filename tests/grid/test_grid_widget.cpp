// The grid control on a plain cell model: what a copy takes from a selected block, whatever the
// user did to the columns, and what the cells show against what they hold.
#include "grid/GridModel.h"
#include "grid/GridWidget.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QtTest>

using namespace zemo;

namespace {

// A 1 heading row + 1 row-number column grid:
//        A     B      C
//   1    a1    b1     c1
//   2    a2    b2     c2
//   3    a3    b3     c3
void fill(GridWidget& grid) {
    grid.setRows(4);
    grid.setCols(4);
    grid.setFixed(1, 1);
    for (int c = 1; c < 4; ++c)
        grid.setTextMatrix(0, c, QString(QChar(u'A' + c - 1)));
    for (int r = 1; r < 4; ++r) {
        grid.setTextMatrix(r, 0, QString::number(r));
        for (int c = 1; c < 4; ++c)
            grid.setTextMatrix(r, c, QString(QChar(u'a' + c - 1)) + QString::number(r));
    }
}

// Selects the body block from (row1, col1) to (row2, col2), in grid coordinates.
void selectBlock(GridWidget& grid, int row1, int col1, int row2, int col2) {
    QAbstractItemModel* m = grid.model();
    const int hr = grid.gridModel()->headerRows();
    const int hc = grid.gridModel()->headerCols();
    grid.selectionModel()->select(
        QItemSelection(m->index(row1 - hr, col1 - hc), m->index(row2 - hr, col2 - hc)),
        QItemSelectionModel::ClearAndSelect);
}

} // namespace

class TestGridWidget : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void blockTextFollowsWhatTheUserSees() {
        GridWidget grid;
        fill(grid);
        grid.setRangeSelection(true);
        grid.setUserSortAndMove(true);
        grid.resize(400, 200);
        grid.show();

        selectBlock(grid, 2, 1, 3, 2);
        QCOMPARE(grid.selectionText(), QStringLiteral("a2\tb2\r\na3\tb3\r\n"));
        QCOMPARE(grid.selectionText(true), QStringLiteral("A\tB\r\na2\tb2\r\na3\tb3\r\n"));

        // Column B dragged before A: the copy takes them in the order shown.
        QHeaderView* h = grid.horizontalHeader();
        h->moveSection(h->visualIndex(1), h->visualIndex(0));
        QCOMPARE(grid.visualColumns(), (QList<int>{0, 2, 1, 3}));
        QCOMPARE(grid.selectionText(true), QStringLiteral("B\tA\r\nb2\ta2\r\nb3\ta3\r\n"));

        // Column C dragged between them: it was not selected and stays out of the copy.
        h->moveSection(h->visualIndex(2), 1);
        QCOMPARE(grid.visualColumns(), (QList<int>{0, 2, 3, 1}));
        QCOMPARE(grid.selectionText(), QStringLiteral("b2\ta2\r\nb3\ta3\r\n"));

        // A hidden column is not copied.
        grid.setColHidden(1, true);
        QCOMPARE(grid.selectionText(), QStringLiteral("b2\r\nb3\r\n"));
    }

    void currentCellAloneWhenNothingIsSelected() {
        GridWidget grid;
        fill(grid);
        QCOMPARE(grid.selectionText(), QString());
        grid.setCurrentCell(3, 3);
        grid.selectionModel()->clearSelection();
        QCOMPARE(grid.Row(), 3);
        QCOMPARE(grid.Col(), 3);
        QCOMPARE(grid.selectionText(), QStringLiteral("c3\r\n"));
        QCOMPARE(grid.selectionText(true), QStringLiteral("C\r\nc3\r\n"));
    }

    // A cell shows its first line; the copy carries the whole value, quoted so that a paste keeps
    // rows and columns.
    void copiesWholeValuesQuoted() {
        GridWidget grid;
        fill(grid);
        grid.setRangeSelection(true);
        grid.setTextMatrix(1, 1, QStringLiteral("two\r\nlines"));
        grid.setTextMatrix(1, 2, QStringLiteral("tab\there"));
        grid.setTextMatrix(1, 3, QStringLiteral("say \"hi\""));
        grid.setTextMatrix(2, 1, QString());
        const QModelIndex first = grid.model()->index(0, 0);
        QCOMPARE(grid.model()->data(first).toString(), QStringLiteral("two") + QChar(0x2026));
        QCOMPARE(grid.model()->data(first, Qt::ToolTipRole).toString(), QStringLiteral("two\r\nlines"));

        selectBlock(grid, 1, 1, 2, 3);
        QCOMPARE(grid.selectionText(),
                 QStringLiteral("\"two\r\nlines\"\t\"tab\there\"\t\"say \"\"hi\"\"\"\r\n\tb2\tc2\r\n"));
    }

    void rowsAndColumnsCanChangeUnderTheSelection() {
        GridWidget grid;
        fill(grid);
        grid.setRangeSelection(true);
        selectBlock(grid, 1, 1, 3, 3);
        grid.setRows(2);
        QCOMPARE(grid.Rows(), 2);
        QCOMPARE(grid.TextMatrix(1, 3), QStringLiteral("c1"));
        selectBlock(grid, 1, 1, 1, 3);
        QCOMPARE(grid.selectionText(), QStringLiteral("a1\tb1\tc1\r\n"));
        grid.Clear();
        QCOMPARE(grid.Rows(), 2);
        QCOMPARE(grid.TextMatrix(1, 1), QString());
    }
};

QTEST_MAIN(TestGridWidget)
#include "test_grid_widget.moc"
