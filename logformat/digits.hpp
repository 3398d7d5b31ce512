#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

// Decimal digits eight at a time: one load, one test and three
// multiplications instead of a loop with a branch per digit.

static_assert(std::endian::native == std::endian::little, "the digit tricks assume little-endian loads");

// The eight bytes at p, the first in the lowest byte. p must have eight
// readable bytes.
inline std::uint64_t load_eight(const char* p)
{
    std::uint64_t chunk;
    std::memcpy(&chunk, p, sizeof chunk);
    return chunk;
}

// How many of the chunk's bytes, from the first, are the digits 0 to 9.
inline int leading_digits(std::uint64_t chunk)
{
    const std::uint64_t x = chunk ^ 0x3030303030303030;  // a digit byte becomes 0 to 9
    // Bit 7 of a byte ends up set exactly when the byte is 10 or more.
    const std::uint64_t non_digit = (((x & 0x7F7F7F7F7F7F7F7F) + 0x7676767676767676) | x) & 0x8080808080808080;
    return non_digit == 0 ? 8 : std::countr_zero(non_digit) / 8;
}

// The value of the chunk's first n digits, 0 <= n <= 8.
inline std::uint64_t digits_value(std::uint64_t chunk, int n)
{
    if (n == 0)
        return 0;
    // Move the n digits to the top, behind 8 - n zeros, then combine pairs,
    // quads and the two halves.
    std::uint64_t v = (chunk << (8 * (8 - n))) & 0x0F0F0F0F0F0F0F0F;
    v = (v * 2561) >> 8;
    v = ((v & 0x00FF00FF00FF00FF) * 6553601) >> 16;
    return ((v & 0x0000FFFF0000FFFF) * 42949672960001) >> 32;
}

inline constexpr std::uint64_t kPowersOfTenInt[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};

// The eight bytes that follow the first k bytes of a sixteen-byte window
// (low, then high), 1 <= k <= 8.
inline std::uint64_t bytes_after(std::uint64_t low, std::uint64_t high, int k)
{
    return k == 8 ? high : (low >> (8 * k)) | (high << (64 - 8 * k));
}

// Byte k of the chunk, 0 <= k < 8.
inline int byte_at(std::uint64_t chunk, int k)
{
    return static_cast<int>((chunk >> (8 * k)) & 0xFF);
}

// The value of `whole` digits from `before` followed by `fraction` digits
// from `after`, the point between them left out; both counts below 8.
inline std::uint64_t digits_around_point(std::uint64_t before, int whole, std::uint64_t after, int fraction)
{
    if (whole + fraction <= 8) {
        // Both runs fit one chunk: close the gap and convert once.
        const std::uint64_t kept = whole == 0 ? 0 : before & (~std::uint64_t{0} >> (64 - 8 * whole));
        return digits_value(kept | (after << (8 * whole)), whole + fraction);
    }
    return digits_value(before, whole) * kPowersOfTenInt[fraction] + digits_value(after, fraction);
}
