#pragma once

#include <QString>

// Compares the result window's CSV (byte-order mark, heading row, row numbers in the first column,
// CR LF) with the CSV psql's \copy writes for the same query (no heading, LF, a quoted "" for the
// empty string). The program's CSV writes NULL and '' alike, so "" counts as an empty field.
// Prints one JSON line {"rows","cells","differences","first_difference"}; returns the number of
// differing cells (rows missing on either side count one each).
long long compareWithCopy(const QString& ours, const QString& copy);
