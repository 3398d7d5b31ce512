#pragma once

// The AVX-512 batch's numbers: one element of four records in one register,
// each number in a 16-byte lane that ends where the number ends
// (batch_avx512.hpp finds them). The grammar, the point, the exponent mark and the sign come from
// bit operations on byte-class masks, four lanes at a time in 16-bit
// elements; the digits from multiply-adds; the floats from four exact double
// operations under the fast conversion's rules (to_float.hpp). A register
// holding an exponent takes a second path, which moves each mantissa to its
// lane's end. Where any of the four numbers is not plain, or not settled by
// the fast conversion, the register is declined.

#include "logformat/batch.hpp"
#include "logformat/to_float.hpp"

#include <array>
#include <cstdint>
#include <immintrin.h>

namespace logformat {

// The four numbers of one element are given as 32-bit values, a float's
// bits or an integer, in the even elements of a register (the odd ones
// repeat them).

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

// The bytes of a register, numbered.
inline constexpr auto kByteIndex = [] {
    std::array<std::uint8_t, 64> index{};
    for (std::size_t b = 0; b < 64; ++b)
        index[b] = static_cast<std::uint8_t>(b);
    return index;
}();

// A lane's mask in each 16-bit element.
[[gnu::target("avx2,avx512f,avx512bw,avx512vl"), gnu::always_inline]] inline __m128i lanes(std::uint64_t mask)
{
    return _mm_cvtsi64_si128(static_cast<long long>(mask));
}

// The mantissas of four lanes, each a minus or none, then digits with a
// point or none, ending at the lane's end; every other byte zero, and each
// byte checked to be one of those. False where a lane has two points, no
// digit, or more than `most_digits`: 8 for an integer, as the window reads
// them (longer ones may pass 32 bits), 15 for a floating number, whose
// mantissa must be an exact double for the fast conversion.
struct Mantissas {
    __m512i integers;      // as lane_integers gives them
    __m128i fraction;      // the digits after each point, in 16-bit elements
    __mmask8 negative;     // the slots of the lanes with a minus
};
[[gnu::target("avx2,bmi,bmi2,avx512f,avx512bw,avx512vl,avx512dq,avx512vbmi,avx512vbmi2,avx512bitalg"),
  gnu::always_inline]] inline bool
mantissas(__m512i text, std::uint64_t digits, std::uint64_t points, std::uint64_t signs, int most_digits,
          Mantissas& out)
{
    const __m128i point = lanes(points);
    const __m128i has_point = _mm_movm_epi16(_mm_test_epi16_mask(point, point));
    const __m128i below_point = _mm_and_si128(_mm_sub_epi16(_mm_slli_epi16(point, 1), _mm_set1_epi16(1)), has_point);
    out.fraction = _mm_popcnt_epi16(_mm_andnot_si128(below_point, has_point));
    const __m128i count = _mm_popcnt_epi16(lanes(digits));
    const __mmask8 wrong = _mm_test_epi16_mask(point, _mm_sub_epi16(point, _mm_set1_epi16(1))) |  // two points
                           _mm_cmpeq_epi16_mask(count, _mm_setzero_si128()) |                   // no digit
                           _mm_cmpgt_epi16_mask(count, _mm_set1_epi16(static_cast<short>(most_digits)));
    const __m128i sign = lanes(signs);
    out.negative = static_cast<__mmask8>(_pdep_u32(_mm_test_epi16_mask(sign, sign), 0x55) * 3);
    out.integers = lane_integers(_mm512_maskz_sub_epi8(digits, text, _mm512_set1_epi8('0')),
                                 static_cast<std::uint64_t>(_mm_cvtsi128_si64(below_point)));
    return (wrong & 0xF) == 0;
}

// The floats of four mantissas times 10^power (in 64-bit slots), as the fast
// conversion gives them, into `out`; false where it would decline.
[[gnu::target("avx2,bmi,bmi2,avx512f,avx512bw,avx512vl,avx512dq,avx512vbmi,avx512vbmi2,avx512bitalg"),
  gnu::always_inline]] inline bool
four_floats(const Mantissas& m, __m512i power, __m256i& out)
{
    const __m512i magnitude = _mm512_maskz_abs_epi64(0xFF, power);
    const __m512d low_powers = _mm512_loadu_pd(kPowersOfTen);
    const __m512d high_powers = _mm512_loadu_pd(kPowersOfTen + 8);
    const __m512d top_powers = _mm512_loadu_pd(kPowersOfTen + 15);  // 10^15 to 10^22, by the index's low three bits
    static_assert(kFastPowerLimit == 22, "three loads of eight powers cover 10^0 to 10^22");
    const __m512d powers = _mm512_mask_permutexvar_pd(
        _mm512_permutex2var_pd(low_powers, magnitude, high_powers),
        _mm512_cmpge_epu64_mask(magnitude, _mm512_set1_epi64(16)),
        _mm512_sub_epi64(magnitude, _mm512_set1_epi64(15)), top_powers);
    const __m512d mantissa = _mm512_maskz_cvtepu64_pd(0xFF, m.integers);
    const __m512d exact = _mm512_mask_div_pd(_mm512_mul_pd(mantissa, powers),
                                             _mm512_cmplt_epi64_mask(power, _mm512_setzero_si512()), mantissa, powers);
    // As the fast conversion: a double on a float midpoint is not settled.
    const __m512i low_bits =
        _mm512_and_si512(_mm512_castpd_si512(exact), _mm512_set1_epi64(static_cast<long long>(kMidpointLowBits)));
    if ((_mm512_cmpeq_epi64_mask(low_bits, _mm512_set1_epi64(static_cast<long long>(kMidpointBits))) |
         _mm512_cmpgt_epu64_mask(magnitude, _mm512_set1_epi64(kFastPowerLimit))) != 0)
        return false;
    const __m256i magnitudes = _mm256_castps_si256(_mm512_maskz_cvtpd_ps(0xFF, exact));
    const __m256i signed_values =
        _mm256_mask_xor_epi32(magnitudes, m.negative, magnitudes, _mm256_set1_epi32(static_cast<int>(0x80000000u)));
    out = signed_values;
    return true;
}

// Converts the four numbers that end at `ends`, whose lengths (1 to 16,
// checked by the caller) fill the 16 bytes of each lane of `lengths`. False
// where any is not plain, or not settled by the fast conversion.
template <bool integer>
[[gnu::target("avx2,bmi,bmi2,avx512f,avx512bw,avx512vl,avx512dq,avx512vbmi,avx512vbmi2,avx512bitalg"),
  gnu::always_inline]] inline bool
four_numbers(const std::array<const char*, kBatchRecords>& ends, __m512i lengths, __m256i& out)
{
    // The valid bytes of each lane: its last `length`. The first lane's load
    // is masked, as its number may begin right at the buffer's start: a
    // masked load reads no other byte. The others begin past the batch's.
    const __m512i index = _mm512_set4_epi32(0x0F0E0D0C, 0x0B0A0908, 0x07060504, 0x03020100);
    const std::uint64_t valid =
        _mm512_cmpge_epu8_mask(_mm512_add_epi8(index, lengths), _mm512_set1_epi8(kLaneBytes));
    __m512i text = _mm512_castsi128_si512(_mm_maskz_loadu_epi8(static_cast<__mmask16>(valid), ends[0] - kLaneBytes));
    text = _mm512_inserti32x4(text, _mm_loadu_si128(reinterpret_cast<const __m128i*>(ends[1] - kLaneBytes)), 1);
    text = _mm512_inserti32x4(text, _mm_loadu_si128(reinterpret_cast<const __m128i*>(ends[2] - kLaneBytes)), 2);
    text = _mm512_inserti32x4(text, _mm_loadu_si128(reinterpret_cast<const __m128i*>(ends[3] - kLaneBytes)), 3);
    text = _mm512_maskz_mov_epi8(valid, text);

    const __m512i zero_char = _mm512_set1_epi8('0');
    const std::uint64_t digits = _mm512_cmple_epu8_mask(_mm512_sub_epi8(text, zero_char), _mm512_set1_epi8(9));
    const std::uint64_t points = integer ? 0 : _mm512_cmpeq_epi8_mask(text, _mm512_set1_epi8('.'));
    const std::uint64_t minus = _mm512_cmpeq_epi8_mask(text, _mm512_set1_epi8('-'));
    const std::uint64_t marks =
        integer ? 0 : _mm512_cmpeq_epi8_mask(_mm512_or_si512(text, _mm512_set1_epi8(0x20)), _mm512_set1_epi8('e'));
    constexpr std::uint64_t kLaneFirstBits = 0x0001000100010001;
    const std::uint64_t first = valid & ~((valid << 1) & ~kLaneFirstBits);
    const std::uint64_t signs = minus & first;
    Mantissas m;
    if (marks == 0) {
        // Every byte a digit, but a minus first and, in a floating number, a point.
        if ((valid & ~(digits | signs | points)) != 0 || !mantissas(text, digits, points, signs, integer ? 8 : 15, m))
            return false;
        if constexpr (integer) {
            const __m256i magnitudes = _mm512_maskz_cvtepi64_epi32(0xFF, m.integers);
            out = _mm256_mask_sub_epi32(magnitudes, m.negative, _mm256_setzero_si256(), magnitudes);
            return true;
        }
        return four_floats(m, _mm512_sub_epi64(_mm512_setzero_si512(),
                                               _mm512_maskz_cvtepu16_epi64(0xFF, _mm_unpacklo_epi16(m.fraction, m.fraction))),
                           out);
    }
    // With an exponent mark: e or E, a sign or none, digits or none, at the
    // lane's end. A mark without digits is read as the C library reads it,
    // with the mark and its sign and a power of 0; the window's limit of three
    // digits changes no value, as the power's range is checked. The
    // mantissa's bytes move to the lane's end.
    const std::uint64_t plus = _mm512_cmpeq_epi8_mask(text, _mm512_set1_epi8('+'));
    const std::uint64_t exponent_signs = (minus | plus) & (marks << 1) & ~kLaneFirstBits;
    if ((valid & ~(digits | signs | points | marks | exponent_signs)) != 0)
        return false;
    const __m128i mark = lanes(marks);
    const __m128i from_mark = _mm_andnot_si128(_mm_sub_epi16(mark, _mm_set1_epi16(1)), _mm_set1_epi16(-1));
    const __m128i exponent_digits = _mm_and_si128(lanes(digits), from_mark);
    const __mmask8 wrong = _mm_test_epi16_mask(mark, _mm_sub_epi16(mark, _mm_set1_epi16(1))) |  // two marks
                           _mm_test_epi16_mask(lanes(points), from_mark);                      // a point after one
    if ((wrong & 0xF) != 0)
        return false;
    const __m512i exponents = lane_integers(
        _mm512_maskz_sub_epi8(static_cast<std::uint64_t>(_mm_cvtsi128_si64(exponent_digits)), text, zero_char), 0);
    const auto negative_exponents = static_cast<__mmask8>(
        _pdep_u32(_mm_test_epi16_mask(lanes(minus), _mm_slli_epi16(mark, 1)), 0x55) * 3);
    // Each lane moves up by the bytes from its mark on.
    const __m512i shift = _mm512_maskz_permutexvar_epi8(
        ~std::uint64_t{0}, _mm512_set_epi32(0x06060606, 0x06060606, 0x06060606, 0x06060606, 0x04040404, 0x04040404,
                                            0x04040404, 0x04040404, 0x02020202, 0x02020202, 0x02020202, 0x02020202, 0,
                                            0, 0, 0),
        _mm512_zextsi128_si512(_mm_popcnt_epi16(from_mark)));
    const __m512i moved = _mm512_maskz_permutexvar_epi8(
        _mm512_cmpge_epu8_mask(index, shift), _mm512_sub_epi8(_mm512_loadu_si512(kByteIndex.data()), shift), text);
    if (!mantissas(moved, _mm512_cmple_epu8_mask(_mm512_sub_epi8(moved, zero_char), _mm512_set1_epi8(9)),
                   _mm512_cmpeq_epi8_mask(moved, _mm512_set1_epi8('.')),
                   _mm512_cmpeq_epi8_mask(moved, _mm512_set1_epi8('-')), 15, m))
        return false;
    const __m512i fraction = _mm512_maskz_cvtepu16_epi64(0xFF, _mm_unpacklo_epi16(m.fraction, m.fraction));
    const __m512i exponent = _mm512_mask_sub_epi64(exponents, negative_exponents, _mm512_setzero_si512(), exponents);
    return four_floats(m, _mm512_sub_epi64(exponent, fraction), out);
}

}  // namespace logformat
