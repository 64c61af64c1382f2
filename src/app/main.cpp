#include "app/FormSupport.h"
#include "mainwindow/Form1.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZEMO-DB"));
    QApplication::setOrganizationName(QStringLiteral("ZEMO-DB"));
    zemo::installFontSubstitutes();
    QIcon icon;
    for (int n : {16, 32, 48, 64})
        icon.addFile(QStringLiteral(":/icons/zemo-db-%1.png").arg(n), QSize(n, n));
    QApplication::setWindowIcon(icon);
    Form1 form;
    form.show();
    return QApplication::exec();
}
