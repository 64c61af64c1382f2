#pragma once

#include "db/CallWait.h"

#include <QString>
#include <functional>

class QWidget;

namespace zemo {

// Waits for a call on a connection's thread without freezing the program (a CallWait): the windows
// keep painting, the busy pointer shows, and no other command can start meanwhile (user input to every
// window is refused). After about a second a progress dialog offers 中止, which asks the call to stop;
// when the server does not let go within a second after that, the wait ends anyway and the call is
// left to finish on its own thread. A call to the desktop keyring (KeyringCall) is waited for the
// same way.
class DbWait {
public:
    // `owner` is the window the progress dialog belongs to; `progressText` gives the dialog's text and is
    // asked again while it is up.
    DbWait(QWidget* owner, std::function<QString()> progressText);

    // How the wait ended (see CallWait): only after End::Finished may the caller read what the work
    // wrote without a guard. `Call` is a DbCall or a KeyringCall.
    template <class Call> CallWait::End wait(Call& call) { return waitFor(CallWait::waited(call)); }

    // How long a call runs before the progress dialog appears, in milliseconds.
    static void setProgressDelay(int ms);
    static int progressDelay();

private:
    CallWait::End waitFor(CallWait::Waited call);

    QWidget* m_owner;
    std::function<QString()> m_progressText;
};

} // namespace zemo
