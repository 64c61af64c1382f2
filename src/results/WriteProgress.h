#pragma once

#include <QtGlobal>
#include <functional>

namespace zemo {

// How a long write of the grid says how far it has come, and learns that it is to stop: the target
// then stays as it was (the writers throw throwStopped's error).
class WriteProgress {
public:
    // Rows between two reports.
    static constexpr int kEveryRows = 4096;

    virtual ~WriteProgress() = default;
    // `done` rows of `total` are written; false: stop.
    virtual bool rowsWritten(qint64 done, qint64 total) = 0;
    // The write's last step, which reads nothing of the grid (packing a workbook, syncing the file to
    // disk): runs `work` to its end, a window on a thread of its own so that it goes on painting.
    virtual void finishing(const std::function<void()>& work) { work(); }
    // Whether a stop arrived, also during the last step.
    virtual bool stopped() const = 0;
};

} // namespace zemo
