#pragma once

#include "grid/GridModel.h"
#include "results/WriteProgress.h"

#include <QList>
#include <QString>

class QIODevice;

namespace zemo {

// The whole grid as comma-separated text: every row from row 0 down, the cells of each row in
// `columns` order (all columns in grid order when empty), fixed cells included; a cell quoted when
// it holds a comma, a double quote, CR or LF, inner quotes doubled; CR LF after each row; UTF-8 with
// a byte-order mark, which spreadsheet programs in Japan need to read it as UTF-8.
// Writes to a temporary file beside `path` that replaces `path` only once it is complete, so a
// failure or a stop leaves an existing file as it was. Throws ZemoError(err::FileWrite) when it cannot
// write, err::Cancelled when `progress` says to stop.
void writeGridCsv(const GridModel& grid, const QList<int>& columns, const QString& path,
                  WriteProgress* progress = nullptr);

// The same text, byte-order mark first, into an open device; false on a write error.
bool writeGridCsv(const GridModel& grid, const QList<int>& columns, QIODevice& out,
                  WriteProgress* progress = nullptr);

} // namespace zemo
