#pragma once

// The reader's implementations, one for each instruction set
// (implementations.cpp): the one place that picks a set's read.

#include "logformat/instruction_set.hpp"
#include "logformat/log_stream.hpp"

namespace logformat {

// The read of `set`, which must be offered.
ReadRecord read_of(InstructionSet set);

}  // namespace logformat
