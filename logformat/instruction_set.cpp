#include "logformat/instruction_set.hpp"

#include <algorithm>
#include <cstddef>

namespace {

// Each set's code is built only with the sets before it, and each processor
// that runs one runs those before it: the sets offered are always the first
// of these.
constexpr InstructionSet kSets[] = {InstructionSet::Scalar, InstructionSet::Sse2, InstructionSet::Avx2};

InstructionSet widest_offered()
{
#if defined(__x86_64__) && !defined(LOGFORMAT_SCALAR)
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi2") ? InstructionSet::Avx2
                                                                             : InstructionSet::Sse2;
#else
    return InstructionSet::Scalar;
#endif
}

}  // namespace

InstructionSet reader_set = widest_offered();

std::span<const InstructionSet> offered_instruction_sets()
{
    return std::span<const InstructionSet>(kSets).first(static_cast<std::size_t>(widest_offered()) + 1);
}

bool use_instruction_set(InstructionSet set)
{
    const auto offered = offered_instruction_sets();
    if (std::find(offered.begin(), offered.end(), set) == offered.end())
        return false;
    reader_set = set;
    return true;
}

const char* name_of(InstructionSet set)
{
    switch (set) {
    case InstructionSet::Scalar: return "scalar";
    case InstructionSet::Sse2: return "SSE2";
    case InstructionSet::Avx2: return "AVX2";
    }
    return "?";
}
