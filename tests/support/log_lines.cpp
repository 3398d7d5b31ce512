#include "tests/support/log_lines.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

using namespace logformat;

// Values are drawn in millionths, the resolution of %f, so that the common
// form is written with integer arithmetic alone: a gigabyte takes seconds.

namespace {

constexpr std::int32_t kPeriods[] = {10000, 33333, 50000, 100000};  // microseconds
constexpr double kLevelBenefit[] = {0.4, 1.0, 1.8, 2.1};            // benefit at each level, before scaling
constexpr std::uint64_t kMillion = 1000000;

std::uint64_t next(std::uint64_t& state)
{
    std::uint64_t z = (state += 0x9e3779b97f4a7c15);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9;
    z = (z ^ (z >> 27)) * 0x94d049bb133111eb;
    return z ^ (z >> 31);
}

// 0 to n - 1.
std::uint64_t below(std::uint64_t& state, std::uint64_t n)
{
    return next(state) % n;
}

// [0, 1).
double unit(std::uint64_t& state)
{
    return static_cast<double>(next(state) >> 11) * 0x1p-53;
}

char* put(char* out, std::string_view text)
{
    std::memcpy(out, text.data(), text.size());
    return out + text.size();
}

char* put_integer(char* out, std::uint64_t value)
{
    return std::to_chars(out, out + 24, value).ptr;
}

// `count` digits of `value`, zeros in front.
char* put_digits(char* out, std::uint64_t value, int count)
{
    for (int i = count - 1; i >= 0; --i) {
        out[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    return out + count;
}

// %f of a value given in millionths.
char* put_fixed(char* out, std::uint64_t micros)
{
    out = put_integer(out, micros / kMillion);
    *out++ = '.';
    return put_digits(out, micros % kMillion, 6);
}

char* put_general(char* out, double value, int precision)
{
    return std::to_chars(out, out + 64, value, std::chars_format::general, precision).ptr;
}

// One value in the form a logger might have used for it.
char* put_logger_value(char* out, std::uint64_t& random, std::uint64_t micros)
{
    const double value = static_cast<double>(micros) / kMillion;
    const std::uint64_t form = below(random, 100);
    if (form < 90)
        return put_fixed(out, micros);  // %f
    if (form < 96)
        return put_general(out, value, 6);  // %g
    if (form < 99)                          // a whole number; only a missed deadline writes a zero benefit
        return put_integer(out, micros == 0 ? 0 : std::max<std::uint64_t>(1, (micros + kMillion / 2) / kMillion));
    const double finer = value + static_cast<double>(below(random, 1000)) * 1e-9;
    return put_general(out, finer, 9);  // %.9g
}

char* put_fixed_digits(char* out, double value, int precision)
{
    return std::to_chars(out, out + 64, value, std::chars_format::fixed, precision).ptr;
}

// The value as a double with every bit drawn: millionths and a random
// fraction of one below them.
double full_double(std::uint64_t& random, std::uint64_t micros)
{
    return (static_cast<double>(micros) + unit(random)) / kMillion;
}

// One value as a program that prints doubles by default writes it: the
// shortest decimal that reads back to the same double, 16 or 17 digits for
// most, as std::to_chars, Python's str, JavaScript, Go's %v, Java's
// Double.toString and Rust's {} give it ("0.7951935655656966"); a missed
// deadline's zero benefit as "0".
char* put_shortest_value(char* out, std::uint64_t& random, std::uint64_t micros)
{
    if (micros == 0)
        return put_integer(out, 0);
    return std::to_chars(out, out + 32, full_double(random, micros)).ptr;
}

// One value in a long digit string: %.20f or %.25g as C writes them, the
// exact decimal of the double behind its 17th digit
// ("0.49543512345678901234", "0.4954351234567890123456789"), or 20 to 40
// digits as arbitrary-precision code writes them, every one drawn.
char* put_long_value(char* out, std::uint64_t& random, std::uint64_t micros)
{
    const std::uint64_t form = below(random, 10);
    if (form < 4)
        return put_fixed_digits(out, full_double(random, micros), 20);  // %.20f
    if (form < 7)
        return put_general(out, full_double(random, micros), 25);  // %.25g
    out = put_fixed(out, micros);                                  // one digit before the point, six after it
    for (int more = 20 + static_cast<int>(below(random, 21)) - 7; more > 0; more -= 6)
        out = put_digits(out, below(random, kMillion), std::min(more, 6));
    return out;
}

char* put_scientific(char* out, double value, int precision)
{
    return std::to_chars(out, out + 32, value, std::chars_format::scientific, precision).ptr;
}

// One value as a logger that writes %e and %.9g might: "4.954351e-01",
// "0.495435123", "4.954351234e-01", with nanoseconds behind the millionths so
// that every digit counts.
char* put_scientific_value(char* out, std::uint64_t& random, std::uint64_t micros)
{
    double value = static_cast<double>(micros) / kMillion + static_cast<double>(below(random, 1000)) * 1e-9;
    if (below(random, 20) == 0)
        value = -value;
    const std::uint64_t form = below(random, 100);
    if (form < 45)
        return put_scientific(out, value, 6);  // %e
    if (form < 75)
        return put_general(out, value, 9);  // %.9g
    if (form < 90)
        return put_scientific(out, value, 9);  // %.9e
    return put_scientific(out, value, 7);      // %.7e
}

char* put_value(char* out, LineMaker& maker, std::uint64_t micros)
{
    switch (maker.form) {
    case NumberForm::Scientific: return put_scientific_value(out, maker.random, micros);
    case NumberForm::Shortest: return put_shortest_value(out, maker.random, micros);
    case NumberForm::Long: return put_long_value(out, maker.random, micros);
    case NumberForm::Logger: break;
    }
    return put_logger_value(out, maker.random, micros);
}

// A uniform number of millionths in [low, low + span).
std::uint64_t micros_between(std::uint64_t& random, double low, double span)
{
    return static_cast<std::uint64_t>((low + span * unit(random)) * kMillion);
}

}  // namespace

LineMaker make_line_maker(LogPattern pattern, NumberForm form, std::uint64_t seed)
{
    LineMaker maker;
    maker.pattern = pattern;
    maker.form = form;
    maker.random = seed;
    const std::uint64_t main = below(maker.random, std::size(kPeriods));
    const std::uint64_t other = (main + 1 + below(maker.random, std::size(kPeriods) - 1)) % std::size(kPeriods);
    maker.main_period = kPeriods[main];
    maker.other_period = kPeriods[other];
    maker.level = static_cast<int>(below(maker.random, 4));
    maker.benefit_scale = 0.6 + 0.6 * unit(maker.random);
    return maker;
}

std::size_t write_line(LineMaker& maker, char* out)
{
    std::uint64_t& random = maker.random;
    // The application changes level now and then, one step at a time.
    if (below(random, 100) < 3)
        maker.level = std::clamp(maker.level + (below(random, 2) == 0 ? -1 : 1), 0, 3);
    const double level = maker.level;
    const std::uint64_t cpu = micros_between(random, 0.3 + 0.06 * level, 0.2);
    const std::uint64_t mcpu = cpu + micros_between(random, 0.01, 0.07);
    // About one period in a hundred misses its deadline: no benefit.
    const bool missed = below(random, 100) == 0;
    const double benefit = maker.benefit_scale * kLevelBenefit[maker.level];
    const std::uint64_t b = missed ? 0 : micros_between(random, 0.94 * benefit, 0.12 * benefit);

    char* const start = out;
    out = put(out, "L:");
    out = put_integer(out, static_cast<std::uint64_t>(maker.level));
    out = put(out, ", CPU:");
    out = put_value(out, maker, cpu);
    out = put(out, ", B:");
    out = put_value(out, maker, b);
    out = put(out, ", MCPU:");
    out = put_value(out, maker, mcpu);
    if (maker.pattern == LogPattern::Full) {
        out = put(out, ", P:");
        const std::int32_t period = below(random, 100) < 85 ? maker.main_period : maker.other_period;
        out = put_integer(out, static_cast<std::uint64_t>(period));
    }
    *out++ = '\n';
    return static_cast<std::size_t>(out - start);
}

std::size_t write_lines(LineMaker& maker, char* out, std::size_t capacity)
{
    std::size_t used = 0;
    while (capacity - used >= kMaxLineBytes) {
        used += write_line(maker, out + used);
        ++maker.lines;
    }
    // Near the end, a line is written aside first and kept if it fits.
    char line[kMaxLineBytes];
    for (;;) {
        const std::size_t length = write_line(maker, line);
        if (length > capacity - used)
            return used;
        std::memcpy(out + used, line, length);
        used += length;
        ++maker.lines;
    }
}

std::string make_log(LineMaker& maker, std::size_t bytes)
{
    std::string log(bytes, '\n');
    write_lines(maker, log.data(), bytes);
    return log;
}
