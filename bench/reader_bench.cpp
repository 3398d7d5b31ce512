// The log reader alone, over generated logs held in memory: bytes per
// second of read_sample until the log ends, for each line pattern, for
// values written with %e and %.9g, as the shortest decimals of doubles and
// in long digit strings, with each instruction set the processor offers. With
// AVX2 and AVX-512 the reads of the plain logs go through each set's batch,
// four records at a time: read_sample/full/AVX2, read_sample/full/AVX512 and
// the others of those sets are their cases, against the window's with SSE2.
// A last case only counts the newlines of the same blocks, the floor under
// any matching. And the conversion alone: numbers per second of to_float on
// the shortest decimals of doubles (up to 17 digits, the fast conversion of
// long mantissas) and on the same times 10^-30 (the Eisel-Lemire
// conversion).
//
//   reader_bench [--benchmark_filter=REGEX] [other Google Benchmark options]

#include "logformat/conversion/to_float.hpp"
#include "logformat/instruction_set.hpp"
#include "logformat/log_stream.hpp"
#include "logformat/read_sample.hpp"
#include "tests/support/log_lines.hpp"
#include "tests/support/text_stream.hpp"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

using namespace logformat;

namespace {

constexpr std::size_t kLogBytes = 32 * 1024 * 1024;

struct BenchLog {
    LogPattern pattern;
    std::string text;
    std::uint64_t lines;  // every line is a sample
};

BenchLog make_bench_log(LogPattern pattern, NumberForm form, std::uint64_t seed)
{
    LineMaker maker = make_line_maker(pattern, form, seed);
    std::string text = make_log(maker, kLogBytes);
    return BenchLog{pattern, std::move(text), maker.lines};
}

void read_log(benchmark::State& state, const BenchLog& log, InstructionSet set)
{
    std::uint64_t samples = 0;
    for (auto _ : state) {
        std::FILE* file = open_text(log.text);
        if (file == nullptr) {
            state.SkipWithError("fmemopen failed");
            return;
        }
        LogStream stream(file, BlockBuffer::kBlockSize, set);
        AppData record;
        samples = 0;
        while (is_sample(read_sample(stream, log.pattern, record)))
            ++samples;
        benchmark::DoNotOptimize(record);
    }
    if (samples != log.lines)
        state.SkipWithError("the reader stopped before the end of the log");
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(log.text.size()));
    state.counters["samples/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * static_cast<double>(log.lines), benchmark::Counter::kIsRate);
}

// The floor under any reader: the same blocks from the same kind of stream,
// with only the newlines counted, as wc -l does.
void count_lines(benchmark::State& state, const BenchLog& log)
{
    std::vector<char> block(BlockBuffer::kBlockSize);
    for (auto _ : state) {
        std::FILE* file = open_text(log.text);
        if (file == nullptr) {
            state.SkipWithError("fmemopen failed");
            return;
        }
        std::uint64_t newlines = 0;
        for (std::size_t got; (got = std::fread(block.data(), 1, block.size(), file)) > 0;)
            newlines += static_cast<std::uint64_t>(std::count(block.data(), block.data() + got, '\n'));
        std::fclose(file);
        benchmark::DoNotOptimize(newlines);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(log.text.size()));
}

// Decimals as the character rules scan them: the shortest decimal of a
// random double in [0.3, 2.7), times 10^shift.
std::vector<Decimal> shortest_decimals(int shift)
{
    std::vector<Decimal> decimals;
    std::uint64_t state = 17;
    for (int i = 0; i < 1 << 16; ++i) {
        state = state * 6364136223846793005 + 1442695040888963407;
        const double value = 0.3 + 2.4 * static_cast<double>(state >> 11) * 0x1p-53;
        char text[32];
        const char* const end = std::to_chars(text, text + sizeof text, value).ptr;
        Decimal d;
        bool point = false;
        for (const char* c = text; c != end; ++c)
            if (*c == '.')
                point = true;
            else if (point)
                d.add_fraction_digit(*c - '0');
            else
                d.add_integer_digit(*c - '0');
        d.negative_exponent = shift < 0;
        for (const char digit : std::to_string(shift < 0 ? -shift : shift))
            d.add_exponent_digit(digit - '0');
        decimals.push_back(d);
    }
    return decimals;
}

void convert(benchmark::State& state, const std::vector<Decimal>& decimals)
{
    for (auto _ : state)
        for (const Decimal& d : decimals)
            benchmark::DoNotOptimize(to_float(d));
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(decimals.size()));
}

}  // namespace

int main(int argc, char* argv[])
{
    const BenchLog full = make_bench_log(LogPattern::Full, NumberForm::Logger, 1);
    const BenchLog short_log = make_bench_log(LogPattern::Short, NumberForm::Logger, 2);
    const BenchLog full_long = make_bench_log(LogPattern::Full, NumberForm::Long, 3);
    const BenchLog short_long = make_bench_log(LogPattern::Short, NumberForm::Long, 4);
    const BenchLog full_sci = make_bench_log(LogPattern::Full, NumberForm::Scientific, 5);
    const BenchLog short_sci = make_bench_log(LogPattern::Short, NumberForm::Scientific, 6);
    const BenchLog full_shortest = make_bench_log(LogPattern::Full, NumberForm::Shortest, 7);
    const BenchLog short_shortest = make_bench_log(LogPattern::Short, NumberForm::Shortest, 8);

    const std::pair<const char*, const BenchLog*> logs[] = {
        {"full", &full},
        {"short", &short_log},
        {"full_long_numbers", &full_long},
        {"short_long_numbers", &short_long},
        {"full_scientific", &full_sci},
        {"short_scientific", &short_sci},
        {"full_shortest", &full_shortest},
        {"short_shortest", &short_shortest},
    };
    // Every log with the widest instruction set first, then with each other one.
    const auto sets = offered_instruction_sets();
    for (auto set = sets.rbegin(); set != sets.rend(); ++set)
        for (const auto& [name, log] : logs)
            benchmark::RegisterBenchmark(
                ("read_sample/" + std::string(name) + "/" + name_of(*set)).c_str(),
                [log = log, set = *set](benchmark::State& state) { read_log(state, *log, set); })
                ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("floor/count_lines", [&full](benchmark::State& state) {
        count_lines(state, full);
    })->Unit(benchmark::kMillisecond);
    const std::vector<Decimal> shortest = shortest_decimals(0);
    const std::vector<Decimal> beyond = shortest_decimals(-30);
    benchmark::RegisterBenchmark("to_float/shortest", [&shortest](benchmark::State& state) {
        convert(state, shortest);
    })->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("to_float/shortest_e-30", [&beyond](benchmark::State& state) {
        convert(state, beyond);
    })->Unit(benchmark::kMicrosecond);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
