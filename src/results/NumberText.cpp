#include "results/NumberText.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

namespace zemo {

namespace {

// A decimal split into its parts: value = (neg ? -1 : 1) * 0.digits * 10^exponent, digits without
// leading or trailing zeros (empty for zero).
struct Decimal {
    bool neg = false;
    std::string digits;
    long long exponent = 0;
};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool parseDecimal(std::string_view s, Decimal& d) {
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        d.neg = s[i++] == '-';
    const size_t intStart = i;
    while (i < s.size() && isDigit(s[i]))
        ++i;
    const std::string_view intPart = s.substr(intStart, i - intStart);
    std::string_view fracPart;
    if (i < s.size() && s[i] == '.') {
        const size_t fracStart = ++i;
        while (i < s.size() && isDigit(s[i]))
            ++i;
        fracPart = s.substr(fracStart, i - fracStart);
    }
    if (intPart.empty() && fracPart.empty())
        return false;
    long long exp = 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        bool expNeg = false;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            expNeg = s[i++] == '-';
        if (i >= s.size() || !isDigit(s[i]))
            return false;
        for (; i < s.size() && isDigit(s[i]); ++i)
            if (exp < 1'000'000'000)
                exp = exp * 10 + (s[i] - '0');
        if (expNeg)
            exp = -exp;
    }
    if (i != s.size())
        return false;
    d.digits.assign(intPart);
    d.digits.append(fracPart);
    d.exponent = static_cast<long long>(intPart.size()) + exp;
    size_t lead = 0;
    while (lead < d.digits.size() && d.digits[lead] == '0')
        ++lead;
    d.digits.erase(0, lead);
    d.exponent -= static_cast<long long>(lead);
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
    if (d.digits.empty()) {
        d.neg = false;
        d.exponent = 0;
    }
    return true;
}

int compareMagnitude(const Decimal& a, const Decimal& b) {
    if (a.digits.empty() || b.digits.empty())
        return a.digits.empty() ? (b.digits.empty() ? 0 : -1) : 1;
    if (a.exponent != b.exponent)
        return a.exponent < b.exponent ? -1 : 1;
    const int c = a.digits.compare(b.digits);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int sign(int c) {
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// -0 sorts with 0.
double withoutNegativeZero(double v) {
    return v == 0 ? 0.0 : v;
}

// Integers up to 15 digits, the common case, without the general parser.
bool parseShortInteger(const char* p, const char* end, bool neg, double& value) {
    if (end - p <= 0 || end - p > 15)
        return false;
    std::int64_t n = 0;
    for (const char* q = p; q < end; ++q) {
        if (!isDigit(*q))
            return false;
        n = n * 10 + (*q - '0');
    }
    value = withoutNegativeZero(neg ? -static_cast<double>(n) : static_cast<double>(n));
    return true;
}

// At most 15 significant digits and a normal exponent: distinct values give distinct doubles.
bool distinctAsDouble(const char* p, const char* end, double v) {
    int significant = 0;
    bool seenNonZero = false;
    for (const char* q = p; q < end; ++q) {
        if (isDigit(*q)) {
            seenNonZero = seenNonZero || *q != '0';
            if (seenNonZero)
                ++significant;
        } else if (*q == 'e' || *q == 'E') {
            break;
        } else if (*q != '.') {
            return false;
        }
    }
    return significant <= 15 && (v == 0 || (std::fabs(v) > 1e-290 && std::fabs(v) < 1e290));
}

} // namespace

bool parseNumberText(std::string_view text, double& value, bool& exact) {
    const char* p = text.data();
    const char* end = p + text.size();
    bool neg = false;
    if (p < end && (*p == '+' || *p == '-'))
        neg = *p++ == '-';
    if (parseShortInteger(p, end, neg, value)) {
        exact = true;
        return true;
    }
    if (p < end && (*p == '+' || *p == '-'))
        return false;
    double v = 0;
    const auto r = std::from_chars(p, end, v);
    if (r.ec == std::errc::result_out_of_range && r.ptr == end) {
        // Beyond the doubles (a NUMERIC of 400 digits): infinity or zero as its key, marked inexact so
        // that equal keys are settled by the exact comparison.
        Decimal d;
        if (!parseDecimal(text, d))
            return false;
        v = d.exponent > 0 ? HUGE_VAL : 0.0;
        value = withoutNegativeZero(d.neg ? -v : v);
        exact = false;
        return true;
    }
    if (r.ec != std::errc() || r.ptr != end)
        return false;
    value = withoutNegativeZero(neg ? -v : v);
    exact = distinctAsDouble(p, end, v);
    return true;
}

int compareNumberText(std::string_view a, std::string_view b) {
    Decimal da, db;
    if (parseDecimal(a, da) && parseDecimal(b, db)) {
        if (da.neg != db.neg)
            return da.neg ? -1 : 1;
        const int m = compareMagnitude(da, db);
        return da.neg ? -m : m;
    }
    double va = 0, vb = 0;
    bool ea = false, eb = false;
    const bool na = parseNumberText(a, va, ea);
    const bool nb = parseNumberText(b, vb, eb);
    if (na != nb)
        return na ? -1 : 1; // numbers before words
    if (na && va != vb && !(std::isnan(va) || std::isnan(vb)))
        return va < vb ? -1 : 1;
    const int c = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
    if (c != 0)
        return sign(c);
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

} // namespace zemo
