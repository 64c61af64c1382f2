#include "db/CallWatch.h"

#include "base/WindowThread.h"
#include "db/DbConnection.h"

namespace zemo {

namespace {
// Watches not ended yet; changed on the window thread only.
int g_active = 0;
} // namespace

int CallWatch::active() {
    return g_active;
}

CallWatch::CallWatch(std::shared_ptr<DbCall> call, int tickMs, std::function<void()> tick,
                     std::function<void(End)> ended, QObject* parent)
    : QObject(parent), m_call(std::move(call)), m_tick(std::move(tick)), m_ended(std::move(ended)) {
    requireWindowThread("CallWatch");
    ++g_active;
    m_clock.start();
    m_timer.setInterval(tickMs);
    connect(&m_timer, &QTimer::timeout, this, [this] { check(); });
    m_timer.start();
    // Runs on the connection's thread (or here, when the call has finished already): the check itself
    // always comes from the event loop, never from inside this constructor.
    m_call->onFinished([this] { poke(); });
}

CallWatch::~CallWatch() {
    if (m_over)
        return;
    leave();
    m_call->stop();
}

void CallWatch::poke() {
    QMetaObject::invokeMethod(
        this, [this] { check(); }, Qt::QueuedConnection);
}

void CallWatch::stop() {
    if (m_over || m_stoppedAt >= 0)
        return;
    m_stoppedAt = m_clock.elapsed();
    m_call->stop();
    QTimer::singleShot(kGiveUpMs, Qt::PreciseTimer, this, [this] { check(); });
}

// Once this returns the finish callback is neither running nor due, and the watch no longer counts.
void CallWatch::leave() {
    m_over = true;
    m_timer.stop();
    m_call->onFinished({});
    --g_active;
}

void CallWatch::check() {
    if (m_over)
        return;
    if (m_tick)
        m_tick();
    End end;
    if (m_call->finished())
        end = End::Finished;
    else if (m_stoppedAt >= 0 && m_clock.elapsed() - m_stoppedAt >= kGiveUpMs)
        end = End::Abandoned;
    else
        return;
    leave();
    // The last thing done here: `ended` may destroy the watch.
    if (const std::function<void(End)> ended = std::move(m_ended))
        ended(end);
}

} // namespace zemo
