#include "app/FormSupport.h"
#include "app/SaveFileSync.h"
#include "mainwindow/Form1.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    zemo::ignoreFileSizeSignal();
    QApplication app(argc, argv);
    zemo::setUpApplication();
    Form1 form;
    form.show();
    return QApplication::exec();
}
