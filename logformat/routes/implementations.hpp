#pragma once

// The reader's implementations, one for each instruction set the build has:
// each set's read, defined in its folder's read.cpp and compiled there for
// the set's processor features, and the table that picks one
// (implementations.cpp).

#include "logformat/app_data.hpp"
#include "logformat/bytes/block_buffer.hpp"
#include "logformat/instruction_set.hpp"
#include "logformat/log_stream.hpp"
#include "logformat/routes/read_ahead.hpp"

namespace logformat {

struct ReadNotes;

// Each set's read, a ReadRecord (log_stream.hpp); a set the build does not
// have is declared and not defined, and the table has no row for it.
namespace scalar {
int read(BlockBuffer& bytes, ReadAhead& ahead, LogPattern pattern, AppData& record, ReadNotes* notes);
}  // namespace scalar
namespace sse2 {
int read(BlockBuffer& bytes, ReadAhead& ahead, LogPattern pattern, AppData& record, ReadNotes* notes);
}  // namespace sse2
namespace avx2 {
int read(BlockBuffer& bytes, ReadAhead& ahead, LogPattern pattern, AppData& record, ReadNotes* notes);
}  // namespace avx2
namespace avx512 {
int read(BlockBuffer& bytes, ReadAhead& ahead, LogPattern pattern, AppData& record, ReadNotes* notes);
}  // namespace avx512

// The read of `set`, or of the widest set offered where the processor does
// not offer `set`.
ReadRecord read_of(InstructionSet set);

}  // namespace logformat
