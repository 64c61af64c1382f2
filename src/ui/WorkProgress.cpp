#include "ui/WorkProgress.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <climits>
#include <exception>
#include <thread>

namespace zemo {

namespace {

// How often the work lets the windows paint.
constexpr int kTurnMs = 25;

// Sees the program told to quit (a desktop session ending, a quit command).
class QuitWatch : public QObject {
public:
    explicit QuitWatch(bool& quit) : m_quit(quit) { QCoreApplication::instance()->installEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Quit)
            m_quit = true;
        return false;
    }

private:
    bool& m_quit;
};

} // namespace

WorkProgress::WorkProgress(QWidget* owner, QString what)
    : m_what(std::move(what)), m_shown(owner, "WorkProgress", [this] { m_stopped = true; }),
      m_quitWatch(std::make_unique<QuitWatch>(m_stopped)) {
    m_clock.start();
}

WorkProgress::~WorkProgress() = default;

bool WorkProgress::step(qint64 done, qint64 total) {
    const qint64 now = m_clock.elapsed();
    if (m_lastTurn >= 0 && now - m_lastTurn < kTurnMs)
        return !m_stopped;
    m_lastTurn = now;
    if (QProgressDialog* dialog = m_shown.after(now); dialog && !m_stopped) {
        dialog->setRange(0, int(std::clamp<qint64>(total, 1, INT_MAX)));
        dialog->setValue(int(std::clamp<qint64>(done, 0, INT_MAX)));
        dialog->setLabelText(QStringLiteral("%1 %L2 / %L3行").arg(m_what).arg(done).arg(total));
    }
    turn();
    return !m_stopped;
}

void WorkProgress::turn() {
    QCoreApplication::processEvents();
}

void WorkProgress::runAside(const std::function<void()>& work) {
    std::exception_ptr failure;
    std::atomic<bool> done{false};
    QEventLoop loop;
    std::thread aside([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        done = true;
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (QProgressDialog* dialog = m_shown.after(m_clock.elapsed())) {
            dialog->setRange(0, 0);
            dialog->setLabelText(m_stopped ? QStringLiteral("中止しています…")
                                           : QStringLiteral("ファイルを仕上げています…"));
        }
    });
    tick.start(kTurnMs);
    if (!done)
        loop.exec();
    // A quit ends the loop early; the work (a file of our own) still ends before anything it uses goes.
    aside.join();
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace zemo
