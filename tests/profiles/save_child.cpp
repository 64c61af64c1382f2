// A second program for the tests that need real processes: it starts as the program does (the
// file-size signal ignored) and then saves, printing the error number and text of a failure.
//   zemo_save_child profiles PATH PREFIX COUNT   writes COUNT profiles named PREFIX0, PREFIX1, ...,
//                                                 a few milliseconds apart as a user's saves are
//   zemo_save_child csv PATH ROWS                 exports a grid of ROWS rows as CSV
#include "base/SaveFileSync.h"
#include "base/ZemoError.h"
#include "grid/GridModel.h"
#include "profiles/ProfileStore.h"
#include "results/CsvWriter.h"

#include <QCoreApplication>
#include <QThread>
#include <cstdio>

using namespace zemo;

int main(int argc, char* argv[]) {
    ignoreFileSizeSignal();
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    try {
        if (args.size() == 5 && args[1] == QLatin1String("profiles")) {
            for (int i = 0, n = args[4].toInt(); i < n; ++i) {
                const QString name = args[3] + QString::number(i);
                WriteProfile(QStringLiteral("sqlite:") + name + QStringLiteral(".db"), QStringLiteral("user"),
                             QStringLiteral("secret"), name, args[2]);
                QThread::msleep(3);
            }
            return 0;
        }
        if (args.size() == 4 && args[1] == QLatin1String("csv")) {
            SimpleGridModel grid(args[3].toInt(), 3);
            for (int r = 0; r < grid.gridRows(); ++r)
                for (int c = 0; c < 3; ++c)
                    grid.setCellText(r, c, QStringLiteral("セル %1,%2").arg(r).arg(c));
            writeGridCsv(grid, {}, args[2]);
            return 0;
        }
    } catch (const ZemoError& e) {
        std::fprintf(stderr, "%d %s\n", e.number(), qPrintable(e.description()));
        return 2;
    }
    std::fprintf(stderr, "usage: zemo_save_child profiles PATH PREFIX COUNT | csv PATH ROWS\n");
    return 1;
}
