#pragma once

// Records compared and shown by the tests and the fuzz target, and logs of
// numbered records.

#include "logformat/app_data.hpp"
#include "logformat/pattern.hpp"

#include <bit>
#include <cstdint>
#include <string>

// Two records alike to the bit: a NaN equals the same NaN, and 0 is not -0.
inline bool same_bits(const logformat::AppData& a, const logformat::AppData& b)
{
    const auto bits = [](float f) { return std::bit_cast<std::uint32_t>(f); };
    return a.L == b.L && bits(a.CPU) == bits(b.CPU) && bits(a.B) == bits(b.B) && bits(a.MCPU) == bits(b.MCPU) &&
           a.P == b.P;
}

inline std::string show(const logformat::AppData& r)
{
    return "{L:" + std::to_string(r.L) + " CPU:" + std::to_string(r.CPU) + " B:" + std::to_string(r.B) +
           " MCPU:" + std::to_string(r.MCPU) + " P:" + std::to_string(r.P) + "}";
}

// Lines 1 to `count`, each with its number in every field: long enough
// that the window reads some of them ahead.
inline std::string numbered_lines(logformat::LogPattern pattern, int count)
{
    std::string text;
    for (int k = 1; k <= count; ++k) {
        for (const logformat::Element& e : logformat::elements_of(pattern))
            text.append(text.empty() || text.back() == '\n' ? "" : ", ").append(e.tag).append(std::to_string(k));
        text += '\n';
    }
    return text;
}
