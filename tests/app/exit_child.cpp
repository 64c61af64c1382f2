// The program as it starts and ends, connected to the database named on the command line before the
// user quits with 終了: exits with what the program returns.
//
//   exit_child SERVICE USER PASSWORD [freeze]
//
// With "freeze" it prints "connected" and waits for a line on its input before quitting, so that the
// test can stop the server meanwhile.

#include "app/Module1.h"
#include "app/Program.h"
#include "mainwindow/Form1.h"

#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <iostream>
#include <string>

int main(int argc, char* argv[]) {
    if (argc < 4)
        return 2;
    const QString service = QString::fromLocal8Bit(argv[1]);
    const QString connect = QString::fromLocal8Bit(argv[2]) + QLatin1Char('/') + QString::fromLocal8Bit(argv[3]);
    const bool waitForLine = argc > 4 && std::string(argv[4]) == "freeze";
    return zemo::runProgram(argc, argv, [&](Form1& main) {
        gOraSession = std::make_shared<zemo::OracleSession>();
        gOraDatabase = zemo::DbConnection::openNow(service, connect);
        if (waitForLine) {
            std::printf("connected\n");
            std::fflush(stdout);
            std::string line;
            std::getline(std::cin, line);
        }
        QTimer::singleShot(0, &main, [&main] { main.findChild<QPushButton*>(QStringLiteral("Command2"))->click(); });
    });
}
