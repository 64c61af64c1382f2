#include "base/ZemoError.h"

#include <new>

namespace zemo {

ZemoError currentFailure() {
    try {
        throw;
    } catch (const ZemoError& e) {
        return e;
    } catch (const std::bad_alloc&) {
        return ZemoError(err::OutOfMemory, QStringLiteral("メモリが不足しています"));
    } catch (const std::exception& e) {
        return ZemoError(err::Unexpected, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        return ZemoError(err::Unexpected, QStringLiteral("不明なエラー"));
    }
}

} // namespace zemo
