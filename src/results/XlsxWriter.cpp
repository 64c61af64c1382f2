#include "results/XlsxWriter.h"

#include "base/SaveFileSync.h"
#include "base/ZemoError.h"
#include "db/DbConnection.h"
#include "results/XlsxCells.h"
#include "results/XlsxReadBack.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <vector>
#include <xlsxwriter.h>

namespace zemo {

namespace {

constexpr int kSheetCols = 16'384;
// Rows read to fit the column widths, spread over the grid.
constexpr int kWidthSample = 1000;
constexpr double kMinWidth = 4;
constexpr double kMaxWidth = 80;
// Rows ahead of the one being written that the model is asked to load.
constexpr int kPrefetch = 16;
// The most characters the library takes in one cell, as it counts them (escapes in full).
constexpr size_t kLibraryCellChars = 32'767;

[[noreturn]] void cannotWrite(const QString& why, const QString& path) {
    throw ZemoError(err::FileWrite, QStringLiteral("ファイルに書き込めません（%1）：%2").arg(why, path));
}

void check(lxw_error e, const QString& path) {
    if (e != LXW_NO_ERROR)
        cannotWrite(QString::fromUtf8(lxw_strerror(e)), path);
}

// Characters as the library counts them: UTF-8 sequences.
size_t utf8Chars(const std::string& text) {
    size_t n = 0;
    for (const char c : text)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    return n;
}

// The library refuses a text longer than a cell holds as it counts it, escapes in full ("_x0000_" is
// seven characters to it, one to a spreadsheet). Such a text goes in after the library took a
// stand-in: the cell it made for the stand-in gets the text, escaped already, and is written as it is.
lxw_error writeText(lxw_worksheet* sheet, lxw_row_t row, lxw_col_t col, const std::string& text,
                    lxw_format* format) {
    if (text.size() <= kLibraryCellChars || utf8Chars(text) <= kLibraryCellChars)
        return worksheet_write_string(sheet, row, col, text.c_str(), format);
    const lxw_error e = worksheet_write_string(sheet, row, col, "_", format);
    if (e != LXW_NO_ERROR)
        return e;
    lxw_cell* cell = sheet->array ? sheet->array[col] : nullptr;
    if (!cell || cell->type != INLINE_STRING_CELL || cell->row_num != row)
        return LXW_ERROR_PARAMETER_VALIDATION;
    // The library frees the cell's text with free().
    auto* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (!copy)
        throw std::bad_alloc();
    std::memcpy(copy, text.c_str(), text.size() + 1);
    std::free(cell->u.string);
    cell->u.string = copy;
    return LXW_NO_ERROR;
}

// One workbook in the library's constant-memory mode: rows go to temporary files beside the target
// as they are written, so memory stays flat however many rows there are.
class Book {
public:
    Book(const QString& file, const QString& path) : m_path(path) {
        m_tmpdir = QFile::encodeName(QFileInfo(path).absolutePath());
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        options.tmpdir = m_tmpdir.data();
        options.use_zip64 = LXW_TRUE;
        m_book = workbook_new_opt(QFile::encodeName(file).constData(), &options);
        if (!m_book)
            cannotWrite(QStringLiteral("workbook"), path);
        m_bold = workbook_add_format(m_book);
        format_set_bold(m_bold);
    }
    ~Book() {
        if (m_book)
            lxw_workbook_free(m_book);
    }
    Book(const Book&) = delete;
    Book& operator=(const Book&) = delete;

    lxw_worksheet* addSheet() {
        lxw_worksheet* sheet = workbook_add_worksheet(m_book, nullptr);
        if (!sheet)
            cannotWrite(QStringLiteral("worksheet"), m_path);
        m_sheets.push_back(sheet);
        return sheet;
    }
    lxw_format* bold() const { return m_bold; }
    // "0", "0.0", "0.00", ...: numbers show with as many decimals as their text has.
    lxw_format* number(int decimals) {
        lxw_format*& f = m_numbers[size_t(decimals)];
        if (!f)
            f = make(decimals ? "0." + std::string(size_t(decimals), '0') : std::string("0"));
        return f;
    }
    lxw_format* date(SheetDateShape shape) {
        lxw_format*& f = m_dates[size_t(shape)];
        if (!f)
            f = make(shape == SheetDateShape::Date       ? "yyyy-mm-dd"
                     : shape == SheetDateShape::DateTime ? "yyyy-mm-dd hh:mm:ss"
                                                         : "hh:mm:ss");
        return f;
    }
    // The library does not look at write errors of its temporary files. The rows' files are
    // checked here, before the long packing starts; what the packing itself wrote is checked by
    // reading the workbook back (checkWorkbookWhole).
    void close() {
        for (lxw_worksheet* sheet : m_sheets) {
            FILE* rows = sheet->optimize_tmpfile;
            if (rows && (std::fflush(rows) != 0 || std::ferror(rows)))
                cannotWrite(QString::fromLocal8Bit(std::strerror(errno)), m_path);
        }
        const lxw_error e = workbook_close(m_book);
        m_book = nullptr;
        check(e, m_path);
    }

private:
    lxw_format* make(const std::string& numFormat) {
        lxw_format* f = workbook_add_format(m_book);
        format_set_num_format(f, numFormat.c_str());
        return f;
    }

    QString m_path;
    QByteArray m_tmpdir;
    lxw_workbook* m_book = nullptr;
    lxw_format* m_bold = nullptr;
    std::array<lxw_format*, 16> m_numbers{};
    std::array<lxw_format*, 3> m_dates{};
    std::vector<lxw_worksheet*> m_sheets;
};

// Writes grid rows into sheets, cell by cell in the form the cell's value keeps.
class SheetFiller {
public:
    SheetFiller(const GridModel& grid, const QList<int>& columns, Book& book, const QString& path)
        : m_grid(grid), m_cols(columns), m_book(book), m_path(path), m_scratch(size_t(columns.size())) {
        for (const int c : columns)
            m_kinds.push_back(grid.columnKind(c));
    }

    // The widths of the columns fitted to the headings and a sample of rows.
    std::vector<double> widths() {
        std::vector<double> w(size_t(m_cols.size()), kMinWidth);
        const int rows = m_grid.gridRows();
        const int step = std::max(1, rows / kWidthSample);
        for (int r = 0; r < rows; r += (r == 0 ? 1 : step))
            for (qsizetype i = 0; i < m_cols.size(); ++i) {
                const std::string_view v = m_grid.cellUtf8(r, m_cols[i], m_scratch[0]);
                w[size_t(i)] = std::max(w[size_t(i)], std::min(kMaxWidth, sheetTextWidth(v) + 2.0));
            }
        return w;
    }

    // Grid row `gridRow` as sheet row `sheetRow`; the heading row in bold text. Counted in `tally`.
    void writeRow(lxw_worksheet* sheet, int gridRow, lxw_row_t sheetRow, SheetTally& tally) {
        m_grid.prefetchRow(gridRow + kPrefetch);
        long long cells = 0;
        for (qsizetype i = 0; i < m_cols.size(); ++i) {
            const std::string_view v = m_grid.cellUtf8(gridRow, m_cols[i], m_scratch[size_t(i)]);
            if (v.empty())
                continue;
            check(writeCell(sheet, sheetRow, lxw_col_t(i), v, gridRow == 0 ? nullptr : &m_kinds[size_t(i)]),
                  m_path);
            ++cells;
        }
        tally.cells += cells;
        tally.rows += cells > 0 ? 1 : 0;
    }

    int cutCells() const { return m_cut; }

private:
    lxw_error writeCell(lxw_worksheet* sheet, lxw_row_t row, lxw_col_t col, std::string_view v,
                        const ColumnKind* kind) {
        if (kind && *kind == ColumnKind::Number) {
            double d = 0;
            int decimals = 0;
            if (sheetNumber(v, d, decimals))
                return worksheet_write_number(sheet, row, col, d, m_book.number(decimals));
        } else if (kind && *kind == ColumnKind::DateTime) {
            double serial = 0;
            SheetDateShape shape{};
            if (sheetDateTime(v, serial, shape))
                return worksheet_write_number(sheet, row, col, serial, m_book.date(shape));
        }
        if (sheetText(v, m_text))
            ++m_cut;
        return writeText(sheet, row, col, m_text, kind ? nullptr : m_book.bold());
    }

    const GridModel& m_grid;
    const QList<int>& m_cols;
    Book& m_book;
    QString m_path;
    std::vector<ColumnKind> m_kinds;
    std::vector<std::string> m_scratch;
    std::string m_text;
    int m_cut = 0;
};

// Fills the workbook, telling `progress` how far it has come; `tallies` gets what each sheet was given.
XlsxReport fillBook(const GridModel& grid, const QList<int>& columns, Book& book, const QString& path,
                    int rowsPerSheet, WriteProgress* progress, std::vector<SheetTally>& tallies) {
    SheetFiller filler(grid, columns, book, path);
    const std::vector<double> widths = filler.widths();
    const int dataRows = std::max(0, grid.gridRows() - 1);
    XlsxReport report;
    report.sheets = std::max(1, (dataRows + rowsPerSheet - 1) / rowsPerSheet);
    tallies.assign(size_t(report.sheets), SheetTally{});
    for (int s = 0; s < report.sheets; ++s) {
        lxw_worksheet* sheet = book.addSheet();
        for (size_t i = 0; i < widths.size(); ++i)
            check(worksheet_set_column(sheet, lxw_col_t(i), lxw_col_t(i), widths[i], nullptr), path);
        worksheet_freeze_panes(sheet, 1, columns.size() > 1 ? 1 : 0);
        if (grid.gridRows() > 0)
            filler.writeRow(sheet, 0, 0, tallies[size_t(s)]);
        const int first = 1 + s * rowsPerSheet;
        const int last = std::min(dataRows, (s + 1) * rowsPerSheet);
        for (int r = first; r <= last; ++r) {
            if (progress && r % WriteProgress::kEveryRows == 0 && !progress->rowsWritten(r - 1, dataRows))
                throwStopped();
            filler.writeRow(sheet, r, lxw_row_t(r - first + 1), tallies[size_t(s)]);
        }
    }
    report.cutCells = filler.cutCells();
    return report;
}

std::filesystem::path nativePath(const QString& path) {
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

// A new file beside the target, made as any new file there (the umask decides its permissions),
// that takes the target's place once it is complete and is removed otherwise.
class Replacement {
public:
    explicit Replacement(const QString& target) : m_target(target) {
        const QFileInfo info(target);
        for (int attempt = 0; attempt < 100 && m_path.isEmpty(); ++attempt) {
            const QString name = QStringLiteral("%1/.%2.%3.tmp")
                                     .arg(info.absolutePath(), info.fileName())
                                     .arg(QRandomGenerator::global()->generate(), 0, 36);
            QFile f(name);
            if (f.open(QIODevice::WriteOnly | QIODevice::NewOnly))
                m_path = name;
            else if (!f.exists())
                cannotWrite(f.errorString(), target);
        }
        if (m_path.isEmpty())
            cannotWrite(QStringLiteral("temporary file"), target);
    }
    ~Replacement() {
        if (!m_replaced)
            QFile::remove(m_path);
    }
    Replacement(const Replacement&) = delete;
    Replacement& operator=(const Replacement&) = delete;

    const QString& path() const { return m_path; }

    // The file on disk.
    void sync() {
        QFile f(m_path);
        if (!f.open(QIODevice::ReadWrite) || !flushAndSync(f))
            cannotWrite(f.errorString(), m_target);
    }
    // With the permissions of the file it replaces, renamed over it (once synced).
    void commit() {
        if (QFileInfo::exists(m_target))
            QFile::setPermissions(m_path, QFile::permissions(m_target));
        std::error_code ec;
        std::filesystem::rename(nativePath(m_path), nativePath(m_target), ec);
        if (ec)
            cannotWrite(QString::fromStdString(ec.message()), m_target);
        m_replaced = true;
    }

private:
    QString m_target;
    QString m_path;
    bool m_replaced = false;
};

} // namespace

XlsxReport writeGridXlsx(const GridModel& grid, const QList<int>& columns, const QString& path,
                         int rowsPerSheet, WriteProgress* progress) {
    QList<int> cols = columns;
    if (cols.isEmpty())
        for (int c = 0; c < grid.gridCols(); ++c)
            cols << c;
    if (cols.size() > kSheetCols)
        throw ZemoError(err::FileWrite,
                        QStringLiteral("列が多すぎて Excel ブックに保存できません（%L1列、上限 %L2列）")
                            .arg(cols.size())
                            .arg(kSheetCols));
    rowsPerSheet = std::clamp(rowsPerSheet, 1, kSheetDataRows);

    // Until commit() the target stays as it was; on any failure the destructors remove the rest.
    Replacement book(path);
    XlsxReport report;
    std::vector<SheetTally> tallies;
    {
        Book workbook(book.path(), path);
        report = fillBook(grid, cols, workbook, path, rowsPerSheet, progress, tallies);
        // Packing, reading back and syncing read nothing of the grid: they may go on beside the window.
        const auto finish = [&workbook, &book, &tallies, &path] {
            workbook.close();
            checkWorkbookWhole(book.path(), tallies, path);
            book.sync();
        };
        if (progress)
            progress->finishing(finish);
        else
            finish();
    }
    if (progress && progress->stopped())
        throwStopped();
    book.commit();
    return report;
}

QString xlsxNotice(const XlsxReport& report, int rowsPerSheet) {
    QStringList lines;
    if (report.cutCells > 0)
        lines << QStringLiteral("%L1個のセルが %L2文字を超えていたため、%L2文字までを保存しました。")
                     .arg(report.cutCells)
                     .arg(kSheetCellChars);
    if (report.sheets > 1)
        lines << QStringLiteral(
                     "行数が 1シートの上限（%L1行）を超えたため、%L2枚のシートに分けて保存しました。")
                     .arg(rowsPerSheet)
                     .arg(report.sheets);
    return lines.join(QLatin1Char('\r'));
}

} // namespace zemo
