#pragma once

#include <QtGlobal>
#include <functional>
#include <memory>

class QProgressDialog;
class QWidget;

namespace zemo {

// What a long wait shows while it lasts: the busy pointer, and no user input to any window (nothing can
// start a second command or enter a handler again, while every window still paints); once the wait has
// lasted progressDelay(), a progress dialog offering 中止, the one window that takes input, with the
// normal pointer over it.
class WaitDialog {
public:
    // The dialog belongs to `owner` and is named `objectName`; `stop` runs when 中止 is pressed.
    WaitDialog(QWidget* owner, const char* objectName, std::function<void()> stop);
    ~WaitDialog();
    WaitDialog(const WaitDialog&) = delete;
    WaitDialog& operator=(const WaitDialog&) = delete;

    // The dialog once the wait has lasted `elapsedMs` >= progressDelay() (brought up now if it is not
    // up yet); null before.
    QProgressDialog* after(qint64 elapsedMs);

    // How long a wait lasts before the progress dialog appears, in milliseconds.
    static void setProgressDelay(int ms);
    static int progressDelay();

private:
    struct State;
    std::unique_ptr<State> m;
};

} // namespace zemo
