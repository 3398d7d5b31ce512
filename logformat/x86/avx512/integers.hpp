#pragma once

// The AVX-512 batch's integers: L, and P where the record has it, of four
// records in one register, each in an 8-byte lane that ends where the number
// ends (batch.hpp finds them).

#include "logformat/batch/batch.hpp"
#include "logformat/pattern.hpp"
#include "logformat/x86/avx512/target.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <immintrin.h>

namespace logformat::avx512 {

// For each lane of the integers' register (read_integers), the batch's
// number it holds: lanes 0 to 3 the first element of each record, lanes 4 to
// 7 the last where it is an integer. Where it is not, they hold the last
// record's first again, so that no lane but the first, whose load is
// masked, begins before the batch.
template <LogPattern pattern>
inline constexpr auto kIntegerLanes = [] {
    constexpr std::size_t n = element_count(pattern);
    static_assert(kElements[0].is_integer() && !kElements[1].is_integer() && !kElements[2].is_integer() &&
                      !kElements[3].is_integer(),
                  "the integers are the first element and, in a record that has it, the fifth");
    std::array<std::size_t, 2 * kBatchRecords> lanes{};
    for (std::size_t r = 0; r < kBatchRecords; ++r) {
        lanes[r] = r * n;
        lanes[kBatchRecords + r] = kElements[n - 1].is_integer() ? r * n + n - 1 : (kBatchRecords - 1) * n;
    }
    return lanes;
}();

// The byte shuffle that fills each 8-byte lane of the integers' register
// with its number's length (the low byte of its 16-bit length).
template <LogPattern pattern>
inline constexpr auto kIntegerLengthLanes = [] {
    std::array<std::uint8_t, 64> lanes{};
    for (std::size_t b = 0; b < 64; ++b)
        lanes[b] = static_cast<std::uint8_t>(2 * kIntegerLanes<pattern>[b / kIntegerLaneBytes]);
    return lanes;
}();

// The batch's integers in one register, each in an 8-byte lane that ends
// where it ends: lanes 0 to 3 hold an integer element of the four records,
// lanes 4 to 7 another's, or the same again. Each is a minus or none, then
// digits; at most 8 bytes, 1 to 8 of them valid, as `lengths` gives them in
// the bytes of each lane (checked by the caller), so that no value passes 32
// bits. Their values go to `out`, in lane order; false where any is not plain.
[[gnu::target(LOGFORMAT_AVX512_TARGET), gnu::always_inline]] inline bool
read_integers(const std::array<const char*, 2 * kBatchRecords>& ends, __m512i lengths, __m256i& out)
{
    const std::uint64_t valid = _mm512_cmpge_epu8_mask(_mm512_add_epi8(_mm512_set1_epi64(0x0706050403020100), lengths),
                                                       _mm512_set1_epi8(kIntegerLaneBytes));
    // The first lane's load is masked, as its number may begin right at the
    // buffer's start; the others begin past the batch's.
    const auto at = [&](std::size_t i) {
        std::int64_t bytes;
        std::memcpy(&bytes, ends[i] - kIntegerLaneBytes, sizeof bytes);
        return bytes;
    };
    const __m128i first_two = _mm_insert_epi64(
        _mm_maskz_loadu_epi8(static_cast<__mmask16>(valid & 0xFF), ends[0] - kIntegerLaneBytes), at(1), 1);
    __m512i text = _mm512_castsi128_si512(first_two);
    text = _mm512_inserti32x4(text, _mm_insert_epi64(_mm_cvtsi64_si128(at(2)), at(3), 1), 1);
    text = _mm512_inserti32x4(text, _mm_insert_epi64(_mm_cvtsi64_si128(at(4)), at(5), 1), 2);
    text = _mm512_inserti32x4(text, _mm_insert_epi64(_mm_cvtsi64_si128(at(6)), at(7), 1), 3);
    text = _mm512_maskz_mov_epi8(valid, text);
    const std::uint64_t digits =
        _mm512_cmple_epu8_mask(_mm512_sub_epi8(text, _mm512_set1_epi8('0')), _mm512_set1_epi8(9));
    const std::uint64_t minus = _mm512_cmpeq_epi8_mask(text, _mm512_set1_epi8('-'));
    constexpr std::uint64_t kLaneFirstBits = 0x0101010101010101;
    constexpr std::uint64_t kLaneLastBits = kLaneFirstBits << 7;
    const std::uint64_t signs = minus & valid & ~((valid << 1) & ~kLaneFirstBits);
    // Every byte a digit, but a minus first; the last a digit.
    if ((valid & ~(digits | signs)) != 0 || (digits & kLaneLastBits) != kLaneLastBits)
        return false;
    const __m512i pairs = _mm512_maddubs_epi16(_mm512_maskz_sub_epi8(digits, text, _mm512_set1_epi8('0')),
                                               _mm512_set1_epi16(0x010A));          // 10 a + b
    const __m512i fours = _mm512_madd_epi16(pairs, _mm512_set1_epi32(0x00010064));  // 100 ab + cd
    const __m512i eights = _mm512_add_epi64(_mm512_maskz_mul_epu32(0xFF, fours, _mm512_set1_epi64(10000)),
                                            _mm512_maskz_srli_epi64(0xFF, fours, 32));  // 10000 abcd + efgh
    const __m256i magnitudes = _mm512_maskz_cvtepi64_epi32(0xFF, eights);
    const __mmask8 negative = _mm512_test_epi64_mask(_mm512_movm_epi8(signs), _mm512_movm_epi8(signs));
    out = _mm256_mask_sub_epi32(magnitudes, negative, _mm256_setzero_si256(), magnitudes);
    return true;
}

}  // namespace logformat::avx512
