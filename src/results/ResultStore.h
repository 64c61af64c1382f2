#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zemo {

class OracleResultSet;

// The cells of a result below its heading row, in a plain object that one thread at a time may fill
// or read (and, through a View, another thread the rows handed over to it). Column 0 holds the row
// labels (the row numbers), column j + 1 the values of field j. Values stay UTF-8 in blocks of rows,
// each block one byte arena with a 32-bit end offset per cell whose top bit marks a null, so a million
// rows cost little more than their text. Rows are addressed by their place in storage (`phys`); a
// display order maps the rows as shown to stored rows, and a sort changes only that order, never the
// values.
class ResultStore {
    struct Block;

public:
    explicit ResultStore(int dataCols = 0);
    ~ResultStore();
    ResultStore(const ResultStore&) = delete;
    ResultStore& operator=(const ResultStore&) = delete;

    int dataCols() const { return m_cols; }
    uint32_t rows() const { return m_rows; }

    // Appends the current row of `rs`: field j into column j + 1 (surplus fields are dropped, missing
    // ones empty), labelled with its 1-based place in storage. A failure leaves the store as it was.
    void appendRow(OracleResultSet& rs);
    // Appends `n` rows of empty cells without labels.
    void appendEmptyRows(uint32_t n);
    // A new store of `dataCols` columns holding the first `keepRows` rows in display order; new
    // cells are empty.
    std::unique_ptr<ResultStore> reshaped(uint32_t keepRows, int dataCols) const;

    // The cell in column `col` of stored row `phys`; false for an empty (null) cell, `out` then empty.
    // `out` points into the store or into `scratch`.
    bool text(uint32_t phys, int col, std::string_view& out, std::string& scratch) const;
    void setText(uint32_t phys, int col, std::string_view utf8);
    // A hint that stored row `phys` is about to be read.
    void prefetch(uint32_t phys) const;

    // Stored row shown at 0-based display row `row`.
    uint32_t physOf(uint32_t row) const { return m_order.empty() ? row : m_order[row]; }
    // Shows the rows in `order` (display row -> stored row, every stored row once).
    void setOrder(std::vector<uint32_t> order) { m_order = std::move(order); }
    // Labels 1, 2, 3, ... from the top of the display order.
    void numberRows();

    // Column 0, and a column whose every value came from the database as a number.
    bool isNumeric(int col) const;
    // A column whose every value came from the database as a date or time.
    bool isDateTime(int col) const;

    // The rows of a store that another thread still appends to, as far as the last refresh handed
    // them over, for a reader that holds no lock: rows handed over never move. A block whose bytes must
    // grow gets new ones and the old ones are kept until the next refresh; full blocks keep the room
    // they have until settle().
    class View {
    public:
        // Both under the lock the filling thread holds while it appends a row.
        explicit View(ResultStore& store);
        void refresh();

        uint32_t rows() const { return m_rows; }
        // Cell `col` of stored row `phys` (below rows()), as ResultStore::text reads it.
        bool text(uint32_t phys, int col, std::string_view& out, std::string& scratch) const;
        bool isNumeric(int col) const;
        bool isDateTime(int col) const;

    private:
        struct BlockAt {
            const char* bytes;
            const uint32_t* ends;
            const int32_t* labels;
        };
        ResultStore& m_store;
        uint32_t m_rows = 0;
        std::vector<BlockAt> m_blocks;
        std::vector<uint8_t> m_kind;
    };
    // Once no other thread appends and no View reads any more: blocks give back what their growth
    // over-allocated.
    void settle();

private:
    Block& beginRow();
    void put(Block& b, int j, std::string_view v);
    void putNull(Block& b, int j);
    void endRow(int32_t label);
    void grow(Block& b, size_t need);
    int32_t& label(uint32_t phys) const;

    int m_cols = 0; // data cells per row
    uint32_t m_rows = 0;
    std::vector<std::unique_ptr<Block>> m_blocks;
    bool m_viewed = false;                             // a View reads rows: bytes never move
    std::vector<char*> m_retired;                      // bytes a View may still read, until its refresh
    std::vector<uint8_t> m_kind;                       // per data column: unknown, numeric, text
    std::vector<uint32_t> m_order;                     // empty while the display order is the storage order
    std::unordered_map<uint64_t, std::string> m_edits; // cells set one by one, by (phys, col)
};

// How a fetch running on one thread shares the store with another.
struct FetchControl {
    std::mutex* storeLock = nullptr;         // held while one row is written into the store, never
                                             // while the result set is advanced (the driver may block)
    const std::atomic<bool>* stop = nullptr; // looked at before every row (and again under the lock);
                                             // true ends the fetch
    std::atomic<int>* rowsTaken = nullptr;   // rows this fetch appended, published after every row
    const bool* taken = nullptr;             // read under the lock: true once the other thread took
                                             // the store, which ends the fetch
    uint32_t tellAt = 0;                     // `tell` runs (under the lock) once the store holds this
    std::function<void()> tell{};            // many rows
};

// Appends the remaining rows of `rs` (field j into column j + 1). Returns false when `stop` or the take
// ended it.
// A failing fetch keeps the rows taken before it and rethrows.
bool fetchRows(ResultStore& store, OracleResultSet& rs, const FetchControl& control = {});

} // namespace zemo
