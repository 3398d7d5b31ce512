#pragma once

// The order of the routes, written once for every instruction set, which is
// its template parameter; each set's read.cpp compiles one copy. A read:
//  1. fills the read-ahead with the records in their plain form from the
//     stream's position: four at a time by the batch, where the set reads
//     batches (batch/fill.hpp), then one after another by the window
//     (window/fill.hpp); and takes the first;
//  2. where neither reads the record at the position, reads it by the
//     character rules (rules/record.hpp).
// The reader's own: no program includes it.

#include "logformat/app_data.hpp"
#include "logformat/batch/fill.hpp"
#include "logformat/bytes/block_buffer.hpp"
#include "logformat/instruction_set.hpp"
#include "logformat/read_notes.hpp"
#include "logformat/routes/kernels.hpp"
#include "logformat/routes/read_ahead.hpp"
#include "logformat/rules/record.hpp"
#include "logformat/window/fill.hpp"

namespace logformat {

// One read of `pattern`: the fields stored, or -1 when the input ended
// before the first of them.
template <InstructionSet set, LogPattern pattern>
[[gnu::always_inline]] inline int read(BlockBuffer& bytes, ReadAhead& ahead, AppData& record, ReadNotes* notes)
{
    // A read with notes takes one record at a time, unless they ask to read ahead.
    const int most = notes != nullptr && !notes->read_ahead ? 1 : ReadAhead::kSamples;
    const char* p = bytes.data();
    const char* const end = bytes.data_end();
    ahead.start(pattern, bytes);
    if constexpr (Kernels<set>::kReadsBatches)
        if (most >= kBatchRecords)
            p = batch_fill<set, pattern>(p, end, ahead, most);
    window_fill<set, pattern>(p, end, ahead, most);
    if (ahead.count() > 0) {
        if (notes != nullptr)
            notes->complete = true;
        return ahead.take(pattern, record, bytes);
    }
    return read_by_rules<set>(bytes, pattern, record, notes);
}

// The read of one instruction set, for its read.cpp: a copy for each
// pattern, with its elements known, and one for reads with notes.
template <InstructionSet set>
[[gnu::always_inline]] inline int read_record(BlockBuffer& bytes, ReadAhead& ahead, LogPattern pattern, AppData& record,
                                              ReadNotes* notes)
{
    if (notes != nullptr) [[unlikely]]
        return pattern == LogPattern::Full ? read<set, LogPattern::Full>(bytes, ahead, record, notes)
                                           : read<set, LogPattern::Short>(bytes, ahead, record, notes);
    return pattern == LogPattern::Full ? read<set, LogPattern::Full>(bytes, ahead, record, nullptr)
                                       : read<set, LogPattern::Short>(bytes, ahead, record, nullptr);
}

}  // namespace logformat
