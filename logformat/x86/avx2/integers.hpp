#pragma once

// The AVX2 batch's integers in 8-byte lanes, which hold every plain integer
// but one of nine bytes (declined here), two in each 16-byte lane. In Full,
// L and P of four records fill two registers, a record's L in the first
// 8-byte lane of a 16-byte one and its P in the second; in Short, the four
// L fill one register, records 0 and 1 in the first 16-byte lane, 2 and 3
// in the second. The lanes' masks then hold a byte a number, and the
// multiply-adds give each 8-byte lane's value apart.

#include "logformat/batch/batch.hpp"
#include "logformat/x86/avx2/lanes.hpp"
#include "logformat/x86/avx2/target.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <immintrin.h>

namespace logformat::avx2 {

// Two integers' 8-byte lanes, each ending at its number's end, in one
// 16-byte lane.
[[gnu::target(LOGFORMAT_AVX2_TARGET), gnu::always_inline]] inline __m128i load_integer_lanes(const char* low_end,
                                                                                             const char* high_end)
{
    return _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(low_end - kIntegerLaneBytes)),
                              _mm_loadl_epi64(reinterpret_cast<const __m128i*>(high_end - kIntegerLaneBytes)));
}

// The integers ending at `low_ends` and `high_ends`, in `registers`
// registers (2 for L and P, 1 for the four L): register h holds, in its
// first lane, the numbers ending at low_ends[h] and high_ends[h], in its
// second those ending at low_ends[h + 2] and high_ends[h + 2]; their
// lengths fill the bytes of each 8-byte lane of `lengths`. Into `low` and
// `high` (two registers: L and P) or `low` alone (one: the four L) as
// 32-bit values in record order. False where any is not plain.
template <std::size_t registers>
[[gnu::target(LOGFORMAT_AVX2_TARGET), gnu::always_inline]] inline bool
read_integers(const std::array<const char*, kBatchRecords>& low_ends,
              const std::array<const char*, kBatchRecords>& high_ends, const LanePairs& lengths, __m128i& low,
              __m128i& high)
{
    static_assert(2 * kIntegerLaneBytes == kLaneBytes, "two integers' lanes in each 16-byte lane");
    const __m256i integer_places = _mm256_and_si256(lane_places(), _mm256_set1_epi8(kIntegerLaneBytes - 1));
    LanePairs digit_values;
    LaneBits digit_bits, sign_bits;
    __m256i unplain = _mm256_setzero_si256();
#pragma GCC unroll 8
    for (std::size_t h = 0; h < registers; ++h) {
        const __m256i place_and_length = _mm256_add_epi8(lengths.of[h], integer_places);
        const __m256i valid = _mm256_cmpgt_epi8(place_and_length, _mm256_set1_epi8(kIntegerLaneBytes - 1));
        const __m256i text = _mm256_and_si256(
            _mm256_inserti128_si256(_mm256_castsi128_si256(load_integer_lanes(low_ends[h], high_ends[h])),
                                    load_integer_lanes(low_ends[h + 2], high_ends[h + 2]), 1),
            valid);
        const __m256i values = _mm256_sub_epi8(text, _mm256_set1_epi8('0'));
        const __m256i digits = _mm256_cmpeq_epi8(_mm256_min_epu8(values, _mm256_set1_epi8(9)), values);
        const __m256i signs =
            _mm256_and_si256(_mm256_cmpeq_epi8(text, _mm256_set1_epi8('-')),
                             _mm256_cmpeq_epi8(place_and_length, _mm256_set1_epi8(kIntegerLaneBytes)));
        unplain = _mm256_or_si256(unplain, _mm256_andnot_si256(_mm256_or_si256(digits, signs), valid));
        unplain = _mm256_or_si256(unplain, _mm256_cmpgt_epi8(lengths.of[h], _mm256_set1_epi8(kIntegerLaneBytes)));
        digit_values.of[h] = _mm256_and_si256(values, digits);
        digit_bits.of[h] = static_cast<std::uint32_t>(_mm256_movemask_epi8(digits));
        sign_bits.of[h] = static_cast<std::uint32_t>(_mm256_movemask_epi8(signs));
    }
    // Each number's mask is a byte: two registers give L then P of record 0,
    // then of 1, 2, 3; one register gives the four L.
    const __m128i digit_masks =
        registers == 2 ? lane_masks(digit_bits) : _mm_cvtsi32_si128(static_cast<int>(digit_bits.of[0]));
    const __m128i sign_masks =
        registers == 2 ? lane_masks(sign_bits) : _mm_cvtsi32_si128(static_cast<int>(sign_bits.of[0]));
    if (!_mm256_testz_si256(unplain, unplain) ||
        (_mm_movemask_epi8(_mm_cmpeq_epi8(digit_masks, _mm_setzero_si128())) & (registers == 2 ? 0xFF : 0xF)) != 0)
        return false;  // not plain, or no digit
    __m256i eights[2] = {};
#pragma GCC unroll 8
    for (std::size_t h = 0; h < registers; ++h) {
        const __m256i pairs = _mm256_maddubs_epi16(digit_values.of[h], _mm256_set1_epi16(0x010A));
        const __m256i fours = _mm256_madd_epi16(pairs, _mm256_set1_epi32(0x00010064));
        eights[h] = _mm256_madd_epi16(_mm256_packus_epi32(fours, fours), _mm256_set1_epi32(0x00012710));
    }
    // Two registers: L then P of records 0 and 1, then of 2 and 3. One: the
    // L of records 0 and 1 twice, then of 2 and 3.
    const __m256i magnitudes = registers == 2 ? _mm256_unpacklo_epi32(eights[0], eights[1]) : eights[0];
    const __m128i signed_bytes = _mm_xor_si128(_mm_cmpeq_epi8(sign_masks, _mm_setzero_si128()), _mm_set1_epi8(-1));
    const __m256i negative = _mm256_cvtepi8_epi32(
        _mm_shuffle_epi8(signed_bytes, registers == 2 ? _mm_setr_epi8(0, 2, 1, 3, 4, 6, 5, 7, 0, 0, 0, 0, 0, 0, 0, 0)
                                                      : _mm_setr_epi8(0, 1, 0, 1, 2, 3, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0)));
    const __m256i numbers = _mm256_sub_epi32(_mm256_xor_si256(magnitudes, negative), negative);
    low = _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(numbers, _mm256_setr_epi32(0, 1, 4, 5, 0, 1, 4, 5)));
    high = _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(numbers, _mm256_setr_epi32(2, 3, 6, 7, 2, 3, 6, 7)));
    return true;
}

}  // namespace logformat::avx2
