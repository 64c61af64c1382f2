#include "app/FormSupport.h"
#include "mainwindow/Form1.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZEMO-DB"));
    QApplication::setOrganizationName(QStringLiteral("ZEMO-DB"));
    zemo::installFontSubstitutes();
    Form1 form;
    form.show();
    return QApplication::exec();
}
