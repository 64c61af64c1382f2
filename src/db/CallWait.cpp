#include "db/CallWait.h"

#include "base/WindowThread.h"
#include "base/ZemoError.h"
#include "db/DbConnection.h"

#include <QEventLoop>
#include <QTimer>

namespace zemo {

namespace {
// Waits running on this thread: one at most.
thread_local bool t_waiting = false;
} // namespace

CallWait::Waited CallWait::waited(DbCall& call) {
    Waited w = waited<DbCall>(call);
    w.waitFinished = [&call](int ms) { return call.waitFinished(ms); };
    return w;
}

bool CallWait::waiting() {
    return t_waiting;
}

void CallWait::stop() {
    if (m_stoppedAt >= 0)
        return;
    m_stoppedAt = m_clock.elapsed();
    m_call.stop();
}

CallWait::End CallWait::wait() {
    requireWindowThread("CallWait::wait");
    if (t_waiting)
        throw ZemoError(err::Busy, QStringLiteral("ほかのデータベース処理が終わるのを待っています。"));
    m_clock.start();
    if (m_call.finished())
        return End::Finished;
    t_waiting = true;
    struct Leave {
        ~Leave() { t_waiting = false; }
    } leave;

    QEventLoop loop;
    QObject notifier;
    bool endedHere = false;
    const auto end = [&] {
        endedHere = true;
        loop.quit();
    };
    m_call.onFinished([&notifier, &end] { QMetaObject::invokeMethod(&notifier, end, Qt::QueuedConnection); });
    QTimer tick;
    tick.setInterval(kTickMs);
    QObject::connect(&tick, &QTimer::timeout, &notifier, [&] {
        if (m_tick)
            m_tick();
        if (m_call.finished() || (m_stoppedAt >= 0 && m_clock.elapsed() - m_stoppedAt >= kGiveUpMs))
            end();
    });
    if (!m_call.finished()) {
        tick.start();
        loop.exec();
    }
    // Once this returns the callback is neither running nor due: `notifier` may go.
    m_call.onFinished({});
    if (m_call.finished())
        return End::Finished;
    if (endedHere)
        return End::Abandoned;
    // The loop was ended from outside: the application is quitting.
    m_call.stop();
    if (m_call.waitFinished)
        m_call.waitFinished(kExitWaitMs);
    return End::Quit;
}

} // namespace zemo
