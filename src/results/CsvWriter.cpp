#include "results/CsvWriter.h"

#include "app/ZemoError.h"

#include <QSaveFile>
#include <array>

namespace zemo {

namespace {

constexpr size_t kChunk = 1 << 20;

constexpr std::array<bool, 256> makeSpecials() {
    std::array<bool, 256> t{};
    t[size_t(',')] = t[size_t('"')] = t[size_t('\r')] = t[size_t('\n')] = true;
    return t;
}
constexpr std::array<bool, 256> kSpecial = makeSpecials();

bool flush(std::string& buf, QIODevice& out) {
    const bool ok = out.write(buf.data(), qint64(buf.size())) == qint64(buf.size());
    buf.clear();
    return ok;
}

} // namespace

void appendCsvField(std::string& out, std::string_view field) {
    bool needs = false;
    for (const char c : field) {
        if (kSpecial[static_cast<unsigned char>(c)]) {
            needs = true;
            break;
        }
    }
    if (!needs) {
        out.append(field);
        return;
    }
    out += '"';
    size_t from = 0;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '"') {
            out.append(field.substr(from, i + 1 - from));
            out += '"';
            from = i + 1;
        }
    }
    out.append(field.substr(from));
    out += '"';
}

bool writeGridCsv(const GridModel& grid, const QList<int>& columns, QIODevice& out) {
    QList<int> cols = columns;
    if (cols.isEmpty())
        for (int c = 0; c < grid.gridCols(); ++c)
            cols << c;
    std::string buf;
    buf.reserve(kChunk + 64 * 1024);
    buf = "\xEF\xBB\xBF";
    std::string scratch;
    const int rows = grid.gridRows();
    for (int r = 0; r < rows; ++r) {
        for (qsizetype i = 0; i < cols.size(); ++i) {
            if (i > 0)
                buf += ',';
            appendCsvField(buf, grid.cellUtf8(r, cols[i], scratch));
        }
        buf += "\r\n";
        if (buf.size() >= kChunk && !flush(buf, out))
            return false;
    }
    return flush(buf, out);
}

void writeGridCsv(const GridModel& grid, const QList<int>& columns, const QString& path) {
    QSaveFile file(path);
    auto fail = [&] {
        throw ZemoError(err::FileWrite,
                        QStringLiteral("ファイルに書き込めません（%1）：%2").arg(file.errorString(), path));
    };
    if (!file.open(QIODevice::WriteOnly))
        fail();
    // Until commit() the data sits in a temporary file; on any failure the destructor removes it.
    if (!writeGridCsv(grid, columns, file) || !file.commit())
        fail();
}

} // namespace zemo
