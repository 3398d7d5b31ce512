#pragma once

// The batch's fill of the read-ahead, written once for the sets that read
// batches: the set's structural pass, then batch after batch (batch.hpp),
// the window reading the record where one declines. The set's kernels give
// the pass and the batch (Kernels<set>::list_terminators and read_four),
// each compiled for the set's features; this fill is inlined into the
// set's read, which is compiled for them too.

#include "logformat/batch/batch.hpp"
#include "logformat/instruction_set.hpp"
#include "logformat/pattern.hpp"
#include "logformat/routes/kernels.hpp"
#include "logformat/routes/read_ahead.hpp"
#include "logformat/window/fill.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

namespace logformat {

// The structural pass and the batches: reads records four at a time from p
// into the read-ahead, while it holds fewer than `most` - 3. Where a batch
// declines, the window reads its first record, and the batches go on from
// the next, at a line's start. Returns where the batches stopped.
template <InstructionSet set, LogPattern pattern>
[[gnu::always_inline]] inline const char* batch_fill(const char* p, const char* end, ReadAhead& ahead, int most)
{
    constexpr int n = static_cast<int>(element_count(pattern));
    // Left unset but for what is read: the positions listed, and the 32
    // after them that a batch's loads reach (zeroing the whole array for
    // every fill cost 3%).
    Terminators positions;
    positions[0] = -1;
    // Every chunk lies inside the data, so every terminator does: the lanes end
    // at them, and the AVX2 batch's loads of eight bytes from them stay inside
    // the padding (the AVX-512 batch checks its records' 128 bytes against
    // `end`).
    const int count = Kernels<set>::list_terminators(p, end, 1 + ReadAhead::kSamples * n, positions, 1);
    // The pass lists a chunk's terminators, 64 at most, while fewer than
    // 1 + kSamples * n are listed: it returns kSamples * n + 64 at most.
    constexpr int kLoadedPast = 32;  // a batch loads 33 positions from its first
    static_assert(std::tuple_size_v<Terminators> >= ReadAhead::kSamples * kMostElements + 64 + kLoadedPast,
                  "room for the zeros after the last position a fill lists");
    std::fill_n(positions.begin() + count, kLoadedPast, std::int16_t{0});
    const char* const base = p;
    int first = 0;  // the batch's terminator before its first record, at p - 1
    while (ahead.count() + kBatchRecords <= most) {
        // The batch's first record begins with its "L:" here, for every set's
        // batch, which checks the leads after its terminators.
        if (first + kBatchRecords * n < count && kPlainLeads[0].starts(p) &&
            Kernels<set>::template read_four<pattern>(base, positions.data() + first, end, ahead.places())) {
            for (std::size_t r = 0; r < kBatchRecords; ++r)
                ahead.placed(base + positions[static_cast<std::size_t>(first) + (r + 1) * n] + 1);
            first += kBatchRecords * n;
            p = base + positions[static_cast<std::size_t>(first)] + 1;
            continue;
        }
        const char* const next = window_read_one<set, pattern>(p, end, ahead);
        if (next == nullptr)
            break;
        p = next;
        while (first < count && positions[static_cast<std::size_t>(first)] < p - base - 1)
            ++first;
        if (first == count || positions[static_cast<std::size_t>(first)] != p - base - 1)
            break;  // not after a line end the structural pass found
    }
    return p;
}

}  // namespace logformat
