// Exports cut the way they fail, through zemo-bench as a script runs it: a file-size limit at cut
// points through the whole file (for a workbook also through its largest part, which the library
// writes to temporary files of its own before packing), and a volume that fills up. A failed export
// is status 1 with error 1201, the old file whole and no temporary file; one that fits is status 0
// and reads back as the same export written freely.
#include "support/Files.h"
#include "support/XlsxReader.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/resource.h>
#include <unistd.h>

using namespace zemo::test;

namespace {

const QByteArray kOld("old contents\r\n");

// zemo-bench saving 8,000 rows of the demo database as `path`, no file growing beyond `limit` bytes
// (0: no limit); finished, or killed after 90 s.
std::unique_ptr<QProcess> runBench(const QString& path, qint64 limit) {
    auto bench = std::make_unique<QProcess>();
    bench->setChildProcessModifier([limit] {
        const rlimit small{rlim_t(limit), rlim_t(limit)};
        if (limit > 0)
            setrlimit(RLIMIT_FSIZE, &small);
    });
    bench->start(QStringLiteral(ZEMO_BENCH),
                 {"--no-grid", "--service", ZEMO_DEMO_DB, "--user", "u", "--password", "p", "--sql",
                  "with recursive n(i) as (select 1 union all select i + 1 from n where i < 8000) "
                  "select i as N, 'name ' || i || ' 名前' as T, i * 0.25 as R from n",
                  "--" + QFileInfo(path).suffix(), path});
    if (!bench->waitForFinished(90000))
        bench->kill();
    return bench;
}

// A tmpfs of `bytes` of its own, mounted in a mount namespace that `helper` holds (as root a new
// mount namespace, otherwise a user namespace too), reached through /proc/<helper>/root. Its mounts
// are made private first, or, in a chroot where they cannot be, none may be shared: nothing outside
// sees the volume, and it goes when the helper's input closes, also when the test dies. Empty when
// it could not be made.
QString smallVolume(QProcess& helper, const QString& mountPoint, qint64 bytes) {
    helper.start(QStringLiteral("unshare"),
                 {geteuid() == 0 ? "-m" : "-rm", "--propagation", "unchanged", "sh", "-c",
                  QStringLiteral(
                      "{ mount --make-rprivate / 2>/dev/null || ! grep -q ' shared:' /proc/self/mountinfo; } "
                      "&& mount -t tmpfs -o size=%1 zemo \"$0\" && echo ready && exec cat")
                      .arg(bytes),
                  mountPoint});
    if (!helper.waitForReadyRead(10000) || !helper.readAllStandardOutput().startsWith("ready"))
        return {};
    return QStringLiteral("/proc/%1/root%2").arg(helper.processId()).arg(mountPoint);
}

} // namespace

class TestExportFailures : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    // "csv", "xlsx": the files written freely; "part": the workbook's largest part unpacked; "parts":
    // all its parts.
    QMap<QString, qint64> m_size;

private Q_SLOTS:
    void initTestCase() {
        for (const char* format : {"csv", "xlsx"}) {
            QCOMPARE(runBench(m_dir.filePath(QStringLiteral("free.") + format), 0)->exitCode(), 0);
            m_size[format] = QFileInfo(m_dir.filePath(QStringLiteral("free.") + format)).size();
        }
        for (const QJsonValue& v : readXlsx(m_dir.filePath("free.xlsx"), false, true).object()) {
            m_size["part"] = std::max(m_size["part"], qint64(v.toDouble()));
            m_size["parts"] += qint64(v.toDouble());
        }
        QVERIFY(m_size["part"] > 2 * m_size["xlsx"]);
    }

    // A file-size limit or a volume with room of `fraction` times a size. A workbook's own size is too
    // little for the parts it is packed from; 2.5 times its parts (3.7 MB) is room enough: no more
    // room is asked for than the writing takes (7 MB were).
    void cutAnywhere_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("onVolume");
        QTest::addColumn<QString>("of");
        QTest::addColumn<double>("fraction");
        QTest::addColumn<int>("status");
        for (const char* f : {"csv", "xlsx"})
            for (const double x : {0.001, 0.1, 0.4, 0.7, 0.95, 0.9995, 1.0})
                QTest::addRow("%s, limit %g of the file", f, x)
                    << f << false << f << x << int(x < 1 || *f == 'x');
        // At 0.9995 the rows' file fits: only the packing meets the limit.
        for (const double x : {0.5, 0.9995, 1.0})
            QTest::addRow("xlsx, limit %g of the part", x) << "xlsx" << false << "part" << x << int(x < 1);
        for (const double x : {0.98, 1.2})
            QTest::addRow("csv, volume %g of the file", x) << "csv" << true << "csv" << x << int(x < 1);
        for (const double x : {0.5, 1.05, 2.5}) // 1.05: the rows fit, their packing does not
            QTest::addRow("xlsx, volume %g of the parts", x) << "xlsx" << true << "parts" << x << int(x < 2);
    }
    void cutAnywhere() {
        QFETCH(QString, format);
        QFETCH(bool, onVolume);
        QFETCH(QString, of);
        QFETCH(double, fraction);
        QFETCH(int, status);
        const auto bytes = qint64(std::max(1.0, fraction * double(m_size[of])));
        QTemporaryDir dir;
        QProcess helper;
        // A page more on the volume for the old file.
        const QString folder = onVolume ? smallVolume(helper, dir.path(), bytes + 4096) : dir.path();
        QVERIFY2(!folder.isEmpty(), helper.readAllStandardError().constData());
        const QString path = folder + QStringLiteral("/keep.") + format;
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write(kOld) == kOld.size());
        old.close();
        const auto bench = runBench(path, onVolume ? 0 : bytes);
        const QByteArray errors = bench->readAllStandardError();
        QCOMPARE(bench->exitStatus(), QProcess::NormalExit);
        QVERIFY2(bench->exitCode() == status, errors.constData());
        const QString free = m_dir.filePath(QStringLiteral("free.") + format);
        if (status != 0) {
            QVERIFY2(errors.contains("error 1201"), errors.constData());
            QCOMPARE(readFile(path), kOld);
        } else if (format == QLatin1String("csv")) {
            QCOMPARE(readFile(path), readFile(free));
        } else {
            QCOMPARE(xlsxTexts(readXlsx(path)), xlsxTexts(readXlsx(free)));
        }
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList({"keep." + format}));
        helper.closeWriteChannel();
        helper.waitForFinished(5000);
    }
};

QTEST_GUILESS_MAIN(TestExportFailures)
#include "test_export_failures.moc"
