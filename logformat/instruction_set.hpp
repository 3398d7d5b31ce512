#pragma once

// The instruction sets the window can classify its bytes with. Every build
// has the scalar one; an x86-64 build with SIMD on (RUNTALLY_SIMD, the
// default) also has SSE2, which every x86-64 processor runs, and AVX2 (with
// BMI2) for the processors that offer it. The reader uses the widest that
// the processor offers, found once at start; tests make it use each one in
// turn.

#include <span>

enum class InstructionSet { Scalar, Sse2, Avx2 };

// The sets this build has code for and the processor runs, narrowest first.
std::span<const InstructionSet> offered_instruction_sets();

// The reader's one piece of state outside a stream: the set it reads with,
// the widest offered, chosen once at start; only tests change it. Seen here,
// so that every read asks for it without a call.
extern InstructionSet reader_set;

// The set the reader uses now: the widest offered, unless a test chose another.
inline InstructionSet reader_instruction_set()
{
    return reader_set;
}

// For tests: makes the reader use `set` from now on. False, changing
// nothing, when the build or the processor does not offer it.
bool use_instruction_set(InstructionSet set);

const char* name_of(InstructionSet set);
