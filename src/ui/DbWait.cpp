#include "ui/DbWait.h"

#include "ui/BusyPointer.h"
#include "ui/FormSupport.h"

#include <QApplication>
#include <QPointer>
#include <QProgressDialog>
#include <optional>

namespace zemo {

namespace {

int& delaySlot() {
    static int ms = 1000;
    return ms;
}

// While a call runs, user input reaches no window but the progress dialog: nothing can start a second
// database command or re-enter a handler, while every window still paints.
class InputBlocker : public QObject {
public:
    InputBlocker() { qApp->installEventFilter(this); }
    ~InputBlocker() override { qApp->removeEventFilter(this); }
    InputBlocker(const InputBlocker&) = delete;
    InputBlocker& operator=(const InputBlocker&) = delete;

    QPointer<QWidget> allowed;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!isUserInput(event))
            return false;
        auto* w = qobject_cast<QWidget*>(watched);
        if (!w || (allowed && (w == allowed || allowed->isAncestorOf(w))))
            return false;
        // A close box pressed meanwhile is refused, not taken for a close.
        event->ignore();
        return true;
    }

private:
    static bool isUserInput(const QEvent* event) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride:
        case QEvent::ContextMenu:
        case QEvent::DragEnter:
        case QEvent::Drop:
            return true;
        case QEvent::Close:
            return event->spontaneous();
        default:
            return false;
        }
    }
};

} // namespace

DbWait::DbWait(QWidget* owner, std::function<QString()> progressText)
    : m_owner(owner), m_progressText(std::move(progressText)) {}

void DbWait::setProgressDelay(int ms) {
    delaySlot() = ms;
}

int DbWait::progressDelay() {
    return delaySlot();
}

CallWait::End DbWait::waitFor(CallWait::Waited call) {
    CallWait waiter(std::move(call));
    InputBlocker blocker;
    BusyPointer busy;
    std::optional<NormalPointer> normal; // while the progress dialog waits for the user
    QPointer<QProgressDialog> dialog;
    QObject owner; // the dialog's signal ends with the wait
    waiter.setTick([&] {
        if (!dialog && !waiter.stopping() && waiter.elapsed() >= delaySlot()) {
            dialog = new QProgressDialog(m_owner);
            dialog->setObjectName(QStringLiteral("DbProgress"));
            dialog->setWindowTitle(m_owner ? m_owner->windowTitle() : QStringLiteral("ZEMO-DB"));
            dialog->setFont(gothicFont(9));
            dialog->setCancelButtonText(QStringLiteral("中止"));
            dialog->setRange(0, 0);
            dialog->setAutoClose(false);
            dialog->setAutoReset(false);
            dialog->setMinimumDuration(0);
            dialog->setWindowModality(Qt::ApplicationModal);
            QObject::connect(dialog, &QProgressDialog::canceled, &owner, [&waiter] { waiter.stop(); });
            blocker.allowed = dialog;
            normal.emplace();
            dialog->show();
        }
        if (dialog && !waiter.stopping())
            dialog->setLabelText(m_progressText ? m_progressText() : QString());
    });
    const CallWait::End end = waiter.wait();
    delete dialog;
    return end;
}

} // namespace zemo
