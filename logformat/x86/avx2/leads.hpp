#pragma once

// The AVX2 batch's leads: the eight bytes at each terminator after a
// batch's first, gathered four terminators at a time, compared at once with
// what they must be (batch/batch.hpp's kBatchLeads).

#include "logformat/batch/batch.hpp"
#include "logformat/pattern.hpp"
#include "logformat/x86/avx2/target.hpp"

#include <cstddef>
#include <cstdint>
#include <immintrin.h>

namespace logformat::avx2 {

// True where, after each terminator at positions[1 .. 4N] (N the pattern's
// elements) from `base`, what follows is what must follow it. The loads
// reach eight bytes past the last terminator, inside the padding.
template <LogPattern pattern>
[[gnu::target(LOGFORMAT_AVX2_TARGET), gnu::always_inline]] inline bool leads_match(const char* base,
                                                                                   const std::int16_t* positions)
{
    constexpr std::size_t kNumbers = kBatchRecords * element_count(pattern);
    __m256i wrong = _mm256_setzero_si256();
#pragma GCC unroll 8
    for (std::size_t g = 0; 4 * g < kNumbers; ++g) {
        const __m128i at = _mm_cvtepi16_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(positions + 1 + 4 * g)));
        const __m256i leads = _mm256_i32gather_epi64(reinterpret_cast<const long long*>(base), at, 1);
        const auto* const bytes = reinterpret_cast<const __m256i*>(kBatchLeads<pattern>[0].data() + 4 * g);
        const auto* const masks = reinterpret_cast<const __m256i*>(kBatchLeads<pattern>[1].data() + 4 * g);
        wrong = _mm256_or_si256(
            wrong, _mm256_xor_si256(_mm256_and_si256(leads, _mm256_loadu_si256(masks)), _mm256_loadu_si256(bytes)));
    }
    return _mm256_testz_si256(wrong, wrong) != 0;
}

}  // namespace logformat::avx2
