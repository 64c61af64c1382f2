#pragma once

#include "ui/WaitDialog.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QWidget;

namespace zemo {

// Long work on the window thread that says how far it has come (a large export): the busy pointer, and
// once it has lasted WaitDialog::progressDelay() a progress bar of done of total with 中止; the windows
// paint meanwhile and user input reaches only the dialog. The program told to quit counts as 中止.
class WorkProgress {
public:
    // `what` names the work in the dialog, e.g. "書き込み中".
    WorkProgress(QWidget* owner, QString what);
    ~WorkProgress();
    WorkProgress(const WorkProgress&) = delete;
    WorkProgress& operator=(const WorkProgress&) = delete;

    // `done` of `total` rows; now and then the windows paint and the dialog takes its click. False once
    // 中止 was pressed.
    bool step(qint64 done, qint64 total);
    // Runs `work`, which must touch no window and nothing the windows show, on a thread of its own to its
    // end while the windows paint; its failure is thrown here.
    void runAside(const std::function<void()>& work);
    bool stopped() const { return m_stopped; }

private:
    void turn();

    QString m_what;
    bool m_stopped = false;
    QElapsedTimer m_clock;
    qint64 m_lastTurn = -1;
    WaitDialog m_shown;
    std::unique_ptr<QObject> m_quitWatch;
};

} // namespace zemo
