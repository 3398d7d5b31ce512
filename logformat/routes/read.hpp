#pragma once

// The order of the routes, written once for every instruction set, which is
// its template parameter; each set's read.cpp compiles one copy. A read:
//  1. fills the read-ahead with the records in their plain form from the
//     stream's position: four at a time by the batch, where the set reads
//     batches (batch/fill.hpp), then one after another by the window
//     (window/fill.hpp), or, for a read with notes that does not ask to
//     read ahead, the one record at the position by the window; and takes
//     the first;
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
    const char* p = bytes.data();
    const char* const end = bytes.data_end();
    // A read with notes takes one record at a time, unless they ask to read ahead.
    const bool reads_ahead = notes == nullptr || notes->read_ahead;
    // After a fill that read nothing, whose record the character rules read,
    // the next record may be one that neither the batch nor the window reads
    // either: the window tries it alone before the structural pass is spent.
    const bool one_first = !reads_ahead || ahead.count() == 0;
    ahead.start(pattern, bytes);
    // Both reads of one record alone take one copy of the window, rather
    // than one each: every copy of the window is long to compile.
    if (one_first)
        p = window_read_one<set, pattern>(p, end, ahead);
    if (reads_ahead && p != nullptr) [[likely]] {
        if constexpr (Kernels<set>::kReadsBatches)
            p = batch_fill<set, pattern>(p, end, ahead, ReadAhead::kSamples);
        window_fill<set, pattern>(p, end, ahead, ReadAhead::kSamples);
    }
    if (ahead.count() > 0) {
        if (notes != nullptr)
            notes->complete = true;
        return ahead.take(pattern, record, bytes);
    }
    return read_by_rules<set>(bytes, pattern, record, notes);
}

// The read of one instruction set, for its read.cpp: a copy for each
// pattern, with its elements known; reads with notes take the same copy.
template <InstructionSet set>
[[gnu::always_inline]] inline int read_record(BlockBuffer& bytes, ReadAhead& ahead, LogPattern pattern, AppData& record,
                                              ReadNotes* notes)
{
    return pattern == LogPattern::Full ? read<set, LogPattern::Full>(bytes, ahead, record, notes)
                                       : read<set, LogPattern::Short>(bytes, ahead, record, notes);
}

}  // namespace logformat
