// The table of the reader's implementations: for each instruction set, the
// processor features its read is compiled for, which are the ones the
// processor must offer before a stream reads with it. The build switch
// RUNTALLY_SIMD (LOGFORMAT_SIMD to the compiler) is read here and nowhere
// else: without it, or away from x86-64, the table holds the scalar read
// alone.

#include "logformat/implementations.hpp"
#include "logformat/read_record.hpp"

#include <algorithm>
#include <cstddef>
#include <span>
#include <string_view>

namespace logformat {
namespace {

struct Implementation {
    InstructionSet set;
    // As the read's target attribute names them, comma-separated; the
    // processor must offer each.
    std::string_view features;
    ReadRecord read;
};

int read_scalar(BlockBuffer& bytes, ReadAhead& ahead, LogPattern pattern, AppData& record, ReadNotes* notes)
{
    return read_record<InstructionSet::Scalar>(bytes, ahead, pattern, record, notes);
}

}  // namespace
}  // namespace logformat

#if defined(__x86_64__) && defined(LOGFORMAT_SIMD)
#include "logformat/kernels_x86.hpp"

namespace logformat {
namespace {

[[gnu::target("sse2")]] int read_sse2(BlockBuffer& bytes, ReadAhead& ahead, LogPattern pattern, AppData& record,
                                      ReadNotes* notes)
{
    return read_record<InstructionSet::Sse2>(bytes, ahead, pattern, record, notes);
}

[[gnu::target("avx2,bmi,bmi2")]] int read_avx2(BlockBuffer& bytes, ReadAhead& ahead, LogPattern pattern,
                                               AppData& record, ReadNotes* notes)
{
    return read_record<InstructionSet::Avx2>(bytes, ahead, pattern, record, notes);
}

[[gnu::target("avx2,bmi,bmi2,avx512f,avx512bw,avx512vl,avx512dq,avx512vbmi,avx512vbmi2,avx512bitalg")]] int
read_avx512(BlockBuffer& bytes, ReadAhead& ahead, LogPattern pattern, AppData& record, ReadNotes* notes)
{
    return read_record<InstructionSet::Avx512>(bytes, ahead, pattern, record, notes);
}

// Each row's features, as its read's target attribute above names them.
constexpr Implementation kImplementations[] = {
    {InstructionSet::Scalar, "", read_scalar},
    {InstructionSet::Sse2, "sse2", read_sse2},
    {InstructionSet::Avx2, "avx2,bmi,bmi2", read_avx2},
    {InstructionSet::Avx512, "avx2,bmi,bmi2,avx512f,avx512bw,avx512vl,avx512dq,avx512vbmi,avx512vbmi2,avx512bitalg",
     read_avx512},
};

static_assert(kImplementations[static_cast<std::size_t>(InstructionSet::Avx2)].features == kAvx2BatchFeatures,
              "the AVX2 read is compiled for the features its batch is");
static_assert(kImplementations[static_cast<std::size_t>(InstructionSet::Avx512)].features == kAvx512BatchFeatures,
              "the AVX-512 read is compiled for the features its batch is");

// The features a row may name, each asked of the processor by its own name.
constexpr std::string_view kKnownFeatures[] = {"sse2",       "avx2",        "bmi",         "bmi2",
                                               "avx512f",    "avx512bw",    "avx512vl",    "avx512dq",
                                               "avx512vbmi", "avx512vbmi2", "avx512bitalg"};

bool processor_has(std::string_view feature)
{
    __builtin_cpu_init();
    if (feature == "sse2")
        return __builtin_cpu_supports("sse2");
    if (feature == "avx2")
        return __builtin_cpu_supports("avx2");
    if (feature == "bmi")
        return __builtin_cpu_supports("bmi");
    if (feature == "bmi2")
        return __builtin_cpu_supports("bmi2");
    if (feature == "avx512f")
        return __builtin_cpu_supports("avx512f");
    if (feature == "avx512bw")
        return __builtin_cpu_supports("avx512bw");
    if (feature == "avx512vl")
        return __builtin_cpu_supports("avx512vl");
    if (feature == "avx512dq")
        return __builtin_cpu_supports("avx512dq");
    if (feature == "avx512vbmi")
        return __builtin_cpu_supports("avx512vbmi");
    if (feature == "avx512vbmi2")
        return __builtin_cpu_supports("avx512vbmi2");
    if (feature == "avx512bitalg")
        return __builtin_cpu_supports("avx512bitalg");
    return false;
}

}  // namespace
}  // namespace logformat
#else
namespace logformat {
namespace {

constexpr Implementation kImplementations[] = {
    {InstructionSet::Scalar, "", read_scalar},
};

constexpr std::string_view kKnownFeatures[] = {""};

bool processor_has(std::string_view)
{
    return false;
}

}  // namespace
}  // namespace logformat
#endif

namespace logformat {
namespace {

// Calls `each` for every feature of a comma-separated list; false as soon as
// one call is.
template <typename Each>
constexpr bool every_feature(std::string_view features, Each each)
{
    while (!features.empty()) {
        const std::size_t comma = std::min(features.find(','), features.size());
        if (!each(features.substr(0, comma)))
            return false;
        features.remove_prefix(std::min(comma + 1, features.size()));
    }
    return true;
}

constexpr bool rows_in_order_with_known_features()
{
    for (std::size_t i = 0; i < std::size(kImplementations); ++i) {
        const Implementation& row = kImplementations[i];
        if (static_cast<std::size_t>(row.set) != i)
            return false;
        if (!every_feature(row.features, [](std::string_view f) {
                return std::find(std::begin(kKnownFeatures), std::end(kKnownFeatures), f) != std::end(kKnownFeatures);
            }))
            return false;
    }
    return true;
}
static_assert(rows_in_order_with_known_features(),
              "one row for each set, narrowest first, and only features the processor can be asked for");

constexpr InstructionSet kSets[] = {InstructionSet::Scalar, InstructionSet::Sse2, InstructionSet::Avx2,
                                    InstructionSet::Avx512};
static_assert(std::size(kImplementations) <= std::size(kSets));

// How many rows, from the first, the processor runs: a set is offered where
// every feature of its row is, and those of every row before it.
std::size_t offered_count()
{
    std::size_t n = 0;
    while (n < std::size(kImplementations) && every_feature(kImplementations[n].features, processor_has))
        ++n;
    return n;
}

}  // namespace

std::span<const InstructionSet> offered_instruction_sets()
{
    static const std::size_t count = offered_count();
    return std::span<const InstructionSet>(kSets).first(count);
}

InstructionSet widest_offered()
{
    return offered_instruction_sets().back();
}

bool is_offered(InstructionSet set)
{
    return static_cast<std::size_t>(set) < offered_instruction_sets().size();
}

const char* name_of(InstructionSet set)
{
    switch (set) {
    case InstructionSet::Scalar: return "scalar";
    case InstructionSet::Sse2: return "SSE2";
    case InstructionSet::Avx2: return "AVX2";
    case InstructionSet::Avx512: return "AVX512";
    }
    return "?";
}

ReadRecord read_of(InstructionSet set)
{
    return kImplementations[static_cast<std::size_t>(is_offered(set) ? set : widest_offered())].read;
}

}  // namespace logformat
