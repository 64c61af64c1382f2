// Logical names beside the cells of a grid model, and the logical names a result's headings take
// from the display items.
#include "grid/GridModel.h"
#include "results/Form4Logic.h"
#include "results/ResultModel.h"
#include "results/ResultStore.h"

#include <QSignalSpy>
#include <QtTest>

using namespace zemo;

namespace {

QString shown(const GridModel& m, int row, int col, int role = Qt::DisplayRole) {
    if (row < m.headerRows())
        return m.headerData(col - m.headerCols(), Qt::Horizontal, role).toString();
    return m.data(m.index(row - m.headerRows(), col - m.headerCols()), role).toString();
}

DisplayItem item(const char* text, const char* logical, bool selected = false) {
    return {QString::fromUtf8(text), QString::fromUtf8(logical), selected};
}

} // namespace

class TestHeadingNames : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The name shows beside the text and as the tip only while names are shown; the text, which is
    // what is copied and saved, never changes. A cell without a name keeps its own tip.
    void cellNamesShownBesideTheText() {
        SimpleGridModel m(4, 2);
        m.setHeaderRows(2);
        m.setCellText(0, 0, QStringLiteral("CUSTOMERS"));
        m.setCellText(2, 0, QStringLiteral("T1.CUST_NAME"));
        m.setCellText(3, 0, QStringLiteral("T1.MEMO"));
        m.setCellLogicalName(0, 0, QStringLiteral("顧客"));
        m.setCellLogicalName(2, 0, QStringLiteral("顧客名"));
        m.setCellLogicalName(9, 0, QStringLiteral("outside")); // ignored
        m.setCellLogicalName(0, -1, QStringLiteral("outside"));
        QCOMPARE(shown(m, 2, 0), QStringLiteral("T1.CUST_NAME"));
        QCOMPARE(shown(m, 0, 0), QStringLiteral("CUSTOMERS"));
        QCOMPARE(shown(m, 0, 0, Qt::ToolTipRole), QString());
        QCOMPARE(shown(m, 2, 0, Qt::ToolTipRole), QStringLiteral("T1.CUST_NAME"));

        QSignalSpy changed(&m, &QAbstractItemModel::dataChanged);
        QSignalSpy headers(&m, &QAbstractItemModel::headerDataChanged);
        m.setLogicalNamesShown(true);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(headers.size(), 1);
        m.setLogicalNamesShown(true); // no change, no signal
        QCOMPARE(changed.size(), 1);
        QCOMPARE(shown(m, 2, 0), QStringLiteral("T1.CUST_NAME（顧客名）"));
        QCOMPARE(shown(m, 2, 0, Qt::ToolTipRole), QStringLiteral("顧客名"));
        QCOMPARE(shown(m, 0, 0), QStringLiteral("CUSTOMERS（顧客）"));
        QCOMPARE(shown(m, 0, 0, Qt::ToolTipRole), QStringLiteral("顧客"));
        QCOMPARE(shown(m, 3, 0), QStringLiteral("T1.MEMO"));
        QCOMPARE(shown(m, 3, 0, Qt::ToolTipRole), QStringLiteral("T1.MEMO"));
        QCOMPARE(m.cellText(2, 0), QStringLiteral("T1.CUST_NAME"));
        QCOMPARE(m.displayText(2, 1), QString());
        std::unique_ptr<QMimeData> drag(m.mimeData({m.index(0, 0)}));
        QCOMPARE(drag->text(), QStringLiteral("T1.CUST_NAME"));

        // A name set while shown tells the views; an empty one removes it.
        m.setCellLogicalName(3, 0, QStringLiteral("備考"));
        QCOMPARE(changed.size(), 2);
        QCOMPARE(shown(m, 3, 0), QStringLiteral("T1.MEMO（備考）"));
        m.setCellLogicalName(3, 0, QString());
        QCOMPARE(shown(m, 3, 0), QStringLiteral("T1.MEMO"));
    }

    // Names go with the cells they belong to: cut off by a smaller shape (and not back when it grows
    // again), gone when the cells are cleared.
    void namesLeaveWithTheirCells() {
        SimpleGridModel m(4, 4);
        m.setLogicalNamesShown(true);
        m.setCellLogicalName(3, 3, QStringLiteral("右下"));
        m.setCellLogicalName(1, 1, QStringLiteral("中"));
        m.setGridRows(3);
        m.setGridRows(4);
        QCOMPARE(m.cellLogicalName(3, 3), QString());
        QCOMPARE(m.cellLogicalName(1, 1), QStringLiteral("中"));
        m.setGridCols(1);
        QCOMPARE(m.cellLogicalName(1, 1), QString());
        m.setCellLogicalName(0, 0, QStringLiteral("左上"));
        m.clearCells();
        QCOMPARE(m.cellLogicalName(0, 0), QString());
    }

    // A result's headings: a new result drops the names of the last; sorting the rows keeps them.
    void resultHeadingsKeepTheirNames() {
        ResultModel m;
        m.setHeaderRows(1);
        m.setHeaderCols(1);
        auto store = std::make_unique<ResultStore>(2);
        store->appendEmptyRows(3);
        m.adopt({QStringLiteral("CUST_NAME"), QStringLiteral("N")}, std::move(store));
        m.setLogicalNamesShown(true);
        m.setCellLogicalName(0, 1, QStringLiteral("顧客名"));
        m.setCellText(1, 2, QStringLiteral("3"));
        m.setCellText(2, 2, QStringLiteral("1"));
        m.setCellText(3, 2, QStringLiteral("2"));
        m.sortRows(2, false);
        QCOMPARE(m.cellText(1, 2), QStringLiteral("1"));
        QCOMPARE(shown(m, 0, 1), QStringLiteral("CUST_NAME（顧客名）"));
        QCOMPARE(shown(m, 0, 2), QStringLiteral("N"));
        QCOMPARE(m.headerData(1, Qt::Horizontal, Qt::ToolTipRole), QVariant());
        QCOMPARE(m.cellText(0, 1), QStringLiteral("CUST_NAME"));

        m.adopt({QStringLiteral("CUST_NAME")}, std::make_unique<ResultStore>(1));
        QCOMPARE(shown(m, 0, 1), QStringLiteral("CUST_NAME"));
        m.setCellLogicalName(0, 1, QStringLiteral("顧客名"));
        m.setGridCols(1);
        m.setGridCols(2);
        QCOMPARE(m.cellLogicalName(0, 1), QString());
    }

    // The statement 抽出 assembled: the fields are the selected items in order, so two columns of the
    // same name keep their own names; case folded by the server does not matter.
    void headingsOfTheAssembledStatement() {
        const QList<DisplayItem> items{item("T1.CUST_ID", "顧客ID"), item("T1.CUST_NAME", "顧客名", true),
                                       item("T2.CUST_ID", "得意先ID", true), item("T2.NOTE", "", true),
                                       item("T2.ORDER_NO", "受注番号")};
        QCOMPARE(headingLogicalNames({"CUST_NAME", "CUST_ID", "NOTE"}, items, true),
                 QStringList({"顧客名", "得意先ID", ""}));
        QCOMPARE(headingLogicalNames({"cust_name", "cust_id", "note"}, items, true),
                 QStringList({"顧客名", "得意先ID", ""}));
        // Nothing selected: the count has no name.
        QList<DisplayItem> none = items;
        for (DisplayItem& i : none)
            i.selected = false;
        QCOMPARE(headingLogicalNames({"COUNT(*)"}, none, true), QStringList({""}));
    }

    // Any other statement: a field takes the name its column has among all display items when they
    // agree on one; two different names, or none, leave it without.
    void headingsOfAnyOtherStatement() {
        const QList<DisplayItem> items{item("T1.CUST_ID", "顧客ID", true), item("T2.CUST_ID", "顧客ID"),
                                       item("T1.NOTE", "備考"), item("T2.NOTE", "受注備考"),
                                       item("T2.ORDER_NO", "受注番号", true)};
        QCOMPARE(headingLogicalNames({"CUST_ID", "NOTE", "order_no", "OTHER", "T2.ORDER_NO"}, items, false),
                 QStringList({"顧客ID", "", "受注番号", "", ""}));
        // Assembled, but the fields are not the selection (a statement of the same text that the server
        // reports otherwise): field by field, the position counts only while the names match.
        QCOMPARE(headingLogicalNames({"ORDER_NO", "CUST_ID"}, items, true),
                 QStringList({"受注番号", "顧客ID"}));
        QCOMPARE(headingLogicalNames({}, items, true), QStringList());
    }
};

QTEST_APPLESS_MAIN(TestHeadingNames)
#include "test_heading_names.moc"
