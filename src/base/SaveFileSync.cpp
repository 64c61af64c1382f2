#include "base/SaveFileSync.h"

#include <QFileDevice>

#ifdef Q_OS_UNIX
#include <csignal>
#include <unistd.h>
#endif

namespace zemo {

bool flushAndSync(QFileDevice& file) {
    if (!file.flush())
        return false;
#ifdef Q_OS_UNIX
    return ::fsync(file.handle()) == 0;
#else
    return true;
#endif
}

void ignoreFileSizeSignal() {
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

} // namespace zemo
