#pragma once

// The AVX-512 batch's floating numbers: one element of four records in one
// register, each number in a 16-byte lane that ends where the number ends
// (batch.hpp finds them, and lanes.hpp converts the lanes). The grammar,
// the point, the exponent mark and the sign come from bit operations on
// byte-class masks, four lanes at a time. A register holding an exponent
// takes a second path, which reads each mantissa where it is, its
// exponent's bytes as zero digits. Where any of the four numbers is not
// plain, or not settled by the fast conversion, the element is declined.

#include "logformat/batch/batch.hpp"
#include "logformat/conversion/to_float.hpp"
#include "logformat/x86/avx512/lanes.hpp"
#include "logformat/x86/avx512/target.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <immintrin.h>

namespace logformat::avx512 {

// Lane r from the 16 bytes at ends[r] - before, its `valid` bytes alone (16
// bits a lane), the others zero.
[[gnu::target(LOGFORMAT_AVX512_TARGET), gnu::always_inline]] inline __m512i
masked_lanes(const std::array<const char*, kBatchRecords>& ends, std::uint64_t valid, int before)
{
    __m512i text = _mm512_castsi128_si512(_mm_maskz_loadu_epi8(static_cast<__mmask16>(valid), ends[0] - before));
    text = _mm512_inserti32x4(text, _mm_maskz_loadu_epi8(static_cast<__mmask16>(valid >> 16), ends[1] - before), 1);
    text = _mm512_inserti32x4(text, _mm_maskz_loadu_epi8(static_cast<__mmask16>(valid >> 32), ends[2] - before), 2);
    return _mm512_inserti32x4(text, _mm_maskz_loadu_epi8(static_cast<__mmask16>(valid >> 48), ends[3] - before), 3);
}

// Each lane's bits up to its point and the point's own, in 16-bit elements
// of lane masks; none in a lane without a point.
[[gnu::target(LOGFORMAT_AVX512_TARGET), gnu::always_inline]] inline __m128i through_point(__m128i point)
{
    return _mm_and_si128(_mm_sub_epi16(_mm_slli_epi16(point, 1), _mm_set1_epi16(1)),
                         _mm_movm_epi16(_mm_test_epi16_mask(point, point)));
}

// The four floating numbers of an element where any is longer than a lane:
// each number's last 16 bytes (its tail) and the 16 before them (its head)
// in two registers, each lane's valid bytes loaded alone, so that no load
// reads a byte before the data. A minus or none, then digits with a point or
// none, 19 digits at most, and no exponent: the shortest decimal of a
// double, as most languages print one. The digits of each half make an
// integer, as a lane's do (lane_integers); the mantissa is the head's times
// 10 to the tail's count of digits, plus the tail's, exact in 64 bits, and
// the places after the point are counted over both halves.
[[gnu::target(LOGFORMAT_AVX512_TARGET), gnu::always_inline]] inline bool
four_long_numbers(const std::array<const char*, kBatchRecords>& ends, __m512i lengths, __m128i& out)
{
    const __m512i index = _mm512_set4_epi32(0x0F0E0D0C, 0x0B0A0908, 0x07060504, 0x03020100);
    const __m512i place_and_length = _mm512_add_epi8(index, lengths);
    const std::uint64_t tail_valid = _mm512_cmpge_epu8_mask(place_and_length, _mm512_set1_epi8(kLaneBytes));
    const std::uint64_t head_valid = _mm512_cmpge_epu8_mask(place_and_length, _mm512_set1_epi8(2 * kLaneBytes));
    const __m512i tail = masked_lanes(ends, tail_valid, kLaneBytes);
    const __m512i head = masked_lanes(ends, head_valid, 2 * kLaneBytes);
    const __m512i zero_char = _mm512_set1_epi8('0');
    const __m512i nine = _mm512_set1_epi8(9);
    const std::uint64_t tail_digits = _mm512_cmple_epu8_mask(_mm512_sub_epi8(tail, zero_char), nine);
    const std::uint64_t head_digits = _mm512_cmple_epu8_mask(_mm512_sub_epi8(head, zero_char), nine);
    const std::uint64_t tail_points = _mm512_cmpeq_epi8_mask(tail, _mm512_set1_epi8('.'));
    const std::uint64_t head_points = _mm512_cmpeq_epi8_mask(head, _mm512_set1_epi8('.'));
    // A minus is a sign at the number's first byte: its head's first where
    // it has a head, its tail's first where it has none.
    constexpr std::uint64_t kLaneFirstBits = 0x0001000100010001;
    const __m128i heads = lane_masks(head_valid);
    const auto with_head =
        static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_movm_epi16(_mm_test_epi16_mask(heads, heads))));
    const std::uint64_t tail_signs = _mm512_cmpeq_epi8_mask(tail, _mm512_set1_epi8('-')) & tail_valid &
                                     ~((tail_valid << 1) & ~kLaneFirstBits) & ~with_head;
    const std::uint64_t head_signs =
        _mm512_cmpeq_epi8_mask(head, _mm512_set1_epi8('-')) & head_valid & ~((head_valid << 1) & ~kLaneFirstBits);
    if ((tail_valid & ~(tail_digits | tail_points | tail_signs)) != 0 ||
        (head_valid & ~(head_digits | head_points | head_signs)) != 0)
        return false;
    const __m128i tail_point = lane_masks(tail_points);
    const __m128i head_point = lane_masks(head_points);
    const __m128i tail_count = _mm_popcnt_epi16(lane_masks(tail_digits));
    const __m128i count = _mm_add_epi16(tail_count, _mm_popcnt_epi16(lane_masks(head_digits)));
    const __mmask8 wrong =
        _mm_cmpgt_epi16_mask(_mm_add_epi16(_mm_popcnt_epi16(tail_point), _mm_popcnt_epi16(head_point)),
                             _mm_set1_epi16(1)) |  // two points
        _mm_cmpeq_epi16_mask(count, _mm_setzero_si128()) |
        _mm_cmpgt_epi16_mask(count, _mm_set1_epi16(Decimal::kMantissaDigits));
    if ((wrong & 0xF) != 0)
        return false;
    // Each half's bytes up to its point move up one, closing the gap; the
    // places after the point are the bytes above it in its half, and where
    // it is in the head, every digit of the tail too.
    const __m128i tail_moved = through_point(tail_point);
    const __m128i head_moved = through_point(head_point);
    const __m128i tail_has_point = _mm_movm_epi16(_mm_test_epi16_mask(tail_point, tail_point));
    const __m128i head_has_point = _mm_movm_epi16(_mm_test_epi16_mask(head_point, head_point));
    const __m128i places = _mm_add_epi16(_mm_add_epi16(_mm_popcnt_epi16(_mm_andnot_si128(tail_moved, tail_has_point)),
                                                       _mm_popcnt_epi16(_mm_andnot_si128(head_moved, head_has_point))),
                                         _mm_and_si128(tail_count, head_has_point));
    const __m256i tail_integers =
        four_integers(lane_integers(_mm512_maskz_sub_epi8(tail_digits, tail, zero_char),
                                    static_cast<std::uint64_t>(_mm_cvtsi128_si64(tail_moved))));
    const __m256i head_integers =
        four_integers(lane_integers(_mm512_maskz_sub_epi8(head_digits, head, zero_char),
                                    static_cast<std::uint64_t>(_mm_cvtsi128_si64(head_moved))));
    const __m256i tail_scale = _mm256_cvttpd_epu64(powers_of_ten<true>(_mm256_cvtepu16_epi64(tail_count)));
    const __m256i mantissas = _mm256_add_epi64(_mm256_mullo_epi64(head_integers, tail_scale), tail_integers);
    const __m128i signs = lane_masks(tail_signs | head_signs);
    return four_long_floats(mantissas, _mm256_cvtepu16_epi64(places), _mm_test_epi16_mask(signs, signs), out);
}

// Converts the four floating numbers that end at `ends`, whose lengths (1
// to 16, checked by the caller) fill the 16 bytes of each lane of `lengths`.
// False where any is not plain, or not settled by the fast conversion.
[[gnu::target(LOGFORMAT_AVX512_TARGET), gnu::always_inline]] inline bool
four_numbers(const std::array<const char*, kBatchRecords>& ends, __m512i lengths, __m128i& out)
{
    // The valid bytes of each lane: its last `length`. The first lane's load
    // is masked, as its number may begin right at the buffer's start: a
    // masked load reads no other byte. The others begin past the batch's.
    const __m512i index = _mm512_set4_epi32(0x0F0E0D0C, 0x0B0A0908, 0x07060504, 0x03020100);
    const std::uint64_t valid = _mm512_cmpge_epu8_mask(_mm512_add_epi8(index, lengths), _mm512_set1_epi8(kLaneBytes));
    __m512i text = _mm512_castsi128_si512(_mm_maskz_loadu_epi8(static_cast<__mmask16>(valid), ends[0] - kLaneBytes));
    text = _mm512_inserti32x4(text, _mm_loadu_si128(reinterpret_cast<const __m128i*>(ends[1] - kLaneBytes)), 1);
    text = _mm512_inserti32x4(text, _mm_loadu_si128(reinterpret_cast<const __m128i*>(ends[2] - kLaneBytes)), 2);
    text = _mm512_inserti32x4(text, _mm_loadu_si128(reinterpret_cast<const __m128i*>(ends[3] - kLaneBytes)), 3);
    text = _mm512_maskz_mov_epi8(valid, text);

    const __m512i zero_char = _mm512_set1_epi8('0');
    const std::uint64_t digits = _mm512_cmple_epu8_mask(_mm512_sub_epi8(text, zero_char), _mm512_set1_epi8(9));
    const std::uint64_t points = _mm512_cmpeq_epi8_mask(text, _mm512_set1_epi8('.'));
    const std::uint64_t minus = _mm512_cmpeq_epi8_mask(text, _mm512_set1_epi8('-'));
    const std::uint64_t marks =
        _mm512_cmpeq_epi8_mask(_mm512_or_si512(text, _mm512_set1_epi8(0x20)), _mm512_set1_epi8('e'));
    constexpr std::uint64_t kLaneFirstBits = 0x0001000100010001;
    const std::uint64_t first = valid & ~((valid << 1) & ~kLaneFirstBits);
    const std::uint64_t signs = minus & first;
    Mantissas m;
    if (marks == 0) {
        // Every byte a digit, but a minus first and a point.
        if ((valid & ~(digits | signs | points)) != 0 ||
            !mantissas(text, digits, points, signs, _mm_setzero_si128(), m))
            return false;
        return four_floats<false>(m, _mm256_setzero_si256(), out);
    }
    // With an exponent mark: e or E, a sign or none, digits or none, at the
    // lane's end. A mark without digits is read as the C library reads it,
    // with the mark and its sign and a power of 0; the window's limit of three
    // digits changes no value, as the power's range is checked. The
    // mantissa stays where it is, its exponent's bytes read as zero digits.
    const std::uint64_t plus = _mm512_cmpeq_epi8_mask(text, _mm512_set1_epi8('+'));
    const std::uint64_t exponent_signs = (minus | plus) & (marks << 1) & ~kLaneFirstBits;
    if ((valid & ~(digits | signs | points | marks | exponent_signs)) != 0)
        return false;
    const __m128i mark = lane_masks(marks);
    const __m128i from_mark = _mm_andnot_si128(_mm_sub_epi16(mark, _mm_set1_epi16(1)), _mm_set1_epi16(-1));
    const auto exponent_bytes = static_cast<std::uint64_t>(_mm_cvtsi128_si64(from_mark));
    const __mmask8 wrong = _mm_test_epi16_mask(mark, _mm_sub_epi16(mark, _mm_set1_epi16(1))) |  // two marks
                           _mm_test_epi16_mask(lane_masks(points), from_mark);                  // a point after one
    if ((wrong & 0xF) != 0 || !mantissas(text, digits & ~exponent_bytes, points, signs, from_mark, m))
        return false;
    // The exponent's digits, four at most, from the last four bytes of each
    // lane; a lane with more is declined, for the character rules to read.
    constexpr std::uint64_t kLaneLastFourBits = 0xF000F000F000F000;
    const std::uint64_t exponent_digits = digits & exponent_bytes;
    if ((exponent_digits & ~kLaneLastFourBits) != 0)
        return false;
    const __m512i fours = _mm512_madd_epi16(
        _mm512_maddubs_epi16(_mm512_maskz_sub_epi8(exponent_digits, text, zero_char), _mm512_set1_epi16(0x010A)),
        _mm512_set1_epi32(0x00010064));  // 1000 a + 100 b + 10 c + d in each lane's last 32 bits
    const __m256i exponent = _mm256_maskz_cvtepu32_epi64(
        0xF, _mm512_maskz_extracti32x4_epi32(
                 0xF,
                 _mm512_maskz_permutexvar_epi32(
                     0xFFFF, _mm512_set_epi32(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 15, 11, 7, 3), fours),
                 0));
    const __mmask8 negative_exponents = _mm_test_epi16_mask(lane_masks(minus), _mm_slli_epi16(mark, 1));
    return four_floats<true>(m, _mm256_mask_sub_epi64(exponent, negative_exponents, _mm256_setzero_si256(), exponent),
                             out);
}

}  // namespace logformat::avx512
