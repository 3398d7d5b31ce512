#pragma once

// The AVX-512 batch's numbers: one element of four records in one register,
// each number in a 16-byte lane that ends where the number ends
// (batch_avx512.hpp finds them). The grammar, the point, the exponent mark and the sign come from
// bit operations on byte-class masks, four lanes at a time in 16-bit
// elements; the digits from multiply-adds; the floats from four exact double
// operations under the fast conversion's rules (to_float.hpp). A register
// holding an exponent takes a second path, which reads each mantissa where
// it is, its exponent's bytes as zero digits. Where any of the four numbers is not plain, or not settled by
// the fast conversion, the register is declined.

#include "logformat/batch.hpp"
#include "logformat/to_float.hpp"

#include <array>
#include <cstdint>
#include <immintrin.h>

namespace logformat {

// Each lane's digits as one integer, with the gap of its point closed: the
// bytes up to the point (`moved`) move up one; then pairs, fours, eights and
// sixteen digits combine. The integer is in the lane's first 64-bit slot,
// and again in its second.
[[gnu::target("avx2,bmi,bmi2,avx512f,avx512bw,avx512vl,avx512dq,avx512vbmi,avx512vbmi2,avx512bitalg"),
  gnu::always_inline]] inline __m512i
lane_integers(__m512i values, std::uint64_t moved)
{
    const __m512i closed = _mm512_mask_mov_epi8(values, moved, _mm512_bslli_epi128(values, 1));
    const __m512i pairs = _mm512_maddubs_epi16(closed, _mm512_set1_epi16(0x010A));  // 10 a + b
    const __m512i fours = _mm512_madd_epi16(pairs, _mm512_set1_epi32(0x00010064));  // 100 ab + cd
    const __m512i eights = _mm512_madd_epi16(_mm512_packus_epi32(fours, fours), _mm512_set1_epi32(0x00012710));
    return _mm512_add_epi64(_mm512_maskz_mul_epu32(0xFF, eights, _mm512_set1_epi64(100000000)),
                            _mm512_maskz_srli_epi64(0xFF, eights, 32));
}

// A lane's mask in each 16-bit element.
[[gnu::target("avx2,avx512f,avx512bw,avx512vl"), gnu::always_inline]] inline __m128i lanes(std::uint64_t mask)
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
[[gnu::target("avx2,bmi,bmi2,avx512f,avx512bw,avx512vl,avx512dq,avx512vbmi,avx512vbmi2,avx512bitalg"),
  gnu::always_inline]] inline bool
mantissas(__m512i text, std::uint64_t digits, std::uint64_t points, std::uint64_t signs, __m128i tail, Mantissas& out)
{
    const __m128i point = lanes(points);
    const __m128i has_point = _mm_movm_epi16(_mm_test_epi16_mask(point, point));
    const __m128i below_point = _mm_and_si128(_mm_sub_epi16(_mm_slli_epi16(point, 1), _mm_set1_epi16(1)), has_point);
    out.places = _mm_popcnt_epi16(_mm_or_si128(_mm_andnot_si128(below_point, has_point), tail));
    const __m128i digit = lanes(digits);
    const __m128i count = _mm_popcnt_epi16(digit);
    const __mmask8 wrong = _mm_test_epi16_mask(point, _mm_sub_epi16(point, _mm_set1_epi16(1))) |  // two points
                           _mm_testn_epi16_mask(digit, digit) |                                   // no digit
                           _mm_cmpgt_epi16_mask(count, _mm_set1_epi16(15));
    const __m128i sign = lanes(signs);
    out.negative = _mm_test_epi16_mask(sign, sign);
    out.integers = lane_integers(_mm512_maskz_sub_epi8(digits, text, _mm512_set1_epi8('0')),
                                 static_cast<std::uint64_t>(_mm_cvtsi128_si64(below_point)));
    return (wrong & 0xF) == 0;
}

// The four lanes' integers, in the four 64-bit slots of a 256-bit register.
[[gnu::target("avx2,bmi,bmi2,avx512f,avx512bw,avx512vl,avx512dq,avx512vbmi,avx512vbmi2,avx512bitalg"),
  gnu::always_inline]] inline __m256i
four_integers(__m512i integers)
{
    return _mm512_maskz_extracti64x4_epi64(
        0xF, _mm512_maskz_permutexvar_epi64(0xFF, _mm512_set_epi64(6, 4, 2, 0, 6, 4, 2, 0), integers), 0);
}

// 10^k for each of the four k in `magnitude`, up to the fast conversion's
// limit; up to 15 where `to_15`.
template <bool to_15>
[[gnu::target("avx2,bmi,bmi2,avx512f,avx512bw,avx512vl,avx512dq,avx512vbmi,avx512vbmi2,avx512bitalg"),
  gnu::always_inline]] inline __m256d
powers_of_ten(__m256i magnitude)
{
    const __m512i index = _mm512_castsi256_si512(magnitude);
    __m512d powers = _mm512_permutex2var_pd(_mm512_loadu_pd(kPowersOfTen), index, _mm512_loadu_pd(kPowersOfTen + 8));
    if constexpr (!to_15) {
        static_assert(kFastPowerLimit == 22, "three loads of eight powers cover 10^0 to 10^22");
        // 10^15 to 10^22, by the index's low three bits.
        powers = _mm512_mask_permutexvar_pd(powers, _mm512_cmpge_epu64_mask(index, _mm512_set1_epi64(16)),
                                            _mm512_sub_epi64(index, _mm512_set1_epi64(15)),
                                            _mm512_loadu_pd(kPowersOfTen + 15));
    }
    return _mm512_maskz_extractf64x4_pd(0xF, powers, 0);
}

// The floats of four mantissas times 10^power, as the fast conversion gives
// them, into `out`; false where it would decline. Where `fractions`, the
// power is minus each lane's places (15 at most), and every number divides.
template <bool fractions>
[[gnu::target("avx2,bmi,bmi2,avx512f,avx512bw,avx512vl,avx512dq,avx512vbmi,avx512vbmi2,avx512bitalg"),
  gnu::always_inline]] inline bool
four_floats(const Mantissas& m, __m256i power, __m128i& out)
{
    const __m256d mantissa = _mm256_maskz_cvtepu64_pd(0xF, four_integers(m.integers));
    __m256d exact;
    __mmask8 unsettled = 0;
    if constexpr (fractions) {
        exact = _mm256_div_pd(mantissa, powers_of_ten<true>(_mm256_cvtepu16_epi64(m.places)));
    } else {
        const __m256i magnitude = _mm256_abs_epi64(power);
        const __m256d powers = powers_of_ten<false>(magnitude);
        exact = _mm256_mask_div_pd(_mm256_mul_pd(mantissa, powers),
                                   _mm256_cmplt_epi64_mask(power, _mm256_setzero_si256()), mantissa, powers);
        unsettled = _mm256_cmpgt_epu64_mask(magnitude, _mm256_set1_epi64x(kFastPowerLimit));
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

// Converts the four floating numbers that end at `ends`, whose lengths (1
// to 16, checked by the caller) fill the 16 bytes of each lane of `lengths`.
// False where any is not plain, or not settled by the fast conversion.
[[gnu::target("avx2,bmi,bmi2,avx512f,avx512bw,avx512vl,avx512dq,avx512vbmi,avx512vbmi2,avx512bitalg"),
  gnu::always_inline]] inline bool
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
        return four_floats<true>(m, _mm256_setzero_si256(), out);
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
    const __m128i mark = lanes(marks);
    const __m128i from_mark = _mm_andnot_si128(_mm_sub_epi16(mark, _mm_set1_epi16(1)), _mm_set1_epi16(-1));
    const auto exponent_bytes = static_cast<std::uint64_t>(_mm_cvtsi128_si64(from_mark));
    const __mmask8 wrong = _mm_test_epi16_mask(mark, _mm_sub_epi16(mark, _mm_set1_epi16(1))) |  // two marks
                           _mm_test_epi16_mask(lanes(points), from_mark);                       // a point after one
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
    const __mmask8 negative_exponents = _mm_test_epi16_mask(lanes(minus), _mm_slli_epi16(mark, 1));
    const __m256i power = _mm256_mask_sub_epi64(exponent, negative_exponents, _mm256_setzero_si256(), exponent);
    return four_floats<false>(m, _mm256_sub_epi64(power, _mm256_cvtepu16_epi64(m.places)), out);
}

}  // namespace logformat
