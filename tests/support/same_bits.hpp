#pragma once

// Two records alike to the bit: a NaN equals the same NaN, and 0 is not -0.

#include "logformat/app_data.hpp"

#include <bit>
#include <cstdint>

inline bool same_bits(const logformat::AppData& a, const logformat::AppData& b)
{
    const auto bits = [](float f) { return std::bit_cast<std::uint32_t>(f); };
    return a.L == b.L && bits(a.CPU) == bits(b.CPU) && bits(a.B) == bits(b.B) && bits(a.MCPU) == bits(b.MCPU) &&
           a.P == b.P;
}
