// zemo-db --run through the real program, copied into a folder of its own beside its profile file:
// the output as the result window writes it, and for every failure a non-zero status, one line with
// the error number on standard error and the old output file whole.
#include "app/UnattendedRun.h"
#include "db/OracleAccess.h"
#include "mainwindow/SavedQuery.h"
#include "profiles/ProfileStore.h"
#include "results/CsvWriter.h"
#include "results/Form4Logic.h"
#include "results/ResultModel.h"
#include "support/Files.h"
#include "support/XlsxReader.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/resource.h>

using namespace zemo;
using zemo::test::readFile;

namespace {
const QByteArray kOld = "an old output file, which a failed run must leave as it is\r\n";
} // namespace

class TestUnattendedRun : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    // The program's status, standard output and error; no file may grow beyond `fileLimit` bytes.
    QStringList run(QString program, const QStringList& args, rlim_t fileLimit = RLIM_INFINITY) const {
        QProcess p;
        p.setProgram(program.isEmpty() ? path(QStringLiteral("bin/zemo-db")) : program);
        p.setArguments(args);
        p.setChildProcessModifier([fileLimit] {
            const rlimit r{fileLimit, fileLimit};
            setrlimit(RLIMIT_FSIZE, &r);
        });
        p.start();
        p.closeWriteChannel(); // script(1) reads its input until it ends
        if (!p.waitForFinished(20000) || p.exitStatus() != QProcess::NormalExit)
            return {};
        return {QString::number(p.exitCode()), QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }
    QStringList runQuery(const QString& query, const QString& out, const QStringList& more = {},
                         rlim_t fileLimit = RLIM_INFINITY) const {
        return run({}, QStringList{QStringLiteral("--run"), path(query), QStringLiteral("--out"), out} + more,
                   fileLimit);
    }
    void save(const QString& name, const QString& profile, const QString& table, bool dated) const {
        SavedQuery q;
        q.profile = profile;
        q.tables = {{0, table}};
        q.items = {QStringLiteral("T1.ORDER_NO"), QStringLiteral("T1.ORDER_DATE"),
                   QStringLiteral("T1.STATUS")};
        if (dated)
            q.conditions = {{QStringLiteral("Where"), QStringLiteral("T1.ORDER_DATE"), QStringLiteral(">="),
                             QStringLiteral(":開始日")},
                            {QStringLiteral("And"), QStringLiteral("T1.STATUS"), QStringLiteral("<>"),
                             QStringLiteral(":状態")}};
        writeSavedQuery(q, path(name));
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid() && QDir().mkpath(path(QStringLiteral("bin"))));
        // A portable copy: it keeps its profile file beside itself.
        QVERIFY(QFile::copy(QStringLiteral(ZEMO_PROGRAM), path(QStringLiteral("bin/zemo-db"))));
        const QString ini = profilePathIn(path(QStringLiteral("bin")));
        const QString closed = QStringLiteral("postgresql://127.0.0.1:1/none");
        WriteProfile(QStringLiteral(ZEMO_DEMO_DB), QString(), QString(), QStringLiteral("デモ"), ini);
        WriteProfile(closed, QStringLiteral("u"), QStringLiteral("p"), QStringLiteral("止まったサーバー"),
                     ini);
        save(QStringLiteral("weekly.zemoq"), QStringLiteral("デモ"), QStringLiteral("ORDERS"), true);
        save(QStringLiteral("all.zemoq"), QStringLiteral("デモ"), QStringLiteral("ORDERS"), false);
        save(QStringLiteral("noprofile.zemoq"), QStringLiteral("ない"), QStringLiteral("ORDERS"), false);
        save(QStringLiteral("refused.zemoq"), QStringLiteral("止まったサーバー"), QStringLiteral("ORDERS"),
             false);
        save(QStringLiteral("badsql.zemoq"), QStringLiteral("デモ"), QStringLiteral("NO_SUCH_TABLE"), false);
    }

    // Each failure: its status, one line with its number, the old output as it was, nothing beside it.
    void failures_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QStringList>("more");
        QTest::addColumn<int>("fileLimit");
        QTest::addColumn<QString>("line");
        const QString csv = QStringLiteral("out.csv");
        const QStringList values{QStringLiteral("--param"), QStringLiteral("開始日=2024-06-01"),
                                 QStringLiteral("--param"), QStringLiteral(":状態=取消")};
        const auto row = [](const char* tag, const char* query, const QString& out, const QStringList& more,
                            const char* line, int limit = 0) {
            QTest::newRow(tag) << QString::fromUtf8(query) << out << more << limit << QString::fromUtf8(line);
        };
        row("profile missing", "noprofile.zemoq", csv, {}, "1 1105");
        row("connection refused", "refused.zemoq", csv, {}, "1 1401");
        row("statement error", "badsql.zemoq", csv, {}, "1 1"); // SQLite's SQLITE_ERROR
        row("placeholder without a value", "weekly.zemoq", csv, values.mid(0, 2), "1 1006");
        row("query file missing", "none.zemoq", csv, values, "1 1501");
        row("disk full, CSV", "weekly.zemoq", csv, values, "1 1201", 4096);
        row("disk full, workbook", "weekly.zemoq", QStringLiteral("out.xlsx"), values, "1 1201", 4096);
        row("a value for nothing", "all.zemoq", csv, {QStringLiteral("--param"), QStringLiteral("x=1")},
            "2 1601");
        row("not .csv or .xlsx", "all.zemoq", QStringLiteral("out.txt"), {}, "2 1601");
    }
    void failures() {
        QFETCH(QString, query);
        QFETCH(QString, out);
        QFETCH(QStringList, more);
        QFETCH(int, fileLimit);
        QFETCH(QString, line);
        const QString target = path(out);
        const bool folder = QFileInfo(target).dir().exists();
        QFile old(target);
        QVERIFY(!folder || (old.open(QIODevice::WriteOnly) && old.write(kOld) == kOld.size()));
        old.close();
        const QStringList r = runQuery(query, target, more, fileLimit ? rlim_t(fileLimit) : RLIM_INFINITY);
        QCOMPARE(r.value(0) + QLatin1Char(' ') +
                     r.value(2).section(QStringLiteral("："), 1, 1).section(QLatin1Char(' '), 0, 0),
                 line);
        QVERIFY2(r.value(2).startsWith(QStringLiteral("zemo-db: エラー番号：")) &&
                     r.value(2).count(QLatin1Char('\n')) == 1,
                 qPrintable(r.value(2)));
        QCOMPARE(r.value(1), QString());
        QCOMPARE(readFile(target), folder ? kOld : QByteArray("<missing>"));
        QCOMPARE(QDir(path({})).entryList({QFileInfo(target).fileName() + QStringLiteral(".*")}, QDir::Files),
                 QStringList());
    }

    // A complete run replaces the old file with what the result window's ＣＳＶ出力 writes; the values
    // go as parameters; a workbook holds the same cells.
    void outputAsTheWindowWritesIt() {
        const QStringList values{QStringLiteral("--param"), QStringLiteral("開始日=2024-06-01"),
                                 QStringLiteral("--param=状態='; DROP TABLE ORDERS; --")};
        QCOMPARE(runQuery(QStringLiteral("weekly.zemoq"), path(QStringLiteral("out.csv")), values),
                 (QStringList{"0", "", ""}));
        QCOMPARE(runQuery(QStringLiteral("weekly.zemoq"), path(QStringLiteral("out.xlsx")), values),
                 (QStringList{"0", "", ""}));
        auto db = OracleSession().OpenDatabase(QStringLiteral(ZEMO_DEMO_DB), QString());
        auto rs = db->CreateDynaset(
            statementToRun(assembleSavedQuery(readSavedQuery(path(QStringLiteral("weekly.zemoq"))))), 0,
            {{QStringLiteral("開始日"), QStringLiteral("2024-06-01")},
             {QStringLiteral("状態"), QStringLiteral("'; DROP TABLE ORDERS; --")}});
        auto store = std::make_unique<ResultStore>(rs->columnCount());
        fetchRows(*store, *rs);
        ResultModel grid;
        grid.adopt({QStringLiteral("ORDER_NO"), QStringLiteral("ORDER_DATE"), QStringLiteral("STATUS")},
                   std::move(store));
        QVERIFY(grid.gridRows() > 100);
        writeGridCsv(grid, {}, path(QStringLiteral("window.csv")));
        QCOMPARE(readFile(path(QStringLiteral("out.csv"))), readFile(path(QStringLiteral("window.csv"))));
        QCOMPARE(test::xlsxTexts(test::readXlsx(path(QStringLiteral("out.xlsx")))).size(), grid.gridRows());
    }

    // --help on standard output; on a terminal, progress on one line written over.
    void helpAndProgress() {
        QCOMPARE(run({}, {QStringLiteral("--help")}), (QStringList{"0", runHelpText(), ""}));
        const QStringList shown =
            run(QStringLiteral("script"),
                {QStringLiteral("-qec"),
                 QStringLiteral("'%1' --run '%2' --out '%3'")
                     .arg(path(QStringLiteral("bin/zemo-db")), path(QStringLiteral("all.zemoq")),
                          path(QStringLiteral("terminal.csv"))),
                 QStringLiteral("/dev/null")});
        QCOMPARE(shown.value(0), QStringLiteral("0"));
        QVERIFY2(shown.value(1).contains(QStringLiteral("\r取得中 ")) &&
                     shown.value(1).contains(QStringLiteral("件を書き込んでいます…")),
                 qPrintable(shown.value(1)));
        QVERIFY(QFileInfo(path(QStringLiteral("terminal.csv"))).size() > 1000);
    }
};

QTEST_GUILESS_MAIN(TestUnattendedRun)
#include "test_unattended_run.moc"
