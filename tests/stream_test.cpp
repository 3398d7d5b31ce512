// The reader's stream, beyond the case table: the read-ahead where the
// stream moves between reads, line positions, numbers and white space
// longer than the buffer, the notes of changed values, read faults and logs
// that cannot be opened, the instruction sets a stream can read with.

#include "common/log_moves.hpp"
#include "logformat/instruction_set.hpp"
#include "logformat/read_sample.hpp"
#include "tests/support/instruction_sets.hpp"
#include "tests/support/records.hpp"
#include "tests/support/text_stream.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

using namespace logformat;

namespace {

constexpr LogPattern F = LogPattern::Full;
constexpr LogPattern S = LogPattern::Short;

// The record before the first read: fields no read has stored show -9.
constexpr AppData kStart{-9, -9, -9, -9, -9};

// A read takes a sample read ahead only where the last one left the stream:
// after any other move of the stream, and after closing it, the samples
// read ahead go unused.
TEST(ReadSample, ReadAheadOnlyWhereItLeftTheStream)
{
    const std::string text = numbered_lines(F, 12);
    LogStream stream = text_stream(text);
    AppData record;
    ASSERT_EQ(read_sample(stream, F, record), 5);
    ASSERT_EQ(read_sample(stream, F, record), 5);
    skip_line(stream);
    EXPECT_EQ(stream.offset(), 87U);
    ASSERT_EQ(read_sample(stream, F, record), 5);
    EXPECT_EQ(record.L, 4);
    stream.close();
    EXPECT_EQ(read_sample(stream, F, record), -1);
}

// Positions come from the line count, which a stream keeps only when asked
// to, and keeps through close().
TEST(ReadSample, PositionsOfUncountedAndClosedStreams)
{
    const std::string text = numbered_lines(F, 12);
    AppData record;
    LogStream uncounted = text_stream(text);
    ASSERT_EQ(read_sample(uncounted, F, record), 5);
    EXPECT_EQ(uncounted.position_of(uncounted.offset()).line, 0U);
    LogStream counted = text_stream(text);
    counted.count_lines();
    ASSERT_EQ(read_sample(counted, F, record), 5);
    counted.close();
    EXPECT_EQ(counted.position_of(counted.offset()).line, 2U);
}

// Numbers and runs of white space far longer than any buffer read in the
// same fixed memory, with the exact value.
TEST(ReadSample, LongerThanTheBuffer)
{
    const std::string zeros(3 * BlockBuffer::kBlockSize, '0');
    const std::string blanks(3 * BlockBuffer::kBlockSize, ' ');
    const std::string lines(3 * BlockBuffer::kBlockSize, '\n');
    const std::string digits = std::string(1, '1').append(2 * BlockBuffer::kBlockSize, '7');
    const std::string input = "L:" + zeros + "42, CPU:0." + zeros + "15, B:" + blanks + "2.5e-" + zeros +
                              "1, MCPU:" + digits + "e-" + std::to_string(digits.size()) + ", P:7" + lines +
                              "L:1, CPU:1, B:1, MCPU:1, P:1";
    LogStream stream = text_stream(input);
    AppData record;
    EXPECT_EQ(read_sample(stream, F, record), 5);
    EXPECT_TRUE(
        same_bits(record, AppData{42, std::strtof(("0." + zeros + "15").c_str(), nullptr), 0.25F, 0.17777778F, 7}))
        << show(record);
    EXPECT_EQ(read_sample(stream, F, record), 5);
    EXPECT_EQ(stream.offset(), input.size());
}

// The values a decision changed, as a read with notes tells them, whichever
// route reads the record: the first read of a stream goes by the character
// rules; after a plain record, with a plain record after it that keeps 64
// bytes of data at the cursor, the window may take it.
TEST(ReadSample, NotesOfChangedValues)
{
    struct NoteCase {
        const char* name;
        std::string record;
        std::vector<Change> changes;
    };
    const NoteCase cases[] = {
        {"hexadecimal last in a record", "L:1, CPU:0.5, B:0.5, MCPU:0x1p3", {Change::Hexadecimal}},
        {"hexadecimal with a minus", "L:1, CPU:0.5, B:0.5, MCPU:-0x1", {Change::Hexadecimal}},
        {"an exponent mark without digits", "L:1, CPU:0.5, B:0.5, MCPU:2e+", {Change::ExponentWithoutDigits}},
        {"beyond single precision", "L:1, CPU:1e39, B:0.5, MCPU:0.5", {Change::BeyondFloat}},
        {"beyond it in 19 and 20 digits",
         "L:1, CPU:1.234567890123456789e39, B:1.2345678901234567890e39, MCPU:0.5",
         {Change::BeyondFloat, Change::BeyondFloat}},
        {"plain numbers with exponents", "L:1, CPU:5e-1, B:2.5E+00, MCPU:1e1", {}},
        {"below the smallest float", "L:1, CPU:0.5, B:1e-50, MCPU:-7e-46", {Change::ReadsAsZero, Change::ReadsAsZero}},
        {"sixty zeros, then a digit",
         "L:1, CPU:0.5, B:0." + std::string(60, '0') + "1, MCPU:0.5",
         {Change::ReadsAsZero}},
        {"zeros written as zeros, and the smallest float", "L:1, CPU:0e-50, B:-0.000, MCPU:1e-45", {}},
    };
    for (const NoteCase& c : cases) {
        for (const std::size_t block : kBlockSizes) {
            for (const bool second : {false, true}) {
                SCOPED_TRACE(std::string(c.name) + ", blocks of " + std::to_string(block) + (second ? ", second" : ""));
                const std::string input = (second ? "L:1, CPU:1, B:1, MCPU:1\n" : "") + c.record +
                                          "\nL:1, CPU:0.5, B:0.5, MCPU:0.5, P:1000000000, L:1, CPU:0.5\n";
                LogStream stream = text_stream(input, block);
                AppData record = kStart;
                ReadNotes notes;
                if (second) {
                    EXPECT_EQ(read_sample(stream, S, record, notes), 4);
                }
                notes = ReadNotes{};
                EXPECT_EQ(read_sample(stream, S, record, notes), 4);
                ASSERT_EQ(notes.value_count, c.changes.size());
                for (std::size_t i = 0; i < c.changes.size(); ++i)
                    EXPECT_EQ(notes.values[i].change, c.changes[i]);
            }
        }
    }
}

TEST(ReadSample, ReadFault)
{
    const std::string line = "L:1, CPU:2, B:3, MCPU:4, P:500000\n";  // 34 bytes
    const std::string text = line + line + line;
    struct FaultCase {
        std::size_t limit;
        int samples;
        std::int32_t last_p;
    };
    // A fault inside a record loses that record and nothing before it; a
    // fault met only in the white space after a record loses nothing.
    const FaultCase cases[] = {
        {0, 0, -9}, {10, 0, -9}, {33, 0, -9}, {34, 1, 500000}, {60, 1, 500000}, {67, 1, 500000}, {68, 2, 500000},
    };
    for (const FaultCase& c : cases) {
        for (const std::size_t block : kBlockSizes) {
            SCOPED_TRACE("fault after " + std::to_string(c.limit) + " bytes, blocks of " + std::to_string(block));
            FailingLog log{text, c.limit};
            LogStream stream(open_failing(log), block);
            AppData record = kStart;
            int samples = 0;
            int result = 0;
            while (is_sample(result = read_sample(stream, F, record)))
                ++samples;
            EXPECT_EQ(result, -1);
            EXPECT_EQ(samples, c.samples);
            EXPECT_EQ(record.P, c.last_p);
            EXPECT_EQ(stream.error(), EIO);
        }
    }
}

// A fault that sets no errno is an input/output error, whatever errno held
// before the read.
TEST(ReadSample, ReadFaultWithoutErrno)
{
    FailingLog log{"L:1, CPU:2, B:3, MCPU:4, P:5\n", 10, 0};
    LogStream stream(open_failing(log), 4);
    AppData record = kStart;
    errno = ENOTDIR;
    EXPECT_EQ(read_sample(stream, F, record), -1);
    EXPECT_EQ(stream.error(), EIO);
}

TEST(ReadSample, LogsThatCannotBeOpened)
{
    struct Unopened {
        const char* name;
        LogStream stream;
        int error;
    };
    Unopened cases[] = {
        {"a missing path", LogStream("/nonexistent/log"), ENOENT},
        {"a directory", LogStream("/"), EISDIR},
        {"no stream", LogStream(nullptr, 16), EINVAL},
    };
    for (Unopened& c : cases) {
        SCOPED_TRACE(c.name);
        AppData record = kStart;
        EXPECT_EQ(read_sample(c.stream, F, record), -1);
        EXPECT_EQ(c.stream.error(), c.error);
        EXPECT_TRUE(same_bits(record, kStart));
    }
}

// The sets offered: scalar first and always, narrowest first, none beyond
// the build's widest (RUNTALLY_WIDEST_SET); a stream made with a set that is
// not offered reads with the widest that is.
TEST(ReadSample, InstructionSetsOffered)
{
    const auto offered = offered_instruction_sets();
    ASSERT_FALSE(offered.empty());
    EXPECT_EQ(offered.front(), InstructionSet::Scalar);
    EXPECT_EQ(offered.back(), widest_offered());
    EXPECT_TRUE(std::is_sorted(offered.begin(), offered.end()) &&
                std::adjacent_find(offered.begin(), offered.end()) == offered.end());
    constexpr std::string_view kCaps[] = {"scalar", "sse2", "avx2", "avx512"};
    const auto widest_built = static_cast<std::size_t>(
        std::find(std::begin(kCaps), std::end(kCaps), RUNTALLY_WIDEST_SET) - std::begin(kCaps));
    ASSERT_LT(widest_built, std::size(kCaps));
    for (const InstructionSet set : kEveryInstructionSet) {
        SCOPED_TRACE(name_of(set));
        const bool listed = std::find(offered.begin(), offered.end(), set) != offered.end();
        EXPECT_EQ(is_offered(set), listed);
        EXPECT_TRUE(!listed || static_cast<std::size_t>(set) <= widest_built);
        EXPECT_EQ(text_stream("", 16, set).instruction_set(), listed ? set : widest_offered());
    }
}

}  // namespace
