#pragma once

#include "db/StatementParameters.h"

#include <QString>
#include <QStringList>
#include <cstdio>
#include <functional>

namespace zemo {

// A saved query run without any window, from the command line:
//   zemo-db --run QUERY_FILE --out FILE.csv|FILE.xlsx [--param NAME=VALUE]...
// The same profile file, connection, assembly, fetch and export as the windows; the exit status is 0
// only when the output file is complete and in place.

struct RunArguments {
    bool help = false;
    QString queryFile;
    QString outFile;
    ParameterValues values; // --param, by name without the colon
};

// Whether the command line (without the program's name) asks for a run or its help rather than the
// windows; the windows take any other argument as before.
bool wantsUnattendedRun(const QStringList& args);
// Throws ZemoError(err::BadArguments) naming what is wrong.
RunArguments parseRunArguments(const QStringList& args);
// What --help prints.
QString runHelpText();

// How far a run is, for a progress line.
struct RunProgress {
    enum class Stage { Connecting, Fetching, Writing };
    Stage stage = Stage::Connecting;
    int rows = 0; // rows fetched so far
};
using RunProgressReport = std::function<void(const RunProgress&)>;

// Runs the saved query and writes its result grid to args.outFile: beside it first, renamed over it
// only when complete, so that a failure leaves an existing file whole. Returns what the user is to be
// told of a workbook (cells cut, more sheets), or nothing. Throws ZemoError for every failure.
QString runSavedQuery(const RunArguments& args, const RunProgressReport& progress = {});

// The whole run: the help, or the run with a progress line on `err` when it is a terminal. Returns the
// exit status: 0 after a complete output file, 1 after a failure and 2 for a command line that cannot
// be understood, each failure told on one line with its error number.
int runUnattended(const QStringList& args, std::FILE* err);

} // namespace zemo
