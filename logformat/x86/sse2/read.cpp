// The SSE2 read: the order of the routes (routes/read.hpp) with the SSE2
// kernels, in a translation unit of its own.

#include "logformat/routes/read.hpp"
#include "logformat/routes/implementations.hpp"
#include "logformat/x86/sse2/kernels.hpp"
#include "logformat/x86/sse2/target.hpp"

namespace logformat {

[[gnu::target(LOGFORMAT_SSE2_TARGET)]] int sse2::read(BlockBuffer& bytes, ReadAhead& ahead, LogPattern pattern,
                                                      AppData& record, ReadNotes* notes)
{
    return read_record<InstructionSet::Sse2>(bytes, ahead, pattern, record, notes);
}

}  // namespace logformat
