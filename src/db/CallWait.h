#pragma once

#include <QElapsedTimer>
#include <functional>

namespace zemo {

class DbCall;

// The window thread's wait for a call on a connection's thread: the thread's events go on meanwhile
// (the windows paint), and the wait ends when the call finishes, when the call was asked to stop and
// has not let go within kGiveUpMs, or when the program is told to quit (a desktop session ending, a
// quit command), which ends every event loop at once.
//
// A wait that ends without the call ending leaves the call to its thread: what the work writes must
// not be read unless its hand-over is guarded (ResultFetch::take), and the program's end waits for
// the thread (kExitWaitMs). On a quit the wait itself stops the call and waits up to kExitWaitMs for
// it before it returns, so that nothing still runs on the results the window is about to destroy.
//
// Waits do not nest: a wait started while another one runs on the thread is refused (err::Busy).
//
// A database call (DbCall) is the usual one; any call with finished(), onFinished(callback) and stop()
// can be waited for the same way (a call to the desktop keyring).
class CallWait {
public:
    // What the wait needs of a call.
    struct Waited {
        std::function<bool()> finished;
        // The callback runs, on any thread, once the call has finished; an empty one removes it.
        std::function<void(std::function<void()>)> onFinished;
        std::function<void()> stop;
        // Blocks up to `ms` for the call to finish, for the program's end; empty when stop() already
        // ends it.
        std::function<bool(int ms)> waitFinished = {};
    };
    static Waited waited(DbCall& call);
    template <class Call> static Waited waited(Call& call) {
        return {[&call] { return call.finished(); },
                [&call](std::function<void()> callback) { call.onFinished(std::move(callback)); },
                [&call] { call.stop(); }};
    }

    enum class End {
        Finished,  // the call finished (its outcome tells how)
        Abandoned, // stopped, and the server did not let go in time: the call still runs
        Quit,      // the program is quitting; the call was stopped (it may still run on a hung server)
    };

    // How often `tick` runs and the clock is looked at.
    static constexpr int kTickMs = 50;
    // How long after stop() the wait still waits for the server to let go.
    static constexpr int kGiveUpMs = 1000;

    explicit CallWait(DbCall& call) : m_call(waited(call)) {}
    explicit CallWait(Waited call) : m_call(std::move(call)) {}

    // Runs every kTickMs while the wait goes on (a progress dialog, a count).
    void setTick(std::function<void()> tick) { m_tick = std::move(tick); }

    End wait();
    // Whether a wait runs on this thread now.
    static bool waiting();

    // 中止: asks the call to stop; the wait gives up kGiveUpMs later if the call has not finished.
    void stop();
    bool stopping() const { return m_stoppedAt >= 0; }
    // Milliseconds since the wait began.
    qint64 elapsed() const { return m_clock.elapsed(); }

private:
    Waited m_call;
    std::function<void()> m_tick;
    QElapsedTimer m_clock;
    qint64 m_stoppedAt = -1;
};

} // namespace zemo
