#include "app/Program.h"

#include "app/FormSupport.h"
#include "app/Module1.h"
#include "app/SaveFileSync.h"
#include "mainwindow/Form1.h"

#include <QApplication>
#include <cstdlib>

namespace zemo {

int runProgram(int argc, char* argv[], const std::function<void(Form1&)>& started) {
    ignoreFileSizeSignal();
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
    if (!CloseConnections())
        std::quick_exit(code);
    return code;
}

} // namespace zemo
