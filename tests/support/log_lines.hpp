#pragma once

// Seeded logs for the benchmarks and the differential tests: the lines a
// period-based application's logger writes, one sample per period. The same
// seed gives the same bytes on every machine.

#include "logformat/app_data.hpp"

#include <cstddef>
#include <cstdint>
#include <string>

// How the floating-point values of a line are written.
enum class NumberForm {
    Logger,      // as loggers write them: mostly %f, some %g, whole numbers, a few %.9g
    Scientific,  // as loggers write them with %e and %.9g: 7 to 10 significant digits, many
                 // with an exponent, one in twenty negative
    Shortest,    // doubles as the shortest decimal that reads back to them, as std::to_chars,
                 // Python's str, JavaScript, Go's %v, Java and Rust write them: up to 17 digits
    Long,        // long digit strings: %.20f and %.25g as C writes them, and decimals of 20 to
                 // 40 digits as arbitrary-precision code writes them
};

// One application's log in the making: its random sequence, its current
// level, the two periods it runs at and the scale of its benefits.
struct LineMaker {
    logformat::LogPattern pattern = logformat::LogPattern::Full;
    NumberForm form = NumberForm::Logger;
    std::uint64_t random = 0;  // splitmix64 state
    int level = 0;             // 0 to 3
    std::int32_t main_period = 0;
    std::int32_t other_period = 0;
    double benefit_scale = 1;
    std::uint64_t lines = 0;  // lines written into a log so far
};

// The longest line write_line can produce, newline included.
constexpr std::size_t kMaxLineBytes = 192;

LineMaker make_line_maker(logformat::LogPattern pattern, NumberForm form, std::uint64_t seed);

// Writes the next line at `out`, which has room for kMaxLineBytes, and
// returns its length. The line is not counted in `lines`.
std::size_t write_line(LineMaker& maker, char* out);

// Fills [out, out + capacity) with whole lines up to the first that does not
// fit, which is dropped, counts them in `lines` and returns the bytes written.
std::size_t write_lines(LineMaker& maker, char* out, std::size_t capacity);

// A log of exactly `bytes` bytes: whole lines, then blank lines up to the size
// (a pattern's closing newline takes any run of them).
std::string make_log(LineMaker& maker, std::size_t bytes);
