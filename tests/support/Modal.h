#pragma once

// Driving modal dialogs from a test without ever hanging in their event loop.

#include "db/CallWait.h"
#include "db/CallWatch.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <type_traits>

class QProgressDialog;

namespace zemo::test {

// Closes every modal window that is still up: a failed check must not leave one waiting for the
// runner's time-out.
inline void closeAllModals() {
    for (int guard = 0; guard < 20; ++guard) {
        QWidget* w = QApplication::activeModalWidget();
        if (!w)
            return;
        if (auto* d = qobject_cast<QDialog*>(w))
            d->reject();
        else
            w->close();
    }
}

// Closes `window` and every modal window that came up above it; the windows below it stay.
inline void closeModal(QWidget* window) {
    for (int guard = 0; guard < 20; ++guard) {
        QWidget* top = QApplication::activeModalWidget();
        if (!top || top == window || !window->isVisible())
            break;
        if (auto* d = qobject_cast<QDialog*>(top))
            d->reject();
        else
            top->close();
    }
    if (auto* d = qobject_cast<QDialog*>(window))
        d->reject();
    else
        window->close();
}

// Whether whenModal acts on a window while rows still arrive in it, or waits for the end of its run.
enum class DuringRuns { Wait, Act };

// Runs `act` on the next modal window of type T as soon as it is up and not waiting on the database
// (a dialog whose first read runs once it is shown; a result window whose rows still arrive, unless
// `runs` says to act at once), then closes it when `act` did not, with whatever modal window is left
// above it (a message box, …). When no such window comes up within `seconds`, the test fails and
// every modal window is closed.
template <class T>
void whenModal(std::function<void(T*)> act, int seconds = 10, DuringRuns runs = DuringRuns::Wait) {
    auto* timer = new QTimer;
    const QDeadlineTimer deadline(seconds * 1000);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act, deadline, runs] {
        auto* w = qobject_cast<T*>(QApplication::activeModalWidget());
        // The progress dialog is the one window that comes up during a wait.
        if (!std::is_same_v<T, QProgressDialog> &&
            (CallWait::waiting() || (runs == DuringRuns::Wait && CallWatch::active() > 0)))
            w = nullptr;
        if (!w) {
            if (!deadline.hasExpired())
                return;
            timer->stop();
            timer->deleteLater();
            closeAllModals();
            QTest::qFail("the expected modal window did not come up", __FILE__, __LINE__);
            return;
        }
        timer->stop();
        timer->deleteLater();
        QPointer<T> guard(w);
        act(w);
        if (guard && guard->isVisible())
            closeModal(guard);
    });
    timer->start(10);
}

// Runs `scope` and closes at once every modal window that comes up meanwhile; how many came up.
inline int modalsDuring(const std::function<void()>& scope) {
    int seen = 0;
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&seen] {
        if (QApplication::activeModalWidget()) {
            ++seen;
            closeAllModals();
        }
    });
    timer.start();
    scope();
    QApplication::processEvents();
    return seen;
}

} // namespace zemo::test
