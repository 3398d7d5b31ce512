#pragma once

// The instruction sets the reader can be compiled for: scalar, which every
// build has, and on x86-64 SSE2, AVX2 and AVX-512, up to the build's widest
// (the RUNTALLY_WIDEST_SET build option, avx512 by default). The reader's
// kernels (routes/kernels.hpp) classify digits with each set, and AVX2 and
// AVX-512 also convert the digits of a number and read batches. Each set's
// read is compiled for the processor features its row of the table names
// (routes/implementations.cpp), and offered where the processor has each of
// them; a stream reads with the set it is made with, the widest offered
// unless a test, the fuzz target or a benchmark names another.

#include <span>

namespace logformat {

enum class InstructionSet { Scalar, Sse2, Avx2, Avx512 };

// The sets this build has code for and the processor runs, narrowest first
// (the order of the table of implementations); found once, at the first
// call. Scalar is always among them.
std::span<const InstructionSet> offered_instruction_sets();

// The last of them: what a stream reads with unless told otherwise.
InstructionSet widest_offered();

bool is_offered(InstructionSet set);

const char* name_of(InstructionSet set);

}  // namespace logformat
