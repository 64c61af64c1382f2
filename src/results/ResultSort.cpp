#include "results/ResultSort.h"

#include "results/NumberText.h"
#include "results/ResultStore.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <string>

namespace zemo {

namespace {

// One row in the sort: its key, its current display place (which settles ties) and where it is stored.
struct Elem {
    uint64_t key;
    uint32_t pos;
    uint32_t phys;
};

// Ascending or descending by key, then by current place.
struct KeyOrder {
    bool descending;
    bool operator()(const Elem& a, const Elem& b) const {
        if (a.key != b.key)
            return descending ? a.key > b.key : a.key < b.key;
        return a.pos < b.pos;
    }
};

// The cells of the sorted column.
class ColumnReader {
public:
    ColumnReader(const ResultStore& store, int col) : m_store(store), m_col(col) {}
    std::string_view operator()(uint32_t phys, std::string& scratch) const {
        std::string_view v;
        m_store.text(phys, m_col, v, scratch);
        return v;
    }

private:
    const ResultStore& m_store;
    int m_col;
};

// Doubles as unsigned integers in the same order; 0 stays free for empty cells.
uint64_t orderedBits(double d) {
    const auto bits = std::bit_cast<uint64_t>(d);
    return (bits >> 63) ? ~bits : bits | (uint64_t(1) << 63);
}

// Seven bytes of a text and, in the low byte, how many of them it has; 8 when it goes on beyond
// them. Texts that end sort before longer ones with the same bytes, as in byte order.
uint64_t textKey(std::string_view s) {
    uint64_t k = 0;
    const size_t n = std::min<size_t>(s.size(), 7);
    for (size_t i = 0; i < n; ++i)
        k |= uint64_t(static_cast<unsigned char>(s[i])) << (56 - 8 * i);
    return k | std::min<size_t>(s.size(), 8);
}

// A number's key: its double; words after the numbers. `inexact` when another cell may share the key.
uint64_t numberKey(std::string_view v, bool& inexact) {
    double d = 0;
    bool exact = false;
    if (v.empty()) {
        inexact = false;
        return 0;
    }
    if (parseNumberText(v, d, exact) && !std::isnan(d)) {
        inexact = !exact;
        return orderedBits(d);
    }
    inexact = true;
    return UINT64_MAX;
}

// Phase 1: one key per row, read in storage order so that the cells are visited front to back
// whatever order the rows are shown in. For a numeric column `inexact` marks the rows whose key
// may stand for more than one number.
std::vector<Elem> sortKeys(const ResultStore& store, const ColumnReader& cell, bool numeric,
                           std::vector<bool>& inexact) {
    const uint32_t n = store.rows();
    std::vector<Elem> elems(n);
    for (uint32_t p = 0; p < n; ++p)
        elems[store.physOf(p)].pos = p;
    inexact.assign(numeric ? n : 0, false);
    std::string scratch;
    for (uint32_t phys = 0; phys < n; ++phys) {
        Elem& e = elems[phys];
        e.phys = phys;
        const std::string_view v = cell(phys, scratch);
        if (!numeric) {
            e.key = textKey(v);
            continue;
        }
        bool loose = false;
        e.key = numberKey(v, loose);
        inexact[phys] = loose;
    }
    return elems;
}

// Phase 2 (numbers): equal doubles may still be different numbers (more than 15 digits, or words);
// runs of equal keys holding such a row are ordered by their exact decimal values.
void settleInexactTies(std::vector<Elem>& elems, const std::vector<bool>& inexact, const ColumnReader& cell,
                       bool descending) {
    std::string scratch, scratch2;
    const auto exactLess = [&](const Elem& a, const Elem& b) {
        const int c = compareNumberText(cell(a.phys, scratch), cell(b.phys, scratch2));
        return descending ? c > 0 : c < 0;
    };
    for (size_t i = 0; i < elems.size();) {
        size_t j = i + 1;
        bool exactRun = !inexact[elems[i].phys];
        for (; j < elems.size() && elems[j].key == elems[i].key; ++j)
            exactRun = exactRun && !inexact[elems[j].phys];
        if (!exactRun && j - i > 1)
            std::stable_sort(elems.begin() + long(i), elems.begin() + long(j), exactLess);
        i = j;
    }
}

// Phase 3 (text): runs that agree on their first 7 bytes and go on are sorted by the next 7, and so
// on: each cell is read once per 7 bytes it shares with others, never once per comparison.
void refineLongTextKeys(std::vector<Elem>& elems, const ColumnReader& cell, KeyOrder order) {
    struct Run {
        size_t begin, end, offset;
    };
    std::vector<Run> work{{0, elems.size(), 0}};
    std::string scratch;
    while (!work.empty()) {
        const Run r = work.back();
        work.pop_back();
        for (size_t i = r.begin; i < r.end;) {
            size_t j = i + 1;
            while (j < r.end && elems[j].key == elems[i].key)
                ++j;
            if (j - i > 1 && (elems[i].key & 0xff) == 8) {
                const size_t offset = r.offset + 7;
                for (size_t k = i; k < j; ++k)
                    elems[k].key = textKey(cell(elems[k].phys, scratch).substr(offset));
                std::sort(elems.begin() + long(i), elems.begin() + long(j), order);
                work.push_back({i, j, offset});
            }
            i = j;
        }
    }
}

} // namespace

std::vector<uint32_t> sortedOrder(const ResultStore& store, int col, bool descending) {
    const ColumnReader cell(store, col);
    const bool numeric = store.isNumeric(col);
    std::vector<bool> inexact;
    std::vector<Elem> elems = sortKeys(store, cell, numeric, inexact);
    const KeyOrder order{descending};
    std::sort(elems.begin(), elems.end(), order);
    if (numeric)
        settleInexactTies(elems, inexact, cell, descending);
    else
        refineLongTextKeys(elems, cell, order);
    std::vector<uint32_t> out(elems.size());
    for (size_t i = 0; i < elems.size(); ++i)
        out[i] = elems[i].phys;
    return out;
}

} // namespace zemo
