// The AVX2 read: the order of the routes (routes/read.hpp) with the AVX2
// kernels and batch, in a translation unit of its own. Only this function
// and the set's own carry the set's target (LOGFORMAT_AVX2_TARGET): the
// inline code it shares with the other sets' reads is compiled here for the
// build's target, as everywhere (logformat/README.md says why).

#include "logformat/routes/read.hpp"
#include "logformat/routes/implementations.hpp"
#include "logformat/x86/avx2/batch.hpp"
#include "logformat/x86/avx2/kernels.hpp"
#include "logformat/x86/avx2/target.hpp"

namespace logformat {

[[gnu::target(LOGFORMAT_AVX2_TARGET)]] int avx2::read(BlockBuffer& bytes, ReadAhead& ahead, LogPattern pattern,
                                                      AppData& record, ReadNotes* notes)
{
    return read_record<InstructionSet::Avx2>(bytes, ahead, pattern, record, notes);
}

}  // namespace logformat
