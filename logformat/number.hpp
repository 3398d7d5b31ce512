#pragma once

#include <array>
#include <cstdint>

// A decimal number as the reader scans it, digit by digit, in bounded memory
// whatever the length of its text. It keeps the first kMaxDigits significant
// digits and a mark that a dropped digit was not zero: every float rounding
// boundary has at most 113 significant digits, so the kept digits plus that
// mark round exactly as the whole text would.
//
// value = sign × 0.d1d2d3... × 10^(point + exponent)
struct Decimal {
    static constexpr int kMaxDigits = 128;
    static constexpr std::int64_t kExponentLimit = 1'000'000'000'000;  // far beyond any float

    std::array<std::uint8_t, kMaxDigits> digits;  // significant digits, no leading or trailing zeros
    int count = 0;
    bool dropped_nonzero = false;
    std::int64_t trailing_zeros = 0;  // zeros after the last kept digit, placed when a non-zero digit follows
    std::int64_t point = 0;
    std::int64_t exponent = 0;  // the explicit exponent's magnitude, saturated at kExponentLimit
    bool negative = false;
    bool negative_exponent = false;

    void add_integer_digit(int d)
    {
        if (count == 0 && d == 0)
            return;  // a leading zero
        add_significant(d);
        ++point;
    }

    void add_fraction_digit(int d)
    {
        if (count == 0 && d == 0)
            --point;  // a zero between the point and the first significant digit
        else
            add_significant(d);
    }

    void add_exponent_digit(int d)
    {
        if (exponent < kExponentLimit)
            exponent = exponent * 10 + d;
    }

private:
    void add_significant(int d)
    {
        if (d == 0) {
            ++trailing_zeros;
            return;
        }
        if (dropped_nonzero)
            return;
        if (count + trailing_zeros >= kMaxDigits) {
            while (count < kMaxDigits)
                digits[static_cast<std::size_t>(count++)] = 0;
            dropped_nonzero = true;
            return;
        }
        for (; trailing_zeros > 0; --trailing_zeros)
            digits[static_cast<std::size_t>(count++)] = 0;
        digits[static_cast<std::size_t>(count++)] = static_cast<std::uint8_t>(d);
    }
};

// The single-precision value nearest to the number, ties to even, as strtof
// gives it: beyond the largest float it is infinity, below the smallest
// subnormal zero. Takes the fast path where it is exact, else the exact one.
float to_float(const Decimal& number);

// The exact path alone: the correctly rounded conversion of the kept digits.
// Exposed so that tests can hold the fast path against it.
float to_float_exact(const Decimal& number);
