#pragma once

#include "grid/GridModel.h"
#include "results/WriteProgress.h"

#include <QList>
#include <QString>

namespace zemo {

// Rows a sheet holds below its heading row.
inline constexpr int kSheetDataRows = 1'048'575;

// What a workbook could not hold as the grid has it.
struct XlsxReport {
    int cutCells = 0; // cells longer than a sheet cell holds, cut to kSheetCellChars
    int sheets = 0;   // sheets written; more than one when the rows did not fit on one
};

// The whole grid as an Excel workbook, laid out as the CSV: row 0 the headings in bold (frozen with
// the row-number column), then every row in the grid's order, the cells of each row in `columns`
// order (all columns in grid order when empty). Values keep the grid's text: numbers a sheet holds
// exactly are numbers, dates and times to the second are dates, the rest is text; empty cells stay
// empty. Rows beyond `rowsPerSheet` continue on further sheets, each with the headings. Column
// widths are fitted to a sample of rows. Written to a temporary file beside `path` that replaces
// `path` only once it is complete and has been read back whole. Throws ZemoError(err::FileWrite)
// when it cannot write, err::Cancelled when `progress` says to stop (the target stays as it was).
XlsxReport writeGridXlsx(const GridModel& grid, const QList<int>& columns, const QString& path,
                         int rowsPerSheet = kSheetDataRows, WriteProgress* progress = nullptr);

// What the user is told once the file is written: how many cells were cut, how many sheets the
// rows took. Empty when there is nothing to tell.
QString xlsxNotice(const XlsxReport& report, int rowsPerSheet = kSheetDataRows);

} // namespace zemo
