#pragma once

#include <string>
#include <string_view>

namespace zemo {

// What a spreadsheet cell can hold without changing a value, worked out from the grid's text.

// Characters a sheet cell holds at most; longer text is cut.
inline constexpr int kSheetCellChars = 32'767;

// A number that a spreadsheet holds exactly and shows as written: [-]digits[.digits], at most 15
// significant digits and 15 decimals, no leading zeros, no sign on zero. `decimals` is how many
// digits follow the point, so that a format of that many places shows the same text ("2.50").
bool sheetNumber(std::string_view text, double& value, int& decimals);

enum class SheetDateShape { Date, DateTime, Time };

// A date "YYYY-MM-DD", a date and time "YYYY-MM-DD HH:MM:SS" (or with "T"), or a time "HH:MM:SS",
// as a spreadsheet serial (days since 1899-12-30, the time as a fraction of a day). Dates before
// 1900-03-01 (which spreadsheets count differently), fractions of a second and time zones are not
// taken: such values stay text.
bool sheetDateTime(std::string_view text, double& serial, SheetDateShape& shape);

// The text as a sheet cell takes it, into `out`: invalid UTF-8 as the grid shows it (U+FFFD), a
// literal "_xHHHH_" and the characters XML cannot carry or keep (control characters but tab and
// line feed, U+FFFE, U+FFFF) written as the escapes spreadsheet readers decode, and cut after
// kSheetCellChars characters as spreadsheets count what they show (UTF-16 units; an escape counts as
// the one character it stands for). True when the text was cut.
bool sheetText(std::string_view text, std::string& out);

// Width of the text in a sheet's character units: East Asian wide characters count two; the
// longest line of a text with line breaks.
int sheetTextWidth(std::string_view text);

} // namespace zemo
