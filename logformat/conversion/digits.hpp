#pragma once

// Decimal digits converted many at a time, with no instruction set's own
// instructions: the value of up to eight digits from one load and three
// multiplications, with no branch per digit. Every function here loads whole
// chunks of 8 bytes, so the bytes behind the text must be readable: the
// buffer's zero padding is. Where the digits are comes from the kernels
// (routes/kernels.hpp).

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace logformat {

static_assert(std::endian::native == std::endian::little, "the digit tricks assume little-endian loads");

// The widest load of any kernel: 16 bytes.
inline constexpr std::size_t kWidestLoad = 16;

// The eight bytes at p, the first in the lowest byte.
inline std::uint64_t load_eight(const char* p)
{
    std::uint64_t chunk;
    std::memcpy(&chunk, p, sizeof chunk);
    return chunk;
}

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

// The value of the digit runs on both sides of a full stop, read as one
// integer: `whole` digits at `before` (0 to 8) and `fraction` digits at
// `after` (0 to 16), at least one digit in all.
inline std::uint64_t digits_around_point_scalar(const char* before, int whole, const char* after, int fraction)
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

}  // namespace logformat
