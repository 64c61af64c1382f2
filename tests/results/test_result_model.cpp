#include "base/ZemoError.h"
#include "results/NumberText.h"
#include "results/ResultModel.h"
#include "results/ResultStore.h"
#include "support/AllocationLimit.h"
#include "support/FakeResultSet.h"
#include "support/LoadResult.h"

#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QtTest>
#include <future>
#include <thread>

using namespace zemo;
using K = ValueKind;

namespace {

// Whether another thread could take `lock` right now.
bool freeForOthers(std::mutex& lock) {
    return std::async(std::launch::async,
                      [&lock] {
                          const bool got = lock.try_lock();
                          if (got)
                              lock.unlock();
                          return got;
                      })
        .get();
}

// A result set that watches the store's lock: free while it is advanced, held while a row is read
// into the store. It can raise the stop flag after some rows and fail while a row is read.
class WatchedResultSet : public FakeResultSet {
public:
    using FakeResultSet::FakeResultSet;
    std::mutex* lock = nullptr;
    std::atomic<bool>* stop = nullptr;
    int stopAfter = -1;  // rows read before the stop flag goes up
    int failReadAt = -1; // row whose second column cannot be read
    mutable bool heldWhileReading = true;
    bool freeWhileAdvancing = true;

    void next() override {
        if (lock)
            freeWhileAdvancing = freeWhileAdvancing && freeForOthers(*lock);
        ++m_read;
        if (stop && m_read == stopAfter)
            stop->store(true);
        FakeResultSet::next();
    }
    bool textUtf8(int col, std::string_view& out) const override {
        if (lock)
            heldWhileReading = heldWhileReading && !freeForOthers(*lock);
        if (m_read == failReadAt && col == 1)
            throw ZemoError(-1555, QStringLiteral("bad value"));
        return FakeResultSet::textUtf8(col, out);
    }

private:
    int m_read = 0;
};

std::vector<FakeResultSet::Row> numberedRows(int n, const QString& prefix = QStringLiteral("v")) {
    std::vector<FakeResultSet::Row> rows;
    for (int i = 1; i <= n; ++i)
        rows.push_back({QString::number(i), prefix + QString::number(i)});
    return rows;
}

QStringList storeColumn(const ResultStore& s, int col) {
    QStringList out;
    std::string scratch;
    for (uint32_t d = 0; d < s.rows(); ++d) {
        std::string_view v;
        s.text(s.physOf(d), col, v, scratch);
        out << QString::fromUtf8(v.data(), qsizetype(v.size()));
    }
    return out;
}

// Column `col` of the data rows, top to bottom.
QStringList column(const ResultModel& m, int col) {
    QStringList out;
    for (int r = 1; r < m.gridRows(); ++r)
        out << m.cellText(r, col);
    return out;
}

std::unique_ptr<FakeResultSet> oneColumn(K kind, const QList<std::optional<QString>>& values) {
    std::vector<FakeResultSet::Row> rows;
    for (const auto& v : values)
        rows.push_back({v});
    return std::make_unique<FakeResultSet>(QStringList{"V"}, std::vector<K>{kind}, std::move(rows));
}

} // namespace

class TestResultModel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The grid paints a bounded start of a cell's first line; the whole value stays for copies and files.
    void hugeAndMultiLineCellsShowABoundedFirstLine() {
        const qsizetype n = GridModel::kShownChars;
        const QString ell(QChar(0x2026));
        const QString huge(5'000'000, QLatin1Char('x'));
        const QString jp = QString(n + 10, QChar(0x65E5)); // three UTF-8 bytes a character
        QString pairs; // four bytes and two UTF-16 units a character, one pair cut at the end
        for (qsizetype i = 0; i < n / 2 + 3; ++i)
            pairs += QStringLiteral("\U0001F600");
        const QString exact(n, QLatin1Char('e'));
        auto rs =
            oneColumn(K::Text, {huge, QStringLiteral("first\r\nsecond"), QStringLiteral("a\nb"),
                                QStringLiteral("one\u2028two"), jp, pairs, exact, QString(), std::nullopt});
        ResultModel m;
        zemo::test::loadResult(m, *rs);
        QCOMPARE(m.shownText(1, 1), QString(n, QLatin1Char('x')) + ell);
        QCOMPARE(m.shownText(2, 1), QStringLiteral("first") + ell);
        QCOMPARE(m.shownText(3, 1), QStringLiteral("a") + ell);
        QCOMPARE(m.shownText(4, 1), QStringLiteral("one") + ell);
        QCOMPARE(m.shownText(5, 1), jp.left(n) + ell);
        QCOMPARE(m.shownText(6, 1), pairs.left(n) + ell);
        QCOMPARE(m.shownText(7, 1), exact);
        QCOMPARE(m.shownText(8, 1), QString());
        QCOMPARE(m.shownText(9, 1), QString());
        QCOMPARE(m.shownText(0, 1), QStringLiteral("V"));
        // The view gets the shown text; a tip keeps the lines; the cells themselves are whole.
        QCOMPARE(m.index(1, 1).data().toString().size(), n + 1);
        QCOMPARE(m.index(2, 1).data(Qt::ToolTipRole).toString(), QStringLiteral("first\r\nsecond"));
        QCOMPARE(m.index(1, 1).data(Qt::ToolTipRole).toString(), QString(n, QLatin1Char('x')) + ell);
        QCOMPARE(m.cellText(1, 1), huge);
        std::string scratch;
        QCOMPARE(m.cellUtf8(1, 1, scratch).size(), size_t(huge.size()));
        // A pair is never split: an odd bound keeps whole characters only.
        bool more = false;
        QCOMPARE(m.cellPrefix(6, 1, 5, more), pairs.left(4));
        QVERIFY(more);
        QCOMPARE(m.cellPrefix(3, 1, 3, more), QStringLiteral("a\nb"));
        QVERIFY(!more);
        // A simple grid bounds its cells the same way.
        SimpleGridModel g(1, 1);
        g.setCellText(0, 0, QStringLiteral("p\nq"));
        QCOMPARE(g.shownText(0, 0), QStringLiteral("p") + ell);
        QCOMPARE(g.cellPrefix(0, 0, 2, more), QStringLiteral("p\n"));
        QVERIFY(more);
    }

    // A server connection lost after some rows (the SQLite case runs through the window's test).
    void failingFetchKeepsTheRowsBeforeIt() {
        std::vector<FakeResultSet::Row> rows;
        for (int i = 1; i <= 5000; ++i)
            rows.push_back({QString::number(i)});
        FakeResultSet lost({"N"}, {K::Integer}, std::move(rows), 4500);
        ResultModel m;
        QVERIFY_THROWS_EXCEPTION(ZemoError, zemo::test::loadResult(m, lost));
        QCOMPARE(m.gridRows(), 4501);
        QCOMPARE(m.cellText(4500, 0), QStringLiteral("4500"));
        QCOMPARE(m.cellText(4500, 1), QStringLiteral("4500"));
        QCOMPARE(m.rowCount(), 4501); // without header mode the view sees the header row too
    }

    void numbersSortByExactValue() {
        const QList<std::optional<QString>> values = {QStringLiteral("9223372036854775807"),
                                                      QStringLiteral("10"),
                                                      std::nullopt,
                                                      QStringLiteral("9223372036854775806"),
                                                      QStringLiteral("-9223372036854775808"),
                                                      QStringLiteral("2.50"),
                                                      QStringLiteral("0.1000000000000000001"),
                                                      QStringLiteral("9"),
                                                      QStringLiteral("2.5"),
                                                      QStringLiteral("0.1"),
                                                      QStringLiteral("-0.5"),
                                                      QStringLiteral("1.5e3"),
                                                      QStringLiteral("9223372036854775805")};
        auto rs = oneColumn(K::Decimal, values);
        ResultModel m;
        zemo::test::loadResult(m, *rs);
        QVERIFY(m.isNumericColumn(1));
        m.sortRows(1, false);
        const QStringList asc = {"",
                                 "-9223372036854775808",
                                 "-0.5",
                                 "0.1",
                                 "0.1000000000000000001",
                                 "2.50",
                                 "2.5",
                                 "9",
                                 "10",
                                 "1.5e3",
                                 "9223372036854775805",
                                 "9223372036854775806",
                                 "9223372036854775807"};
        QCOMPARE(column(m, 1), asc);
        // Row numbers travel with their rows until the grid numbers them again.
        QCOMPARE(m.cellText(1, 0), QStringLiteral("3"));
        m.numberRows();
        QCOMPARE(m.cellText(1, 0), QStringLiteral("1"));
        QCOMPARE(m.cellText(13, 0), QStringLiteral("13"));

        m.sortRows(1, true);
        // Descending: 2.50 and 2.5 are equal and keep their order, the empty cell goes last.
        QCOMPARE(column(m, 1),
                 QStringList({"9223372036854775807", "9223372036854775806", "9223372036854775805", "1.5e3",
                              "10", "9", "2.50", "2.5", "0.1000000000000000001", "0.1", "-0.5",
                              "-9223372036854775808", ""}));
    }

    void numberTextComparison() {
        QCOMPARE(compareNumberText("12.50", "12.5"), 0);
        QCOMPARE(compareNumberText("-0", "0.000"), 0);
        QCOMPARE(compareNumberText("1e2", "100"), 0);
        QCOMPARE(compareNumberText(".5", "0.49999999999999999999"), 1);
        QCOMPARE(compareNumberText("-12345678901234567890123", "-12345678901234567890122"), -1);
        QCOMPARE(compareNumberText("99999999999999999999", "1e20"), -1);
        QCOMPARE(compareNumberText("inf", "abc"), -1);
        double d = 0;
        bool exact = true;
        QVERIFY(parseNumberText("123456789012345678", d, exact));
        QVERIFY(!exact);
        QVERIFY(parseNumberText("-12.25", d, exact));
        QVERIFY(exact);
        QCOMPARE(d, -12.25);
        QVERIFY(!parseNumberText("12a", d, exact));
        QVERIFY(!parseNumberText("", d, exact));
    }

    void textSortsByCodePointAndStably() {
        std::vector<FakeResultSet::Row> rows = {{QStringLiteral("東京都港区2"), QStringLiteral("a")},
                                                {QStringLiteral("b"), QStringLiteral("b")},
                                                {std::nullopt, QStringLiteral("c")},
                                                {QStringLiteral("東京都港区1"), QStringLiteral("d")},
                                                {QStringLiteral("B"), QStringLiteral("e")},
                                                {QStringLiteral("b"), QStringLiteral("f")},
                                                {QStringLiteral("ab"), QStringLiteral("g")},
                                                {QStringLiteral("abcdefgh1"), QStringLiteral("h")},
                                                {QStringLiteral("abcdefgh"), QStringLiteral("i")},
                                                {QString(""), QStringLiteral("j")},
                                                {QStringLiteral("10"), QStringLiteral("k")},
                                                {QStringLiteral("9"), QStringLiteral("l")}};
        FakeResultSet rs({"S", "TAG"}, {K::Text, K::Text}, std::move(rows));
        ResultModel m;
        zemo::test::loadResult(m, rs);
        QVERIFY(!m.isNumericColumn(1));
        m.sortRows(1, false);
        QCOMPARE(column(m, 2), QStringList({"c", "j", "k", "l", "e", "g", "i", "h", "b", "f", "d", "a"}));
        m.sortRows(1, true);
        QCOMPARE(column(m, 2), QStringList({"a", "d", "b", "f", "h", "i", "g", "e", "l", "k", "c", "j"}));
    }

    void selectionFollowsItsRowThroughASort() {
        auto rs = oneColumn(K::Integer, {QStringLiteral("3"), QStringLiteral("1"), QStringLiteral("2")});
        ResultModel m;
        zemo::test::loadResult(m, *rs);
        m.setHeaderRows(1);
        m.setHeaderCols(1);
        QItemSelectionModel sel(&m);
        sel.setCurrentIndex(m.index(0, 0), QItemSelectionModel::ClearAndSelect); // the row holding 3
        m.sort(0, Qt::AscendingOrder);
        QCOMPARE(sel.currentIndex().row(), 2);
        QCOMPARE(m.data(sel.currentIndex()).toString(), QStringLiteral("3"));
        QCOMPARE(m.headerData(0, Qt::Vertical).toString(), QStringLiteral("2"));
        QCOMPARE(m.headerData(0, Qt::Horizontal).toString(), QStringLiteral("V"));
    }

    void gridOperationsKeepTheCells() {
        auto rs = oneColumn(K::Integer, {QStringLiteral("30"), QStringLiteral("10"), QStringLiteral("20")});
        ResultModel m;
        zemo::test::loadResult(m, *rs);
        m.sortRows(1, false);
        m.setCellText(2, 1, QStringLiteral("編集"));
        m.setCellText(3, 0, QStringLiteral("x"));
        QCOMPARE(column(m, 1), QStringList({"10", "編集", "30"}));
        std::string scratch;
        QCOMPARE(m.cellUtf8(2, 1, scratch), std::string_view("編集"));

        // More columns and rows: the new cells are empty, the old ones stay in their display order.
        m.setGridCols(3);
        m.setGridRows(6);
        QCOMPARE(column(m, 1), QStringList({"10", "編集", "30", "", ""}));
        QCOMPARE(column(m, 0), QStringList({"2", "3", "x", "", ""}));
        QCOMPARE(column(m, 2), QStringList({"", "", "", "", ""}));
        m.setGridRows(3);
        QCOMPARE(column(m, 1), QStringList({"10", "編集"}));
        m.clearCells();
        QCOMPARE(m.gridRows(), 3);
        QCOMPARE(m.gridCols(), 3);
        QCOMPARE(column(m, 1), QStringList({"", ""}));
        QCOMPARE(m.cellText(0, 1), QString());
        m.setGridRows(1);
        m.setGridCols(1);
        QCOMPARE(m.gridRows(), 1);
        QCOMPARE(m.gridCols(), 1);

        // A grid that is filled again starts numbering below what it holds.
        auto again = oneColumn(K::Text, {QStringLiteral("a"), QStringLiteral("b")});
        zemo::test::loadResult(m, *again);
        QCOMPARE(column(m, 0), QStringList({"1", "2"}));
        QVERIFY(!m.isNumericColumn(1));
    }
    // The fetch off the window's thread: the lock only around the row being written, the count after
    // every row, the stop flag before every row.
    void storeFetchSharesTheStoreRowByRow() {
        WatchedResultSet rs({"N", "S"}, {K::Integer, K::Text}, numberedRows(6));
        std::mutex lock;
        std::atomic<bool> stop{false};
        std::atomic<int> taken{-1};
        rs.lock = &lock;
        rs.stop = &stop;
        rs.stopAfter = 4;
        ResultStore store(2);
        QVERIFY(!fetchRows(store, rs, {&lock, &stop, &taken}));
        QVERIFY(rs.heldWhileReading);
        QVERIFY(rs.freeWhileAdvancing);
        QCOMPARE(taken.load(), 4);
        QCOMPARE(storeColumn(store, 2), QStringList({"v1", "v2", "v3", "v4"}));
        QCOMPARE(storeColumn(store, 0), QStringList({"1", "2", "3", "4"}));
        QVERIFY(store.isNumeric(1));
        QVERIFY(!store.isNumeric(2));

        // Going on from where it stopped appends behind the rows already there.
        stop = false;
        QVERIFY(fetchRows(store, rs, {&lock, &stop, &taken}));
        QCOMPARE(taken.load(), 2);
        QCOMPARE(storeColumn(store, 2), QStringList({"v1", "v2", "v3", "v4", "v5", "v6"}));
        QCOMPARE(storeColumn(store, 0), QStringList({"1", "2", "3", "4", "5", "6"}));
    }

    void storeFetchFailureKeepsTheRowsBeforeIt() {
        // Lost while moving on: every row read before it stays.
        FakeResultSet lost({"N", "S"}, {K::Integer, K::Text}, numberedRows(5000), 4500);
        ResultStore store(2);
        std::atomic<int> taken{0};
        QVERIFY_THROWS_EXCEPTION(ZemoError, fetchRows(store, lost, {nullptr, nullptr, &taken}));
        QCOMPARE(store.rows(), 4500u);
        QCOMPARE(taken.load(), 4500);

        // A value that cannot be read half-way through a row: that row is not kept, and rows
        // appended later read back whole (its bytes do not stay in the block).
        WatchedResultSet bad({"N", "S"}, {K::Integer, K::Text}, numberedRows(5, QStringLiteral("長い値")));
        bad.failReadAt = 2;
        ResultStore small(2);
        QVERIFY_THROWS_EXCEPTION(ZemoError, fetchRows(small, bad));
        QCOMPARE(small.rows(), 2u);
        bad.failReadAt = -1;
        QVERIFY(fetchRows(small, bad));
        QCOMPARE(storeColumn(small, 1), QStringList({"1", "2", "3", "4", "5"}));
        QCOMPARE(storeColumn(small, 2), QStringList({"長い値1", "長い値2", "長い値3", "長い値4", "長い値5"}));
    }

    // A store filled on another thread, then shown by the model in one reset.
    void adoptShowsAStoreFilledElsewhere() {
        auto store = std::make_unique<ResultStore>(2);
        std::thread worker([&store] {
            FakeResultSet rs({"N", "S"}, {K::Integer, K::Text}, numberedRows(5000));
            fetchRows(*store, rs);
        });
        worker.join();
        ResultModel m;
        m.setHeaderRows(1);
        m.setHeaderCols(1);
        auto old = oneColumn(K::Text, {QStringLiteral("old1"), QStringLiteral("old2")});
        zemo::test::loadResult(m, *old);
        m.sortRows(1, true);
        QSignalSpy resets(&m, &QAbstractItemModel::modelReset);
        m.adopt({"N", "S"}, std::move(store));
        QCOMPARE(resets.size(), 1);
        QCOMPARE(m.gridRows(), 5001);
        QCOMPARE(m.gridCols(), 3);
        QCOMPARE(m.rowCount(), 5000);
        QCOMPARE(m.cellText(0, 0), QString());
        QCOMPARE(m.cellText(0, 2), QStringLiteral("S"));
        QCOMPARE(m.headerData(1, Qt::Horizontal).toString(), QStringLiteral("S"));
        QCOMPARE(m.cellText(1, 0), QStringLiteral("1"));
        QCOMPARE(m.cellText(5000, 0), QStringLiteral("5000"));
        QCOMPARE(m.cellText(5000, 2), QStringLiteral("v5000"));
        QVERIFY(m.isNumericColumn(1));
        QVERIFY(!m.isNumericColumn(2));
        m.sortRows(1, true);
        QCOMPARE(m.cellText(1, 2), QStringLiteral("v5000"));
    }

    // A heading-click sort without memory for its keys: the rows stay, and the failure is announced.
    void sortOutOfMemoryIsAnnounced() {
        std::vector<FakeResultSet::Row> rows;
        for (int i = 0; i < 20000; ++i)
            rows.push_back({QString::number((i * 7919) % 20000)});
        FakeResultSet rs({"N"}, {K::Integer}, std::move(rows));
        ResultModel m;
        zemo::test::loadResult(m, rs);
        m.setHeaderRows(1);
        m.setHeaderCols(1);
        const QStringList before = column(m, 1);
        QList<int> numbers;
        connect(&m, &ResultModel::sortFailed, this,
                [&numbers](const ZemoError& e) { numbers << e.number(); });
        {
            const test::AllocationLimit limit(64 * 1024);
            m.sort(0, Qt::AscendingOrder);
        }
        QCOMPARE(numbers, QList<int>({err::OutOfMemory}));
        QCOMPARE(column(m, 1), before);
        m.sort(0, Qt::AscendingOrder);
        QCOMPARE(numbers.size(), 1);
        QCOMPARE(m.cellText(1, 1), QStringLiteral("0"));
        QCOMPARE(m.cellText(20000, 1), QStringLiteral("19999"));
    }
};

QTEST_GUILESS_MAIN(TestResultModel)
#include "test_result_model.moc"
