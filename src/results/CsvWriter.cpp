#include "results/CsvWriter.h"

#include "base/SaveFileSync.h"
#include "base/ZemoError.h"
#include "db/DbConnection.h"

#include <QSaveFile>
#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace zemo {

namespace {

constexpr size_t kBuffer = 4 << 20;
// A small export (or a fuzz run) does not clear megabytes: the buffer doubles from here at each flush.
constexpr size_t kFirstBuffer = 64 << 10;
// Rows ahead of the one being written that the model is asked to load.
constexpr int kPrefetch = 16;

constexpr std::array<bool, 256> makeSpecials() {
    std::array<bool, 256> t{};
    t[size_t(',')] = t[size_t('"')] = t[size_t('\r')] = t[size_t('\n')] = true;
    return t;
}
constexpr std::array<bool, 256> kSpecial = makeSpecials();

// Writes the field at `w`, which has room for 2 * size + 2 bytes; returns the end.
char* putField(char* w, std::string_view field) {
    const char* p = field.data();
    const char* end = p + field.size();
    const char* q = p;
    while (q < end && !kSpecial[static_cast<unsigned char>(*q)])
        ++q;
    if (q == end) {
        if (!field.empty())
            std::memcpy(w, p, field.size());
        return w + field.size();
    }
    *w++ = '"';
    for (; p < end; ++p) {
        if (*p == '"')
            *w++ = '"';
        *w++ = *p;
    }
    *w++ = '"';
    return w;
}

} // namespace

bool writeGridCsv(const GridModel& grid, const QList<int>& columns, QIODevice& out, WriteProgress* progress) {
    QList<int> cols = columns;
    if (cols.isEmpty())
        for (int c = 0; c < grid.gridCols(); ++c)
            cols << c;
    const size_t n = size_t(cols.size());
    std::vector<std::string_view> cells(n);
    std::vector<std::string> scratch(n);
    std::vector<char> buf(kFirstBuffer);
    size_t used = 0;
    auto flush = [&] {
        const bool ok = out.write(buf.data(), qint64(used)) == qint64(used);
        used = 0;
        return ok;
    };
    std::memcpy(buf.data(), "\xEF\xBB\xBF", 3);
    used = 3;
    const int rows = grid.gridRows();
    for (int r = 0; r < rows; ++r) {
        // Data rows written so far: every row above this one but the heading row.
        if (progress && r % WriteProgress::kEveryRows == 0 && r > 0 &&
            !progress->rowsWritten(r - 1, rows - 1))
            throwStopped();
        grid.prefetchRow(r + kPrefetch);
        size_t need = n + 2;
        for (size_t i = 0; i < n; ++i) {
            cells[i] = grid.cellUtf8(r, cols[qsizetype(i)], scratch[i]);
            need += 2 * cells[i].size() + 2;
        }
        if (used + need > buf.size()) {
            if (!flush())
                return false;
            buf.resize(std::max(need, std::min(kBuffer, buf.size() * 2)));
        }
        char* w = buf.data() + used;
        for (size_t i = 0; i < n; ++i) {
            if (i > 0)
                *w++ = ',';
            w = putField(w, cells[i]);
        }
        *w++ = '\r';
        *w++ = '\n';
        used = size_t(w - buf.data());
    }
    return flush();
}

void writeGridCsv(const GridModel& grid, const QList<int>& columns, const QString& path,
                  WriteProgress* progress) {
    QSaveFile file(path);
    auto fail = [&] {
        throw ZemoError(err::FileWrite,
                        QStringLiteral("ファイルに書き込めません（%1）：%2").arg(file.errorString(), path));
    };
    if (!file.open(QIODevice::WriteOnly))
        fail();
    // Until commit() the data sits in a temporary file; on any failure or stop the destructor removes it.
    if (!writeGridCsv(grid, columns, file, progress))
        fail();
    bool synced = false;
    const auto sync = [&] { synced = flushAndSync(file); };
    if (progress)
        progress->finishing(sync);
    else
        sync();
    if (!synced)
        fail();
    if (progress && progress->stopped())
        throwStopped();
    if (!file.commit())
        fail();
}

} // namespace zemo
