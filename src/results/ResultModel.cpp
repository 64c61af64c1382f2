#include "results/ResultModel.h"

#include "app/ZemoError.h"
#include "results/NumberText.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

namespace zemo {

namespace {

constexpr int kBlockShift = 12;
constexpr uint32_t kBlockRows = 1u << kBlockShift;
constexpr uint32_t kBlockMask = kBlockRows - 1;
constexpr int32_t kNoLabel = INT32_MIN;
enum ColumnKind : uint8_t { KindUnknown, KindNumeric, KindText };

quint64 editKey(uint32_t phys, int col) {
    return (quint64(phys) << 32) | quint32(col);
}

// A row number typed as plain decimal text is kept as a number.
bool canonicalInt(const QString& text, int32_t& out) {
    if (text.isEmpty() || text.size() > 11)
        return false;
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v == kNoLabel || QString::number(v) != text)
        return false;
    out = v;
    return true;
}

[[noreturn]] void tooLarge() {
    throw ZemoError(err::ResultTooLarge, QStringLiteral("結果が大きすぎて表示できません"));
}

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

} // namespace

// The cells of up to kBlockRows rows: their bytes back to back, the end offset of every cell and a
// null bit per cell.
struct ResultModel::Block {
    char* bytes = nullptr;
    size_t size = 0;
    size_t cap = 0;
    std::unique_ptr<uint32_t[]> ends;
    std::unique_ptr<uint64_t[]> nulls;

    Block(size_t cells, size_t reserve)
        : ends(new uint32_t[std::max<size_t>(cells, 1)]), nulls(new uint64_t[cells / 64 + 1]()) {
        grow(reserve);
    }
    ~Block() { std::free(bytes); }
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;

    void grow(size_t need) {
        const size_t newCap = std::max(need, cap + cap / 2 + 64);
        auto* p = static_cast<char*>(std::realloc(bytes, newCap));
        if (!p)
            throw std::bad_alloc();
        bytes = p;
        cap = newCap;
    }
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

struct ResultModel::Store {
    int cols = 0; // data cells per row: grid columns after the row-number column
    uint32_t rows = 0;
    std::vector<std::unique_ptr<Block>> blocks;
    std::vector<int32_t> label; // row-number column, per stored row
    size_t rowStart = 0;

    explicit Store(int dataCols) : cols(std::max(0, dataCols)) {}

    bool cell(uint32_t phys, int j, std::string_view& out) const {
        const Block& b = *blocks[phys >> kBlockShift];
        const size_t k = size_t(phys & kBlockMask) * size_t(cols) + size_t(j);
        if ((b.nulls[k >> 6] >> (k & 63)) & 1) {
            out = {};
            return false;
        }
        const uint32_t start = k > 0 ? b.ends[k - 1] : 0;
        out = std::string_view(b.bytes + start, b.ends[k] - start);
        return true;
    }

    // Appending one row: beginRow, put or putNull for each of the `cols` cells, endRow (abortRow on a
    // failure in between).
    Block& beginRow() {
        if (rows >= uint32_t(INT_MAX - 2))
            tooLarge();
        if (label.size() == label.capacity())
            label.reserve(std::max<size_t>(1024, label.size() * 2));
        const size_t bi = rows >> kBlockShift;
        if (bi == blocks.size()) {
            const size_t reserve =
                blocks.empty() ? 64 * 1024 : blocks.back()->size + blocks.back()->size / 16 + 64;
            blocks.push_back(std::make_unique<Block>(size_t(kBlockRows) * size_t(cols), reserve));
        }
        Block& b = *blocks[bi];
        rowStart = b.size;
        return b;
    }
    size_t cellIndex(int j) const { return size_t(rows & kBlockMask) * size_t(cols) + size_t(j); }
    void put(Block& b, int j, const char* p, size_t n) {
        const size_t k = cellIndex(j);
        if (n > UINT32_MAX - b.size)
            tooLarge();
        if (b.size + n > b.cap)
            b.grow(b.size + n);
        if (n)
            std::memcpy(b.bytes + b.size, p, n);
        b.size += n;
        b.ends[k] = uint32_t(b.size);
        b.nulls[k >> 6] &= ~(uint64_t(1) << (k & 63));
    }
    void putNull(Block& b, int j) {
        const size_t k = cellIndex(j);
        b.ends[k] = uint32_t(b.size);
        b.nulls[k >> 6] |= uint64_t(1) << (k & 63);
    }
    void endRow(int32_t number) {
        label.push_back(number);
        ++rows;
        if ((rows & kBlockMask) == 0)
            blocks[(rows - 1) >> kBlockShift]->shrink();
    }
    void abortRow(Block& b) { b.size = rowStart; }

    void appendEmpty(uint32_t n) {
        for (uint32_t i = 0; i < n; ++i) {
            Block& b = beginRow();
            for (int j = 0; j < cols; ++j)
                putNull(b, j);
            endRow(kNoLabel);
        }
    }
};

ResultModel::ResultModel(QObject* parent)
    : GridModel(parent), m_header(1), m_store(std::make_unique<Store>(0)), m_colKind(1, KindUnknown) {}

ResultModel::~ResultModel() = default;

bool ResultModel::span(uint32_t phys, int col, std::string_view& out, std::string& scratch) const {
    if (!m_edits.isEmpty()) {
        const auto it = m_edits.constFind(editKey(phys, col));
        if (it != m_edits.constEnd()) {
            out = std::string_view(it->constData(), size_t(it->size()));
            return true;
        }
    }
    if (col == 0) {
        const int32_t n = m_store->label[phys];
        if (n == kNoLabel) {
            out = {};
            return false;
        }
        scratch.resize(12);
        const auto r = std::to_chars(scratch.data(), scratch.data() + scratch.size(), n);
        out = std::string_view(scratch.data(), size_t(r.ptr - scratch.data()));
        return true;
    }
    return m_store->cell(phys, col - 1, out);
}

QString ResultModel::cellText(int row, int col) const {
    if (row < 0 || row >= m_gridRows || col < 0 || col >= m_cols)
        return {};
    if (row == 0)
        return m_header[col];
    std::string scratch;
    std::string_view v;
    span(physOf(row), col, v, scratch);
    return QString::fromUtf8(v.data(), qsizetype(v.size()));
}

QString ResultModel::cellPrefix(int row, int col, qsizetype maxChars, bool& more) const {
    if (row <= 0 || row >= m_gridRows || col < 0 || col >= m_cols || maxChars <= 0)
        return GridModel::cellPrefix(row, col, maxChars, more);
    std::string scratch;
    std::string_view v;
    span(physOf(row), col, v, scratch);
    // maxChars UTF-16 units never take more than three bytes each; cut on a character's first byte.
    size_t n = std::min(v.size(), size_t(maxChars) * 3);
    while (n < v.size() && (static_cast<unsigned char>(v[n]) & 0xC0) == 0x80)
        --n;
    QString text = QString::fromUtf8(v.data(), qsizetype(n));
    more = n < v.size();
    if (text.size() > maxChars) {
        text.truncate(text[maxChars - 1].isHighSurrogate() ? maxChars - 1 : maxChars);
        more = true;
    }
    return text;
}

std::string_view ResultModel::cellUtf8(int row, int col, std::string& scratch) const {
    if (row < 0 || row >= m_gridRows || col < 0 || col >= m_cols)
        return {};
    if (row == 0) {
        scratch = m_header[col].toStdString();
        return scratch;
    }
    std::string_view v;
    span(physOf(row), col, v, scratch);
    return v;
}

void ResultModel::prefetchRow(int row) const {
#if defined(__GNUC__) || defined(__clang__)
    if (row < 1 || row >= m_gridRows || m_store->cols == 0)
        return;
    const uint32_t phys = physOf(row);
    const Block& b = *m_store->blocks[phys >> kBlockShift];
    const size_t k = size_t(phys & kBlockMask) * size_t(m_store->cols);
    __builtin_prefetch(&b.ends[k > 0 ? k - 1 : 0]);
    __builtin_prefetch(&b.ends[k + size_t(m_store->cols) - 1]);
    __builtin_prefetch(&b.nulls[k >> 6]);
    __builtin_prefetch(&m_store->label[phys]);
    __builtin_prefetch(b.bytes + (k > 0 ? b.ends[k - 1] : 0));
#else
    Q_UNUSED(row);
#endif
}

void ResultModel::setCellText(int row, int col, const QString& text) {
    if (row < 0 || row >= m_gridRows || col < 0 || col >= m_cols)
        return;
    if (row == 0) {
        m_header[col] = text;
    } else {
        const uint32_t phys = physOf(row);
        int32_t n = 0;
        if (col == 0 && canonicalInt(text, n)) {
            m_store->label[phys] = n;
            m_edits.remove(editKey(phys, col));
        } else {
            if (col == 0)
                m_store->label[phys] = kNoLabel;
            m_edits.insert(editKey(phys, col), text.toUtf8());
        }
    }
    cellChanged(row, col);
}

QVariant ResultModel::data(const QModelIndex& index, int role) const {
    if (role == Qt::TextAlignmentRole && index.isValid())
        return isNumericColumn(index.column() + headerCols()) ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                                              : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    return GridModel::data(index, role);
}

void ResultModel::rebuild(int keepRows, int cols) {
    auto fresh = std::make_unique<Store>(cols - 1);
    QHash<quint64, QByteArray> edits;
    const int oldCols = m_store->cols;
    std::string scratch;
    for (int d = 1; d <= keepRows; ++d) {
        const uint32_t phys = physOf(d);
        Block& b = fresh->beginRow();
        for (int j = 0; j < fresh->cols; ++j) {
            std::string_view v;
            if (j < oldCols && span(phys, j + 1, v, scratch))
                fresh->put(b, j, v.data(), v.size());
            else
                fresh->putNull(b, j);
        }
        const auto it = m_edits.constFind(editKey(phys, 0));
        if (it != m_edits.constEnd())
            edits.insert(editKey(fresh->rows, 0), *it);
        fresh->endRow(m_store->label[phys]);
    }
    m_store = std::move(fresh);
    m_edits = std::move(edits);
    m_perm.clear();
}

void ResultModel::setGridRows(int rows) {
    rows = std::max(0, rows);
    if (rows == m_gridRows)
        return;
    beginResetModel();
    if (rows > m_gridRows) {
        const uint32_t add = uint32_t(rows - 1 - dataRows());
        const uint32_t first = m_store->rows;
        m_store->appendEmpty(add);
        if (!m_perm.empty())
            for (uint32_t i = 0; i < add; ++i)
                m_perm.push_back(first + i);
    } else if (rows <= 1) {
        m_store = std::make_unique<Store>(m_cols - 1);
        m_perm.clear();
        m_edits.clear();
        std::fill(m_colKind.begin(), m_colKind.end(), KindUnknown);
        if (rows == 0)
            m_header = QStringList(m_cols);
    } else {
        rebuild(rows - 1, m_cols);
    }
    m_gridRows = rows;
    endResetModel();
}

void ResultModel::setGridCols(int cols) {
    cols = std::max(0, cols);
    if (cols == m_cols)
        return;
    beginResetModel();
    m_header.resize(cols);
    m_colKind.resize(size_t(cols), KindUnknown);
    rebuild(dataRows(), cols);
    m_cols = cols;
    endResetModel();
}

void ResultModel::clearCells() {
    beginResetModel();
    m_header = QStringList(m_cols);
    m_store = std::make_unique<Store>(m_cols - 1);
    m_store->appendEmpty(uint32_t(dataRows()));
    m_perm.clear();
    m_edits.clear();
    std::fill(m_colKind.begin(), m_colKind.end(), KindUnknown);
    endResetModel();
}

bool ResultModel::load(OracleResultSet& rs, const Progress& progress, int every) {
    const int fields = rs.columnCount();
    if (fields >= INT_MAX - 1)
        tooLarge();
    if (m_gridRows == 0)
        setGridRows(1);
    setGridCols(fields + 1);
    for (int j = 0; j < fields; ++j)
        setCellText(0, j + 1, rs.FieldName(j));
    return fetchRows(rs, progress, every);
}

void ResultModel::publish(int gridRows) {
    if (gridRows == m_gridRows)
        return;
    const int first = m_gridRows - headerRows();
    const int last = gridRows - 1 - headerRows();
    if (first >= 0 && last >= first) {
        beginInsertRows({}, first, last);
        m_gridRows = gridRows;
        endInsertRows();
    } else {
        beginResetModel();
        m_gridRows = gridRows;
        endResetModel();
    }
}

bool ResultModel::fetchRows(OracleResultSet& rs, const Progress& progress, int every) {
    if (m_gridRows == 0)
        setGridRows(1);
    Store& s = *m_store;
    const int fields = std::min(rs.columnCount(), s.cols);
    const int startRows = m_gridRows;
    int taken = 0;
    bool complete = true;
    every = std::max(1, every);
    // Views learn of the new rows once, when the fetch ends, stops or fails.
    auto finish = [&] { publish(startRows + taken); };
    try {
        while (!rs.Eof()) {
            if (!m_perm.empty() && m_perm.size() == m_perm.capacity())
                m_perm.reserve(m_perm.size() * 2);
            Block& b = s.beginRow();
            try {
                for (int j = 0; j < fields; ++j) {
                    std::string_view v;
                    if (!rs.textUtf8(j, v)) {
                        s.putNull(b, j);
                        continue;
                    }
                    s.put(b, j, v.data(), v.size());
                    uint8_t& kind = m_colKind[size_t(j) + 1];
                    if (kind != KindText) {
                        const ValueKind k = rs.kind(j);
                        kind = (k == ValueKind::Integer || k == ValueKind::Real || k == ValueKind::Decimal)
                                   ? KindNumeric
                                   : KindText;
                    }
                }
                for (int j = fields; j < s.cols; ++j)
                    s.putNull(b, j);
            } catch (...) {
                s.abortRow(b);
                throw;
            }
            s.endRow(int32_t(startRows + taken));
            if (!m_perm.empty())
                m_perm.push_back(s.rows - 1);
            ++taken;
            rs.MoveNext();
            if (progress && taken % every == 0 && !progress(taken)) {
                complete = false;
                break;
            }
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
    return complete;
}

bool ResultModel::isNumericColumn(int gridCol) const {
    if (gridCol == 0)
        return true;
    return gridCol > 0 && gridCol < m_cols && m_colKind[size_t(gridCol)] == KindNumeric;
}

void ResultModel::sort(int column, Qt::SortOrder order) {
    if (column < 0)
        return;
    try {
        sortRows(column + headerCols(), order == Qt::DescendingOrder);
    } catch (const std::bad_alloc&) {
        // Without memory for the sort keys the rows simply stay in their order.
    }
}

void ResultModel::sortRows(int gridCol, bool descending) {
    const int n = dataRows();
    if (gridCol < 0 || gridCol >= m_cols || n < 2)
        return;

    // One key per row: a number's double, or 7 bytes of a text. Keys are read in storage order, so
    // the cells are visited front to back whatever order the rows are shown in. `pos`, the row's
    // current place, settles ties (a stable sort).
    struct Elem {
        uint64_t key;
        uint32_t pos;
        uint32_t phys;
    };
    std::vector<uint32_t> place(static_cast<size_t>(n));
    for (uint32_t p = 0; p < uint32_t(n); ++p)
        place[m_perm.empty() ? p : m_perm[p]] = p;
    std::vector<Elem> elems(static_cast<size_t>(n));
    const bool numeric = isNumericColumn(gridCol);
    // Numbers whose double might be shared with a different number.
    std::vector<bool> inexact(numeric ? static_cast<size_t>(n) : 0);
    std::string scratch, scratch2;
    auto cellOf = [&](uint32_t phys, std::string& buf) {
        std::string_view v;
        span(phys, gridCol, v, buf);
        return v;
    };
    for (uint32_t phys = 0; phys < uint32_t(n); ++phys) {
        const std::string_view v = cellOf(phys, scratch);
        Elem& e = elems[phys];
        e.pos = place[phys];
        e.phys = phys;
        if (!numeric) {
            e.key = textKey(v);
            continue;
        }
        double d = 0;
        bool exact = false;
        if (v.empty()) {
            e.key = 0;
        } else if (parseNumberText(v, d, exact) && !std::isnan(d)) {
            e.key = orderedBits(d);
            inexact[phys] = !exact;
        } else {
            e.key = UINT64_MAX; // words after the numbers, among themselves by their text
            inexact[phys] = true;
        }
    }

    const auto less = [descending](const Elem& a, const Elem& b) {
        if (a.key != b.key)
            return descending ? a.key > b.key : a.key < b.key;
        return a.pos < b.pos;
    };
    std::sort(elems.begin(), elems.end(), less);
    if (numeric) {
        // Equal doubles may still be different numbers (more than 15 digits): order those runs exactly.
        for (size_t i = 0; i < elems.size();) {
            size_t j = i + 1;
            bool exactRun = !inexact[elems[i].phys];
            for (; j < elems.size() && elems[j].key == elems[i].key; ++j)
                exactRun = exactRun && !inexact[elems[j].phys];
            if (!exactRun && j - i > 1)
                std::stable_sort(
                    elems.begin() + long(i), elems.begin() + long(j), [&](const Elem& a, const Elem& b) {
                        const int c = compareNumberText(cellOf(a.phys, scratch), cellOf(b.phys, scratch2));
                        return descending ? c > 0 : c < 0;
                    });
            i = j;
        }
    } else {
        // Runs that agree on their first 7 bytes and go on are sorted by the next 7, and so on: each
        // cell is read once per 7 bytes it shares with others, never once per comparison.
        struct Run {
            size_t begin, end, offset;
        };
        std::vector<Run> work{{0, elems.size(), 0}};
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
                        elems[k].key = textKey(cellOf(elems[k].phys, scratch).substr(offset));
                    std::sort(elems.begin() + long(i), elems.begin() + long(j), less);
                    work.push_back({i, j, offset});
                }
                i = j;
            }
        }
    }

    std::vector<uint32_t> perm(static_cast<size_t>(n));
    std::vector<uint32_t>& newPos = place; // old place -> new place
    for (uint32_t i = 0; i < uint32_t(n); ++i) {
        perm[i] = elems[i].phys;
        newPos[elems[i].pos] = i;
    }
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    m_perm = std::move(perm);
    // Selected and current cells stay with their rows.
    const QModelIndexList from = persistentIndexList();
    if (!from.isEmpty()) {
        QModelIndexList to;
        to.reserve(from.size());
        for (const QModelIndex& idx : from) {
            const int d = idx.row() + headerRows() - 1;
            to << (d < 0 || d >= n ? idx : index(int(newPos[size_t(d)]) + 1 - headerRows(), idx.column()));
        }
        changePersistentIndexList(from, to);
    }
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ResultModel::numberRows() {
    const int n = dataRows();
    if (!m_edits.isEmpty()) {
        for (auto it = m_edits.begin(); it != m_edits.end();)
            it = (it.key() & 0xffffffffu) == 0 ? m_edits.erase(it) : std::next(it);
    }
    for (int d = 1; d <= n; ++d)
        m_store->label[physOf(d)] = d;
    if (rowCount() == 0)
        return;
    if (headerCols() > 0)
        Q_EMIT headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
    else
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::DisplayRole});
}

} // namespace zemo
