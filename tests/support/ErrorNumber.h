#pragma once

#include "base/ZemoError.h"

#include <functional>

namespace zemo::test {

// The number of the ZemoError `act` throws; 0 when it throws none.
inline int errorNumberOf(const std::function<void()>& act) {
    try {
        act();
    } catch (const ZemoError& e) {
        return e.number();
    }
    return 0;
}

} // namespace zemo::test
