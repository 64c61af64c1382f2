#pragma once

// A disk that fills up: files may grow to a given size only while a write runs.

#include "base/ZemoError.h"

#include <csignal>
#include <sys/resource.h>

namespace zemo::test {

// Runs `write` while no file may grow beyond `bytes`; the number of the ZemoError it threw, 0 when it
// threw none, -1 when the limit could not be set.
template <class Write> int errorNumberWithDiskFullAfter(rlim_t bytes, Write&& write) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = bytes;
    if (setrlimit(RLIMIT_FSIZE, &small) != 0)
        return -1;
    int number = 0;
    try {
        write();
    } catch (const ZemoError& e) {
        number = e.number();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    return number;
}

} // namespace zemo::test
