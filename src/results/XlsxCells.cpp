#include "results/XlsxCells.h"

#include <QDate>
#include <QString>
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>

namespace zemo {

namespace {

constexpr int kMaxDigits = 15;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isHex(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// `n` digits at `at` as a number; -1 when they are not all digits.
int digitsAt(std::string_view s, size_t at, size_t n) {
    if (at + n > s.size())
        return -1;
    int v = 0;
    for (size_t i = at; i < at + n; ++i) {
        if (!isDigit(s[i]))
            return -1;
        v = v * 10 + (s[i] - '0');
    }
    return v;
}

// "HH:MM:SS" at `at` as seconds of the day; -1 when it is not a valid time.
int timeAt(std::string_view s, size_t at) {
    if (at + 8 != s.size() || s[at + 2] != ':' || s[at + 5] != ':')
        return -1;
    const int h = digitsAt(s, at, 2), m = digitsAt(s, at + 3, 2), sec = digitsAt(s, at + 6, 2);
    if (h < 0 || m < 0 || sec < 0 || h > 23 || m > 59 || sec > 59)
        return -1;
    return h * 3600 + m * 60 + sec;
}

// One code point of valid UTF-8 at `p` (below `end`); 0 bytes when the sequence is invalid.
size_t decodeUtf8(const unsigned char* p, const unsigned char* end, char32_t& cp) {
    const unsigned char c = p[0];
    if (c < 0x80) {
        cp = c;
        return 1;
    }
    size_t n = 0;
    char32_t min = 0;
    if ((c & 0xE0) == 0xC0) {
        n = 2, cp = c & 0x1F, min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        n = 3, cp = c & 0x0F, min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        n = 4, cp = c & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (size_t(end - p) < n)
        return 0;
    for (size_t i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

bool wideChar(char32_t cp) {
    return (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF) ||
           (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
           (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
           (cp >= 0xFFE0 && cp <= 0xFFE6) || (cp >= 0x1F300 && cp <= 0x1FAFF) ||
           (cp >= 0x20000 && cp <= 0x3FFFD);
}

enum class Scan { Whole, Cut, Invalid };

// A literal "_xHHHH_" at `p`: a reader would decode it.
bool escapeLike(const unsigned char* p, const unsigned char* end) {
    return end - p >= 7 && p[0] == '_' && p[1] == 'x' && isHex(char(p[2])) && isHex(char(p[3])) &&
           isHex(char(p[4])) && isHex(char(p[5])) && p[6] == '_';
}

// A control character that XML cannot carry or would turn into another (CR): everything below a
// blank but tab and line feed.
bool controlChar(char32_t cp) {
    return cp < 0x20 && cp != '\t' && cp != '\n';
}

// sheetText, until it meets invalid UTF-8. Only the characters a spreadsheet shows count towards
// the limit, never the length of their escapes.
Scan scanSheetText(std::string_view text, std::string& out) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    int shown = 0;
    char escape[8];
    while (p < end) {
        char32_t cp = 0;
        const size_t n = decodeUtf8(p, end, cp);
        if (n == 0)
            return Scan::Invalid;
        const int units = cp >= 0x10000 ? 2 : 1;
        if (shown + units > kSheetCellChars)
            return Scan::Cut;
        shown += units;
        if (controlChar(cp) || cp == 0xFFFE || cp == 0xFFFF) {
            std::snprintf(escape, sizeof escape, "_x%04X_", unsigned(cp));
            out.append(escape, 7);
        } else if (cp == '_' && escapeLike(p, end)) {
            out.append("_x005F_"); // the underscore itself, so that the rest reads as written
        } else {
            out.append(reinterpret_cast<const char*>(p), n);
        }
        p += n;
    }
    return Scan::Whole;
}

// Plain ASCII with nothing to escape and short enough: taken as it is.
bool plainText(std::string_view text) {
    if (text.size() > size_t(kSheetCellChars))
        return false;
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80 || c == '_' || controlChar(char32_t(c)))
            return false;
    return true;
}

} // namespace

bool sheetNumber(std::string_view s, double& value, int& decimals) {
    const bool neg = !s.empty() && s[0] == '-';
    const size_t intStart = neg ? 1 : 0;
    size_t i = intStart;
    while (i < s.size() && isDigit(s[i]))
        ++i;
    const size_t intLen = i - intStart;
    if (intLen == 0 || (intLen > 1 && s[intStart] == '0'))
        return false;
    size_t fracLen = 0;
    if (i < s.size() && s[i] == '.') {
        const size_t fracStart = ++i;
        while (i < s.size() && isDigit(s[i]))
            ++i;
        fracLen = i - fracStart;
        if (fracLen == 0)
            return false;
    }
    if (i != s.size() || fracLen > size_t(kMaxDigits))
        return false;
    // Significant digits: from the first non-zero digit on, trailing zeros included (they are shown).
    size_t significant = 0;
    bool started = false;
    for (size_t k = intStart; k < s.size(); ++k) {
        if (s[k] == '.')
            continue;
        started = started || s[k] != '0';
        significant += started ? 1 : 0;
    }
    if (significant > size_t(kMaxDigits) || (!started && neg)) // "-0" would come back as "0"
        return false;
    if (std::from_chars(s.data(), s.data() + s.size(), value).ec != std::errc())
        return false;
    decimals = int(fracLen);
    return true;
}

bool sheetDateTime(std::string_view s, double& serial, SheetDateShape& shape) {
    static const qint64 kEpoch = QDate(1899, 12, 30).toJulianDay();
    static const QDate kFirst(1900, 3, 1);
    if (s.size() == 8) {
        const int secs = timeAt(s, 0);
        if (secs < 0)
            return false;
        serial = secs / 86400.0;
        shape = SheetDateShape::Time;
        return true;
    }
    if ((s.size() != 10 && s.size() != 19) || s[4] != '-' || s[7] != '-')
        return false;
    const QDate date(digitsAt(s, 0, 4), digitsAt(s, 5, 2), digitsAt(s, 8, 2));
    if (!date.isValid() || date < kFirst)
        return false;
    int secs = 0;
    shape = SheetDateShape::Date;
    if (s.size() == 19) {
        secs = (s[10] == ' ' || s[10] == 'T') ? timeAt(s, 11) : -1;
        if (secs < 0)
            return false;
        shape = SheetDateShape::DateTime;
    }
    serial = double(date.toJulianDay() - kEpoch) + secs / 86400.0;
    return true;
}

bool sheetText(std::string_view text, std::string& out) {
    out.clear();
    if (plainText(text)) {
        out.assign(text);
        return false;
    }
    out.reserve(std::min(text.size(), size_t(4 * kSheetCellChars)));
    const Scan scan = scanSheetText(text, out);
    if (scan != Scan::Invalid)
        return scan == Scan::Cut;
    // Invalid bytes show as U+FFFD in the grid; the sheet gets the same.
    const QByteArray valid = QString::fromUtf8(text.data(), qsizetype(text.size())).toUtf8();
    out.clear();
    return scanSheetText(std::string_view(valid.constData(), size_t(valid.size())), out) == Scan::Cut;
}

int sheetTextWidth(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    int widest = 0;
    int line = 0;
    while (p < end) {
        char32_t cp = 0;
        const size_t n = decodeUtf8(p, end, cp);
        p += n ? n : 1;
        if (cp == '\n' || cp == '\r') {
            line = 0;
            continue;
        }
        line += (n && wideChar(cp)) ? 2 : 1;
        widest = std::max(widest, line);
    }
    return widest;
}

} // namespace zemo
