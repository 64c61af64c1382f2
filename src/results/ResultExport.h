#pragma once

#include <QString>
#include <functional>

class QMenu;
class QWidget;

namespace zemo {

class GridWidget;

enum class ExportFormat { Csv, Xlsx };

struct ExportTarget {
    QString path; // empty when the user cancelled
    ExportFormat format = ExportFormat::Csv;
};

// The save dialog of the exports: the filters "csv(*.csv)" and "Excel ブック (*.xlsx)" with
// `format`'s selected and its default name. The name decides as exportTargetFor says, with the
// filter shown when the dialog is accepted; a replaced file is asked about under the final name.
ExportTarget askExportFile(QWidget* parent, ExportFormat format);

// What a typed name writes: a name ending in .csv or .xlsx (any case) is that format, whatever
// filter is shown; any other name gets the suffix of `shown` appended and is that format.
ExportTarget exportTargetFor(const QString& path, ExportFormat shown = ExportFormat::Csv);

// Writes the grid as it is shown (its row order and column order) to the target, under the busy
// pointer; a write that lasts shows a progress bar with 中止 after a second. A failure shows the error
// box and 中止 nothing, and both leave any existing file as it was; what a workbook could not hold as
// the grid has it is told once the file is written. Nothing happens on cancel.
void exportGrid(QWidget* parent, const GridWidget& grid, const ExportTarget& target);

// The grid's selection on the clipboard as Ctrl+C puts it there; with `withHeadings` the column
// headings come first.
void copyGridSelection(const GridWidget& grid, bool withHeadings);

// The result grid's right-click menu: コピー, 見出し付きでコピー, then both exports, which call
// `exportAs`; without `exportAs` (rows still arriving) the exports are shown disabled. Deletes itself
// when it closes.
QMenu* makeResultGridMenu(QWidget* parent, const GridWidget& grid,
                          std::function<void(ExportFormat)> exportAs);

} // namespace zemo
