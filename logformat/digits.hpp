#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__) && !defined(LOGFORMAT_SCALAR)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && !defined(LOGFORMAT_SCALAR)
#include <immintrin.h>
#endif

// Decimal digits found and converted many at a time: where the digits of a
// stretch of text are comes from one classification, and the value of up to
// eight of them from one load and three multiplications, with no branch per
// digit. Every function here loads whole chunks of 8 or 16 bytes, so the
// bytes behind the text must be readable: the stream's zero padding is.

static_assert(std::endian::native == std::endian::little, "the digit tricks assume little-endian loads");

// The widest load: the 16 bytes of one classification chunk.
inline constexpr std::size_t kWidestLoad = 16;

// The eight bytes at p, the first in the lowest byte.
inline std::uint64_t load_eight(const char* p)
{
    std::uint64_t chunk;
    std::memcpy(&chunk, p, sizeof chunk);
    return chunk;
}

// Bit k is set when p[k] is a digit, for the first `bytes` bytes at p
// (at most 64), one byte at a time: where SIMD is missing or switched off.
inline std::uint64_t digit_mask_scalar(const char* p, std::size_t bytes)
{
    std::uint64_t mask = 0;
    for (std::size_t k = 0; k < bytes; ++k)
        mask |= std::uint64_t{p[k] >= '0' && p[k] <= '9'} << k;
    return mask;
}

// Bit k is set when p[k] is a digit, for the 16 × chunks bytes at p
// (1 <= chunks <= 4).
inline std::uint64_t digit_mask(const char* p, int chunks)
{
    std::uint64_t mask = 0;
#if defined(__SSE2__) && !defined(LOGFORMAT_SCALAR)
    const __m128i zero = _mm_set1_epi8('0');
    const __m128i nine = _mm_set1_epi8(9);
    for (int k = 0; k < chunks; ++k) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
        const __m128i value = _mm_sub_epi8(bytes, zero);  // a digit becomes 0 to 9, all else 10 or more
        const __m128i is_digit = _mm_cmpeq_epi8(_mm_min_epu8(value, nine), value);
        mask |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(is_digit))} << (16 * k);
    }
#else
    mask = digit_mask_scalar(p, 16 * static_cast<std::size_t>(chunks));
#endif
    return mask;
}

// The digit mask of the 64 bytes at p, one function for each instruction
// set (instruction_set.hpp): bit k is set when p[k] is a digit. The wider
// sets are compiled for their own instructions whatever the build's target;
// only a processor that offers them may call them.
inline constexpr std::size_t kClassifiedBytes = 64;

#if defined(__x86_64__) && !defined(LOGFORMAT_SCALAR)
inline std::uint64_t digit_mask_sse2(const char* p)
{
    return digit_mask(p, kClassifiedBytes / 16);
}

[[gnu::target("avx2")]] inline std::uint64_t digit_mask_avx2(const char* p)
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
#endif

// The value of the first n digits of the chunk, 1 <= n <= 8.
inline std::uint64_t digits_value(std::uint64_t chunk, int n)
{
    // Move the n digits to the top, behind 8 - n zeros, then combine pairs,
    // quads and the two halves.
    std::uint64_t v = (chunk << (8 * (8 - n))) & 0x0F0F0F0F0F0F0F0F;
    v = (v * 2561) >> 8;
    v = ((v & 0x00FF00FF00FF00FF) * 6553601) >> 16;
    return ((v & 0x0000FFFF0000FFFF) * 42949672960001) >> 32;
}

inline constexpr std::uint64_t kPowersOfTenInt[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};

#if defined(__x86_64__) && !defined(LOGFORMAT_SCALAR)
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

// digits_around_point for a point after `whole` digits at `first` (or no
// point when whole == count), `count` digits in all (1 to 15), with the
// AVX2 set's 128-bit instructions: one shuffle drops the point, and three
// multiply-adds combine pairs, fours and eights.
[[gnu::target("avx2")]] inline std::uint64_t digits_around_point_avx2(const char* first, int whole, int count)
{
    const __m128i values = _mm_sub_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(first)), _mm_set1_epi8('0'));
    const auto* shuffle = kPointShuffles[static_cast<std::size_t>(whole)][static_cast<std::size_t>(count)].data();
    const __m128i digits = _mm_shuffle_epi8(values, _mm_loadu_si128(reinterpret_cast<const __m128i*>(shuffle)));
    const __m128i pairs = _mm_maddubs_epi16(digits, _mm_set1_epi16(0x010A));       // 10 a + b
    const __m128i fours = _mm_madd_epi16(pairs, _mm_set1_epi32(0x00010064));        // 100 ab + cd
    const __m128i eights = _mm_madd_epi16(_mm_packus_epi32(fours, fours), _mm_set1_epi32(0x00012710));  // 10000 abcd + efgh
    const auto both = static_cast<std::uint64_t>(_mm_cvtsi128_si64(eights));
    return (both & 0xFFFFFFFF) * 100000000 + (both >> 32);
}
#endif

// The value of the digit runs on both sides of a full stop, read as one
// integer: `whole` digits at `before` (0 to 8) and `fraction` digits at
// `after` (0 to 16), at least one digit in all.
inline std::uint64_t digits_around_point(const char* before, int whole, const char* after, int fraction)
{
    const std::uint64_t first = load_eight(before);
    const std::uint64_t second = load_eight(after);
    if (whole + fraction <= 8) {
        // Both runs fit one chunk: close the gap the point leaves, convert once.
        const std::uint64_t kept = whole == 0 ? 0 : first & (~std::uint64_t{0} >> (64 - 8 * whole));
        return digits_value(kept | (whole == 8 ? 0 : second << (8 * whole)), whole + fraction);
    }
    std::uint64_t value = whole == 0 ? 0 : digits_value(first, whole);
    if (fraction > 8) {
        value = value * kPowersOfTenInt[8] + digits_value(second, 8);
        after += 8;
        fraction -= 8;
    }
    return value * kPowersOfTenInt[fraction] + (fraction == 0 ? 0 : digits_value(load_eight(after), fraction));
}
