#include "logformat/conversion/to_float.hpp"

#include "logformat/conversion/eisel_lemire.hpp"

#include <charconv>
#include <limits>

namespace logformat {

namespace {

// The power of ten of the first significant digit, plus one:
// value = 0.d1d2d3... × 10^magnitude.
std::int64_t magnitude(const Decimal& number)
{
    return number.point + (number.negative_exponent ? -number.exponent : number.exponent);
}

// The power of ten of the last kept digit: value = digits × 10^scale.
std::int64_t scale(const Decimal& number)
{
    return magnitude(number) - number.count;
}

float with_sign(const Decimal& number, float magnitude)
{
    return number.negative ? -magnitude : magnitude;
}

// mantissa × 10^power by the fast conversion or the Eisel-Lemire one.
bool settle(std::uint64_t mantissa, std::int64_t power, float& value)
{
    return to_float_fast(mantissa, power, value) || to_float_eisel_lemire(mantissa, power, value);
}

}  // namespace

float to_float(const Decimal& number)
{
    if (number.count == 0)
        return with_sign(number, 0.0F);
    float value = 0;
    if (number.count <= Decimal::kMantissaDigits) {
        if (settle(number.mantissa, scale(number), value))
            return with_sign(number, value);
        return to_float_exact(number);
    }
    // The first 19 digits, and the same plus one (below 2^64), bound the
    // value from both sides.
    const std::int64_t power = magnitude(number) - Decimal::kMantissaDigits;
    float above = 0;
    if (settle(number.mantissa, power, value) && settle(number.mantissa + 1, power, above) && value == above)
        return with_sign(number, value);
    return to_float_exact(number);
}

float to_float_exact(const Decimal& number)
{
    if (number.count == 0)
        return with_sign(number, 0.0F);
    // Beyond these bounds the value is infinity or zero whatever its digits;
    // within them the text below stays short.
    const std::int64_t first_digit = magnitude(number);
    if (first_digit > 40)
        return with_sign(number, std::numeric_limits<float>::infinity());
    if (first_digit < -46)
        return with_sign(number, 0.0F);

    // "digits[1]e<power>": a dropped non-zero digit becomes a final 1, which
    // keeps the value strictly between the same two rounding boundaries.
    char text[Decimal::kMaxDigits + 1 + 24];
    char* out = std::to_chars(text, text + sizeof text, number.mantissa).ptr;
    for (int i = Decimal::kMantissaDigits; i < number.count; ++i)
        *out++ = static_cast<char>('0' + number.more_digits[static_cast<std::size_t>(i - Decimal::kMantissaDigits)]);
    std::int64_t power = scale(number);
    if (number.dropped_nonzero) {
        *out++ = '1';
        --power;
    }
    *out++ = 'e';
    out = std::to_chars(out, text + sizeof text, power).ptr;

    float magnitude_value = 0.0F;
    const auto result = std::from_chars(text, out, magnitude_value);
    if (result.ec == std::errc::result_out_of_range)
        magnitude_value = first_digit > 0 ? std::numeric_limits<float>::infinity() : 0.0F;
    return with_sign(number, magnitude_value);
}

}  // namespace logformat
