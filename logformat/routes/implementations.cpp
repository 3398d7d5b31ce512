// The table of the reader's implementations: for each instruction set the
// build has, the processor features its read is compiled for, which the
// processor must offer before a stream reads with it, and the read. The
// features are the set's target macro (its target.hpp), the very text of
// its functions' target attributes. The build's widest set
// (RUNTALLY_WIDEST_SET, as LOGFORMAT_BUILDS_SSE2, LOGFORMAT_BUILDS_AVX2 and
// LOGFORMAT_BUILDS_AVX512 to the compiler) is read here and nowhere else:
// it decides which rows there are.

#include "logformat/routes/implementations.hpp"

#if defined(LOGFORMAT_BUILDS_SSE2)
#include "logformat/x86/sse2/target.hpp"
#endif
#if defined(LOGFORMAT_BUILDS_AVX2)
#include "logformat/x86/avx2/target.hpp"
#endif
#if defined(LOGFORMAT_BUILDS_AVX512)
#include "logformat/x86/avx512/target.hpp"
#endif

#include <algorithm>
#include <array>
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

// Narrowest first: a stream reads with the last row the processor offers,
// unless it is made with another. Each row stands alone: its set is offered
// where the processor has its features, whichever other rows are offered.
constexpr Implementation kImplementations[] = {
    {InstructionSet::Scalar, "", scalar::read},
#if defined(LOGFORMAT_BUILDS_SSE2)
    {InstructionSet::Sse2, LOGFORMAT_SSE2_TARGET, sse2::read},
#endif
#if defined(LOGFORMAT_BUILDS_AVX2)
    {InstructionSet::Avx2, LOGFORMAT_AVX2_TARGET, avx2::read},
#endif
#if defined(LOGFORMAT_BUILDS_AVX512)
    {InstructionSet::Avx512, LOGFORMAT_AVX512_TARGET, avx512::read},
#endif
};

// The features a row may name, each asked of the processor by its own name.
constexpr std::string_view kKnownFeatures[] = {"sse2",       "avx2",        "bmi",         "bmi2",
                                               "avx512f",    "avx512bw",    "avx512vl",    "avx512dq",
                                               "avx512vbmi", "avx512vbmi2", "avx512bitalg"};

bool processor_has([[maybe_unused]] std::string_view feature)
{
#if defined(__x86_64__)
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
#endif
    return false;
}

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

constexpr bool one_row_a_set_with_known_features()
{
    for (std::size_t i = 0; i < std::size(kImplementations); ++i) {
        const Implementation& row = kImplementations[i];
        for (std::size_t j = 0; j < i; ++j)
            if (kImplementations[j].set == row.set)
                return false;
        if (!every_feature(row.features, [](std::string_view f) {
                return std::find(std::begin(kKnownFeatures), std::end(kKnownFeatures), f) != std::end(kKnownFeatures);
            }))
            return false;
    }
    return kImplementations[0].set == InstructionSet::Scalar && kImplementations[0].features.empty();
}
static_assert(one_row_a_set_with_known_features(),
              "one row for each set, the scalar one first and offered everywhere, and only features the processor "
              "can be asked for");

// The rows the processor offers, in the table's order.
struct Offered {
    std::array<InstructionSet, std::size(kImplementations)> sets{};
    std::size_t count = 0;
};

Offered find_offered()
{
    Offered offered;
    for (const Implementation& row : kImplementations)
        if (every_feature(row.features, processor_has))
            offered.sets[offered.count++] = row.set;
    return offered;
}

}  // namespace

std::span<const InstructionSet> offered_instruction_sets()
{
    static const Offered offered = find_offered();
    return std::span<const InstructionSet>(offered.sets).first(offered.count);
}

InstructionSet widest_offered()
{
    return offered_instruction_sets().back();
}

bool is_offered(InstructionSet set)
{
    const auto offered = offered_instruction_sets();
    return std::find(offered.begin(), offered.end(), set) != offered.end();
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
    const InstructionSet chosen = is_offered(set) ? set : widest_offered();
    for (const Implementation& row : kImplementations)
        if (row.set == chosen)
            return row.read;
    return scalar::read;
}

}  // namespace logformat
