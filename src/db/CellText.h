#pragma once

// Cell text as the adapters hand it to the result store: UTF-8, dates and times in the ISO form
// servers print, binary values as upper-case hex digits. Plain byte work, no QString per cell.

#include <cstddef>
#include <cstdint>
#include <string>

namespace zemo {

// Whether every byte is ASCII; most cells are, and this is cheaper than a full UTF-8 check.
inline bool isAscii(const char* text, size_t size) {
    unsigned char bits = 0;
    for (size_t i = 0; i < size; ++i)
        bits |= static_cast<unsigned char>(text[i]);
    return bits < 0x80;
}

// Appends UTF-16 text as UTF-8; an unpaired surrogate becomes U+FFFD, so the result is always valid.
void appendUtf8(std::string& out, const char16_t* text, size_t units);

// Appends two upper-case hex digits a byte.
void appendHex(std::string& out, const unsigned char* bytes, size_t size);

// "2024-02-29" (a year below 1000 keeps four digits; a negative one gets its sign).
void appendDate(std::string& out, int year, int month, int day);

// "13:45:00" plus the fraction of a second (given in nanoseconds) without trailing zeros.
void appendTime(std::string& out, int hour, int minute, int second, uint32_t nanos);

// Date, a blank and time.
void appendTimestamp(std::string& out, int year, int month, int day, int hour, int minute, int second,
                     uint32_t nanos);

} // namespace zemo
