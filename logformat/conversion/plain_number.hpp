#pragma once

// Plain numbers: the forms a logger writes most, read whole from a digit
// mask in a few operations. The window reads every number of a record this
// way, and the character rules try it first at the cursor.
//
// Each function reads the text at s, given `digits`, whose bit k tells
// whether s[k] is a digit, known for the first `room` bytes and 0 past the
// data. It returns the length of the number, or 0 where the text is not in a
// plain form or may go on past the known bytes; then nothing is stored and
// the caller reads the number by the character rules, which give the same
// result. It may look at bytes past the known ones before it declines: at
// most eight-byte loads from the byte after the last digit run, and the
// kernels' loads from the first digit, which the zero padding behind the
// data (and the window's 128 bytes) keep inside the buffer.

#include "logformat/conversion/digits.hpp"
#include "logformat/conversion/to_float.hpp"
#include "logformat/routes/kernels.hpp"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>

namespace logformat {

// A plain integer: a minus or nothing, then one to eight digits.
[[gnu::always_inline]] inline int plain_integer(const char* s, std::uint64_t digits, int room, std::int32_t& value)
{
    const int sign = *s == '-' ? 1 : 0;
    const int run = std::countr_one(digits >> sign);
    if (run == 0 || run > 8 || sign + run >= room)
        return 0;
    const auto magnitude = static_cast<std::int32_t>(run == 1 ? static_cast<std::uint64_t>(s[sign] - '0')
                                                              : digits_value(load_eight(s + sign), run));
    value = sign != 0 ? -magnitude : magnitude;
    return sign + run;
}

// A plain floating number: a minus or nothing, up to eight digits, then a
// full stop and more digits, at least one digit in all; then an exponent or
// nothing: e or E, a sign or none, one to three digits; and a value that the
// fast conversion settles. Of more than 19 digits, the first 19 are kept,
// and the value lies between them and the same plus one. A hexadecimal
// number's leading zero is not plain: its x ends the number by a decision.
// The first 15 digits around a point are converted by the kernel of `set`,
// up to four more from the next eight bytes.
template <InstructionSet set>
[[gnu::always_inline]] inline int plain_real(const char* s, std::uint64_t digits, int room, float& value)
{
    constexpr int kKernelDigits = 15;       // below 2^53, for the kernel
    constexpr int kMostExponentDigits = 3;  // the fast conversion takes powers up to 22 alone
    // The bytes up to the end of the number are read before `room` is
    // checked: the padding behind the data keeps them readable, and a number
    // that reaches past the known bytes is declined at the end.
    const int sign = *s == '-' ? 1 : 0;
    const int whole = std::countr_one(digits >> sign);
    if (whole > 8)
        return 0;
    int i = sign + whole;
    int fraction = 0;
    int dropped = 0;  // digits past the first 19
    std::uint64_t mantissa = 0;
    if (s[i] == '.') {
        fraction = std::countr_one(digits >> (i + 1));
        const int count = whole + fraction;
        if (count == 0)
            return 0;
        if (count <= kKernelDigits) {
            mantissa = Kernels<set>::digits_around_point(s + sign, whole, fraction);
        } else {
            // The 15 digits and the point fill 16 bytes, all before the
            // number's last digit.
            const int more = std::min(count, Decimal::kMantissaDigits) - kKernelDigits;
            dropped = count - kKernelDigits - more;
            mantissa = Kernels<set>::digits_around_point(s + sign, whole, kKernelDigits - whole) *
                           kPowersOfTenInt[static_cast<std::size_t>(more)] +
                       digits_value(load_eight(s + sign + kKernelDigits + 1), more);
        }
        i += 1 + fraction;
    } else if (whole > 0) {
        mantissa = digits_value(load_eight(s + sign), whole);
    } else {
        return 0;
    }
    // Without an exponent the power is -fraction, which the compiler knows
    // to be negative: the conversion divides, with no branch on its sign.
    float magnitude = 0;
    if ((s[i] | 0x20) == 'e') {
        const int exponent_sign = s[i + 1] == '-' || s[i + 1] == '+' ? 1 : 0;
        const int at = i + 1 + exponent_sign;
        if (at >= room)
            return 0;  // its digits past the known bytes, and past the mask's 64 bits
        const int run = std::countr_one(digits >> at);
        if (run == 0 || run > kMostExponentDigits)
            return 0;
        const auto exponent = static_cast<int>(digits_value(load_eight(s + at), run));
        i = at + run;
        const int power = (s[at - 1] == '-' ? -exponent : exponent) - fraction + dropped;
        if (i >= room || !(dropped == 0 ? to_float_fast(mantissa, power, magnitude)
                                        : to_float_fast_between(mantissa, power, magnitude)))
            return 0;
    } else if (i >= room || (s[i] | 0x20) == 'x' ||
               !(dropped == 0 ? to_float_fast(mantissa, -fraction, magnitude)
                              : to_float_fast_between(mantissa, dropped - fraction, magnitude))) {
        return 0;
    }
    value = sign != 0 ? -magnitude : magnitude;
    return i;
}

}  // namespace logformat
