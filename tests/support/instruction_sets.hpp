#pragma once

// Tests that read with every instruction set: a test suite whose parameter
// is the set, skipped with a message where the build or the processor does
// not offer it.

#include "logformat/instruction_set.hpp"

#include <gtest/gtest.h>

#include <string>

inline constexpr logformat::InstructionSet kEveryInstructionSet[] = {
    logformat::InstructionSet::Scalar, logformat::InstructionSet::Sse2, logformat::InstructionSet::Avx2,
    logformat::InstructionSet::Avx512};

class EveryInstructionSet : public testing::TestWithParam<logformat::InstructionSet> {
protected:
    void SetUp() override
    {
        if (!logformat::is_offered(GetParam()))
            GTEST_SKIP() << logformat::name_of(GetParam()) << " is not offered by this build or this processor";
    }
};

// The name of each instantiation of such a suite: the set's, "scalar", "SSE2", "AVX2", "AVX512".
inline std::string set_name(const testing::TestParamInfo<logformat::InstructionSet>& info)
{
    return logformat::name_of(info.param);
}
