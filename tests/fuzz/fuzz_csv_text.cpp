// CSV export and clipboard text: any grid of cells (any text, empty and NULL) written out and read
// back by an RFC 4180 reader apart from the writers gives the same cells, in the chosen column order.
#include "FuzzCheck.h"
#include "grid/TextTable.h"
#include "results/CsvWriter.h"
#include "results/ResultModel.h"
#include "support/CsvReader.h"
#include "support/FakeResultSet.h"
#include "support/LoadResult.h"

#include <QBuffer>
#include <QStringDecoder>

using namespace zemo;

namespace {

// A cell: NULL, or up to 23 bytes read as UTF-8 (bytes that are not become U+FFFD).
std::optional<QString> cellFrom(fuzz::Input& in) {
    const uint8_t head = in.byte();
    if (head == 0xFF)
        return std::nullopt;
    return QString::fromUtf8(in.take(head % 24));
}

// The grid as the result window holds it: names in row 0, row numbers in column 0, NULL as "".
QList<QStringList> expectedGrid(const QStringList& names, const std::vector<FakeResultSet::Row>& rows) {
    QList<QStringList> grid{QStringList{QString()} + names};
    for (size_t r = 0; r < rows.size(); ++r) {
        QStringList line{QString::number(r + 1)};
        for (const auto& v : rows[r])
            line << v.value_or(QString());
        grid << line;
    }
    return grid;
}

QList<QStringList> reordered(const QList<QStringList>& grid, const QList<int>& columns) {
    if (columns.isEmpty())
        return grid;
    QList<QStringList> out;
    for (const QStringList& row : grid) {
        QStringList line;
        for (int c : columns)
            line << row[c];
        out << line;
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    const int fields = 1 + in.byte() % 5;
    const int rowCount = in.byte() % 6;
    const uint8_t order = in.byte();
    QStringList names;
    for (int f = 0; f < fields; ++f)
        names << cellFrom(in).value_or(QString());
    std::vector<FakeResultSet::Row> rows(static_cast<size_t>(rowCount));
    for (auto& row : rows)
        for (int f = 0; f < fields; ++f)
            row.push_back(cellFrom(in));

    // Either every column in grid order, or a rotation of them as after dragging headings.
    QList<int> columns;
    if (order & 1)
        for (int c = 0; c <= fields; ++c)
            columns << (c + order / 2) % (fields + 1);
    const QList<QStringList> expected = reordered(expectedGrid(names, rows), columns);

    FakeResultSet rs(names, std::vector<ValueKind>(size_t(fields), ValueKind::Text), rows);
    ResultModel model;
    zemo::test::loadResult(model, rs);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    FUZZ_CHECK(writeGridCsv(model, columns, buffer));
    const QByteArray csv = buffer.data();
    FUZZ_CHECK(csv.startsWith("\xEF\xBB\xBF"));
    QList<QStringList> back;
    // A cell may itself begin with U+FEFF: only the file's own mark is taken off.
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    FUZZ_CHECK(readDelimited(QString(utf8(csv.mid(3))), u',', back));
    FUZZ_CHECK(back == expected);

    QList<QStringList> pasted;
    FUZZ_CHECK(readDelimited(tabSeparatedText(expected), u'\t', pasted));
    FUZZ_CHECK(pasted == expected);
    return 0;
}
