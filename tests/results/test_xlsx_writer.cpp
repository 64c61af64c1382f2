#include "base/ZemoError.h"
#include "results/CsvWriter.h"
#include "results/ResultModel.h"
#include "results/XlsxCells.h"
#include "results/XlsxWriter.h"
#include "support/DiskFull.h"
#include "support/FakeResultSet.h"
#include "support/Files.h"
#include "support/LoadResult.h"
#include "support/XlsxReader.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace zemo;
using namespace zemo::test;
using K = ValueKind;

namespace {

QList<QStringList> gridTexts(const GridModel& g, const QList<int>& cols) {
    QList<QStringList> out;
    for (int r = 0; r < g.gridRows(); ++r) {
        QStringList row;
        for (const int c : cols)
            row << g.cellText(r, c);
        out << row;
    }
    return out;
}

// A grid of row numbers and one column "V" whose cells are made up when read: no memory for a
// million rows.
class CountingGrid : public GridModel {
public:
    explicit CountingGrid(int dataRows) : m_rows(dataRows + 1) {}
    int gridRows() const override { return m_rows; }
    int gridCols() const override { return 2; }
    void setGridRows(int) override {}
    void setGridCols(int) override {}
    QString cellText(int row, int col) const override {
        if (row == 0)
            return col == 0 ? QString() : QStringLiteral("V");
        return col == 0 ? QString::number(row) : QStringLiteral("v%1").arg(row);
    }
    void setCellText(int, int, const QString&) override {}
    void clearCells() override {}
    ColumnKind columnKind(int col) const override { return col == 0 ? ColumnKind::Number : ColumnKind::Text; }

private:
    int m_rows;
};

// A window's progress as the writers see it: every report noted, and a stop where the test says.
class ProgressProbe : public WriteProgress {
public:
    enum StopAt { Never, AmongTheRows, InTheLastStep };
    explicit ProgressProbe(StopAt stopAt) : m_stopAt(stopAt) {}
    bool rowsWritten(qint64 done, qint64 total) override {
        reports << done;
        totals << total;
        m_stopped = m_stopped || (m_stopAt == AmongTheRows && done >= 8000);
        return !m_stopped;
    }
    void finishing(const std::function<void()>& work) override {
        work();
        lastStep = true;
        m_stopped = m_stopped || m_stopAt == InTheLastStep;
    }
    bool stopped() const override { return m_stopped; }
    QList<qint64> reports, totals;
    bool lastStep = false;

private:
    StopAt m_stopAt;
    bool m_stopped = false;
};

} // namespace

Q_DECLARE_METATYPE(ProgressProbe::StopAt)

class TestXlsxWriter : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void numbersThatASheetHoldsAsTheyAreWritten() {
        const QList<std::pair<const char*, int>> taken = {{"0", 0},
                                                          {"42", 0},
                                                          {"-12.50", 2},
                                                          {"123456789012345", 0},
                                                          {"12345678901234.5", 1},
                                                          {"0.000120", 6},
                                                          {"0.000000000000001", 15},
                                                          {"-0.5", 1}};
        for (const auto& [text, decimals] : taken) {
            double v = 0;
            int d = -1;
            QVERIFY2(sheetNumber(text, v, d), text);
            QCOMPARE(d, decimals);
            QCOMPARE(v, std::strtod(text, nullptr));
        }
        for (const char* text :
             {"1234567890123456", "9007199254740993", "9000000000697000001", "000123", "01.5", "+5", "-0",
              "-0.00", "1e5", ".5", "5.", "0.1234567890123456", "1,000", " 1", ""}) {
            double v = 0;
            int d = 0;
            QVERIFY2(!sheetNumber(text, v, d), text);
        }
    }

    void datesToTheSecond() {
        double serial = 0;
        SheetDateShape shape{};
        QVERIFY(sheetDateTime("2024-01-05", serial, shape));
        QCOMPARE(serial, 45296.0);
        QCOMPARE(shape, SheetDateShape::Date);
        QVERIFY(sheetDateTime("1900-03-01T12:00:00", serial, shape));
        QCOMPARE(serial, 61.5);
        QCOMPARE(shape, SheetDateShape::DateTime);
        QVERIFY(sheetDateTime("18:00:00", serial, shape));
        QCOMPARE(serial, 0.75);
        QCOMPARE(shape, SheetDateShape::Time);
        for (const char* text :
             {"2023-02-29", "1900-02-28", "2024-01-05 12:34:56.5", "2024-01-05 12:34:56+09", "24:00:00",
              "2024-01-05 12:60:00", "infinity", "2024-1-5", "0044-03-15 BC"})
            QVERIFY2(!sheetDateTime(text, serial, shape), text);
    }

    void textTheWayReadersDecodeIt() {
        std::string out;
        QVERIFY(!sheetText("a_x0041_b_X00e9_", out));
        QCOMPARE(out, std::string("a_x005F_x0041_b_X00e9_"));
        QVERIFY(!sheetText(std::string_view("a\0b\xEF\xBF\xBE", 6), out));
        QCOMPARE(out, std::string("a_x0000_b_xFFFE_"));
        QVERIFY(!sheetText("a\x01\r\t\nb", out));
        QCOMPARE(out, std::string("a_x0001__x000D_\t\nb"));
        QVERIFY(!sheetText("bad\xFF", out));
        QCOMPARE(out, std::string("bad\xEF\xBF\xBD"));
        // Cut after 32,767 characters as a sheet counts them: an emoji is two.
        QVERIFY(!sheetText(std::string(32767, 'a'), out));
        QVERIFY(sheetText(std::string(32768, 'a'), out));
        QCOMPARE(out.size(), size_t(32767));
        std::string emoji;
        for (int i = 0; i < 16384; ++i)
            emoji += "\xF0\x9F\x98\x80";
        QVERIFY(sheetText(emoji, out));
        QCOMPARE(out.size(), size_t(16383 * 4));
        QCOMPARE(sheetTextWidth("ab日本\r\nx"), 6);
    }

    // Every cell of an awkward table reads back as the grid shows it, in the grid's row and column
    // order, and numbers, dates and text each land in the kind of cell that keeps them.
    void awkwardTableReadsBack() {
        const QStringList names = {"N15", "N19", "N38", "T", "D"};
        std::vector<FakeResultSet::Row> rows = {
            {"123456789012345", "9000000000697000001", "12345678901234567890123456789012345678", "000123",
             "2024-01-05"},
            {"2.50", "-1234567890123456789", "-0.00000000000000000000000000000000000001", "=1+2",
             "2024-01-05 12:34:56"},
            {"-0.5", "9007199254740993", "1", "+81-3-1234-5678", "2024-01-05 12:34:56.123456"},
            {"0.000120", std::nullopt, "0", "1e5", "2024-01-05 12:34:56+09"},
            {"0", "1", "2", "2024-01-05", "12:34:56"},
            {"7", "2", "3", "日本語のテキスト 😀👍🏽", "1899-12-31"},
            {"8", "3", "4", "line1\nline2\r\nline3", "infinity"},
            {"9", "4", "5", "  @home_x0041_ ", std::nullopt},
            {"10", "5", "6", QString(""), "2000-02-29"},
            {"11", "6", "7", "-", "2000-02-29"},
            // 32,767 characters as a sheet shows them, many more once escaped: kept whole.
            {"12", "7", "8",
             QStringLiteral("_x0041_").repeated(4000) + QStringLiteral("\x01\r\0").repeated(1589), "-"},
        };
        FakeResultSet rs(names, {K::Decimal, K::Decimal, K::Decimal, K::Text, K::DateTime}, std::move(rows));
        ResultModel m;
        zemo::test::loadResult(m, rs);
        m.sortRows(4, true);
        m.numberRows();
        const QList<int> cols = {0, 4, 1, 2, 3, 5};
        const QString path = m_dir.filePath(QStringLiteral("awkward.xlsx"));
        const XlsxReport report = writeGridXlsx(m, cols, path);
        QCOMPARE(report.cutCells, 0);
        QCOMPARE(report.sheets, 1);
        QCOMPARE(xlsxNotice(report), QString());

        const QJsonDocument book = readXlsx(path);
        QVERIFY(!book.isNull());
        QCOMPARE(xlsxTexts(book), gridTexts(m, cols));
        const QJsonObject sheet = book[QStringLiteral("sheets")][0].toObject();
        QCOMPARE(sheet[QStringLiteral("freeze")].toString(), QStringLiteral("B2"));
        const QJsonArray headings = sheet[QStringLiteral("rows")][0].toArray();
        for (qsizetype c = 1; c < headings.size(); ++c)
            QVERIFY(headings[c][2].toBool());
        QVERIFY(!sheet[QStringLiteral("rows")][1][1][2].toBool());
        // The text column holds Japanese and a long line: wider than the row numbers.
        const QJsonObject widths = sheet[QStringLiteral("widths")].toObject();
        QVERIFY2(widths[QStringLiteral("E")].toDouble() > widths[QStringLiteral("A")].toDouble() + 5,
                 qPrintable(QJsonDocument(widths).toJson()));

        // Kinds, found by the text they show in a column (0 row numbers, 1 T, 2 N15, 3 N19, 4 N38, 5 D).
        const QList<QStringList> texts = xlsxTexts(book);
        const auto kindAt = [&](int col, const QString& text) {
            for (int r = 1; r < texts.size(); ++r)
                if (texts[r].value(col) == text)
                    return xlsxKind(book, r, col);
            return QStringLiteral("<no such cell>");
        };
        const QList<std::tuple<int, const char*, const char*>> expected = {
            {0, "10", "n"},
            {2, "123456789012345", "n"},
            {2, "2.50", "n"},
            {2, "0.000120", "n"},
            {2, "-0.5", "n"},
            {3, "9000000000697000001", "s"},
            {3, "9007199254740993", "s"},
            {3, "", ""},
            {4, "12345678901234567890123456789012345678", "s"},
            {4, "-0.00000000000000000000000000000000000001", "s"},
            {1, "000123", "s"},
            {1, "=1+2", "s"},
            {1, "1e5", "s"},
            {1, "-", "s"},
            {1, "2024-01-05", "s"},
            {1, "", ""},
            {5, "2024-01-05", "d"},
            {5, "2024-01-05 12:34:56", "d"},
            {5, "12:34:56", "d"},
            {5, "2000-02-29", "d"},
            {5, "2024-01-05 12:34:56.123456", "s"},
            {5, "2024-01-05 12:34:56+09", "s"},
            {5, "1899-12-31", "s"},
            {5, "infinity", "s"},
            {5, "", ""}};
        for (const auto& [col, text, kind] : expected)
            QVERIFY2(kindAt(col, QString::fromUtf8(text)) == QLatin1String(kind),
                     qPrintable(QStringLiteral("column %1, %2: %3").arg(col).arg(text, kindAt(col, text))));
    }

    void longCellsAreCutAndCounted() {
        const QString fits(32767, QLatin1Char('a'));
        const QString over(32768, QLatin1Char('b'));
        const QString japanese = QString(40000, QChar(0x3042));
        std::vector<FakeResultSet::Row> rows = {{fits, over}, {japanese, "short"}};
        FakeResultSet rs({"A", "B"}, {K::Text, K::Text}, std::move(rows));
        ResultModel m;
        zemo::test::loadResult(m, rs);
        const QString path = m_dir.filePath(QStringLiteral("long.xlsx"));
        const XlsxReport report = writeGridXlsx(m, {}, path);
        QCOMPARE(report.cutCells, 2);
        QCOMPARE(xlsxNotice(report),
                 QStringLiteral("2個のセルが 32,767文字を超えていたため、32,767文字までを保存しました。"));
        const QList<QStringList> texts = xlsxTexts(readXlsx(path));
        QCOMPARE(texts.size(), 3);
        QCOMPARE(texts[1], QStringList({"1", fits, over.left(32767)}));
        QCOMPARE(texts[2], QStringList({"2", japanese.left(32767), "short"}));
    }

    void rowsBeyondASheetContinueOnTheNext() {
        std::vector<FakeResultSet::Row> rows;
        for (int i = 1; i <= 7; ++i)
            rows.push_back({QStringLiteral("r%1").arg(i)});
        FakeResultSet rs({"S"}, {K::Text}, std::move(rows));
        ResultModel m;
        zemo::test::loadResult(m, rs);
        const QString path = m_dir.filePath(QStringLiteral("sheets.xlsx"));
        const XlsxReport report = writeGridXlsx(m, {}, path, 3);
        QCOMPARE(report.sheets, 3);
        QCOMPARE(
            xlsxNotice(report, 3),
            QStringLiteral("行数が 1シートの上限（3行）を超えたため、3枚のシートに分けて保存しました。"));
        const QJsonDocument book = readXlsx(path);
        QCOMPARE(xlsxTexts(book, 0), QList<QStringList>({{"", "S"}, {"1", "r1"}, {"2", "r2"}, {"3", "r3"}}));
        QCOMPARE(xlsxTexts(book, 1), QList<QStringList>({{"", "S"}, {"4", "r4"}, {"5", "r5"}, {"6", "r6"}}));
        QCOMPARE(xlsxTexts(book, 2), QList<QStringList>({{"", "S"}, {"7", "r7"}}));

        // The real limit: a full first sheet, two rows on the second.
        CountingGrid big(kSheetDataRows + 2);
        const QString bigPath = m_dir.filePath(QStringLiteral("big.xlsx"));
        QCOMPARE(writeGridXlsx(big, {}, bigPath).sheets, 2);
        QCOMPARE(readXlsx(bigPath, true).array(),
                 QJsonArray({QJsonArray{"sheet1.xml", "A1:B1048576"}, QJsonArray{"sheet2.xml", "A1:B3"}}));
        QFile::remove(bigPath);
    }

    // Both writers say how far they are every few thousand rows, and a stop, among the rows or in the
    // last step, leaves the old file as it was.
    void stoppedWriteLeavesTheOldFile_data() {
        QTest::addColumn<bool>("workbook");
        QTest::addColumn<ProgressProbe::StopAt>("stopAt");
        for (const bool workbook : {false, true}) {
            const char* format = workbook ? "Excel" : "CSV";
            QTest::addRow("%s, to the end", format) << workbook << ProgressProbe::Never;
            QTest::addRow("%s, stopped among the rows", format) << workbook << ProgressProbe::AmongTheRows;
            QTest::addRow("%s, stopped in the last step", format) << workbook << ProgressProbe::InTheLastStep;
        }
    }
    void stoppedWriteLeavesTheOldFile() {
        QFETCH(bool, workbook);
        QFETCH(ProgressProbe::StopAt, stopAt);
        QTemporaryDir dir;
        const QString path =
            dir.filePath(workbook ? QStringLiteral("keep.xlsx") : QStringLiteral("keep.csv"));
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("old contents");
        }
        const CountingGrid grid(20000);
        ProgressProbe progress(stopAt);
        int failure = 0;
        try {
            if (workbook)
                writeGridXlsx(grid, {}, path, kSheetDataRows, &progress);
            else
                writeGridCsv(grid, {}, path, &progress);
        } catch (const ZemoError& e) {
            failure = e.number();
        }
        QCOMPARE(failure, stopAt == ProgressProbe::Never ? 0 : int(err::Cancelled));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList({QFileInfo(path).fileName()}));
        QCOMPARE(readFile(path) == QByteArray("old contents"), stopAt != ProgressProbe::Never);
        QCOMPARE(progress.lastStep, stopAt != ProgressProbe::AmongTheRows);
        const QList<qint64> everyReport{4095, 8191, 12287, 16383};
        QCOMPARE(progress.reports,
                 stopAt == ProgressProbe::AmongTheRows ? everyReport.mid(0, 2) : everyReport);
        QCOMPARE(progress.totals, QList<qint64>(progress.reports.size(), 20000));
    }

    void failedWriteLeavesTheOldFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("keep.xlsx"));
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("old contents");
        }
        std::vector<FakeResultSet::Row> rows;
        for (int i = 0; i < 20000; ++i)
            rows.push_back({QStringLiteral("%1 %2").arg(i * 7919).arg(QString(20, QChar(0x30A2 + i % 50)))});
        FakeResultSet rs({"S"}, {K::Text}, std::move(rows));
        ResultModel m;
        zemo::test::loadResult(m, rs);

        // The disk fills up after 64 KiB.
        QCOMPARE(errorNumberWithDiskFullAfter(64 * 1024, [&] { writeGridXlsx(m, {}, path); }),
                 err::FileWrite);
        QCOMPARE(readFile(path), QByteArray("old contents"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"keep.xlsx"}));

        const QString nowhere = dir.filePath(QStringLiteral("no/such/dir/x.xlsx"));
        QVERIFY_THROWS_EXCEPTION(ZemoError, writeGridXlsx(m, {}, nowhere));
        QVERIFY(!QFile::exists(nowhere));

        // With room again the same grid replaces the file, which keeps its permissions; a new file gets
        // those of any new file there.
        const auto ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
        QVERIFY(QFile::setPermissions(path, ownerOnly));
        writeGridXlsx(m, {}, path);
        QCOMPARE(QFile::permissions(path), ownerOnly);
        const QString fresh = dir.filePath(QStringLiteral("fresh.xlsx"));
        writeGridXlsx(m, {}, fresh);
        QFile plain(dir.filePath(QStringLiteral("plain")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        QCOMPARE(QFile::permissions(fresh), plain.permissions());
        plain.remove();
        QFile::remove(fresh);
        QCOMPARE(readXlsx(path, true).array(), QJsonArray({QJsonArray{"sheet1.xml", "A1:B20001"}}));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"keep.xlsx"}));
    }
};

QTEST_GUILESS_MAIN(TestXlsxWriter)
#include "test_xlsx_writer.moc"
