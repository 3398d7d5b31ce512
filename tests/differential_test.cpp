// The reader against the C library's fscanf with the same pattern, on
// generated logs: well-formed lines, every reformatting the format allows,
// damaged P parts and random edits; and logger output with rare edits.
// After every read both must agree on the result, every field of the record
// and the offset of the next read.
//
// Each log is compared up to the first place where the reader differs from
// the C library on purpose (integers beyond 32 bits, hexadecimal numbers,
// partial spellings of inf and nan); the reader's own tests cover those.

#include "logformat/instruction_set.hpp"
#include "logformat/read_sample.hpp"
#include "tests/support/deliberate_differences.hpp"
#include "tests/support/fscanf_record.hpp"
#include "tests/support/instruction_sets.hpp"
#include "tests/support/log_generator.hpp"
#include "tests/support/log_lines.hpp"
#include "tests/support/records.hpp"
#include "tests/support/text_stream.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

using namespace logformat;

namespace {

// Reads `text` with `pattern` in blocks of `block` bytes, with the
// instruction set `set`, and with fscanf: after every read both agree, up
// to `compared_until`. Counts the samples compared in `samples`.
void expect_matches_fscanf(const std::string& text, std::size_t compared_until, LogPattern pattern, std::size_t block,
                           InstructionSet set, int& samples)
{
    std::FILE* c_file = open_text(text);
    LogStream stream = text_stream(text, block, set);
    AppData c{-9, -9, -9, -9, -9};
    AppData ours{-9, -9, -9, -9, -9};
    for (int read = 1;; ++read) {
        const int want = fscanf_record(c_file, pattern, c);
        const int got = read_sample(stream, pattern, ours);
        // Past a deliberate difference on both sides, the reads may differ.
        if (stream.offset() > compared_until && static_cast<std::uint64_t>(std::ftell(c_file)) > compared_until)
            break;
        ASSERT_EQ(got, want) << "read " << read;
        ASSERT_TRUE(same_bits(ours, c)) << "read " << read;
        ASSERT_EQ(static_cast<long>(stream.offset()), std::ftell(c_file)) << "read " << read;
        if (is_sample(got))
            ++samples;
        if (got <= 0)
            break;
    }
    std::fclose(c_file);
}

// runtally-table's read against runtally-check's on `text`: the same
// results, records and offsets; a record is noted complete alike, and one
// that is not is noted as broken off at the same place.
void expect_breaks_as_noted(const std::string& text, LogPattern pattern, InstructionSet set)
{
    LogStream noted = text_stream(text, BlockBuffer::kBlockSize, set);
    LogStream breaks = text_stream(text, BlockBuffer::kBlockSize, set);
    noted.count_lines();
    breaks.count_lines();
    AppData by_noted{-9, -9, -9, -9, -9};
    AppData by_breaks = by_noted;
    ReadNotes notes;
    ReadNotes break_notes;  // one for every read, as runtally-table keeps them
    for (int read = 1;; ++read) {
        const int want = read_sample(noted, pattern, by_noted, notes);
        ASSERT_EQ(read_sample_noting_breaks(breaks, pattern, by_breaks, break_notes), want) << "read " << read;
        ASSERT_TRUE(same_bits(by_breaks, by_noted)) << "read " << read;
        ASSERT_EQ(breaks.offset(), noted.offset()) << "read " << read;
        ASSERT_EQ(break_notes.complete, notes.complete) << "read " << read;
        if (!notes.complete) {
            ASSERT_EQ(break_notes.stop.element, notes.stop.element) << "read " << read;
            ASSERT_EQ(break_notes.stop.part, notes.stop.part) << "read " << read;
            ASSERT_EQ(break_notes.stop.at.line, notes.stop.at.line) << "read " << read;
            ASSERT_EQ(break_notes.stop.at.column, notes.stop.at.column) << "read " << read;
        }
        if (want <= 0)
            break;
    }
}

const char* name_of(LogPattern pattern)
{
    return pattern == LogPattern::Full ? "Full" : "Short";
}

const char* name_of(NumberForm form)
{
    switch (form) {
    case NumberForm::Logger: return "logger";
    case NumberForm::Scientific: return "scientific";
    case NumberForm::Shortest: return "shortest";
    case NumberForm::Long: return "long";
    }
    return "?";
}

// Each log is read with one instruction set in turn, every set offered.
TEST(Differential, ReaderMatchesFscanf)
{
    LogGenerator generator(42);
    std::mt19937_64 rng(43);
    const auto sets = offered_instruction_sets();
    int compared = 0;
    int samples = 0;
    for (int n = 0; n < 10000; ++n) {
        const std::string text = generator.log();
        const std::size_t compared_until = first_deliberate_difference(text);
        compared += compared_until == text.size() ? 1 : 0;
        const InstructionSet set = sets[static_cast<std::size_t>(n) % sets.size()];
        for (const LogPattern pattern : {LogPattern::Full, LogPattern::Short}) {
            const std::size_t block = kBlockSizes[rng() % std::size(kBlockSizes)];
            SCOPED_TRACE("log " + std::to_string(n) + ", " + name_of(pattern) + ", blocks of " + std::to_string(block) +
                         ", " + name_of(set) + ":\n" + text);
            ASSERT_NO_FATAL_FAILURE(expect_matches_fscanf(text, compared_until, pattern, block, set, samples));
        }
    }
    EXPECT_GT(compared, 7000);  // logs compared whole
    EXPECT_GT(samples, 25000);
}

// The logs the window is built for: lines as loggers write them, in both of
// the benchmark's forms (mostly %f; %e and %.9g), with a rare random edit and
// a few numbers' ends edited, each read whole in one block with every
// instruction set offered; and read as runtally-table reads, against
// runtally-check's reads.
TEST(Differential, LoggerOutputMatchesFscanf)
{
    LogGenerator damage(45);
    std::mt19937_64 rng(46);
    int samples = 0;
    for (const NumberForm form : {NumberForm::Logger, NumberForm::Scientific, NumberForm::Shortest, NumberForm::Long}) {
        for (const LogPattern pattern : {LogPattern::Full, LogPattern::Short}) {
            for (int n = 0; n < 100; ++n) {
                LineMaker maker = make_line_maker(pattern, form, rng());
                std::string text = make_log(maker, 2000 + rng() % 30000);
                damage.damage(text, static_cast<int>(rng() % (text.size() / 4000 + 1)));
                // And a number's end made into another number, or none, or a
                // whole number into one without a digit: what a batch of four
                // records reads with bit operations alone.
                static const char* const kNumberEnds[] = {"e", "E+", ".", "-", ".5", "e5.", "e-", "5e", "e1e1", "+"};
                static const char* const kNoDigits[] = {"-", ".", "-.", "e5", "-e"};
                // And numbers that stay plain, which the batches read among the
                // logger's: more digits, an exponent, a minus.
                static const char* const kPlainEnds[] = {"0", "00000000", "5e-3", "E+2", "e00"};
                for (int k = static_cast<int>(rng() % 16); k > 0; --k)
                    if (const std::size_t at = text.find_first_of(",\n", rng() % text.size());
                        at != std::string::npos) {
                        const std::size_t colon = text.rfind(':', at);
                        const char tag = colon != std::string::npos && colon > 0 ? text[colon - 1] : ' ';
                        const bool real = tag == 'U' || tag == 'B';  // CPU, B, MCPU
                        if (rng() % 3 == 0 && colon != std::string::npos)
                            text.insert(colon + 1, "-");
                        else if (real)  // L and P stay within 32 bits, without an exponent
                            text.insert(at, kPlainEnds[rng() % std::size(kPlainEnds)]);
                    }
                // In the last quarter, so that most of the log is compared.
                for (int k = static_cast<int>(rng() % 4); k > 0; --k)
                    if (const std::size_t at =
                            text.find_first_of(",\n", text.size() / 4 * 3 + rng() % (text.size() / 4));
                        at != std::string::npos) {
                        if (const std::size_t colon = text.rfind(':', at); rng() % 4 == 0 && colon != std::string::npos)
                            text.replace(colon + 1, at - colon - 1, kNoDigits[rng() % std::size(kNoDigits)]);
                        else
                            text.insert(at, kNumberEnds[rng() % std::size(kNumberEnds)]);
                    }
                const std::size_t compared_until = first_deliberate_difference(text);
                for (const InstructionSet set : offered_instruction_sets()) {
                    SCOPED_TRACE("log " + std::to_string(n) + ", " + name_of(form) + ", " + name_of(pattern) + ", " +
                                 name_of(set) + ":\n" + text);
                    ASSERT_NO_FATAL_FAILURE(
                        expect_matches_fscanf(text, compared_until, pattern, BlockBuffer::kBlockSize, set, samples));
                    ASSERT_NO_FATAL_FAILURE(expect_breaks_as_noted(text, pattern, set));
                }
            }
        }
    }
    EXPECT_GT(samples, 50000 * static_cast<int>(offered_instruction_sets().size()));
}

// The window against the character rules alone, on all generated logs,
// those that differ from the C library on purpose included: blocks of 16
// bytes never leave the 128 bytes the window needs. Each instruction set
// reads every log. A read that tells its notes, as runtally-check's do,
// reads the same, and so does runtally-table's.
class WindowMatchesCharacterRules : public EveryInstructionSet {};

TEST_P(WindowMatchesCharacterRules, GeneratedLogs)
{
    const InstructionSet set = GetParam();
    LogGenerator generator(99);
    int samples = 0;
    for (int n = 0; n < 10000; ++n) {
        const std::string text = generator.log();
        for (const LogPattern pattern : {LogPattern::Full, LogPattern::Short}) {
            SCOPED_TRACE("log " + std::to_string(n) + (pattern == LogPattern::Full ? ", Full, " : ", Short, ") +
                         name_of(set) + ":\n" + text);
            LogStream rules = text_stream(text, 16, set);
            LogStream window = text_stream(text, BlockBuffer::kBlockSize, set);
            LogStream noted = text_stream(text, BlockBuffer::kBlockSize, set);
            noted.count_lines();
            AppData by_rules{-9, -9, -9, -9, -9};
            AppData by_window = by_rules;
            AppData by_noted = by_rules;
            ReadNotes notes;
            for (int read = 1;; ++read) {
                const int want = read_sample(rules, pattern, by_rules);
                ASSERT_EQ(read_sample(window, pattern, by_window), want) << "read " << read;
                ASSERT_TRUE(same_bits(by_window, by_rules)) << "read " << read;
                ASSERT_EQ(window.offset(), rules.offset()) << "read " << read;
                ASSERT_EQ(read_sample(noted, pattern, by_noted, notes), want) << "read " << read;
                ASSERT_TRUE(same_bits(by_noted, by_rules)) << "read " << read;
                ASSERT_EQ(noted.offset(), rules.offset()) << "read " << read;
                ASSERT_EQ(notes.complete, want == static_cast<int>(elements_of(pattern).size())) << "read " << read;
                samples += is_sample(want) ? 1 : 0;
                if (want <= 0)
                    break;
            }
            ASSERT_NO_FATAL_FAILURE(expect_breaks_as_noted(text, pattern, set));
        }
    }
    EXPECT_GT(samples, 15000);
}

INSTANTIATE_TEST_SUITE_P(Sets, WindowMatchesCharacterRules, testing::ValuesIn(kEveryInstructionSet), set_name);

}  // namespace
