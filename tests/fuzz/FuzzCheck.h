#pragma once

// What every fuzz target shares: a failed property aborts with its text, so libFuzzer keeps the
// input and the replay test fails on it.

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond)                                                                                     \
    do {                                                                                                     \
        if (!(cond)) {                                                                                       \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #cond);                 \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (0)

namespace zemo::fuzz {

// Reads the fuzz input from the front: choices first, the rest as payload.
class Input {
public:
    Input(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    uint8_t byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    size_t left() const { return m_size - m_pos; }
    QByteArray take(size_t n) {
        n = n < left() ? n : left();
        const QByteArray out(reinterpret_cast<const char*>(m_data + m_pos), qsizetype(n));
        m_pos += n;
        return out;
    }
    QByteArray rest() { return take(left()); }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

} // namespace zemo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
