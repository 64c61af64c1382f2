#pragma once

#include "db/OracleAccess.h"
#include "results/ResultModel.h"
#include "results/ResultStore.h"

#include <exception>
#include <memory>

namespace zemo::test {

// Fills `model` from `rs` as the result window does: the store's fetch loop, then the model adopts the
// store with the field names. A failing fetch keeps the rows before it and rethrows.
inline bool loadResult(ResultModel& model, OracleResultSet& rs, const FetchControl& control = {}) {
    QStringList names;
    for (int j = 0; j < rs.columnCount(); ++j)
        names << rs.FieldName(j);
    auto store = std::make_unique<ResultStore>(rs.columnCount());
    std::exception_ptr failure;
    bool complete = false;
    try {
        complete = fetchRows(*store, rs, control);
    } catch (...) {
        failure = std::current_exception();
    }
    model.adopt(names, std::move(store));
    if (failure)
        std::rethrow_exception(failure);
    return complete;
}

} // namespace zemo::test
