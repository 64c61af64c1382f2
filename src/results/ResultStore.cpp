#include "results/ResultStore.h"

#include "base/ZemoError.h"
#include "db/OracleAccess.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

namespace zemo {

namespace {

constexpr int kBlockShift = 12;
constexpr uint32_t kBlockRows = 1u << kBlockShift;
constexpr uint32_t kBlockMask = kBlockRows - 1;
constexpr int32_t kNoLabel = INT32_MIN;
// A cell's end offset; the top bit marks a null cell, so a block holds at most 2 GiB of text.
constexpr uint32_t kNull = 0x80000000u;
constexpr uint32_t kEndMask = 0x7FFFFFFFu;
enum StoredKind : uint8_t { KindUnknown, KindNumeric, KindDateTime, KindText };

uint64_t editKey(uint32_t phys, int col) {
    return (uint64_t(phys) << 32) | uint32_t(col);
}

// A row number typed as plain decimal text is kept as a number.
bool canonicalInt(std::string_view text, int32_t& out) {
    int32_t v = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || r.ec != std::errc() || r.ptr != text.data() + text.size() || v == kNoLabel)
        return false;
    if (text.size() > 1 && (text[0] == '0' || (text[0] == '-' && text[1] == '0')))
        return false;
    out = v;
    return true;
}

[[noreturn]] void tooLarge() {
    throw ZemoError(err::ResultTooLarge, QStringLiteral("結果が大きすぎて表示できません"));
}

// Cell `k` of a block: false for a null.
bool cellIn(const char* bytes, const uint32_t* ends, size_t k, std::string_view& out) {
    const uint32_t end = ends[k];
    if (end & kNull) {
        out = {};
        return false;
    }
    const uint32_t start = k > 0 ? ends[k - 1] & kEndMask : 0;
    out = std::string_view(bytes + start, end - start);
    return true;
}

// A row label as the row-number column shows it; false for a row without one.
bool labelText(int32_t n, std::string_view& out, std::string& scratch) {
    if (n == kNoLabel) {
        out = {};
        return false;
    }
    scratch.resize(12);
    const auto r = std::to_chars(scratch.data(), scratch.data() + scratch.size(), n);
    out = std::string_view(scratch.data(), size_t(r.ptr - scratch.data()));
    return true;
}

StoredKind storedKind(ValueKind k) {
    switch (k) {
    case ValueKind::Integer:
    case ValueKind::Real:
    case ValueKind::Decimal:
        return KindNumeric;
    case ValueKind::DateTime:
        return KindDateTime;
    default:
        return KindText;
    }
}

} // namespace

// The cells of up to kBlockRows rows: their bytes back to back, the end offset of every cell (with
// its null bit) and the label of every row.
struct ResultStore::Block {
    char* bytes = nullptr;
    size_t size = 0;
    size_t cap = 0;
    std::unique_ptr<uint32_t[]> ends;
    std::unique_ptr<int32_t[]> labels;

    Block(size_t cells, size_t reserve)
        : bytes(static_cast<char*>(std::malloc(reserve))), cap(reserve),
          ends(new uint32_t[std::max<size_t>(cells, 1)]), labels(new int32_t[kBlockRows]) {
        if (!bytes)
            throw std::bad_alloc();
    }
    ~Block() { std::free(bytes); }
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;

    // A full block gives back what its last growth over-allocated.
    void shrink() {
        if (cap > size + size / 16 + 64) {
            if (auto* p = static_cast<char*>(std::realloc(bytes, std::max<size_t>(size, 1)))) {
                bytes = p;
                cap = std::max<size_t>(size, 1);
            }
        }
    }
};

ResultStore::ResultStore(int dataCols) : m_cols(std::max(0, dataCols)), m_kind(size_t(m_cols), KindUnknown) {}

ResultStore::~ResultStore() {
    for (char* p : m_retired)
        std::free(p);
}

// Appending one row: beginRow, put or putNull for each of the m_cols cells, endRow. A row that fails
// in between is never counted; its caller sets the block's size back.
ResultStore::Block& ResultStore::beginRow() {
    if (m_rows >= uint32_t(INT_MAX - 2))
        tooLarge();
    // Room first, so that endRow cannot fail half-way.
    if (!m_order.empty() && m_order.size() == m_order.capacity())
        m_order.reserve(m_order.size() * 2);
    const size_t bi = m_rows >> kBlockShift;
    if (bi == m_blocks.size()) {
        const size_t reserve =
            m_blocks.empty() ? 64 * 1024 : m_blocks.back()->size + m_blocks.back()->size / 16 + 64;
        m_blocks.push_back(std::make_unique<Block>(size_t(kBlockRows) * size_t(m_cols), reserve));
    }
    return *m_blocks[bi];
}

void ResultStore::grow(Block& b, size_t need) {
    const size_t newCap = std::max(need, b.cap + b.cap / 2 + 64);
    if (!m_viewed) {
        auto* p = static_cast<char*>(std::realloc(b.bytes, newCap));
        if (!p)
            throw std::bad_alloc();
        b.bytes = p;
    } else {
        // A View may be reading the rows already there: they are copied, and the old bytes stay
        // until its next refresh.
        m_retired.reserve(m_retired.size() + 1);
        auto* p = static_cast<char*>(std::malloc(newCap));
        if (!p)
            throw std::bad_alloc();
        std::memcpy(p, b.bytes, b.size);
        m_retired.push_back(b.bytes);
        b.bytes = p;
    }
    b.cap = newCap;
}

void ResultStore::put(Block& b, int j, std::string_view v) {
    const size_t k = size_t(m_rows & kBlockMask) * size_t(m_cols) + size_t(j);
    if (v.size() > kEndMask - b.size)
        tooLarge();
    if (b.size + v.size() > b.cap)
        grow(b, b.size + v.size());
    if (!v.empty())
        std::memcpy(b.bytes + b.size, v.data(), v.size());
    b.size += v.size();
    b.ends[k] = uint32_t(b.size);
}

void ResultStore::putNull(Block& b, int j) {
    const size_t k = size_t(m_rows & kBlockMask) * size_t(m_cols) + size_t(j);
    b.ends[k] = uint32_t(b.size) | kNull;
}

int32_t& ResultStore::label(uint32_t phys) const {
    return m_blocks[phys >> kBlockShift]->labels[phys & kBlockMask];
}

void ResultStore::endRow(int32_t rowLabel) {
    label(m_rows) = rowLabel;
    if (!m_order.empty())
        m_order.push_back(m_rows);
    ++m_rows;
    if ((m_rows & kBlockMask) == 0 && !m_viewed)
        m_blocks[(m_rows - 1) >> kBlockShift]->shrink();
}

void ResultStore::appendRow(OracleResultSet& rs) {
    const int fields = std::min(rs.columnCount(), m_cols);
    Block& b = beginRow();
    const size_t start = b.size;
    try {
        for (int j = 0; j < fields; ++j) {
            std::string_view v;
            if (!rs.textUtf8(j, v)) {
                putNull(b, j);
                continue;
            }
            put(b, j, v);
            // A column of mixed kinds is text.
            uint8_t& kind = m_kind[size_t(j)];
            if (kind != KindText) {
                const StoredKind k = storedKind(rs.kind(j));
                kind = kind == KindUnknown || kind == k ? k : KindText;
            }
        }
    } catch (...) {
        b.size = start;
        throw;
    }
    for (int j = fields; j < m_cols; ++j)
        putNull(b, j);
    endRow(int32_t(m_rows + 1));
}

void ResultStore::appendEmptyRows(uint32_t n) {
    for (uint32_t i = 0; i < n; ++i) {
        Block& b = beginRow();
        for (int j = 0; j < m_cols; ++j)
            putNull(b, j);
        endRow(kNoLabel);
    }
}

std::unique_ptr<ResultStore> ResultStore::reshaped(uint32_t keepRows, int dataCols) const {
    auto fresh = std::make_unique<ResultStore>(dataCols);
    std::copy_n(m_kind.begin(), std::min(m_kind.size(), fresh->m_kind.size()), fresh->m_kind.begin());
    std::string scratch;
    for (uint32_t d = 0; d < keepRows && d < m_rows; ++d) {
        const uint32_t phys = physOf(d);
        Block& b = fresh->beginRow();
        for (int j = 0; j < fresh->m_cols; ++j) {
            std::string_view v;
            if (j < m_cols && text(phys, j + 1, v, scratch))
                fresh->put(b, j, v);
            else
                fresh->putNull(b, j);
        }
        const auto it = m_edits.find(editKey(phys, 0));
        if (it != m_edits.end())
            fresh->m_edits.emplace(editKey(fresh->m_rows, 0), it->second);
        fresh->endRow(label(phys));
    }
    return fresh;
}

bool ResultStore::text(uint32_t phys, int col, std::string_view& out, std::string& scratch) const {
    if (!m_edits.empty()) {
        const auto it = m_edits.find(editKey(phys, col));
        if (it != m_edits.end()) {
            out = it->second;
            return true;
        }
    }
    if (col == 0)
        return labelText(label(phys), out, scratch);
    const Block& b = *m_blocks[phys >> kBlockShift];
    return cellIn(b.bytes, b.ends.get(), size_t(phys & kBlockMask) * size_t(m_cols) + size_t(col - 1), out);
}

void ResultStore::setText(uint32_t phys, int col, std::string_view utf8) {
    int32_t n = 0;
    if (col == 0 && canonicalInt(utf8, n)) {
        label(phys) = n;
        m_edits.erase(editKey(phys, col));
        return;
    }
    if (col == 0)
        label(phys) = kNoLabel;
    m_edits.insert_or_assign(editKey(phys, col), std::string(utf8));
}

void ResultStore::prefetch(uint32_t phys) const {
#if defined(__GNUC__) || defined(__clang__)
    if (phys >= m_rows || m_cols == 0)
        return;
    const Block& b = *m_blocks[phys >> kBlockShift];
    const size_t k = size_t(phys & kBlockMask) * size_t(m_cols);
    __builtin_prefetch(&b.ends[k > 0 ? k - 1 : 0]);
    __builtin_prefetch(&b.ends[k + size_t(m_cols) - 1]);
    __builtin_prefetch(&b.labels[phys & kBlockMask]);
    __builtin_prefetch(b.bytes + (k > 0 ? b.ends[k - 1] : 0));
#else
    (void)phys;
#endif
}

void ResultStore::numberRows() {
    std::erase_if(m_edits, [](const auto& e) { return (e.first & 0xffffffffu) == 0; });
    for (uint32_t d = 0; d < m_rows; ++d)
        label(physOf(d)) = int32_t(d + 1);
}

bool ResultStore::isNumeric(int col) const {
    return col == 0 || (col > 0 && col <= m_cols && m_kind[size_t(col - 1)] == KindNumeric);
}

bool ResultStore::isDateTime(int col) const {
    return col > 0 && col <= m_cols && m_kind[size_t(col - 1)] == KindDateTime;
}

void ResultStore::settle() {
    m_viewed = false;
    for (char* p : m_retired)
        std::free(p);
    m_retired.clear();
    for (const auto& b : m_blocks)
        b->shrink();
}

ResultStore::View::View(ResultStore& store) : m_store(store) {
    store.m_viewed = true;
    refresh();
}

void ResultStore::View::refresh() {
    // Blocks before the last one seen were full then and have not changed since.
    const size_t from = m_blocks.empty() ? 0 : m_blocks.size() - 1;
    m_blocks.resize(m_store.m_blocks.size());
    for (size_t i = from; i < m_blocks.size(); ++i) {
        const Block& b = *m_store.m_blocks[i];
        m_blocks[i] = {b.bytes, b.ends.get(), b.labels.get()};
    }
    m_rows = m_store.m_rows;
    m_kind = m_store.m_kind;
    // From here on this reader reads the bytes just taken, never the ones they replaced.
    for (char* p : m_store.m_retired)
        std::free(p);
    m_store.m_retired.clear();
}

bool ResultStore::View::text(uint32_t phys, int col, std::string_view& out, std::string& scratch) const {
    const BlockAt& b = m_blocks[phys >> kBlockShift];
    if (col == 0)
        return labelText(b.labels[phys & kBlockMask], out, scratch);
    return cellIn(b.bytes, b.ends, size_t(phys & kBlockMask) * m_kind.size() + size_t(col - 1), out);
}

bool ResultStore::View::isNumeric(int col) const {
    return col == 0 || (col > 0 && size_t(col) <= m_kind.size() && m_kind[size_t(col - 1)] == KindNumeric);
}

bool ResultStore::View::isDateTime(int col) const {
    return col > 0 && size_t(col) <= m_kind.size() && m_kind[size_t(col - 1)] == KindDateTime;
}

bool fetchRows(ResultStore& store, OracleResultSet& rs, const FetchControl& control) {
    int taken = 0;
    while (!rs.Eof()) {
        if (control.stop && control.stop->load(std::memory_order_relaxed))
            return false;
        if (control.storeLock) {
            const std::lock_guard<std::mutex> hold(*control.storeLock);
            // Looked at again under the lock: the other thread may have stopped the fetch or taken the
            // store while this one waited on the driver, and must never see it written afterwards.
            if ((control.stop && control.stop->load(std::memory_order_acquire)) ||
                (control.taken && *control.taken))
                return false;
            store.appendRow(rs);
            if (store.rows() == control.tellAt && control.tell)
                control.tell();
        } else {
            store.appendRow(rs);
        }
        ++taken;
        if (control.rowsTaken)
            control.rowsTaken->store(taken, std::memory_order_release);
        rs.MoveNext();
    }
    return true;
}

} // namespace zemo
