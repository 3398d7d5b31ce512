#pragma once

// The AVX-512 batch's lanes (numbers.hpp reads them): one element of four
// records in one register, each number in a 16-byte lane that ends where
// the number ends. A lane's counts come from its byte classes' masks (one
// bit a byte, 16 bits a lane) in 16-bit elements; the point's gap closes by
// a masked move of a byte-shifted copy; the digits come from multiply-adds;
// the floats from four exact double operations under the fast conversion's
// rules (conversion/to_float.hpp).

#include "logformat/batch/batch.hpp"
#include "logformat/conversion/to_float.hpp"
#include "logformat/x86/avx512/target.hpp"

#include <cstdint>
#include <immintrin.h>

namespace logformat::avx512 {

// Each lane's digits as one integer, with the gap of its point closed: the
// bytes up to the point (`moved`) move up one; then pairs, fours, eights and
// sixteen digits combine. The integer is in the lane's first 64-bit slot,
// and again in its second.
[[gnu::target(LOGFORMAT_AVX512_TARGET), gnu::always_inline]] inline __m512i lane_integers(__m512i values,
                                                                                          std::uint64_t moved)
{
    const __m512i closed = _mm512_mask_mov_epi8(values, moved, _mm512_bslli_epi128(values, 1));
    const __m512i pairs = _mm512_maddubs_epi16(closed, _mm512_set1_epi16(0x010A));  // 10 a + b
    const __m512i fours = _mm512_madd_epi16(pairs, _mm512_set1_epi32(0x00010064));  // 100 ab + cd
    const __m512i eights = _mm512_madd_epi16(_mm512_packus_epi32(fours, fours), _mm512_set1_epi32(0x00012710));
    return _mm512_add_epi64(_mm512_maskz_mul_epu32(0xFF, eights, _mm512_set1_epi64(100000000)),
                            _mm512_maskz_srli_epi64(0xFF, eights, 32));
}

// A byte class's mask (one bit a byte) as 16-bit elements, element r the
// mask of record r's lane.
[[gnu::target(LOGFORMAT_AVX512_TARGET), gnu::always_inline]] inline __m128i lane_masks(std::uint64_t mask)
{
    return _mm_cvtsi64_si128(static_cast<long long>(mask));
}

// The mantissas of four lanes, each a minus or none, then digits with a
// point or none, then the `tail` (an exponent's bytes, or none) ending at the
// lane's end; every other byte zero, and each byte checked to be one of
// those. The tail's bytes count as zero digits: the integer is the
// mantissa's digits times 10 to the tail's length, and `places` counts the
// places after the point, the tail's among them. False where a lane has two
// points, no digit, or more than 15 digits: the integer must be an exact
// double for the fast conversion. With a tail it is: a multiple of 10 below
// 10^16, an even number below 2^54, and every such number is a double.
struct Mantissas {
    __m512i integers;   // as lane_integers gives them
    __m128i places;     // the places after each point, in 16-bit elements
    __mmask8 negative;  // the lanes with a minus
};
[[gnu::target(LOGFORMAT_AVX512_TARGET), gnu::always_inline]] inline bool
mantissas(__m512i text, std::uint64_t digits, std::uint64_t points, std::uint64_t signs, __m128i tail, Mantissas& out)
{
    const __m128i point = lane_masks(points);
    const __m128i has_point = _mm_movm_epi16(_mm_test_epi16_mask(point, point));
    const __m128i below_point = _mm_and_si128(_mm_sub_epi16(_mm_slli_epi16(point, 1), _mm_set1_epi16(1)), has_point);
    out.places = _mm_popcnt_epi16(_mm_or_si128(_mm_andnot_si128(below_point, has_point), tail));
    const __m128i digit = lane_masks(digits);
    const __m128i count = _mm_popcnt_epi16(digit);
    const __mmask8 wrong = _mm_test_epi16_mask(point, _mm_sub_epi16(point, _mm_set1_epi16(1))) |  // two points
                           _mm_testn_epi16_mask(digit, digit) |                                   // no digit
                           _mm_cmpgt_epi16_mask(count, _mm_set1_epi16(15));
    const __m128i sign = lane_masks(signs);
    out.negative = _mm_test_epi16_mask(sign, sign);
    out.integers = lane_integers(_mm512_maskz_sub_epi8(digits, text, _mm512_set1_epi8('0')),
                                 static_cast<std::uint64_t>(_mm_cvtsi128_si64(below_point)));
    return (wrong & 0xF) == 0;
}

// The four lanes' integers, in the four 64-bit slots of a 256-bit register.
[[gnu::target(LOGFORMAT_AVX512_TARGET), gnu::always_inline]] inline __m256i four_integers(__m512i integers)
{
    return _mm512_maskz_extracti64x4_epi64(
        0xF, _mm512_maskz_permutexvar_epi64(0xFF, _mm512_set_epi64(6, 4, 2, 0, 6, 4, 2, 0), integers), 0);
}

// 10^k for each of the four k in `magnitude`: with `exponents`, up to the
// fast conversion's limit; without, up to 15.
template <bool exponents>
[[gnu::target(LOGFORMAT_AVX512_TARGET), gnu::always_inline]] inline __m256d powers_of_ten(__m256i magnitude)
{
    const __m512i index = _mm512_castsi256_si512(magnitude);
    __m512d powers = _mm512_permutex2var_pd(_mm512_loadu_pd(kPowersOfTen), index, _mm512_loadu_pd(kPowersOfTen + 8));
    if constexpr (exponents) {
        static_assert(kFastPowerLimit == 22, "three loads of eight powers cover 10^0 to 10^22");
        // 10^15 to 10^22, by the index's low three bits.
        powers = _mm512_mask_permutexvar_pd(powers, _mm512_cmpge_epu64_mask(index, _mm512_set1_epi64(16)),
                                            _mm512_sub_epi64(index, _mm512_set1_epi64(15)),
                                            _mm512_loadu_pd(kPowersOfTen + 15));
    }
    return _mm512_maskz_extractf64x4_pd(0xF, powers, 0);
}

// The floats of four mantissas times 10^-places, as the fast conversion
// gives them, into `out`; false where it would decline: every number
// divides. With `exponents`, times 10^(exponent - places), any of the four
// powers maybe positive or beyond the limit.
template <bool exponents>
[[gnu::target(LOGFORMAT_AVX512_TARGET), gnu::always_inline]] inline bool four_floats(const Mantissas& m,
                                                                                     __m256i exponent, __m128i& out)
{
    const __m256d mantissa = _mm256_maskz_cvtepu64_pd(0xF, four_integers(m.integers));
    __m256d exact;
    __mmask8 unsettled = 0;
    if constexpr (exponents) {
        const __m256i power = _mm256_sub_epi64(exponent, _mm256_cvtepu16_epi64(m.places));
        const __m256i magnitude = _mm256_abs_epi64(power);
        const __m256d powers = powers_of_ten<true>(magnitude);
        exact = _mm256_mask_div_pd(_mm256_mul_pd(mantissa, powers),
                                   _mm256_cmplt_epi64_mask(power, _mm256_setzero_si256()), mantissa, powers);
        unsettled = _mm256_cmpgt_epu64_mask(magnitude, _mm256_set1_epi64x(kFastPowerLimit));
    } else {
        exact = _mm256_div_pd(mantissa, powers_of_ten<false>(_mm256_cvtepu16_epi64(m.places)));
    }
    // As the fast conversion: a double on a float midpoint is not settled.
    const __m256i low_bits =
        _mm256_and_si256(_mm256_castpd_si256(exact), _mm256_set1_epi64x(static_cast<long long>(kMidpointLowBits)));
    if ((_mm256_cmpeq_epi64_mask(low_bits, _mm256_set1_epi64x(static_cast<long long>(kMidpointBits))) | unsettled) != 0)
        return false;
    const __m128i magnitudes = _mm_castps_si128(_mm256_maskz_cvtpd_ps(0xF, exact));
    out = _mm_mask_xor_epi32(magnitudes, m.negative, magnitudes, _mm_set1_epi32(static_cast<int>(0x80000000u)));
    return true;
}

// The floats of four 64-bit mantissas of up to 19 digits times
// 10^-places, as the fast conversion gives them, into `out`; false where
// it would decline. A mantissa beyond 2^53 is rounded to a double first,
// and its double must lie farther than the margin from a float midpoint.
[[gnu::target(LOGFORMAT_AVX512_TARGET), gnu::always_inline]] inline bool
four_long_floats(__m256i mantissas, __m256i places, __mmask8 negative, __m128i& out)
{
    const __m256d exact = _mm256_div_pd(_mm256_cvtepu64_pd(mantissas), powers_of_ten<true>(places));
    const __m256i margin = _mm256_maskz_mov_epi64(
        _mm256_cmpgt_epu64_mask(mantissas, _mm256_set1_epi64x(static_cast<long long>(kExactMantissaLimit))),
        _mm256_set1_epi64x(static_cast<long long>(kMidpointMargin)));
    const __m256i low_bits =
        _mm256_and_si256(_mm256_castpd_si256(exact), _mm256_set1_epi64x(static_cast<long long>(kMidpointLowBits)));
    const __m256i from_midpoint =
        _mm256_sub_epi64(low_bits, _mm256_sub_epi64(_mm256_set1_epi64x(static_cast<long long>(kMidpointBits)), margin));
    if (_mm256_cmple_epu64_mask(from_midpoint, _mm256_add_epi64(margin, margin)) != 0)
        return false;
    const __m128i magnitudes = _mm_castps_si128(_mm256_maskz_cvtpd_ps(0xF, exact));
    out = _mm_mask_xor_epi32(magnitudes, negative, magnitudes, _mm_set1_epi32(static_cast<int>(0x80000000u)));
    return true;
}

}  // namespace logformat::avx512
