// Floating fields against the C library's strtof, bit for bit: the boundary
// cases by name, then many generated numbers, read as log lines so that
// scanning and conversion are tested together. The fast conversion is also
// held against the exact conversion on every number it takes.

#include "logformat/conversion/eisel_lemire.hpp"
#include "logformat/conversion/to_float.hpp"
#include "logformat/instruction_set.hpp"
#include "logformat/read_sample.hpp"
#include "tests/support/text_stream.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <vector>

using namespace logformat;

namespace {

std::uint32_t bits(float f)
{
    return std::bit_cast<std::uint32_t>(f);
}

// Reads each number as the CPU field of a line, all from one log, and
// checks every value against strtof, with every instruction set.
void expect_reads_as_strtof(const std::vector<std::string>& numbers)
{
    std::string log;
    for (const std::string& n : numbers)
        log += "L:0, CPU:" + n + ", B:0, MCPU:0\n";
    for (const InstructionSet set : offered_instruction_sets()) {
        LogStream stream = text_stream(log, BlockBuffer::kBlockSize, set);
        AppData record;
        for (const std::string& n : numbers) {
            ASSERT_EQ(read_sample(stream, LogPattern::Short, record), 4) << n << ", " << name_of(set);
            const float want = std::strtof(n.c_str(), nullptr);
            ASSERT_EQ(bits(record.CPU), bits(want))
                << n << " read as " << record.CPU << ", strtof gives " << want << ", " << name_of(set);
        }
    }
}

const std::string kHalfSmallestSubnormal =  // 2^-150, exactly
    "7.00649232162408535461864791644958065640130970938257885878534141944895541342930300743319094181060791015625e-46";

TEST(Number, Boundaries)
{
    // Numbers of a kind on a line.
    // clang-format off
    expect_reads_as_strtof({
        // Zeros, signs, forms.
        "0", "-0", "+0", "0.000", "-0.0e99", "000123", "1.", ".5", "-.5e1", "1e0", "1E+0", "1e-0",
        // The fast conversion's limits: mantissa up to 2^53, powers of ten up to 22.
        "9007199254740992", "9007199254740993", "9007199254740992e22", "9007199254740992e-22", "9007199254740993e-22",
        "1e22", "1e23", "1e-22", "1e-23", "1234567890123456789", "12345678901234567890", "1234567890123456789e-22",
        // The plain form's limits: eight digits before the point, fifteen in
        // all, and float midpoints within them (floats near 2^20 lie 1/8
        // apart), which the float operation of the fast conversion rounds.
        "1234567", "12345678", "1234567.1234567", "1234567.12345678", "9999999.9999999", "0.0000001", ".1234567",
        "1234567.", "12345678.", "-87654321.", "-0.0000000", "1048576.0625", "1048576.1875", "1048576.0625001", "-1048576.0625",
        // Exponents in the plain form: as %e writes them, with and without a
        // sign or leading zeros, at the fast conversion's limits, and with
        // more exponent digits than the plain form takes.
        "4.954351e-01", "-4.954351e-01", "5.561211950E-01", "1e5", "1e+05", "1E005", "1e0005", "1e-0000000000001",
        "1.5e22", "1.5e23", "123456789012345e-22", "123456789012345e-23", "0.000001e-16", "0.000001e-17", "0e999",
        "-0e-999", "9.99999999999999e22", "1048576.0625e0", "1.0485760625e+06", "16777217e-000", "1e38", "3.5e38",
        // Float midpoints: exact, and within a double's rounding of one.
        // Decimals of 16 digits whose nearest double is a float midpoint
        // although they are not: the double operation's midpoint check sends
        // them to the exact conversion, else they read one unit off.
        "0.1918947771191597", "0.4624127000570297", "7853048643576514e11",
        "16777217", "16777219", "33554434", "16777217.000000001", "16777216.999999999", "1.000000059604644775390625",
        "1.0000000596046447753906250000001", "1.0000000596046447753906249999999", "0.500000029802322387695312",
        // The largest float and the way to infinity.
        "3.4028234663852886e38", "3.4028235e38", "3.40282356e38", "3.4028235677973366e38",
        "3.4028235677973365e38", "340282356779733661637539395458142568448", "340282356779733661637539395458142568447",
        "1e38", "1e39", "-1e39", "1e400", "1e999999999999",
        // Normal, subnormal, zero.
        "1.17549435e-38", "1.1754942e-38", "1e-38", "1e-40", "1.4e-45", "1.401298464324817e-45", "2.1e-45",
        "7.1e-46", "7e-46", kHalfSmallestSubnormal, kHalfSmallestSubnormal + "1", "7.006492321624085e-46", "1e-46",
        "1e-400", "1e-999999999999",
        // More digits than are kept.
        // (std::string first: g++ 12 warns wrongly of an overlap in "text" + std::string.)
        std::string(200, '9'), std::string("0.") + std::string(130, '0') + "1e130",
        std::string("1") + std::string(150, '0') + "1e-151", std::string("1.") + std::string(200, '0') + "1",
        std::string("16777217") + std::string(150, '0') + "1e-150",
        std::string("16777217") + std::string(150, '0') + "e-150", std::string("0.1") + std::string(300, '0') + "e1",
        // A million digits, in the same bounded space.
        std::string(1'000'000, '3') + "e-999999", std::string(1'000'000, '7'),
        // Shortest decimals of doubles, 16 and 17 digits, as std::to_chars
        // and Python's str write them; the mantissa beyond 2^53 rounded to a
        // double first; 19 digits around 2^63 and 2^64; the first 19 digits
        // and the same plus one as bounds, beyond them.
        "0.7951935655656966", "1.4835739785214588", "-0.9424502837770503", "0.30000000000000004",
        "1.7976931348623157e308", "2.2250738585072014e-308", "5e-324", "1.1754943508222875e-38",
        "9999999999999999999", "9223372036854775807", "9223372036854775808", "18446744073709551615",
        "18446744073709551616", "99999999999999999999e-20", "0.49543512345678901234", "0.4954351234567890123456789",
        "1.000000059604644775390624", "1.000000059604644775390626", "16777217.0000000000000000", "16777217.0000000001",
        // Beyond 10^22, for the Eisel-Lemire conversion: its table's ends,
        // values that overflow or underflow, a subnormal it leaves to the
        // exact conversion, and exact powers of ten.
        "1.2345678901234567e-30", "9.8765432109876543e25", "1e-57", "1e-58", "9999999999999999999e-76",
        "1e38", "3.4028235677973366e38", "9999999999999999999e19", "1e39", "1.2e-40", "1e23", "1e-23", "1e-45",
    });
    // clang-format on
}

// Decimal text of many shapes: digits before and after the point, exponents
// of every size.
std::string random_decimal(std::mt19937_64& rng)
{
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<std::uint64_t>(n)); };
    std::string s;
    if (pick(4) == 0)
        s += pick(2) ? '-' : '+';
    const int int_digits = pick(4) == 0 ? pick(40) : pick(12);
    const int frac_digits = pick(3) == 0 ? 0 : (pick(4) == 0 ? pick(40) : pick(12));
    for (int i = 0; i < int_digits; ++i)
        s += static_cast<char>('0' + (pick(5) == 0 ? 0 : pick(10)));
    if (frac_digits > 0 || int_digits == 0) {
        s += '.';
        for (int i = 0; i < std::max(frac_digits, int_digits == 0 ? 1 : 0); ++i)
            s += static_cast<char>('0' + (pick(5) == 0 ? 0 : pick(10)));
    }
    if (pick(3) == 0) {
        s += pick(2) ? 'e' : 'E';
        if (pick(2))
            s += pick(2) ? '-' : '+';
        s += std::to_string(pick(4) == 0 ? pick(400) : pick(50));
    }
    return s;
}

TEST(Number, GeneratedDecimals)
{
    std::mt19937_64 rng(20261208);
    std::vector<std::string> numbers;
    for (int i = 0; i < 200000; ++i)
        numbers.push_back(random_decimal(rng));
    expect_reads_as_strtof(numbers);
}

// Every float's neighbourhood: the float printed in several ways, and the
// points halfway to its neighbour with and without a nudge either side.
TEST(Number, FloatsAndMidpoints)
{
    std::mt19937_64 rng(7);
    std::vector<std::string> numbers;
    char text[400];
    auto add = [&](const char* format, double value) {
        std::snprintf(text, sizeof text, format, value);
        numbers.emplace_back(text);
    };
    for (int i = 0; i < 40000; ++i) {
        const auto b = static_cast<std::uint32_t>(rng() % 0x7f800000U);  // finite, non-negative
        const float f = std::bit_cast<float>(b);
        const double mid =
            (static_cast<double>(f) + static_cast<double>(std::nextafter(f, std::numeric_limits<float>::infinity()))) /
            2;
        add("%.9g", f);
        add("%.6f", f);
        add("%.17e", f);
        add("%.120e", mid);  // exact: a float midpoint has at most 113 significant digits
        add("%.20e", mid);
        add("%.120e", std::nextafter(mid, 0.0));
        add("%.120e", std::nextafter(mid, 1e300));
        numbers.push_back(numbers[numbers.size() - 4] + "1");
        // A midpoint in 17, 19 and 40 digits, the last of each rounded up
        // or down: within a unit of the double's last place of it, and of
        // the 19th digit for the Eisel-Lemire conversion. With a point after
        // the first digit or after all of them, in the two lanes of a batch.
        add("%.16e", mid);
        add("%.18e", mid);
        add("%.39e", mid);
        add("%.17g", mid);
        add("%.19g", mid);
    }
    expect_reads_as_strtof(numbers);
}

// mantissa × 10^power as strtof reads it.
float strtof_of(std::uint64_t mantissa, int power)
{
    return std::strtof((std::to_string(mantissa) + "e" + std::to_string(power)).c_str(), nullptr);
}

// The first 19 significant digits of a decimal in %.18e form: a mantissa and
// the power of its last digit.
void mantissa_of(const char* text, std::uint64_t& mantissa, int& power)
{
    mantissa = 0;
    int fraction = -1;
    for (; *text != 'e'; ++text)
        if (*text == '.')
            fraction = 0;
        else {
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(*text - '0');
            fraction += fraction >= 0 ? 1 : 0;
        }
    power = std::atoi(text + 1) - fraction;
}

// The fast conversion of mantissas beyond 2^53, and the Eisel-Lemire
// conversion of any, against strtof where they settle a value: random
// mantissas of every length at every power of ten, and the 19 digits of
// float midpoints, which lie within a unit of the double's last place, and
// of the product's last word, of the midpoint. Each settles nearly all the
// random ones; the exact conversion takes the rest.
TEST(Number, FastAndEiselLemireMatchStrtof)
{
    std::mt19937_64 rng(29);
    int fast = 0;
    int fast_tried = 0;
    int lemire = 0;
    int lemire_tried = 0;
    const auto check = [&](std::uint64_t mantissa, int power) {
        const float want = strtof_of(mantissa, power);
        float value = 0;
        if (power >= -22 && power <= 19 && mantissa > (std::uint64_t{1} << 53)) {
            ++fast_tried;
            if (to_float_fast(mantissa, power, value)) {
                ++fast;
                ASSERT_EQ(bits(value), bits(want)) << mantissa << "e" << power << ", the fast conversion";
            }
        }
        // Where some 64-bit mantissa gives a normal float.
        if (mantissa != 0 && power >= -57 && power <= 38) {
            const auto digits = static_cast<int>(std::to_string(mantissa).size());
            lemire_tried += power + digits > -37 ? 1 : 0;  // no subnormal
            if (to_float_eisel_lemire(mantissa, power, value)) {
                ++lemire;
                ASSERT_EQ(bits(value), bits(want)) << mantissa << "e" << power << ", the Eisel-Lemire conversion";
            }
        }
    };
    for (int i = 0; i < 300000; ++i)
        ASSERT_NO_FATAL_FAILURE(check(rng() >> (rng() % 12), static_cast<int>(rng() % 100) - 60));
    EXPECT_GT(fast, fast_tried * 99 / 100);
    EXPECT_GT(lemire, lemire_tried * 99 / 100);
    char text[64];
    for (int i = 0; i < 100000; ++i) {
        const float f =
            std::bit_cast<float>(static_cast<std::uint32_t>(0x00800000 + rng() % (0x7f7fffff - 0x00800000)));
        const double mid =
            (static_cast<double>(f) + static_cast<double>(std::nextafter(f, std::numeric_limits<float>::infinity()))) /
            2;
        for (const double x : {mid, std::nextafter(mid, 0.0), std::nextafter(mid, 1e300)}) {
            std::snprintf(text, sizeof text, "%.18e", x);
            std::uint64_t mantissa = 0;
            int power = 0;
            mantissa_of(text, mantissa, power);
            ASSERT_NO_FATAL_FAILURE(check(mantissa, power));
        }
    }
}

// The conversion, with its fast paths, agrees with the exact conversion,
// and both with strtof, on mantissas of every length, 20 digits among them,
// at every power of ten where a float is more than zero or infinity.
TEST(Number, FastConversionMatchesExactConversion)
{
    std::mt19937_64 rng(11);
    for (int i = 0; i < 300000; ++i) {
        const std::uint64_t mantissa = rng() >> (rng() % 64);
        const int power = static_cast<int>(rng() % 100) - 60;
        const std::string text = std::to_string(mantissa) + "e" + std::to_string(power);
        Decimal d;
        for (const char digit : std::to_string(mantissa))
            d.add_integer_digit(digit - '0');
        for (const char digit : std::to_string(std::abs(power)))
            d.add_exponent_digit(digit - '0');
        d.negative_exponent = power < 0;
        const float want = std::strtof(text.c_str(), nullptr);
        ASSERT_EQ(bits(to_float(d)), bits(want)) << text;
        ASSERT_EQ(bits(to_float_exact(d)), bits(want)) << text;
    }
}

// A number of any length keeps its digits in the same fixed space.
TEST(Number, BoundedDigits)
{
    Decimal d;
    for (int i = 0; i < 10'000'000; ++i)
        d.add_integer_digit(i % 7 == 3 ? 0 : 3);
    EXPECT_EQ(d.count, Decimal::kMaxDigits);
    EXPECT_TRUE(d.dropped_nonzero);
    EXPECT_EQ(d.point, 10'000'000);
    EXPECT_EQ(to_float(d), std::numeric_limits<float>::infinity());
}

}  // namespace
