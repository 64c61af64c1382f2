#include "base/ZemoError.h"
#include "grid/GridModel.h"
#include "results/CsvWriter.h"
#include "results/ResultModel.h"
#include "support/CsvReader.h"
#include "support/DiskFull.h"
#include "support/FakeResultSet.h"
#include "support/Files.h"
#include "support/LoadResult.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace zemo;

namespace {} // namespace

class TestCsvWriter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fieldsAreQuotedOnlyWhenNeeded_data() {
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("plain") << QByteArray("abc") << QByteArray("abc");
        QTest::newRow("empty") << QByteArray("") << QByteArray("");
        QTest::newRow("comma") << QByteArray("a,b") << QByteArray("\"a,b\"");
        QTest::newRow("quotes") << QByteArray("say \"hi\"") << QByteArray("\"say \"\"hi\"\"\"");
        QTest::newRow("only a quote") << QByteArray("\"") << QByteArray("\"\"\"\"");
        QTest::newRow("CR") << QByteArray("a\rb") << QByteArray("\"a\rb\"");
        QTest::newRow("LF") << QByteArray("a\nb") << QByteArray("\"a\nb\"");
        QTest::newRow("blanks and tab stay bare") << QByteArray("  a\tb  ") << QByteArray("  a\tb  ");
        QTest::newRow("Japanese") << QByteArray("日本語、テスト") << QByteArray("日本語、テスト");
    }
    void fieldsAreQuotedOnlyWhenNeeded() {
        QFETCH(QByteArray, field);
        QFETCH(QByteArray, written);
        SimpleGridModel grid(1, 2);
        grid.setCellText(0, 0, QStringLiteral("x"));
        grid.setCellText(0, 1, QString::fromUtf8(field));
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QVERIFY(writeGridCsv(grid, {}, out));
        QCOMPARE(out.data(), "\xEF\xBB\xBFx," + written + "\r\n");
    }

    void wholeGridInColumnOrder() {
        SimpleGridModel grid(3, 3);
        grid.setCellText(0, 1, QStringLiteral("A"));
        grid.setCellText(0, 2, QStringLiteral("B,2"));
        grid.setCellText(1, 0, QStringLiteral("1"));
        grid.setCellText(1, 1, QStringLiteral("x"));
        grid.setCellText(2, 0, QStringLiteral("2"));
        grid.setCellText(2, 2, QStringLiteral("y\r\nz"));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("out.csv"));
        writeGridCsv(grid, {0, 2, 1}, path);
        QCOMPARE(zemo::test::readFile(path),
                 QByteArray("\xEF\xBB\xBF,\"B,2\",A\r\n1,,x\r\n2,\"y\r\nz\",\r\n"));
        // No column order: grid order.
        writeGridCsv(grid, {}, path);
        QCOMPARE(zemo::test::readFile(path),
                 QByteArray("\xEF\xBB\xBF,A,\"B,2\"\r\n1,x,\r\n2,,\"y\r\nz\"\r\n"));
    }

    void largeResultReadsBack() {
        std::vector<FakeResultSet::Row> rows;
        for (int i = 0; i < 20000; ++i)
            rows.push_back(
                {QString::number(i * 7919 % 20000),
                 i % 5 ? QStringLiteral("名前 %1, \"%2\"").arg(i).arg(i % 3) : std::optional<QString>()});
        FakeResultSet rs({"N", "S"}, {ValueKind::Integer, ValueKind::Text}, std::move(rows));
        ResultModel m;
        zemo::test::loadResult(m, rs);
        m.sortRows(1, false);
        m.numberRows();
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("big.csv"));
        writeGridCsv(m, {0, 2, 1}, path);
        const QByteArray bytes = zemo::test::readFile(path);
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        QList<QStringList> records;
        QVERIFY(readCsv(bytes.mid(3), records));
        QCOMPARE(records.size(), 20001);
        QCOMPARE(records[0], QStringList({"", "S", "N"}));
        for (int r = 1; r < m.gridRows(); ++r) {
            const QStringList expect = {QString::number(r), m.cellText(r, 2), m.cellText(r, 1)};
            if (records[r] != expect)
                QFAIL(qPrintable(
                    QStringLiteral("record %1: %2").arg(r).arg(records[r].join(QLatin1Char('|')))));
        }
        QCOMPARE(records[1][2], QStringLiteral("0"));
        QCOMPARE(records[20000][2], QStringLiteral("19999"));
    }

    // A large file fails while it is written; a small one sits in the file's buffer until the end.
    void failedWriteLeavesTheOldFile_data() {
        QTest::addColumn<int>("rowCount");
        QTest::addColumn<int>("diskBytes");
        QTest::newRow("large") << 50000 << 64 * 1024;
        QTest::newRow("small") << 200 << 1024;
    }
    void failedWriteLeavesTheOldFile() {
        QFETCH(int, rowCount);
        QFETCH(int, diskBytes);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("keep.csv"));
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("old contents\r\n");
        }
        std::vector<FakeResultSet::Row> rows(size_t(rowCount),
                                             FakeResultSet::Row{QStringLiteral("0123456789abcdef")});
        FakeResultSet rs({"S"}, {ValueKind::Text}, std::move(rows));
        ResultModel m;
        zemo::test::loadResult(m, rs);

        // The disk fills up after diskBytes.
        QCOMPARE(test::errorNumberWithDiskFullAfter(rlim_t(diskBytes), [&] { writeGridCsv(m, {}, path); }),
                 err::FileWrite);
        QCOMPARE(zemo::test::readFile(path), QByteArray("old contents\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"keep.csv"}));

        // A folder that does not exist: an error, and nothing is created.
        const QString nowhere = dir.filePath(QStringLiteral("no/such/dir/x.csv"));
        QVERIFY_THROWS_EXCEPTION(ZemoError, writeGridCsv(m, {}, nowhere));
        QVERIFY(!QFile::exists(nowhere));
    }
};

QTEST_GUILESS_MAIN(TestCsvWriter)
#include "test_csv_writer.moc"
