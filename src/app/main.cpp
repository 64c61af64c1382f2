#include "app/FormSupport.h"
#include "mainwindow/Form1.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    zemo::setUpApplication();
    Form1 form;
    form.show();
    return QApplication::exec();
}
