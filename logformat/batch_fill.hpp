#pragma once

// The batches' fill of the read-ahead: the structural pass, then batch after
// batch (batch.hpp), the window reading the record where one declines.
// Included only by kernels_x86.hpp; only the AVX-512 read uses it.

#include "logformat/batch.hpp"
#include "logformat/read_ahead.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <immintrin.h>

namespace logformat {

// The structural pass and the batches: reads records four at a time from p
// into the read-ahead, while it holds fewer than `most` - 3. Where a batch
// declines, `read_one` reads its first record (by the window: it returns
// where the next record starts, or null where it declines too), and the
// batches go on from the next, at a line's start. Returns where the
// batches stopped. Needs a processor that offers AVX-512.
template <LogPattern pattern, typename ReadOne>
[[gnu::target("avx2,bmi,bmi2,avx512f,avx512bw,avx512vl,avx512dq,avx512vbmi,avx512vbmi2,avx512bitalg"),
  gnu::always_inline]] inline const char*
read_ahead_in_batches(const char* p, const char* end, ReadAhead& ahead, int most, ReadOne read_one)
{
    constexpr int n = static_cast<int>(element_count(pattern));
    constexpr int kMostChunks = 64;  // positions stay below 2^15
    const int wanted = 1 + ReadAhead::kSamples * n;
    // Room for a compressed store of 32 positions from any count below
    // `wanted`, and for a batch's loads of 33 from any batch's first.
    std::array<std::int16_t, ReadAhead::kSamples * kMostElements + 1 + 64 + 32> positions{};
    positions[0] = -1;
    int count = 1;
    // Every chunk lies inside the data, so every terminator does: the lanes end
    // at them, and the leads' loads of eight bytes from them stay inside the
    // padding.
    const long chunks = std::min<long>(kMostChunks, (end - p) / 64);
    __m512i at = _mm512_set_epi16(31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17, 16, 15, 14, 13, 12, 11,
                                  10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
    for (long c = 0; c < chunks && count < wanted; ++c) {
        const __m512i bytes = _mm512_loadu_si512(p + 64 * c);
        const std::uint64_t terminators = _mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8(',')) |
                                          _mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8('\n'));
        const auto low = static_cast<__mmask32>(terminators);
        const auto high = static_cast<__mmask32>(terminators >> 32);
        _mm512_storeu_si512(positions.data() + count, _mm512_maskz_compress_epi16(low, at));
        count += std::popcount(low);
        _mm512_storeu_si512(positions.data() + count,
                            _mm512_maskz_compress_epi16(high, _mm512_add_epi16(at, _mm512_set1_epi16(32))));
        count += std::popcount(high);
        at = _mm512_add_epi16(at, _mm512_set1_epi16(64));
    }
    const char* const base = p;
    int first = 0;  // the batch's terminator before its first record, at p - 1
    while (ahead.count() + kBatchRecords <= most) {
        if (first + kBatchRecords * n < count && read_four<pattern>(base, positions.data() + first, end, ahead.places())) {
            for (std::size_t r = 0; r < kBatchRecords; ++r)
                ahead.placed(base + positions[static_cast<std::size_t>(first) + (r + 1) * n] + 1);
            first += kBatchRecords * n;
            p = base + positions[static_cast<std::size_t>(first)] + 1;
            continue;
        }
        const char* const next = read_one(p);
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
