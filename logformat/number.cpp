#include "logformat/number.hpp"

#include <bit>
#include <charconv>
#include <limits>

namespace {

// Exactly representable powers of ten in double precision.
constexpr double kPowersOfTen[] = {
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22,
};
constexpr std::int64_t kMaxFastPower = 22;
constexpr std::uint64_t kMaxFastMantissa = std::uint64_t{1} << 53;

// The decimal exponent of the last kept digit: value = digits × 10^scale.
std::int64_t scale(const Decimal& number)
{
    const std::int64_t exponent = number.negative_exponent ? -number.exponent : number.exponent;
    return number.point + exponent - number.count;
}

float with_sign(const Decimal& number, float magnitude)
{
    return number.negative ? -magnitude : magnitude;
}

// True when a double lies exactly halfway between two neighbouring floats.
// Only for values in the range of normal floats, where a float keeps 24 of
// the double's 53 significant bits.
bool is_float_midpoint(double value)
{
    constexpr std::uint64_t kLowBits = (std::uint64_t{1} << 29) - 1;
    constexpr std::uint64_t kHalf = std::uint64_t{1} << 28;
    return (std::bit_cast<std::uint64_t>(value) & kLowBits) == kHalf;
}

}  // namespace

float to_float(const Decimal& number)
{
    if (number.count == 0)
        return with_sign(number, 0.0F);
    // Fast path: a mantissa and a power of ten that are both exact doubles
    // give the correctly rounded double in one operation. Rounding that to
    // float is then exact too unless the double fell on a float midpoint,
    // since rounding is monotonic and midpoints are doubles. The range keeps
    // every value between 1e-22 and 9e37, normal floats.
    const std::int64_t power = scale(number);
    if (!number.dropped_nonzero && number.count <= 19 && power >= -kMaxFastPower && power <= kMaxFastPower) {
        std::uint64_t mantissa = 0;
        for (int i = 0; i < number.count; ++i)
            mantissa = mantissa * 10 + number.digits[static_cast<std::size_t>(i)];
        if (mantissa <= kMaxFastMantissa) {
            const double value = power < 0 ? static_cast<double>(mantissa) / kPowersOfTen[-power]
                                           : static_cast<double>(mantissa) * kPowersOfTen[power];
            if (!is_float_midpoint(value))
                return with_sign(number, static_cast<float>(value));
        }
    }
    return to_float_exact(number);
}

float to_float_exact(const Decimal& number)
{
    if (number.count == 0)
        return with_sign(number, 0.0F);
    // The first significant digit stands at 10^(magnitude - 1). Beyond these
    // bounds the value is infinity or zero whatever its digits; within them
    // the text below stays short.
    const std::int64_t exponent = number.negative_exponent ? -number.exponent : number.exponent;
    const std::int64_t magnitude = number.point + exponent;
    if (magnitude > 40)
        return with_sign(number, std::numeric_limits<float>::infinity());
    if (magnitude < -46)
        return with_sign(number, 0.0F);

    // "digits[1]e<power>": a dropped non-zero digit becomes a final 1, which
    // keeps the value strictly between the same two rounding boundaries.
    char text[Decimal::kMaxDigits + 1 + 16];
    char* out = text;
    for (int i = 0; i < number.count; ++i)
        *out++ = static_cast<char>('0' + number.digits[static_cast<std::size_t>(i)]);
    std::int64_t power = magnitude - number.count;
    if (number.dropped_nonzero) {
        *out++ = '1';
        --power;
    }
    *out++ = 'e';
    out = std::to_chars(out, text + sizeof text, power).ptr;

    float magnitude_value = 0.0F;
    const auto result = std::from_chars(text, out, magnitude_value);
    if (result.ec == std::errc::result_out_of_range)
        magnitude_value = magnitude > 0 ? std::numeric_limits<float>::infinity() : 0.0F;
    return with_sign(number, magnitude_value);
}
