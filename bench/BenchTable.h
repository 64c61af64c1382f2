#pragma once

#include <QString>

// Writes a new SQLite database at `path` with the table BENCH: `rows` rows of an order list with
// integers, decimals, dates, ASCII and Japanese text and some NULLs, the same on every run.
// Throws zemo::ZemoError on failure.
void generateBenchTable(const QString& path, int rows = 1'000'000);
