#include "app/FormSupport.h"
#include "mainwindow/Form1.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZEMO-DB"));
    QApplication::setOrganizationName(QStringLiteral("ZEMO-DB"));
    zemo::installFontSubstitutes();
    QApplication::setWindowIcon(zemo::programIcon());
    Form1 form;
    form.show();
    return QApplication::exec();
}
