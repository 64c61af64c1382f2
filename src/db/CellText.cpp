#include "db/CellText.h"

namespace zemo {

namespace {

void appendDigits(std::string& out, int value, int width) {
    char buf[12];
    int n = 0;
    unsigned v = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    do {
        buf[n++] = char('0' + v % 10);
        v /= 10;
    } while (v);
    if (value < 0)
        out += '-';
    for (int i = n; i < width; ++i)
        out += '0';
    while (n)
        out += buf[--n];
}

void appendCodePoint(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

} // namespace

void appendUtf8(std::string& out, const char16_t* text, size_t units) {
    out.reserve(out.size() + units * 3);
    for (size_t i = 0; i < units; ++i) {
        const char16_t u = text[i];
        if (u < 0x80) {
            out += char(u);
            continue;
        }
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            appendCodePoint(out, 0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00));
            ++i;
            continue;
        }
        appendCodePoint(out, u >= 0xD800 && u <= 0xDFFF ? char32_t(0xFFFD) : char32_t(u));
    }
}

void appendHex(std::string& out, const unsigned char* bytes, size_t size) {
    static const char kDigits[] = "0123456789ABCDEF";
    const size_t start = out.size();
    out.resize(start + size * 2);
    char* p = out.data() + start;
    for (size_t i = 0; i < size; ++i) {
        *p++ = kDigits[bytes[i] >> 4];
        *p++ = kDigits[bytes[i] & 15];
    }
}

void appendDate(std::string& out, int year, int month, int day) {
    appendDigits(out, year, 4);
    out += '-';
    appendDigits(out, month, 2);
    out += '-';
    appendDigits(out, day, 2);
}

void appendTime(std::string& out, int hour, int minute, int second, uint32_t nanos) {
    appendDigits(out, hour, 2);
    out += ':';
    appendDigits(out, minute, 2);
    out += ':';
    appendDigits(out, second, 2);
    if (nanos == 0 || nanos >= 1000000000u)
        return;
    int width = 9;
    while (nanos % 10 == 0) {
        nanos /= 10;
        --width;
    }
    out += '.';
    appendDigits(out, int(nanos), width);
}

void appendTimestamp(std::string& out, int year, int month, int day, int hour, int minute, int second,
                     uint32_t nanos) {
    appendDate(out, year, month, day);
    out += ' ';
    appendTime(out, hour, minute, second, nanos);
}

} // namespace zemo
