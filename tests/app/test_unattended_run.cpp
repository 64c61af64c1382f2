// zemo-db --run through the real program, copied into a folder of its own beside its profile file:
// the output as the windows write it, and for every failure a non-zero status, one line with the
// error number on standard error and the old output file whole.
#include "app/UnattendedRun.h"
#include "base/ZemoError.h"
#include "db/OracleAccess.h"
#include "mainwindow/SavedQuery.h"
#include "profiles/ProfileStore.h"
#include "results/CsvWriter.h"
#include "results/Form4Logic.h"
#include "results/ResultModel.h"
#include "results/XlsxWriter.h"
#include "support/Files.h"
#include "support/XlsxReader.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/resource.h>

using namespace zemo;

namespace {

struct Run {
    int status = -1;
    QString out;
    QString err;
};

const QByteArray kOld = "an old output file, which a failed run must leave as it is\r\n";

} // namespace

class TestUnattendedRun : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_program;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    // The program with `args`; with `fileLimit` no file it writes may grow beyond that many bytes.
    Run run(const QStringList& args, rlim_t fileLimit = RLIM_INFINITY) const {
        QProcess p;
        p.setProgram(m_program);
        p.setArguments(args);
        p.setChildProcessModifier([fileLimit] {
            if (fileLimit != RLIM_INFINITY) {
                rlimit r{fileLimit, fileLimit};
                setrlimit(RLIMIT_FSIZE, &r);
            }
        });
        p.start();
        Run r;
        if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
            return r;
        r.status = p.exitCode();
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    void save(const QString& name, const QString& profile, const QString& table, const QStringList& items,
              const QList<Condition>& conditions = {}) const {
        SavedQuery q;
        q.profile = profile;
        q.tables = {{0, table}};
        q.items = items;
        q.conditions = conditions;
        writeSavedQuery(q, path(name));
    }

    // The result grid of the saved query as the result window fills it.
    static void windowGrid(const QString& queryFile, const ParameterValues& values, ResultModel& grid) {
        const QString sql = statementToRun(assembleSavedQuery(readSavedQuery(queryFile)));
        auto db = OracleSession().OpenDatabase(QStringLiteral(ZEMO_DEMO_DB), QStringLiteral("demo/demo"));
        auto rs = db->CreateDynaset(sql, 0, values);
        QStringList names;
        for (int j = 0; j < rs->columnCount(); ++j)
            names << rs->FieldName(j);
        auto store = std::make_unique<ResultStore>(rs->columnCount());
        fetchRows(*store, *rs);
        grid.adopt(names, std::move(store));
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        // The program finds its profile file beside itself, as a portable copy does.
        QDir().mkpath(path(QStringLiteral("bin")));
        m_program = path(QStringLiteral("bin/zemo-db"));
        QVERIFY(QFile::copy(QStringLiteral(ZEMO_PROGRAM), m_program));
        const QString ini = profilePathIn(path(QStringLiteral("bin")));
        WriteProfile(QStringLiteral(ZEMO_DEMO_DB), QStringLiteral("demo"), QStringLiteral("demo"),
                     QStringLiteral("デモ"), ini);
        WriteProfile(QStringLiteral("postgresql://127.0.0.1:1/none"), QStringLiteral("u"),
                     QStringLiteral("p"), QStringLiteral("止まったサーバー"), ini);
        WriteProfile(QStringLiteral("postgresql://127.0.0.1:1/none"), QStringLiteral("u"), QString(),
                     QStringLiteral("パスワードなし"), ini);
        const QStringList items{QStringLiteral("T1.ORDER_NO"), QStringLiteral("T1.ORDER_DATE"),
                                QStringLiteral("T1.STATUS"), QStringLiteral("T1.NOTE")};
        const QList<Condition> dated{{QStringLiteral("Where"), QStringLiteral("T1.ORDER_DATE"),
                                      QStringLiteral(">="), QStringLiteral(":開始日")},
                                     {QStringLiteral("And"), QStringLiteral("T1.STATUS"),
                                      QStringLiteral("<>"), QStringLiteral(":状態")}};
        save(QStringLiteral("weekly.zemoq"), QStringLiteral("デモ"), QStringLiteral("ORDERS"), items, dated);
        save(QStringLiteral("all.zemoq"), QStringLiteral("デモ"), QStringLiteral("ORDERS"), items);
        save(QStringLiteral("noprofile.zemoq"), QStringLiteral("消えたプロファイル"),
             QStringLiteral("ORDERS"), items);
        save(QStringLiteral("refused.zemoq"), QStringLiteral("止まったサーバー"), QStringLiteral("ORDERS"),
             items);
        save(QStringLiteral("nopassword.zemoq"), QStringLiteral("パスワードなし"), QStringLiteral("ORDERS"),
             items);
        save(QStringLiteral("badsql.zemoq"), QStringLiteral("デモ"), QStringLiteral("NO_SUCH_TABLE"), items);
        QFile broken(path(QStringLiteral("broken.zemoq")));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("{\"format\": \"ZEMO-DB saved query\", \"version\": ");
    }

    // Every failure: its status, one line with its number, and the old output as it was.
    void failures_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("out");
        QTest::addColumn<int>("fileLimit");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("number");
        const auto row = [this](const char* name, const QString& query, const QString& out, QStringList more,
                                int status, int number, int limit = -1) {
            QStringList args{QStringLiteral("--run"), path(query), QStringLiteral("--out"), out};
            QTest::newRow(name) << (args + more) << out << limit << status << number;
        };
        const QString csv = path(QStringLiteral("out.csv")), xlsx = path(QStringLiteral("out.xlsx"));
        const QStringList values{QStringLiteral("--param"), QStringLiteral("開始日=2024-06-01"),
                                 QStringLiteral("--param"), QStringLiteral(":状態=取消")};
        row("profile missing", "noprofile.zemoq", csv, {}, 1, err::ProfileMissing);
        row("password missing", "nopassword.zemoq", csv, {}, 1, err::BadConnect);
        row("connection refused", "refused.zemoq", csv, {}, 1, err::ServerError);
        row("statement error", "badsql.zemoq", csv, {}, 1, 1); // SQLite's SQLITE_ERROR
        row("placeholder without a value", "weekly.zemoq", csv,
            {QStringLiteral("--param"), QStringLiteral("開始日=2024-06-01")}, 1, err::MissingValue);
        row("query file missing", "none.zemoq", csv, values, 1, err::QueryFileRead);
        row("not a query file", "broken.zemoq", csv, values, 1, err::QueryFileRead);
        row("disk full, CSV", "weekly.zemoq", csv, values, 1, err::FileWrite, 4096);
        row("disk full, workbook", "weekly.zemoq", xlsx, values, 1, err::FileWrite, 4096);
        row("output folder missing", "all.zemoq", path(QStringLiteral("no/such/folder/out.csv")), {}, 1,
            err::FileWrite);
        row("a value for no placeholder", "all.zemoq", csv,
            {QStringLiteral("--param"), QStringLiteral("x=1")}, 2, err::BadArguments);
        row("a value twice", "weekly.zemoq", csv, values + values.mid(0, 2), 2, err::BadArguments);
        row("neither CSV nor workbook", "all.zemoq", path(QStringLiteral("out.txt")), {}, 2,
            err::BadArguments);
        QTest::newRow("no --out") << QStringList{QStringLiteral("--run"), path(QStringLiteral("all.zemoq"))}
                                  << csv << -1 << 2 << err::BadArguments;
        QTest::newRow("an unknown argument")
            << QStringList{QStringLiteral("--run"), path(QStringLiteral("all.zemoq")),
                           QStringLiteral("--out"), csv, QStringLiteral("--quiet")}
            << csv << -1 << 2 << err::BadArguments;
    }
    void failures() {
        QFETCH(QStringList, args);
        QFETCH(QString, out);
        QFETCH(int, fileLimit);
        QFETCH(int, status);
        QFETCH(int, number);
        const bool folder = QFileInfo(out).dir().exists();
        if (folder) {
            QFile old(out);
            QVERIFY(old.open(QIODevice::WriteOnly) && old.write(kOld) == kOld.size());
        }
        const Run r = run(args, fileLimit < 0 ? RLIM_INFINITY : rlim_t(fileLimit));
        QCOMPARE(r.status, status);
        QCOMPARE(r.out, QString());
        QVERIFY2(r.err.startsWith(QStringLiteral("zemo-db: エラー番号：%1 メッセージ：").arg(number)),
                 qPrintable(r.err));
        QVERIFY2(r.err.endsWith(QLatin1Char('\n')) && r.err.count(QLatin1Char('\n')) == 1, qPrintable(r.err));
        if (folder)
            QCOMPARE(test::readFile(out), kOld);
        else
            QVERIFY(!QFileInfo::exists(out));
        // No temporary file is left beside it.
        QCOMPARE(
            QFileInfo(out).dir().entryList({QFileInfo(out).fileName() + QStringLiteral(".*")}, QDir::Files),
            QStringList());
    }

    // A complete run replaces the old file with what the result window's ＣＳＶ出力 writes.
    void csvAsTheWindowWritesIt() {
        const QString out = path(QStringLiteral("weekly.csv"));
        QFile old(out);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write(kOld) == kOld.size());
        old.close();
        const Run r =
            run({QStringLiteral("--run"), path(QStringLiteral("weekly.zemoq")), QStringLiteral("--out"), out,
                 QStringLiteral("--param"), QStringLiteral("開始日=2024-06-01"),
                 QStringLiteral("--param=状態='; DROP TABLE ORDERS; --")});
        QCOMPARE(r.err, QString());
        QCOMPARE(r.status, 0);
        ResultModel grid;
        windowGrid(path(QStringLiteral("weekly.zemoq")),
                   {{QStringLiteral("開始日"), QStringLiteral("2024-06-01")},
                    {QStringLiteral("状態"), QStringLiteral("'; DROP TABLE ORDERS; --")}},
                   grid);
        QVERIFY(grid.gridRows() > 100);
        writeGridCsv(grid, {}, path(QStringLiteral("window.csv")));
        QCOMPARE(test::readFile(out), test::readFile(path(QStringLiteral("window.csv"))));
    }

    void workbookAsTheWindowWritesIt() {
        const QString out = path(QStringLiteral("all.xlsx"));
        const Run r =
            run({QStringLiteral("--run"), path(QStringLiteral("all.zemoq")), QStringLiteral("--out"), out});
        QCOMPARE(r.err, QString());
        QCOMPARE(r.status, 0);
        ResultModel grid;
        windowGrid(path(QStringLiteral("all.zemoq")), {}, grid);
        writeGridXlsx(grid, {}, path(QStringLiteral("window.xlsx")));
        const QList<QStringList> ours = test::xlsxTexts(test::readXlsx(out));
        QCOMPARE(ours.size(), grid.gridRows());
        QCOMPARE(ours, test::xlsxTexts(test::readXlsx(path(QStringLiteral("window.xlsx")))));
    }

    // On a terminal the run shows how far it is, on one line written over.
    void progressOnATerminal() {
        const QString script = QStandardPaths::findExecutable(QStringLiteral("script"));
        if (script.isEmpty())
            QSKIP("no script(1) to give the program a terminal");
        const QString out = path(QStringLiteral("terminal.csv"));
        QProcess p;
        p.start(script, {QStringLiteral("-qec"),
                         QStringLiteral("'%1' --run '%2' --out '%3'")
                             .arg(m_program, path(QStringLiteral("all.zemoq")), out),
                         QStringLiteral("/dev/null")});
        QVERIFY(p.waitForFinished(60000));
        const QString shown = QString::fromUtf8(p.readAllStandardOutput());
        QCOMPARE(p.exitCode(), 0);
        QVERIFY2(shown.contains(QStringLiteral("\r取得中 ")), qPrintable(shown));
        QVERIFY(shown.contains(QStringLiteral("件を書き込んでいます…")));
        QVERIFY(QFileInfo(out).size() > 1000);
    }

    void help() {
        const Run r = run({QStringLiteral("--help")});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.err, QString());
        QVERIFY(r.out.startsWith(
            QStringLiteral("使い方: zemo-db --run 抽出条件ファイル --out 出力ファイル.csv|.xlsx")));
        QCOMPARE(r.out, runHelpText());
    }

    // Which command lines are runs: the windows keep every other argument as before.
    void commandLines() {
        QVERIFY(!wantsUnattendedRun({}));
        QVERIFY(!wantsUnattendedRun({QStringLiteral("-platform"), QStringLiteral("offscreen")}));
        QVERIFY(wantsUnattendedRun({QStringLiteral("--out=x.csv")}));
        QVERIFY(wantsUnattendedRun({QStringLiteral("-h")}));
        const RunArguments a = parseRunArguments({QStringLiteral("--run=q.zemoq"), QStringLiteral("--out"),
                                                  QStringLiteral("r.XLSX"), QStringLiteral("--param"),
                                                  QStringLiteral("式=a=b")});
        QCOMPARE(a.queryFile, QStringLiteral("q.zemoq"));
        QCOMPARE(a.outFile, QStringLiteral("r.XLSX"));
        QCOMPARE(a.values, (ParameterValues{{QStringLiteral("式"), QStringLiteral("a=b")}}));
    }
};

QTEST_GUILESS_MAIN(TestUnattendedRun)
#include "test_unattended_run.moc"
