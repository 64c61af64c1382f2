#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

namespace zemo {

class DbCall;

// The window thread's watch over a call it does not wait for: the window's event loop goes on (every
// window takes input meanwhile), `tick` runs every `tickMs` and soon after poke(), and `ended` runs
// once, from the event loop, when the call has finished, or, after stop(), when the call has not let
// go within kGiveUpMs. In that case the call still runs on its thread: what its work writes may be
// read only through a guarded hand-over (ResultFetch::take).
//
// A watch destroyed before its end (its window closing, the program quitting) stops the call and
// leaves it to its thread; `ended` then never runs.
class CallWatch : public QObject {
public:
    enum class End {
        Finished,  // the call finished (its outcome tells how)
        Abandoned, // stopped, and the server did not let go in time: the call still runs
    };
    // How long after stop() the watch waits for the server to let go. The window is not held
    // meanwhile; the wait only tells a call that ends by the stop from one that ends by itself.
    static constexpr int kGiveUpMs = 500;

    CallWatch(std::shared_ptr<DbCall> call, int tickMs, std::function<void()> tick,
              std::function<void(End)> ended, QObject* parent = nullptr);
    ~CallWatch() override;
    CallWatch(const CallWatch&) = delete;
    CallWatch& operator=(const CallWatch&) = delete;

    // 中止: asks the call to stop; the watch ends when it lets go, or kGiveUpMs later.
    void stop();
    bool stopping() const { return m_stoppedAt >= 0; }
    // From any thread, while the watch lives: `tick` runs soon from the event loop.
    void poke();
    void setTickMs(int tickMs) { m_timer.setInterval(tickMs); }

    // Watches on the window thread that have not ended: what tests wait for before they read a window.
    static int active();

private:
    void check();
    void leave();

    std::shared_ptr<DbCall> m_call;
    std::function<void()> m_tick;
    std::function<void(End)> m_ended;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_stoppedAt = -1;
    bool m_over = false;
};

} // namespace zemo
