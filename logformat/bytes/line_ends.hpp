#pragma once

// The line ends of a stretch of text counted 64 bytes at a time, for
// the stream's line count: a call per line end, as memchr would take, costs
// more than reading the samples of the line. With SSE2, which every x86-64
// processor has, whatever instruction set the stream reads with.

#include <algorithm>
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace logformat {

// The number of '\n' bytes in [p, stop).
inline std::uint64_t count_line_ends(const char* p, const char* const stop)
{
    std::uint64_t count = 0;
#if defined(__SSE2__)
    const __m128i newline = _mm_set1_epi8('\n');
    const auto ends_in = [&](int chunk) {  // -1 in each byte lane that holds a line end
        return _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * chunk)), newline);
    };
    while (stop - p >= 64) {
        // Each byte lane counts up to 4 line ends a round, 252 in all,
        // before the lanes are summed.
        const std::ptrdiff_t rounds = std::min<std::ptrdiff_t>((stop - p) / 64, 63);
        __m128i lanes = _mm_setzero_si128();
        for (std::ptrdiff_t k = 0; k < rounds; ++k, p += 64) {
            const __m128i pair = _mm_add_epi8(ends_in(0), ends_in(1));
            lanes = _mm_sub_epi8(lanes, _mm_add_epi8(pair, _mm_add_epi8(ends_in(2), ends_in(3))));
        }
        const __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
        count += static_cast<std::uint64_t>(_mm_cvtsi128_si32(sums)) +
                 static_cast<std::uint64_t>(_mm_extract_epi16(sums, 4));
    }
#endif
    for (; p != stop; ++p)
        count += *p == '\n' ? 1 : 0;
    return count;
}

}  // namespace logformat
