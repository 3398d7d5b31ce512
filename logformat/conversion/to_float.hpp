#pragma once

// Exact conversion to single precision: a decimal number of any length, as
// the character rules scan it, rounded to the nearest float as strtof rounds
// it. The fast conversion settles most numbers with one exact operation;
// the exact conversion takes every other one.

#include <array>
#include <bit>
#include <cstdint>

namespace logformat {

// A decimal number as the reader scans it, digit by digit, in bounded memory
// whatever the length of its text. It keeps the first kMaxDigits significant
// digits and a mark that a dropped digit was not zero: every float rounding
// boundary has at most 113 significant digits, so the kept digits plus that
// mark round exactly as the whole text would. The first 19 digits go straight
// into an integer, which is all that the fast conversion needs.
//
// value = sign × 0.d1d2d3... × 10^(point ± exponent)
struct Decimal {
    static constexpr int kMaxDigits = 128;
    static constexpr int kMantissaDigits = 19;
    static constexpr std::int64_t kExponentLimit = 1'000'000'000'000;  // far beyond any float

    std::uint64_t mantissa = 0;                                          // the first kMantissaDigits significant digits
    std::array<std::uint8_t, kMaxDigits - kMantissaDigits> more_digits;  // the ones after those
    int count = 0;                                                       // significant digits kept
    bool dropped_nonzero = false;
    std::int64_t point = 0;
    std::int64_t exponent = 0;  // the explicit exponent's magnitude, saturated
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
        if (count < kMantissaDigits)
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(d);
        else if (count < kMaxDigits)
            more_digits[static_cast<std::size_t>(count - kMantissaDigits)] = static_cast<std::uint8_t>(d);
        else if (d != 0)
            dropped_nonzero = true;
        if (count < kMaxDigits)
            ++count;
    }
};

inline constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                          1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The fast conversion: mantissa × 10^power rounded to single precision, when
// one double operation settles it. False when it cannot tell.
// A mantissa up to 2^53 and a power of ten up to 10^22 are exact doubles:
// one double operation gives the correctly rounded double, and rounding that
// to float is exact too, since rounding is monotonic and every float midpoint
// is a double, unless the double fell on a midpoint itself. The bounds keep
// every value between 1e-22 and 9e37, among the normal floats. (Short
// mantissas would allow one float operation instead; choosing between the
// two costs a mispredicted branch wherever a log mixes short and long ones.)
// A float keeps 24 of the double's 53 significant bits; a double on a float
// midpoint has exactly the next bit set and none below it: its low
// kMidpointLowBits bits are kMidpointBits. (The AVX2 and AVX-512 batches
// apply the same rule four numbers at a time.)
//
// A longer mantissa, up to 19 digits or any 64-bit integer, is first rounded
// to a double: two roundings, each within half a unit in the last place,
// leave the double within 1.5 units of the exact value, so it settles the
// float unless its low bits lie within kMidpointMargin units of the
// midpoint's: then the exact value may lie on the midpoint's other side. Its
// powers stop at 10^19, so that every value stays below the largest float
// (2^64 × 10^19 < 3.4e38): the window and the batches never read a number
// that becomes infinity, which the character rules note.
inline constexpr std::int64_t kFastPowerLimit = 22;
inline constexpr std::int64_t kLongMantissaPowerLimit = 19;
inline constexpr std::uint64_t kExactMantissaLimit = std::uint64_t{1} << 53;
inline constexpr std::uint64_t kMidpointLowBits = (std::uint64_t{1} << 29) - 1;
inline constexpr std::uint64_t kMidpointBits = std::uint64_t{1} << 28;
inline constexpr std::uint64_t kMidpointMargin = 2;
static_assert(std::size(kPowersOfTen) == kFastPowerLimit + 1);
static_assert(1.8446744073709552e19 * kPowersOfTen[kLongMantissaPowerLimit] < 3.4028234e38,
              "a long mantissa times the largest power it takes stays below the largest float");

inline bool to_float_fast(std::uint64_t mantissa, std::int64_t power, float& value)
{
    const bool exact_mantissa = mantissa <= kExactMantissaLimit;
    if (power < -kFastPowerLimit || power > (exact_mantissa ? kFastPowerLimit : kLongMantissaPowerLimit))
        return false;
    const auto m = static_cast<double>(mantissa);
    const double near = power < 0 ? m / kPowersOfTen[-power] : m * kPowersOfTen[power];
    // Within `margin` of the midpoint's bits, from below or above: one
    // unsigned comparison, which is the equality for an exact mantissa.
    const std::uint64_t margin = exact_mantissa ? 0 : kMidpointMargin;
    if ((std::bit_cast<std::uint64_t>(near) & kMidpointLowBits) - (kMidpointBits - margin) <= 2 * margin)
        return false;
    value = static_cast<float>(near);
    return true;
}

// The fast conversion of a number whose digits after the first 19 were
// dropped: it lies between mantissa × 10^power and (mantissa + 1) ×
// 10^power, and where both bounds give the same float, that is its float.
inline bool to_float_fast_between(std::uint64_t mantissa, std::int64_t power, float& value)
{
    float above = 0;
    return to_float_fast(mantissa, power, value) && to_float_fast(mantissa + 1, power, above) && value == above;
}

// The single-precision value nearest to the number, ties to even, as strtof
// gives it: beyond the largest float it is infinity, below the smallest
// subnormal zero. Takes the fast conversion where it settles the value, then
// the Eisel-Lemire conversion (eisel_lemire.hpp), else the exact one. A
// number of more than 19 digits lies between its first 19 digits and the
// same plus one, each times the power of the 19th: where both bounds give
// the same float, that is the float.
float to_float(const Decimal& number);

// The exact conversion alone: the correctly rounded value of the kept
// digits. Exposed so that tests can hold the fast conversion against it.
float to_float_exact(const Decimal& number);

}  // namespace logformat
