#include "db/LibPq.h"

#include "base/ZemoError.h"

#include <QLibrary>
#include <QStringList>

namespace zemo {

namespace {

struct Loaded {
    LibPq functions;
    QString failure; // empty once every function is there
};

Loaded load() {
    Loaded out;
    // Never unloaded: connections live until the program ends.
    QLibrary lib(QStringLiteral("pq"), 5);
    if (!lib.load()) {
        lib.setFileName(QStringLiteral("pq"));
        if (!lib.load()) {
            lib.setFileName(QStringLiteral("libpq"));
            if (!lib.load()) {
                out.failure = lib.errorString();
                return out;
            }
        }
    }
    QStringList missing;
#define ZEMO_LIBPQ_RESOLVE(name)                                                                             \
    out.functions.name = reinterpret_cast<decltype(&::name)>(lib.resolve(#name));                            \
    if (!out.functions.name)                                                                                 \
        missing << QStringLiteral(#name);
    ZEMO_LIBPQ_FUNCTIONS(ZEMO_LIBPQ_RESOLVE)
#undef ZEMO_LIBPQ_RESOLVE
    if (!missing.isEmpty())
        out.failure = lib.fileName() + QStringLiteral(" に ") + missing.join(QStringLiteral(", ")) +
                      QStringLiteral(" がありません");
    return out;
}

} // namespace

const LibPq& LibPq::get() {
    static const Loaded loaded = load();
    if (!loaded.failure.isEmpty())
        throw ZemoError(err::NoDriver,
                        QStringLiteral("PostgreSQL のクライアントライブラリ libpq を読み込めません（%1）。"
                                       "libpq（Debian では libpq5）を導入してください。")
                            .arg(loaded.failure));
    return loaded.functions;
}

} // namespace zemo
