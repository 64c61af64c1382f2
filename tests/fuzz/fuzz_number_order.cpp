// Exact number ordering in the result sort: two or three numeric texts as databases write them
// (signs, leading zeros, up to 40 digits, decimals, exponents) compare as their exact values do,
// with GMP's rationals as the judge, and the grid's sort puts them in that order.
#include "FuzzCheck.h"
#include "results/NumberText.h"
#include "results/ResultModel.h"
#include "support/FakeResultSet.h"
#include "support/LoadResult.h"

#include <algorithm>
#include <gmp.h>
#include <string>

using namespace zemo;

namespace {

// A number text and its exact value.
struct Number {
    std::string text;
    mpq_t value;
    Number() { mpq_init(value); }
    ~Number() { mpq_clear(value); }
    Number(const Number&) = delete;
    Number& operator=(const Number&) = delete;
};

void appendDigits(std::string& s, std::string& digits, fuzz::Input& in, int count) {
    for (int i = 0; i < count; ++i) {
        const char c = char('0' + in.byte() % 10);
        s += c;
        digits += c;
    }
}

void makeNumber(fuzz::Input& in, Number& n) {
    const uint8_t form = in.byte();
    std::string& s = n.text;
    std::string digits;
    if (form & 1)
        s += (form & 2) ? '-' : '+';
    s.append(size_t((form >> 2) & 3), '0');
    const int intDigits = in.byte() % 41;
    appendDigits(s, digits, in, intDigits);
    long scale = 0;
    if (form & 16) {
        s += '.';
        const int fracDigits = in.byte() % (41 - intDigits);
        appendDigits(s, digits, in, fracDigits);
        scale = fracDigits;
    }
    if (digits.empty() && ((form >> 2) & 3) == 0) {
        s += '0';
        digits += '0';
    }
    if (form & 32) {
        s += (form & 64) ? 'E' : 'e';
        const uint8_t e = in.byte();
        if (e & 1)
            s += (e & 2) ? '-' : '+';
        std::string exp;
        appendDigits(s, exp, in, 1 + (e >> 2) % 3);
        scale -= (e & 1) && (e & 2) ? -std::stol(exp) : std::stol(exp);
    }
    // value = digits / 10^scale, as "num/den" for GMP.
    std::string q = (s[0] == '-' ? "-" : "") + (digits.empty() ? std::string("0") : digits);
    if (scale < 0)
        q.append(size_t(-scale), '0');
    q += "/1";
    if (scale > 0)
        q.append(size_t(scale), '0');
    FUZZ_CHECK(mpq_set_str(n.value, q.c_str(), 10) == 0);
    mpq_canonicalize(n.value);
}

int signOf(int c) {
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// The grid's own sort over the numbers as a number column, checked against their exact order.
void checkSort(Number* numbers, int count, bool descending) {
    std::vector<FakeResultSet::Row> rows;
    for (int i = 0; i < count; ++i)
        rows.push_back({QString::fromStdString(numbers[i].text)});
    FakeResultSet rs({QStringLiteral("N")}, {ValueKind::Decimal}, std::move(rows));
    ResultModel model;
    zemo::test::loadResult(model, rs);
    FUZZ_CHECK(model.isNumericColumn(1));
    model.sortRows(1, descending);
    const Number* previous = nullptr;
    for (int row = 1; row <= count; ++row) {
        const std::string text = model.cellText(row, 1).toStdString();
        const Number* now = nullptr;
        for (int i = 0; i < count; ++i)
            if (numbers[i].text == text)
                now = &numbers[i];
        FUZZ_CHECK(now);
        if (previous) {
            const int c = mpq_cmp(previous->value, now->value);
            if (descending ? c < 0 : c > 0)
                std::fprintf(stderr, "sorted %s before %s\n", previous->text.c_str(), text.c_str());
            FUZZ_CHECK(descending ? c >= 0 : c <= 0);
        }
        previous = now;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    Number numbers[3];
    for (Number& n : numbers)
        makeNumber(in, n);
    for (const Number& a : numbers) {
        for (const Number& b : numbers) {
            const int got = compareNumberText(a.text, b.text);
            if (signOf(got) != signOf(mpq_cmp(a.value, b.value)))
                std::fprintf(stderr, "%s <=> %s gave %d\n", a.text.c_str(), b.text.c_str(), got);
            FUZZ_CHECK(signOf(got) == signOf(mpq_cmp(a.value, b.value)));
        }
    }
    checkSort(numbers, 3, false);
    checkSort(numbers, 3, true);
    return 0;
}
