#include "app/Program.h"

#include "base/SaveFileSync.h"
#include "mainwindow/Form1.h"
#include "session/Module1.h"
#include "ui/FormSupport.h"

#include <QApplication>
#include <cstdlib>

namespace zemo {

int runProgram(int argc, char* argv[], const std::function<void(Form1&)>& started) {
    // Process-wide settings before any thread starts.
    ignoreFileSizeSignal();
    prepareClientEnvironment();
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
