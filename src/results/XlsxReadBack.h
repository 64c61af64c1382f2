#pragma once

#include <QString>
#include <vector>

namespace zemo {

// What one sheet was given: rows that hold at least one cell, and cells.
struct SheetTally {
    long long rows = 0;
    long long cells = 0;
};

// Reads a just-written workbook back before it may replace anything. The library that packs it
// ignores failed writes of its own temporary files (a size limit, a full disk, an I/O error) and
// then packs what is left into a sound zip file, so its result alone proves nothing. Every part
// must unpack with its checksum; the small parts must be whole XML; sheet k must end as a sheet does
// and hold exactly the rows and cells of sheets[k]. Throws ZemoError(err::FileWrite) naming
// `target` otherwise.
void checkWorkbookWhole(const QString& file, const std::vector<SheetTally>& sheets, const QString& target);

} // namespace zemo
