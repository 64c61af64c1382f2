#include "app/Program.h"

#include "app/UnattendedRun.h"
#include "base/ProgramName.h"
#include "base/SaveFileSync.h"
#include "mainwindow/Form1.h"
#include "session/Module1.h"
#include "ui/FormSupport.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace zemo {

namespace {

// A run from the command line: no window, no widgets. The status is 0 only after a complete file.
int runWithoutWindows(int argc, char* argv[]) {
#ifdef Q_OS_WIN
    // The program is built for the windows' subsystem: the message goes to the console it was started
    // from, if any.
    if (AttachConsole(ATTACH_PARENT_PROCESS)) {
        std::freopen("CONOUT$", "w", stdout);
        std::freopen("CONOUT$", "w", stderr);
    }
#endif
    QCoreApplication app(argc, argv);
    nameApplication();
    const int status = runUnattended(QCoreApplication::arguments().mid(1), stderr);
    std::fflush(stdout);
    std::fflush(stderr);
    // A server that does not let go of the connection's thread: end without destructors.
    if (!finishDatabaseThreads(kExitWaitMs))
        std::quick_exit(status);
    return status;
}

} // namespace

int runProgram(int argc, char* argv[], const std::function<void(Form1&)>& started) {
    // Process-wide settings before any thread starts.
    ignoreFileSizeSignal();
    prepareClientEnvironment();
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (!started && wantsUnattendedRun(args))
        return runWithoutWindows(argc, argv);
    QApplication app(argc, argv);
    setUpApplication();
    int code = 0;
    {
        Form1 form;
        form.show();
        if (started)
            started(form);
        code = QApplication::exec();
    }
    if (!closeConnections())
        std::quick_exit(code);
    return code;
}

} // namespace zemo
