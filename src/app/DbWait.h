#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace zemo {

// Waits for a call on a connection's thread without freezing the program: the windows keep painting,
// the busy pointer shows, and no other command can start meanwhile (user input to every window is
// refused). After about a second a progress dialog offers 中止, which asks the call to stop; when the
// server does not let go within a second after that, the wait ends anyway and the call is left to
// finish on its own thread. A call to the desktop keyring (KeyringCall) is waited for the same way.
class DbWait {
public:
    // `owner` is the window the progress dialog belongs to; `progressText` gives the dialog's text and is
    // asked again while it is up.
    DbWait(QWidget* owner, std::function<QString()> progressText);

    // True when the call finished; false when the wait was given up after 中止 (the call still runs).
    // `Call` is a DbCall or a KeyringCall: finished(), onFinished(callback) and stop().
    template <class Call> bool wait(Call& call) {
        return waitFor({[&call] { return call.finished(); },
                        [&call](std::function<void()> callback) { call.onFinished(std::move(callback)); },
                        [&call] { call.stop(); }});
    }

    // How long a call runs before the progress dialog appears, in milliseconds.
    static void setProgressDelay(int ms);
    static int progressDelay();

private:
    struct Waited {
        std::function<bool()> finished;
        // The callback runs, on any thread, once the call has finished; an empty one removes it.
        std::function<void(std::function<void()>)> onFinished;
        std::function<void()> stop;
    };
    bool waitFor(const Waited& call);

    QWidget* m_owner;
    std::function<QString()> m_progressText;
};

} // namespace zemo
