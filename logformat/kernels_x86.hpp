#pragma once

// The SSE2, AVX2 and AVX-512 kernels (kernels.hpp says what each kernel
// does). Included only by implementations.cpp, and only in an x86-64 build
// with SIMD on. SSE2 is part of every x86-64 processor; the AVX2 and AVX-512
// kernels are compiled for their own instructions whatever the build's
// target, and are inlined into their set's read, which is compiled for them
// too, but for the set's batch, which is called: only a processor that
// offers the set may run them.

#include "logformat/batch_avx2.hpp"
#include "logformat/batch_avx512.hpp"
#include "logformat/batch_fill.hpp"
#include "logformat/kernels.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <immintrin.h>

namespace logformat {

template <>
struct Kernels<InstructionSet::Sse2> {
    static std::uint64_t digit_mask_16(const char* p)
    {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i value = _mm_sub_epi8(bytes, _mm_set1_epi8('0'));  // a digit becomes 0 to 9, all else 10 or more
        const __m128i is_digit = _mm_cmpeq_epi8(_mm_min_epu8(value, _mm_set1_epi8(9)), value);
        return static_cast<std::uint16_t>(_mm_movemask_epi8(is_digit));
    }
    static std::uint64_t digit_mask_64(const char* p)
    {
        std::uint64_t mask = 0;
        for (int k = 0; k < 4; ++k)
            mask |= digit_mask_16(p + 16 * k) << (16 * k);
        return mask;
    }
    static std::uint64_t digits_around_point(const char* first, int whole, int fraction)
    {
        return Kernels<InstructionSet::Scalar>::digits_around_point(first, whole, fraction);
    }
};

// For each count of digits before a point (0 to 8) and in all (0 to 15): the
// byte shuffle that takes the digits of the 16 bytes at the first digit,
// skipping the point, and places them at the end of 16 bytes, behind zeros.
inline constexpr auto kPointShuffles = [] {
    std::array<std::array<std::array<std::uint8_t, 16>, 16>, 9> shuffles{};
    for (std::size_t whole = 0; whole < 9; ++whole)
        for (std::size_t count = 0; count < 16; ++count)
            for (std::size_t j = 0; j < 16; ++j) {
                const auto k = static_cast<int>(j) - static_cast<int>(16 - count);  // the digit placed at j
                shuffles[whole][count][j] =
                    k < 0 ? 0x80 : static_cast<std::uint8_t>(k < static_cast<int>(whole) ? k : k + 1);
            }
    return shuffles;
}();

template <>
struct Kernels<InstructionSet::Avx2> {
    static std::uint64_t digit_mask_16(const char* p) { return Kernels<InstructionSet::Sse2>::digit_mask_16(p); }

    [[gnu::target("avx2")]] static std::uint64_t digit_mask_64(const char* p)
    {
        const __m256i zero = _mm256_set1_epi8('0');
        const __m256i nine = _mm256_set1_epi8(9);
        std::uint64_t mask = 0;
        for (int k = 0; k < 2; ++k) {
            const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * k));
            const __m256i value = _mm256_sub_epi8(bytes, zero);  // a digit becomes 0 to 9, all else 10 or more
            const __m256i is_digit = _mm256_cmpeq_epi8(_mm256_min_epu8(value, nine), value);
            mask |= std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(is_digit))} << (32 * k);
        }
        return mask;
    }

    // One shuffle drops the point, and three multiply-adds combine pairs,
    // fours and eights, with the set's 128-bit instructions.
    [[gnu::target("avx2")]] static std::uint64_t digits_around_point(const char* first, int whole, int fraction)
    {
        const int count = whole + fraction;
        const __m128i values =
            _mm_sub_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(first)), _mm_set1_epi8('0'));
        const auto* shuffle = kPointShuffles[static_cast<std::size_t>(whole)][static_cast<std::size_t>(count)].data();
        const __m128i digits = _mm_shuffle_epi8(values, _mm_loadu_si128(reinterpret_cast<const __m128i*>(shuffle)));
        const __m128i pairs = _mm_maddubs_epi16(digits, _mm_set1_epi16(0x010A));  // 10 a + b
        const __m128i fours = _mm_madd_epi16(pairs, _mm_set1_epi32(0x00010064));  // 100 ab + cd
        const __m128i eights =
            _mm_madd_epi16(_mm_packus_epi32(fours, fours), _mm_set1_epi32(0x00012710));  // 10000 abcd + efgh
        const auto both = static_cast<std::uint64_t>(_mm_cvtsi128_si64(eights));
        return (both & 0xFFFFFFFF) * 100000000 + (both >> 32);
    }

    static constexpr int kBatchRecords = logformat::kBatchRecords;

    // Records four at a time into the read-ahead (batch_fill.hpp), as the
    // AVX-512 kernels do, with the AVX2 pass and batch.
    template <typename ReadOne>
    [[gnu::target("avx2,bmi,bmi2")]] static const char* read_ahead_in_batches(const char* p, const char* end,
                                                                              ReadAhead& ahead, LogPattern pattern,
                                                                              int most, ReadOne read_one)
    {
        return logformat::read_ahead_in_batches<InstructionSet::Avx2>(p, end, ahead, pattern, most, read_one);
    }
    static int list_terminators(const char* p, const char* end, int wanted, Terminators& positions, int count)
    {
        return list_terminators_avx2(p, end, wanted, positions, count);
    }
    // The AVX2 batch reads no further than eight bytes past its last
    // terminator, inside the padding: it needs no end.
    template <LogPattern pattern>
    static bool read_four(const char* base, const std::int16_t* positions, const char* /*end*/, AppData* out)
    {
        return read_four_avx2<pattern>(base, positions, out);
    }
};

// AVX-512: the 64-byte digit mask from one compare into a mask register;
// the rest as AVX2 does it.
template <>
struct Kernels<InstructionSet::Avx512> {
    static std::uint64_t digit_mask_16(const char* p) { return Kernels<InstructionSet::Sse2>::digit_mask_16(p); }

    [[gnu::target("avx512f,avx512bw")]] static std::uint64_t digit_mask_64(const char* p)
    {
        const __m512i value = _mm512_sub_epi8(_mm512_loadu_si512(p), _mm512_set1_epi8('0'));
        return _mm512_cmple_epu8_mask(value, _mm512_set1_epi8(9));
    }

    [[gnu::target("avx2")]] static std::uint64_t digits_around_point(const char* first, int whole, int fraction)
    {
        return Kernels<InstructionSet::Avx2>::digits_around_point(first, whole, fraction);
    }

    static constexpr int kBatchRecords = logformat::kBatchRecords;

    // Records four at a time into the read-ahead (batch_fill.hpp), `read_one`
    // where a batch declines; returns where they stopped. The pass and the
    // batch are compiled for the set's features; the batch is called out of
    // line (docs/design.md gives the measure).
    template <typename ReadOne>
    [[gnu::target(
        "avx2,bmi,bmi2,avx512f,avx512bw,avx512vl,avx512dq,avx512vbmi,avx512vbmi2,avx512bitalg")]] static const char*
    read_ahead_in_batches(const char* p, const char* end, ReadAhead& ahead, LogPattern pattern, int most,
                          ReadOne read_one)
    {
        return logformat::read_ahead_in_batches<InstructionSet::Avx512>(p, end, ahead, pattern, most, read_one);
    }
    static int list_terminators(const char* p, const char* end, int wanted, Terminators& positions, int count)
    {
        return list_terminators_avx512(p, end, wanted, positions, count);
    }
    template <LogPattern pattern>
    static bool read_four(const char* base, const std::int16_t* positions, const char* end, AppData* out)
    {
        return read_four_avx512<pattern>(base, positions, end, out);
    }
};

}  // namespace logformat
