// The reader, case by case: for each input, the result of every read, the
// record after it and where the next read starts. Every case runs with
// blocks of many sizes, so that records cross the buffer's end everywhere.

#include "logformat/instruction_set.hpp"
#include "logformat/read_sample.hpp"
#include "logformat/routes/implementations.hpp"
#include "tests/reader_cases.hpp"
#include "tests/support/instruction_sets.hpp"
#include "tests/support/records.hpp"
#include "tests/support/text_stream.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

using namespace logformat;
using namespace reader_cases;

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
const float kNaN = std::numeric_limits<float>::quiet_NaN();

// A table: each case on a few lines of its own.
// clang-format off
const std::vector<Case> kCases = {
    // Well-formed logs.
    {"two lines, the second with a zero benefit",
     "L:1, CPU:0.5, B:2, MCPU:0.25, P:1000\nL:2, CPU:0.5, B:0, MCPU:0.75, P:2000\n", F,
     {{5, {1, 0.5, 2, 0.25, 1000}, 37}, {5, {2, 0.5, 0, 0.75, 2000}, 74}, {-1, {2, 0.5, 0, 0.75, 2000}, 74}}},
    {"a last line without a newline", "L:1, CPU:0.5, B:2, MCPU:0.25, P:1000", F,
     {{5, {1, 0.5, 2, 0.25, 1000}, 36}, {-1, {1, 0.5, 2, 0.25, 1000}, 36}}},
    {"two records on one line, separated by a blank",
     "L:1, CPU:0.5, B:2, MCPU:0.25, P:1000 L:2, CPU:0.5, B:3, MCPU:0.75, P:2000\n", F,
     {{5, {1, 0.5, 2, 0.25, 1000}, 37}, {5, {2, 0.5, 3, 0.75, 2000}, 74}, {-1, {2, 0.5, 3, 0.75, 2000}, 74}}},

    // White space.
    {"blank lines and indentation between lines are swallowed",
     "L:1, CPU:1, B:1, MCPU:1, P:1\n\n\n  L:2, CPU:2, B:2, MCPU:2, P:2\n", F,
     {{5, {1, 1, 1, 1, 1}, 33}, {5, {2, 2, 2, 2, 2}, 62}, {-1, {2, 2, 2, 2, 2}, 62}}},
    {"blank lines between short lines are swallowed", "L:1, CPU:1, B:1, MCPU:1\n\nL:2, CPU:2, B:2, MCPU:2\n", S,
     {{4, {1, 1, 1, 1, -9}, 25}, {4, {2, 2, 2, 2, -9}, 49}, {-1, {2, 2, 2, 2, -9}, 49}}},
    {"a blank after a colon, none or a tab after a comma", "L: 1,CPU:\t2,\tB: 3,  MCPU:4,P: 5\n", F,
     {{5, {1, 2, 3, 4, 5}, 32}, {-1, {1, 2, 3, 4, 5}, 32}}},
    {"a record split after a comma and after a colon", "L:1,\nCPU:\n2, B:3, MCPU:4, P:5\n", F,
     {{5, {1, 2, 3, 4, 5}, 30}, {-1, {1, 2, 3, 4, 5}, 30}}},
    {"a record split before a comma is damaged", "L:1\n, CPU:2, B:3, MCPU:4, P:5\n", F,
     {{1, {1, -9, -9, -9, -9}, 3}, {0, {1, -9, -9, -9, -9}, 3}}},
    {"carriage returns before the newlines", "L:1, CPU:2, B:3, MCPU:4, P:5\r\nL:6, CPU:7, B:8, MCPU:9, P:10\r\n", F,
     {{5, {1, 2, 3, 4, 5}, 30}, {5, {6, 7, 8, 9, 10}, 61}, {-1, {6, 7, 8, 9, 10}, 61}}},
    {"blanks after the last field", "L:1, CPU:2, B:3, MCPU:4, P:5 \t\n\t L:6, CPU:7, B:8, MCPU:9, P:10", F,
     {{5, {1, 2, 3, 4, 5}, 33}, {5, {6, 7, 8, 9, 10}, 62}, {-1, {6, 7, 8, 9, 10}, 62}}},
    {"an indented first line", "  L:1, CPU:2, B:3, MCPU:4, P:5\n", F, {{0, kStart, 0}}},
    {"a leading blank line", "\nL:1, CPU:2, B:3, MCPU:4, P:5\n", F, {{0, kStart, 0}}},
    {"a header line", "# run 7\nL:1, CPU:2, B:3, MCPU:4, P:5\n", F, {{0, kStart, 0}}},

    // Tags.
    {"a lower-case tag before P", "L:1, CPU:2, B:3, MCPU:4, P:5\nL:1, cpu:2, B:3, MCPU:4, P:5\n", F,
     {{5, {1, 2, 3, 4, 5}, 29}, {1, {1, 2, 3, 4, 5}, 34}, {0, {1, 2, 3, 4, 5}, 34}}},
    {"a blank between L and its colon", "L :1, CPU:2, B:3, MCPU:4, P:5\n", F, {{0, kStart, 1}}},
    {"a blank between B and its colon", "L:1, CPU:2, B :3, MCPU:4, P:5\n", F, {{2, {1, 2, -9, -9, -9}, 13}}},
    {"a lower-case P tag", "L:1, CPU:2, B:3, MCPU:4, P:5\nL:6, CPU:7, B:8, MCPU:9, p:10\nL:1, CPU:1, B:1, MCPU:1, P:1\n",
     F, {{5, {1, 2, 3, 4, 5}, 29}, {4, {6, 7, 8, 9, 5}, 54}, {0, {6, 7, 8, 9, 5}, 54}}},
    {"a blank between P and its colon", "L:1, CPU:2, B:3, MCPU:4, P :5\n", F,
     {{4, {1, 2, 3, 4, -9}, 26}, {0, {1, 2, 3, 4, -9}, 26}}},

    // The P part of a Full line.
    {"a line that stops after MCPU is the last sample",
     "L:1, CPU:2, B:3, MCPU:4, P:5\nL:6, CPU:7, B:8, MCPU:9\nL:1, CPU:1, B:1, MCPU:1, P:1\n", F,
     {{5, {1, 2, 3, 4, 5}, 29}, {4, {6, 7, 8, 9, 5}, 52}, {0, {6, 7, 8, 9, 5}, 52}}},
    {"a comma after MCPU: the next line is still read",
     "L:1, CPU:2, B:3, MCPU:4, P:5\nL:6, CPU:7, B:8, MCPU:9,\nL:1, CPU:1, B:1, MCPU:1, P:1\n", F,
     {{5, {1, 2, 3, 4, 5}, 29}, {4, {6, 7, 8, 9, 5}, 54}, {5, {1, 1, 1, 1, 1}, 83}, {-1, {1, 1, 1, 1, 1}, 83}}},
    {"P: with no number: the next line is still read", "L:6, CPU:7, B:8, MCPU:9, P:\nL:1, CPU:1, B:1, MCPU:1, P:1\n",
     F, {{4, {6, 7, 8, 9, -9}, 28}, {5, {1, 1, 1, 1, 1}, 57}, {-1, {1, 1, 1, 1, 1}, 57}}},
    {"a P with a fraction", "L:1, CPU:2, B:3, MCPU:4, P:5.5\nL:1, CPU:1, B:1, MCPU:1, P:1\n", F,
     {{5, {1, 2, 3, 4, 5}, 28}, {0, {1, 2, 3, 4, 5}, 28}}},
    {"a P with an exponent", "L:1, CPU:2, B:3, MCPU:4, P:5e3\n", F, {{5, {1, 2, 3, 4, 5}, 28}, {0, {1, 2, 3, 4, 5}, 28}}},
    {"an L with a fraction", "L:1.5, CPU:2, B:3, MCPU:4, P:5\n", F,
     {{1, {1, -9, -9, -9, -9}, 3}, {0, {1, -9, -9, -9, -9}, 3}}},
    {"a Short read of a Full log", "L:1, CPU:2, B:3, MCPU:4, P:5\nL:6, CPU:7, B:8, MCPU:9, P:10\n", S,
     {{4, {1, 2, 3, 4, -9}, 23}, {0, {1, 2, 3, 4, -9}, 23}}},

    // The read-ahead, which starts at the second read: the first fills the buffer.
    {"a Short read after Full reads", numbered_lines(F, 8), F,
     {{5, {1, 1, 1, 1, 1}, 29}, {5, {2, 2, 2, 2, 2}, 58}, {4, {3, 3, 3, 3, 2}, 81, S}, {0, {3, 3, 3, 3, 2}, 81}}},
    {"Short reads keep P", numbered_lines(S, 8), S,
     {{4, {1, 1, 1, 1, -9}, 24}, {4, {2, 2, 2, 2, -9}, 48}, {4, {3, 3, 3, 3, -9}, 72}}},

    window_case(F),
    window_case(S),
    window_case(F, 40),
    window_case(S, 40),

    // Numbers.
    {"signs and leading zeros", "L:-007, CPU:+1.5, B:-0, MCPU:-.5, P:+0010\n", F,
     {{5, {-7, 1.5, -0.0F, -0.5, 10}, 42}}},
    {"exponents and bare points", "L:1, CPU:1.e2, B:.5E-1, MCPU:2.5e+1, P:1\n", F, {{5, {1, 100, 0.05F, 25, 1}, 41}}},
    {"an exponent mark without digits", "L:1, CPU:2e, B:3e+, MCPU:4E-, P:5\n", F, {{5, {1, 2, 3, 4, 5}, 34}}},
    {"exponents as %e writes them, the last closing a record",
     "L:1, CPU:2.5e-01, B:-4.0E+00, MCPU:1.25e1\nL:2, CPU:1e0005, B:5e-1, MCPU:7.5e+000", S,
     {{4, {1, 0.25, -4, 12.5, -9}, 42}, {4, {2, 100000, 0.5, 7.5, -9}, 80}}},
    {"a second point or exponent ends the number", "L:1, CPU:1.5.3", F, {{2, {1, 1.5, -9, -9, -9}, 12}}},
    {"an exponent after 63 digits, its digits past the window's first mask",
     "L:1, CPU:1, B:1, MCPU:1\nL:2, CPU:0." + std::string(62, '5') + "e-2, B:1, MCPU:1\n" +
         "L:3, CPU:1, B:1, MCPU:1\nL:3, CPU:1, B:1, MCPU:1\nL:3, CPU:1, B:1, MCPU:1\nL:3, CPU:1, B:1, MCPU:1\n", S,
     {{4, {1, 1, 1, 1, -9}, 24}, {4, {2, 0.00555555569F, 1, 1, -9}, 114}}},
    {"a lone point is consumed", "L:1, CPU:., B:3", F, {{1, {1, -9, -9, -9, -9}, 10}, {0, {1, -9, -9, -9, -9}, 10}}},
    {"a point before an exponent mark", "L:1, CPU:.e1", F, {{1, {1, -9, -9, -9, -9}, 10}}},
    {"a minus and a point", "L:1, CPU:-., B:3", F, {{1, {1, -9, -9, -9, -9}, 11}}},
    {"a lone point in a plain record",
     "L:1, CPU:0.5, B:., MCPU:0.5, P:1000\nL:1, CPU:0.5, B:1, MCPU:0.5, P:1000\nL:1, CPU:0.5, B:1, MCPU:0.5, P:1000\n", F,
     {{2, {1, 0.5, -9, -9, -9}, 17}, {0, {1, 0.5, -9, -9, -9}, 17}}},
    {"a lone sign is consumed", "L:-x", F, {{0, kStart, 3}}},

    // End of input.
    {"an empty log", "", F, {{-1, kStart, 0}}},
    {"end after a tag", "L", F, {{-1, kStart, 1}}},
    {"end after a colon", "L:", F, {{-1, kStart, 2}}},
    {"end in white space before the first number", "L: \n", F, {{-1, kStart, 4}}},
    {"end after a sign", "L:-", F, {{0, kStart, 3}}},
    {"end after the first field", "L:1,", F, {{1, {1, -9, -9, -9, -9}, 4}}},
    {"end after MCPU", "L:1, CPU:2, B:3, MCPU:4", F, {{4, {1, 2, 3, 4, -9}, 23}, {-1, {1, 2, 3, 4, -9}, 23}}},

    // inf and nan.
    {"inf, infinity and nan in any case, with signs", "L:1, CPU:inf, B:-Infinity, MCPU:NaN, P:1\n", F,
     {{5, {1, kInf, -kInf, kNaN, 1}, 41}}},
    {"a negative nan keeps its sign", "L:1, CPU:-nan, B:+INF, MCPU:0", S, {{4, {1, -kNaN, kInf, 0, -9}, 29}}},
    {"text past the word inf", "L:1, CPU:infinite", F, {{2, {1, kInf, -9, -9, -9}, 12}}},
    {"text past nan", "L:1, CPU:nan(1)", F, {{2, {1, kNaN, -9, -9, -9}, 12}}},
    {"a partial word", "L:1, CPU:inx", F, {{1, {1, -9, -9, -9, -9}, 11}}},
    {"a partial word after a sign", "L:1, CPU:-nx", F, {{1, {1, -9, -9, -9, -9}, 11}}},
    {"a partial word at the end", "L:1, CPU:infin", F, {{2, {1, kInf, -9, -9, -9}, 12}}},

    // Other numbers decided on purpose.
    {"hexadecimal: the x ends the number", "L:1, CPU:0x1p3, B:3, MCPU:4, P:5\n", F,
     {{2, {1, 0, -9, -9, -9}, 10}, {0, {1, 0, -9, -9, -9}, 10}}},
    {"beyond single precision", "L:1, CPU:1e39, B:-1e39, MCPU:1e-50, P:1\n", F, {{5, {1, kInf, -kInf, 0, 1}, 40}}},
    {"a subnormal", "L:1, CPU:1e-45, B:-1e-40, MCPU:0", S, {{4, {1, 1e-45F, -1e-40F, 0, -9}, 32}}},
    {"L at the bounds of 32 bits", "L:2147483647, CPU:0, B:0, MCPU:0\nL:-2147483648, CPU:0, B:0, MCPU:0\n", S,
     {{4, {2147483647, 0, 0, 0, -9}, 33}, {4, {-2147483647 - 1, 0, 0, 0, -9}, 67}}},
    {"L above 32 bits", "L:2147483648, CPU:0, B:0, MCPU:0\n", S, {{0, kStart, 12}, {0, kStart, 12}}},
    {"L below 32 bits", "L:-2147483649, CPU:0, B:0, MCPU:0\n", S, {{0, kStart, 13}}},
    {"L far beyond 64 bits", "L:123456789012345678901234567890, CPU:0", S, {{0, kStart, 32}}},
    {"P beyond 32 bits: the previous period, the last sample",
     "L:1, CPU:2, B:3, MCPU:4, P:5\nL:1, CPU:2, B:3, MCPU:4, P:2147483648\nL:1, CPU:1, B:1, MCPU:1, P:1\n", F,
     {{5, {1, 2, 3, 4, 5}, 29}, {4, {1, 2, 3, 4, 5}, 66}, {0, {1, 2, 3, 4, 5}, 66}}},
    {"P at the bounds of 32 bits", "L:1, CPU:2, B:3, MCPU:4, P:-2147483648\nL:1, CPU:2, B:3, MCPU:4, P:2147483647", F,
     {{5, {1, 2, 3, 4, -2147483647 - 1}, 39}, {5, {1, 2, 3, 4, 2147483647}, 76}}},

    // Bytes that are no text.
    {"a NUL byte in a number", std::string("L:1, CPU:2\0, B:3", 16), F, {{2, {1, 2, -9, -9, -9}, 10}}},
    {"bytes above 127", "L:1, CPU:\xff\xfe", F, {{1, {1, -9, -9, -9, -9}, 9}}},
};
// clang-format on

class ReadSampleCases : public EveryInstructionSet {};

TEST_P(ReadSampleCases, EveryBlockSize)
{
    const InstructionSet set = GetParam();
    std::vector<Case> cases = kCases;
    for (Case& c : batch_cases())
        cases.push_back(std::move(c));
    for (const Case& c : cases) {
        for (const std::size_t block : kBlockSizes) {
            SCOPED_TRACE(std::string(c.name) + ", blocks of " + std::to_string(block) + ", " + name_of(set));
            LogStream stream = text_stream(c.input, block, set);
            AppData record = kStart;
            for (std::size_t i = 0; i < c.reads.size(); ++i) {
                SCOPED_TRACE("read " + std::to_string(i + 1));
                const Read& want = c.reads[i];
                EXPECT_EQ(read_sample(stream, want.pattern.value_or(c.pattern), record), want.result);
                EXPECT_TRUE(same_bits(record, want.record)) << show(record) << " wanted " << show(want.record);
                EXPECT_EQ(stream.offset(), want.next);
            }
            EXPECT_EQ(stream.error(), 0);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sets, ReadSampleCases, testing::ValuesIn(kEveryInstructionSet), set_name);

// The cases above read with each set's own code: were two offered sets to
// share one read, they would test it twice and the other not at all.
TEST(ReadSample, EachSetHasItsOwnRead)
{
    const auto sets = offered_instruction_sets();
    for (std::size_t i = 0; i < sets.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            EXPECT_NE(read_of(sets[i]), read_of(sets[j])) << name_of(sets[i]) << " and " << name_of(sets[j]);
}

}  // namespace
