// Saves in real processes: two programs writing profiles at the same time lose none, and a
// file-size limit makes a save fail with its error instead of ending the program, for the profile
// file and the CSV export alike. The child is zemo_save_child, which starts as the program does.
#include "base/ZemoError.h"
#include "profiles/ProfileStore.h"
#include "support/Files.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

using namespace zemo;
using zemo::test::readFile;

namespace {

struct ChildResult {
    bool normalExit = false;
    int exitCode = -1;
    QString errorText;
};

// Runs the child, under a file-size limit of `fileLimit` bytes when it is not 0.
ChildResult runChild(const QStringList& args, rlim_t fileLimit = 0) {
    QProcess p;
    if (fileLimit != 0)
        p.setChildProcessModifier([fileLimit] {
            const rlimit small{fileLimit, fileLimit};
            setrlimit(RLIMIT_FSIZE, &small);
        });
    p.start(QStringLiteral(ZEMO_SAVE_CHILD), args);
    ChildResult r;
    if (!p.waitForFinished(60000))
        p.kill();
    r.normalExit = p.exitStatus() == QProcess::NormalExit;
    r.exitCode = p.exitCode();
    r.errorText = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
    return r;
}

} // namespace

class TestSaveProcesses : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void concurrentSavesKeepEveryProfile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(kProfileFileName);
        QProcess a, b;
        for (auto [p, prefix] : {std::pair{&a, "a"}, std::pair{&b, "b"}}) {
            p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            p->start(QStringLiteral(ZEMO_SAVE_CHILD),
                     {QStringLiteral("profiles"), path, QLatin1String(prefix), QStringLiteral("100")});
        }
        for (QProcess* p : {&a, &b}) {
            QVERIFY(p->waitForFinished(90000));
            QCOMPARE(p->exitStatus(), QProcess::NormalExit);
            QCOMPARE(p->exitCode(), 0);
        }
        const QStringList names = ListProfileNames(path);
        QCOMPARE(names.size(), 200);
        for (const char* prefix : {"a", "b"})
            for (int i = 0; i < 100; ++i) {
                const QString name = QLatin1String(prefix) + QString::number(i);
                QVERIFY2(names.contains(name), qPrintable(name + QStringLiteral(" lost")));
                QCOMPARE(ReadProfile(name, path).service,
                         QStringLiteral("sqlite:") + name + QStringLiteral(".db"));
            }
        QVERIFY(!QFile::exists(path + QStringLiteral(".lock")));
    }

    void fileSizeLimitFailsTheProfileSave() {
        QTemporaryDir dir;
        const QString path = dir.filePath(kProfileFileName);
        const QByteArray before = "[demo]\r\nNAME=demo\r\nLOG=scott\r\nPAS=tiger\r\nSRV=sqlite:demo.db\r\n";
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(before);
        }
        const ChildResult r =
            runChild({QStringLiteral("profiles"), path, QStringLiteral("new"), QStringLiteral("1")},
                     before.size() + 8);
        QVERIFY2(r.normalExit, "the child was killed by the file-size limit");
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.errorText.startsWith(QString::number(err::ProfileWrite) + QLatin1Char(' ')),
                 qPrintable(r.errorText));
        QCOMPARE(readFile(path), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{kProfileFileName});
    }

    void fileSizeLimitFailsTheCsvExport() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("keep.csv"));
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("old contents\r\n");
        }
        const ChildResult r = runChild({QStringLiteral("csv"), path, QStringLiteral("2000")}, 4096);
        QVERIFY2(r.normalExit, "the child was killed by the file-size limit");
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.errorText.startsWith(QString::number(err::FileWrite) + QLatin1Char(' ')),
                 qPrintable(r.errorText));
        QCOMPARE(readFile(path), QByteArray("old contents\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("keep.csv")});

        // Without a limit the same child writes the whole file.
        const ChildResult ok = runChild({QStringLiteral("csv"), path, QStringLiteral("2000")});
        QCOMPARE(ok.exitCode, 0);
        QVERIFY(readFile(path).size() > 4096);
    }
};

QTEST_GUILESS_MAIN(TestSaveProcesses)
#include "test_save_processes.moc"
