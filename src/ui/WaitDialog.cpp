#include "ui/WaitDialog.h"

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

// While a wait lasts, user input reaches no window but the progress dialog.
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

struct WaitDialog::State {
    State(QWidget* o, const char* n, std::function<void()> s) : owner(o), name(n), stop(std::move(s)) {}
    QWidget* owner;
    const char* name;
    std::function<void()> stop;
    InputBlocker blocker;
    BusyPointer busy;
    std::optional<NormalPointer> normal; // while the dialog waits for the user
    QPointer<QProgressDialog> dialog;
    QObject context; // the dialog's signal ends with the wait
};

WaitDialog::WaitDialog(QWidget* owner, const char* objectName, std::function<void()> stop)
    : m(std::make_unique<State>(owner, objectName, std::move(stop))) {}

WaitDialog::~WaitDialog() {
    delete m->dialog;
}

void WaitDialog::setProgressDelay(int ms) {
    delaySlot() = ms;
}

int WaitDialog::progressDelay() {
    return delaySlot();
}

QProgressDialog* WaitDialog::after(qint64 elapsedMs) {
    if (m->dialog || elapsedMs < delaySlot())
        return m->dialog;
    auto* dialog = new QProgressDialog(m->owner);
    dialog->setObjectName(QLatin1String(m->name));
    dialog->setWindowTitle(m->owner ? m->owner->windowTitle() : QStringLiteral("ZEMO-DB"));
    dialog->setFont(gothicFont(9));
    dialog->setCancelButtonText(QStringLiteral("中止"));
    dialog->setRange(0, 0);
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    dialog->setMinimumDuration(0);
    dialog->setWindowModality(Qt::ApplicationModal);
    QObject::connect(dialog, &QProgressDialog::canceled, &m->context, [this] {
        if (m->stop)
            m->stop();
    });
    m->dialog = dialog;
    m->blocker.allowed = dialog;
    m->normal.emplace();
    dialog->show();
    return dialog;
}

} // namespace zemo
