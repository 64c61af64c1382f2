#include "base/WindowThread.h"

#include <QCoreApplication>
#include <QThread>

namespace zemo {

bool onWindowThread() {
    // Before the application object exists the program has no other thread of its own yet.
    const QCoreApplication* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

void requireWindowThread(const char* what) {
    if (!onWindowThread())
        qFatal("%s: called off the window thread", what);
}

} // namespace zemo
