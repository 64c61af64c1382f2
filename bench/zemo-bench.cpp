// Measures the result window's work on a large result: fetching into the grid as the window does it
// (on the connection's thread, the rows handed to the grid on screen as they arrive), sorting by a text
// and a number column, and saving the grid as CSV and as an Excel workbook, with the program's own
// adapter, grid model, sort and writers. Prints one JSON line.

#include "BenchTable.h"
#include "CsvCompare.h"
#include "PeakMemory.h"
#include "base/SaveFileSync.h"
#include "base/ZemoError.h"
#include "db/DbConnection.h"
#include "db/OracleAccess.h"
#include "db/StatementCheck.h"
#include "grid/GridWidget.h"
#include "profiles/ProfilePasswords.h"
#include "results/CsvWriter.h"
#include "results/ResultFetch.h"
#include "results/ResultModel.h"
#include "results/ResultRun.h"
#include "results/XlsxWriter.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QEventLoop>
#include <QHeaderView>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <exception>
#include <optional>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

QString jsonNumber(std::optional<double> v, int decimals = 3) {
    return v ? QString::number(*v, 'f', decimals) : QStringLiteral("null");
}

int fail(const QString& message) {
    std::fprintf(stderr, "zemo-bench: %s\n", message.toLocal8Bit().constData());
    return 1;
}

// The moment the grid first paints with rows in it.
class FirstRowsPaint : public QObject {
public:
    FirstRowsPaint(QWidget* viewport, const zemo::ResultModel& model) : m_model(model) {
        viewport->installEventFilter(this);
    }
    std::optional<Clock::time_point> at;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && !at && m_model.rowCount() > 0)
            at = Clock::now();
        return false;
    }

private:
    const zemo::ResultModel& m_model;
};

// The longest time the window thread's event loop went without turning: the widest gap between the
// ticks of a 1 ms timer.
class LoopGaps {
public:
    LoopGaps() {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const auto now = Clock::now();
            longest = std::max(longest, std::chrono::duration<double>(now - m_last).count());
            m_last = now;
        });
        m_last = Clock::now();
        m_timer.start();
    }
    double longest = 0;

private:
    QTimer m_timer;
    Clock::time_point m_last;
};

} // namespace

// The one-statement check stands before every query: linear in the text, whatever it holds.
int benchStatementCheck() {
    const QString piece = QStringLiteral("select 'a;''b', \"c;d\", $x$;$$;$x$, E'\\';', q'[;']' "
                                         "/* ; /* ; */ */ -- ;\r\n[e;f] `g;h` $1 V$S #;\n");
    QString text;
    while (text.size() * 2 < (1 << 20))
        text += piece;
    std::printf("{\"bytes\":%lld", static_cast<long long>(text.size() * 2));
    const std::pair<const char*, zemo::SqlDialect> dialects[] = {{"generic", zemo::SqlDialect::Generic},
                                                                 {"oracle", zemo::SqlDialect::Oracle},
                                                                 {"postgres", zemo::SqlDialect::Postgres},
                                                                 {"sqlite", zemo::SqlDialect::Sqlite}};
    for (const auto& [name, dialect] : dialects) {
        const auto start = Clock::now();
        const int statements = zemo::countStatements(text, dialect).statements;
        std::printf(",\"%s_s\":%.4f,\"%s_statements\":%d", name, secondsSince(start), name, statements);
    }
    std::printf("}\n");
    return 0;
}

// What a profile whose password lives in the keyring adds to opening the profile list and connecting:
// the same database with the password from the profile file and from the keyring, alternately; the
// first of each (libraries loaded, the keyring's session opened) and the median of the rest. The
// profiles are written here and timed by a second run of this program, so that its first keyring read
// is a program's first.
int benchKeyringConnect(const QString& service, int times, const QString& preparedFolder) {
    const QString user = QStringLiteral("demo"), password = QStringLiteral("demo");
    if (preparedFolder.isEmpty()) {
        QTemporaryDir dir;
        const QString path = zemo::profilePathIn(dir.path());
        zemo::WriteProfile(service, user, password, QStringLiteral("file"), path);
        zemo::ProfilePasswords passwords(path);
        passwords.save({service, user, password, QStringLiteral("keyring"), zemo::PasswordPlace::Keyring});
        const int status =
            QProcess::execute(QCoreApplication::applicationFilePath(),
                              {QStringLiteral("--service"), service, QStringLiteral("--keyring-connect"),
                               QString::number(times), QStringLiteral("--prepared"), dir.path()});
        passwords.remove(QStringLiteral("keyring"), zemo::PasswordPlace::Keyring);
        return status;
    }
    const QString path = zemo::profilePathIn(preparedFolder);
    zemo::ProfilePasswords passwords(path);
    const auto connect = [&](const QString& section) {
        const auto start = Clock::now();
        zemo::ListProfileNames(path);
        const zemo::Profile profile = zemo::ReadProfile(section, path);
        QString secret = profile.place == zemo::PasswordPlace::Keyring
                             ? passwords.stored(section).value_or(QString())
                             : profile.password;
        if (secret != password)
            throw zemo::ZemoError(zemo::err::Keyring, QStringLiteral("the password did not come back"));
        auto db = zemo::DbConnection::openNow(profile.service, profile.user + QLatin1Char('/') + secret);
        const double seconds = secondsSince(start);
        db.reset();
        zemo::finishDatabaseThreads(5000);
        return seconds * 1000;
    };
    const double fileFirst = connect(QStringLiteral("file"));
    const double keyringFirst = connect(QStringLiteral("keyring"));
    std::vector<double> file, keyring;
    for (int i = 0; i < times; ++i) {
        file.push_back(connect(QStringLiteral("file")));
        keyring.push_back(connect(QStringLiteral("keyring")));
    }
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0.0 : v[v.size() / 2];
    };
    std::printf("{\"file_first_ms\":%.2f,\"keyring_first_ms\":%.2f,\"file_ms\":%.2f,\"keyring_ms\":%.2f,"
                "\"added_first_ms\":%.2f,\"added_ms\":%.2f,\"runs\":%d}\n",
                fileFirst, keyringFirst, median(file), median(keyring), keyringFirst - fileFirst,
                median(keyring) - median(file), times);
    return 0;
}

int main(int argc, char* argv[]) {
    // Nothing is shown: the grid runs offscreen unless a platform is named.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // A file-size limit fails the export with its error and status instead of killing the program.
    zemo::ignoreFileSizeSignal();
    // Whatever way the measuring ends, the connection's thread ends before the program does.
    struct ThreadsJoined {
        ~ThreadsJoined() { zemo::finishDatabaseThreads(zemo::kExitWaitMs); }
    } const threadsJoined;

    QCommandLineParser cli;
    cli.setApplicationDescription(QStringLiteral(
        "Runs a query as the result window does and prints one JSON line: "
        "{\"rows\",\"columns\",\"fetch_s\",\"first_screen_s\",\"max_gap_ms\",\"sort_text_s\","
        "\"sort_number_s\",\"csv_s\",\"xlsx_s\",\"xlsx_growth_mb\",\"repaint_s\",\"fetch_peak_rss_mb\","
        "\"peak_rss_mb\"}. fetch_s runs from the connection's open to the last row shown; first_screen_s "
        "from the statement's start to the first paint of the grid with rows in it; max_gap_ms is the "
        "longest the window thread's event loop went without turning during the fetch."));
    cli.addHelpOption();
    const QCommandLineOption generate(
        QStringLiteral("generate"),
        QStringLiteral("Write a SQLite database with the 1,000,000-row table BENCH."),
        QStringLiteral("PATH"));
    const QCommandLineOption rowsOpt(QStringLiteral("rows"), QStringLiteral("Rows for --generate (1000000)."),
                                     QStringLiteral("N"), QStringLiteral("1000000"));
    const QCommandLineOption service(QStringLiteral("service"),
                                     QStringLiteral("Service name, in any form a profile takes."),
                                     QStringLiteral("SERVICE"));
    const QCommandLineOption user(QStringLiteral("user"), QStringLiteral("User name."), QStringLiteral("U"));
    const QCommandLineOption password(QStringLiteral("password"), QStringLiteral("Password."),
                                      QStringLiteral("P"));
    const QCommandLineOption sql(QStringLiteral("sql"), QStringLiteral("The statement to run."),
                                 QStringLiteral("SQL"));
    const QCommandLineOption sortText(QStringLiteral("sort-text"),
                                      QStringLiteral("Sort by this 0-based field, a text column."),
                                      QStringLiteral("N"));
    const QCommandLineOption sortNumber(QStringLiteral("sort-number"),
                                        QStringLiteral("Then sort by this 0-based field, a number column."),
                                        QStringLiteral("N"));
    const QCommandLineOption csv(QStringLiteral("csv"),
                                 QStringLiteral("Then save the grid as CSV to this file."),
                                 QStringLiteral("OUT"));
    const QCommandLineOption xlsx(QStringLiteral("xlsx"),
                                  QStringLiteral("Then save the grid as an Excel workbook to this file."),
                                  QStringLiteral("OUT"));
    const QCommandLineOption noGrid(
        QStringLiteral("no-grid"),
        QStringLiteral("Fill the grid's model without the grid widget on it "
                       "(otherwise the grid is on screen while the rows arrive)."));
    const QCommandLineOption checkStatement(
        QStringLiteral("check-statement"),
        QStringLiteral("Time the one-statement check on a 1 MB text of quotes and comments, per dialect."));
    const QCommandLineOption repaint(
        QStringLiteral("repaint"),
        QStringLiteral("Then show the grid at 1600 x 1000 pixels and paint it N times; repaint_s is one "
                       "paint's mean."),
        QStringLiteral("N"));
    const QCommandLineOption compareCsv(
        QStringLiteral("compare-csv"),
        QStringLiteral("Compare this CSV of the program with the \\copy CSV named by --with, cell for cell."),
        QStringLiteral("OURS"));
    const QCommandLineOption with(QStringLiteral("with"), QStringLiteral("The CSV psql's \\copy wrote."),
                                  QStringLiteral("COPY"));
    const QCommandLineOption keyringConnect(
        QStringLiteral("keyring-connect"),
        QStringLiteral("Time opening the profile list and connecting to --service N times with the password "
                       "from the profile file and from the desktop keyring (run it where a keyring is)."),
        QStringLiteral("N"));
    const QCommandLineOption prepared(
        QStringLiteral("prepared"),
        QStringLiteral("With --keyring-connect: the profile folder already written."), QStringLiteral("DIR"));
    cli.addOptions({generate, rowsOpt, service, user, password, sql, sortText, sortNumber, csv, xlsx, noGrid,
                    checkStatement, repaint, compareCsv, with, keyringConnect, prepared});
    cli.process(app);

    try {
        if (cli.isSet(generate)) {
            const auto start = Clock::now();
            generateBenchTable(cli.value(generate), cli.value(rowsOpt).toInt());
            std::printf("{\"generated\":\"%s\",\"seconds\":%.3f}\n", cli.value(generate).toUtf8().constData(),
                        secondsSince(start));
            return 0;
        }
        if (cli.isSet(checkStatement))
            return benchStatementCheck();
        if (cli.isSet(keyringConnect) && cli.isSet(service))
            return benchKeyringConnect(cli.value(service), std::max(1, cli.value(keyringConnect).toInt()),
                                       cli.value(prepared));
        if (cli.isSet(compareCsv))
            return compareWithCopy(cli.value(compareCsv), cli.value(with)) == 0 ? 0 : 2;
        if (!cli.isSet(service) || !cli.isSet(sql))
            return fail(QStringLiteral("--service and --sql are needed (see --help)"));

        // The grid as the result window sets it up, on screen while the rows arrive; with --no-grid
        // only its model.
        auto* model = new zemo::ResultModel;
        std::unique_ptr<zemo::GridWidget> grid;
        if (!cli.isSet(noGrid)) {
            grid = std::make_unique<zemo::GridWidget>();
            grid->setGridModel(model);
            grid->setFixed(1, 1);
            grid->setRangeSelection(true);
            grid->setUserSortAndMove(true);
            grid->resize(800, 500);
            QObject::connect(grid.get(), &zemo::GridWidget::AfterSort, model, &zemo::ResultModel::numberRows);
            grid->show();
            QApplication::processEvents();
        }
        std::unique_ptr<zemo::ResultModel> ownModel(grid ? nullptr : model);

        const auto start = Clock::now();
        const auto connection = zemo::DbConnection::openNow(
            cli.value(service), cli.value(user) + QLatin1Char('/') + cli.value(password));
        model->setGridRows(1);
        model->setGridCols(1);
        std::optional<double> firstScreen;
        double longestGap = 0;
        {
            // As 抽出 runs it: the fetch on the connection's thread, the rows handed to the grid as they
            // arrive, the first ones fitted to their columns, the window's event loop turning meanwhile.
            zemo::ResultRun run(*model);
            std::optional<FirstRowsPaint> firstPaint;
            if (grid) {
                firstPaint.emplace(grid->viewport(), *model);
                QObject::connect(
                    &run, &zemo::ResultRun::rowsAdded, grid.get(), [&grid, fitted = false](int) mutable {
                        if (!fitted)
                            grid->AutoSize(0, grid->Cols() - 1, int(zemo::ResultFetch::kFirstRows));
                        fitted = true;
                    });
            }
            QEventLoop loop;
            QObject::connect(&run, &zemo::ResultRun::ended, &loop, &QEventLoop::quit);
            const LoopGaps gaps;
            const auto runStart = Clock::now();
            run.start(*connection, cli.value(sql));
            loop.exec();
            longestGap = gaps.longest;
            if (firstPaint && firstPaint->at)
                firstScreen = std::chrono::duration<double>(*firstPaint->at - runStart).count();
            if (run.outcome() != zemo::DbCall::Outcome::Completed)
                std::rethrow_exception(run.failure());
        }
        if (grid)
            grid->AutoSize(0, grid->Cols() - 1);
        const double fetchSeconds = secondsSince(start);
        const double fetchPeak = peakResidentMegabytes();

        // A heading click: the sort, then the row numbers written afresh.
        auto sortBy = [&](const QCommandLineOption& opt) -> std::optional<double> {
            if (!cli.isSet(opt))
                return std::nullopt;
            const int field = cli.value(opt).toInt();
            if (field < 0 || field >= model->gridCols() - 1)
                throw zemo::ZemoError(zemo::err::NoSuchField, QStringLiteral("no field %1").arg(field));
            const auto t = Clock::now();
            if (grid) {
                // As a heading click does it (QTableView::sortByColumn would sort twice).
                grid->horizontalHeader()->setSortIndicator(field, Qt::AscendingOrder);
            } else {
                model->sortRows(field + 1, false);
                model->numberRows();
            }
            return secondsSince(t);
        };
        const std::optional<double> textSeconds = sortBy(sortText);
        const std::optional<double> numberSeconds = sortBy(sortNumber);

        std::optional<double> csvSeconds;
        if (cli.isSet(csv)) {
            const auto t = Clock::now();
            zemo::writeGridCsv(*model, grid ? grid->visualColumns() : QList<int>(), cli.value(csv));
            csvSeconds = secondsSince(t);
        }

        // The workbook as the window writes it; memory is measured from just before it.
        std::optional<double> xlsxSeconds, xlsxGrowth;
        if (cli.isSet(xlsx)) {
            const double before = residentMegabytes();
            const bool resetOk = resetPeakResident();
            const auto t = Clock::now();
            zemo::writeGridXlsx(*model, grid ? grid->visualColumns() : QList<int>(), cli.value(xlsx));
            xlsxSeconds = secondsSince(t);
            if (resetOk && before >= 0)
                xlsxGrowth = peakResidentSinceReset() - before;
        }

        // What the user waits for whenever the grid is drawn: every visible cell painted once.
        std::optional<double> repaintSeconds;
        if (grid && cli.isSet(repaint)) {
            const int times = std::max(1, cli.value(repaint).toInt());
            grid->resize(1600, 1000);
            QApplication::processEvents();
            const auto t = Clock::now();
            for (int i = 0; i < times; ++i)
                grid->viewport()->repaint();
            repaintSeconds = secondsSince(t) / times;
        }

        const QString json =
            QStringLiteral(
                "{\"rows\":%1,\"columns\":%2,\"fetch_s\":%3,\"first_screen_s\":%4,\"max_gap_ms\":%5,"
                "\"sort_text_s\":%6,\"sort_number_s\":%7,\"csv_s\":%8,\"xlsx_s\":%9,\"xlsx_growth_mb\":%10,"
                "\"repaint_s\":%11,\"fetch_peak_rss_mb\":%12,\"peak_rss_mb\":%13}")
                .arg(model->gridRows() - 1)
                .arg(model->gridCols() - 1)
                .arg(jsonNumber(fetchSeconds), jsonNumber(firstScreen), jsonNumber(longestGap * 1000, 1),
                     jsonNumber(textSeconds), jsonNumber(numberSeconds), jsonNumber(csvSeconds),
                     jsonNumber(xlsxSeconds), jsonNumber(xlsxGrowth, 1), jsonNumber(repaintSeconds, 4))
                .arg(jsonNumber(fetchPeak, 1), jsonNumber(peakResidentMegabytes(), 1));
        std::printf("%s\n", json.toUtf8().constData());
        return 0;
    } catch (const zemo::ZemoError& e) {
        return fail(QStringLiteral("error %1: %2").arg(e.number()).arg(e.description()));
    } catch (const std::exception& e) {
        return fail(QString::fromLocal8Bit(e.what()));
    }
}
