#pragma once

// The AVX2 batch's lanes (numbers.hpp reads them): one element
// of four records in two registers, each number in a 16-byte lane that ends
// where the number ends. Each register holds two lanes, the first of
// records 0 and 2, the second of records 1 and 3, so that what the lanes
// give in 64-bit slots interleaves into record order. A lane's counts come
// from its byte classes' masks (one bit a byte, 16 bits a lane) in 16-bit
// elements; the point's gap closes by a blend with a byte-shifted copy; the
// digits come from multiply-adds; the floats from four exact double
// operations under the fast conversion's rules (conversion/to_float.hpp).

#include "logformat/batch/batch.hpp"
#include "logformat/conversion/to_float.hpp"
#include "logformat/x86/avx2/target.hpp"

#include <cstddef>
#include <cstdint>
#include <immintrin.h>

namespace logformat::avx2 {

// An element's four lanes in two registers: records 0 and 2, 1 and 3.
struct LanePairs {
    __m256i of[2];
};

// Each byte's place in its lane.
[[gnu::target(LOGFORMAT_AVX2_TARGET), gnu::always_inline]] inline __m256i lane_places()
{
    return _mm256_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11,
                            12, 13, 14, 15);
}

// A register of two lanes from two loads.
[[gnu::target(LOGFORMAT_AVX2_TARGET), gnu::always_inline]] inline __m256i load_pair(const void* low, const void* high)
{
    return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(static_cast<const __m128i*>(low))),
                                   _mm_loadu_si128(static_cast<const __m128i*>(high)), 1);
}

// Each byte's mark spread over the bytes before it in its lane; or, `up`,
// over the bytes after it.
template <bool up>
[[gnu::target(LOGFORMAT_AVX2_TARGET), gnu::always_inline]] inline __m256i spread(__m256i marks)
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

// One bit a byte of a byte class: the masks of both registers.
struct LaneBits {
    std::uint32_t of[2];
};

// A byte class's masks of two registers (one bit a byte) as 16-bit
// elements, element r the mask of record r's lane.
[[gnu::target(LOGFORMAT_AVX2_TARGET), gnu::always_inline]] inline __m128i lane_masks(const LaneBits& bits)
{
    return _mm_unpacklo_epi16(_mm_cvtsi32_si128(static_cast<int>(bits.of[0])),
                              _mm_cvtsi32_si128(static_cast<int>(bits.of[1])));
}

// Each lane's digits (values 0 to 9, other bytes 0) as one integer, in both
// of its 64-bit slots; then the two registers' integers in record order.
[[gnu::target(LOGFORMAT_AVX2_TARGET), gnu::always_inline]] inline __m256i lane_integers(const LanePairs& digits)
{
    __m256i sums[2];
#pragma GCC unroll 8
    for (std::size_t h = 0; h < 2; ++h) {
        const __m256i pairs = _mm256_maddubs_epi16(digits.of[h], _mm256_set1_epi16(0x010A));  // 10 a + b
        const __m256i fours = _mm256_madd_epi16(pairs, _mm256_set1_epi32(0x00010064));        // 100 ab + cd
        const __m256i eights = _mm256_madd_epi16(_mm256_packus_epi32(fours, fours), _mm256_set1_epi32(0x00012710));
        sums[h] =
            _mm256_add_epi64(_mm256_mul_epu32(eights, _mm256_set1_epi64x(100000000)), _mm256_srli_epi64(eights, 32));
    }
    return _mm256_unpacklo_epi64(sums[0], sums[1]);
}

// The mantissas of four lanes, each a minus or none (`signs`, at the
// lane's first byte), then digits with a point or none, ending at the
// lane's end: `digit_values` holds each digit's value and 0 in every other
// byte; the masks tell the digits, points and signs. False where a lane
// has two points, no digit, or more than 15, which a double does not hold
// exactly (the lengths were checked: a lane with more is 16 digits).
struct Mantissas {
    __m256i integers;  // in 64-bit slots, in record order
    __m256i places;    // the places after each point, likewise
    __m128i negative;  // each record's 32 bits all set where it has a minus
};
[[gnu::target(LOGFORMAT_AVX2_TARGET), gnu::always_inline]] inline bool
mantissas(const LanePairs& digit_values, const LaneBits& digit_bits, const LaneBits& point_bits,
          const LaneBits& sign_bits, Mantissas& out)
{
    const __m128i digit = lane_masks(digit_bits);
    const __m128i point = lane_masks(point_bits);
    const __m128i wrong = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(digit, _mm_setzero_si128()),        // no digit
                                                    _mm_cmpeq_epi16(digit, _mm_set1_epi16(-1))),        // 16 digits
                                       _mm_and_si128(point, _mm_sub_epi16(point, _mm_set1_epi16(1))));  // two points
    if (_mm_cvtsi128_si64(wrong) != 0)
        return false;
    // A point's place as its bit's exponent in a float: 127 + the bit; 0
    // without a point.
    const __m128i point_bit = _mm_cvtepu16_epi32(point);
    const __m128i place = _mm_srli_epi32(_mm_castps_si128(_mm_cvtepi32_ps(point_bit)), 23);
    const __m128i places = _mm_andnot_si128(_mm_cmpeq_epi32(point_bit, _mm_setzero_si128()),
                                            _mm_sub_epi32(_mm_set1_epi32(127 + kLaneBytes - 1), place));
    out.places = _mm256_cvtepu32_epi64(places);
    out.negative = _mm_cmpgt_epi32(_mm_cvtepu16_epi32(lane_masks(sign_bits)), _mm_setzero_si128());
    // The bytes up to the point move up one, closing its gap: those whose
    // place in the lane is below the point's place + 1 (a low byte below 0
    // without a point), which a shuffle spreads over the record's lane.
    const __m256i through = _mm256_broadcastsi128_si256(_mm_sub_epi32(place, _mm_set1_epi32(127 - 1)));
    LanePairs closed;
#pragma GCC unroll 8
    for (std::size_t h = 0; h < 2; ++h) {
        const __m256i moved = _mm256_cmpgt_epi8(
            _mm256_shuffle_epi8(through, _mm256_setr_m128i(_mm_set1_epi8(static_cast<char>(4 * h)),
                                                           _mm_set1_epi8(static_cast<char>(4 * (h + 2))))),
            lane_places());
        closed.of[h] = _mm256_blendv_epi8(digit_values.of[h], _mm256_bslli_epi128(digit_values.of[h], 1), moved);
    }
    out.integers = lane_integers(closed);
    return true;
}

// The integers of the digits of four lanes (digit values, other bytes 0),
// each read in order over a point if it has one (its 16-bit mask in
// `point`, at most one), and in `places` the bytes after that point to the
// lane's end, 0 without one, in 32-bit elements: the half of a long number
// that a lane holds (numbers.hpp).
[[gnu::target(LOGFORMAT_AVX2_TARGET), gnu::always_inline]] inline __m256i half_integers(const LanePairs& digit_values,
                                                                                        __m128i point, __m128i& places)
{
    // As in mantissas: the point's place from its bit's exponent as a float.
    const __m128i point_bit = _mm_cvtepu16_epi32(point);
    const __m128i place = _mm_srli_epi32(_mm_castps_si128(_mm_cvtepi32_ps(point_bit)), 23);
    places = _mm_andnot_si128(_mm_cmpeq_epi32(point_bit, _mm_setzero_si128()),
                              _mm_sub_epi32(_mm_set1_epi32(127 + kLaneBytes - 1), place));
    const __m256i through = _mm256_broadcastsi128_si256(_mm_sub_epi32(place, _mm_set1_epi32(127 - 1)));
    LanePairs closed;
#pragma GCC unroll 8
    for (std::size_t h = 0; h < 2; ++h) {
        const __m256i moved = _mm256_cmpgt_epi8(
            _mm256_shuffle_epi8(through, _mm256_setr_m128i(_mm_set1_epi8(static_cast<char>(4 * h)),
                                                           _mm_set1_epi8(static_cast<char>(4 * (h + 2))))),
            lane_places());
        closed.of[h] = _mm256_blendv_epi8(digit_values.of[h], _mm256_bslli_epi128(digit_values.of[h], 1), moved);
    }
    return lane_integers(closed);
}

// Four 64-bit integers rounded to doubles once, from their two 32-bit
// halves: 2^84 + the high half times 2^32, less 2^84 + 2^52, is exact, and
// adding 2^52 + the low half rounds the sum.
[[gnu::target(LOGFORMAT_AVX2_TARGET), gnu::always_inline]] inline __m256d exact_doubles(__m256i integers)
{
    const __m256d high =
        _mm256_castsi256_pd(_mm256_or_si256(_mm256_srli_epi64(integers, 32), _mm256_set1_epi64x(0x4530000000000000)));
    const __m256d low = _mm256_castsi256_pd(_mm256_blend_epi32(integers, _mm256_set1_epi64x(0x4330000000000000), 0xAA));
    return _mm256_add_pd(_mm256_sub_pd(high, _mm256_castsi256_pd(_mm256_set1_epi64x(0x4530000000100000))), low);
}

// The floats of four 64-bit mantissas of up to 19 digits times 10^-places,
// as the fast conversion gives them, into `out`; false where it would
// decline. A mantissa from 2^53 on, rounded to a double first
// (exact_doubles), must lie farther than the margin from a float midpoint.
[[gnu::target(LOGFORMAT_AVX2_TARGET), gnu::always_inline]] inline bool
four_long_floats(__m256i mantissas, __m256i places, __m128i negative, __m128i& out)
{
    const __m256d exact = _mm256_div_pd(exact_doubles(mantissas), _mm256_i64gather_pd(kPowersOfTen, places, 8));
    const __m256i margin =
        _mm256_andnot_si256(_mm256_cmpeq_epi64(_mm256_srli_epi64(mantissas, 53), _mm256_setzero_si256()),
                            _mm256_set1_epi64x(static_cast<long long>(kMidpointMargin)));
    // The low bits less the midpoint's, plus the margin: unsettled from 0 to twice the margin.
    const __m256i from_midpoint = _mm256_add_epi64(
        _mm256_sub_epi64(
            _mm256_and_si256(_mm256_castpd_si256(exact), _mm256_set1_epi64x(static_cast<long long>(kMidpointLowBits))),
            _mm256_set1_epi64x(static_cast<long long>(kMidpointBits))),
        margin);
    const __m256i settled = _mm256_or_si256(_mm256_cmpgt_epi64(_mm256_setzero_si256(), from_midpoint),
                                            _mm256_cmpgt_epi64(from_midpoint, _mm256_add_epi64(margin, margin)));
    if (_mm256_movemask_epi8(settled) != -1)
        return false;
    out = _mm_xor_si128(_mm_castps_si128(_mm256_cvtpd_ps(exact)), _mm_slli_epi32(negative, 31));
    return true;
}

// The floats of four mantissas times 10^-places, as the fast conversion
// gives them, into `out`; false where it would decline. With `exponents`,
// times 10^(exponent - places), any of the four powers maybe positive or
// beyond the limit.
template <bool exponents>
[[gnu::target(LOGFORMAT_AVX2_TARGET), gnu::always_inline]] inline bool four_floats(const Mantissas& m, __m256i exponent,
                                                                                   __m128i& out)
{
    static_assert(kFastPowerLimit + 1 == std::size(kPowersOfTen), "a power of ten for every magnitude allowed");
    static_assert(kFastPowerLimit >= kLaneBytes, "a lane's places alone are within the limit");
    __m256i magnitude = m.places;
    __m256i below_one = _mm256_set1_epi8(-1);
    if constexpr (exponents) {
        const __m256i power = _mm256_sub_epi64(exponent, m.places);
        below_one = _mm256_cmpgt_epi64(_mm256_setzero_si256(), power);
        magnitude = _mm256_sub_epi64(_mm256_xor_si256(power, below_one), below_one);
        if (_mm256_movemask_epi8(_mm256_cmpgt_epi64(magnitude, _mm256_set1_epi64x(kFastPowerLimit))) != 0)
            return false;
    }
    const __m256d powers = _mm256_i64gather_pd(kPowersOfTen, magnitude, 8);
    // Below 2^52, a mantissa is the low bits of the double 2^52 + mantissa;
    // with an exponent, whose bytes count as zero digits, one below 10^16
    // comes from its two halves, exactly.
    const __m256d two_52 = _mm256_set1_pd(4503599627370496.0);
    const __m256d mantissa =
        exponents
            ? exact_doubles(m.integers)
            : _mm256_sub_pd(_mm256_castsi256_pd(_mm256_or_si256(m.integers, _mm256_castpd_si256(two_52))), two_52);
    __m256d exact = _mm256_div_pd(mantissa, powers);
    if constexpr (exponents)
        exact = _mm256_blendv_pd(_mm256_mul_pd(mantissa, powers), exact, _mm256_castsi256_pd(below_one));
    // As the fast conversion: a double on a float midpoint is not settled.
    const __m256i low_bits =
        _mm256_and_si256(_mm256_castpd_si256(exact), _mm256_set1_epi64x(static_cast<long long>(kMidpointLowBits)));
    if (_mm256_movemask_epi8(_mm256_cmpeq_epi64(low_bits, _mm256_set1_epi64x(static_cast<long long>(kMidpointBits)))) !=
        0)
        return false;
    out = _mm_xor_si128(_mm_castps_si128(_mm256_cvtpd_ps(exact)), _mm_slli_epi32(m.negative, 31));
    return true;
}

}  // namespace logformat::avx2
