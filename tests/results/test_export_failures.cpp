// Exports that fail part-way, the way they fail: a file-size limit cutting the writing anywhere in
// the file, a volume that fills up, and zemo-bench asked for an export that fails. A failure must be
// the error, the old file whole and no temporary file left; a success a file that reads back whole.
#include "app/ZemoError.h"
#include "results/CsvWriter.h"
#include "results/ResultModel.h"
#include "results/XlsxWriter.h"
#include "support/DiskFull.h"
#include "support/FakeResultSet.h"
#include "support/Files.h"
#include "support/SmallVolume.h"
#include "support/XlsxReader.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/resource.h>

using namespace zemo;
using namespace zemo::test;
using K = ValueKind;

namespace {

// Three sheets for a workbook of the large grid.
constexpr int kRowsPerSheet = 2500;
const QByteArray kOld("old contents\r\n");

std::unique_ptr<ResultModel> sampleGrid(int rows) {
    std::vector<FakeResultSet::Row> data;
    for (int i = 0; i < rows; ++i)
        data.push_back({QString::number(i * 7919 % 100000),
                        QStringLiteral("名前 %1, \"%2\"").arg(i).arg(i % 7),
                        i % 9 ? QStringLiteral("2024-01-%1").arg(1 + i % 28, 2, 10, QLatin1Char('0'))
                              : std::optional<QString>(),
                        QString(1 + i % 40, QChar(0x30A2 + i % 50))});
    FakeResultSet rs({"N", "S", "D", "T"}, {K::Integer, K::Text, K::DateTime, K::Text}, std::move(data));
    auto m = std::make_unique<ResultModel>();
    m->load(rs);
    return m;
}

// The file an export is to replace.
bool writeOld(const QString& path) {
    QFile old(path);
    return old.open(QIODevice::WriteOnly) && old.write(kOld) == kOld.size();
}

void write(const QString& format, const GridModel& grid, const QString& path) {
    if (format == QLatin1String("xlsx"))
        writeGridXlsx(grid, {}, path, kRowsPerSheet);
    else
        writeGridCsv(grid, {}, path);
}

// The sheets a workbook of `grid` shows: the headings, then its rows kRowsPerSheet at a time.
QList<QList<QStringList>> expectedSheets(const GridModel& grid) {
    QList<QList<QStringList>> sheets;
    auto row = [&grid](int r) {
        QStringList cells;
        for (int c = 0; c < grid.gridCols(); ++c)
            cells << grid.cellText(r, c);
        return cells;
    };
    for (int first = 1; first < grid.gridRows(); first += kRowsPerSheet) {
        QList<QStringList> sheet{row(0)};
        for (int r = first; r < std::min(grid.gridRows(), first + kRowsPerSheet); ++r)
            sheet << row(r);
        sheets << sheet;
    }
    return sheets;
}

QList<QList<QStringList>> shownSheets(const QString& path) {
    const QJsonDocument book = readXlsx(path);
    QList<QList<QStringList>> sheets;
    for (int s = 0; s < book[QStringLiteral("sheets")].toArray().size(); ++s)
        sheets << xlsxTexts(book, s);
    return sheets;
}

struct Sizes {
    qint64 file = 0;    // the finished file
    qint64 parts = 0;   // a workbook's parts before packing, all together
    qint64 largest = 0; // the largest file the write makes on the way
};

} // namespace

class TestExportFailures : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<ResultModel> m_large = sampleGrid(3 * kRowsPerSheet - 500);
    std::unique_ptr<ResultModel> m_small = sampleGrid(5);
    QMap<QString, QByteArray> m_csv; // each grid's CSV file written freely, by "large" or "small"
    QMap<QString, Sizes> m_sizes;    // the large grid's files, by format

    // After a write under `number`: the file as it must be and nothing else in its folder.
    void checkOutcome(const QString& format, const GridModel& grid, const QString& path, int number,
                      bool written) {
        if (written) {
            QCOMPARE(number, 0);
            if (format == QLatin1String("csv"))
                QCOMPARE(readFile(path), m_csv[&grid == m_large.get() ? "large" : "small"]);
            else
                QCOMPARE(shownSheets(path), expectedSheets(grid));
        } else {
            QCOMPARE(number, err::FileWrite);
            QCOMPARE(readFile(path), kOld);
        }
        QCOMPARE(QDir(QFileInfo(path).path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList({QFileInfo(path).fileName()}));
    }

    // zemo-bench exporting 20,000 rows of the demo database to `path`, files limited to `limit` bytes
    // (none when 0); finished.
    static std::unique_ptr<QProcess> runBench(const QString& format, const QString& path, qint64 limit) {
        auto bench = std::make_unique<QProcess>();
        bench->setChildProcessModifier([limit] {
            if (limit > 0) {
                const rlimit small{rlim_t(limit), rlim_t(limit)};
                setrlimit(RLIMIT_FSIZE, &small);
            }
        });
        bench->start(QStringLiteral(ZEMO_BENCH),
                     {"--no-grid", "--service", ZEMO_DEMO_DB, "--user", "u", "--password", "p", "--sql",
                      "with recursive n(i) as (select 1 union all select i + 1 from n where i < 20000) "
                      "select i as N, 'text ' || i as T from n",
                      "--" + format, path});
        if (!bench->waitForFinished(90000))
            bench->kill();
        return bench;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        writeGridCsv(*m_small, {}, m_dir.filePath(QStringLiteral("small.csv")));
        m_csv["small"] = readFile(m_dir.filePath(QStringLiteral("small.csv")));
        for (const QString& format : {QStringLiteral("csv"), QStringLiteral("xlsx")}) {
            const QString path = m_dir.filePath(QStringLiteral("large.") + format);
            write(format, *m_large, path);
            if (format == QLatin1String("csv"))
                m_csv["large"] = readFile(path);
            Sizes& s = m_sizes[format];
            s.file = s.largest = QFileInfo(path).size();
            if (format == QLatin1String("xlsx")) {
                const QJsonObject parts = runXlsxHelper(QStringLiteral("--part-sizes"), path).object();
                QCOMPARE(parts.size(), 11); // three sheets and the workbook's other parts
                for (const QJsonValue& v : parts) {
                    s.parts += qint64(v.toDouble());
                    s.largest = std::max(s.largest, qint64(v.toDouble()));
                }
                // The sheets, unpacked, are several times the packed file.
                QVERIFY(s.largest > 2 * s.file);
            }
        }
    }

    // Cut points spread over the whole file, and for a workbook also over its largest part before
    // packing, which the library writes to temporary files of its own.
    void sizeLimitAtAnyCut_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("ofLargest");
        QTest::addColumn<double>("fraction");
        QTest::addColumn<bool>("written");
        for (const QString& format : {QStringLiteral("csv"), QStringLiteral("xlsx")}) {
            for (const double f : {0.0005, 0.05, 0.25, 0.5, 0.75, 0.95, 0.9995})
                QTest::addRow("%s, %g of the file", qPrintable(format), f) << format << false << f << false;
        }
        QTest::newRow("csv, the whole file") << QStringLiteral("csv") << false << 1.0 << true;
        // A workbook's own size is too little for the parts it is packed from.
        QTest::newRow("xlsx, the whole file") << QStringLiteral("xlsx") << false << 1.0 << false;
        for (const double f : {0.25, 0.5, 0.75, 0.95, 0.9995})
            QTest::addRow("xlsx, %g of the largest part", f) << QStringLiteral("xlsx") << true << f << false;
        QTest::newRow("xlsx, the largest part") << QStringLiteral("xlsx") << true << 1.0 << true;
    }
    void sizeLimitAtAnyCut() {
        QFETCH(QString, format);
        QFETCH(bool, ofLargest);
        QFETCH(double, fraction);
        QFETCH(bool, written);
        const Sizes& s = m_sizes[format];
        const auto limit =
            rlim_t(std::max<qint64>(1, qint64(fraction * double(ofLargest ? s.largest : s.file))));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("keep.") + format);
        QVERIFY(writeOld(path));
        const int number = errorNumberWithDiskFullAfter(limit, [&] { write(format, *m_large, path); });
        checkOutcome(format, *m_large, path, number, written);
    }

    // A volume with so much room left. A workbook of a few kilobytes is written on 3 MiB; a large one
    // fails when the file does not fit, when its sheets do not fit before packing, and when they fit
    // but the packing does not.
    void fullVolume_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("large");
        QTest::addColumn<QString>("of"); // "bytes", "file" or "parts"
        QTest::addColumn<double>("room");
        QTest::addColumn<bool>("written");
        QTest::newRow("csv, small, 3 MiB")
            << QStringLiteral("csv") << false << "bytes" << double(3 << 20) << true;
        QTest::newRow("xlsx, small, 3 MiB")
            << QStringLiteral("xlsx") << false << "bytes" << double(3 << 20) << true;
        QTest::newRow("csv, half the file") << QStringLiteral("csv") << true << "file" << 0.5 << false;
        QTest::newRow("csv, 0.98 of the file") << QStringLiteral("csv") << true << "file" << 0.98 << false;
        QTest::newRow("csv, the file and more") << QStringLiteral("csv") << true << "file" << 1.2 << true;
        QTest::newRow("xlsx, half the file") << QStringLiteral("xlsx") << true << "file" << 0.5 << false;
        QTest::newRow("xlsx, half the parts") << QStringLiteral("xlsx") << true << "parts" << 0.5 << false;
        QTest::newRow("xlsx, the parts, not the packing")
            << QStringLiteral("xlsx") << true << "parts" << 1.05 << false;
        QTest::newRow("xlsx, room for all") << QStringLiteral("xlsx") << true << "parts" << 4.0 << true;
    }
    void fullVolume() {
        QFETCH(QString, format);
        QFETCH(bool, large);
        QFETCH(QString, of);
        QFETCH(double, room);
        QFETCH(bool, written);
        SmallVolume volume(32 << 20);
        QVERIFY2(!volume.path().isEmpty(), qPrintable(volume.error()));
        const QString folder = volume.path() + QStringLiteral("/out");
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + QStringLiteral("/keep.") + format;
        QVERIFY(writeOld(path));
        const Sizes& s = m_sizes[format];
        const double base = of == QLatin1String("file")    ? double(s.file)
                            : of == QLatin1String("parts") ? double(s.parts)
                                                           : 1.0;
        QVERIFY(volume.leaveFree(volume.path() + QStringLiteral("/fill"), qint64(room * base)));
        const GridModel& grid = large ? *m_large : *m_small;
        int number = 0;
        try {
            write(format, grid, path);
        } catch (const ZemoError& e) {
            number = e.number();
        }
        checkOutcome(format, grid, path, number, written);
    }

    // The benchmark's status tells whether the export it was asked for was written: a size limit
    // anywhere (also one only the packing meets) and a volume that fills up while packing fail it.
    void benchStatusTellsAFailedExport_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("failure"); // "", "size limit" or "full volume"
        QTest::addColumn<double>("fraction"); // of the largest part / of all parts
        QTest::addColumn<int>("status");
        QTest::newRow("csv, size limit") << QStringLiteral("csv") << "size limit" << 0.25 << 1;
        QTest::newRow("xlsx, size limit") << QStringLiteral("xlsx") << "size limit" << 0.25 << 1;
        QTest::newRow("xlsx, size limit only the packing meets")
            << QStringLiteral("xlsx") << "size limit" << 0.9999 << 1;
        QTest::newRow("xlsx, volume full while packing")
            << QStringLiteral("xlsx") << "full volume" << 1.05 << 1;
        QTest::newRow("xlsx, written") << QStringLiteral("xlsx") << "" << 0.0 << 0;
    }
    void benchStatusTellsAFailedExport() {
        QFETCH(QString, format);
        QFETCH(QString, failure);
        QFETCH(double, fraction);
        QFETCH(int, status);
        // The same export written freely first, for the sizes it takes.
        const QString free = m_dir.filePath(QStringLiteral("bench.") + format);
        QCOMPARE(runBench(format, free, 0)->exitCode(), 0);
        qint64 largest = QFileInfo(free).size();
        qint64 parts = 0;
        if (format == QLatin1String("xlsx"))
            for (const QJsonValue& v : runXlsxHelper(QStringLiteral("--part-sizes"), free).object()) {
                largest = std::max(largest, qint64(v.toDouble()));
                parts += qint64(v.toDouble());
            }

        QTemporaryDir dir;
        SmallVolume volume(32 << 20);
        const bool onVolume = failure == QLatin1String("full volume");
        if (onVolume) {
            QVERIFY2(!volume.path().isEmpty(), qPrintable(volume.error()));
            QVERIFY(QDir().mkpath(volume.path() + QStringLiteral("/out")));
        }
        const QString folder = onVolume ? volume.path() + QStringLiteral("/out") : dir.path();
        const QString path = folder + QStringLiteral("/keep.") + format;
        QVERIFY(writeOld(path));
        if (onVolume)
            QVERIFY(
                volume.leaveFree(volume.path() + QStringLiteral("/fill"), qint64(fraction * double(parts))));
        const bool limited = failure == QLatin1String("size limit");
        const std::unique_ptr<QProcess> bench =
            runBench(format, path, limited ? qint64(fraction * double(largest)) : 0);
        const QByteArray errors = bench->readAllStandardError();
        QCOMPARE(bench->exitStatus(), QProcess::NormalExit);
        QVERIFY2(bench->exitCode() == status, errors.constData());
        if (status == 0) {
            QCOMPARE(readXlsx(path, true).array(), QJsonArray({QJsonArray{"sheet1.xml", "A1:C20001"}}));
        } else {
            QVERIFY2(errors.contains("error 1201"), errors.constData());
            QCOMPARE(readFile(path), kOld);
        }
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList({"keep." + format}));
    }
};

QTEST_GUILESS_MAIN(TestExportFailures)
#include "test_export_failures.moc"
