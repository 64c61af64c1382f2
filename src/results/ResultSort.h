#pragma once

#include <cstdint>
#include <vector>

namespace zemo {

class ResultStore;

// The display order of `store`'s rows sorted by column `col` (display row -> stored row): numbers
// by exact value in a numeric column, any other column by its UTF-8 bytes (code-point order); empty
// cells first (last when descending). Stable: rows that compare equal keep their current order.
std::vector<uint32_t> sortedOrder(const ResultStore& store, int col, bool descending);

} // namespace zemo
