// Every finite float read back as strtof reads it, bit for bit: each one
// printed as the shortest decimal that reads back to it (std::to_chars, up
// to 9 digits, from 1e-45 to 3.4028235e38, so every power of ten a float
// has), with a minus and without, and the double halfway to the next float
// printed in 17 digits, as a double's shortest decimal may be written: the
// hardest place for a conversion, within a unit of its 17th digit of a
// rounding boundary. The numbers are read as records of a log, so that they
// take the paths the programs take with the stream's instruction set (the
// widest the build and the processor offer): the batch, the window, the
// character rules with the fast, Eisel-Lemire and exact conversions.
//
//   every_float_test [STEP]
//
// checks every STEP-th float (1, every one, by default), on as many threads
// as the processor has, and prints the first differences it finds; its
// status is 1 if there is any.

#include "logformat/instruction_set.hpp"
#include "logformat/read_sample.hpp"
#include "tests/support/text_stream.hpp"

#include <algorithm>
#include <atomic>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace logformat;

namespace {

// The non-negative finite floats: their bits from 0 to those of the largest.
constexpr std::uint32_t kFloats = 0x7F800000;
// Floats checked by one log of a thread.
constexpr std::uint32_t kFloatsPerLog = 1 << 16;
// Differences printed at most.
constexpr int kShown = 20;

std::uint32_t bits(float f)
{
    return std::bit_cast<std::uint32_t>(f);
}

// The double halfway between f and the next float up (the largest float's
// is halfway to 2^128): a float midpoint, exact as a double.
double midpoint_above(float f)
{
    const float next = bits(f) == 0x7F7FFFFF ? std::numeric_limits<float>::infinity()
                                             : std::nextafter(f, std::numeric_limits<float>::infinity());
    return std::isinf(next) ? 0x1.ffffffp127 : (static_cast<double>(f) + static_cast<double>(next)) / 2;
}

struct Results {
    std::atomic<std::uint64_t> numbers{0};
    std::atomic<std::uint64_t> differences{0};
    std::mutex shown;
};

// The three numbers of a record and the floats strtof gives them.
struct Texts {
    char numbers[3][40];
};

void report(Results& results, const char* text, float got, float want)
{
    if (results.differences++ >= kShown)
        return;
    const std::lock_guard<std::mutex> lock(results.shown);
    std::printf("FAIL: %s read as %a (bits %08x), strtof gives %a (bits %08x)\n", text, static_cast<double>(got),
                bits(got), static_cast<double>(want), bits(want));
}

// The floats with bits first, first + step, ... below last, as one log.
void check_log(std::uint32_t first, std::uint32_t last, std::uint32_t step, Results& results)
{
    std::vector<Texts> texts;
    std::string log;
    for (std::uint64_t b = first; b < last; b += step) {
        const float f = std::bit_cast<float>(static_cast<std::uint32_t>(b));
        Texts t{};
        *std::to_chars(t.numbers[0], t.numbers[0] + 39, f).ptr = '\0';
        *std::to_chars(t.numbers[1], t.numbers[1] + 39, midpoint_above(f), std::chars_format::general, 17).ptr =
            '\0';  // as %.17g writes it
        *std::to_chars(t.numbers[2], t.numbers[2] + 39, -f).ptr = '\0';
        log.append("L:0, CPU:").append(t.numbers[0]).append(", B:").append(t.numbers[1]);
        log.append(", MCPU:").append(t.numbers[2]).append("\n");
        texts.push_back(t);
    }
    LogStream stream = text_stream(log);
    AppData record;
    for (const Texts& t : texts) {
        if (read_sample(stream, LogPattern::Short, record) != 4) {
            report(results, t.numbers[0], std::numeric_limits<float>::quiet_NaN(), 0);
            return;
        }
        const float got[] = {record.CPU, record.B, record.MCPU};
        for (int i = 0; i < 3; ++i)
            if (const float want = std::strtof(t.numbers[i], nullptr); bits(got[i]) != bits(want))
                report(results, t.numbers[i], got[i], want);
    }
    results.numbers += 3 * texts.size();
}

}  // namespace

int main(int argc, char** argv)
{
    const long step = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 1;
    if (argc > 2 || step < 1 || step > kFloats) {
        std::fputs("usage: every_float_test [STEP]\n", stderr);
        return 2;
    }
    const auto stride = static_cast<std::uint32_t>(step);
    Results results;
    std::atomic<std::uint32_t> next_log{0};
    // Each log starts at a multiple of the step, so that together they
    // check the floats a single run of the step would.
    const std::uint32_t span = kFloatsPerLog * stride;
    const auto logs = static_cast<std::uint32_t>((std::uint64_t{kFloats} + span - 1) / span);
    const unsigned threads = std::max(1U, std::thread::hardware_concurrency());
    std::vector<std::thread> workers;
    for (unsigned t = 0; t < threads; ++t)
        workers.emplace_back([&] {
            for (std::uint32_t n; (n = next_log++) < logs;) {
                const std::uint64_t first = std::uint64_t{n} * span;
                check_log(static_cast<std::uint32_t>(first),
                          static_cast<std::uint32_t>(std::min<std::uint64_t>(first + span, kFloats)), stride, results);
            }
        });
    for (std::thread& w : workers)
        w.join();
    std::printf("%llu numbers of %llu floats read with %s, %llu differences from strtof\n",
                static_cast<unsigned long long>(results.numbers.load()),
                static_cast<unsigned long long>(results.numbers.load() / 3), name_of(widest_offered()),
                static_cast<unsigned long long>(results.differences.load()));
    return results.differences == 0 ? 0 : 1;
}
