#include "ui/DbWait.h"

#include "ui/WaitDialog.h"

#include <QProgressDialog>

namespace zemo {

DbWait::DbWait(QWidget* owner, std::function<QString()> progressText)
    : m_owner(owner), m_progressText(std::move(progressText)) {}

void DbWait::setProgressDelay(int ms) {
    WaitDialog::setProgressDelay(ms);
}

int DbWait::progressDelay() {
    return WaitDialog::progressDelay();
}

CallWait::End DbWait::waitFor(CallWait::Waited call) {
    CallWait waiter(std::move(call));
    WaitDialog shown(m_owner, "DbProgress", [&waiter] { waiter.stop(); });
    waiter.setTick([&] {
        if (waiter.stopping())
            return;
        if (QProgressDialog* dialog = shown.after(waiter.elapsed()))
            dialog->setLabelText(m_progressText ? m_progressText() : QString());
    });
    return waiter.wait();
}

} // namespace zemo
