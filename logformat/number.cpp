#include "logformat/number.hpp"

#include <charconv>
#include <limits>

namespace {

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

}  // namespace

float to_float(const Decimal& number)
{
    if (number.count == 0)
        return with_sign(number, 0.0F);
    float value = 0;
    if (number.count <= Decimal::kMantissaDigits && to_float_fast(number.mantissa, scale(number), value))
        return with_sign(number, value);
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
    char text[Decimal::kMaxDigits + 1 + 24];
    char* out = std::to_chars(text, text + sizeof text, number.mantissa).ptr;
    for (int i = Decimal::kMantissaDigits; i < number.count; ++i)
        *out++ = static_cast<char>('0' + number.more_digits[static_cast<std::size_t>(i - Decimal::kMantissaDigits)]);
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
