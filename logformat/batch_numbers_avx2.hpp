#pragma once

// The AVX2 batch's numbers: one element of four records in two registers,
// each number in a 16-byte lane that ends where the number ends
// (batch_avx2.hpp finds them). Each register holds two lanes, the first of
// records 0 and 2, the second of records 1 and 3, so that what the lanes
// give in 64-bit slots interleaves into record order. The grammar comes
// from byte compares; the lanes' counts from their masks (one bit a byte,
// 16 bits a lane) in 16-bit elements; the point's gap closes by a blend with
// a byte-shifted copy; the digits come from multiply-adds; the floats from
// four exact double operations under the fast conversion's rules
// (to_float.hpp). A register holding an exponent moves each mantissa to
// its lane's end first. Where any of the four numbers is not plain, or not
// settled by the fast conversion, the element is declined.

#include "logformat/batch.hpp"
#include "logformat/to_float.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <immintrin.h>

namespace logformat::avx2 {

// Loaded at a lane's length (1 to 16), the mask of its valid bytes: its last
// `length`.
inline constexpr auto kLaneTails = [] {
    std::array<std::uint8_t, 2 * kLaneBytes> tails{};
    for (std::size_t b = kLaneBytes; b < tails.size(); ++b)
        tails[b] = 0xFF;
    return tails;
}();

// An element's four lanes in two registers: records 0 and 2, 1 and 3.
struct LanePairs {
    __m256i of[2];
};

// A register of two lanes from two loads.
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i load_pair(const void* low, const void* high)
{
    return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(static_cast<const __m128i*>(low))),
                                   _mm_loadu_si128(static_cast<const __m128i*>(high)), 1);
}

// Each byte's mark spread over the bytes before it in its lane; or, `up`,
// over the bytes after it.
template <bool up>
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i spread(__m256i marks)
{
    if constexpr (up) {
        marks = _mm256_or_si256(marks, _mm256_bslli_epi128(marks, 1));
        marks = _mm256_or_si256(marks, _mm256_bslli_epi128(marks, 2));
        marks = _mm256_or_si256(marks, _mm256_bslli_epi128(marks, 4));
        return _mm256_or_si256(marks, _mm256_bslli_epi128(marks, 8));
    }
    marks = _mm256_or_si256(marks, _mm256_bsrli_epi128(marks, 1));
    marks = _mm256_or_si256(marks, _mm256_bsrli_epi128(marks, 2));
    marks = _mm256_or_si256(marks, _mm256_bsrli_epi128(marks, 4));
    return _mm256_or_si256(marks, _mm256_bsrli_epi128(marks, 8));
}

// The masks of a byte class, one bit a byte: 16-bit element r is record r's lane.
[[gnu::target("avx2"), gnu::always_inline]] inline __m128i lane_masks(const LanePairs& bytes)
{
    return _mm_unpacklo_epi16(_mm_cvtsi32_si128(_mm256_movemask_epi8(bytes.of[0])),
                              _mm_cvtsi32_si128(_mm256_movemask_epi8(bytes.of[1])));
}

// Each lane's digits (values 0 to 9, other bytes 0) as one integer, in both
// of its 64-bit slots; then the two registers' integers in record order.
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i lane_integers(const LanePairs& digits)
{
    __m256i sums[2];
    for (std::size_t h = 0; h < 2; ++h) {
        const __m256i pairs = _mm256_maddubs_epi16(digits.of[h], _mm256_set1_epi16(0x010A));  // 10 a + b
        const __m256i fours = _mm256_madd_epi16(pairs, _mm256_set1_epi32(0x00010064));     // 100 ab + cd
        const __m256i eights = _mm256_madd_epi16(_mm256_packus_epi32(fours, fours), _mm256_set1_epi32(0x00012710));
        sums[h] = _mm256_add_epi64(_mm256_mul_epu32(eights, _mm256_set1_epi64x(100000000)),
                                   _mm256_srli_epi64(eights, 32));
    }
    return _mm256_unpacklo_epi64(sums[0], sums[1]);
}

// The mantissas of four lanes, each a minus or none (`signs`, the lane's
// first byte), then digits with a point or none, ending at the lane's end;
// `values` holds each byte less '0'. False where a lane has two points, no
// digit, or more than `most_digits`: 8 for an integer, 15 for a floating
// number (the lengths were checked: a lane with more has its last
// most_digits + 1 bytes all digits).
struct Mantissas {
    __m256i integers;  // in 64-bit slots, in record order
    __m256i fraction;  // the digits after each point, likewise
    __m128i negative;  // each record's 32 bits all set where it has a minus
};
[[gnu::target("avx2,bmi,bmi2"), gnu::always_inline]] inline bool
mantissas(const LanePairs& values, const LanePairs& digits, const LanePairs& points, const LanePairs& signs,
          int most_digits, Mantissas& out)
{
    const __m128i digit = lane_masks(digits);
    const __m128i point = lane_masks(points);
    const __m128i too_many = _mm_set1_epi16(static_cast<short>(0xFFFF << (kLaneBytes - 1 - most_digits)));
    const __m128i wrong = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(digit, _mm_setzero_si128()),             // no digit
                                                    _mm_cmpeq_epi16(_mm_and_si128(digit, too_many), too_many)),  // too many
                                       _mm_and_si128(point, _mm_sub_epi16(point, _mm_set1_epi16(1))));  // two points
    if (_mm_cvtsi128_si64(wrong) != 0)
        return false;
    // A point's place as its bit's exponent in a float: 127 + the bit.
    const __m128i point_bits = _mm_cvtepu16_epi32(point);
    const __m128i place = _mm_srli_epi32(_mm_castps_si128(_mm_cvtepi32_ps(point_bits)), 23);
    const __m128i fraction = _mm_andnot_si128(_mm_cmpeq_epi32(point_bits, _mm_setzero_si128()),
                                              _mm_sub_epi32(_mm_set1_epi32(127 + kLaneBytes - 1), place));
    out.fraction = _mm256_cvtepu32_epi64(fraction);
    out.negative = _mm_cmpgt_epi32(_mm_cvtepu16_epi32(lane_masks(signs)), _mm_setzero_si128());
    // The bytes up to the point move up one, closing its gap.
    LanePairs closed;
    for (std::size_t h = 0; h < 2; ++h) {
        const __m256i digit_values = _mm256_and_si256(values.of[h], digits.of[h]);
        closed.of[h] = _mm256_blendv_epi8(digit_values, _mm256_bslli_epi128(digit_values, 1), spread<false>(points.of[h]));
    }
    out.integers = lane_integers(closed);
    return true;
}

// The floats of four mantissas times 10^power (64-bit slots), as the fast
// conversion gives them, into `out`; false where it would decline.
[[gnu::target("avx2,bmi,bmi2"), gnu::always_inline]] inline bool four_floats(const Mantissas& m, __m256i power,
                                                                             __m128i& out)
{
    static_assert(kFastPowerLimit + 1 == std::size(kPowersOfTen), "a power of ten for every magnitude allowed");
    const __m256i below_one = _mm256_cmpgt_epi64(_mm256_setzero_si256(), power);
    const __m256i magnitude = _mm256_sub_epi64(_mm256_xor_si256(power, below_one), below_one);
    if (_mm256_movemask_epi8(_mm256_cmpgt_epi64(magnitude, _mm256_set1_epi64x(kFastPowerLimit))) != 0)
        return false;
    const __m256d powers = _mm256_i64gather_pd(kPowersOfTen, magnitude, 8);
    // Below 2^52, a mantissa is the low bits of the double 2^52 + mantissa.
    const __m256d two_52 = _mm256_set1_pd(4503599627370496.0);
    const __m256d mantissa =
        _mm256_sub_pd(_mm256_castsi256_pd(_mm256_or_si256(m.integers, _mm256_castpd_si256(two_52))), two_52);
    const __m256d exact = _mm256_blendv_pd(_mm256_mul_pd(mantissa, powers), _mm256_div_pd(mantissa, powers),
                                           _mm256_castsi256_pd(below_one));
    // As the fast conversion: a double on a float midpoint is not settled.
    const __m256i low_bits =
        _mm256_and_si256(_mm256_castpd_si256(exact), _mm256_set1_epi64x(static_cast<long long>(kMidpointLowBits)));
    if (_mm256_movemask_epi8(_mm256_cmpeq_epi64(low_bits, _mm256_set1_epi64x(static_cast<long long>(kMidpointBits)))) != 0)
        return false;
    out = _mm_xor_si128(_mm_castps_si128(_mm256_cvtpd_ps(exact)), _mm_slli_epi32(m.negative, 31));
    return true;
}

// Converts the four numbers that end at `ends`, of `lengths` (1 to 16,
// checked by the caller), into `out` as 32-bit values, a float's bits or an
// integer, in record order. False where any is not plain, or not settled
// by the fast conversion.
template <bool integer>
[[gnu::target("avx2,bmi,bmi2"), gnu::always_inline]] inline bool
four_numbers(const std::array<const char*, kBatchRecords>& ends, const std::array<int, kBatchRecords>& lengths,
             __m128i& out)
{
    static_assert(BlockBuffer::kPaddingBefore >= kLaneBytes, "a lane begins at most 16 bytes before the data");
    LanePairs valid, text, values, digits, points, minus, firsts, signs, marks;
    __m256i unplain = _mm256_setzero_si256();
    for (std::size_t h = 0; h < 2; ++h) {
        valid.of[h] = load_pair(kLaneTails.data() + lengths[h], kLaneTails.data() + lengths[h + 2]);
        text.of[h] = _mm256_and_si256(load_pair(ends[h] - kLaneBytes, ends[h + 2] - kLaneBytes), valid.of[h]);
        values.of[h] = _mm256_sub_epi8(text.of[h], _mm256_set1_epi8('0'));  // a digit 0 to 9, all else 10 or more
        digits.of[h] = _mm256_cmpeq_epi8(_mm256_min_epu8(values.of[h], _mm256_set1_epi8(9)), values.of[h]);
        points.of[h] = integer ? _mm256_setzero_si256() : _mm256_cmpeq_epi8(text.of[h], _mm256_set1_epi8('.'));
        minus.of[h] = _mm256_cmpeq_epi8(text.of[h], _mm256_set1_epi8('-'));
        firsts.of[h] = _mm256_andnot_si256(_mm256_bslli_epi128(valid.of[h], 1), valid.of[h]);
        signs.of[h] = _mm256_and_si256(minus.of[h], firsts.of[h]);
        // Every byte a digit, but a minus first and, in a floating number, a point.
        const __m256i plain = _mm256_or_si256(_mm256_or_si256(digits.of[h], points.of[h]), signs.of[h]);
        unplain = _mm256_or_si256(unplain, _mm256_andnot_si256(plain, valid.of[h]));
    }
    Mantissas m;
    if (_mm256_testz_si256(unplain, unplain)) {
        if (!mantissas(values, digits, points, signs, integer ? 8 : 15, m))
            return false;
        if constexpr (integer) {
            const __m128i magnitudes = _mm256_castsi256_si128(
                _mm256_permutevar8x32_epi32(m.integers, _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6)));
            out = _mm_sub_epi32(_mm_xor_si128(magnitudes, m.negative), m.negative);
            return true;
        }
        return four_floats(m, _mm256_sub_epi64(_mm256_setzero_si256(), m.fraction), out);
    }
    if constexpr (integer)
        return false;
    // With an exponent mark: e or E, a sign or none, digits or none, at the
    // lane's end. A mark without digits is read as the C library reads it,
    // with the mark and its sign and a power of 0; the window's limit of three
    // digits changes no value, as the power's range is checked. The
    // mantissa's bytes move to the lane's end.
    LanePairs exponent_values, after_marks, moved_values, moved_digits, moved_points;
    unplain = _mm256_setzero_si256();
    __m256i wrong = _mm256_setzero_si256();
    for (std::size_t h = 0; h < 2; ++h) {
        marks.of[h] = _mm256_cmpeq_epi8(_mm256_or_si256(text.of[h], _mm256_set1_epi8(0x20)), _mm256_set1_epi8('e'));
        after_marks.of[h] = _mm256_bslli_epi128(marks.of[h], 1);
        const __m256i plus = _mm256_cmpeq_epi8(text.of[h], _mm256_set1_epi8('+'));
        const __m256i exponent_signs = _mm256_and_si256(_mm256_or_si256(minus.of[h], plus), after_marks.of[h]);
        const __m256i plain = _mm256_or_si256(_mm256_or_si256(_mm256_or_si256(digits.of[h], points.of[h]), signs.of[h]),
                                              _mm256_or_si256(marks.of[h], exponent_signs));
        unplain = _mm256_or_si256(unplain, _mm256_andnot_si256(plain, valid.of[h]));
        const __m256i from_mark = spread<true>(marks.of[h]);
        wrong = _mm256_or_si256(wrong, _mm256_or_si256(_mm256_and_si256(marks.of[h], _mm256_bslli_epi128(from_mark, 1)),
                                                       _mm256_and_si256(points.of[h], from_mark)));  // two marks, a point after one
        exponent_values.of[h] = _mm256_and_si256(values.of[h], _mm256_and_si256(digits.of[h], from_mark));
        // Each lane moves up by the bytes from its mark on: their count, in every byte of the lane.
        const __m256i counts = _mm256_sad_epu8(_mm256_and_si256(from_mark, _mm256_set1_epi8(1)), _mm256_setzero_si256());
        const __m256i shift = _mm256_shuffle_epi8(_mm256_add_epi64(counts, _mm256_shuffle_epi32(counts, 0x4E)),
                                                  _mm256_setzero_si256());
        const __m256i from = _mm256_sub_epi8(_mm256_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0, 1, 2,
                                                              3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15),
                                             shift);  // below 0 where nothing moves in: a zero byte
        moved_values.of[h] = _mm256_shuffle_epi8(values.of[h], from);
        moved_digits.of[h] = _mm256_shuffle_epi8(_mm256_andnot_si256(from_mark, digits.of[h]), from);
        moved_points.of[h] = _mm256_shuffle_epi8(points.of[h], from);
    }
    if (!_mm256_testz_si256(_mm256_or_si256(unplain, wrong), _mm256_or_si256(unplain, wrong)))
        return false;
    LanePairs negative_exponents;
    for (std::size_t h = 0; h < 2; ++h)
        negative_exponents.of[h] = _mm256_and_si256(minus.of[h], after_marks.of[h]);
    const __m256i exponents = lane_integers(exponent_values);
    const __m256i negative = _mm256_cmpgt_epi64(_mm256_cvtepu16_epi64(lane_masks(negative_exponents)), _mm256_setzero_si256());
    if (!mantissas(moved_values, moved_digits, moved_points, signs, 15, m))
        return false;
    const __m256i exponent = _mm256_sub_epi64(_mm256_xor_si256(exponents, negative), negative);
    return four_floats(m, _mm256_sub_epi64(exponent, m.fraction), out);
}

}  // namespace logformat::avx2
