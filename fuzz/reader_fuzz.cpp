// The reader against the C library's fscanf, for libFuzzer.
//
// Input: one selector byte, then the bytes of a log, read once with each
// instruction set the processor offers. Bit 0 of the selector picks the
// pattern (0 Full, 1 Short); the other seven bits pick the block size the
// stream reads with, mostly 1 to 16 so that records cross the end of the
// buffer at every place, sometimes larger, sometimes the default.
//
// Both read the same bytes, each from its own in-memory stream, read after
// read, from the same starting record. After every read the result, the five
// fields (bit for bit) and the offset of the next read must agree; the first
// difference is described on stderr and the run aborts.
//
// The reader differs from the C library on purpose in three places: a
// floating number that begins with a partial spelling of inf, infinity or
// nan, a hexadecimal floating number, and an integer outside 32 bits. These
// are only ever met by the conversion that follows a colon of the pattern,
// so the first such colon in the log bounds the comparison: reads are
// compared until one has taken that colon; from there on only the reader
// runs, for crashes, undefined behaviour, hangs and its own invariants.
// A third stream reads the same bytes as runtally-check does, telling its
// notes and counting lines, and must read exactly as the plain reads do.

#include "common/quoted.hpp"
#include "logformat/instruction_set.hpp"
#include "logformat/read_sample.hpp"
#include "tests/support/deliberate_differences.hpp"
#include "tests/support/fscanf_record.hpp"
#include "tests/support/records.hpp"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

using namespace logformat;

namespace {

// No log needs more reads than it has bytes; this only bounds a runaway loop.
constexpr int kMaxReads = 100000;

struct Setup {
    LogPattern pattern;
    std::size_t block;
};

Setup choose(std::uint8_t selector)
{
    // Block sizes around the powers of two, and a few odd ones.
    constexpr std::size_t kMidSizes[] = {17, 23, 31, 32, 33, 63, 64, 65, 100, 127, 128, 255, 256, 1000, 1024, 4096};
    const LogPattern pattern = (selector & 1) != 0 ? LogPattern::Short : LogPattern::Full;
    const unsigned k = selector >> 1U;  // 0 to 127
    std::size_t block = BlockBuffer::kBlockSize;
    if (k < 96)
        block = 1 + k % 16;
    else if (k < 112)
        block = kMidSizes[k - 96];
    return {pattern, block};
}

void print_record(const char* who, int result, const AppData& r, long offset)
{
    std::fprintf(stderr,
                 "  %-6s result %2d  L %d  CPU %.9g (%08x)  B %.9g (%08x)  MCPU %.9g (%08x)  P %d  next offset %ld\n",
                 who, result, r.L, static_cast<double>(r.CPU), std::bit_cast<std::uint32_t>(r.CPU),
                 static_cast<double>(r.B), std::bit_cast<std::uint32_t>(r.B), static_cast<double>(r.MCPU),
                 std::bit_cast<std::uint32_t>(r.MCPU), r.P, offset);
}

[[noreturn]] void fail(const char* what, const Setup& setup, InstructionSet set, std::string_view log, int read,
                       std::uint64_t start)
{
    constexpr std::size_t kShown = 2048;
    std::fprintf(stderr, "\nreader_fuzz: %s\n  pattern %s, blocks of %zu bytes, %s, read %d starting at offset %llu\n",
                 what, setup.pattern == LogPattern::Full ? "Full" : "Short", setup.block, name_of(set), read,
                 static_cast<unsigned long long>(start));
    std::fprintf(stderr, "  log (%zu bytes):\n", log.size());
    std::fprintf(stderr, "%s%s\n", quoted(log.substr(0, kShown)).c_str(), log.size() > kShown ? "..." : "");
    std::abort();
}

// Reads the log with the instruction set `set` and compares, the reads up to
// the first deliberate difference at `compared_until` with fscanf.
void read_and_compare(const Setup& setup, InstructionSet set, char* bytes, std::string_view log,
                      std::size_t compared_until)
{
    const auto most_fields = static_cast<int>(elements_of(setup.pattern).size());

    std::FILE* c_file = fmemopen(bytes, log.size(), "r");
    std::FILE* our_file = fmemopen(bytes, log.size(), "r");
    std::FILE* noted_file = fmemopen(bytes, log.size(), "r");
    if (c_file == nullptr || our_file == nullptr || noted_file == nullptr) {
        std::perror("reader_fuzz: fmemopen");
        std::abort();
    }
    LogStream stream(our_file, setup.block, set);
    // The same bytes read as runtally-check reads them, with notes and lines
    // counted: every read must give the same as the plain one.
    LogStream noted(noted_file, setup.block, set);
    noted.count_lines();
    ReadNotes notes;

    // Start values no read of a short log produces: a field a read wrongly
    // stores, or wrongly leaves alone, shows.
    const float start_value = std::bit_cast<float>(std::uint32_t{0x7fedcba9});  // a quiet NaN with a payload
    const AppData start{-123456789, start_value, start_value, start_value, -987654321};
    AppData ours = start;
    AppData theirs = start;
    AppData by_noted = start;
    bool comparing = true;

    for (int read = 1; read <= kMaxReads; ++read) {
        const std::uint64_t before = stream.offset();
        const int got = read_sample(stream, setup.pattern, ours);
        const std::uint64_t after = stream.offset();

        // What holds whatever the log.
        if (got < -1 || got > most_fields)
            fail("result out of range", setup, set, log, read, before);
        if (after < before || after > log.size())
            fail("offset out of range", setup, set, log, read, before);
        if (got > 0 && after == before)
            fail("a read stored fields without consuming input", setup, set, log, read, before);
        if (stream.error() != 0)
            fail("read fault on an in-memory stream", setup, set, log, read, before);
        if (read_sample(noted, setup.pattern, by_noted, notes) != got || !same_bits(by_noted, ours) ||
            noted.offset() != after)
            fail("a read with notes differs from the read without", setup, set, log, read, before);
        if (notes.complete != (got == most_fields) || notes.value_count > static_cast<std::size_t>(most_fields))
            fail("notes that do not fit the read", setup, set, log, read, before);

        if (comparing) {
            const int want = fscanf_record(c_file, setup.pattern, theirs);
            const long c_after = std::ftell(c_file);
            // Past the first colon before a deliberate difference, on both
            // sides, the read may have met it: stop comparing there.
            const bool may_differ =
                after > compared_until && c_after >= 0 && static_cast<std::uint64_t>(c_after) > compared_until;
            if (may_differ) {
                comparing = false;
            } else if (got != want || !same_bits(ours, theirs) || c_after < 0 ||
                       static_cast<std::uint64_t>(c_after) != after) {
                std::fprintf(stderr, "\nreader_fuzz: the reader and fscanf disagree\n");
                print_record("reader", got, ours, static_cast<long>(after));
                print_record("fscanf", want, theirs, c_after);
                fail("mismatch", setup, set, log, read, before);
            }
        }
        if (got <= 0)
            break;
    }
    std::fclose(c_file);
}

}  // namespace

// Every input is read once with each instruction set the processor offers.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const Setup setup = choose(data[0]);
    // fmemopen only reads the buffer in mode "r".
    char* bytes = const_cast<char*>(reinterpret_cast<const char*>(data + 1));
    const std::string_view log(bytes, size - 1);
    const std::size_t compared_until = first_deliberate_difference(log);
    for (const InstructionSet set : offered_instruction_sets())
        read_and_compare(setup, set, bytes, log, compared_until);
    return 0;
}
