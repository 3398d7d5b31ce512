#pragma once

// The AVX2 batch's floating numbers: one element of four records, each
// number in a 16-byte lane that ends where it ends (batch.hpp finds them,
// and lanes.hpp converts the lanes). The grammar comes from byte
// compares, one register of two lanes at a time. A register holding an
// exponent takes a second path, which reads the lanes anew and moves each
// mantissa to its lane's end. Where any of the four numbers is not plain,
// or not settled by the fast conversion, the element is declined.

#include "logformat/batch/batch.hpp"
#include "logformat/bytes/block_buffer.hpp"
#include "logformat/conversion/digits.hpp"
#include "logformat/conversion/to_float.hpp"
#include "logformat/x86/avx2/lanes.hpp"
#include "logformat/x86/avx2/target.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <immintrin.h>

namespace logformat::avx2 {

static_assert(BlockBuffer::kPaddingBefore >= 2 * kLaneBytes, "a number's lanes begin at most 32 bytes before the data");

// A register's lanes: their valid bytes (each lane's last `length`), the
// text there and every other byte 0, each byte less '0', and the byte
// classes of a plain number.
struct Text {
    __m256i valid, text, values, digits, points, minus, signs;
};
[[gnu::target(LOGFORMAT_AVX2_TARGET), gnu::always_inline]] inline Text lane_text(const char* low_end,
                                                                                 const char* high_end, __m256i lengths)
{
    Text t;
    const __m256i place_and_length = _mm256_add_epi8(lengths, lane_places());
    t.valid = _mm256_cmpgt_epi8(place_and_length, _mm256_set1_epi8(kLaneBytes - 1));
    t.text = _mm256_and_si256(load_pair(low_end - kLaneBytes, high_end - kLaneBytes), t.valid);
    t.values = _mm256_sub_epi8(t.text, _mm256_set1_epi8('0'));  // a digit 0 to 9, all else 10 or more
    t.digits = _mm256_cmpeq_epi8(_mm256_min_epu8(t.values, _mm256_set1_epi8(9)), t.values);
    t.points = _mm256_cmpeq_epi8(t.text, _mm256_set1_epi8('.'));
    t.minus = _mm256_cmpeq_epi8(t.text, _mm256_set1_epi8('-'));
    // A minus is a sign at the lane's first valid byte.
    t.signs = _mm256_and_si256(t.minus, _mm256_cmpeq_epi8(place_and_length, _mm256_set1_epi8(kLaneBytes)));
    return t;
}

// The four floats of an element whose registers hold an exponent mark: e
// or E, a sign or none, digits or none, at the lane's end. A mark without
// digits is read as the C library reads it, with the mark and its sign and
// a power of 0; the window's limit of three digits changes no value, as
// the power's range is checked. Each mantissa is read where it is, its
// exponent's bytes as zero digits: the integer is its digits times 10 to
// their count, a multiple of 10 below 10^16, which a double holds exactly,
// and the places after the point count them, as they do without a point.
[[gnu::target(LOGFORMAT_AVX2_TARGET), gnu::always_inline]] inline bool
floats_with_exponents(const std::array<const char*, kBatchRecords>& ends, const LanePairs& lengths, __m128i& out)
{
    LanePairs exponent_values, mantissa_values;
    LaneBits mantissa_digits, point_bits, sign_bits, negative_exponents;
    __m256i exponent_bytes[2];
    __m256i wrong = _mm256_setzero_si256();
#pragma GCC unroll 8
    for (std::size_t h = 0; h < 2; ++h) {
        const Text t = lane_text(ends[h], ends[h + 2], lengths.of[h]);
        const __m256i marks = _mm256_cmpeq_epi8(_mm256_or_si256(t.text, _mm256_set1_epi8(0x20)), _mm256_set1_epi8('e'));
        const __m256i after_marks = _mm256_bslli_epi128(marks, 1);
        const __m256i exponent_signs =
            _mm256_and_si256(_mm256_or_si256(t.minus, _mm256_cmpeq_epi8(t.text, _mm256_set1_epi8('+'))), after_marks);
        const __m256i plain = _mm256_or_si256(_mm256_or_si256(_mm256_or_si256(t.digits, t.points), t.signs),
                                              _mm256_or_si256(marks, exponent_signs));
        const __m256i from_mark = spread<true>(marks);
        wrong = _mm256_or_si256(wrong, _mm256_andnot_si256(plain, t.valid));
        wrong = _mm256_or_si256(wrong, _mm256_and_si256(marks, _mm256_bslli_epi128(from_mark, 1)));  // two marks
        wrong = _mm256_or_si256(wrong, _mm256_and_si256(t.points, from_mark));  // a point after one
        const __m256i digit_values = _mm256_and_si256(t.values, t.digits);
        exponent_values.of[h] = _mm256_and_si256(digit_values, from_mark);
        mantissa_values.of[h] = _mm256_andnot_si256(from_mark, digit_values);
        negative_exponents.of[h] =
            static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_and_si256(t.minus, after_marks)));
        sign_bits.of[h] = static_cast<std::uint32_t>(_mm256_movemask_epi8(t.signs));
        mantissa_digits.of[h] =
            static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_andnot_si256(from_mark, t.digits)));
        point_bits.of[h] = static_cast<std::uint32_t>(_mm256_movemask_epi8(t.points));
        // The bytes from the mark on, in both 64-bit slots of each lane.
        const __m256i counts =
            _mm256_sad_epu8(_mm256_and_si256(from_mark, _mm256_set1_epi8(1)), _mm256_setzero_si256());
        exponent_bytes[h] = _mm256_add_epi64(counts, _mm256_shuffle_epi32(counts, 0x4E));
    }
    Mantissas m;
    if (!_mm256_testz_si256(wrong, wrong) || !mantissas(mantissa_values, mantissa_digits, point_bits, sign_bits, m))
        return false;
    // Where a number has a point, its places reach the lane's end, the
    // exponent's bytes among them; where it has none, they are those bytes.
    const __m256i no_point = _mm256_cmpeq_epi64(m.places, _mm256_setzero_si256());
    m.places = _mm256_add_epi64(
        m.places, _mm256_and_si256(no_point, _mm256_unpacklo_epi64(exponent_bytes[0], exponent_bytes[1])));
    const __m256i exponents = lane_integers(exponent_values);
    const __m256i negative =
        _mm256_cmpgt_epi64(_mm256_cvtepu16_epi64(lane_masks(negative_exponents)), _mm256_setzero_si256());
    const __m256i exponent = _mm256_sub_epi64(_mm256_xor_si256(exponents, negative), negative);
    return four_floats<true>(m, exponent, out);
}

// Converts the four floating numbers that end at `ends`, whose lengths (1
// to 16, checked by the caller) fill the bytes of each lane of `lengths`,
// into `out` as the floats' bits, in record order. False where any is not
// plain, or not settled by the fast conversion.
[[gnu::target(LOGFORMAT_AVX2_TARGET), gnu::always_inline]] inline bool
four_numbers(const std::array<const char*, kBatchRecords>& ends, const LanePairs& lengths, __m128i& out)
{
    LanePairs digit_values;
    LaneBits digit_bits, point_bits, sign_bits;
    __m256i unplain = _mm256_setzero_si256();
#pragma GCC unroll 8
    for (std::size_t h = 0; h < 2; ++h) {
        const Text t = lane_text(ends[h], ends[h + 2], lengths.of[h]);
        // Every byte a digit, but a minus first and a point.
        const __m256i plain = _mm256_or_si256(_mm256_or_si256(t.digits, t.points), t.signs);
        unplain = _mm256_or_si256(unplain, _mm256_andnot_si256(plain, t.valid));
        digit_values.of[h] = _mm256_and_si256(t.values, t.digits);
        digit_bits.of[h] = static_cast<std::uint32_t>(_mm256_movemask_epi8(t.digits));
        point_bits.of[h] = static_cast<std::uint32_t>(_mm256_movemask_epi8(t.points));
        sign_bits.of[h] = static_cast<std::uint32_t>(_mm256_movemask_epi8(t.signs));
    }
    if (!_mm256_testz_si256(unplain, unplain))
        return floats_with_exponents(ends, lengths, out);
    Mantissas m;
    return mantissas(digit_values, digit_bits, point_bits, sign_bits, m) &&
           four_floats<false>(m, _mm256_setzero_si256(), out);
}

// The four floating numbers of an element where any is longer than a lane:
// each number's last 16 bytes (its tail) and the 16 before them (its head),
// in two registers of each pair. A minus or none, then digits with a point
// or none, 19 digits at most, and no exponent: the shortest decimal of a
// double, as most languages print one. The digits of each half make an
// integer, as a lane's do (half_integers); the mantissa is the head's times
// 10 to the tail's count of digits (16, or 15 beside a point), plus the
// tail's, exact in 64 bits, and the places after the point are counted
// over both halves.
[[gnu::target(LOGFORMAT_AVX2_TARGET), gnu::always_inline]] inline bool
four_long_numbers(const std::array<const char*, kBatchRecords>& ends, const LanePairs& lengths, __m128i& out)
{
    LanePairs tail_values, head_values;
    LaneBits tail_points, head_points, sign_bits;
    __m256i wrong = _mm256_setzero_si256();
    __m256i too_many = _mm256_setzero_si256();
#pragma GCC unroll 8
    for (std::size_t h = 0; h < 2; ++h) {
        const Text t = lane_text(ends[h], ends[h + 2], lengths.of[h]);
        const __m256i place_and_length = _mm256_add_epi8(lengths.of[h], lane_places());
        const __m256i valid = _mm256_cmpgt_epi8(place_and_length, _mm256_set1_epi8(2 * kLaneBytes - 1));
        const __m256i text = _mm256_and_si256(load_pair(ends[h] - 2 * kLaneBytes, ends[h + 2] - 2 * kLaneBytes), valid);
        const __m256i values = _mm256_sub_epi8(text, _mm256_set1_epi8('0'));
        const __m256i digits = _mm256_cmpeq_epi8(_mm256_min_epu8(values, _mm256_set1_epi8(9)), values);
        const __m256i points = _mm256_cmpeq_epi8(text, _mm256_set1_epi8('.'));
        // A minus is a sign at the head's first valid byte; the tail's
        // (lane_text) is the number's first only where it has no head.
        const __m256i signs = _mm256_and_si256(_mm256_cmpeq_epi8(text, _mm256_set1_epi8('-')),
                                               _mm256_cmpeq_epi8(place_and_length, _mm256_set1_epi8(2 * kLaneBytes)));
        wrong = _mm256_or_si256(
            wrong,
            _mm256_or_si256(_mm256_andnot_si256(_mm256_or_si256(_mm256_or_si256(t.digits, t.points), t.signs), t.valid),
                            _mm256_andnot_si256(_mm256_or_si256(_mm256_or_si256(digits, points), signs), valid)));
        tail_values.of[h] = _mm256_and_si256(t.values, t.digits);
        head_values.of[h] = _mm256_and_si256(values, digits);
        tail_points.of[h] = static_cast<std::uint32_t>(_mm256_movemask_epi8(t.points));
        head_points.of[h] = static_cast<std::uint32_t>(_mm256_movemask_epi8(points));
        sign_bits.of[h] = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_or_si256(t.signs, signs)));
        // The digits of each lane, in both 64-bit slots of its 16 bytes.
        const __m256i one = _mm256_set1_epi8(1);
        const __m256i sums = _mm256_add_epi64(_mm256_sad_epu8(_mm256_and_si256(t.digits, one), _mm256_setzero_si256()),
                                              _mm256_sad_epu8(_mm256_and_si256(digits, one), _mm256_setzero_si256()));
        const __m256i count = _mm256_add_epi64(sums, _mm256_shuffle_epi32(sums, 0x4E));
        too_many = _mm256_or_si256(
            too_many, _mm256_or_si256(_mm256_cmpgt_epi64(count, _mm256_set1_epi64x(Decimal::kMantissaDigits)),
                                      _mm256_cmpeq_epi64(count, _mm256_setzero_si256())));
    }
    // At most one point in a number: none in a half that has two, nor in
    // both halves.
    const __m128i tail_point = lane_masks(tail_points);
    const __m128i head_point = lane_masks(head_points);
    const __m128i zero = _mm_setzero_si128();
    const __m128i two_points = _mm_or_si128(
        _mm_or_si128(_mm_and_si128(tail_point, _mm_sub_epi16(tail_point, _mm_set1_epi16(1))),
                     _mm_and_si128(head_point, _mm_sub_epi16(head_point, _mm_set1_epi16(1)))),
        _mm_andnot_si128(_mm_or_si128(_mm_cmpeq_epi16(tail_point, zero), _mm_cmpeq_epi16(head_point, zero)),
                         _mm_set1_epi16(-1)));
    if (!_mm256_testz_si256(_mm256_or_si256(wrong, too_many), _mm256_set1_epi8(-1)) ||
        _mm_cvtsi128_si64(two_points) != 0)
        return false;
    __m128i tail_places, head_places;
    const __m256i tail_integers = half_integers(tail_values, tail_point, tail_places);
    const __m256i head_integers = half_integers(head_values, head_point, head_places);
    // Where the point is in the head, every one of the tail's 16 bytes is a
    // digit after it; where it is in the tail, its 15 others are digits.
    const __m128i point_in_head = _mm_cmpgt_epi32(_mm_cvtepu16_epi32(head_point), zero);
    const __m128i point_in_tail = _mm_cmpgt_epi32(_mm_cvtepu16_epi32(tail_point), zero);
    const __m128i places = _mm_add_epi32(_mm_add_epi32(tail_places, head_places),
                                         _mm_and_si128(point_in_head, _mm_set1_epi32(kLaneBytes)));
    const __m256i scale =
        _mm256_blendv_epi8(_mm256_set1_epi64x(static_cast<long long>(kPowersOfTenInt[8] * kPowersOfTenInt[8])),
                           _mm256_set1_epi64x(static_cast<long long>(kPowersOfTenInt[8] * kPowersOfTenInt[7])),
                           _mm256_cvtepi32_epi64(point_in_tail));
    const __m256i head_part =
        _mm256_add_epi64(_mm256_mul_epu32(head_integers, scale),
                         _mm256_slli_epi64(_mm256_mul_epu32(head_integers, _mm256_srli_epi64(scale, 32)), 32));
    const __m128i negative = _mm_cmpgt_epi32(_mm_cvtepu16_epi32(lane_masks(sign_bits)), zero);
    return four_long_floats(_mm256_add_epi64(head_part, tail_integers), _mm256_cvtepu32_epi64(places), negative, out);
}

}  // namespace logformat::avx2
