// The program as it starts and ends, connected to the database named on the command line before the
// user quits with 終了: exits with what the program returns.
//
//   exit_child SERVICE USER PASSWORD [freeze]
//   exit_child SERVICE USER PASSWORD quit-during-fetch MS STATEMENT
//
// With "freeze" it prints "connected" and waits for a line on its input before quitting, so that the
// test can stop the server meanwhile. With "quit-during-fetch" the result window runs STATEMENT and the
// program is told to quit MS milliseconds later, as a desktop session that ends does, instead of 終了.

#include "app/Program.h"
#include "mainwindow/Form1.h"
#include "results/Form4.h"
#include "session/Module1.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <iostream>
#include <string>

int main(int argc, char* argv[]) {
    if (argc < 4)
        return 2;
    const QString service = QString::fromLocal8Bit(argv[1]);
    const QString connect =
        QString::fromLocal8Bit(argv[2]) + QLatin1Char('/') + QString::fromLocal8Bit(argv[3]);
    const std::string mode = argc > 4 ? argv[4] : "";
    const bool waitForLine = mode == "freeze";
    return zemo::runProgram(argc, argv, [&](Form1& main) {
        zemo::setConnection(zemo::DbConnection::openNow(service, connect));
        if (mode == "quit-during-fetch" && argc > 6) {
            gSqlText = QString::fromLocal8Bit(argv[6]);
            QTimer::singleShot(0, &main, [&main] {
                Form4 result(&main);
                result.exec();
            });
            QTimer::singleShot(std::stoi(argv[5]), &main, [] { QCoreApplication::quit(); });
            return;
        }
        if (waitForLine) {
            std::printf("connected\n");
            std::fflush(stdout);
            std::string line;
            std::getline(std::cin, line);
        }
        QTimer::singleShot(0, &main,
                           [&main] { main.findChild<QPushButton*>(QStringLiteral("Command2"))->click(); });
    });
}
