#pragma once

// The AVX2 kernels (routes/kernels.hpp says what each does): the 64-byte
// digit mask from two 32-byte compares, the digits around a point by one
// shuffle and three multiply-adds, and the batch (batch.hpp defines the
// structural pass and read_four). Compiled for the set's features whatever
// the build's target, and inlined into the set's read (read.cpp), which is
// compiled for them too, but for the batch, which is called: only a
// processor that offers the set may run them.

#include "logformat/app_data.hpp"
#include "logformat/batch/batch.hpp"
#include "logformat/pattern.hpp"
#include "logformat/routes/kernels.hpp"
#include "logformat/x86/avx2/target.hpp"
#include "logformat/x86/sse2/kernels.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <immintrin.h>

namespace logformat {

namespace avx2 {

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

}  // namespace avx2

template <>
struct Kernels<InstructionSet::Avx2> {
    static constexpr bool kReadsBatches = true;

    static std::uint64_t digit_mask_16(const char* p) { return Kernels<InstructionSet::Sse2>::digit_mask_16(p); }

    [[gnu::target(LOGFORMAT_AVX2_TARGET)]] static std::uint64_t digit_mask_64(const char* p)
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
    [[gnu::target(LOGFORMAT_AVX2_TARGET)]] static std::uint64_t digits_around_point(const char* first, int whole,
                                                                                    int fraction)
    {
        const int count = whole + fraction;
        const __m128i values =
            _mm_sub_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(first)), _mm_set1_epi8('0'));
        const auto* shuffle =
            avx2::kPointShuffles[static_cast<std::size_t>(whole)][static_cast<std::size_t>(count)].data();
        const __m128i digits = _mm_shuffle_epi8(values, _mm_loadu_si128(reinterpret_cast<const __m128i*>(shuffle)));
        const __m128i pairs = _mm_maddubs_epi16(digits, _mm_set1_epi16(0x010A));  // 10 a + b
        const __m128i fours = _mm_madd_epi16(pairs, _mm_set1_epi32(0x00010064));  // 100 ab + cd
        const __m128i eights =
            _mm_madd_epi16(_mm_packus_epi32(fours, fours), _mm_set1_epi32(0x00012710));  // 10000 abcd + efgh
        const auto both = static_cast<std::uint64_t>(_mm_cvtsi128_si64(eights));
        return (both & 0xFFFFFFFF) * 100000000 + (both >> 32);
    }

    // The structural pass and the batch (batch.hpp).
    static int list_terminators(const char* p, const char* end, int wanted, Terminators& positions, int count);
    template <LogPattern pattern>
    static bool read_four(const char* base, const std::int16_t* positions, const char* end, AppData* out);
};

}  // namespace logformat
